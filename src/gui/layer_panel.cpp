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
#include "shell/gadget_table.h"

namespace qm {

namespace {

QTreeWidget* tree(PanelKit& kit, Gadget gadget) {
    auto* w = new QTreeWidget;
    w->setHeaderHidden(true);
    w->setColumnCount(1);
    w->setRootIsDecorated(true);
    w->setMinimumHeight(120);
    kit.note(gadget, w);  // with its tool tip
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

// The layer opacity track bar with its value.
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
    const GadgetRow& range = *gadgetRow(Gadget::LayerOpacity);
    track->setRange(range.min, range.max);
    track->setFixedSize(100, 20);
    kit.note(Gadget::LayerOpacity, track);
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
    layout->addWidget(kit.combo(Gadget::LayerBlendMode, 100));
    layout->addWidget(opacityRow(kit));
    layout->addWidget(tree(kit, Gadget::LayerTree), 1);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(5);
    buttons->addWidget(kit.button(Gadget::AddnewLayer, "=+", QSize(20, 20)));
    buttons->addWidget(kit.button(Gadget::DelLayer, "=-", QSize(20, 20)));
    buttons->addWidget(kit.imageButton(Gadget::AddGroup, "file.ico", QSize(16, 16), false));
    buttons->addWidget(kit.button(Gadget::MoveLayerTop, "=^", QSize(20, 20)));
    buttons->addWidget(kit.button(Gadget::MoveLayerBottom, "=v", QSize(20, 20)));
    buttons->addStretch();
    layout->addLayout(buttons);
    return w;
}

QWidget* presetPage(PanelKit& kit) {
    auto* w = new QWidget;
    auto* layout = new QVBoxLayout(w);
    layout->setContentsMargins(5, 6, 5, 6);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(kit.button(Gadget::LoadPreset, "BtnOpen", QSize(35, 20)));
    buttons->addWidget(kit.button(Gadget::SavePreset, "BtnSave", QSize(35, 20)));
    buttons->addWidget(kit.button(Gadget::ExportPreset, "Export", QSize(35, 20)));
    buttons->addStretch();
    layout->addLayout(buttons);
    layout->addWidget(tree(kit, Gadget::PresetTree), 1);
    QLabel* name = kit.text(Gadget::PresetName, "Nom Brush");
    name->setFrameStyle(QFrame::Box | QFrame::Plain);
    layout->addWidget(name);
    return w;
}

QWidget* optionsPage(PanelKit& kit) {
    auto* w = new QWidget;
    auto* layout = new QVBoxLayout(w);
    layout->setContentsMargins(5, 6, 5, 6);
    QGroupBox* paper = kit.frame(Gadget::PaperFrame, "PaperFrame");
    auto* p = new QHBoxLayout(paper);
    p->addWidget(kit.button(Gadget::PaperPrevious, "=<", QSize(20, 20)));
    p->addWidget(kit.button(Gadget::PaperNext, "=>", QSize(20, 20)));
    p->addStretch();
    layout->addWidget(paper);
    QGroupBox* ui = kit.frame(Gadget::InterfaceFrame, "UI");
    auto* u = new QHBoxLayout(ui);
    u->addWidget(kit.button(Gadget::ColorBG, "Color BG", QSize(50, 20)));
    u->addStretch();
    layout->addWidget(ui);
    layout->addStretch();
    return w;
}

QWidget* infosPage(PanelKit& kit) {
    auto* w = new QWidget;
    auto* layout = new QVBoxLayout(w);
    layout->setContentsMargins(5, 25, 5, 6);
    layout->addWidget(kit.text(Gadget::InfoForeground, ""));
    layout->addWidget(kit.text(Gadget::InfoBackground, ""));
    layout->addStretch();
    return w;
}

}  // namespace

QTabWidget* buildLayerPanel(PanelKit& kit) {
    auto* tabs = new QTabWidget;
    kit.note(Gadget::LayerPanel, tabs);
    kit.addPage(tabs, layersPage(kit), "Layers");
    kit.addPage(tabs, presetPage(kit), "Preset");
    kit.addPage(tabs, optionsPage(kit), "Options");
    kit.addPage(tabs, infosPage(kit), "Infos");
    return tabs;
}

}  // namespace qm
