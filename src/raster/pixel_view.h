// A view: a rectangle of pixels of a larger image, addressed in the larger image's coordinates.
// Pixel format as in raster/image.h.
//
// Drawing functions take their target as a view and clip to rect(); every coordinate they pass
// on (to a PixelFilter, a gradient, noise) stays in whole-image coordinates. Drawing a shape into
// each part of an image it touches therefore gives exactly the pixels that drawing it into the
// whole image gives, whether the parts are the tiles of one buffer or blocks of their own.
//
// An Image converts to a view of itself at (0, 0): Image& to PixelView, const Image& to
// ConstPixelView. A view borrows the pixels; it is valid as long as the memory it points to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "raster/image.h"
#include "raster/rect.h"

namespace qm {

template <typename Pixel>  // uint32_t or const uint32_t
struct BasicPixelView {
    static_assert(std::is_same_v<std::remove_const_t<Pixel>, uint32_t>, "32-bit pixels");
    using ImageType = std::conditional_t<std::is_const_v<Pixel>, const Image, Image>;

    Pixel* pixels = nullptr;  // the pixel at (x, y)
    int x = 0, y = 0;         // the view's place in the whole image
    int width = 0, height = 0;
    std::ptrdiff_t stride = 0;  // pixels from one row to the next
    int depth = 32;             // 24: writers keep alpha 255

    BasicPixelView() = default;
    BasicPixelView(Pixel* p, int px, int py, int w, int h, std::ptrdiff_t rowStride,
                   int pixelDepth = 32)
        : pixels(p), x(px), y(py), width(w), height(h), stride(rowStride), depth(pixelDepth) {}
    // The whole image at (0, 0).
    BasicPixelView(ImageType& image)  // NOLINT(google-explicit-constructor): Image converts
        : pixels(image.pixels.data()),
          width(image.width),
          height(image.height),
          stride(image.width),
          depth(image.depth) {}
    // A writable view read-only.
    template <typename P>
    requires(std::is_const_v<Pixel> && !std::is_const_v<P>)
        BasicPixelView(const BasicPixelView<P>& v)  // NOLINT(google-explicit-constructor)
        : pixels(v.pixels),
          x(v.x),
          y(v.y),
          width(v.width),
          height(v.height),
          stride(v.stride),
          depth(v.depth) {}

    bool empty() const { return width <= 0 || height <= 0; }
    bool hasAlpha() const { return depth == 32; }
    Rect rect() const { return Rect{x, y, width, height}; }
    bool contains(int px, int py) const { return rect().contains(px, py); }
    // The pixel at (px, py) of the whole image; (px, py) must lie in rect().
    Pixel* at(int px, int py) const {
        return pixels + std::ptrdiff_t(py - y) * stride + std::ptrdiff_t(px - x);
    }
    // The part of this view inside r (empty when they do not overlap), same coordinates.
    BasicPixelView part(const Rect& r) const {
        const Rect c = intersect(r, rect());
        if (c.empty()) return BasicPixelView(nullptr, c.x, c.y, 0, 0, stride, depth);
        return BasicPixelView(at(c.x, c.y), c.x, c.y, c.w, c.h, stride, depth);
    }
};

using PixelView = BasicPixelView<uint32_t>;
using ConstPixelView = BasicPixelView<const uint32_t>;

// The part of a placement (x, y, w, h) given in 64 bits that lies inside r, as clipToImage does
// for a whole image: placements may start far outside without overflowing.
inline Rect clipToRect(int64_t x, int64_t y, int64_t w, int64_t h, const Rect& r) {
    const Rect c = clipToImage(x - r.x, y - r.y, w, h, r.w, r.h);
    return c.empty() ? Rect{} : Rect{c.x + r.x, c.y + r.y, c.w, c.h};
}

}  // namespace qm
