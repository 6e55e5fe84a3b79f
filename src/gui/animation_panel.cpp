// The animation panel: the animation-layer list (left) and the frames with the timeline
// (right), both drawn by the program on panel canvases.
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QSpinBox>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

#include "gui/canvas_widget.h"
#include "gui/panel_builders.h"
#include "gui/panel_kit.h"

namespace qm {

namespace {

constexpr QColor kTimelineGrey(170, 170, 170);

QWidget* layersSide(PanelKit& kit) {
    auto* w = new QWidget;
    kit.note(Gadget::AnimationLayers, w);
    auto* layout = new QVBoxLayout(w);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(kit.imageButton(Gadget::AddLayerAnim, "addkey.png", QSize(22, 22), false));
    buttons->addWidget(kit.imageButton(Gadget::DelLayerAnim, "delkey.png", QSize(22, 22), false));
    buttons->addStretch();
    layout->addLayout(buttons);
    CanvasWidget* list = kit.canvas(Gadget::AnimationLayerList, QSize(2000, 130));
    list->setBackground(QColor(160, 160, 160));
    QScrollArea* area = kit.scroll(Gadget::AnimationLayerScroll, list);
    layout->addWidget(area, 1);
    return w;
}

QWidget* framesSide(PanelKit& kit) {
    auto* w = new QWidget;
    kit.note(Gadget::AnimationFrames, w);
    auto* layout = new QVBoxLayout(w);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    auto* row = new QHBoxLayout;
    row->setSpacing(4);
    row->addWidget(kit.imageButton(Gadget::AddFrame, "addkey.png", QSize(22, 22), false));
    row->addWidget(kit.imageButton(Gadget::DelFrame, "delkey.png", QSize(22, 22), false));
    QWidget* onion = kit.image(Gadget::OnionIcon, QSize(24, 24));
    static_cast<QLabel*>(onion)->setFrameStyle(QFrame::NoFrame);
    row->addWidget(onion);
    row->addWidget(kit.spin(Gadget::OnionBefore, 35));
    row->addWidget(kit.spin(Gadget::OnionAfter, 35));
    row->addSpacing(10);
    row->addWidget(kit.spin(Gadget::FrameStart, 60));
    row->addWidget(kit.spin(Gadget::CurrentFrame, 60));
    row->addWidget(kit.spin(Gadget::FrameEnd, 60));
    row->addSpacing(10);
    row->addWidget(kit.imageButton(Gadget::Stop, "stop.png", QSize(25, 25), false));
    row->addWidget(kit.imageButton(Gadget::LoopAnimation, "loop.png", QSize(25, 25), true));
    row->addWidget(kit.imageButton(Gadget::Play, "play.png", QSize(25, 25), true));
    row->addWidget(kit.imageButton(Gadget::Pause, "pause.png", QSize(25, 25), false));
    row->addWidget(kit.imageButton(Gadget::AnimationOptions, "folder.png", QSize(24, 24), false));
    row->addStretch();
    layout->addLayout(row);
    CanvasWidget* timeline = kit.canvas(Gadget::Timeline, QSize(4000, 90));
    timeline->setBackground(kTimelineGrey);
    QScrollArea* area = kit.scroll(Gadget::TimelineScroll, timeline);
    QPalette pal = area->palette();
    pal.setColor(QPalette::Window, kTimelineGrey);
    area->setPalette(pal);
    area->setBackgroundRole(QPalette::Window);
    layout->addWidget(area, 1);
    return w;
}

}  // namespace

QSplitter* buildAnimationPanel(PanelKit& kit) {
    auto* splitter = new QSplitter(Qt::Horizontal);
    kit.note(Gadget::AnimationPanel, splitter);
    splitter->addWidget(layersSide(kit));
    splitter->addWidget(framesSide(kit));
    splitter->setSizes({180, 1000});
    splitter->setStretchFactor(1, 1);
    return splitter;
}

}  // namespace qm
