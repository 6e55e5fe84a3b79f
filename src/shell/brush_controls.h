// The brush rows of the tool-options panel: each control stores its state into one
// BrushSettings field (at the field's width) and shows that field when the panel is refreshed.
#pragma once

namespace qm {

struct App;
struct ControlEvent;

// Handles a control event of a brush row; false when the gadget is not one.
bool handleBrushControl(App& app, const ControlEvent& event);
// Sets every brush-row control to its field's value.
void showBrushSettings(App& app);

}  // namespace qm
