// The new-document dialog (window "NewDocument"): the size of the new document.
#pragma once

namespace qm {

struct App;

void openNewDocumentDialog(App& app);
// Handles a control of the dialog; false when the gadget is not one of its own.
bool handleNewDocumentControl(App& app, int gadget);

}  // namespace qm
