#include "gui/work_space.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDockWidget>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QMainWindow>
#include <QPixmap>
#include <QProxyStyle>
#include <QScreen>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "gui/gadget_registry.h"
#include "gui/interface_images.h"
#include "platform/paths.h"
#include "shell/commands/tool_table.h"
#include "shell/settings/dictionary.h"

namespace qm {

namespace {

// Layout at the default window size (pixels): the side panels' widths, the tool-options
// panel's height and the animation panel's height.
constexpr int kLeftWidth = 180;
constexpr int kRightWidth = 180;
constexpr int kToolOptionsHeight = 450;
constexpr int kAnimationHeight = 130;

// Tabs with less room around their titles than the style's own, so that a panel holds every
// title whole without growing much.
class CompactTabStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        if (metric == PM_TabBarTabHSpace) return 12;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

QString textOf(const std::map<std::string, std::string>& dictionary, const std::string& key) {
    if (key.empty()) return {};
    if (key.front() == '=') return QString::fromStdString(key.substr(1));
    const auto it = dictionary.find(key);
    return it == dictionary.end() ? QString() : QString::fromStdString(it->second);
}

QDockWidget* dock(QMainWindow& window, const char* name, QWidget* content) {
    auto* d = new QDockWidget(&window);
    d->setObjectName(name);
    d->setWidget(content);
    d->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                   QDockWidget::DockWidgetFloatable);
    return d;
}

}  // namespace

WorkSpace::WorkSpace(QMainWindow& window, std::function<void(int)> command) : window_(window) {
    buildToolBar(std::move(command));

    // Left, "paint": the tool options above the colour panel (splitter 124).
    toolTabs_ = buildToolOptionsTabs(kit_);
    colourTabs_ = new QTabWidget;
    kit_.note(30, colourTabs_);
    colourPages_ = buildColourPages(kit_);
    kit_.pages.push_back({colourPages_.colour, "Color"});
    kit_.pages.push_back({colourPages_.swatch, "Swatch"});
    kit_.pages.push_back({colourPages_.roughboard, "Roughboard"});
    kit_.pages.push_back({colourPages_.gradient, "Gradient"});
    auto* left = new QSplitter(Qt::Vertical);
    kit_.note(124, left);
    left->addWidget(toolTabs_);
    left->addWidget(colourTabs_);
    left->setSizes({kToolOptionsHeight, 300});
    leftDock_ = dock(window_, "toolOptions", left);
    kit_.caption(leftDock_, "Tool options");

    // Left, "classic": the tool column; the options bar across the top.
    toolColumn_ = buildToolColumn(kit_);
    columnDock_ = dock(window_, "toolColumn", toolColumn_);
    kit_.caption(columnDock_, "Tools");
    optionsBar_ = new QToolBar(&window_);
    optionsBar_->setObjectName("optionsBar");
    kit_.caption(optionsBar_, "Options");
    optionsBar_->addWidget(buildOptionsBar(kit_));

    // Right: layer panel 83 above the lower panel 104, each in a dock of its own, so that
    // closing one leaves the other. The dock area's separator between them is splitter 125.
    QTabWidget* layers = buildLayerPanel(kit_);
    rightDock_ = dock(window_, "layers", layers);
    kit_.caption(rightDock_, "Layers");
    lowerTabs_ = new QTabWidget;
    kit_.note(104, lowerTabs_);
    navigatorPage_ = buildNavigatorPage(kit_);
    kit_.addPage(lowerTabs_, navigatorPage_, "NavigatorTitle");
    lowerDock_ = dock(window_, "navigator", lowerTabs_);
    kit_.caption(lowerDock_, "NavigatorTitle");
    kit_.note(125, lowerDock_);

    // Bottom: the animation panel.
    QSplitter* animation = buildAnimationPanel(kit_);
    animation->setMinimumHeight(kAnimationHeight - 30);
    animationDock_ = dock(window_, "animation", animation);
    kit_.caption(animationDock_, "Animation");

    // Every title of a tab shows whole: a tab bar is as wide as its titles, and the panel
    // follows (the titles' widths depend on the language).
    auto* compact = new CompactTabStyle;
    compact->setParent(this);
    for (QTabWidget* tabs : window_.findChildren<QTabWidget*>()) {
        tabs->setElideMode(Qt::ElideNone);
        tabs->setUsesScrollButtons(false);
        tabs->tabBar()->setStyle(compact);
    }

    window_.addToolBar(Qt::TopToolBarArea, toolBar_);
    window_.addToolBar(Qt::TopToolBarArea, optionsBar_);
    window_.addDockWidget(Qt::LeftDockWidgetArea, leftDock_);
    window_.addDockWidget(Qt::LeftDockWidgetArea, columnDock_);
    window_.addDockWidget(Qt::RightDockWidgetArea, rightDock_);
    window_.splitDockWidget(rightDock_, lowerDock_, Qt::Vertical);
    window_.addDockWidget(Qt::BottomDockWidgetArea, animationDock_);
    // The side panels run the full height; the animation panel lies between them.
    window_.setCorner(Qt::BottomLeftCorner, Qt::LeftDockWidgetArea);
    window_.setCorner(Qt::BottomRightCorner, Qt::RightDockWidgetArea);
    window_.resizeDocks({leftDock_, rightDock_}, {kLeftWidth, kRightWidth}, Qt::Horizontal);
    window_.resizeDocks({rightDock_, lowerDock_}, {500, 300}, Qt::Vertical);
    window_.resizeDocks({animationDock_}, {kAnimationHeight}, Qt::Vertical);

    // The tool buttons' bars are the work space's to show: the window's bar menu does not
    // offer them, so there is never a second set.
    for (QAction* toggle : {toolBar_->toggleViewAction(), optionsBar_->toggleViewAction(),
                            columnDock_->toggleViewAction()})
        toggle->setVisible(false);

    setMode(1);
    // The built-in English texts until the program gives the dictionary it loaded.
    Dictionary builtin;
    loadBuiltinDictionary(builtin);
    applyTexts(builtin);
}

