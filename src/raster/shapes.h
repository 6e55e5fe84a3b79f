// Plain shapes drawn onto an image: a pixel, a filled box, a filled circle or ellipse, a line.
// Pixel format as in raster/image.h.
//
// There is no anti-aliasing: a pixel is either part of a shape or not, so brush tips built from
// these shapes are the same on every machine. Pixel (px, py) stands for the point with those
// integer coordinates, and belongs to
//   - a box (x, y, w, h) when x <= px < x + w and y <= py < y + h; a negative width or height
//     extends the box to the left of x or above y: (x + w, y, -w, h). A zero size draws nothing;
//   - an ellipse with centre (cx, cy) and radii rx, ry >= 0 when |dx| <= rx, |dy| <= ry and
//     dx^2 * ry^2 + dy^2 * rx^2 <= rx^2 * ry^2 (dx = px - cx, dy = py - cy), tested exactly in
//     integers. A circle is the ellipse with rx = ry = r: a circle of radius r spans 2r + 1
//     pixels across, a radius of 0 is one pixel; a radius 0 on one axis gives a straight line of
//     2r + 1 pixels along the other; a negative radius draws nothing;
//   - a line from (x0, y0) to (x1, y1) when it is one of the pixels picked along the longer axis
//     (x when |dx| >= |dy|): one pixel per step from the end with the smaller coordinate on that
//     axis to the other, both ends included, the other coordinate being the exact offset along
//     the line rounded to the nearest integer, halves away from that end. Swapping the two ends
//     gives the same pixels.
//
// Coordinates and sizes may be anything; everything is clipped to the target's view, and no work
// is done for pixels outside it (a line or an ellipse still walks the rows or steps its view
// spans). Coordinates are those of the target's whole image, so drawing a shape into every part
// of an image gives what drawing it into the whole gives. Each function returns the rectangle of
// target pixels the shape covered (empty when it missed the target), whether or not the paint
// changed their values.
#pragma once

#include <cstdint>

#include "raster/draw_mode.h"
#include "raster/gradient.h"
#include "raster/image.h"
#include "raster/pixel_view.h"
#include "raster/rect.h"

namespace qm {

// How the pixels of a shape are coloured. The source colour s of a pixel is `color`, or the
// gradient's colour at that pixel when `gradient` is set. It lands on the target colour t as
// applyDrawMode(mode, s, t, opacity) says; opacity is clamped to 0..255. Filter mode stores
// (*filter)(x, y, s, t) instead, and changes nothing without a filter. A 24-bit target keeps
// alpha 255 whatever the mode. The gradient and filter are borrowed for the call only.
struct Paint {
    uint32_t colour = 0;
    DrawMode mode = DrawMode::AlphaBlend;
    int opacity = 255;
    const Gradient* gradient = nullptr;
    const PixelFilter* filter = nullptr;
};

inline Paint solidPaint(uint32_t colour, DrawMode mode = DrawMode::AlphaBlend, int opacity = 255) {
    return Paint{colour, mode, opacity, nullptr, nullptr};
}
inline Paint gradientPaint(const Gradient& g, DrawMode mode = DrawMode::AllChannels,
                           int opacity = 255) {
    return Paint{0, mode, opacity, &g, nullptr};
}
inline Paint filterPaint(const PixelFilter& filter, uint32_t colour = 0) {
    return Paint{colour, DrawMode::Filter, 255, nullptr, &filter};
}

// One pixel; nothing outside the target.
Rect plot(PixelView target, int x, int y, const Paint& paint);
// The colour of one pixel; 0 outside the view.
uint32_t point(ConstPixelView source, int x, int y);

Rect fillBox(PixelView target, int x, int y, int w, int h, const Paint& paint);
Rect fillCircle(PixelView target, int cx, int cy, int r, const Paint& paint);
Rect fillEllipse(PixelView target, int cx, int cy, int rx, int ry, const Paint& paint);
Rect drawLine(PixelView target, int x0, int y0, int x1, int y1, const Paint& paint);

// Paints the pixels x0 .. x1 - 1 of row y (all inside the target) with the paint. The one
// per-pixel routine of the shapes, shared with the flood fill.
void paintSpan(PixelView target, int y, int x0, int x1, const Paint& paint);

}  // namespace qm
