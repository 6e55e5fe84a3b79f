// Quillmoth: the program's entry point. Start-up, the splash, the main window, the loop and
// shut-down, in the program's order; the working directory is the folder of its data.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "gui/loop_driver.h"
#include "gui/main_window.h"
#include "gui/qt_ui.h"
#include "gui/splash.h"
#include "shell/app.h"

namespace {

constexpr const char* kNoDisplayHint =
    "quillmoth: cannot open a window: no display is available.\n"
    "Start it from a desktop session, or under a virtual display: xvfb-run -a ./quillmoth\n";

bool set(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// Qt ends the process when its platform cannot start; a clear hint and exit code 1 are better.
void fatalPlatformHandler(QtMsgType type, const QMessageLogContext&, const QString& message) {
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    if (type == QtFatalMsg) {
        std::fputs(kNoDisplayHint, stderr);
        std::_Exit(1);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (!set("DISPLAY") && !set("WAYLAND_DISPLAY") && !set("QT_QPA_PLATFORM")) {
        std::fputs(kNoDisplayHint, stderr);
        return 1;
    }
    const QtMessageHandler previous = qInstallMessageHandler(fatalPlatformHandler);
    // Every pointer move of a stroke is painted as it comes: no merging of queued moves.
    QCoreApplication::setAttribute(Qt::AA_CompressHighFrequencyEvents, false);
    QCoreApplication::setAttribute(Qt::AA_CompressTabletEvents, false);
    QApplication application(argc, argv);
    qInstallMessageHandler(previous);
    QApplication::setQuitOnLastWindowClosed(false);  // only QuitRequested ends the loop

    qm::QtUi ui;
    qm::App app(ui);
    qm::MainWindow window(app);
    ui.attach(&window);
    qm::LoopDriver driver(app, window, ui);

    // The window is laid out (hidden) first, so start-up centres the document in the canvas
    // size the user will see.
    window.prepareGeometry();
    if (!qm::startUp(app)) return 1;  // already shown to the user; no preferences written
    window.rebuildMenus();            // the dictionary is loaded now
    driver.markStartedUp();

    qm::Splash splash("data\\ui\\quillmoth.jpg", app.prefs.version);
    QObject::connect(&splash, &qm::Splash::finished, &window, [&] {
        window.applyInterfaceFlags(false, app.iface.statusBar != 0);
        window.openMaximized(app.iface.fullscreen != 0);
        ui.setFocus(qm::QtUi::kCanvasGadget);
        driver.start();
    });
    splash.start();

    const int status = QApplication::exec();
    qm::shutDown(app);
    return status;
}
