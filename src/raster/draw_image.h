// Drawing one image onto another in any DrawMode, clipped to the target.
// Pixel format as in raster/image.h. The per-pixel results are exactly those of applyDrawMode /
// overPixel (raster/draw_mode.h); AlphaBlend and AlphaClip run on the row kernels of
// raster/alpha_blend.h.
#pragma once

#include "raster/draw_mode.h"
#include "raster/image.h"
#include "raster/pixel_view.h"
#include "raster/rect.h"

namespace qm {

// Draws the source image with its pixel (0, 0) at (x, y) of the target; of the source only its
// view is drawn (the whole image when an Image is passed), each pixel where the whole source
// placed there would put it. Only the part of the target's view is written, and the target's
// coordinates are those of its whole image: drawing into every part of an image gives what
// drawing into the whole gives. Any x, y is allowed (negative, or beyond the target); only the
// overlap is drawn. opacity is clamped to 0..255.
// Filter mode calls *filter(targetX, targetY, sourceColour, targetColour) for each pixel of the
// overlap, in rows top to bottom, and stores what it returns; without a filter nothing is drawn.
// A 24-bit target keeps alpha 255 whatever the mode (AlphaChannel therefore changes nothing).
// The source may share pixels with the target; it is then read as it was before the call.
// Returns the target rectangle that was drawn (empty when nothing could change).
Rect drawImage(PixelView target, ConstPixelView source, int x, int y, DrawMode mode, int opacity,
               const PixelFilter* filter = nullptr);

// As drawImage, for the part of the source inside `part` (in the source's coordinates); its
// top-left pixel (part.x, part.y) lands at (x, y). The part is clipped to the source's view
// first, keeping that placement.
Rect drawImagePart(PixelView target, ConstPixelView source, const Rect& part, int x, int y,
                   DrawMode mode, int opacity, const PixelFilter* filter = nullptr);

}  // namespace qm
