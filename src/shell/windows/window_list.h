// The window list: the dialog windows the shell opens and closes. Each window is described
// (platform/ui.h: its number, title, size and controls with their start values) and shown
// through the Ui port, which builds it; its controls' events come back through the main dispatch
// like any other control's. Closing one closes it on screen too and gives the keyboard focus
// back to the canvas.
#pragma once

namespace qm {

struct App;
struct WindowDescription;

// The window list: opening makes the window the active one; closing makes the main window
// active again when the closed window was.
void openWindow(App& app, int window);
void closeWindow(App& app, int window);
// Shows the described window through the Ui and opens it in the window list.
void showDialog(App& app, const WindowDescription& window);

}  // namespace qm
