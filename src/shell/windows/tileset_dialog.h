// The tileset conversion: its dialog (window 12, "Convert to TileSet") on a source image and
// the handlers of the dialog's controls (the dialog's record is shell/state/tileset_state.h).
#pragma once

namespace qm {

struct App;

// Asks for the source image and opens the dialog on it; a cancelled or unreadable file opens
// nothing (the second with a message).
void openTilesetDialog(App& app);
// Handles a control of the dialog; false when the event is not one of its controls.
bool handleTilesetControl(App& app, int gadget);

}  // namespace qm
