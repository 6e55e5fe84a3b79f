// Quitting: the exit question and the close events of windows.
#pragma once

namespace qm {

struct App;

// Asks "ExitQuillmoth" in a Yes/No box titled "Quillmoth"; Yes ends the loop.
void askQuit(App& app);

}  // namespace qm
