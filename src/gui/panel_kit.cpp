#include "gui/panel_kit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>

#include "gui/canvas_widget.h"
#include "shell/gadget_table.h"

namespace qm {

namespace {

constexpr int kControlHeight = 20;

// The row of a gadget the table must have (a spin, track bar or combo).
const GadgetRow& rowOf(Gadget gadget) {
    const GadgetRow* row = gadgetRow(gadget);
    Q_ASSERT_X(row, "PanelKit", "a ranged control without a row in the gadget table");
    static const GadgetRow none{};
    return row ? *row : none;
}

std::string tipOf(Gadget gadget) {
    const GadgetRow* row = gadgetRow(gadget);
    return row ? row->tip : "";
}

}  // namespace

void PanelKit::note(int id, QWidget* widget) {
    gadgets.push_back({id, widget, {}, mirrors});
}

void PanelKit::note(Gadget gadget, QWidget* widget) {
    gadgets.push_back({id(gadget), widget, tipOf(gadget), mirrors});
}

QSpinBox* PanelKit::spin(Gadget gadget, int width) {
    const GadgetRow& row = rowOf(gadget);
    auto* w = new QSpinBox;
    w->setRange(row.min, row.max);
    w->setFixedSize(width + 12, kControlHeight + 2);
    w->setKeyboardTracking(false);  // a typed number counts when it is complete
    gadgets.push_back({id(gadget), w, row.tip, mirrors});
    return w;
}

QSlider* PanelKit::track(Gadget gadget, int width) {
    const GadgetRow& row = rowOf(gadget);
    auto* w = new QSlider(Qt::Horizontal);
    w->setRange(row.min, row.max);
    w->setFixedSize(width, kControlHeight);
    gadgets.push_back({id(gadget), w, row.tip, mirrors});
    return w;
}

QCheckBox* PanelKit::check(Gadget gadget, std::string caption) {
    auto* w = new QCheckBox;
    this->caption(w, std::move(caption));
    gadgets.push_back({id(gadget), w, tipOf(gadget), mirrors});
    return w;
}

QComboBox* PanelKit::combo(Gadget gadget, int width) {
    const GadgetRow& row = rowOf(gadget);
    auto* w = new QComboBox;
    for (const char* item : row.items) {
        caption(w, item, w->count());
        w->addItem(QString());
    }
    w->setMinimumWidth(width);
    w->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    QFont small = w->font();
    small.setPointSizeF(std::max(7.0, small.pointSizeF() - 1));
    w->setFont(small);
    gadgets.push_back({id(gadget), w, row.tip, mirrors});
    return w;
}

QGroupBox* PanelKit::frame(Gadget gadget, std::string title) {
    auto* w = new QGroupBox;
    caption(w, std::move(title));
    gadgets.push_back({id(gadget), w, {}, mirrors});
    return w;
}

QPushButton* PanelKit::button(Gadget gadget, std::string caption, QSize size) {
    auto* w = new QPushButton;
    this->caption(w, std::move(caption));
    w->setMinimumSize(size);
    w->setMaximumHeight(size.height() + 4);
    w->setFocusPolicy(Qt::NoFocus);
    gadgets.push_back({id(gadget), w, tipOf(gadget), mirrors});
    return w;
}

QToolButton* PanelKit::imageButton(Gadget gadget, const QString& iconFile, QSize size,
                                   bool toggle) {
    return imageButton(id(gadget), iconFile, size, toggle, tipOf(gadget));
}

QToolButton* PanelKit::imageButton(int id, const QString& iconFile, QSize size, bool toggle,
                                   std::string tip, bool tool) {
    auto* w = new QToolButton;
    w->setCheckable(toggle);
    w->setAutoRaise(true);
    w->setFixedSize(size + QSize(4, 4));
    w->setIconSize(size);
    w->setFocusPolicy(Qt::NoFocus);
    gadgets.push_back({id, w, std::move(tip), mirrors});
    icons.push_back({w, iconFile, tool});
    return w;
}

QWidget* PanelKit::image(Gadget gadget, QSize size, bool clickable) {
    return image(id(gadget), size, clickable, tipOf(gadget));
}

QWidget* PanelKit::image(int id, QSize size, bool clickable, std::string tip) {
    QWidget* w = nullptr;
    if (clickable) {
        auto* b = new QToolButton;
        b->setAutoRaise(true);
        b->setIconSize(size);
        b->setFocusPolicy(Qt::NoFocus);
        w = b;
    } else {
        auto* label = new QLabel;
        label->setFrameStyle(QFrame::Box | QFrame::Plain);
        label->setAlignment(Qt::AlignCenter);
        w = label;
    }
    w->setFixedSize(size + QSize(2, 2));
    gadgets.push_back({id, w, std::move(tip), mirrors});
    return w;
}

CanvasWidget* PanelKit::canvas(Gadget gadget, QSize size) {
    auto* w = new CanvasWidget(CanvasWidget::Role::Panel);
    w->setFixedSize(size);
    w->setBackground(Qt::white);
    gadgets.push_back({id(gadget), w, tipOf(gadget), mirrors});
    return w;
}

QScrollArea* PanelKit::scroll(Gadget gadget, QWidget* inner) {
    auto* w = new QScrollArea;
    w->setWidget(inner);
    w->setWidgetResizable(false);
    gadgets.push_back({id(gadget), w, {}, mirrors});
    return w;
}

QLabel* PanelKit::text(Gadget gadget, std::string caption) {
    QLabel* w = label(std::move(caption));
    gadgets.push_back({id(gadget), w, {}, mirrors});
    return w;
}

QLabel* PanelKit::label(std::string caption) {
    auto* w = new QLabel;
    this->caption(w, std::move(caption));
    return w;
}

void PanelKit::caption(QWidget* widget, std::string key, int item) {
    if (key.empty()) return;  // no caption of its own: the program writes its text
    captions.push_back({widget, std::move(key), item});
}

void PanelKit::addPage(QTabWidget* tabs, QWidget* page, std::string title) {
    tabs->addTab(page, QString());  // the title is given by applyTexts
    pages.push_back({page, std::move(title)});
}

QWidget* PanelKit::spinTrackRow(Gadget spinGadget, Gadget trackGadget) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(spin(spinGadget, 40));
    layout->addWidget(track(trackGadget, 100));
    layout->addStretch();
    return row;
}

}  // namespace qm
