// The main loop's semantics on Qt's event loop.
//
// Every way into the shell -- menu commands, control events, canvas events, the main window's
// close request and the idle pass -- goes through here, for three reasons:
// - the idle pass (playback step and "Mouse : x/y" readout) runs from a 1 ms timer instead of a
//   polling loop, so the GUI thread never blocks;
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

#include "shell/app.h"

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
    };
    using ShellStateFn = std::function<ShellState()>;

    // Connects the window's commands, canvas events and close requests, the dialogs' close
    // requests and the Ui's control events to the shell. The idle timer starts with start().
    LoopDriver(App& app, MainWindow& window, QtUi& ui, ShellStateFn state);

    // Start-up has run: from now on a resized canvas is recomposed at its new size.
    void markStartedUp() { startedUp_ = true; }
    // Begins the idle passes (the loop proper; the window is shown).
    void start();
    bool running() const { return timer_.isActive(); }

    void sendCommand(int commandId);
    void sendControl(const ControlEvent& event);
    void sendCanvas(const CanvasEvent& event);
    // The main window's close request; true when the window may close.
    bool requestClose();
    void idle();
    void canvasResized();

    // The number of idle passes made so far (tests see the loop turning).
    long long passes() const { return passes_; }

private:
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
    bool resizePending_ = false;  // a resize arrived while the shell was busy
    long long passes_ = 0;
};

}  // namespace qm
