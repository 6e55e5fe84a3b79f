// Gadgets by id: values in and out, user changes reported, programmatic ones not.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTreeWidget>
#include <vector>

#include "gui/gadget_registry.h"

namespace qm {
namespace {

struct Registry {
    Registry() {
        gadgets.setControlSink([this](const ControlEvent& e) { events.push_back(e); });
    }
    GadgetRegistry gadgets;
    std::vector<ControlEvent> events;
};

TEST(GadgetRegistry, StatesAndTextsByIdWithoutEchoingEvents) {
    Registry r;
    QSpinBox spin;
    spin.setRange(0, 5000);
    QSlider slider;
    slider.setRange(1, 300);
    QCheckBox check("Hard");
    QComboBox combo;
    QLabel label;
    r.gadgets.add(44, &spin);
    r.gadgets.add(45, &slider);
    r.gadgets.add(53, &check);
    r.gadgets.add(32, &combo);
    r.gadgets.add(96, &label);

    r.gadgets.setState(44, 120);
    r.gadgets.setState(45, 400);  // beyond the track bar's range: it stops at 300
    r.gadgets.setState(53, 1);
    for (const char* item : {"Brush", "Pencil", "Eraser"}) r.gadgets.addItem(32, item, 0);
    r.gadgets.setState(32, 2);
    r.gadgets.setText(96, "Nom Brush");

    EXPECT_EQ(r.gadgets.state(44), 120);
    EXPECT_EQ(r.gadgets.state(45), 300);
    EXPECT_EQ(r.gadgets.state(53), 1);
    EXPECT_EQ(r.gadgets.state(32), 2);
    EXPECT_EQ(r.gadgets.text(32), "Eraser");
    EXPECT_EQ(r.gadgets.itemCount(32), 3);
    EXPECT_EQ(r.gadgets.text(96), "Nom Brush");
    EXPECT_TRUE(r.events.empty());  // setting a control from a record is not a user event

    // Unknown ids are ignored.
    r.gadgets.setState(999, 1);
    EXPECT_EQ(r.gadgets.state(999), 0);
    EXPECT_EQ(r.gadgets.text(999), "");
}

TEST(GadgetRegistry, UserActionsBecomeControlEvents) {
    Registry r;
    QSpinBox spin;
    QPushButton button("+");
    r.gadgets.add(44, &spin);
    r.gadgets.add(87, &button);
    spin.setValue(7);  // as typing or the arrows would
    button.click();
    ASSERT_EQ(r.events.size(), 2u);
    EXPECT_EQ(r.events[0].gadget, 44);
    EXPECT_EQ(r.events[0].type, ControlEventType::Change);
    EXPECT_EQ(r.events[1].gadget, 87);
    EXPECT_EQ(r.events[1].type, ControlEventType::Click);
}

TEST(GadgetRegistry, TreeItemsAreNumberedInDisplayOrder) {
    Registry r;
    QTreeWidget tree;
    r.gadgets.add(92, &tree);
    r.gadgets.addItem(92, "basic", 0);
    r.gadgets.addItem(92, "round", 1);
    r.gadgets.addItem(92, "soft", 1);
    r.gadgets.addItem(92, "ink", 0);
    r.gadgets.addItem(92, "deep", 5);  // deeper than the tree goes: under the last item
    EXPECT_EQ(r.gadgets.itemCount(92), 5);
    EXPECT_EQ(r.gadgets.itemText(92, 2), "soft");
    EXPECT_EQ(r.gadgets.itemText(92, 4), "deep");
    EXPECT_EQ(r.gadgets.itemText(92, 9), "");
    r.gadgets.setState(92, 3);
    EXPECT_EQ(r.gadgets.state(92), 3);
    EXPECT_EQ(r.gadgets.text(92), "ink");
    r.gadgets.clearItems(92);
    EXPECT_EQ(r.gadgets.state(92), -1);
}

TEST(GadgetRegistry, DeletedWidgetsDropOut) {
    Registry r;
    auto* spin = new QSpinBox;
    r.gadgets.add(44, spin);
    delete spin;
    EXPECT_EQ(r.gadgets.widget(44), nullptr);
    r.gadgets.setState(44, 3);  // no crash
    EXPECT_EQ(r.gadgets.state(44), 0);
}

}  // namespace
}  // namespace qm
