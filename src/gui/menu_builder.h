// Qt menus from the menu tables of shell/menu_table.h. The tables are the single source of the
// menu bar and the popups; every item keeps its command id, and choosing it reports that id.
#pragma once

#include <QMenu>
#include <QMenuBar>
#include <QString>
#include <functional>
#include <map>
#include <span>

#include "shell/menu_table.h"

namespace qm {

using MenuTextFn = std::function<QString(const MenuEntry&)>;
using CommandFn = std::function<void(int id)>;

// The caption of an entry: its text, then a tab and the shortcut label when there is one (Qt
// shows the part after the tab right-aligned, as a caption only: nothing is bound by it).
QString menuCaption(const MenuEntry& entry, const MenuTextFn& textOf);

// Fills `bar` with the menus of `table` and records each item's action in `actions` by id.
void buildMenuBar(QMenuBar& bar, std::span<const MenuEntry> table, const MenuTextFn& textOf,
                  const CommandFn& onCommand, std::map<int, QAction*>& actions);

// Fills `popup` with the entries of a popup table (an outer Menu ... EndMenu pair, if the table
// has one, is the popup itself).
void buildPopupMenu(QMenu& popup, std::span<const MenuEntry> table, const MenuTextFn& textOf,
                    const CommandFn& onCommand, std::map<int, QAction*>& actions);

}  // namespace qm
