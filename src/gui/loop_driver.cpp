#include "gui/loop_driver.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QWidget>

#include "gui/canvas_widget.h"
#include "gui/main_window.h"
#include "gui/qt_ui.h"
#include "gui/work_space.h"
#include "shell/commands/document_commands.h"

namespace qm {

LoopDriver::LoopDriver(App& app, MainWindow& window, QtUi& ui, ShellStateFn state)
    : app_(app), window_(window), state_(std::move(state)) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &LoopDriver::idle);
    connect(&window_, &MainWindow::commandTriggered, this, &LoopDriver::sendCommand);
    window_.canvas().setCanvasSink([this](const CanvasEvent& event) { sendCanvas(event); });
    connect(&window_.canvas(), &CanvasWidget::resized, this, &LoopDriver::canvasResized);
    window_.setCloseFilter([this] { return requestClose(); });
    ui.gadgets().setControlSink([this](const ControlEvent& event) { sendControl(event); });
    ui.setWindowCloseSink([this](int number) { enterShell([&] { onCloseWindow(app_, number); }); });
    // Every widget of the window reports pointer moves, so the readout follows the pointer
    // over the panels too (only while it moves: nothing is sent while it rests).
    window_.setMouseTracking(true);
    for (QWidget* child : window_.findChildren<QWidget*>()) child->setMouseTracking(true);
    qApp->installEventFilter(this);
}

LoopDriver::~LoopDriver() {
    window_.canvas().setCanvasSink({});
}

void LoopDriver::start() {
    started_ = true;
    scheduleIdle(0);
}

void LoopDriver::scheduleIdle(int ms) {
    if (!started_ || closing_ || ms < 0) return;
    if (timer_.isActive() && timer_.remainingTime() <= ms) return;
    timer_.start(ms);
}

bool LoopDriver::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseMove && type != QEvent::Leave) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != &window_) return false;
    const QPoint pointer = type == QEvent::Leave && widget == &window_
                               ? QPoint(-1, -1)
                               : window_.clientPosition(QCursor::pos());
    if (pointer.x() != pointerX_ || pointer.y() != pointerY_) {
        pointerX_ = pointer.x();
        pointerY_ = pointer.y();
        scheduleIdle(0);
    }
    return false;
}

template <typename Call>
void LoopDriver::enterShell(Call&& call) {
    // An event that arrives while the shell waits in a dialog would run the shell inside
    // itself; the program never takes events in that state, so it is dropped.
    if (depth_ > 0 || closing_) return;
    ++depth_;
    call();
    if (focusLostPending_) {  // the dialog the call waited in took the keyboard
        focusLostPending_ = false;
        onCanvasEvent(app_, CanvasEvent{.type = CanvasEventType::FocusOut});
    }
    --depth_;
    const ShellState state = state_();
    window_.applyInterfaceFlags(state.fullScreen, state.statusBarShown);
    window_.applyWorkSpace(state.workSpace, state.animationPanelShown);
    quitIfRequested();
    // After an event, one idle pass; after an idle pass, the next when the shell wants one.
    scheduleIdle(inIdle_ ? idleWaitMs(app_) : 0);
}

void LoopDriver::sendCommand(int commandId) {
    enterShell([&] { onMenuCommand(app_, commandId); });
    // "WorkSpace Paint" / "WorkSpace Classic" chosen again restores the work space's panels.
    if (commandId == kWorkSpacePaint || commandId == kWorkSpaceClassic)
        window_.workSpace().setMode(state_().workSpace, true);
    // The docks are the window's: "Show the Layer Panel" brings back the one the user closed.
    if (commandId == kShowPanelLayer) window_.workSpace().showLayerPanel();
}

void LoopDriver::sendOpenFile(const std::string& path) {
    enterShell([&] { openFileFromCommandLine(app_, path); });
}

void LoopDriver::sendControl(const ControlEvent& event) {
    enterShell([&] { onControlEvent(app_, event); });
}

void LoopDriver::sendCanvas(const CanvasEvent& event) {
    // The canvas loses the focus to the dialogs the shell waits in; the keys released there
    // are forgotten once the shell is back.
    if (event.type == CanvasEventType::FocusOut && depth_ > 0) {
        focusLostPending_ = true;
        return;
    }
    enterShell([&] { onCanvasEvent(app_, event); });
}

void LoopDriver::idle() {
    if (depth_ > 0 || closing_) return;
    if (resizePending_) canvasResized();
    ++passes_;
    inIdle_ = true;
    enterShell([&] { idlePass(app_, pointerX_, pointerY_); });
    inIdle_ = false;
}

// The canvas control changes size when the window is maximised or resized, or its panels are;
// the view keeps its centre and the frame is composed again for the new size.
void LoopDriver::canvasResized() {
    if (!startedUp_) return;
    resizePending_ = true;
    if (depth_ > 0) return;  // the next idle pass catches up
    resizePending_ = false;
    enterShell([&] { onCanvasResized(app_); });
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
