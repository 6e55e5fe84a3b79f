// Layer panel 83: the layer list with its visibility ticks, blend mode, opacity and buttons;
// the brush presets; paper and interface options; the colour readouts.
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "gui/panel_builders.h"
#include "gui/panel_kit.h"

namespace qm {

namespace {

QTreeWidget* tree(PanelKit& kit, int id, std::string tip) {
    auto* w = new QTreeWidget;
    w->setHeaderHidden(true);
    w->setColumnCount(1);
    w->setRootIsDecorated(true);
    w->setMinimumHeight(120);
    kit.note(id, w);
    kit.gadgets.back().tip = std::move(tip);
    return w;
}

// A track bar that shows its value in a label beside it. The label follows every change, those
// the shell makes too (it sets the track bar with its signals blocked).
class ValueTrackBar : public QSlider {
public:
    explicit ValueTrackBar(QLabel* value) : QSlider(Qt::Horizontal), value_(value) {}

protected:
    void sliderChange(SliderChange change) override {
        QSlider::sliderChange(change);
        if (change == SliderValueChange || change == SliderRangeChange) value_->setNum(value());
    }

private:
    QLabel* value_;
};

// The layer opacity track bar (0..255) with its value.
QWidget* opacityRow(PanelKit& kit) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    auto* value = new QLabel;
    value->setObjectName("LayerOpacityValue");
    value->setMinimumWidth(value->fontMetrics().horizontalAdvance("0000"));
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* track = new ValueTrackBar(value);
    track->setRange(0, 255);
    track->setFixedSize(100, 20);
    kit.note(86, track);
    kit.gadgets.back().tip = "LayerOpacity";
    value->setNum(track->value());
    layout->addWidget(track);
    layout->addWidget(value);
    layout->addStretch();
    return row;
}

QWidget* layersPage(PanelKit& kit) {
    auto* w = new QWidget;
    auto* layout = new QVBoxLayout(w);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(kit.combo(
        85,
        {"Normal", "Multiply", "Add", "Screen", "Overlay", "Invert", "Color Burn", "Dissolve",
         "Difference", "Exclusion", "Lighten", "Darken", "HardLight", "ClearLight", "ColorLight"},
        100, "LayerBlendMode"));
    layout->addWidget(opacityRow(kit));
    layout->addWidget(tree(kit, 84, "LayerList"), 1);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(5);
    buttons->addWidget(kit.button(87, "=+", QSize(20, 20), "AddnewLayer"));
    buttons->addWidget(kit.button(88, "=-", QSize(20, 20), "DelLayer"));
    buttons->addWidget(kit.imageButton(89, "file.ico", QSize(16, 16), false, "AddGroup"));
    buttons->addWidget(kit.button(90, "=^", QSize(20, 20), "MoveLayerTop"));
    buttons->addWidget(kit.button(91, "=v", QSize(20, 20), "MoveLayerBottom"));
    buttons->addStretch();
    layout->addLayout(buttons);
    return w;
}

QWidget* presetPage(PanelKit& kit) {
    auto* w = new QWidget;
    auto* layout = new QVBoxLayout(w);
    layout->setContentsMargins(5, 6, 5, 6);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(kit.button(93, "BtnOpen", QSize(35, 20), "LoadPreset"));
    buttons->addWidget(kit.button(95, "BtnSave", QSize(35, 20), "SavePreset"));
    buttons->addWidget(kit.button(94, "Export", QSize(35, 20), "ExportPreset"));
    buttons->addStretch();
    layout->addLayout(buttons);
    layout->addWidget(tree(kit, 92, "PresetList"), 1);
    QLabel* name = kit.text(96, "Nom Brush");
    name->setFrameStyle(QFrame::Box | QFrame::Plain);
    layout->addWidget(name);
    return w;
}

QWidget* optionsPage(PanelKit& kit) {
    auto* w = new QWidget;
    auto* layout = new QVBoxLayout(w);
    layout->setContentsMargins(5, 6, 5, 6);
    QGroupBox* paper = kit.frame(97, "PaperFrame");
    auto* p = new QHBoxLayout(paper);
    p->addWidget(kit.button(99, "=<", QSize(20, 20), "PaperPrevious"));
    p->addWidget(kit.button(98, "=>", QSize(20, 20), "PaperNext"));
    p->addStretch();
    layout->addWidget(paper);
    QGroupBox* ui = kit.frame(100, "UI");
    auto* u = new QHBoxLayout(ui);
    u->addWidget(kit.button(101, "Color BG", QSize(50, 20), "CanvasColorBG"));
    u->addStretch();
    layout->addWidget(ui);
    layout->addStretch();
    return w;
}

QWidget* infosPage(PanelKit& kit) {
    auto* w = new QWidget;
    auto* layout = new QVBoxLayout(w);
    layout->setContentsMargins(5, 25, 5, 6);
    layout->addWidget(kit.text(102, ""));
    layout->addWidget(kit.text(103, ""));
    layout->addStretch();
    return w;
}

}  // namespace

QTabWidget* buildLayerPanel(PanelKit& kit) {
    auto* tabs = new QTabWidget;
    kit.note(83, tabs);
    kit.addPage(tabs, layersPage(kit), "Layers");
    kit.addPage(tabs, presetPage(kit), "Preset");
    kit.addPage(tabs, optionsPage(kit), "Options");
    kit.addPage(tabs, infosPage(kit), "Infos");
    return tabs;
}

}  // namespace qm
