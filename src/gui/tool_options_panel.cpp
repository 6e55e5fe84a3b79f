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
#include "shell/panels/brush_fields.h"

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
    top->addWidget(
        kit.combo(32, {"Brush", "Pencil", "Eraser", "Water", "Smudge"}, 70, "BrushMode"));
    top->addWidget(kit.combo(33,
                             {"Circle Hard", "Box", "Ellipse", "BrushCustom", "Circle Shine",
                              "Circle Soft", "Circle Custom"},
                             90, "BrushType"));
    top->addStretch();
    layout->addLayout(top);
    auto* pas = new QHBoxLayout;
    pas->addWidget(labelled(kit, "Pas", kit.spin(52, 0, 255, 40, "PasOfBrush")));
    pas->addWidget(kit.check(53, "Hard", "BrushHard"));
    pas->addStretch();
    layout->addLayout(pas);

    QGroupBox* size = kit.frame(43, "Brush Size");
    QVBoxLayout* sizeLayout = frameLayout(size);
    sizeLayout->addWidget(kit.spinTrackRow(44, 45, 1, 5000, 300, "BrushSize"));
    auto* wh = new QHBoxLayout;
    wh->addWidget(labelled(kit, "W", kit.spin(46, 1, 100, 35, "BrushWidth")));
    wh->addWidget(labelled(kit, "H", kit.spin(47, 1, 100, 35, "BrushHeight")));
    sizeLayout->addLayout(wh);
    auto* rnd = new QHBoxLayout;
    rnd->addWidget(labelled(kit, "Rnd", kit.spin(48, 0, 100, 35, "BrushSizeRnd")));
    rnd->addWidget(kit.spin(49, 0, 100, 35, "BrushSizeRndFactor"));
    sizeLayout->addLayout(rnd);
    auto* time = new QHBoxLayout;
    time->addWidget(labelled(kit, "Time", kit.spin(50, 0, 10000, 40, "BrushSizeVsTime")));
    time->addWidget(kit.spin(51, 0, 15, 35, "BrushSizeVsTimeFactor"));
    sizeLayout->addLayout(time);
    layout->addWidget(size);

    QGroupBox* custom = kit.frame(36, "Circle Custom");
    QVBoxLayout* customLayout = frameLayout(custom);
    for (const int id : {37, 38, 39})
        customLayout->addWidget(kit.track(id, 0, 100, 150, "GradientCustomBrush"));
    for (const int id : {40, 41, 42})
        customLayout->addWidget(kit.track(id, 0, 255, 150, "AlphaCustomBrush"));
    layout->addWidget(custom);
    layout->addStretch();
    return w;
}

QWidget* alphaTab(PanelKit& kit) {
    QVBoxLayout* layout = nullptr;
    QWidget* w = page(layout);
    QGroupBox* opacity = kit.frame(54, "Opacity");
    QVBoxLayout* inner = frameLayout(opacity);
    inner->addWidget(kit.spinTrackRow(56, 55, 0, 255, 255, "BrushAlpha"));
    inner->addWidget(kit.check(60, "Keep Alpha", "LayerKeepAlpha"));
    auto* jitter = new QHBoxLayout;
    jitter->addWidget(labelled(kit, "Time", kit.spin(58, 0, 10000, 40, "OpacityJitter")));
    jitter->addWidget(kit.spin(59, kOpacityJitterFactorInTab.min, kOpacityJitterFactorInTab.max, 35,
                               "OpacityJitterFactor"));
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
    inner->addWidget(kit.check(350, "SizeVsPressure", "SizeVsPressureTip"));
    inner->addWidget(kit.check(351, "AlphaVsPressure", "AlphaVsPressureTip"));
    inner->addWidget(kit.check(352, "RotateVsTilt", "RotateVsTiltTip"));
    inner->addWidget(labelled(kit, "Stabiliser", kit.track(353, 0, 100, 100, "StabiliserTip")));
    return pen;
}

