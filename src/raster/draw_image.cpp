#include "raster/draw_image.h"

#include <algorithm>
#include <cstring>

#include "raster/alpha_blend.h"
#include "raster/image_ops.h"

namespace qm {
namespace {

constexpr uint32_t kAlpha = 0xFF000000u;
constexpr uint32_t kColour = 0x00FFFFFFu;

// Draws the rows of an already clipped placement: w x h pixels from (sx, sy) of the source onto
// (dst.x, dst.y) of the target. Source and target are different images here.
void drawRows(Image& target, const Image& source, int sx, int sy, const Rect& dst, DrawMode mode,
              uint32_t op, const PixelFilter* filter) {
    const bool opaqueTarget = !target.hasAlpha();
    const auto n = size_t(dst.w);
    for (int row = 0; row < dst.h; ++row) {
        uint32_t* t = target.row(dst.y + row) + dst.x;
        const uint32_t* s = source.row(sy + row) + sx;
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
bool drawsNothing(const Image& target, DrawMode mode, uint32_t op, const PixelFilter* filter) {
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

}  // namespace

Rect drawImagePart(Image& target, const Image& source, const Rect& part, int x, int y,
                   DrawMode mode, int opacity, const PixelFilter* filter) {
    if (target.empty() || source.empty()) return {};
    const auto op = uint32_t(std::clamp(opacity, 0, 255));
    if (drawsNothing(target, mode, op, filter)) return {};

    const Rect src = intersect(part, Rect{0, 0, source.width, source.height});
    if (src.empty()) return {};
    // Where the clipped part lands, in 64 bits: x + offset may leave the int range.
    const int64_t px = int64_t(x) + (src.x - int64_t(part.x));
    const int64_t py = int64_t(y) + (src.y - int64_t(part.y));
    const Rect dst = clipToImage(px, py, src.w, src.h, target.width, target.height);
    if (dst.empty()) return {};
    const int sx = int(src.x + (dst.x - px));
    const int sy = int(src.y + (dst.y - py));

    if (&target == &source) {
        // Overlapping rows would read pixels this call already changed: draw from a snapshot.
        const std::optional<Image> snapshot = grabRect(source, sx, sy, dst.w, dst.h);
        if (!snapshot) return {};
        drawRows(target, *snapshot, 0, 0, dst, mode, op, filter);
    } else {
        drawRows(target, source, sx, sy, dst, mode, op, filter);
    }
    return dst;
}

Rect drawImage(Image& target, const Image& source, int x, int y, DrawMode mode, int opacity,
               const PixelFilter* filter) {
    return drawImagePart(target, source, Rect{0, 0, source.width, source.height}, x, y, mode,
                         opacity, filter);
}

}  // namespace qm