void WorkSpace::buildToolBar(std::function<void(int)> command) {
    toolBar_ = new QToolBar(&window_);
    toolBar_->setObjectName("toolBar");
    kit_.caption(toolBar_, "Tools");
    toolBar_->setIconSize(QSize(24, 24));
    // The tool table's rows with a button, in its order.
    for (const ToolRow& row : toolTable()) {
        if (!row.icon) continue;
        if (row.separatorBefore) toolBar_->addSeparator();
        QAction* action = toolBar_->addAction(QString());
        action->setCheckable(!row.onSelect);  // "clear" acts at once and stays up
        const int id = qm::id(row.command);
        connect(action, &QAction::triggered, this, [command, id] { command(id); });
        toolActions_[id] = action;
        toolIcons_[action] = row.icon;
    }
}

QAction* WorkSpace::toolAction(int commandId) const {
    const auto it = toolActions_.find(commandId);
    return it == toolActions_.end() ? nullptr : it->second;
}

void WorkSpace::registerGadgets(GadgetRegistry& registry) const {
    for (const PanelGadget& g : kit_.gadgets)
        if (!g.mirror) registry.add(g.id, g.widget);
    for (const PanelGadget& g : kit_.gadgets)
        if (g.mirror) registry.addMirror(g.id, g.widget);
}

void WorkSpace::applyTexts(const std::map<std::string, std::string>& dictionary) {
    texts_ = dictionary;
    for (const PanelGadget& g : kit_.gadgets)
        if (!g.tip.empty()) g.widget->setToolTip(textOf(dictionary, g.tip));
    for (const ToolRow& row : toolTable()) {
        if (!row.icon) continue;
        QString tip = textOf(dictionary, row.tip);
        if (row.tool == Tool::Brush) tip += QString(" (%1)").arg(QChar(row.shortcut));
        toolActions_.at(id(row.command))->setToolTip(tip);
    }
    for (const Caption& c : kit_.captions) {
        const QString text = textOf(dictionary, c.key);
        if (auto* combo = qobject_cast<QComboBox*>(c.widget)) {
            if (c.item >= 0 && c.item < combo->count()) combo->setItemText(c.item, text);
        } else if (auto* group = qobject_cast<QGroupBox*>(c.widget)) {
            group->setTitle(text);
        } else if (auto* button = qobject_cast<QAbstractButton*>(c.widget)) {
            button->setText(text);
        } else if (auto* label = qobject_cast<QLabel*>(c.widget)) {
            label->setText(text);
        } else {
            c.widget->setWindowTitle(text);  // a dock's or a bar's title
        }
    }
    applyPageTitles();
    // The tool column is as wide as its dock's title (and the dock's buttons) need.
    toolColumn_->setMinimumWidth(
        toolColumn_->fontMetrics().horizontalAdvance(columnDock_->windowTitle()) + 48);
}

