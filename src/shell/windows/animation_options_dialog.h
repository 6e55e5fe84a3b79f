// The animation options (window "AnimationOptions"): frames per second, the total of frames and
// the playback speed.
#pragma once

namespace qm {

struct App;

void openAnimationOptionsDialog(App& app);
// Handles a control of the dialog; false when the gadget is not one of its own.
bool handleAnimationOptionsControl(App& app, int gadget);

}  // namespace qm
