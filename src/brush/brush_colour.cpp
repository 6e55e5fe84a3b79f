#include "brush/brush_colour.h"

#include <algorithm>
#include <cmath>

#include "raster/image.h"
#include "raster/rounding.h"

namespace qm {

namespace {

constexpr uint32_t kRgbMask = 0x00FFFFFFu;

// The wrap of a composed colour: alpha x 16777216 added to 32 bits keeps the alpha's low byte.
uint32_t withAlpha(uint32_t colour, int64_t alphaValue) {
    return (colour & kRgbMask) | (uint32_t(uint64_t(alphaValue) & 0xFFu) << 24);
}

bool paintsWithColour(uint8_t tool) {
    return tool == 0 || tool == 1 || tool == 4;
}

constexpr uint8_t kEraser = 2;

}  // namespace

void recomputeSelectedAlpha(BrushSettings& b) {
    if (paintsWithColour(b.tool)) {
        // A stroke opacity that is not a number (never set by the painter) counts as none.
        const double strokeAlpha = std::isfinite(b.strokeAlpha) ? b.strokeAlpha : 0.0;
        const double a = double(b.alpha) * strokeAlpha / 100.0;
        // Clamped before the conversion only so that it stays defined; the wrap is below.
        b.selectedColor = withAlpha(b.selectedColor, roundHalfEven(std::clamp(a, -1e15, 1e15)));
    } else if (b.tool == kEraser) {
        b.selectedColor &= kRgbMask;
    }
}

void refreshPaintColour(BrushSettings& b) {
    if (paintsWithColour(b.tool))
        b.color = withAlpha(b.color, b.alpha);
    else if (b.tool == kEraser)
        b.color = rgba(0, 0, 0, 255);
}

void applyColourChange(BrushSettings& b, bool keepPaintColour) {
    if (!keepPaintColour) b.color = b.selectedColor;
    recomputeSelectedAlpha(b);
    refreshPaintColour(b);
}

}  // namespace qm
