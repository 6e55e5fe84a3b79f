// An axis-aligned rectangle of pixels: x, y of the top-left pixel, width and height. Drawing
// functions return the rectangle of the target they touched, so callers can redraw (and later
// record for undo) only that part. An empty rectangle (w or h <= 0) means nothing was touched.
#pragma once

#include <algorithm>
#include <cstdint>

namespace qm {

struct Rect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;

    bool empty() const { return w <= 0 || h <= 0; }
    // One past the last column / row (for rectangles inside an image, where they fit an int).
    int right() const { return x + w; }
    int bottom() const { return y + h; }
    bool contains(int px, int py) const {
        return px >= x && py >= y && px - int64_t(x) < w && py - int64_t(y) < h;
    }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// The common part of two rectangles; empty (all zero) when they do not overlap. Computed in 64
// bits, so rectangles reaching past the int range do not overflow.
inline Rect intersect(const Rect& a, const Rect& b) {
    if (a.empty() || b.empty()) return {};
    const int64_t x0 = std::max(a.x, b.x);
    const int64_t y0 = std::max(a.y, b.y);
    const int64_t x1 = std::min(int64_t(a.x) + a.w, int64_t(b.x) + b.w);
    const int64_t y1 = std::min(int64_t(a.y) + a.h, int64_t(b.y) + b.h);
    if (x1 <= x0 || y1 <= y0) return {};
    return {int(x0), int(y0), int(x1 - x0), int(y1 - y0)};
}

// The smallest rectangle holding both; an empty operand is ignored. The result must fit an int.
inline Rect unite(const Rect& a, const Rect& b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    const int64_t x0 = std::min(a.x, b.x);
    const int64_t y0 = std::min(a.y, b.y);
    const int64_t x1 = std::max(int64_t(a.x) + a.w, int64_t(b.x) + b.w);
    const int64_t y1 = std::max(int64_t(a.y) + a.h, int64_t(b.y) + b.h);
    return {int(x0), int(y0), int(x1 - x0), int(y1 - y0)};
}

// The part of a placement (x, y, w, h) given in 64-bit that lies inside a width x height
// image. Placements may start far outside (negative or huge) without overflowing.
inline Rect clipToImage(int64_t x, int64_t y, int64_t w, int64_t h, int width, int height) {
    const int64_t x0 = std::max<int64_t>(x, 0);
    const int64_t y0 = std::max<int64_t>(y, 0);
    const int64_t x1 = std::min<int64_t>(x + w, width);
    const int64_t y1 = std::min<int64_t>(y + h, height);
    if (w <= 0 || h <= 0 || x1 <= x0 || y1 <= y0) return {};
    return {int(x0), int(y0), int(x1 - x0), int(y1 - y0)};
}

}  // namespace qm
