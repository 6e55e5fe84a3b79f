#include "raster/shapes.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace qm {

namespace {

// Exact products of radii up to 2^31 need 124 bits.
using Wide = __int128;

uint32_t clampOpacity(int opacity) {
    return uint32_t(std::clamp(opacity, 0, 255));
}

// Extends a rectangle to hold a span of row y, pixels x0 .. x1 - 1.
struct Bounds {
    int x0 = std::numeric_limits<int>::max();
    int y0 = std::numeric_limits<int>::max();
    int x1 = std::numeric_limits<int>::min();
    int y1 = std::numeric_limits<int>::min();

    void add(int y, int sx0, int sx1) {
        x0 = std::min(x0, sx0);
        x1 = std::max(x1, sx1);
        y0 = std::min(y0, y);
        y1 = std::max(y1, y + 1);
    }
    Rect rect() const { return x1 <= x0 ? Rect{} : Rect{x0, y0, x1 - x0, y1 - y0}; }
};

// The solid-colour paths: the mode is chosen once per span, the loop body stays inline.
template <class F>
void forEachPixel(uint32_t* p, int n, uint32_t forcedAlpha, F f) {
    for (int i = 0; i < n; ++i) p[i] = f(p[i]) | forcedAlpha;
}

void paintSolidSpan(uint32_t* p, int n, uint32_t s, uint32_t opacity, DrawMode mode,
                    uint32_t forcedAlpha) {
    switch (mode) {
        case DrawMode::AlphaBlend:
            if (alpha(s) * opacity / 255 == 0) return;
            // Fully opaque "over" gives the source colour with alpha 255 on any target.
            if (alpha(s) * opacity / 255 == 255) {
                std::fill(p, p + n, (s & 0x00FFFFFFu) | 0xFF000000u);
                return;
            }
            forEachPixel(p, n, forcedAlpha, [&](uint32_t t) { return overPixel(s, t, opacity); });
            return;
        case DrawMode::AlphaClip:
            if (alpha(s) * opacity / 255 == 0) return;
            forEachPixel(p, n, forcedAlpha, [&](uint32_t t) {
                return (overPixel(s, t, opacity) & 0x00FFFFFFu) | (t & 0xFF000000u);
            });
            return;
        case DrawMode::AllChannels:
            std::fill(p, p + n, applyDrawMode(mode, s, 0, opacity) | forcedAlpha);
            return;
        case DrawMode::AlphaChannel:
        case DrawMode::Xor:
            forEachPixel(p, n, forcedAlpha,
                         [&](uint32_t t) { return applyDrawMode(mode, s, t, opacity); });
            return;
        case DrawMode::Filter:
            return;  // handled by the caller, which knows the coordinates
    }
}

}  // namespace

void paintSpan(PixelView target, int y, int x0, int x1, const Paint& paint) {
    if (x1 <= x0) return;
    // p[i] is pixel (x0 + i, y) of the whole image.
    uint32_t* p = target.at(x0, y);
    const uint32_t opacity = clampOpacity(paint.opacity);
    const uint32_t forcedAlpha = target.hasAlpha() ? 0u : 0xFF000000u;
    const Gradient* g = paint.gradient;

    if (paint.mode == DrawMode::Filter) {
        if (!paint.filter || !*paint.filter) return;
        for (int x = x0; x < x1; ++x) {
            const uint32_t s = g ? gradientColourAt(*g, x, y) : paint.colour;
            p[x - x0] = (*paint.filter)(x, y, s, p[x - x0]) | forcedAlpha;
        }
        return;
    }
    if (!g) {
        paintSolidSpan(p, x1 - x0, paint.colour, opacity, paint.mode, forcedAlpha);
        return;
    }
    // A vertical linear gradient has one colour per row.
    if (g->shape == GradientShape::Linear && g->x0 == g->x1) {
        paintSolidSpan(p, x1 - x0, gradientColourAt(*g, x0, y), opacity, paint.mode, forcedAlpha);
        return;
    }
    for (int x = x0; x < x1; ++x) {
        uint32_t& t = p[x - x0];
        t = applyDrawMode(paint.mode, gradientColourAt(*g, x, y), t, opacity) | forcedAlpha;
    }
}

Rect plot(PixelView target, int x, int y, const Paint& paint) {
    if (!target.contains(x, y)) return {};
    paintSpan(target, y, x, x + 1, paint);
    return {x, y, 1, 1};
}

uint32_t point(ConstPixelView source, int x, int y) {
    return source.contains(x, y) ? *source.at(x, y) : 0u;
}

