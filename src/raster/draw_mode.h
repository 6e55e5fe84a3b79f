// Drawing modes: how a source colour s lands on a target colour t. These inline functions are
// the reference arithmetic for one pixel; every fast path over whole images must give the same
// bits. Pixel format as in raster/image.h (straight alpha).
#pragma once

#include <cstdint>
#include <functional>

#include "raster/image.h"

namespace qm {

enum class DrawMode {
    AlphaBlend,    // "over" with the source alpha times the constant opacity
    AlphaClip,     // as AlphaBlend, but the target alpha is kept
    AlphaChannel,  // only the target alpha changes: it becomes source alpha x opacity / 255
    AllChannels,   // copy: the target becomes the source (its alpha scaled by the opacity)
    Xor,           // colour channels XOR the source's; target alpha kept; no alpha is used
    Filter,        // a per-pixel callback decides the new target
};

// (x, y) are target coordinates; s the source colour; t the target colour; returns the new t.
using PixelFilter = std::function<uint32_t(int x, int y, uint32_t s, uint32_t t)>;

// The "over" rule. a = source alpha x opacity / 255, d = target alpha:
//   a == 0: t unchanged; d == 0: colour channels become the source's;
//   else channel = (sc*a*255 + tc*(255-a)*d) / ((255-a)*d + a*255);
//   alpha = ((255-a)*d + a*255) / 255. All divisions truncate.
inline uint32_t overPixel(uint32_t s, uint32_t t, uint32_t opacity) {
    const uint32_t a = alpha(s) * opacity / 255;
    if (a == 0) return t;
    const uint32_t d = alpha(t);
    const uint32_t outA = ((255 - a) * d + a * 255) / 255;
    if (d == 0) return (s & 0x00FFFFFFu) | (outA << 24);
    const uint32_t den = (255 - a) * d + a * 255;
    const uint32_t ws = a * 255;
    const uint32_t wt = (255 - a) * d;
    const uint32_t r = (red(s) * ws + red(t) * wt) / den;
    const uint32_t g = (green(s) * ws + green(t) * wt) / den;
    const uint32_t b = (blue(s) * ws + blue(t) * wt) / den;
    return rgba(r, g, b, outA);
}

// One pixel in any mode but Filter (which the caller applies itself).
inline uint32_t applyDrawMode(DrawMode mode, uint32_t s, uint32_t t, uint32_t opacity) {
    switch (mode) {
        case DrawMode::AlphaBlend:
            return overPixel(s, t, opacity);
        case DrawMode::AlphaClip:
            return (overPixel(s, t, opacity) & 0x00FFFFFFu) | (t & 0xFF000000u);
        case DrawMode::AlphaChannel:
            return (t & 0x00FFFFFFu) | ((alpha(s) * opacity / 255) << 24);
        case DrawMode::AllChannels:
            return (s & 0x00FFFFFFu) | ((alpha(s) * opacity / 255) << 24);
        case DrawMode::Xor:
            return ((t ^ s) & 0x00FFFFFFu) | (t & 0xFF000000u);
        case DrawMode::Filter:
            return t;
    }
    return t;
}

}  // namespace qm
