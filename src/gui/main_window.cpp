#include "gui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>

#include "gui/canvas_widget.h"
#include "gui/key_codes.h"
#include "gui/menu_builder.h"
#include "gui/work_space.h"

namespace qm {
namespace {

const QColor kWindowColour(224, 223, 227);

QScreen* firstScreen() {
    const QList<QScreen*> screens = QGuiApplication::screens();
    return screens.isEmpty() ? QGuiApplication::primaryScreen() : screens.first();
}

}  // namespace

MainWindow::MainWindow(const QString& title, QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(title);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kWindowColour);
    setPalette(pal);

    canvas_ = new CanvasWidget(CanvasWidget::Role::Painting, this);
    setCentralWidget(canvas_);

    rebuildMenus({});
    buildAccelerators();
    buildStatusBar();
    workSpace_ = new WorkSpace(*this, [this](int id) { emit commandTriggered(id); });
    workSpace_->setParent(this);
}

void MainWindow::applyWorkSpace(int mode, bool animationPanelShown) {
    workSpace_->setMode(mode);
    workSpace_->setAnimationPanelShown(animationPanelShown);
}

void MainWindow::rebuildMenus(const std::map<std::string, std::string>& dictionary) {
    struct ItemState {
        bool checked, enabled;
    };
    std::map<int, ItemState> kept;
    for (const auto& [id, action] : actions_) kept[id] = {action->isChecked(), action->isEnabled()};

    menuBar()->clear();
    for (auto& [number, popup] : popups_) popup->deleteLater();
    popups_.clear();
    actions_.clear();

    // A key the dictionary lacks shows empty, as everywhere in the program; before start-up has
    // loaded any dictionary the tables' own texts stand in. An item without a key is looked up
    // by its text, which the dictionary translates when it has it.
    const MenuTextFn textOf = [&dictionary](const MenuEntry& entry) {
        if (!entry.key || !*entry.key || dictionary.empty()) {
            const auto it = dictionary.find(entry.defaultText);
            return QString::fromUtf8(it == dictionary.end() || it->second.empty()
                                         ? entry.defaultText
                                         : it->second.c_str());
        }
        const auto it = dictionary.find(entry.key);
        return it == dictionary.end() ? QString() : QString::fromStdString(it->second);
    };
    const CommandFn send = [this](int id) { emit commandTriggered(id); };
    buildMenuBar(*menuBar(), mainMenuTable(), textOf, send, actions_);
    for (const auto& [number, table] :
         {std::pair{1, layerKindPopupTable()}, std::pair{2, blendModePopupTable()}}) {
        auto* popup = new QMenu(this);
        buildPopupMenu(*popup, table, textOf, send, actions_);
        popups_[number] = popup;
    }

    if (workSpace_) workSpace_->applyTexts(dictionary);

    for (const auto& [id, state] : kept) {
        if (QAction* action = menuAction(id)) {
            action->setChecked(state.checked);
            action->setEnabled(state.enabled);
        }
    }
}

QAction* MainWindow::menuAction(int commandId) const {
    const auto it = actions_.find(commandId);
    return it == actions_.end() ? nullptr : it->second;
}

QMenu* MainWindow::popupMenu(int number) const {
    const auto it = popups_.find(number);
    return it == popups_.end() ? nullptr : it->second;
}

// Accelerators are separate from the menu items: a menu caption such as "K" or "0" is only a
// caption, and a key may be bound that no item shows.
//
// Keys of the numeric pad are matched here by their virtual key code instead: Qt's shortcut
// matching drops the keypad modifier on some platforms, so a QShortcut for "pad /" never fires
// there (and one for "/" would also take the main keyboard's slash).
void MainWindow::buildAccelerators() {
    for (const Accelerator& accelerator : acceleratorTable()) {
        if (accelerator.key >= 0x60 && accelerator.key <= 0x6F) {
            padAccelerators_.push_back(accelerator);
            continue;
        }
        const QKeySequence sequence = acceleratorSequence(accelerator);
        if (sequence.isEmpty()) continue;
        auto* shortcut = new QShortcut(sequence, this);
        shortcut->setAutoRepeat(false);
        const int id = accelerator.id;
        connect(shortcut, &QShortcut::activated, this, [this, id] { emit commandTriggered(id); });
        accelerators_.emplace(id, shortcut);
    }
    if (!padAccelerators_.empty()) qApp->installEventFilter(this);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this || !(key->modifiers() & Qt::KeypadModifier))
        return false;
    const int code = virtualKeyFromQt(key->key(), key->modifiers());
    const bool ctrl = key->modifiers() & Qt::ControlModifier;
    const bool alt = key->modifiers() & Qt::AltModifier;
    const bool shift = key->modifiers() & Qt::ShiftModifier;
    for (const Accelerator& accelerator : padAccelerators_) {
        if (accelerator.key != code || accelerator.ctrl != ctrl || accelerator.alt != alt ||
            accelerator.shift != shift)
            continue;
        // The painting canvas has its own meaning for pad + and - (zoom in steps of 10); it
        // keeps them while it has the focus.
        if (widget == canvas_ && (code == vk::Add || code == vk::Subtract)) return false;
        if (!key->isAutoRepeat()) emit commandTriggered(accelerator.id);
        return true;
    }
    return false;
}

