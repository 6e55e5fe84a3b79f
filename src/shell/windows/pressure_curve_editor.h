// The pen's pressure curve in the Preferences window: a square picture of the curve (gadget
// 316) whose points the painter drags, a button that makes it straight again (317) and its
// caption (318). Every change is stored at once in the preferences' curve text.
#pragma once

#include <vector>

#include "platform/ui.h"

namespace qm {

struct App;

// The side of the curve's picture, in pixels.
constexpr int kPressureCurveSide = 150;

// The window's controls of the curve, on page `tab`.
std::vector<ControlDescription> pressureCurveControls(App& app, const std::string& tab);
// Draws the curve of the preferences into its picture.
void showPressureCurve(App& app);
// What the pointer did on the curve's picture.
enum class CurvePointer { Press, Drag, Release, Remove, Other };

// An event of the curve's controls (false for any other gadget), the pointer at (x, y) of the
// picture: a press on a point takes it (a press beside the points adds one there), a drag moves
// it (the end points keep their pressure, the others stay between their neighbours), a release
// lets it go, a remove (the right button) takes the point there away (never an end). Taken and
// ignored while the window is not open.
bool handlePressureCurveControl(App& app, int gadget, CurvePointer pointer, int x, int y);

}  // namespace qm
