// The program's main window (window 0): the menu bar and popups built from the menu tables, the
// keyboard accelerators, the painting canvas and a status bar of four fixed-width fields.
//
// The window only reports what the user does -- commands by id, canvas events, close requests
// -- and shows what it is told; the loop driver decides what happens.
#pragma once

#include <QMainWindow>
#include <QPoint>
#include <array>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "shell/menu_table.h"

class QLabel;
class QProgressBar;
class QShortcut;

namespace qm {

class CanvasWidget;
class WorkSpace;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kStatusFields = 4;
    static constexpr std::array<int, kStatusFields> kStatusFieldWidths{100, 250, 150, 150};

    // The menus start with the tables' own texts; rebuildMenus gives them the dictionary's.
    explicit MainWindow(const QString& title, QWidget* parent = nullptr);

    // Builds the menu bar and popups again with the texts of `dictionary` (once start-up has
    // loaded it, or after a change of language), keeping each item's check mark and enabled
    // state. An empty dictionary stands for none loaded: the tables' texts are used.
    void rebuildMenus(const std::map<std::string, std::string>& dictionary);
    QAction* menuAction(int commandId) const;
    // Popup 1 (animation-layer kinds) or 2 (blend modes); nullptr for any other number.
    QMenu* popupMenu(int number) const;
    const std::multimap<int, QShortcut*>& accelerators() const { return accelerators_; }

    CanvasWidget& canvas() const { return *canvas_; }
    // The tool bar, tool column and panels around the canvas.
    WorkSpace& workSpace() const { return *workSpace_; }
    // Follows the work space ("Interface": 1 paint, 0 classic) and the animation panel's flag.
    void applyWorkSpace(int mode, bool animationPanelShown);

    void setStatusText(int field, const QString& text);
    void setStatusProgress(int field, int value, int maximum);
    QString statusText(int field) const;

    // Sizes the window to the first screen's work area and lays it out without showing it, so
    // the canvas size is known before start-up centres the document.
    void prepareGeometry();
    // Shows the window maximised on the first screen, or borderless and full-screen.
    void openMaximized(bool fullScreen = false);
    // Follows the interface flags the shell toggles ("Fullscreen", "StatusBar"); does nothing
    // while the window is hidden except remembering the status bar's visibility.
    void applyInterfaceFlags(bool fullScreen, bool statusBarShown);

    // Client-area coordinates (the window below its menu bar) of a global point, or -1/-1 when
    // the point is outside the client area.
    QPoint clientPosition(const QPoint& global) const;
    // The colour shown at client point (x, y) as an rgb value with alpha 0; nullopt outside.
    std::optional<uint32_t> clientPixel(int x, int y);

    // Asked on every close request: the window closes only when it returns true.
    void setCloseFilter(std::function<bool()> filter) { closeFilter_ = std::move(filter); }

signals:
    void commandTriggered(int commandId);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildAccelerators();
    void buildStatusBar();
    int clientTop() const;

    CanvasWidget* canvas_ = nullptr;
    WorkSpace* workSpace_ = nullptr;
    std::map<int, QAction*> actions_;
    std::map<int, QMenu*> popups_;
    std::multimap<int, QShortcut*> accelerators_;  // a command may have several keys
    std::vector<Accelerator> padAccelerators_;  // numeric-pad keys, matched by eventFilter
    std::array<QLabel*, kStatusFields> statusLabels_{};
    std::array<QProgressBar*, kStatusFields> statusProgress_{};
    std::function<bool()> closeFilter_;
};

}  // namespace qm
