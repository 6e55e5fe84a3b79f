// The About box (window 9).
#pragma once

namespace qm {

struct App;

void openAboutDialog(App& app);
// Handles a control of the box; false when the gadget is not one of its own.
bool handleAboutControl(App& app, int gadget);

}  // namespace qm
