// The pen's pressure curve in the Preferences window: a square picture of the curve (gadget
// 316) whose points the painter drags, a button that makes it straight again (317) and its
// caption (318). Every change is stored at once in the preferences' curve text.
#pragma once

#include <vector>

#include "platform/ui.h"

namespace qm {

struct App;
struct ControlEvent;

// The side of the curve's picture, in pixels.
constexpr int kPressureCurveSide = 150;

// The window's controls of the curve, on page `tab`.
std::vector<ControlDescription> pressureCurveControls(App& app, const std::string& tab);
// Draws the curve of the preferences into its picture.
void showPressureCurve(App& app);
// An event of the curve's controls (false for any other gadget): a press on a point takes it
// (a press beside the points adds one there), a move with the button held drags it (the end
// points keep their pressure, the others stay between their neighbours), a right press removes
// the point under it (never an end). Taken and ignored while the window is not open.
bool handlePressureCurveEvent(App& app, const ControlEvent& event);

}  // namespace qm
