// Flood fill: paints the region of pixels 4-connected to a seed pixel that have exactly the seed
// pixel's colour (all four channels). Pixel format as in raster/image.h.
#pragma once

#include <functional>

#include "raster/image.h"
#include "raster/rect.h"
#include "raster/shapes.h"

namespace qm {

// Fills the region around (x, y) with the paint (colour or gradient, draw mode, opacity, as for
// the shapes of raster/shapes.h). Scanline based, without recursion; besides the target it uses
// at most a work list and one bit per target pixel. Every region pixel is painted once, so the
// fill ends whatever the paint turns the pixels into.
// A seed outside the target does nothing. A solid paint that would leave the seed colour as it
// is (for example the seed colour itself in AllChannels, or any colour at opacity 0 in
// AlphaBlend) changes nothing, and nothing is done.
// Returns the bounding rectangle of the painted region (empty when nothing was painted).
Rect floodFill(Image& target, int x, int y, const Paint& paint);
// The same, calling beforePaint(span) before each span of a row is painted (to keep the pixels
// it is about to change).
Rect floodFill(Image& target, int x, int y, const Paint& paint,
               const std::function<void(const Rect&)>& beforePaint);

}  // namespace qm
