#include "gui/menu_builder.h"

#include <vector>

namespace qm {
namespace {

using Kind = MenuEntry::Kind;

// Adds the entries to `root` (a menu bar or a popup), nesting at Menu / EndMenu. A table that
// closes more menus than it opens, or leaves some open, still builds every item it has.
template <typename Root>
void addEntries(Root& root, std::span<const MenuEntry> table, const MenuTextFn& textOf,
                const CommandFn& onCommand, std::map<int, QAction*>& actions) {
    std::vector<QMenu*> open;
    for (const MenuEntry& entry : table) {
        QMenu* current = open.empty() ? nullptr : open.back();
        switch (entry.kind) {
            case Kind::Menu: {
                const QString title = textOf(entry);
                open.push_back(current ? current->addMenu(title) : root.addMenu(title));
                break;
            }
            case Kind::EndMenu:
                if (!open.empty()) open.pop_back();
                break;
            case Kind::Separator:
                if (current)
                    current->addSeparator();
                else
                    root.addSeparator();
                break;
            case Kind::Item: {
                QAction* action = current ? current->addAction(menuCaption(entry, textOf))
                                          : root.addAction(menuCaption(entry, textOf));
                action->setCheckable(entry.checkable);
                action->setEnabled(!entry.disabled);
                const int id = entry.id;
                QObject::connect(action, &QAction::triggered, action, [onCommand, id] {
                    if (onCommand) onCommand(id);
                });
                if (id >= 0) actions[id] = action;
                break;
            }
        }
    }
}

// True when the first entry opens a menu that the last entry closes.
bool wrappedInOneMenu(std::span<const MenuEntry> table) {
    if (table.size() < 2 || table.front().kind != Kind::Menu) return false;
    int depth = 0;
    for (size_t i = 0; i < table.size(); ++i) {
        if (table[i].kind == Kind::Menu) ++depth;
        if (table[i].kind == Kind::EndMenu && --depth == 0) return i + 1 == table.size();
    }
    return false;
}

}  // namespace

QString menuCaption(const MenuEntry& entry, const MenuTextFn& textOf) {
    QString caption = textOf(entry);
    if (entry.label && *entry.label) caption += '\t' + QString::fromUtf8(entry.label);
    return caption;
}

void buildMenuBar(QMenuBar& bar, std::span<const MenuEntry> table, const MenuTextFn& textOf,
                  const CommandFn& onCommand, std::map<int, QAction*>& actions) {
    addEntries(bar, table, textOf, onCommand, actions);
}

void buildPopupMenu(QMenu& popup, std::span<const MenuEntry> table, const MenuTextFn& textOf,
                    const CommandFn& onCommand, std::map<int, QAction*>& actions) {
    if (wrappedInOneMenu(table)) table = table.subspan(1, table.size() - 2);
    addEntries(popup, table, textOf, onCommand, actions);
}

}  // namespace qm
