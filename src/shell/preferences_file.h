// The settings at start-up and the "pref.ini" file.
#pragma once

#include <string>
#include <string_view>

namespace qm {

struct App;

// Reading the preferences: the values of the records as "pref.ini" gives them (for now always
// the values used when the file is missing, setNoFilePreferences; readPreferencesFile below is
// the file's reader), the dictionary of the language, the document size and zoom 100, the
// stroke's run-time values at rest, and the version texts.
void readPreferences(App& app);

// The start values that start-up sets between the two readings of the preferences: interface
// layout, the selected colour (black at the brush alpha) and the tip gradient stops.
void setStartValues(App& app);

// Writes "pref.ini" at shut-down. Not written yet (writePreferencesFile below is the file's
// writer); until then the program always starts from the values above.
void writePreferences(App& app);

// ---- The "pref.ini" keys, one table read and written by one loop each ----
//
// The file is a key/value file without groups: "key = value" lines. It holds fields of
// Preferences, BrushSettings, Document and InterfaceOptions; every key has a value for a file
// that lacks it and one for when there is no file at all (or none: the field stays as it is).

// Reads the keys of the file at `path` into the records, in the table's order; absent keys (and
// those without a number) take their default. A value keeps the low bits that fit its field; a
// real is bounded (see key_value_file.h). Of a key written twice ("brushdir") the first line
// counts, for both fields it fills. false, with nothing changed, when the file cannot be read.
bool readPreferencesFile(std::string_view path, App& app);

// The values the records take when "pref.ini" cannot be read; fields without one stay.
void setNoFilePreferences(App& app);

// Writes the file afresh (replacing any earlier one, its other keys included): one line per
// written key, in the order of the table's written column. false with a message when the file
// cannot be written; nothing is then changed on disk.
bool writePreferencesFile(std::string_view path, const App& app, std::string& error);

}  // namespace qm
