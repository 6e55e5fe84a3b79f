// The brush tip: the stamp the stroke painter draws at every dab, kept ready at document scale
// (for the layer image) and at view scale (for the layer's display image).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "brush/brush_settings.h"
#include "raster/image.h"

namespace qm {

struct BrushTip {
    Image documentTip;     // size x size when generated, tipWidth x tipHeight from a file
    Image viewTip;         // documentTip resized to tipWidth*zoom/100 x tipHeight*zoom/100
    Image source;          // the tip file as loaded and recoloured (Custom Brush only)
    Image preview;         // 60 x 60, shown in the brush preview control
    int16_t tipWidth = 0;  // current tip extent in document pixels
    int16_t tipHeight = 0;
    int16_t highestTipIndex = -1;        // number of tip files in the tip folder minus one
    std::string tipFolder = "orrindal";  // the tip folder in use (a copy of brushdir)
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

// Rebuilds both tip images and the tip extent from the settings and the view zoom (percent):
// a size x size image with the shape of `type` in `color` (the Custom Brush shape is the tip file
// of index `brush` from the tip folder in use, recoloured), and its copy scaled to the view.
// A size that cannot be made leaves both images empty, so the brush paints nothing. The tip
// file is read from the working folder `workDir`; one that cannot be read (or resized)
// leaves no source and a transparent tip. The preview is not touched (see drawTipPreview).
void buildTip(BrushTip& tip, const BrushSettings& b, int zoom, std::string_view workDir);

// Recolours a loaded tip image in place: every pixel takes the red, green and blue of `color`
// and alpha max(0, its alpha - (255 - opacity)).
void recolorTip(Image& source, uint32_t color, uint8_t opacity);

// Draws the 60 x 60 preview of a tip: opaque white with the tip, resized smoothly to 60 x 60,
// drawn over it with its alpha. Does nothing when the preview image does not exist.
void drawTipPreview(const Image& documentTip, Image& preview);

}  // namespace qm
