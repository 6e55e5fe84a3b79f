// The main loop's semantics on Qt's event loop.
//
// Every way into the shell -- menu commands, control events, canvas events, the main window's
// close request and the idle pass -- goes through here, for three reasons:
// - the idle pass (playback step and "Mouse : x/y" readout) runs only when something asks for
//   it: once after each event, when the pointer moves over the window, and when the shell says a
//   playback frame or a recovery copy is due (idleWaitMs), from a single-shot timer re-armed
//   after each pass. A program with nothing to do wakes up for nothing;
// - the shell is never re-entered: while it waits in a modal dialog (a nested event loop), idle
//   passes and any stray event are held back;
// - after each call, a quit asked for by the shell closes the window and ends the Qt loop.
//
// The driver holds the App only to hand it events; what it must know of the shell's state
// after a call (quit asked for, full screen, status bar shown) it asks of the ShellState
// function it is given, so it never reads the shell's records itself.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

#include "shell/events.h"

namespace qm {

class MainWindow;
class QtUi;

class LoopDriver : public QObject {
    Q_OBJECT
public:
    // What the window follows after each call into the shell.
    struct ShellState {
        bool quitRequested = false;
        bool fullScreen = false;
        bool statusBarShown = true;
        int workSpace = 1;  // 1 "paint", 0 "classic"
        bool animationPanelShown = true;
    };
    using ShellStateFn = std::function<ShellState()>;

    // Connects the window's commands, canvas events and close requests, the dialogs' close
    // requests and the Ui's control events to the shell. The idle timer starts with start().
    LoopDriver(App& app, MainWindow& window, QtUi& ui, ShellStateFn state);
    // The window outlives the driver: its canvas stops reporting here (closing the window
    // takes the focus from the canvas, which it would report).
    ~LoopDriver() override;

    // Start-up has run: from now on a resized canvas is recomposed at its new size.
    void markStartedUp() { startedUp_ = true; }
    // Begins the idle passes (the loop proper; the window is shown).
    void start();
    bool running() const { return started_ && !closing_; }

    void sendCommand(int commandId);
    void sendControl(const ControlEvent& event);
    void sendCanvas(const CanvasEvent& event);
    // A file named on the command line, opened as Open or Open as would open it.
    void sendOpenFile(const std::string& path);
    // The main window's close request; true when the window may close.
    bool requestClose();
    void idle();
    void canvasResized();

    // The number of idle passes made so far (tests see the loop turning).
    long long passes() const { return passes_; }
    // Whether an idle pass is armed (tests see the loop asleep).
    bool idleArmed() const { return timer_.isActive(); }

protected:
    // Pointer moves over the main window give the "Mouse : x/y" readout.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static constexpr int kWorkSpacePaint = 75, kWorkSpaceClassic = 76, kShowPanelLayer = 73;
    // Arms the idle pass in `ms` milliseconds (an earlier one armed stays); -1 arms nothing.
    void scheduleIdle(int ms);
    template <typename Call>
    void enterShell(Call&& call);
    void quitIfRequested();

    App& app_;  // handed to the shell's entry points, never read here
    MainWindow& window_;
    ShellStateFn state_;
    QTimer timer_;
    int depth_ = 0;         // calls into the shell in progress (more than one only via dialogs)
    bool closing_ = false;  // the window is being closed because the shell asked to quit
    bool startedUp_ = false;
    bool resizePending_ = false;     // a resize arrived while the shell was busy
    bool focusLostPending_ = false;  // the canvas lost the focus while the shell was busy
    bool started_ = false;
    bool inIdle_ = false;
    int pointerX_ = -1, pointerY_ = -1;  // client position of the pointer, -1/-1 outside
    long long passes_ = 0;
};

}  // namespace qm
