#include "gui/loop_driver.h"

#include <QCoreApplication>
#include <QCursor>

#include "gui/canvas_widget.h"
#include "gui/main_window.h"
#include "gui/qt_ui.h"
#include "shell/canvas_frame.h"

namespace qm {

LoopDriver::LoopDriver(App& app, MainWindow& window, QtUi& ui, ShellStateFn state)
    : app_(app), window_(window), state_(std::move(state)) {
    timer_.setInterval(1);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &LoopDriver::idle);
    connect(&window_, &MainWindow::commandTriggered, this, &LoopDriver::sendCommand);
    window_.canvas().setCanvasSink([this](const CanvasEvent& event) { sendCanvas(event); });
    connect(&window_.canvas(), &CanvasWidget::resized, this, &LoopDriver::canvasResized);
    window_.setCloseFilter([this] { return requestClose(); });
    ui.gadgets().setControlSink([this](const ControlEvent& event) { sendControl(event); });
    ui.setWindowCloseSink(
        [this](int number) { enterShell([&] { onCloseWindow(app_, number); }); });
}

void LoopDriver::start() {
    timer_.start();
}

template <typename Call>
void LoopDriver::enterShell(Call&& call) {
    // An event that arrives while the shell waits in a dialog would run the shell inside
    // itself; the program never takes events in that state, so it is dropped.
    if (depth_ > 0 || closing_) return;
    ++depth_;
    call();
    --depth_;
    const ShellState state = state_();
    window_.applyInterfaceFlags(state.fullScreen, state.statusBarShown);
    quitIfRequested();
}

void LoopDriver::sendCommand(int commandId) {
    enterShell([&] { onMenuCommand(app_, commandId); });
}

void LoopDriver::sendControl(const ControlEvent& event) {
    enterShell([&] { onControlEvent(app_, event); });
}

void LoopDriver::sendCanvas(const CanvasEvent& event) {
    enterShell([&] { onCanvasEvent(app_, event); });
}

void LoopDriver::idle() {
    if (depth_ > 0 || closing_) return;
    if (resizePending_) canvasResized();
    const QPoint pointer = window_.clientPosition(QCursor::pos());
    ++passes_;
    enterShell([&] { idlePass(app_, pointer.x(), pointer.y()); });
}

// The canvas control changes size when the window is maximised or resized; the frame is then
// composed again for the new size.
void LoopDriver::canvasResized() {
    if (!startedUp_) return;
    resizePending_ = true;
    if (depth_ > 0) return;  // the next idle pass catches up
    resizePending_ = false;
    enterShell([&] { recomposeView(app_, false); });
}

bool LoopDriver::requestClose() {
    if (closing_) return true;
    if (depth_ > 0) return false;
    ++depth_;
    onCloseWindow(app_, 0);
    --depth_;
    if (!state_().quitRequested) return false;
    closing_ = true;
    timer_.stop();
    QCoreApplication::quit();
    return true;
}

void LoopDriver::quitIfRequested() {
    if (closing_ || !state_().quitRequested) return;
    closing_ = true;
    timer_.stop();
    window_.close();
    QCoreApplication::quit();
}

}  // namespace qm
