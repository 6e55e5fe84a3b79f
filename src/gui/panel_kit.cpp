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

namespace qm {

namespace {

constexpr int kControlHeight = 20;

}  // namespace

void PanelKit::note(int id, QWidget* widget) {
    gadgets.push_back({id, widget, {}, mirrors});
}

QSpinBox* PanelKit::spin(int id, int min, int max, int width, std::string tip) {
    auto* w = new QSpinBox;
    w->setRange(min, max);
    w->setFixedSize(width + 12, kControlHeight + 2);
    w->setKeyboardTracking(false);  // a typed number counts when it is complete
    gadgets.push_back({id, w, std::move(tip), mirrors});
    return w;
}

QSlider* PanelKit::track(int id, int min, int max, int width, std::string tip) {
    auto* w = new QSlider(Qt::Horizontal);
    w->setRange(min, max);
    w->setFixedSize(width, kControlHeight);
    gadgets.push_back({id, w, std::move(tip), mirrors});
    return w;
}

QCheckBox* PanelKit::check(int id, std::string caption, std::string tip) {
    auto* w = new QCheckBox;
    this->caption(w, std::move(caption));
    gadgets.push_back({id, w, std::move(tip), mirrors});
    return w;
}

QComboBox* PanelKit::combo(int id, const std::vector<std::string>& items, int width,
                           std::string tip) {
    auto* w = new QComboBox;
    for (const std::string& item : items) {
        caption(w, item, w->count());
        w->addItem(QString());
    }
    w->setMinimumWidth(width);
    w->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    QFont small = w->font();
    small.setPointSizeF(std::max(7.0, small.pointSizeF() - 1));
    w->setFont(small);
    gadgets.push_back({id, w, std::move(tip), mirrors});
    return w;
}

QGroupBox* PanelKit::frame(int id, std::string title) {
    auto* w = new QGroupBox;
    caption(w, std::move(title));
    gadgets.push_back({id, w, {}, mirrors});
    return w;
}

QPushButton* PanelKit::button(int id, std::string caption, QSize size, std::string tip) {
    auto* w = new QPushButton;
    this->caption(w, std::move(caption));
    w->setMinimumSize(size);
    w->setMaximumHeight(size.height() + 4);
    w->setFocusPolicy(Qt::NoFocus);
    gadgets.push_back({id, w, std::move(tip), mirrors});
    return w;
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

CanvasWidget* PanelKit::canvas(int id, QSize size, std::string tip) {
    auto* w = new CanvasWidget(CanvasWidget::Role::Panel);
    w->setFixedSize(size);
    w->setBackground(Qt::white);
    gadgets.push_back({id, w, std::move(tip), mirrors});
    return w;
}

QScrollArea* PanelKit::scroll(int id, QWidget* inner) {
    auto* w = new QScrollArea;
    w->setWidget(inner);
    w->setWidgetResizable(false);
    gadgets.push_back({id, w, {}, mirrors});
    return w;
}

QLabel* PanelKit::text(int id, std::string caption) {
    QLabel* w = label(std::move(caption));
    gadgets.push_back({id, w, {}, mirrors});
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

QWidget* PanelKit::spinTrackRow(int spinId, int trackId, int min, int max, int trackMax,
                                std::string tip) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(spin(spinId, min, max, 40, tip));
    layout->addWidget(track(trackId, min, trackMax, 100, tip));
    layout->addStretch();
    return row;
}

}  // namespace qm
