#include "gui/work_space.h"

#include <QAbstractButton>
#include <QAction>
#include <QDockWidget>
#include <QFileInfo>
#include <QLabel>
#include <QMainWindow>
#include <QPixmap>
#include <QSplitter>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "gui/gadget_registry.h"
#include "gui/interface_images.h"
#include "platform/paths.h"

namespace qm {

namespace {

// Layout at the default window size (pixels): the side panels' widths, the tool-options
// panel's height and the animation panel's height.
constexpr int kLeftWidth = 180;
constexpr int kRightWidth = 180;
constexpr int kToolOptionsHeight = 450;
constexpr int kAnimationHeight = 130;

struct ToolBarButton {
    int command;  // 0: a separator
    const char* icon;
    const char* tip;
    int columnGadget;  // the tool column's button of the same tool; 0 for none
};

// The tool bar in its order, with the tool column's button for each tool.
constexpr ToolBarButton kToolBar[] = {
    {51, "brush.png", "Brush", 4},
    {0, nullptr, nullptr, 0},
    {52, "line.png", "Line", 5},
    {55, "square.png", "Box", 8},
    {56, "ellipse.png", "Ellipse", 9},
    {0, nullptr, nullptr, 0},
    {57, "fill.png", "FillTool", 10},
    {58, "gradient.png", "Gradient", 11},
    {59, "pattern.png", "Pattern", 12},
    {0, nullptr, nullptr, 0},
    {61, "clear.png", "Clear", 0},
    {60, "eraser.png", "Eraser", 13},
    {0, nullptr, nullptr, 0},
    {62, "move.png", "MoveTool", 17},
    {63, "color_picker.png", "ColorPicker", 14},
    {0, nullptr, nullptr, 0},
    {64, "zoom.png", "Zoom", 16},
    {65, "hand.png", "Hand", 15},
};

QString textOf(const std::map<std::string, std::string>& dictionary, const std::string& key) {
    if (key.empty()) return {};
    if (key.front() == '=') return QString::fromStdString(key.substr(1));
    const auto it = dictionary.find(key);
    return it == dictionary.end() ? QString() : QString::fromStdString(it->second);
}

QDockWidget* dock(QMainWindow& window, const QString& title, const char* name, QWidget* content) {
    auto* d = new QDockWidget(title, &window);
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
    kit_.pages.push_back({colourPages_.color, "=Color"});
    kit_.pages.push_back({colourPages_.swatch, "Swatch"});
    kit_.pages.push_back({colourPages_.roughboard, "Roughboard"});
    kit_.pages.push_back({colourPages_.gradient, "Gradient"});
    auto* left = new QSplitter(Qt::Vertical);
    kit_.note(124, left);
    left->addWidget(toolTabs_);
    left->addWidget(colourTabs_);
    left->setSizes({kToolOptionsHeight, 300});
    left->setMinimumWidth(kLeftWidth);
    leftDock_ = dock(window_, "Tool options", "toolOptions", left);

    // Left, "classic": the tool column; the options bar across the top.
    toolColumn_ = buildToolColumn(kit_);
    columnDock_ = dock(window_, "Tools", "toolColumn", toolColumn_);
    optionsBar_ = new QToolBar("Options", &window_);
    optionsBar_->setObjectName("optionsBar");
    optionsBar_->addWidget(buildOptionsBar(kit_));

    // Right: layer panel 83 above the lower panel 104 (splitter 125).
    QTabWidget* layers = buildLayerPanel(kit_);
    lowerTabs_ = new QTabWidget;
    kit_.note(104, lowerTabs_);
    navigatorPage_ = buildNavigatorPage(kit_);
    kit_.addPage(lowerTabs_, navigatorPage_, "=Navigator");
    auto* right = new QSplitter(Qt::Vertical);
    kit_.note(125, right);
    right->addWidget(layers);
    right->addWidget(lowerTabs_);
    right->setSizes({500, 300});
    right->setMinimumWidth(kRightWidth);
    rightDock_ = dock(window_, "Layers", "layers", right);

    // Bottom: the animation panel.
    QSplitter* animation = buildAnimationPanel(kit_);
    animation->setMinimumHeight(kAnimationHeight - 30);
    animationDock_ = dock(window_, "Animation", "animation", animation);

    window_.addToolBar(Qt::TopToolBarArea, toolBar_);
    window_.addToolBar(Qt::TopToolBarArea, optionsBar_);
    window_.addDockWidget(Qt::LeftDockWidgetArea, leftDock_);
    window_.addDockWidget(Qt::LeftDockWidgetArea, columnDock_);
    window_.addDockWidget(Qt::RightDockWidgetArea, rightDock_);
    window_.addDockWidget(Qt::BottomDockWidgetArea, animationDock_);
    // The side panels run the full height; the animation panel lies between them.
    window_.setCorner(Qt::BottomLeftCorner, Qt::LeftDockWidgetArea);
    window_.setCorner(Qt::BottomRightCorner, Qt::RightDockWidgetArea);
    window_.resizeDocks({leftDock_, rightDock_}, {kLeftWidth, kRightWidth}, Qt::Horizontal);
    window_.resizeDocks({animationDock_}, {kAnimationHeight}, Qt::Vertical);

    // The tool buttons' bars are the work space's to show: the window's bar menu does not
    // offer them, so there is never a second set.
    for (QAction* toggle : {toolBar_->toggleViewAction(), optionsBar_->toggleViewAction(),
                            columnDock_->toggleViewAction()})
        toggle->setVisible(false);

    setMode(1);
}

void WorkSpace::buildToolBar(std::function<void(int)> command) {
    toolBar_ = new QToolBar("Tools", &window_);
    toolBar_->setObjectName("toolBar");
    toolBar_->setIconSize(QSize(24, 24));
    for (const ToolBarButton& b : kToolBar) {
        if (b.command == 0) {
            toolBar_->addSeparator();
            continue;
        }
        QAction* action = toolBar_->addAction(QString());
        action->setCheckable(b.command != 61);  // "clear" acts at once and stays up
        const int id = b.command;
        connect(action, &QAction::triggered, this, [command, id] { command(id); });
        toolActions_[id] = action;
        toolIcons_[action] = b.icon;
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
    for (const PanelGadget& g : kit_.gadgets)
        if (!g.tip.empty()) g.widget->setToolTip(textOf(dictionary, g.tip));
    for (const ToolBarButton& b : kToolBar) {
        if (b.command == 0) continue;
        QString tip = textOf(dictionary, b.tip);
        if (b.command == 51) tip += " (B)";
        toolActions_.at(b.command)->setToolTip(tip);
    }
    for (const PageTitle& p : kit_.pages) {
        auto* tabs = qobject_cast<QTabWidget*>(
            p.page->parentWidget() ? p.page->parentWidget()->parentWidget() : nullptr);
        if (!tabs) continue;
        const int index = tabs->indexOf(p.page);
        if (index >= 0) tabs->setTabText(index, textOf(dictionary, p.title));
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
    } order[] = {{colourPages_.color},
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
    // Titles are given by the kit's page list (applyTexts); these are the built-in ones.
    for (int i = 0; i < target->count(); ++i) {
        QWidget* page = target->widget(i);
        if (page == colourPages_.color) target->setTabText(i, mode == 1 ? "Color" : "color");
        if (page == colourPages_.swatch) target->setTabText(i, "Swatch");
        if (page == colourPages_.roughboard) target->setTabText(i, "Roughboard");
        if (page == colourPages_.gradient) target->setTabText(i, "Gradient");
        if (page == navigatorPage_) target->setTabText(i, "Navigator");
    }
}

void WorkSpace::setMode(int mode, bool again) {
    mode = mode == 0 ? 0 : 1;
    if (mode == mode_ && !again) return;
    if (mode != mode_) placeColourPages(mode);
    mode_ = mode;
    const bool paint = mode == 1;
    toolBar_->setVisible(paint);
    leftDock_->setVisible(paint);
    optionsBar_->setVisible(!paint);
    columnDock_->setVisible(!paint);
    if (paint) {
        window_.resizeDocks({leftDock_}, {kLeftWidth}, Qt::Horizontal);
        lowerTabs_->setCurrentWidget(navigatorPage_);
    } else {
        window_.resizeDocks({columnDock_}, {60}, Qt::Horizontal);
    }
}

void WorkSpace::setAnimationPanelShown(bool shown) {
    // Only a change of the program's flag moves the dock: a dock the user closed by its own
    // button stays closed until the menu item asks for it again.
    if (animationShown_ == int(shown)) return;
    animationShown_ = int(shown);
    animationDock_->setVisible(shown);
}

void WorkSpace::showToolButton(int gadget, bool checked) {
    for (const ToolBarButton& b : kToolBar)
        if (b.command && b.columnGadget == gadget)
            if (QAction* action = toolAction(b.command)) action->setChecked(checked);
}

void WorkSpace::showToolCommand(int commandId, bool checked) {
    if (QAction* action = toolAction(commandId)) action->setChecked(checked);
    for (const ToolBarButton& b : kToolBar) {
        if (b.command != commandId || !b.columnGadget) continue;
        for (const PanelGadget& g : kit_.gadgets) {
            if (g.id != b.columnGadget) continue;
            if (auto* button = qobject_cast<QAbstractButton*>(g.widget))
                if (button->isCheckable()) button->setChecked(checked);
        }
    }
}

}  // namespace qm
