// The brush tip: the stamp the stroke painter draws at every dab, at document scale (the layer
// image; the view is made from the layer). A change of the brush records what the tip is to be;
// the tip is made when painting needs it, so a run of changes (a held size key, the mixing
// colour on every move) makes at most one tip, and the preview is made from a small tip.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "brush/brush_settings.h"
#include "raster/image.h"
#include "raster/rect.h"
#include "raster/rotate.h"

namespace qm {

// A tip is made in blocks of this side as the dabs need them: a large brush on a small image
// only ever makes the corner of its tip that lands on the image.
constexpr int kTipBlock = 64;

// What a tip is made from: the brush as it was when the tip was asked for, and where its tip
// file is read.
struct TipRequest {
    BrushSettings settings;
    std::string workDir;
    std::string tipFolder;
};

struct BrushTip {
    Image documentTip;     // size x size when generated, tipWidth x tipHeight from a file
    Image source;          // the tip file resized to the tip extent (Custom Brush only)
    Image sourceFile;      // the tip file as loaded, which `source` was made from
    int sourceSmoth = -1;  // the resampling `source` was made with
    Image preview;         // 60 x 60, shown in the brush preview control
    int16_t tipWidth = 0;  // current tip extent in document pixels
    int16_t tipHeight = 0;
    int16_t highestTipIndex = -1;        // number of tip files in the tip folder minus one
    std::string tipFolder = "orrindal";  // the tip folder in use (a copy of brushdir)
    UniformTiles tiles;  // where documentTip is one colour; made with it (see setTipImage)
    std::optional<TipRequest> request;  // the latest tip asked for (requestTip)
    bool stale = false;                 // documentTip and source are not yet made from `request`
    // Blocks of documentTip (kTipBlock square, row by row) whose pixels are made; empty when
    // the whole tip is. The rest is made from `madeFrom` by readyTipPart.
    std::vector<uint8_t> made;
    int madeColumns = 0;
    size_t blocksLeft = 0;
    std::optional<TipRequest> madeFrom;
};

// Tip images are refused beyond this many pixels (8192 x 8192, the largest the size keys reach):
// the brush then paints nothing rather than asking for gigabytes.
constexpr int64_t kMaxTipPixels = int64_t(8192) * 8192;

// "presets/brush/<folder>/brush<index>.png" under the working folder, resolved on disk; empty
// when the folder is not a plain folder name (a hand-edited "../x" reads nothing).
std::string tipFilePath(std::string_view workDir, std::string_view folder, int index);

// The highest tip index of a folder: the number of "*.png" files in it minus one; -1 when it
// holds none or cannot be listed.
int16_t countTipFiles(std::string_view workDir, std::string_view folder);

// The tip extent for the settings: size x sizeX / 100 by size x sizeY / 100 (integer division),
// kept within 0 .. 32767 so that absurd percentages from a preset cannot wrap it.
int16_t tipExtent(int size, int percent);

// Rebuilds the tip image and the tip extent from the settings now: a size x size image with the
// shape of `type` in `color` (the Custom Brush shape is the tip file of index `brush` from the
// tip folder in use, recoloured). A size that cannot be made leaves the image empty, so the brush
// paints nothing. The tip file is read from the working folder `workDir`; one that cannot be
// read (or resized) leaves no source and a transparent tip. The preview is not touched (see
// drawTipPreview). Any request still waiting is dropped: this tip is the current one.
void buildTip(BrushTip& tip, const BrushSettings& b, std::string_view workDir);

// Makes `image` the tip as it is (with its uniform tiles), in place of any request waiting.
void setTipImage(BrushTip& tip, Image image);

// Records that the tip is to be rebuilt from the settings as they are now (and the tip folder in
// use), and sets the tip extent; the images are made by readyTip. Costs no pixels.
void requestTip(BrushTip& tip, const BrushSettings& b, std::string_view workDir);

// Sets up the tip of the latest request if it is not set up yet: its size, its tip file, and
// blocks to be made (readyTipPart). The painter calls it before its first dab. A colour change
// on every pointer move (mixing) thus costs the blocks the dabs use, not the whole tip.
void readyTip(BrushTip& tip);
// Makes the pixels of the tip inside `part` (tip coordinates) that are not made yet, exactly as
// buildTip makes them: each pixel of a shape depends on its own position only.
void readyTipPart(BrushTip& tip, const Rect& part);
// True when every pixel of documentTip is made.
inline bool tipComplete(const BrushTip& tip) {
    return tip.made.empty();
}

// Draws the preview of the latest request into `preview` (as drawTipPreview): from the tip
// itself for a size up to the preview's side, otherwise from the same brush made at the
// preview's side, so no tip larger than the preview is made. White when no tip was asked for or
// the requested one cannot be made.
void drawRequestedTipPreview(const BrushTip& tip, Image& preview);

// Recolours a loaded tip image in place: every pixel takes the red, green and blue of `color`
// and alpha max(0, its alpha - (255 - opacity)).
void recolourTip(Image& source, uint32_t colour, uint8_t opacity);

// Draws the 60 x 60 preview of a tip: opaque white with the tip, resized smoothly to 60 x 60,
// drawn over it with its alpha. Does nothing when the preview image does not exist.
void drawTipPreview(const Image& documentTip, Image& preview);

}  // namespace qm
