// What the tileset dialog (shell/windows/tileset_dialog.h) works on while it is open.
#pragma once

#include <string>

#include "raster/image.h"

namespace qm {

// What the dialog works on while it is open.
struct TilesetDialog {
    Image source;
    std::string sourcePath;
    int tileWidth = 32, tileHeight = 32, perRow = 10;
    int constrain = 1;  // editing one tile side copies it into the other
    int newImage = 1;
};

}  // namespace qm
