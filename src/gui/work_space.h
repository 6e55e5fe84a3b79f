// The main window's furniture around the canvas: the tool bar or the tool column, the docked
// panels, and the two work spaces that arrange them.
//
// "paint" (1): tool bar across the top; tool-options and colour panels on the left.
// "classic" (0): options bar across the top and the tool column on the left; the colour pages
// move into the lower right panel, before "Navigator".
//
// Every panel is built once and registered under its gadget ids; switching work spaces shows
// and hides docks and bars, so there is never a second set of tool buttons or controls, and the
// controls keep their values. The tool bar's buttons and the tool column's show the current
// tool together (see showToolButton / showToolCommand), whichever one the program set.
#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "gui/panel_builders.h"
#include "gui/panel_kit.h"

class QAction;
class QDockWidget;
class QMainWindow;
class QSplitter;
class QTabWidget;
class QToolBar;

namespace qm {

class GadgetRegistry;

class WorkSpace : public QObject {
    Q_OBJECT
public:
    // Builds every panel into `window`; the tool bar's buttons send their command ids to
    // `command`.
    WorkSpace(QMainWindow& window, std::function<void(int)> command);

    // Registers every gadget of the panels (the tool-bar buttons are commands, not gadgets).
    void registerGadgets(GadgetRegistry& registry) const;
    // Tool tips and tab titles from the dictionary (a key it lacks gives an empty text).
    void applyTexts(const std::map<std::string, std::string>& dictionary);
    // Loads the interface images from the icon folder: a missing file is reported through
    // `missing` with its path and shows as a black square of its size.
    void loadIcons(const std::string& iconFolder,
                   const std::function<void(const std::string& path)>& missing);

    int mode() const { return mode_; }
    // Arranges the window for work space `mode`; `again` shows its bars and docks even when
    // the mode is the one in use (the menu item chosen again restores what the user closed).
    void setMode(int mode, bool again = false);
    void setAnimationPanelShown(bool shown);

    // The program set a tool button of the column (gadgets 4-17) or a tool-bar button (command
    // ids 51-65): both sets follow.
    void showToolButton(int gadget, bool checked);
    void showToolCommand(int commandId, bool checked);

    QToolBar* toolBar() const { return toolBar_; }
    QAction* toolAction(int commandId) const;
    QWidget* toolColumn() const { return toolColumn_; }
    QToolBar* optionsBar() const { return optionsBar_; }
    QDockWidget* toolOptionsDock() const { return leftDock_; }
    QDockWidget* toolColumnDock() const { return columnDock_; }
    QDockWidget* layerDock() const { return rightDock_; }
    // The lower right panel (104): the navigator, and the colour pages in "classic".
    QDockWidget* navigatorDock() const { return lowerDock_; }
    // "Show the Layer Panel": the layer panel's dock is shown again wherever it was.
    void showLayerPanel();
    QDockWidget* animationDock() const { return animationDock_; }
    const PanelKit& kit() const { return kit_; }

private:
    void buildToolBar(std::function<void(int)> command);
    // The window's state and place before panels change, and its restoring afterwards.
    struct WindowPlace {
        bool visible = false;
        Qt::WindowStates state;
        QRect geometry;
    };
    WindowPlace windowPlace() const;
    void keepWindowPlace(const WindowPlace& place);
    void placeColourPages(int mode);
    void applyPageTitles();

    QMainWindow& window_;
    PanelKit kit_;
    int mode_ = -1;
    int animationShown_ = -1;
    QToolBar* toolBar_ = nullptr;
    std::map<int, QAction*> toolActions_;
    std::map<QAction*, QString> toolIcons_;
    QToolBar* optionsBar_ = nullptr;
    QWidget* toolColumn_ = nullptr;
    QDockWidget* leftDock_ = nullptr;
    QDockWidget* columnDock_ = nullptr;
    QDockWidget* rightDock_ = nullptr;
    QDockWidget* lowerDock_ = nullptr;
    QDockWidget* animationDock_ = nullptr;
    QTabWidget* toolTabs_ = nullptr;
    QTabWidget* colourTabs_ = nullptr;  // panel 30
    QTabWidget* lowerTabs_ = nullptr;   // panel 104
    ColourPages colourPages_;
    QWidget* navigatorPage_ = nullptr;
    std::map<std::string, std::string> texts_;  // the dictionary the texts were last given
};

}  // namespace qm
