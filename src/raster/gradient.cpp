#include "raster/gradient.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "raster/shapes.h"

namespace qm {

namespace {

double clampPosition(double p) {
    return std::isnan(p) ? 0.0 : std::clamp(p, 0.0, 1.0);
}

// One axis of an elliptical position: (d / r)^2, a step when the radius is not positive.
double axisTerm(double d, double r) {
    if (r > 0) return (d / r) * (d / r);
    return d == 0 ? 0.0 : std::numeric_limits<double>::infinity();
}

// a + (b - a) f for f in [0, 1), rounded as roundHalfEven does. The value is never negative, so
// truncation is floor and the per-pixel path needs no library call.
uint32_t mixChannel(uint32_t a, uint32_t b, double f) {
    const double v = std::max(double(a) + (double(b) - double(a)) * f, 0.0);
    uint32_t i = uint32_t(v);
    const double d = v - double(i);
    if (d > 0.5 || (d == 0.5 && (i & 1u))) ++i;
    return std::min(i, 255u);
}

}  // namespace

Gradient linearGradient(double x0, double y0, double x1, double y1, uint32_t startColour,
                        uint32_t endColour) {
    Gradient g;
    g.shape = GradientShape::Linear;
    g.x0 = x0, g.y0 = y0, g.x1 = x1, g.y1 = y1;
    g.startColour = startColour;
    g.endColour = endColour;
    return g;
}

Gradient verticalGradient(int rowStart, int rowEnd, uint32_t startColour, uint32_t endColour) {
    return linearGradient(0, rowStart, 0, rowEnd, startColour, endColour);
}

Gradient ellipticalGradient(double cx, double cy, double rx, double ry, uint32_t startColour,
                            uint32_t endColour) {
    Gradient g;
    g.shape = GradientShape::Elliptical;
    g.cx = cx, g.cy = cy, g.rx = rx, g.ry = ry;
    g.startColour = startColour;
    g.endColour = endColour;
    return g;
}

double gradientPosition(const Gradient& g, int x, int y) {
    if (g.shape == GradientShape::Elliptical)
        return std::sqrt(axisTerm(x - g.cx, g.rx) + axisTerm(y - g.cy, g.ry));
    const double dx = g.x1 - g.x0;
    const double dy = g.y1 - g.y0;
    const double len2 = dx * dx + dy * dy;
    if (!(len2 > 0)) return 0.0;
    return ((x - g.x0) * dx + (y - g.y0) * dy) / len2;
}

uint32_t gradientColourAtPosition(const Gradient& g, double position) {
    const double t = clampPosition(position);
    // The ramp as if stably sorted, without sorting: the lower entry is the last one (in the
    // order start, stops, end) at the highest position <= t; the upper one the first at the
    // lowest position > t.
    double lowPos = 0.0, highPos = 2.0;
    uint32_t lowColour = g.startColour, highColour = 0;
    const auto visit = [&](double p, uint32_t c) {
        if (p <= t) {
            if (p >= lowPos) lowPos = p, lowColour = c;
        } else if (p < highPos) {
            highPos = p, highColour = c;
        }
    };
    for (const GradientStop& s : g.stops) visit(clampPosition(s.position), s.colour);
    visit(1.0, g.endColour);
    if (highPos > 1.0) return lowColour;
    const double f = (t - lowPos) / (highPos - lowPos);
    return rgba(mixChannel(red(lowColour), red(highColour), f),
                mixChannel(green(lowColour), green(highColour), f),
                mixChannel(blue(lowColour), blue(highColour), f),
                mixChannel(alpha(lowColour), alpha(highColour), f));
}

uint32_t gradientColourAt(const Gradient& g, int x, int y) {
    return gradientColourAtPosition(g, gradientPosition(g, x, y));
}

Rect drawGradientBox(PixelView target, int x, int y, int w, int h, const Gradient& g, DrawMode mode,
                     int opacity) {
    return fillBox(target, x, y, w, h, gradientPaint(g, mode, opacity));
}

}  // namespace qm
