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
    kit.note(131, w);
    auto* layout = new QVBoxLayout(w);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(kit.imageButton(135, "addkey.png", QSize(22, 22), false, "AddLayerAnim"));
    buttons->addWidget(kit.imageButton(136, "delkey.png", QSize(22, 22), false, "DelLayerAnim"));
    buttons->addStretch();
    layout->addLayout(buttons);
    CanvasWidget* list = kit.canvas(138, QSize(2000, 130), "AnimationLayerList");
    list->setBackground(QColor(160, 160, 160));
    QScrollArea* area = kit.scroll(137, list);
    layout->addWidget(area, 1);
    return w;
}

QWidget* framesSide(PanelKit& kit) {
    auto* w = new QWidget;
    kit.note(130, w);
    auto* layout = new QVBoxLayout(w);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    auto* row = new QHBoxLayout;
    row->setSpacing(4);
    row->addWidget(kit.imageButton(140, "addkey.png", QSize(22, 22), false, "AddFrame"));
    row->addWidget(kit.imageButton(141, "delkey.png", QSize(22, 22), false, "DelFrame"));
    QWidget* onion = kit.image(154, QSize(24, 24));
    static_cast<QLabel*>(onion)->setFrameStyle(QFrame::NoFrame);
    row->addWidget(onion);
    row->addWidget(kit.spin(155, 0, 10, 35, "OnionBefore"));
    row->addWidget(kit.spin(156, 0, 10, 35, "OnionAfter"));
    row->addSpacing(10);
    row->addWidget(kit.spin(158, 0, 10000, 60, "FrameStart"));
    row->addWidget(kit.spin(157, 0, 10000, 60, "CurrentFrame"));
    row->addWidget(kit.spin(159, 0, 10000, 60, "FrameEnd"));
    row->addSpacing(10);
    row->addWidget(kit.imageButton(147, "stop.png", QSize(25, 25), false, "StopAnimation"));
    row->addWidget(kit.imageButton(146, "loop.png", QSize(25, 25), true, "LoopAnimation"));
    row->addWidget(kit.imageButton(145, "play.png", QSize(25, 25), true, "PlayAnimation"));
    row->addWidget(kit.imageButton(144, "pause.png", QSize(25, 25), false, "PauseAnimation"));
    row->addWidget(kit.imageButton(149, "folder.png", QSize(24, 24), false, "AnimationSettings"));
    row->addStretch();
    layout->addLayout(row);
    CanvasWidget* timeline = kit.canvas(142, QSize(4000, 90), "Timeline");
    timeline->setBackground(kTimelineGrey);
    QScrollArea* area = kit.scroll(139, timeline);
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
    kit.note(126, splitter);
    splitter->addWidget(layersSide(kit));
    splitter->addWidget(framesSide(kit));
    splitter->setSizes({180, 1000});
    splitter->setStretchFactor(1, 1);
    return splitter;
}

}  // namespace qm
