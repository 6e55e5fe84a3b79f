// The gadget table: every control of the main window's panels that has a range, items or a tool
// tip, and the ranged controls of the dialogs, each once. The GUI builds the panels' widgets
// from it and the shell keeps the states it is sent within the same ranges, so the two never
// disagree. Captions and places stay with the builders; the tool column's buttons are the tool
// table's.
#pragma once

#include <span>

#include "platform/ui.h"
#include "shell/ids.h"

namespace qm {

struct GadgetRow {
    Gadget gadget;
    // platform/ui.h's kinds. Canvases of the panels are Image gadgets that report the pointer,
    // the clickable colour previews ImageButtons, and the layer and preset trees ScrollAreas.
    ControlKind kind;
    int min = 0, max = 0;                // spins, track bars, check boxes; combos 0..items-1
    std::span<const char* const> items;  // combos: dictionary keys
    const char* tip = "";                // a dictionary key, "=literal", or ""
};

std::span<const GadgetRow> gadgetTable();
// The row of `gadget`; null for a gadget without one.
const GadgetRow* gadgetRow(int gadget);
inline const GadgetRow* gadgetRow(Gadget gadget) {
    return gadgetRow(id(gadget));
}
// True for the kinds whose state is a value within min..max.
bool isRanged(const GadgetRow& row);
// The Ui's state of a ranged gadget brought within its row's range; written back when it was
// outside, so the control shows the value taken (a script may send any state). The state as it
// is for a gadget that has no ranged row.
int keptState(Ui& ui, Gadget gadget);

}  // namespace qm
