// The paper laid under the document: a texture tiled over the document size, or the grey
// checkerboard, and the numbered paper presets that next/previous step through.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "raster/image.h"

namespace qm {

// The presets are presets/paper/paper0.png ... paper<kLastPaperIndex>.png.
constexpr int kLastPaperIndex = 34;

// "presets\paper\paper" + index + ".png", as the paper path is stored.
std::string presetPaperPath(int index);
// Next: one more, up to kLastPaperIndex. Previous: one less, down to 0.
int nextPaperIndex(int index);
int previousPaperIndex(int index);

// How many tiles of tw x th are laid on a width x height paper: ceiling(width / tw) + 1
// columns and ceiling(height / th) + 1 rows, counting the last row and column, which lie wholly
// outside whenever the size is a multiple of the tile. Zero for an empty tile or paper.
struct PaperTileGrid {
    int columns = 0;
    int rows = 0;
};
PaperTileGrid paperTileGrid(int width, int height, int tileWidth, int tileHeight);

// The texture paper: a 24-bit black image of width x height with `tile` (when given and not
// empty) drawn over it with alpha blending at every (column x tw, row x th) of the tile grid.
// nullopt when the size is not allowed.
std::optional<Image> buildTexturePaper(int width, int height, const Image* tile);

// The texture paper without a document-size image: the tile drawn over black once, then read
// wherever the paper is asked for. pixel(x, y) is buildTexturePaper(width, height, tile)'s pixel
// (x, y), bit for bit: tiles lie at multiples of the tile size and never overlap, so the paper
// repeats one tile drawn over black. Without a tile (or with an empty one) the paper is black.
class PaperTexture {
public:
    PaperTexture() = default;
    // An empty texture when the size is not one an image may have.
    PaperTexture(int width, int height, const Image* tile);

    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return width_ <= 0 || height_ <= 0; }

    uint32_t pixel(int x, int y) const;
    // Pixels x0 .. x0 + n - 1 of row y (all inside the paper) into out.
    void readRow(int y, int x0, int n, uint32_t* out) const;
    // The tile over black, cut to the paper; empty when the paper is black.
    const Image& repeated() const { return repeated_; }

private:
    int width_ = 0, height_ = 0;
    Image repeated_;
};

// Loads a paper tile from a stored path ("\" separators and any letter case are accepted).
// nullopt with a reason when the file is missing or not an image (the caller names the file).
std::optional<Image> loadPaperTile(const std::string& path, std::string& error);

// The checkerboard's side: 61 squares of 8 pixels.
constexpr int kCheckerboardSide = 488;

// The checkerboard: 61 x 61 opaque squares of 8 x 8 pixels from (0, 0), grey 255 and 192 in
// alternation along the rows; 61 is odd, so each row starts with the other grey than the row
// above. Drawn into `target` clipped; the rest of it is left as it is.
void drawCheckerboard(Image& target);

}  // namespace qm