void WorkSpace::applyPageTitles() {
    for (const PageTitle& p : kit_.pages) {
        auto* tabs = qobject_cast<QTabWidget*>(
            p.page->parentWidget() ? p.page->parentWidget()->parentWidget() : nullptr);
        if (!tabs) continue;
        const int index = tabs->indexOf(p.page);
        if (index >= 0) tabs->setTabText(index, textOf(texts_, p.title));
    }
}

void WorkSpace::loadIcons(const std::string& iconFolder,
                          const std::function<void(const std::string& path)>& missing) {
    const QImage selected = loadInterfaceImage(iconFolder, "selected.png", {25, 25}, missing);
    std::map<QString, QImage> loaded;
    const auto image = [&](const QString& file) -> const QImage& {
        auto it = loaded.find(file);
        if (it == loaded.end())
            it =
                loaded.emplace(file, loadInterfaceImage(iconFolder, file, {25, 25}, missing)).first;
        return it->second;
    };
    // The 2x image beside it (name@2x.png), when the folder has one, for dense screens.
    const auto dense = [&](const QString& file) {
        QFileInfo info(file);
        const std::string stored =
            iconFolder + "/" + (info.completeBaseName() + "@2x." + info.suffix()).toStdString();
        QImage twice(QString::fromStdString(resolvePath(stored)));
        if (!twice.isNull()) twice.setDevicePixelRatio(2.0);
        return twice;
    };
    const auto icon = [&](const QString& file, bool tool) {
        QIcon result =
            tool ? toolButtonIcon(image(file), selected) : QIcon(QPixmap::fromImage(image(file)));
        const QImage twice = dense(file);
        if (!twice.isNull()) {
            QImage selectedTwice =
                selected.scaled(twice.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            selectedTwice.setDevicePixelRatio(2.0);
            if (tool) {
                QImage off = toolButtonImage(twice, selectedTwice, false);
                QImage on = toolButtonImage(twice, selectedTwice, true);
                off.setDevicePixelRatio(2.0);
                on.setDevicePixelRatio(2.0);
                result.addPixmap(QPixmap::fromImage(off), QIcon::Normal, QIcon::Off);
                result.addPixmap(QPixmap::fromImage(on), QIcon::Normal, QIcon::On);
            } else {
                result.addPixmap(QPixmap::fromImage(twice));
            }
        }
        return result;
    };
    for (const IconUse& use : kit_.icons) use.button->setIcon(icon(use.file, use.tool));
    for (const auto& [action, file] : toolIcons_) action->setIcon(icon(file, true));
    // Images shown by image gadgets rather than buttons.
    for (const PanelGadget& g : kit_.gadgets) {
        auto* label = qobject_cast<QLabel*>(g.widget);
        if (!label) continue;
        if (g.id == 154) label->setPixmap(QPixmap::fromImage(image("onion.png")));
        if (g.id == 118) label->setPixmap(QPixmap::fromImage(image("select.png")));
    }
}

void WorkSpace::placeColourPages(int mode) {
    const struct {
        QWidget* page;
    } order[] = {{colourPages_.colour},
                 {colourPages_.swatch},
                 {colourPages_.roughboard},
                 {colourPages_.gradient}};
    QTabWidget* target = mode == 1 ? colourTabs_ : lowerTabs_;
    // "classic" shows the picker last, before the navigator; "paint" shows it first.
    const int pages = 4;
    for (int i = 0; i < pages; ++i) {
        QWidget* page = order[mode == 1 ? i : (i + 1) % pages].page;
        for (QTabWidget* from : {colourTabs_, lowerTabs_}) {
            const int at = from->indexOf(page);
            if (at >= 0) from->removeTab(at);
        }
        target->insertTab(i, page, QString());
    }
    // The pages keep the titles the dictionary gave them, wherever they are.
    applyPageTitles();
}

void WorkSpace::setMode(int mode, bool again) {
    mode = mode == 0 ? 0 : 1;
    if (mode == mode_ && !again) return;
    const WindowPlace place = windowPlace();
    if (mode != mode_) placeColourPages(mode);
    mode_ = mode;
    const bool paint = mode == 1;
    toolBar_->setVisible(paint);
    leftDock_->setVisible(paint);
    optionsBar_->setVisible(!paint);
    columnDock_->setVisible(!paint);
    if (again) {
        rightDock_->setVisible(true);
        lowerDock_->setVisible(true);
    }
    // The side panels as narrow as their contents allow.
    if (paint) {
        window_.resizeDocks({leftDock_, rightDock_}, {kLeftWidth, kRightWidth}, Qt::Horizontal);
        lowerTabs_->setCurrentWidget(navigatorPage_);
    } else {
        window_.resizeDocks({columnDock_, rightDock_}, {60, kRightWidth}, Qt::Horizontal);
    }
    keepWindowPlace(place);
}

void WorkSpace::showLayerPanel() {
    const WindowPlace place = windowPlace();
    rightDock_->setVisible(true);
    rightDock_->raise();  // in front, when it was tabbed with another dock or floats
    keepWindowPlace(place);
}

WorkSpace::WindowPlace WorkSpace::windowPlace() const {
    return {window_.isVisible(), window_.windowState(), window_.geometry()};
}

// Panels shown or hidden change the window's minimum size; the window keeps its place: a
// maximised or full-screen window stays so, and any window stays within the screen's work area.
void WorkSpace::keepWindowPlace(const WindowPlace& place) {
    if (!place.visible) return;
    if (QLayout* layout = window_.layout()) layout->activate();
    if (place.state & (Qt::WindowMaximized | Qt::WindowFullScreen)) {
        if (window_.windowState() != place.state) window_.setWindowState(place.state);
    }
    QScreen* screen = window_.screen();
    if (!screen) return;
    const QRect area =
        place.state & Qt::WindowFullScreen ? screen->geometry() : screen->availableGeometry();
    const QRect frame = window_.frameGeometry();
    if (area.contains(frame)) return;
    // The frame's edges (title bar, borders) stay; the client area shrinks to fit.
    const QMargins edges(
        window_.geometry().left() - frame.left(), window_.geometry().top() - frame.top(),
        frame.right() - window_.geometry().right(), frame.bottom() - window_.geometry().bottom());
    const QRect fitted = (place.state & (Qt::WindowMaximized | Qt::WindowFullScreen))
                             ? area.marginsRemoved(edges)
                             : place.geometry.intersected(area.marginsRemoved(edges));
    window_.setGeometry(fitted.isEmpty() ? area.marginsRemoved(edges) : fitted);
}

void WorkSpace::setAnimationPanelShown(bool shown) {
    // Only a change of the program's flag moves the dock: a dock the user closed by its own
    // button stays closed until the menu item asks for it again.
    if (animationShown_ == int(shown)) return;
    animationShown_ = int(shown);
    animationDock_->setVisible(shown);
}

void WorkSpace::showToolButton(int gadget, bool checked) {
    if (const ToolRow* row = toolOfButton(gadget); row && !row->onSelect)
        if (QAction* action = toolAction(id(row->command))) action->setChecked(checked);
}

void WorkSpace::showToolCommand(int commandId, bool checked) {
    if (QAction* action = toolAction(commandId)) action->setChecked(checked);
    if (const ToolRow* row = toolOfCommand(commandId); row && row->icon && !row->onSelect) {
        for (const PanelGadget& g : kit_.gadgets) {
            if (g.id != row->columnGadget) continue;
            if (auto* button = qobject_cast<QAbstractButton*>(g.widget))
                if (button->isCheckable()) button->setChecked(checked);
        }
    }
}

}  // namespace qm
