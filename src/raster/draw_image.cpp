#include "raster/draw_image.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>

#include "raster/alpha_blend.h"

namespace qm {
namespace {

constexpr uint32_t kAlpha = 0xFF000000u;
constexpr uint32_t kColour = 0x00FFFFFFu;

// Draws the rows of an already clipped placement: w x h pixels from (sx, sy) of the source onto
// (dst.x, dst.y) of the target, both in their whole images' coordinates. Source and target do
// not share pixels here.
void drawRows(const PixelView& target, const ConstPixelView& source, int sx, int sy,
              const Rect& dst, DrawMode mode, uint32_t op, const PixelFilter* filter) {
    const bool opaqueTarget = !target.hasAlpha();
    const auto n = size_t(dst.w);
    for (int row = 0; row < dst.h; ++row) {
        uint32_t* t = target.at(dst.x, dst.y + row);
        const uint32_t* s = source.at(sx, sy + row);
        switch (mode) {
            case DrawMode::AlphaBlend:
            case DrawMode::AlphaClip:
                blendRowOver(t, s, n, op, mode == DrawMode::AlphaClip);
                break;
            case DrawMode::AlphaChannel:
                for (size_t i = 0; i < n; ++i)
                    t[i] = (t[i] & kColour) | (div255(alpha(s[i]) * op) << 24);
                break;
            case DrawMode::AllChannels:
                if (op == 255 && !opaqueTarget) {
                    std::memcpy(t, s, n * sizeof(uint32_t));
                } else if (opaqueTarget) {
                    for (size_t i = 0; i < n; ++i) t[i] = s[i] | kAlpha;
                } else {
                    for (size_t i = 0; i < n; ++i)
                        t[i] = (s[i] & kColour) | (div255(alpha(s[i]) * op) << 24);
                }
                break;
            case DrawMode::Xor:
                for (size_t i = 0; i < n; ++i) t[i] ^= s[i] & kColour;
                break;
            case DrawMode::Filter: {
                const uint32_t force = opaqueTarget ? kAlpha : 0u;
                const int y = dst.y + row;
                for (size_t i = 0; i < n; ++i)
                    t[i] = (*filter)(dst.x + int(i), y, s[i], t[i]) | force;
                break;
            }
        }
    }
}

// True when drawing in this mode cannot change any target pixel.
bool drawsNothing(const PixelView& target, DrawMode mode, uint32_t op, const PixelFilter* filter) {
    switch (mode) {
        case DrawMode::AlphaBlend:
        case DrawMode::AlphaClip:
            return op == 0;
        case DrawMode::AlphaChannel:
            return !target.hasAlpha();
        case DrawMode::Filter:
            return filter == nullptr || !*filter;
        default:
            return false;
    }
}

// True when the rows the call reads from the source may lie in memory the call writes.
bool sharesPixels(const PixelView& target, const Rect& dst, const ConstPixelView& source, int sx,
                  int sy) {
    const auto first = [](const auto& v, int x, int y) {
        return reinterpret_cast<std::uintptr_t>(v.at(x, y));
    };
    const std::uintptr_t t0 = first(target, dst.x, dst.y);
    const std::uintptr_t t1 = first(target, dst.right() - 1, dst.bottom() - 1);
    const std::uintptr_t s0 = first(source, sx, sy);
    const std::uintptr_t s1 = first(source, sx + dst.w - 1, sy + dst.h - 1);
    return t0 <= s1 && s0 <= t1;
}

// drawImagePart with the part's top-left landing at (x, y), given in 64 bits.
Rect drawPart(const PixelView& target, const ConstPixelView& source, const Rect& part, int64_t x,
              int64_t y, DrawMode mode, int opacity, const PixelFilter* filter) {
    if (target.empty() || source.empty()) return {};
    const auto op = uint32_t(std::clamp(opacity, 0, 255));
    if (drawsNothing(target, mode, op, filter)) return {};

    const Rect src = intersect(part, source.rect());
    if (src.empty()) return {};
    // Where the clipped part lands, in 64 bits: x + offset may leave the int range.
    const int64_t px = x + (src.x - int64_t(part.x));
    const int64_t py = y + (src.y - int64_t(part.y));
    const Rect dst = clipToRect(px, py, src.w, src.h, target.rect());
    if (dst.empty()) return {};
    const int sx = int(src.x + (dst.x - px));
    const int sy = int(src.y + (dst.y - py));

    if (sharesPixels(target, dst, source, sx, sy)) {
        // Overlapping rows would read pixels this call already changed: draw from a snapshot.
        std::optional<Image> snapshot = createImage(dst.w, dst.h);
        if (!snapshot) return {};
        for (int row = 0; row < dst.h; ++row)
            std::memcpy(snapshot->row(row), source.at(sx, sy + row), size_t(dst.w) * 4);
        const ConstPixelView copy(snapshot->pixels.data(), sx, sy, dst.w, dst.h, dst.w);
        drawRows(target, copy, sx, sy, dst, mode, op, filter);
    } else {
        drawRows(target, source, sx, sy, dst, mode, op, filter);
    }
    return dst;
}

}  // namespace

Rect drawImagePart(PixelView target, ConstPixelView source, const Rect& part, int x, int y,
                   DrawMode mode, int opacity, const PixelFilter* filter) {
    return drawPart(target, source, part, x, y, mode, opacity, filter);
}

Rect drawImage(PixelView target, ConstPixelView source, int x, int y, DrawMode mode, int opacity,
               const PixelFilter* filter) {
    // The source's pixel (0, 0) lands at (x, y), so its view's first pixel lands that far on.
    return drawPart(target, source, source.rect(), int64_t(x) + source.x, int64_t(y) + source.y,
                    mode, opacity, filter);
}

}  // namespace qm
