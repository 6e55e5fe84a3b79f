// Quillmoth: the program's entry point. Start-up, the splash, the main window, the loop and
// shut-down, in the program's order; the working directory is the folder of its data.
//
// The splash is on screen first, painted before anything else is made; start-up (preferences,
// work images, the default document) runs while it shows, so that the main window appears,
// already composed, as soon as the splash closes.
//
// A build configured with -DQM_STARTUP_TRACE=ON writes the moments of start-up to stderr as
// "quillmoth-startup EVENT SECONDS" (wall-clock seconds since the epoch), for bench/startup.sh.
// The program itself reads no environment variables, except that the installed program finds
// the user's folders through the XDG ones (platform/user_folders.h).
#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <utility>

#include "gui/canvas_widget.h"
#include "gui/loop_driver.h"
#include "gui/main_window.h"
#include "gui/qt_ui.h"
#include "gui/splash.h"
#include "gui/work_space.h"
#include "io/export_command.h"
#include "platform/user_folders.h"
#include "shell/app.h"
#include "shell/events.h"
#include "shell/settings/dictionary.h"
#include "shell/state/preferences.h"

namespace {

constexpr const char* kNoDisplayHint =
    "quillmoth: cannot open a window: no display is available.\n"
    "Start it from a desktop session, or under a virtual display: xvfb-run -a ./quillmoth\n";

// The splash is given this long to appear before start-up goes on without it.
constexpr int kSplashPaintWaitMs = 1000;

// Whether the windowing system's variable is set (the toolkit's own, checked for a clear hint).
bool set(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

#if defined(QM_STARTUP_TRACE)
constexpr bool kTracing = true;
#else
constexpr bool kTracing = false;
#endif

void trace(const char* event) {
    if (!kTracing) return;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::fprintf(stderr, "quillmoth-startup %s %lld.%09ld\n", event, (long long)now.tv_sec,
                 now.tv_nsec);
}

// Qt ends the process when its platform cannot start; a clear hint and exit code 1 are better.
void fatalPlatformHandler(QtMsgType type, const QMessageLogContext&, const QString& message) {
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    if (type == QtFatalMsg) {
        std::fputs(kNoDisplayHint, stderr);
        std::_Exit(1);
    }
}

// Notes when a widget has been painted and shown for the first time: the event after its
// first paint event, by which time the window's contents have been handed to the display.
class FirstPaint : public QObject {
public:
    FirstPaint(QWidget& widget, const char* event) : event_(event) {
        widget.installEventFilter(this);
    }
    bool done() const { return done_; }
    // Waits (running the event loop) until done or `milliseconds` have passed.
    void wait(int milliseconds) {
        if (done_) return;
        QEventLoop loop;
        waiting_ = &loop;
        QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
        loop.exec();
        waiting_ = nullptr;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            watched->removeEventFilter(this);
            QTimer::singleShot(0, this, [this] {
                done_ = true;
                trace(event_);
                if (waiting_) waiting_->quit();
            });
        }
        return false;
    }

private:
    const char* event_;
    bool seen_ = false;
    bool done_ = false;
    QEventLoop* waiting_ = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
    // The command line (--export, --help, --version) runs before anything of the toolkit is
    // made: no window, no display needed.
    if (qm::isCommandLine(argc, argv))
        return qm::runCommandLine(argc, argv, qm::Preferences{}.version);
    trace("launched");
    if (!set("DISPLAY") && !set("WAYLAND_DISPLAY") && !set("QT_QPA_PLATFORM")) {
        std::fputs(kNoDisplayHint, stderr);
        return 1;
    }
    // The installed program works in the user's configuration folder; started from the build
    // it works in the folder it was started in.
    std::string foldersError;
    const auto folders = qm::enterUserFolders(foldersError);
    if (!folders) {
        std::fprintf(stderr, "quillmoth: %s\n", foldersError.c_str());
        return 1;
    }
    const QtMessageHandler previous = qInstallMessageHandler(fatalPlatformHandler);
    // Every pointer move of a stroke is painted as it comes: no merging of queued moves.
    QCoreApplication::setAttribute(Qt::AA_CompressHighFrequencyEvents, false);
    QCoreApplication::setAttribute(Qt::AA_CompressTabletEvents, false);
    QApplication application(argc, argv);
    qInstallMessageHandler(previous);
    QApplication::setQuitOnLastWindowClosed(false);  // only QuitRequested ends the loop
    trace("toolkit-ready");

    // A file named on the command line (what is left once the toolkit took its own options) is
    // opened once the main window shows; a relative name is taken from where the program was
    // started.
    std::string fileToOpen;
    for (int i = 1; i < argc; ++i)
        if (argv[i][0] != '-' && fileToOpen.empty()) fileToOpen = argv[i];
    if (!fileToOpen.empty() && fileToOpen[0] != '/' && !folders->launchFolder.empty())
        fileToOpen = folders->launchFolder + "/" + fileToOpen;

    qm::QtUi ui;
    qm::App app(ui);

    // The version shown is the program's own, the same before and after the preferences are
    // read.
    qm::Splash splash("data\\ui\\quillmoth.jpg", app.prefs.version);
    FirstPaint splashPainted(splash, "splash-painted");
    std::unique_ptr<qm::MainWindow> window;
    std::unique_ptr<qm::LoopDriver> driver;
    bool splashClosed = false;
    bool startedUp = false;
    const auto openMainWindow = [&] {
        window->openMaximized(app.iface.fullscreen != 0);
        ui.setFocus(qm::QtUi::kCanvasGadget);
        driver->start();
        if (!fileToOpen.empty()) driver->sendOpenFile(std::exchange(fileToOpen, std::string()));
    };
    QObject::connect(&splash, &qm::Splash::finished, [&] {
        trace("splash-closed");
        splashClosed = true;
        if (startedUp) openMainWindow();
    });
    splash.start();
    splashPainted.wait(kSplashPaintWaitMs);

    window = std::make_unique<qm::MainWindow>(QString::fromStdString(app.prefs.programName));
    FirstPaint windowPainted(window->canvas(), "main-window-painted");
    ui.attach(window.get());
    driver = std::make_unique<qm::LoopDriver>(app, *window, ui, [&app] {
        return qm::LoopDriver::ShellState{app.QuitRequested, app.iface.fullscreen != 0,
                                          app.iface.statusBar != 0, app.iface.Interface,
                                          app.iface.animationPanel != 0};
    });

    // The window is laid out (hidden) first, so start-up centres the document in the canvas
    // size the user will see.
    window->prepareGeometry();
    // A fatal failure was already shown to the user; no preferences are written, and the exit
    // code 1 tells a calling script that the program did not run.
    if (!qm::startUp(app)) return 1;
    window->rebuildMenus(app.dictionary);  // the dictionary is loaded now
    // The interface images, from the icon folder the preferences name; a missing one is said
    // and shows black.
    window->workSpace().loadIcons(app.prefs.IconPath, [&](const std::string& path) {
        const std::string& error = qm::Text(app.dictionary, "error");
        ui.messageBox(error, error + " : " + path);
    });
    window->applyWorkSpace(app.iface.Interface, app.iface.animationPanel != 0);
    window->applyInterfaceFlags(false, app.iface.statusBar != 0);
    driver->markStartedUp();
    startedUp = true;
    trace("started-up");
    if (splashClosed) openMainWindow();

    const int status = QApplication::exec();
    qm::shutDown(app);
    return status;
}