QWidget* dynTab(PanelKit& kit) {
    QVBoxLayout* layout = nullptr;
    QWidget* w = page(layout);
    QGroupBox* rotation = kit.frame(73, "Rotation");
    QHBoxLayout* rot = new QHBoxLayout(rotation);
    rot->addWidget(kit.spin(74, 0, 360, 40, "RotationOfBrush"));
    rot->addWidget(labelled(kit, "Rnd", kit.spin(75, 0, 360, 40, "RandomRotationOfBrush")));
    rot->addStretch();
    layout->addWidget(rotation);
    QGroupBox* scatter = kit.frame(76, "Scatter");
    QVBoxLayout* sc = frameLayout(scatter);
    sc->addWidget(kit.spinTrackRow(78, 79, 0, 1000, 1000, "IntensityOfScatter"));
    QCheckBox* link = kit.check(80, "Link to Size", "ScatterLinkToSize");
    sc->addWidget(link);
    layout->addWidget(scatter);
    layout->addWidget(penFrame(kit));
    layout->addStretch();
    return w;
}

QWidget* colourTab(PanelKit& kit) {
    QVBoxLayout* layout = nullptr;
    QWidget* w = page(layout);
    QGroupBox* mix = kit.frame(64, "Color Mix");
    QVBoxLayout* m = frameLayout(mix);
    m->addWidget(kit.spinTrackRow(65, 66, 0, 100, 100, "MixPercent"));
    m->addWidget(kit.spinTrackRow(68, 69, 0, 1000, 1000, "Viscosity"));
    layout->addWidget(mix);
    QGroupBox* water = kit.frame(70, "Water");
    frameLayout(water)->addWidget(kit.spinTrackRow(71, 72, 0, 255, 255, "BrushWater"));
    layout->addWidget(water);
    layout->addStretch();
    return w;
}

}  // namespace

QTabWidget* buildToolOptionsTabs(PanelKit& kit) {
    auto* tabs = new QTabWidget;
    kit.note(29, tabs);
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
    layout->addWidget(kit.combo(32, {"Brush", "Pencil", "Eraser"}, 50, "BrushMode"));
    layout->addWidget(kit.combo(33, {"Sh_circle", "Box", "Ellipse", "Custom"}, 50, "BrushType"));
    layout->addWidget(kit.track(55, 0, 255, 100, "BrushAlpha"));
    layout->addWidget(kit.spin(44, 1, 5000, 50, "BrushSize"));
    layout->addWidget(kit.spin(46, 1, 100, 35, "BrushWidth"));
    layout->addWidget(kit.spin(47, 1, 100, 35, "BrushHeight"));
    layout->addWidget(kit.check(60, "Keep Alpha", "LayerKeepAlpha"));
    // Ticked whenever the rotation is not 0: the shell sets it from the rotation.
    layout->addWidget(kit.check(74, "Rotate", "RotationOfBrush"));
    layout->addWidget(kit.spin(78, 0, 1000, 50, "IntensityOfScatter"));
    layout->addWidget(kit.spin(52, 0, 255, 40, "PasOfBrush"));
    layout->addWidget(kit.spin(65, 0, 100, 35, "MixPercent"));
    layout->addWidget(kit.spin(58, 0, 10000, 40, "OpacityJitter"));
    layout->addWidget(kit.spin(59, kOpacityJitterFactorInBar.min, kOpacityJitterFactorInBar.max, 40,
                               "OpacityJitterFactor"));
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
    struct Cell {
        int id;
        const char* icon;
        bool toggle;
        const char* tip;
    };
    // Two columns, in the order of the rows; all but "clear" show which tool is current.
    const Cell cells[] = {
        {4, "brush.png", true, "Brush"},        {5, "line.png", true, "Line"},
        {8, "square.png", true, "Box"},         {9, "ellipse.png", true, "Ellipse"},
        {10, "fill.png", true, "FillTool"},     {18, "clear.png", false, "Clear"},
        {17, "move.png", true, "MoveTool"},     {13, "eraser.png", true, "Eraser"},
        {11, "gradient.png", true, "Gradient"}, {12, "pattern.png", true, "Pattern"},
        {15, "hand.png", true, "Hand"},         {14, "color_picker.png", true, "ColorPicker"},
        {16, "zoom.png", true, "Zoom"},
    };
    int index = 0;
    for (const Cell& c : cells) {
        grid->addWidget(kit.imageButton(c.id, c.icon, QSize(25, 25), c.toggle, c.tip, c.toggle),
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
