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
    grid->addWidget(kit.image(Gadget::ColorForeground, QSize(30, 30), true), 0, 0, 2, 2);
    grid->addWidget(kit.image(Gadget::ColorBackground, QSize(30, 30), true), 1, 1, 2, 2);
    auto* top = new QHBoxLayout;
    top->addWidget(previews);
    top->addWidget(kit.image(Gadget::BrushPreview, QSize(60, 60)));
    top->addStretch();
    layout->addLayout(top);

    // Six small colour cells: image 23, black, never drawn into.
    auto* cells = new QHBoxLayout;
    cells->setSpacing(5);
    QPixmap black(15, 15);
    black.fill(Qt::black);
    for (const Gadget g : {Gadget::ColorCell1, Gadget::ColorCell2, Gadget::ColorCell3,
                           Gadget::ColorCell4, Gadget::ColorCell5, Gadget::ColorCell6}) {
        auto* cell = static_cast<QLabel*>(kit.image(g, QSize(15, 15)));
        cell->setPixmap(black);
        cells->addWidget(cell);
    }
    cells->addStretch();
    layout->addLayout(cells);

    layout->addWidget(new QLabel);  // room below the cells
    auto* picker = new QWidget;
    picker->setFixedSize(170, 140);
    CanvasWidget* strip = kit.canvas(Gadget::ColorStrip, QSize(20, 128));
    CanvasWidget* square = kit.canvas(Gadget::ColorSquare, QSize(129, 129));
    QWidget* arrow = kit.image(Gadget::ColorArrow, QSize(8, 12));
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
    for (const Gadget g : {Gadget::PickerField1, Gadget::PickerField2, Gadget::PickerField3}) {
        auto* field = new QLineEdit(w);
        field->setFixedSize(35, 20);
        field->hide();  // the picker's numbers, kept for the program, not shown
        kit.note(g, field);
    }
    layout->addStretch();
    return w;
}

// New, open and save buttons over a scroll area: the swatch and roughboard pages.
QWidget* imagePage(PanelKit& kit, Gadget newId, Gadget openId, Gadget saveId, Gadget scrollId,
                   QWidget* inner) {
    auto* w = new QWidget;
    auto* layout = new QVBoxLayout(w);
    layout->setContentsMargins(5, 5, 5, 5);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(2);
    buttons->addWidget(kit.imageButton(newId, "new.png", QSize(25, 25), false));
    buttons->addWidget(kit.imageButton(openId, "open.png", QSize(25, 25), false));
    buttons->addWidget(kit.imageButton(saveId, "save.png", QSize(25, 25), false));
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
    pages.colour = colourPage(kit);

    // The swatch is a canvas: a click reports where, so the colour there can be picked.
    CanvasWidget* swatch = kit.canvas(Gadget::Swatch, QSize(200, 200));
    pages.swatch = imagePage(kit, Gadget::NewSwatch, Gadget::OpenSwatch, Gadget::SaveSwatch,
                             Gadget::SwatchScroll, swatch);
    CanvasWidget* rough = kit.canvas(Gadget::Roughboard, QSize(140, 250));
    pages.roughboard = imagePage(kit, Gadget::NewRoughBoard, Gadget::OpenRoughBoard,
                                 Gadget::SaveRoughBoard, Gadget::RoughboardScroll, rough);

    pages.gradient = new QWidget;
    auto* g = new QVBoxLayout(pages.gradient);
    g->setContentsMargins(5, 5, 5, 5);
    g->addWidget(kit.track(Gadget::GradientAlpha, 100));
    g->addStretch();
    return pages;
}

QWidget* buildNavigatorPage(PanelKit& kit) {
    auto* w = new QWidget;
    auto* layout = new QVBoxLayout(w);
    layout->setContentsMargins(5, 5, 5, 5);
    layout->addWidget(kit.combo(Gadget::NavigatorMode, 75));
    CanvasWidget* navigator = kit.canvas(Gadget::Navigator, QSize(150, 100));
    navigator->setBackground(QColor(125, 125, 125));
    navigator->setFitsImage(true);
    layout->addWidget(navigator);
    layout->addStretch();
    return w;
}

}  // namespace qm
