// The size dialog (window "ImageSize"): "Image Size" resamples the layers, "Canvas Size" lays
// them on a canvas of the new size.
#pragma once

namespace qm {

struct App;

// mode 0: "Image Size"; 1: "Canvas Size".
void openSizeDialog(App& app, int mode);
// Handles a control of the dialog; false when the gadget is not one of its own.
bool handleSizeDialogControl(App& app, int gadget);

}  // namespace qm
