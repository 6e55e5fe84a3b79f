#include "gui/gadget_registry.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include "gui/canvas_widget.h"
#include "gui/qimage_bridge.h"

namespace qm {
namespace {

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}
std::string ss(const QString& s) {
    return s.toStdString();
}

// Trees are addressed as the user reads them: items in display order, children after their
// parent, numbered from 0.
QTreeWidgetItem* treeItemAt(QTreeWidget* tree, int index) {
    if (index < 0) return nullptr;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if (index-- == 0) return *it;
    return nullptr;
}

int treeIndexOf(QTreeWidget* tree, const QTreeWidgetItem* item) {
    int index = 0;
    for (QTreeWidgetItemIterator it(tree); *it; ++it, ++index)
        if (*it == item) return index;
    return -1;
}

int treeItemCount(QTreeWidget* tree) {
    int count = 0;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) ++count;
    return count;
}

// A new item at depth `level` goes under the last item of depth level - 1; a level deeper than
// the tree allows is clamped, so a bad level never loses the item.
void addTreeItem(QTreeWidget* tree, const QString& text, int level) {
    QTreeWidgetItem* parent = nullptr;
    for (int depth = 0; depth < level; ++depth) {
        const int count = parent ? parent->childCount() : tree->topLevelItemCount();
        if (count == 0) break;
        parent = parent ? parent->child(count - 1) : tree->topLevelItem(count - 1);
    }
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
    item->setText(0, text);
    if (parent) parent->setExpanded(true);
}

}  // namespace

void GadgetRegistry::add(int id, QWidget* widget) {
    if (!widget) return;
    widgets_[id] = {widget};
    connectSignals(id, widget);
}

void GadgetRegistry::addMirror(int id, QWidget* widget) {
    if (!widget) return;
    auto& list = widgets_[id];
    for (const auto& w : list)
        if (w == widget) return;
    list.push_back(widget);
    connectSignals(id, widget);
}

void GadgetRegistry::remove(int id) {
    widgets_.erase(id);
}

void GadgetRegistry::removeWidget(int id, QWidget* widget) {
    const auto it = widgets_.find(id);
    if (it == widgets_.end()) return;
    std::erase_if(it->second, [widget](const QPointer<QWidget>& w) { return !w || w == widget; });
    if (it->second.empty()) widgets_.erase(it);
}

QWidget* GadgetRegistry::widget(int id) const {
    const auto it = widgets_.find(id);
    if (it == widgets_.end()) return nullptr;
    for (const auto& w : it->second)
        if (w) return w.data();
    return nullptr;
}

std::vector<QWidget*> GadgetRegistry::widgets(int id) const {
    std::vector<QWidget*> out;
    const auto it = widgets_.find(id);
    if (it == widgets_.end()) return out;
    for (const auto& w : it->second)
        if (w) out.push_back(w.data());
    return out;
}

std::vector<int> GadgetRegistry::ids() const {
    std::vector<int> out;
    for (const auto& [id, list] : widgets_)
        if (widget(id)) out.push_back(id);
    return out;
}

void GadgetRegistry::send(const ControlEvent& event) const {
    if (sink_) sink_(event);
}

void GadgetRegistry::copyToMirrors(int id, QWidget* source) {
    const std::vector<QWidget*> all = widgets(id);
    if (all.size() < 2) return;
    const int value = stateOf(source);
    for (QWidget* w : all) {
        if (w == source) continue;
        const QSignalBlocker blocker(w);
        setStateOf(w, value);
    }
}

