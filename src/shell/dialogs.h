// The dialog windows the shell opens, and the events of their controls.
#pragma once

#include "shell/preferences_dialog.h"

namespace qm {

struct App;
struct ControlEvent;

// The window list: opening makes the window the active one; closing makes the main window
// active again when the closed window was.
void openWindow(App& app, int window);
void closeWindow(App& app, int window);
bool windowIsOpen(const App& app, int window);

void openNewDocumentDialog(App& app);
// mode 0: "Image Size"; 1: "Canvas Size".
void openSizeDialog(App& app, int mode);
void openBrightnessDialog(App& app);
void openAnimationOptionsDialog(App& app);
void openAboutDialog(App& app);
void openBrushEditor(App& app);
void openBrushAnimated(App& app);

// Handles a control event of a dialog window; false when the gadget is not one of theirs.
bool handleDialogControl(App& app, const ControlEvent& event);

}  // namespace qm
