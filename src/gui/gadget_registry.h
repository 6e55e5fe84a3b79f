// The gadgets (controls) of every window, addressed by the program's fixed ids.
//
// Panels register each widget under its id; the Ui port then reads and writes them by id
// whatever their kind. Programmatic changes never emit the widgets' change signals, so setting a
// control from a record does not come back as a user event. Widgets that are deleted drop out
// of the registry by themselves.
//
// A gadget may be shown by more than one widget: the work spaces show some brush controls both
// in the tool-options tabs and in the options bar. Such a mirror shows every value the shell
// sets; a user change in any of them is copied to the others before the event is sent, so the
// shell always reads the value the user chose.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "raster/image.h"
#include "shell/events.h"

namespace qm {

class GadgetRegistry {
public:
    using ControlSink = std::function<void(const ControlEvent&)>;

    // Registers `widget` as gadget `id` (replacing any earlier one) and connects its user
    // signals to the control sink: Change for spins, track bars, combos, check boxes and text
    // fields, Click for buttons, Change / LeftDoubleClick for trees and lists.
    void add(int id, QWidget* widget);
    // Registers `widget` as a further widget of gadget `id`, showing the same value.
    void addMirror(int id, QWidget* widget);
    // Forgets the gadget without deleting its widget.
    void remove(int id);
    // Forgets one widget of the gadget (a dialog's copy of a panel control); the others stay.
    void removeWidget(int id, QWidget* widget);
    QWidget* widget(int id) const;
    // Every widget of gadget `id`, the first one first.
    std::vector<QWidget*> widgets(int id) const;
    std::vector<int> ids() const;

    // Where control events go; may be set after gadgets are registered.
    void setControlSink(ControlSink sink) { sink_ = std::move(sink); }
    void send(const ControlEvent& event) const;

    int state(int id) const;
    void setState(int id, int value);
    std::string text(int id) const;
    void setText(int id, const std::string& text);
    void clearItems(int id);
    void addItem(int id, const std::string& text, int level);
    int itemCount(int id) const;
    std::string itemText(int id, int index) const;
    void setItemChecked(int id, int index, bool checked);
    bool itemChecked(int id, int index) const;
    void setImage(int id, const Image& image);
    void show(int id, bool visible);
    void enable(int id, bool enabled);
    void focus(int id);

private:
    void connectSignals(int id, QWidget* widget);
    // A user change in `source`: the other widgets of the gadget take its value.
    void copyToMirrors(int id, QWidget* source);
    static int stateOf(QWidget* w);
    static void setStateOf(QWidget* w, int value);
    static void setTextOf(QWidget* w, const std::string& text);
    static void setImageOf(QWidget* w, const Image& image);

    std::map<int, std::vector<QPointer<QWidget>>> widgets_;
    ControlSink sink_;
};

}  // namespace qm
