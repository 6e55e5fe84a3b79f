#include "raster/flood_fill.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace qm {

namespace {

struct Seed {
    int x, y;
};

// The span fill. inside(x, y) says whether a pixel still belongs to the unpainted region;
// paint(y, x0, x1) paints a span so that its pixels are no longer inside.
template <class Inside, class PaintSpan>
Rect scanFill(int width, int height, int sx, int sy, Inside inside, PaintSpan paint) {
    std::vector<Seed> work{{sx, sy}};
    int bx0 = sx, bx1 = sx + 1, by0 = sy, by1 = sy + 1;
    while (!work.empty()) {
        const Seed s = work.back();
        work.pop_back();
        if (!inside(s.x, s.y)) continue;
        int lx = s.x;
        while (lx > 0 && inside(lx - 1, s.y)) --lx;
        int rx = s.x + 1;
        while (rx < width && inside(rx, s.y)) ++rx;
        paint(s.y, lx, rx);
        bx0 = std::min(bx0, lx), bx1 = std::max(bx1, rx);
        by0 = std::min(by0, s.y), by1 = std::max(by1, s.y + 1);
        // One work item per run of region pixels in the rows above and below.
        for (const int ny : {s.y - 1, s.y + 1}) {
            if (ny < 0 || ny >= height) continue;
            bool inRun = false;
            for (int x = lx; x < rx; ++x) {
                const bool in = inside(x, ny);
                if (in && !inRun) work.push_back({x, ny});
                inRun = in;
            }
        }
    }
    return {bx0, by0, bx1 - bx0, by1 - by0};
}

// The solid fill's runs, found eight pixels at a time: the first index from x on (before end)
// whose pixel is not `v`, or is `v`.
int endOfRun(const uint32_t* row, int x, int end, uint32_t v) {
    for (; x + 8 <= end; x += 8) {
        uint32_t differ = 0;
        for (int k = 0; k < 8; ++k) differ |= row[x + k] ^ v;
        if (differ) break;
    }
    while (x < end && row[x] == v) ++x;
    return x;
}
int startOfRun(const uint32_t* row, int x, int end, uint32_t v) {
    for (; x + 8 <= end; x += 8) {
        bool any = false;
        for (int k = 0; k < 8; ++k) any |= row[x + k] == v;
        if (any) break;
    }
    while (x < end && row[x] != v) ++x;
    return x;
}
// The first index below x (down to `begin`) whose left neighbour is not `v`.
int leftOfRun(const uint32_t* row, int x, int begin, uint32_t v) {
    for (; x - 8 >= begin; x -= 8) {
        uint32_t differ = 0;
        for (int k = 1; k <= 8; ++k) differ |= row[x - k] ^ v;
        if (differ) break;
    }
    while (x > begin && row[x - 1] == v) --x;
    return x;
}

// A solid fill changes every region pixel to a colour other than the seed's, so the region is
// what still has the seed colour: the same spans as scanFill, found run by run.
Rect solidScanFill(Image& target, int sx, int sy, uint32_t seed, uint32_t filled,
                   const std::function<void(const Rect&)>& beforePaint) {
    const int w = target.width, h = target.height;
    std::vector<Seed> work{{sx, sy}};
    int bx0 = sx, bx1 = sx + 1, by0 = sy, by1 = sy + 1;
    while (!work.empty()) {
        const Seed s = work.back();
        work.pop_back();
        uint32_t* row = target.row(s.y);
        if (row[s.x] != seed) continue;
        const int lx = leftOfRun(row, s.x, 0, seed);
        const int rx = endOfRun(row, s.x + 1, w, seed);
        if (beforePaint) beforePaint(Rect{lx, s.y, rx - lx, 1});
        std::fill(row + lx, row + rx, filled);
        bx0 = std::min(bx0, lx), bx1 = std::max(bx1, rx);
        by0 = std::min(by0, s.y), by1 = std::max(by1, s.y + 1);
        for (const int ny : {s.y - 1, s.y + 1}) {
            if (ny < 0 || ny >= h) continue;
            const uint32_t* next = target.row(ny);
            for (int x = startOfRun(next, lx, rx, seed); x < rx;
                 x = startOfRun(next, endOfRun(next, x, rx, seed), rx, seed))
                work.push_back({x, ny});
        }
    }
    return {bx0, by0, bx1 - bx0, by1 - by0};
}

}  // namespace

Rect floodFill(Image& target, int x, int y, const Paint& paint) {
    return floodFill(target, x, y, paint, nullptr);
}

Rect floodFill(Image& target, int x, int y, const Paint& paint,
               const std::function<void(const Rect&)>& beforePaint) {
    if (!target.contains(x, y)) return {};
    const uint32_t seed = target.at(x, y);
    const int w = target.width;

    // A solid colour turns every region pixel (all of colour `seed`) into the same colour, which
    // then tells painted pixels apart from the region by itself.
    if (!paint.gradient && paint.mode != DrawMode::Filter) {
        const uint32_t opacity = uint32_t(std::clamp(paint.opacity, 0, 255));
        const uint32_t filled = applyDrawMode(paint.mode, paint.color, seed, opacity) |
                                (target.hasAlpha() ? 0u : 0xFF000000u);
        if (filled == seed) return {};
        return solidScanFill(target, x, y, seed, filled, beforePaint);
    }

    // Otherwise painted pixels may still have the seed colour: mark them.
    std::vector<uint64_t> done((size_t(w) * size_t(target.height) + 63) / 64, 0);
    const auto bit = [&](int cx, int cy) { return size_t(cy) * size_t(w) + size_t(cx); };
    return scanFill(
        w, target.height, x, y,
        [&](int cx, int cy) {
            const size_t i = bit(cx, cy);
            return !(done[i / 64] >> (i % 64) & 1u) && target.at(cx, cy) == seed;
        },
        [&](int cy, int x0, int x1) {
            if (beforePaint) beforePaint(Rect{x0, cy, x1 - x0, 1});
            paintSpan(target, cy, x0, x1, paint);
            for (int cx = x0; cx < x1; ++cx) {
                const size_t i = bit(cx, cy);
                done[i / 64] |= uint64_t(1) << (i % 64);
            }
        });
}

}  // namespace qm
