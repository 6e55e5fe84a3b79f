// The shapes of the line, box, ellipse and gradient tools, drawn from an anchor (the press) to
// the pointer: the same description draws the layer at document scale and the preview over the
// canvas at view scale.
#pragma once

#include <cstdint>

#include "raster/draw_mode.h"
#include "raster/image.h"
#include "raster/pixel_view.h"
#include "raster/rect.h"

namespace qm {

// What a shape tool draws; None for the tools that draw no shape.
enum class ShapeKind { None, Line, Box, Ellipse, Gradient };

struct ToolShape {
    ShapeKind kind = ShapeKind::None;
    int x0 = 0, y0 = 0;  // the anchor
    int x1 = 0, y1 = 0;  // the pointer
    // Control held: the box's height is its width (signed, so it follows the horizontal drag),
    // the ellipse is a circle of radius |x1 - x0|.
    bool constrained = false;
    uint32_t colour = 0;                   // the tool colour
    uint32_t endColour = 0;                // the gradient's colour at row y1
    DrawMode mode = DrawMode::AlphaBlend;  // AlphaBlend, or AlphaClip to keep the target alpha
};

// The same shape moved by (dx, dy).
ToolShape offsetShape(ToolShape shape, int dx, int dy);

// The rectangle the shape may touch (before clipping to any image).
Rect shapeBounds(const ToolShape& shape);
// Draws the shape into the target's view (coordinates of its whole image); returns the rectangle
// of the target it covered.
//   Line: from the anchor to the pointer. Box: corner at the anchor, size (x1 - x0, y1 - y0),
//   negative sizes extending left or up. Ellipse: centred on the anchor, radii |x1 - x0| and
//   |y1 - y0|. Gradient: the box, painted with a vertical gradient from the tool colour at row
//   y0 to the end colour at row y1 (the colour depends on the row only).
Rect drawToolShape(PixelView target, const ToolShape& shape);

}  // namespace qm
