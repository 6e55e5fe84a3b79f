// The builders of the main window's panels. Each makes its widgets through the kit, which
// notes every gadget with its id and tool tip; the work space (gui/work_space.h) places them.
#pragma once

#include <QString>

class QAction;
class QSplitter;
class QTabWidget;
class QToolBar;
class QWidget;

namespace qm {

class PanelKit;

// Tool-options panel of the "paint" work space: tabs "Brush", "Alpha", "Dyn", "Color".
QTabWidget* buildToolOptionsTabs(PanelKit& kit);
// The one-row options bar of the "classic" work space (mirrors of the tabs' controls).
QWidget* buildOptionsBar(PanelKit& kit);
// The column of tool buttons of the "classic" work space, with the colour and brush previews.
QWidget* buildToolColumn(PanelKit& kit);

// The colour pages: "Color" (previews, brush preview, colour picker), swatch, roughboard and
// gradient. They sit in panel 30 ("paint") or in the lower right panel ("classic").
struct ColourPages {
    QWidget* colour = nullptr;
    QWidget* swatch = nullptr;
    QWidget* roughboard = nullptr;
    QWidget* gradient = nullptr;
};
ColourPages buildColourPages(PanelKit& kit);
QWidget* buildNavigatorPage(PanelKit& kit);

// Layer panel 83: "Layers", "Preset", "Options", "Infos".
QTabWidget* buildLayerPanel(PanelKit& kit);

// Animation panel: splitter 126 of the animation-layer list and the frames.
QSplitter* buildAnimationPanel(PanelKit& kit);

}  // namespace qm
