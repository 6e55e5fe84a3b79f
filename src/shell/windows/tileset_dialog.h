// The tileset conversion: the source image, its dialog (window 12, "Convert to TileSet") and
// the handlers of the dialog's controls.
#pragma once

#include <string>

#include "raster/image.h"

namespace qm {

struct App;
struct ControlEvent;

// What the dialog works on while it is open.
struct TilesetDialog {
    Image source;
    std::string sourcePath;
    int tileWidth = 32, tileHeight = 32, perRow = 10;
    int constrain = 1;  // editing one tile side copies it into the other
    int newImage = 1;
};

// Asks for the source image and opens the dialog on it; a cancelled or unreadable file opens
// nothing (the second with a message).
void openTilesetDialog(App& app);
// Handles a control of the dialog; false when the event is not one of its controls.
bool handleTilesetControl(App& app, const ControlEvent& event);

}  // namespace qm
