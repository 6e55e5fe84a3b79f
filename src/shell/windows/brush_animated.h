// The animated-brush window (window 10). It only shows its fields; nothing in it changes how the
// brush paints.
#pragma once

namespace qm {

struct App;

void openBrushAnimated(App& app);
// Handles a control of the window; false when the gadget is not one of its own.
bool handleBrushAnimatedControl(App& app, int gadget);

}  // namespace qm
