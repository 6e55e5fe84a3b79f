// The tool-options panel ("paint"), the options bar and the tool column ("classic").
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "gui/panel_builders.h"
#include "gui/panel_kit.h"
#include "shell/commands/tool_table.h"

namespace qm {

namespace {

QWidget* page(QVBoxLayout*& layout) {
    auto* w = new QWidget;
    layout = new QVBoxLayout(w);
    layout->setContentsMargins(5, 5, 5, 5);
    layout->setSpacing(4);
    return w;
}

QVBoxLayout* frameLayout(QGroupBox* frame) {
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(3);
    return layout;
}

// A caption and a control on one row.
QWidget* labelled(PanelKit& kit, std::string caption, QWidget* control) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    QLabel* label = kit.label(std::move(caption));
    label->setMinimumWidth(44);
    layout->addWidget(label);
    layout->addWidget(control);
    layout->addStretch();
    return row;
}

QWidget* brushTab(PanelKit& kit) {
    QVBoxLayout* layout = nullptr;
    QWidget* w = page(layout);
    auto* top = new QHBoxLayout;
    top->addWidget(kit.combo(Gadget::BrushMode, 70));
    top->addWidget(kit.combo(Gadget::BrushType, 90));
    top->addStretch();
    layout->addLayout(top);
    auto* pas = new QHBoxLayout;
    pas->addWidget(labelled(kit, "Pas", kit.spin(Gadget::PasOfBrush, 40)));
    pas->addWidget(kit.check(Gadget::Hard, "Hard"));
    pas->addStretch();
    layout->addLayout(pas);

    QGroupBox* size = kit.frame(Gadget::BrushSizeFrame, "Brush Size");
    QVBoxLayout* sizeLayout = frameLayout(size);
    sizeLayout->addWidget(kit.spinTrackRow(Gadget::BrushSize, Gadget::BrushSizeTrack));
    auto* wh = new QHBoxLayout;
    wh->addWidget(labelled(kit, "W", kit.spin(Gadget::BrushWidth, 35)));
    wh->addWidget(labelled(kit, "H", kit.spin(Gadget::BrushHeight, 35)));
    sizeLayout->addLayout(wh);
    auto* rnd = new QHBoxLayout;
    rnd->addWidget(labelled(kit, "Rnd", kit.spin(Gadget::BrushSizeRnd, 35)));
    rnd->addWidget(kit.spin(Gadget::BrushSizeRndFactor, 35));
    sizeLayout->addLayout(rnd);
    auto* time = new QHBoxLayout;
    time->addWidget(labelled(kit, "Time", kit.spin(Gadget::BrushSizeVsTime, 40)));
    time->addWidget(kit.spin(Gadget::BrushSizeVsTimeFactor, 35));
    sizeLayout->addLayout(time);
    layout->addWidget(size);

    QGroupBox* custom = kit.frame(Gadget::CircleCustomFrame, "Circle Custom");
    QVBoxLayout* customLayout = frameLayout(custom);
    for (const Gadget g :
         {Gadget::GradientCustomBrush1, Gadget::GradientCustomBrush2, Gadget::GradientCustomBrush3,
          Gadget::AlphaCustomBrush1, Gadget::AlphaCustomBrush2, Gadget::AlphaCustomBrush3})
        customLayout->addWidget(kit.track(g, 150));
    layout->addWidget(custom);
    layout->addStretch();
    return w;
}

QWidget* alphaTab(PanelKit& kit) {
    QVBoxLayout* layout = nullptr;
    QWidget* w = page(layout);
    QGroupBox* opacity = kit.frame(Gadget::OpacityFrame, "Opacity");
    QVBoxLayout* inner = frameLayout(opacity);
    inner->addWidget(kit.spinTrackRow(Gadget::BrushAlpha, Gadget::BrushAlphaTrack));
    inner->addWidget(kit.check(Gadget::KeepAlpha, "Keep Alpha"));
    auto* jitter = new QHBoxLayout;
    jitter->addWidget(labelled(kit, "Time", kit.spin(Gadget::OpacityJitter, 40)));
    jitter->addWidget(kit.spin(Gadget::OpacityJitterFactor, 35));
    inner->addLayout(jitter);
    layout->addWidget(opacity);
    layout->addStretch();
    return w;
}

// What the pen does to the dabs: pressure, tilt and the steady line.
QGroupBox* penFrame(PanelKit& kit) {
    auto* pen = new QGroupBox;  // a frame without a gadget of its own
    kit.caption(pen, "Pen");
    QVBoxLayout* inner = frameLayout(pen);
    inner->addWidget(kit.check(Gadget::SizeVsPressure, "SizeVsPressure"));
    inner->addWidget(kit.check(Gadget::AlphaVsPressure, "AlphaVsPressure"));
    inner->addWidget(kit.check(Gadget::RotateVsTilt, "RotateVsTilt"));
    inner->addWidget(labelled(kit, "Stabiliser", kit.track(Gadget::Stabiliser, 100)));
    return pen;
}

QWidget* dynTab(PanelKit& kit) {
    QVBoxLayout* layout = nullptr;
    QWidget* w = page(layout);
    QGroupBox* rotation = kit.frame(Gadget::RotationFrame, "Rotation");
    QHBoxLayout* rot = new QHBoxLayout(rotation);
    rot->addWidget(kit.spin(Gadget::Rotation, 40));
    rot->addWidget(labelled(kit, "Rnd", kit.spin(Gadget::RandomRotation, 40)));
    rot->addStretch();
    layout->addWidget(rotation);
    QGroupBox* scatter = kit.frame(Gadget::ScatterFrame, "Scatter");
    QVBoxLayout* sc = frameLayout(scatter);
    sc->addWidget(kit.spinTrackRow(Gadget::IntensityOfScatter, Gadget::IntensityOfScatterTrack));
    sc->addWidget(kit.check(Gadget::ScatterLinkToSize, "Link to Size"));
    layout->addWidget(scatter);
    layout->addWidget(penFrame(kit));
    layout->addStretch();
    return w;
}

QWidget* colourTab(PanelKit& kit) {
    QVBoxLayout* layout = nullptr;
    QWidget* w = page(layout);
    QGroupBox* mix = kit.frame(Gadget::ColorMixFrame, "Color Mix");
    QVBoxLayout* m = frameLayout(mix);
    m->addWidget(kit.spinTrackRow(Gadget::MixPercent, Gadget::MixPercentTrack));
    m->addWidget(kit.spinTrackRow(Gadget::Viscosity, Gadget::ViscosityTrack));
    layout->addWidget(mix);
    QGroupBox* water = kit.frame(Gadget::WaterFrame, "Water");
    frameLayout(water)->addWidget(kit.spinTrackRow(Gadget::BrushWater, Gadget::BrushWaterTrack));
    layout->addWidget(water);
    layout->addStretch();
    return w;
}

}  // namespace

