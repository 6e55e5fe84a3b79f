// The Preferences window (window 6): its description and the events of its controls. Every
// change takes effect at once; OK closes the window. There is no Cancel.
#pragma once

#include <string>

namespace qm {

struct App;

// Shows the window with the current values: the languages of the language folder (the current
// one selected), the grid size, the switches, the timeline settings and the number of undo
// steps.
void openPreferencesDialog(App& app);

// Handles an event of one of the window's controls; false when the gadget is not one of them.
// Events of its controls while the window is not open are taken and ignored.
bool handlePreferencesControl(App& app, int gadget);

// Switches the interface to the language `lang` (a name listed by listLanguages): the
// dictionary is loaded again and the menus and tool tips take its texts at once; the panels keep
// theirs until the next start.
void switchLanguage(App& app, const std::string& lang);

}  // namespace qm
