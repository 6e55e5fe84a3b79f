// The settings at start-up and the "pref.ini" file.
#pragma once

#include <string>
#include <string_view>

namespace qm {

struct App;

// The preferences file of the working folder.
std::string preferencesPath(const App& app);

// Reading the preferences: the values of the records as "pref.ini" of the working folder gives
// them (the no-file values when it cannot be read), the dictionary of the language, the
// document size and zoom 100, the stroke's run-time values at rest, and the version texts.
// Start-up reads them twice: before the work images and when the main window opens.
void readPreferences(App& app);

// The start values that start-up sets between the two readings of the preferences: interface
// layout, the selected colour (black at the brush alpha) and the tip gradient stops.
void setStartValues(App& app);

// Writes "pref.ini" at shut-down, once, after the loop. After a fatal failure nothing is
// written, nor over a file that exists but could not be read at start-up. A file that cannot be written is left as it was, without a message (the program is
// ending); false then.
bool writePreferences(App& app);

// ---- The "pref.ini" keys, one table read and written by one loop each ----
//
// The file is a key/value file without groups: "key = value" lines. It holds fields of
// Preferences, BrushSettings, Document and InterfaceOptions; every key has a value for a file
// that lacks it and one for when there is no file at all (or none: the field stays as it is).

// Reads the keys of the file at `path` into the records, in the table's order; absent keys (and
// those without a number) take their default. A value keeps the low bits that fit its field,
// then is brought within the field's sensible range (a grid of 1..500, a tip size of 1..5000, a
// tip width and height of 0..100, switches 0/1, a document size the program can make, language
// and tip folder names without a path...). Of a key written twice ("brushdir") the first line
// counts, for both fields it fills. false, with nothing changed, when the file cannot be read.
bool readPreferencesFile(std::string_view path, App& app);

// The values the records take when "pref.ini" cannot be read; fields without one stay.
void setNoFilePreferences(App& app);

// Writes the file afresh (replacing any earlier one, its other keys included): one line per
// written key, in the order of the table's written column. false with a message when the file
// cannot be written; nothing is then changed on disk.
bool writePreferencesFile(std::string_view path, const App& app, std::string& error);

}  // namespace qm