QTabWidget* buildToolOptionsTabs(PanelKit& kit) {
    auto* tabs = new QTabWidget;
    kit.note(Gadget::OptionsPanel, tabs);
    kit.addPage(tabs, brushTab(kit), "Brush");
    kit.addPage(tabs, alphaTab(kit), "Alpha");
    kit.addPage(tabs, dynTab(kit), "Dyn");
    kit.addPage(tabs, colourTab(kit), "Color");
    return tabs;
}

QWidget* buildOptionsBar(PanelKit& kit) {
    // The same gadgets as the tabs', shown again: the registry keeps both in step.
    kit.mirrors = true;
    auto* bar = new QWidget;
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(5, 2, 5, 2);
    layout->setSpacing(8);
    layout->addWidget(kit.combo(Gadget::BrushMode, 50));
    layout->addWidget(kit.combo(Gadget::BrushType, 50));
    layout->addWidget(kit.track(Gadget::BrushAlphaTrack, 100));
    layout->addWidget(kit.spin(Gadget::BrushSize, 50));
    layout->addWidget(kit.spin(Gadget::BrushWidth, 35));
    layout->addWidget(kit.spin(Gadget::BrushHeight, 35));
    layout->addWidget(kit.check(Gadget::KeepAlpha, "Keep Alpha"));
    // Ticked whenever the rotation is not 0: the shell sets it from the rotation.
    layout->addWidget(kit.check(Gadget::Rotation, "Rotate"));
    layout->addWidget(kit.spin(Gadget::IntensityOfScatter, 50));
    layout->addWidget(kit.spin(Gadget::PasOfBrush, 40));
    layout->addWidget(kit.spin(Gadget::MixPercent, 35));
    layout->addWidget(kit.spin(Gadget::OpacityJitter, 40));
    layout->addWidget(kit.spin(Gadget::OpacityJitterFactor, 40));
    layout->addStretch();
    kit.mirrors = false;
    return bar;
}

QWidget* buildToolColumn(PanelKit& kit) {
    auto* column = new QWidget;
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* grid = new QGridLayout;
    grid->setSpacing(1);
    // Two columns, in the order of the rows; all but "clear" show which tool is current. The
    // buttons' ids, icons and tips are the tool table's.
    const Tool cells[] = {
        Tool::Brush, Tool::Line,        Tool::Box,    Tool::Ellipse,  Tool::Fill,
        Tool::Clear, Tool::Move,        Tool::Eraser, Tool::Gradient, Tool::Pattern,
        Tool::Hand,  Tool::ColorPicker, Tool::Zoom,
    };
    int index = 0;
    for (const Tool tool : cells) {
        const ToolRow& row = *toolRow(tool);
        const bool toggle = !row.onSelect;
        grid->addWidget(
            kit.imageButton(row.columnGadget, row.icon, QSize(25, 25), toggle, row.tip, toggle),
            index / 2, index % 2);
        ++index;
    }
    layout->addLayout(grid);
    layout->addSpacing(6);
    // The colour cell starts black; the program repaints it.
    auto* colour = static_cast<QToolButton*>(kit.image(20, QSize(25, 25), true, "ForegroundColor"));
    QPixmap black(25, 25);
    black.fill(Qt::black);
    colour->setIcon(QIcon(black));
    layout->addWidget(colour, 0, Qt::AlignHCenter);
    kit.mirrors = true;  // the brush preview is also on the "Color" page
    layout->addWidget(kit.image(81, QSize(48, 48)), 0, Qt::AlignHCenter);
    kit.mirrors = false;
    layout->addStretch();
    return column;
}

}  // namespace qm
