// The events of the dialog windows' controls, each handed to its window's handler.
#pragma once

namespace qm {

struct App;

// Handles a control event of a dialog window; false when the gadget is not one of theirs.
bool handleDialogControl(App& app, int gadget);

}  // namespace qm
