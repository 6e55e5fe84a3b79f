// Translation between Qt's keys and the virtual key codes the shell speaks (menu_table.h's vk
// namespace; letters and digits are their upper-case ASCII codes). The codes follow the US
// layout's keys, so the bracket and grave keys give 0xDD and 0xC0 whatever they print.
#pragma once

#include <QKeySequence>
#include <Qt>

#include "shell/menu_table.h"

namespace qm {

// The virtual key code of a Qt key (QKeyEvent::key() with its modifiers, which tell the numeric
// pad apart); 0 for keys the program has no code for.
int virtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers);

// The key sequence of an accelerator; an empty sequence when its key has no Qt equivalent.
QKeySequence acceleratorSequence(const Accelerator& accelerator);

}  // namespace qm