void GadgetRegistry::connectSignals(int id, QWidget* widget) {
    // Only signals of user actions: programmatic changes are made with signals blocked anyway.
    // A widget that no longer stands for the gadget (replaced by a later one) stays silent.
    const QPointer<QWidget> self(widget);
    const auto current = [this, id, self] {
        if (!self) return false;
        for (QWidget* w : widgets(id))
            if (w == self) return true;
        return false;
    };
    auto change = [this, id, self, current] {
        if (!current()) return;
        copyToMirrors(id, self);
        send({.gadget = id, .type = ControlEventType::Change});
    };
    auto click = [this, id, self, current] {
        if (!current()) return;
        copyToMirrors(id, self);
        send({.gadget = id, .type = ControlEventType::Click});
    };
    // A tree's events come after the view has finished with the mouse: the shell may rebuild
    // the tree's items in answer (a hidden layer), which must not delete the item under the
    // click while the view still handles it.
    auto later = [this, id, self, current](ControlEventType type) {
        QTimer::singleShot(0, self.data(), [this, id, current, type] {
            if (current()) send({.gadget = id, .type = type});
        });
    };
    if (auto* spin = qobject_cast<QSpinBox*>(widget)) {
        QObject::connect(spin, &QSpinBox::valueChanged, widget, change);
    } else if (auto* dspin = qobject_cast<QDoubleSpinBox*>(widget)) {
        QObject::connect(dspin, &QDoubleSpinBox::valueChanged, widget, change);
    } else if (auto* slider = qobject_cast<QAbstractSlider*>(widget)) {
        QObject::connect(slider, &QAbstractSlider::valueChanged, widget, change);
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        QObject::connect(combo, &QComboBox::activated, widget, change);
    } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
        QObject::connect(check, &QCheckBox::clicked, widget, change);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        QObject::connect(button, &QAbstractButton::clicked, widget, click);
    } else if (auto* line = qobject_cast<QLineEdit*>(widget)) {
        QObject::connect(line, &QLineEdit::textEdited, widget, change);
    } else if (auto* tree = qobject_cast<QTreeWidget*>(widget)) {
        QObject::connect(tree, &QTreeWidget::itemClicked, widget,
                         [later] { later(ControlEventType::Change); });
        // A tick changed on any row makes that row the current one, so the shell reads the
        // row whose tick the user changed.
        QObject::connect(tree, &QTreeWidget::itemChanged, widget,
                         [later, tree](QTreeWidgetItem* item) {
                             if (item && item != tree->currentItem()) {
                                 const QSignalBlocker blocker(tree);
                                 tree->setCurrentItem(item);
                             }
                             later(ControlEventType::Change);
                         });
        QObject::connect(tree, &QTreeWidget::itemDoubleClicked, widget,
                         [later] { later(ControlEventType::LeftDoubleClick); });
    } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
        QObject::connect(list, &QListWidget::itemClicked, widget, change);
        QObject::connect(list, &QListWidget::itemDoubleClicked, widget, [this, id, current] {
            if (current()) send({.gadget = id, .type = ControlEventType::LeftDoubleClick});
        });
    } else if (auto* canvas = qobject_cast<CanvasWidget*>(widget)) {
        canvas->setGadgetId(id);
        canvas->setControlSink([this](const ControlEvent& event) { send(event); });
    }
}

int GadgetRegistry::stateOf(QWidget* w) {
    if (!w) return 0;
    if (auto* spin = qobject_cast<QSpinBox*>(w)) return spin->value();
    if (auto* dspin = qobject_cast<QDoubleSpinBox*>(w)) return int(dspin->value());
    if (auto* slider = qobject_cast<QAbstractSlider*>(w)) return slider->value();
    if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->currentIndex();
    if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->isChecked() ? 1 : 0;
    if (auto* progress = qobject_cast<QProgressBar*>(w)) return progress->value();
    if (auto* tabs = qobject_cast<QTabWidget*>(w)) return tabs->currentIndex();
    if (auto* line = qobject_cast<QLineEdit*>(w)) return line->text().trimmed().toInt();
    if (auto* tree = qobject_cast<QTreeWidget*>(w)) return treeIndexOf(tree, tree->currentItem());
    if (auto* list = qobject_cast<QListWidget*>(w)) return list->currentRow();
    return 0;
}

int GadgetRegistry::state(int id) const {
    return stateOf(widget(id));
}

