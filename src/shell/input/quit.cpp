#include "shell/input/quit.h"

#include "shell/app.h"
#include "shell/events.h"
#include "shell/ids.h"
#include "shell/settings/dictionary.h"
#include "shell/view/canvas_frame.h"
#include "shell/windows/window_list.h"

namespace qm {

void askQuit(App& app) {
    if (app.ui.askYesNo("Quillmoth", Text(app.dictionary, "ExitQuillmoth")))
        app.QuitRequested = true;
}

void onCloseWindow(App& app, int window) {
    if (window == id(Window::Main)) {
        if (app.prefs.confirmExit) {
            askQuit(app);
        } else {
            app.QuitRequested = true;
        }
        return;
    }
    // The window whose close box was used is the one closed (it is the active one whenever
    // the user could reach its close box).
    closeWindow(app, window);
    app.activeWindow = id(Window::Main);
    recomposeView(app, true);
}

}  // namespace qm
