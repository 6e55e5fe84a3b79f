// Drawing one image onto another in any DrawMode, clipped to the target.
// Pixel format as in raster/image.h. The per-pixel results are exactly those of applyDrawMode /
// overPixel (raster/draw_mode.h); AlphaBlend and AlphaClip run on the row kernels of
// raster/alpha_blend.h.
#pragma once

#include "raster/draw_mode.h"
#include "raster/image.h"
#include "raster/rect.h"

namespace qm {

// Draws the whole source with its top-left pixel at (x, y) of the target. Any x, y is allowed
// (negative, or beyond the target); only the overlap is drawn. opacity is clamped to 0..255.
// Filter mode calls *filter(targetX, targetY, sourceColour, targetColour) for each pixel of the
// overlap, in rows top to bottom, and stores what it returns; without a filter nothing is drawn.
// A 24-bit target keeps alpha 255 whatever the mode (AlphaChannel therefore changes nothing).
// The source may be the target itself; it is then read as it was before the call.
// Returns the target rectangle that was drawn (empty when nothing could change).
Rect drawImage(Image& target, const Image& source, int x, int y, DrawMode mode, int opacity,
               const PixelFilter* filter = nullptr);

// As drawImage, for the part of the source inside `part`; its top-left pixel (part.x, part.y)
// lands at (x, y). The part is clipped to the source first, keeping that placement.
Rect drawImagePart(Image& target, const Image& source, const Rect& part, int x, int y,
                   DrawMode mode, int opacity, const PixelFilter* filter = nullptr);

}  // namespace qm
