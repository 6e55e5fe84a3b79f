// The brightness dialog: the slider previews the current layer's brightness, OK applies it.
#pragma once

namespace qm {

struct App;

void openBrightnessDialog(App& app);
// Handles a control of the dialog; false when the gadget is not one of its own.
bool handleBrightnessControl(App& app, int gadget);

}  // namespace qm
