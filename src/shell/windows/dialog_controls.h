// The dialog windows the shell opens, and the events of their controls.
//
// Each window is described (platform/ui.h: its number, title, size and controls with their
// start values) and shown through the Ui port, which builds it; its controls' events come back
// through the main dispatch like any other control's. Closing one closes it on screen too and
// gives the keyboard focus back to the canvas.
#pragma once

#include "shell/preferences_dialog.h"

namespace qm {

struct App;
struct ControlEvent;
struct WindowDescription;

// The window list: opening makes the window the active one; closing makes the main window
// active again when the closed window was.
void openWindow(App& app, int window);
void closeWindow(App& app, int window);
bool windowIsOpen(const App& app, int window);
// Shows the described window through the Ui and opens it in the window list.
void showDialog(App& app, const WindowDescription& window);

void openNewDocumentDialog(App& app);
// mode 0: "Image Size"; 1: "Canvas Size".
void openSizeDialog(App& app, int mode);
void openBrightnessDialog(App& app);
void openAnimationOptionsDialog(App& app);
void openAboutDialog(App& app);
void openBrushEditor(App& app);
void openBrushAnimated(App& app);

// The brush editor's controls and tip preview show the current BrushSettings (when it is
// open), so that it stays in step with the tool-options panel.
void refreshBrushEditor(App& app);

// Handles a control event of a dialog window; false when the gadget is not one of theirs.
bool handleDialogControl(App& app, const ControlEvent& event);

// The events of the brush windows (brush editor, animated brush) and of the About box; false
// when the gadget is not one of theirs.
bool handleBrushWindowControl(App& app, const ControlEvent& event);
bool handleAboutControl(App& app, const ControlEvent& event);

}  // namespace qm
