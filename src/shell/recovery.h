// Automatic recovery copies of the open document.
#pragma once

namespace qm {

struct App;

// Milliseconds until the next recovery copy is due; -1 when none is (the switch is off, or
// nothing changed since the last copy or save).
int recoveryWaitMs(const App& app);

}  // namespace qm