void MainWindow::buildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setSizeGripEnabled(false);
    for (int field = 0; field < kStatusFields; ++field) {
        auto* label = new QLabel(bar);
        // The last field (notes such as what is being painted) also takes what the bar has
        // left, so a longer note is not cut at its width.
        const bool last = field == kStatusFields - 1;
        label->setMinimumWidth(kStatusFieldWidths[size_t(field)]);
        if (!last) label->setMaximumWidth(kStatusFieldWidths[size_t(field)]);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        auto* progress = new QProgressBar(bar);
        progress->setFixedWidth(kStatusFieldWidths[size_t(field)]);
        progress->setTextVisible(false);
        progress->hide();
        bar->addWidget(label, last ? 1 : 0);
        bar->addWidget(progress);
        statusLabels_[size_t(field)] = label;
        statusProgress_[size_t(field)] = progress;
    }
}

void MainWindow::setStatusText(int field, const QString& text) {
    if (field < 0 || field >= kStatusFields) return;
    QLabel* label = statusLabels_[size_t(field)];
    statusProgress_[size_t(field)]->hide();
    label->show();
    if (label->text() != text) label->setText(text);  // written on every loop pass
}

void MainWindow::setStatusProgress(int field, int value, int maximum) {
    if (field < 0 || field >= kStatusFields) return;
    QProgressBar* progress = statusProgress_[size_t(field)];
    statusLabels_[size_t(field)]->hide();
    progress->setRange(0, std::max(maximum, 1));
    progress->setValue(std::clamp(value, 0, std::max(maximum, 1)));
    progress->show();
}

QString MainWindow::statusText(int field) const {
    if (field < 0 || field >= kStatusFields) return {};
    return statusLabels_[size_t(field)]->text();
}

void MainWindow::prepareGeometry() {
    if (QScreen* screen = firstScreen()) setGeometry(screen->availableGeometry());
    if (layout()) layout()->activate();
}

void MainWindow::openMaximized(bool fullScreen) {
    if (QScreen* screen = firstScreen()) {
        setScreen(screen);
        setGeometry(fullScreen ? screen->geometry() : screen->availableGeometry());
    }
    // Without a window manager "maximised" means nothing, so the geometry above already fills
    // the work area.
    if (fullScreen)
        showFullScreen();
    else
        showMaximized();
    raise();
    activateWindow();
}

void MainWindow::applyInterfaceFlags(bool fullScreen, bool statusBarShown) {
    if (statusBar()->isVisibleTo(this) != statusBarShown) statusBar()->setVisible(statusBarShown);
    if (isVisible() && isFullScreen() != fullScreen) openMaximized(fullScreen);
}

int MainWindow::clientTop() const {
    const QMenuBar* bar = menuBar();
    return bar && bar->isVisible() && !bar->isNativeMenuBar() ? bar->height() : 0;
}

QPoint MainWindow::clientPosition(const QPoint& global) const {
    const QPoint p = mapFromGlobal(global) - QPoint(0, clientTop());
    const bool inside = isVisible() && p.x() >= 0 && p.y() >= 0 && p.x() < width() &&
                        p.y() < height() - clientTop();
    return inside ? p : QPoint(-1, -1);
}

std::optional<uint32_t> MainWindow::clientPixel(int x, int y) {
    const QPoint p(x, y + clientTop());
    if (x < 0 || y < 0 || !rect().contains(p)) return std::nullopt;
    const QImage shown = grab(QRect(p, QSize(1, 1))).toImage();
    if (shown.isNull()) return std::nullopt;
    const QRgb c = shown.pixel(0, 0);
    return uint32_t(qRed(c)) | uint32_t(qGreen(c)) << 8 | uint32_t(qBlue(c)) << 16;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (closeFilter_ && !closeFilter_()) {
        event->ignore();
        return;
    }
    event->accept();
}

}  // namespace qm
