#include "gui/dialog_builder.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <map>
#include <string>

#include "gui/canvas_widget.h"
#include "raster/image.h"

namespace qm {

void DescribedDialog::closeNow() {
    closing_ = true;
    // Inside this window's own close event the request is being answered: that event is then
    // accepted (closeEvent sees closing_), and close() here would be refused as re-entrant.
    close();
}

void DescribedDialog::closeEvent(QCloseEvent* event) {
    if (!closing_ && closeFilter_) {
        closeFilter_();
        if (!closing_) {
            event->ignore();
            return;
        }
    }
    closing_ = true;
    event->accept();
}

// Escape asks to close like the frame's close box, instead of only hiding the window.
void DescribedDialog::reject() {
    close();
}

namespace {

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

// The scroll step of scroll areas, in pixels.
constexpr int kScrollStep = 8;

void setBackground(QWidget* widget, uint32_t colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window,
                     QColor(int(red(colour)), int(green(colour)), int(blue(colour))));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QWidget* makeControl(const ControlDescription& c) {
    const int top = std::max(c.min, c.max);
    switch (c.kind) {
        case ControlKind::Label:
        case ControlKind::Image: {
            auto* label = new QLabel(qs(c.caption));
            label->setAlignment((c.alignRight ? Qt::AlignRight : Qt::AlignLeft) |
                                (c.kind == ControlKind::Image ? Qt::AlignTop : Qt::AlignVCenter));
            if (c.fontSize > 0 || c.bold) {
                QFont font = label->font();
                if (c.fontSize > 0) font.setPointSize(c.fontSize);
                font.setBold(c.bold);
                label->setFont(font);
            }
            // A text on a ground of its own keeps off the ground's edges.
            if (c.background && c.kind == ControlKind::Label) label->setMargin(8);
            return label;
        }
        case ControlKind::Button:
            return new QPushButton(qs(c.caption));
        case ControlKind::ImageButton: {
            auto* button = new QToolButton;
            button->setText(qs(c.caption));
            return button;
        }
        case ControlKind::CheckBox: {
            auto* check = new QCheckBox(qs(c.caption));
            check->setChecked(c.value != 0);
            return check;
        }
        case ControlKind::Spin: {
            auto* spin = new QSpinBox;
            spin->setRange(c.min, top);
            spin->setValue(std::clamp(c.value, c.min, top));
            return spin;
        }
        case ControlKind::TrackBar: {
            auto* slider = new QSlider(Qt::Horizontal);
            slider->setRange(c.min, top);
            slider->setValue(std::clamp(c.value, c.min, top));
            slider->setTickPosition(QSlider::TicksBelow);
            slider->setTickInterval(std::max(1, (top - c.min) / 10));
            return slider;
        }
        case ControlKind::Combo: {
            auto* combo = new QComboBox;
            for (const std::string& item : c.items) combo->addItem(qs(item));
            combo->setCurrentIndex(c.value >= 0 && c.value < combo->count() ? c.value : -1);
            return combo;
        }
        case ControlKind::TextField: {
            auto* line = new QLineEdit(qs(c.caption));
            line->setCursorPosition(0);  // a long text shows its beginning
            if (c.numeric) {
                line->setValidator(
                    new QRegularExpressionValidator(QRegularExpression("[0-9]{0,9}"), line));
            }
            return line;
        }
        case ControlKind::Frame:
            return new QGroupBox(qs(c.caption));
        case ControlKind::Panel: {
            auto* tabs = new QTabWidget;
            for (const std::string& name : c.items) {
                auto* page = new QWidget;
                auto* layout = new QVBoxLayout(page);
                layout->addStretch();
                tabs->addTab(page, qs(name));
            }
            if (c.value > 0 && c.value < tabs->count()) tabs->setCurrentIndex(c.value);
            return tabs;
        }
        case ControlKind::Canvas:
            return new CanvasWidget(CanvasWidget::Role::Panel);
        case ControlKind::ScrollArea: {
            auto* scroll = new QScrollArea;
            scroll->verticalScrollBar()->setSingleStep(kScrollStep);
            scroll->horizontalScrollBar()->setSingleStep(kScrollStep);
            return scroll;
        }
    }
    return new QLabel(qs(c.caption));
}

// The size a placed control gets: as described, but never below what the toolkit needs to
// show it (buttons their caption, fields and boxes their text's height), whatever its font.
QSize placedSize(const ControlDescription& c, QWidget* control) {
    QSize size(c.width, c.height);
    switch (c.kind) {
        case ControlKind::Button: {
            const auto* button = static_cast<QPushButton*>(control);
            const int text = button->fontMetrics().horizontalAdvance(button->text()) + 12;
            return {std::max(size.width(), text),
                    std::max(size.height(), control->minimumSizeHint().height())};
        }
        case ControlKind::ImageButton:
        case ControlKind::CheckBox:
        case ControlKind::Spin:
        case ControlKind::TrackBar:
        case ControlKind::Combo:
        case ControlKind::TextField:
            size.setHeight(std::max(size.height(), control->minimumSizeHint().height()));
            return size;
        default:
            return size;
    }
}

// Where the controls of one window go while it is built.
class Placer {
public:
    explicit Placer(QDialog* dialog) : dialog_(dialog) {}

