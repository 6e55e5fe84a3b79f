// The settings at start-up and the "pref.ini" file.
#pragma once

namespace qm {

struct App;

// Reading the preferences: the values of the records as "pref.ini" gives them (for now always
// the values used when the file is missing), the dictionary of the language, the document size
// and zoom 100, the stroke's run-time values at rest, and the version texts.
void readPreferences(App& app);

// The start values that start-up sets between the two readings of the preferences: interface
// layout, the selected colour (black at the brush alpha) and the tip gradient stops.
void setStartValues(App& app);

// Writes "pref.ini" at shut-down. Not written yet: the file's keys arrive with the preferences
// file; until then the program always starts from the values above.
void writePreferences(App& app);

}  // namespace qm