Rect fillBox(PixelView target, int x, int y, int w, int h, const Paint& paint) {
    int64_t bx = x, by = y, bw = w, bh = h;
    if (bw < 0) bx += bw, bw = -bw;
    if (bh < 0) by += bh, bh = -bh;
    const Rect r = clipToRect(bx, by, bw, bh, target.rect());
    if (r.empty()) return {};
    for (int row = r.y; row < r.bottom(); ++row) paintSpan(target, row, r.x, r.right(), paint);
    return r;
}

Rect fillCircle(PixelView target, int cx, int cy, int r, const Paint& paint) {
    return fillEllipse(target, cx, cy, r, r, paint);
}

Rect fillEllipse(PixelView target, int cx, int cy, int rx, int ry, const Paint& paint) {
    if (rx < 0 || ry < 0 || target.empty()) return {};
    const int64_t yStart = std::max<int64_t>(int64_t(cy) - ry, target.y);
    const int64_t yEnd = std::min<int64_t>(int64_t(cy) + ry, int64_t(target.y) + target.height - 1);
    const Wide rx2 = Wide(rx) * rx;
    const Wide ry2 = Wide(ry) * ry;
    const Wide limit = rx2 * ry2;
    Bounds bounds;
    for (int64_t y = yStart; y <= yEnd; ++y) {
        const int64_t dy = y - cy;
        const Wide dyTerm = Wide(dy) * dy * rx2;
        // Half-width: the largest h <= rx with h^2 ry^2 + dy^2 rx^2 <= rx^2 ry^2. The estimate in
        // doubles is corrected by the exact test, so the result never depends on rounding.
        const auto fits = [&](int64_t h) { return Wide(h) * h * ry2 + dyTerm <= limit; };
        int64_t h = rx;
        if (ry > 0) {
            const double q = 1.0 - (double(dy) / ry) * (double(dy) / ry);
            h = std::clamp<int64_t>(int64_t(double(rx) * std::sqrt(std::max(q, 0.0))), 0, rx);
            while (h < rx && fits(h + 1)) ++h;
            while (h > 0 && !fits(h)) --h;
        }
        const int64_t x0 = std::max<int64_t>(int64_t(cx) - h, target.x);
        const int64_t x1 = std::min<int64_t>(int64_t(cx) + h + 1, int64_t(target.x) + target.width);
        if (x1 <= x0) continue;
        paintSpan(target, int(y), int(x0), int(x1), paint);
        bounds.add(int(y), int(x0), int(x1));
    }
    return bounds.rect();
}

Rect drawLine(PixelView target, int x0, int y0, int x1, int y1, const Paint& paint) {
    if (target.empty()) return {};
    const bool xMajor = std::abs(int64_t(x1) - x0) >= std::abs(int64_t(y1) - y0);
    // Work along the major axis as "u", the other as "v", from the end with the smaller u.
    int64_t u0 = xMajor ? x0 : y0, v0 = xMajor ? y0 : x0;
    int64_t u1 = xMajor ? x1 : y1, v1 = xMajor ? y1 : x1;
    if (u1 < u0) std::swap(u0, u1), std::swap(v0, v1);
    const int64_t du = u1 - u0;  // >= |dv|
    const int64_t adv = std::abs(v1 - v0);
    const int64_t sv = v1 < v0 ? -1 : 1;
    // The target's range on each axis: [uMin, uEnd) and [vMin, vEnd).
    const int64_t uMin = xMajor ? target.x : target.y;
    const int64_t vMin = xMajor ? target.y : target.x;
    const int64_t uEnd = uMin + (xMajor ? target.width : target.height);
    const int64_t vEnd = vMin + (xMajor ? target.height : target.width);

    // Only the steps whose u lies inside the target are walked.
    const int64_t iStart = std::max<int64_t>(0, uMin - u0);
    const int64_t iEnd = std::min<int64_t>(du, uEnd - 1 - u0);
    if (iEnd < iStart) return {};

    // Step i lies at v = v0 + sv * floor((2 i adv + du) / (2 du)); walked with a remainder.
    const int64_t den = 2 * std::max<int64_t>(du, 1);
    const Wide num = Wide(2) * iStart * adv + du;
    int64_t k = int64_t(num / den);
    int64_t rem = int64_t(num % den);
    Bounds bounds;
    for (int64_t i = iStart; i <= iEnd; ++i) {
        const int64_t v = v0 + sv * k;
        if (v >= vMin && v < vEnd) {
            const int px = int(xMajor ? u0 + i : v);
            const int py = int(xMajor ? v : u0 + i);
            paintSpan(target, py, px, px + 1, paint);
            bounds.add(py, px, px + 1);
        }
        rem += 2 * adv;
        if (rem >= den) rem -= den, ++k;
    }
    return bounds.rect();
}

}  // namespace qm