void GadgetRegistry::setStateOf(QWidget* w, int value) {
    if (auto* spin = qobject_cast<QSpinBox*>(w)) {
        spin->setValue(value);
    } else if (auto* dspin = qobject_cast<QDoubleSpinBox*>(w)) {
        dspin->setValue(value);
    } else if (auto* slider = qobject_cast<QAbstractSlider*>(w)) {
        slider->setValue(value);
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        combo->setCurrentIndex(value >= 0 && value < combo->count() ? value : -1);
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        if (button->isCheckable()) button->setChecked(value != 0);
    } else if (auto* progress = qobject_cast<QProgressBar*>(w)) {
        progress->setValue(value);
    } else if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
        if (value >= 0 && value < tabs->count()) tabs->setCurrentIndex(value);
    } else if (auto* line = qobject_cast<QLineEdit*>(w)) {
        line->setText(QString::number(value));
    } else if (auto* tree = qobject_cast<QTreeWidget*>(w)) {
        tree->setCurrentItem(treeItemAt(tree, value));
    } else if (auto* list = qobject_cast<QListWidget*>(w)) {
        list->setCurrentRow(value >= 0 && value < list->count() ? value : -1);
    }
}

void GadgetRegistry::setState(int id, int value) {
    for (QWidget* w : widgets(id)) {
        const QSignalBlocker blocker(w);
        setStateOf(w, value);
    }
}

std::string GadgetRegistry::text(int id) const {
    QWidget* w = widget(id);
    if (!w) return {};
    if (auto* combo = qobject_cast<QComboBox*>(w)) return ss(combo->currentText());
    if (auto* spin = qobject_cast<QAbstractSpinBox*>(w)) return ss(spin->text());
    if (auto* line = qobject_cast<QLineEdit*>(w)) return ss(line->text());
    if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) return ss(plain->toPlainText());
    if (auto* label = qobject_cast<QLabel*>(w)) return ss(label->text());
    if (auto* button = qobject_cast<QAbstractButton*>(w)) return ss(button->text());
    if (auto* group = qobject_cast<QGroupBox*>(w)) return ss(group->title());
    if (auto* tree = qobject_cast<QTreeWidget*>(w))
        return tree->currentItem() ? ss(tree->currentItem()->text(0)) : std::string();
    if (auto* list = qobject_cast<QListWidget*>(w))
        return list->currentItem() ? ss(list->currentItem()->text()) : std::string();
    return ss(w->windowTitle());
}

void GadgetRegistry::setText(int id, const std::string& text) {
    for (QWidget* w : widgets(id)) setTextOf(w, text);
}

void GadgetRegistry::setTextOf(QWidget* w, const std::string& text) {
    const QSignalBlocker blocker(w);
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
        if (combo->isEditable())
            combo->setEditText(qs(text));
        else
            combo->setCurrentIndex(combo->findText(qs(text)));
    } else if (auto* spin = qobject_cast<QSpinBox*>(w)) {
        spin->setValue(qs(text).trimmed().toInt());
    } else if (auto* line = qobject_cast<QLineEdit*>(w)) {
        line->setText(qs(text));
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) {
        plain->setPlainText(qs(text));
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        label->setText(qs(text));
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        button->setText(qs(text));
    } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
        group->setTitle(qs(text));
    } else if (auto* tree = qobject_cast<QTreeWidget*>(w)) {
        if (tree->currentItem()) tree->currentItem()->setText(0, qs(text));
    } else if (auto* list = qobject_cast<QListWidget*>(w)) {
        if (list->currentItem()) list->currentItem()->setText(qs(text));
    } else {
        w->setWindowTitle(qs(text));
    }
}

void GadgetRegistry::clearItems(int id) {
    QWidget* w = widget(id);
    if (!w) return;
    const QSignalBlocker blocker(w);
    if (auto* combo = qobject_cast<QComboBox*>(w))
        combo->clear();
    else if (auto* tree = qobject_cast<QTreeWidget*>(w))
        tree->clear();
    else if (auto* list = qobject_cast<QListWidget*>(w))
        list->clear();
}

