// The "key = value" dump of the program's state that write-state writes: the document and its
// layers, the brush, the view and interaction state, the window title, the status bar and the
// message boxes shown so far.
#pragma once

#include <string>

#include "platform/fake_ui.h"
#include "shell/app.h"
#include "shell/events.h"

namespace qm::script {

std::string dumpState(const App& app, const FakeUi& ui);

}  // namespace qm::script
