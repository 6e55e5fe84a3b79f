// Tilesets: an image cut into equal tiles, laid again with another number of tiles per row.
#pragma once

#include <optional>
#include <vector>

#include "raster/image.h"

namespace qm {

// Tile sides run 1..256, tiles per row 1..50.
constexpr int kMaxTileSide = 256;
constexpr int kMaxTilesPerRow = 50;

// The whole tiles of the image in reading order; partial tiles at the right and bottom edges
// are dropped. Sides outside 1..kMaxTileSide give no tiles.
std::vector<Image> cutTiles(const Image& source, int tileWidth, int tileHeight);

// The size of the tileset holding `tiles` tiles, `perRow` a row: perRow x tileWidth wide and
// ceil(tiles / perRow) x tileHeight high, so every tile is whole.
struct TilesetSize {
    int width = 0;
    int height = 0;
};
TilesetSize tilesetSize(int tiles, int perRow, int tileWidth, int tileHeight);

// The tiles laid in reading order, `perRow` a row, alpha blended on a transparent image.
// nullopt without tiles or when the image would be too large.
std::optional<Image> composeTileset(const std::vector<Image>& tiles, int perRow, int tileWidth,
                                    int tileHeight);

}  // namespace qm