void GadgetRegistry::addItem(int id, const std::string& text, int level) {
    QWidget* w = widget(id);
    if (!w) return;
    const QSignalBlocker blocker(w);
    if (auto* combo = qobject_cast<QComboBox*>(w))
        combo->addItem(qs(text));
    else if (auto* tree = qobject_cast<QTreeWidget*>(w))
        addTreeItem(tree, qs(text), level);
    else if (auto* list = qobject_cast<QListWidget*>(w))
        list->addItem(qs(text));
}

int GadgetRegistry::itemCount(int id) const {
    QWidget* w = widget(id);
    if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->count();
    if (auto* tree = qobject_cast<QTreeWidget*>(w)) return treeItemCount(tree);
    if (auto* list = qobject_cast<QListWidget*>(w)) return list->count();
    return 0;
}

std::string GadgetRegistry::itemText(int id, int index) const {
    QWidget* w = widget(id);
    if (auto* combo = qobject_cast<QComboBox*>(w))
        return index >= 0 && index < combo->count() ? ss(combo->itemText(index)) : std::string();
    if (auto* tree = qobject_cast<QTreeWidget*>(w)) {
        const QTreeWidgetItem* item = treeItemAt(tree, index);
        return item ? ss(item->text(0)) : std::string();
    }
    if (auto* list = qobject_cast<QListWidget*>(w)) {
        const QListWidgetItem* item = list->item(index);
        return item ? ss(item->text()) : std::string();
    }
    return {};
}

void GadgetRegistry::setImage(int id, const Image& image) {
    for (QWidget* w : widgets(id)) setImageOf(w, image);
}

void GadgetRegistry::setImageOf(QWidget* w, const Image& image) {
    if (auto* canvas = qobject_cast<CanvasWidget*>(w)) {
        canvas->setImage(image);
        // A canvas in a scroll area (timeline, animation-layer list, roughboard) is as large
        // as its image, so the whole image can be scrolled to.
        QWidget* viewport = canvas->parentWidget();
        if (viewport && qobject_cast<QScrollArea*>(viewport->parentWidget()) && !image.empty())
            canvas->setFixedSize(image.width, image.height);
        return;
    }
    const QPixmap pixmap = QPixmap::fromImage(toQImage(image));
    if (auto* label = qobject_cast<QLabel*>(w)) {
        label->setPixmap(pixmap);
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        button->setIcon(QIcon(pixmap));
        button->setIconSize(pixmap.size());
    }
}

void GadgetRegistry::show(int id, bool visible) {
    for (QWidget* w : widgets(id)) w->setVisible(visible);
}

void GadgetRegistry::enable(int id, bool enabled) {
    for (QWidget* w : widgets(id)) w->setEnabled(enabled);
}

void GadgetRegistry::setItemChecked(int id, int index, bool checked) {
    auto* tree = qobject_cast<QTreeWidget*>(widget(id));
    if (tree) {
        QTreeWidgetItem* item = treeItemAt(tree, index);
        if (!item) return;
        const QSignalBlocker blocker(tree);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
    } else if (auto* list = qobject_cast<QListWidget*>(widget(id))) {
        QListWidgetItem* item = list->item(index);
        if (!item) return;
        const QSignalBlocker blocker(list);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    }
}

bool GadgetRegistry::itemChecked(int id, int index) const {
    if (auto* tree = qobject_cast<QTreeWidget*>(widget(id))) {
        const QTreeWidgetItem* item = treeItemAt(tree, index);
        return item && item->checkState(0) == Qt::Checked;
    }
    if (auto* list = qobject_cast<QListWidget*>(widget(id))) {
        const QListWidgetItem* item = list->item(index);
        return item && item->checkState() == Qt::Checked;
    }
    return false;
}

void GadgetRegistry::focus(int id) {
    if (QWidget* w = widget(id)) w->setFocus(Qt::OtherFocusReason);
}

}  // namespace qm