    void place(const ControlDescription& c, QWidget* control) {
        if (auto* tabs = qobject_cast<QTabWidget*>(control); tabs && c.kind == ControlKind::Panel) {
            panels_[c.id] = tabs;
            if (!firstPanel_) firstPanel_ = tabs;
        }
        if (auto* scroll = qobject_cast<QScrollArea*>(control))
            if (c.id > 0) scrolls_[c.id] = scroll;

        if (c.container > 0 && c.tab.empty()) {
            if (const auto it = scrolls_.find(c.container); it != scrolls_.end()) {
                it->second->setWidget(control);  // the one control a scroll area holds
                control->adjustSize();
                return;
            }
        }
        QWidget* parent = dialog_;
        if (!c.tab.empty()) parent = page(c);
        if (c.width > 0 && c.height > 0) {
            control->setParent(parent);
            control->setGeometry(QRect(QPoint(c.x, c.y), placedSize(c, control)));
        } else {
            QVBoxLayout* layout = layoutOf(parent);
            // Above a page's closing stretch, so the controls stay at the top of the page.
            layout->insertWidget(parent == dialog_ ? layout->count() : layout->count() - 1,
                                 control);
        }
        if (c.kind == ControlKind::Frame) control->lower();
    }

private:
    QVBoxLayout* layoutOf(QWidget* parent) {
        if (auto* layout = qobject_cast<QVBoxLayout*>(parent->layout())) return layout;
        return new QVBoxLayout(parent);
    }

    // The page named by the control: of the panel it names, else of the first panel, else of
    // the tab widget made for windows without panels (above the other controls).
    QWidget* page(const ControlDescription& c) {
        QTabWidget* tabs = nullptr;
        if (const auto it = panels_.find(c.container); it != panels_.end()) tabs = it->second;
        if (!tabs) tabs = firstPanel_;
        if (!tabs) {
            if (!implicitTabs_) {
                implicitTabs_ = new QTabWidget;
                layoutOf(dialog_)->insertWidget(0, implicitTabs_);
            }
            tabs = implicitTabs_;
        }
        const QString name = qs(c.tab);
        for (int i = 0; i < tabs->count(); ++i)
            if (tabs->tabText(i) == name) return tabs->widget(i);
        auto* page = new QWidget;
        auto* layout = new QVBoxLayout(page);
        layout->addStretch();
        tabs->addTab(page, name);
        return page;
    }

    QDialog* dialog_;
    std::map<int, QTabWidget*> panels_;
    std::map<int, QScrollArea*> scrolls_;
    QTabWidget* firstPanel_ = nullptr;
    QTabWidget* implicitTabs_ = nullptr;
};

}  // namespace

BuiltWindow buildWindow(const WindowDescription& window, QWidget* parent) {
    auto* dialog = new DescribedDialog(parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(qs(window.title));
    Qt::WindowFlags flags = Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
    if (window.resizable) {
        flags = Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                Qt::WindowMinimizeButtonHint;
    }
    if (window.onTop) flags |= Qt::WindowStaysOnTopHint;
    dialog->setWindowFlags(flags);
    if (window.modal) dialog->setWindowModality(Qt::ApplicationModal);

    BuiltWindow built{dialog, {}};
    Placer placer(dialog);
    for (const ControlDescription& c : window.controls) {
        QWidget* control = makeControl(c);
        if (!c.tooltip.empty()) control->setToolTip(qs(c.tooltip));
        if (c.background) {
            if (auto* scroll = qobject_cast<QScrollArea*>(control))
                setBackground(scroll->viewport(), *c.background);
            else
                setBackground(control, *c.background);
        }
        placer.place(c, control);
        if (c.id > 0) built.gadgets.emplace_back(c.id, control);
    }
    if (window.width > 0 && window.height > 0) {
        if (window.resizable)
            dialog->resize(window.width, window.height);
        else
            dialog->setFixedSize(window.width, window.height);
    }
    return built;
}

void showCentred(QDialog* dialog) {
    QRect area;
    if (QWidget* parent = dialog->parentWidget())
        area = parent->frameGeometry();
    else if (QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (area.isValid()) {
        const QSize size = dialog->size();
        dialog->move(area.center() - QPoint(size.width() / 2, size.height() / 2));
    }
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

}  // namespace qm
