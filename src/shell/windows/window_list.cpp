#include "shell/windows/window_list.h"

#include <algorithm>

#include "platform/ui.h"
#include "shell/app.h"
#include "shell/commands/adjust_commands.h"
#include "shell/ids.h"
#include "shell/panels/panels.h"

namespace qm {

void openWindow(App& app, int window) {
    if (!windowIsOpen(app, window)) app.openWindows.push_back(window);
    app.activeWindow = window;
}

void closeWindow(App& app, int window) {
    if (window == id(Window::Main) || !windowIsOpen(app, window)) return;
    // A brightness preview that was never applied is taken back: the layer shows what it holds.
    if (window == id(Window::Brightness) && app.brightnessPreview != 150) {
        app.brightnessPreview = 150;
        previewBrightness(app, 150);
    }
    std::erase(app.openWindows, window);
    app.ui.closeWindow(window);
    if (app.activeWindow == window) app.activeWindow = id(Window::Main);
    focusCanvas(app);
}

void showDialog(App& app, const WindowDescription& window) {
    app.ui.showWindow(window);
    openWindow(app, window.number);
}

}  // namespace qm
