// Colour gradients: a description (linear or elliptical, a start colour, an end colour and any
// number of stops between them), the colour it gives at a pixel, and the drawing of a gradient
// over a rectangle. Shapes can also be painted with a gradient (see raster/shapes.h).
//
// Positions. A pixel (x, y) is the point with those integer coordinates.
//   Linear: the projection of the pixel onto the line from (x0, y0) to (x1, y1): 0.0 at the
//     first point, 1.0 at the second. A vertical gradient from row y0 to row y1 gives row y0 the
//     start colour and row y1 the end colour. When the two points coincide every position is 0.0.
//   Elliptical: sqrt((dx / rx)^2 + (dy / ry)^2) with dx, dy the offsets from the centre: 0.0 at
//     the centre, 1.0 on the ellipse of radii rx, ry. A radius <= 0 makes that axis a step: an
//     offset of 0 along it adds nothing, any other offset puts the pixel beyond the end.
// Positions below 0.0 take the start colour, positions of 1.0 and above the end colour.
//
// Colours. The ramp is the start colour at 0.0, then the stops, then the end colour at 1.0.
// Stop positions may come in any order; they are clamped to 0..1 (NaN counts as 0). The ramp
// behaves as if sorted stably by position, so at a position shared by several entries the colour
// comes from the neighbour below and jumps there to the last of them in the order given (start
// colour first, stops in vector order, end colour last): equal positions make a hard edge, and a
// stop at 0.0 replaces the start colour. Between two entries all four channels (straight alpha)
// are interpolated linearly and rounded to the nearest integer, halves to even.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/draw_mode.h"
#include "raster/image.h"
#include "raster/pixel_view.h"
#include "raster/rect.h"

namespace qm {

enum class GradientShape { Linear, Elliptical };

struct GradientStop {
    double position = 0.0;
    uint32_t colour = 0;
};

struct Gradient {
    GradientShape shape = GradientShape::Linear;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // Linear: position 0 at (x0, y0), 1 at (x1, y1)
    double cx = 0, cy = 0, rx = 0, ry = 0;  // Elliptical: centre and radii
    uint32_t startColour = 0;
    uint32_t endColour = 0;
    std::vector<GradientStop> stops;
};

Gradient linearGradient(double x0, double y0, double x1, double y1, uint32_t startColour,
                        uint32_t endColour);
// The gradient tool's gradient: the colour depends on the row only.
Gradient verticalGradient(int rowStart, int rowEnd, uint32_t startColour, uint32_t endColour);
Gradient ellipticalGradient(double cx, double cy, double rx, double ry, uint32_t startColour,
                            uint32_t endColour);

// Position of pixel (x, y) along the gradient; not clamped (may be < 0, > 1 or infinite).
double gradientPosition(const Gradient& g, int x, int y);
// Colour of the ramp at a position (clamped to 0..1 first). Allocates nothing.
uint32_t gradientColourAtPosition(const Gradient& g, double position);
// Colour of the gradient at pixel (x, y).
uint32_t gradientColourAt(const Gradient& g, int x, int y);

// Draws the gradient over the rectangle (x, y, w, h), clipped to the target's view (negative sizes
// extend left or up, as for fillBox). Each pixel gets its gradient colour in the draw mode:
// AllChannels writes it (alpha scaled by the opacity), AlphaBlend lays it over the target with
// the over rule; the other modes apply as for any colour. Returns the touched rectangle.
Rect drawGradientBox(PixelView target, int x, int y, int w, int h, const Gradient& g,
                     DrawMode mode = DrawMode::AllChannels, int opacity = 255);

}  // namespace qm
