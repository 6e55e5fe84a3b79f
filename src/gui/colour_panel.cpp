// The colour pages (colour picker and previews, swatch, roughboard, gradient alpha) and the
// navigator page.
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

#include "gui/canvas_widget.h"
#include "gui/panel_builders.h"
#include "gui/panel_kit.h"

namespace qm {

namespace {

QWidget* colourPage(PanelKit& kit) {
    auto* w = new QWidget;
    auto* layout = new QVBoxLayout(w);
    layout->setContentsMargins(5, 5, 5, 5);
    layout->setSpacing(4);

    // The foreground colour above and left of the background colour.
    auto* previews = new QWidget;
    auto* grid = new QGridLayout(previews);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    grid->addWidget(kit.image(21, QSize(30, 30), true, "ForegroundColor"), 0, 0, 2, 2);
    grid->addWidget(kit.image(22, QSize(30, 30), true, "BackgroundColor"), 1, 1, 2, 2);
    auto* top = new QHBoxLayout;
    top->addWidget(previews);
    top->addWidget(kit.image(81, QSize(60, 60)));
    top->addStretch();
    layout->addLayout(top);

    // Six small colour cells: image 23, black, never drawn into.
    auto* cells = new QHBoxLayout;
    cells->setSpacing(5);
    QPixmap black(15, 15);
    black.fill(Qt::black);
    for (int id = 23; id <= 28; ++id) {
        auto* cell = static_cast<QLabel*>(kit.image(id, QSize(15, 15)));
        cell->setPixmap(black);
        cells->addWidget(cell);
    }
    cells->addStretch();
    layout->addLayout(cells);

    layout->addWidget(new QLabel);  // room below the cells
    auto* picker = new QWidget;
    picker->setFixedSize(170, 140);
    CanvasWidget* strip = kit.canvas(119, QSize(20, 128), "ColorStrip");
    CanvasWidget* square = kit.canvas(120, QSize(129, 129), "ColorSquare");
    QWidget* arrow = kit.image(118, QSize(8, 12));
    static_cast<QLabel*>(arrow)->setFrameStyle(QFrame::NoFrame);
    strip->setParent(picker);
    square->setParent(picker);
    arrow->setParent(picker);
    strip->move(12, 4);
    arrow->move(1, 0);
    square->move(38, 4);
    for (QWidget* w : {static_cast<QWidget*>(strip), static_cast<QWidget*>(square), arrow})
        w->show();
    layout->addWidget(picker);
    for (int id = 121; id <= 123; ++id) {
        auto* field = new QLineEdit(w);
        field->setFixedSize(35, 20);
        field->hide();  // the picker's numbers, kept for the program, not shown
        kit.note(id, field);
    }
    layout->addStretch();
    return w;
}

// New, open and save buttons over a scroll area: the swatch and roughboard pages.
QWidget* imagePage(PanelKit& kit, int newId, int openId, int saveId, const char* newTip,
                   const char* openTip, const char* saveTip, int scrollId, QWidget* inner) {
    auto* w = new QWidget;
    auto* layout = new QVBoxLayout(w);
    layout->setContentsMargins(5, 5, 5, 5);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(2);
    buttons->addWidget(kit.imageButton(newId, "new.png", QSize(25, 25), false, newTip));
    buttons->addWidget(kit.imageButton(openId, "open.png", QSize(25, 25), false, openTip));
    buttons->addWidget(kit.imageButton(saveId, "save.png", QSize(25, 25), false, saveTip));
    buttons->addStretch();
    layout->addLayout(buttons);
    QScrollArea* area = kit.scroll(scrollId, inner);
    area->setMinimumSize(165, 170);
    layout->addWidget(area, 1);
    return w;
}

}  // namespace

ColourPages buildColourPages(PanelKit& kit) {
    ColourPages pages;
    pages.color = colourPage(kit);

    // The swatch is a canvas: a click reports where, so the colour there can be picked.
    CanvasWidget* swatch = kit.canvas(106, QSize(200, 200), "SwatchColors");
    pages.swatch =
        imagePage(kit, 109, 107, 108, "NewSwatch", "OpenSwatch", "SaveSwatch", 105, swatch);
    CanvasWidget* rough = kit.canvas(111, QSize(140, 250), "RoughBoardPaint");
    pages.roughboard = imagePage(kit, 114, 112, 113, "NewRoughBoard", "OpenRoughBoard",
                                 "SaveRoughBoard", 110, rough);

    pages.gradient = new QWidget;
    auto* g = new QVBoxLayout(pages.gradient);
    g->setContentsMargins(5, 5, 5, 5);
    g->addWidget(kit.track(115, 0, 255, 100, "GradientAlpha"));
    g->addStretch();
    return pages;
}

QWidget* buildNavigatorPage(PanelKit& kit) {
    auto* w = new QWidget;
    auto* layout = new QVBoxLayout(w);
    layout->setContentsMargins(5, 5, 5, 5);
    layout->addWidget(
        kit.combo(117, {"Mode Normal", "Mode Zoom", "Mode Hiden"}, 75, "NavigatorMode"));
    CanvasWidget* navigator = kit.canvas(116, QSize(150, 100), "Navigator");
    navigator->setBackground(QColor(125, 125, 125));
    navigator->setFitsImage(true);
    layout->addWidget(navigator);
    layout->addStretch();
    return w;
}

}  // namespace qm
