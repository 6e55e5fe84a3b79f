#include "raster/flood_fill.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// The solid fill's runs, looked at eight pixels at a time: the first index from x on (before
// end) whose pixel is not `v` (endOfRun), or is `v` (startOfRun); leftOfRun walks left from x
// (down to `begin`) while the pixel left of it is `v`.
#if defined(__SSE2__)
inline uint32_t equalMask8(const uint32_t* p, __m128i v) {
    const __m128i a = _mm_cmpeq_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), v);
    const __m128i b = _mm_cmpeq_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 4)), v);
    return uint32_t(_mm_movemask_ps(_mm_castsi128_ps(a))) |
           uint32_t(_mm_movemask_ps(_mm_castsi128_ps(b))) << 4;
}
#else
inline uint32_t equalMask8(const uint32_t* p, uint32_t v) {
    uint32_t m = 0;
    for (int k = 0; k < 8; ++k) m |= uint32_t(p[k] == v) << k;
    return m;
}
#endif

int endOfRun(const uint32_t* row, int x, int end, uint32_t v) {
#if defined(__SSE2__)
    const __m128i vv = _mm_set1_epi32(int(v));
#else
    const uint32_t vv = v;
#endif
    for (; x + 8 <= end; x += 8)
        if (equalMask8(row + x, vv) != 0xFFu) break;
    while (x < end && row[x] == v) ++x;
    return x;
}
int startOfRun(const uint32_t* row, int x, int end, uint32_t v) {
#if defined(__SSE2__)
    const __m128i vv = _mm_set1_epi32(int(v));
#else
    const uint32_t vv = v;
#endif
    for (; x + 8 <= end; x += 8)
        if (equalMask8(row + x, vv) != 0) break;
    while (x < end && row[x] != v) ++x;
    return x;
}
int leftOfRun(const uint32_t* row, int x, int begin, uint32_t v) {
#if defined(__SSE2__)
    const __m128i vv = _mm_set1_epi32(int(v));
#else
    const uint32_t vv = v;
#endif
    for (; x - 8 >= begin; x -= 8)
        if (equalMask8(row + x - 8, vv) != 0xFFu) break;
    while (x > begin && row[x - 1] == v) --x;
    return x;
}

// A span still to be filled from: the seed, and the row and span it was found from (already
// painted, so that part of the parent row is not looked at again).
struct SpanSeed {
    int x, y;
    int parentY, parentX0, parentX1;
};

// Pushes a seed for every run of `v` in row ny between x0 and x1.
void pushRuns(std::vector<SpanSeed>& work, const uint32_t* row, int ny, int x0, int x1, uint32_t v,
              int y, int lx, int rx) {
    for (int x = startOfRun(row, x0, x1, v); x < x1;
         x = startOfRun(row, endOfRun(row, x, x1, v), x1, v))
        work.push_back({x, ny, y, lx, rx});
}

// A solid fill changes every region pixel to a colour other than the seed's, so the region is
// what still has the seed colour: the same pixels as scanFill, found run by run.
Rect solidScanFill(Image& target, int sx, int sy, uint32_t seed, uint32_t filled,
                   const std::function<void(const Rect&)>& beforePaint) {
    const int w = target.width, h = target.height;
    std::vector<SpanSeed> work{{sx, sy, -1, 0, 0}};
    int bx0 = sx, bx1 = sx + 1, by0 = sy, by1 = sy + 1;
    while (!work.empty()) {
        const SpanSeed s = work.back();
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
            if (ny != s.parentY) {
                pushRuns(work, next, ny, lx, rx, seed, s.y, lx, rx);
                continue;
            }
            // The parent's span is painted: only the parts of this span beyond it remain.
            pushRuns(work, next, ny, lx, std::min(rx, s.parentX0), seed, s.y, lx, rx);
            pushRuns(work, next, ny, std::max(lx, s.parentX1), rx, seed, s.y, lx, rx);
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
        const uint32_t filled = applyDrawMode(paint.mode, paint.colour, seed, opacity) |
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
