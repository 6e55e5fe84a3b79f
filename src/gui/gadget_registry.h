// The gadgets (controls) of every window, addressed by the program's fixed ids.
//
// Panels register each widget under its id; the Ui port then reads and writes them by id
// whatever their kind. Programmatic changes never emit the widgets' change signals, so setting a
// control from a record does not come back as a user event. Widgets that are deleted drop out
// of the registry by themselves.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>
#include <string>

#include "raster/image.h"
#include "shell/app.h"

namespace qm {

class GadgetRegistry {
public:
    using ControlSink = std::function<void(const ControlEvent&)>;

    // Registers `widget` as gadget `id` (replacing any earlier one) and connects its user
    // signals to the control sink: Change for spins, track bars, combos, check boxes and text
    // fields, Click for buttons, Change / LeftDoubleClick for trees and lists.
    void add(int id, QWidget* widget);
    // Forgets the gadget without deleting its widget.
    void remove(int id);
    QWidget* widget(int id) const;

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
    void setImage(int id, const Image& image);
    void show(int id, bool visible);
    void enable(int id, bool enabled);
    void focus(int id);

private:
    void connectSignals(int id, QWidget* widget);

    std::map<int, QPointer<QWidget>> widgets_;
    ControlSink sink_;
};

}  // namespace qm
