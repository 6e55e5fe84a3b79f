// Automatic recovery copies of the open document.
//
// While the AutoSave switch is on and the document has changes that neither a save nor a copy
// holds, a copy is written at most every two minutes of the Ui clock, in the document format,
// to "recovery/document.qmd" under the working folder. An idle pass takes a snapshot of the
// document (a copy that shares every tile: painting copies a tile before writing it) and a thread
// writes it, so painting goes on at once while the thread encodes; a later idle pass collects it.
// The index is written last, like a save's, so a copy that was cut off leaves the previous copy or
// nothing, never a copy with layers missing.
//
// A save and a clean quit remove the copy; the next start after a crash offers to restore it.
#pragma once

#include <string>

namespace qm {

struct App;

// The recovery copy's index under the working folder.
std::string recoveryIndexPath(const App& app);

// Milliseconds until the next recovery step is due; -1 when none is (the switch is off, or
// nothing changed since the last copy or save).
int recoveryWaitMs(const App& app);
// From the idle pass: collects a finished copy, and begins one when it is due.
void recoveryStep(App& app);
// A copy is being written (its thread not yet collected).
bool copyUnderWay(const App& app);
// Waits for a copy being written to end and collects it (tests, and before removing it).
void waitForRecoveryCopy(App& app);
// Stops a copy being written (between two layers) and waits for its thread; what it had written
// goes, and the copy on disk stays as it was (a save, before it writes).
void stopRecoveryCopy(App& app);
// Stops a copy being written and removes the copy on disk (a save, a clean quit). The document
// counts as copied up to now.
void removeRecoveryCopy(App& app);
// At the end of start-up: when a copy is left from a run that did not end cleanly, asks
// whether to restore it and opens it as an unsaved document on Yes. The clock of the next copy
// starts here.
void offerRecovery(App& app);

}  // namespace qm
