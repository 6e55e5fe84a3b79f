#include "brush/stroke.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

#include "raster/draw_image.h"
#include "raster/image_ops.h"
#include "raster/rotate.h"
#include "raster/rounding.h"

namespace qm {

namespace {

constexpr uint32_t kColour = 0x00FFFFFFu;
constexpr uint32_t kAlpha = 0xFF000000u;

// Positions and sizes far outside any image are clamped so that integer arithmetic downstream
// never overflows; anything this far away is clipped away anyway.
constexpr int64_t kFar = int64_t(1) << 29;

int nearestInt(double v) {
    if (!(v > -double(kFar))) return int(-kFar);  // also NaN
    if (v > double(kFar)) return int(kFar);
    return int(roundHalfEven(v));
}

// A filter pass over the dab: `pixel` is erase or smudge; with keepTargetAlpha the target alpha
// stays as it was (alpha clipping combined with the filter).
template <typename PixelFn>
Rect filterPass(const PixelView& target, const ConstPixelView& dab, int x, int y, uint32_t opacity,
                PixelFn pixel, bool keepTargetAlpha) {
    const PixelFilter filter = [&](int, int, uint32_t s, uint32_t t) {
        const uint32_t out = pixel(s, t, opacity);
        return keepTargetAlpha ? (out & kColour) | (t & kAlpha) : out;
    };
    return drawImage(target, dab, x, y, DrawMode::Filter, 255, &filter);
}

// Source index under the centre of destination index i when n pixels become m (resizeNearest's
// mapping).
int nearestIndex(int64_t i, int64_t n, int64_t m) {
    return int(((2 * i + 1) * n) / (2 * m));
}

// The side of the square that rotateTip makes of a tip; 0 when it would make none.
int rotatedSide(const Image& tip) {
    return tip.empty() ? 0 : rotatedTipSide(tip.width, tip.height);
}

// The box of the pixels with alpha above 0; empty when there are none. Each row is searched from
// both ends, so an opaque image costs a look at each row's ends.
Rect paintedBox(const Image& image) {
    int x0 = image.width, x1 = -1, y0 = image.height, y1 = -1;
    for (int y = 0; y < image.height; ++y) {
        const uint32_t* row = image.row(y);
        int first = 0;
        while (first < image.width && !alpha(row[first])) ++first;
        if (first == image.width) continue;
        int last = image.width - 1;
        while (!alpha(row[last])) --last;
        x0 = std::min(x0, first);
        x1 = std::max(x1, last);
        y0 = std::min(y0, y);
        y1 = y;
    }
    return x1 < 0 ? Rect{} : Rect{x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

// The part of a turned dab that lands on the image: the dab is the tip turned by `degrees`
// (an n0 x n0 square) and, when `resize`, resized to n x n with resizeNearest's mapping, with its
// top-left at (x, y); `visible` is that square cut to the image. Each pixel is the one the whole
// dab has there. Pixels of alpha 0 at the part's edges are cut off unless `keepEmpty` (they
// change nothing in the blend and erase passes); `at` receives the part's top-left.
const Image& turnedPart(BrushTip& brushTip, int degrees, int n0, bool resize, int n, int x, int y,
                        const Rect& visible, bool keepEmpty, int& atX, int& atY, Image& scratch,
                        Image& trimmed) {
    const Image& tip = brushTip.documentTip;
    std::vector<int> columns(size_t(visible.w)), rows(size_t(visible.h));
    for (int i = 0; i < visible.w; ++i) {
        const int64_t c = int64_t(visible.x) - x + i;
        columns[size_t(i)] = resize ? nearestIndex(c, n0, n) : int(c);
    }
    for (int j = 0; j < visible.h; ++j) {
        const int64_t r = int64_t(visible.y) - y + j;
        rows[size_t(j)] = resize ? nearestIndex(r, n0, n) : int(r);
    }
    // The tip pixels those samples read are made first. Both lists only grow along the part.
    if (!tipComplete(brushTip) && !columns.empty() && !rows.empty()) {
        const int c0 = std::max(columns.front(), 0), c1 = std::min(columns.back(), n0 - 1);
        const int r0 = std::max(rows.front(), 0), r1 = std::min(rows.back(), n0 - 1);
        if (c0 <= c1 && r0 <= r1)
            readyTipPart(brushTip,
                         rotateTipSourceRect(tip.width, tip.height, degrees, c0, c1, r0, r1));
    }
    rotateTipPart(tip, double(degrees), columns, rows, &brushTip.tiles, scratch);
    atX = visible.x;
    atY = visible.y;
    if (keepEmpty || scratch.empty()) return scratch;
    const Rect box = paintedBox(scratch);
    // `trimmed` keeps its memory from dab to dab; every pixel of it is written below.
    trimmed.width = trimmed.height = 0;
    if (box.empty()) return trimmed;
    if (box.w == scratch.width && box.h == scratch.height) return scratch;
    atX += box.x;
    atY += box.y;
    const size_t count = size_t(box.w) * size_t(box.h);
    if (trimmed.pixels.capacity() < count) {
        std::optional<Image> made = createImage(box.w, box.h, scratch.depth == 24 ? 24 : 32);
        if (!made) return trimmed;
        trimmed = std::move(*made);
    }
    trimmed.pixels.resize(count);
    trimmed.width = box.w;
    trimmed.height = box.h;
    trimmed.depth = scratch.depth == 24 ? 24 : 32;
    for (int j = 0; j < box.h; ++j)
        std::memcpy(trimmed.row(j), scratch.row(box.y + j) + box.x,
                    size_t(box.w) * sizeof(uint32_t));
    return trimmed;
}

// The pixels of an unturned tip a dab reads where it lands on the target: placed as it is at
// (x, y), or resized to w x h with resizeNearest's mapping.
Rect tipPartUnder(const DabTarget& target, const Image& tip, bool resize, int w, int h, int x,
                  int y) {
    if (tip.empty()) return {};
    if (!resize) {
        w = tip.width;
        h = tip.height;
    }
    const Rect visible = clipToImage(x, y, w, h, target.width, target.height);
    if (visible.empty()) return {};
    const int64_t offX = int64_t(visible.x) - x, offY = int64_t(visible.y) - y;
    if (!resize) return Rect{int(offX), int(offY), visible.w, visible.h};
    const int c0 = nearestIndex(offX, tip.width, w);
    const int c1 = nearestIndex(offX + visible.w - 1, tip.width, w);
    const int r0 = nearestIndex(offY, tip.height, h);
    const int r1 = nearestIndex(offY + visible.h - 1, tip.height, h);
    return Rect{c0, r0, c1 - c0 + 1, r1 - r0 + 1};
}

// Decays a stroke counter once per segment: by factor x 10 / divisor while it can, then by
// 1 / divisor while it stays above that; with no divisor the counter rests at `rest`.
void decay(double& counter, int divisor, int factor, double rest) {
    if (divisor < 1) {
        counter = rest;
        return;
    }
    const double step = factor * 10.0 / divisor;
    if (counter >= step)
        counter -= step;
    else if (counter > 1.0 / divisor)
        counter -= 1.0 / divisor;
}

// The first index of a resized run of m pixels (made from n with resizeNearest's mapping) that
// reads source index v or a later one.
int64_t firstReading(int64_t v, int64_t n, int64_t m) {
    if (v <= 0) return 0;
    // (2i + 1) n / (2m) >= v  <=>  2i + 1 >= ceil(2mv / n).
    const int64_t k = (2 * m * v + n - 1) / n;
    return k / 2;  // ceil((k - 1) / 2)
}

// Where a dab resized to w x h with its top-left at (x, y) changes the target: the square cut to
// the target and to the pixels that read `box` of the dab (the rest of the dab has alpha 0, which
// changes nothing in the passes that may leave it out).
Rect resizedDabRect(int x, int y, int w, int h, const Image& dab, const Rect& box,
                    const DabTarget& target) {
    const Rect visible = clipToImage(x, y, w, h, target.width, target.height);
    if (visible.empty() || box.empty()) return {};
    const int64_t c0 = firstReading(box.x, dab.width, w);
    const int64_t c1 = firstReading(int64_t(box.x) + box.w, dab.width, w);
    const int64_t r0 = firstReading(box.y, dab.height, h);
    const int64_t r1 = firstReading(int64_t(box.y) + box.h, dab.height, h);
    if (c1 <= c0 || r1 <= r0) return {};
    const Rect reads = clipToImage(int64_t(x) + c0, int64_t(y) + r0, c1 - c0, r1 - r0, target.width,
                                   target.height);
    return intersect(visible, reads);
}

// Draws the pixels of `rect` (inside the target) of the dab resized to w x h at (x, y), made
// with resizeNearest's mapping into `part`: one index per column, one per row.
Rect drawResizedRect(const PixelView& target, const Image& dab, int w, int h, int x, int y,
                     const Rect& rect, const DabPasses& passes, ResizedDabMemory& memory) {
    if (rect.empty()) return {};
    std::vector<int>& columns = memory.columns;
    columns.resize(size_t(rect.w));
    const int64_t offX = int64_t(rect.x) - x, offY = int64_t(rect.y) - y;
    for (int i = 0; i < rect.w; ++i) columns[size_t(i)] = nearestIndex(offX + i, dab.width, w);
    Image& part = memory.part;
    const int depth = dab.depth == 24 ? 24 : 32;
    const size_t count = size_t(rect.w) * size_t(rect.h);
    if (part.pixels.capacity() < count) {
        std::optional<Image> made = createImage(rect.w, rect.h, depth);
        if (!made) return {};
        part = std::move(*made);
    }
    // Every pixel is written below, so memory kept from a larger dab needs no clearing.
    part.pixels.resize(count);
    part.width = rect.w;
    part.height = rect.h;
    part.depth = depth;
    for (int j = 0; j < rect.h; ++j) {
        const uint32_t* s = dab.row(nearestIndex(offY + j, dab.height, h));
        uint32_t* d = part.row(j);
        for (int i = 0; i < rect.w; ++i) d[i] = s[columns[size_t(i)]];
    }
    return drawDab(target, part, rect.x, rect.y, passes);
}

// Whether every pass of the dab leaves a pixel of 0 at 0: eraseFilterPixel(s, 0) and
// smudgeFilterPixel(s, 0) are 0 for every s (keeping the target's alpha keeps 0 too), so a dab
// of the eraser or the smudge, with or without a water pass, changes nothing on a missing tile.
bool keepsZero(const DabPasses& passes) {
    return passes.tool == 2 || passes.tool == 4;
}
// Whether such a dab reports the rectangle it covers (a pass runs) rather than nothing.
bool reportsOnZero(const DabPasses& passes) {
    return passes.waterOpacity > 0 || passes.tool == 4 ||
           (passes.tool == 2 && std::clamp(passes.opacity, 0, 255) > 0);
}

// One dab: either the prepared image as it is, or resized to w x h (only where it reads `box`
// of the image, when given). The target learns the rectangle first.
Rect placeDab(const DabTarget& target, const Image& dab, bool resize, int w, int h, int x, int y,
              const DabPasses& passes, ResizedDabMemory* memory = nullptr,
              const Rect* box = nullptr) {
    if (target.width < 1 || target.height < 1 || dab.empty() ||
        (!target.reserve && !target.reserveTiles))
        return {};
    if (!resize) {
        w = dab.width;
        h = dab.height;
    } else if (w < 1 || h < 1) {
        return {};
    }
    const Rect rect = resize && box ? resizedDabRect(x, y, w, h, dab, *box, target)
                                    : clipToImage(x, y, w, h, target.width, target.height);
    if (rect.empty()) return {};
    if (!target.reserve) {
        TiledImage* tiles = target.reserveTiles(rect);
        if (!tiles || tiles->width != target.width || tiles->height != target.height) return {};
        ResizedDabMemory ownMemory;
        const auto draw = [&](PixelView tile) {
            if (!resize) return drawDab(tile, dab, x, y, passes);
            return drawResizedRect(tile, dab, w, h, x, y, tile.rect(), passes,
                                   memory ? *memory : ownMemory);
        };
        if (!keepsZero(passes)) return tiles->forEachWritableTile(rect, draw);
        // Erasing and smudging leave a missing tile as it is: no tile is made there, and the
        // rectangle the passes report on pixels of 0 is reported.
        const bool reports = reportsOnZero(passes);
        Rect drawn;
        const int c0 = rect.x >> kTileShift, c1 = (rect.right() - 1) >> kTileShift;
        const int r0 = rect.y >> kTileShift, r1 = (rect.bottom() - 1) >> kTileShift;
        for (int ty = r0; ty <= r1; ++ty)
            for (int tx = c0; tx <= c1; ++tx) {
                const Rect part = intersect(tiles->tileRect(tx, ty), rect);
                if (part.empty()) continue;
                if (tiles->tile(tx, ty))
                    drawn = unite(drawn, tiles->forEachWritableTile(part, draw));
                else if (reports)
                    drawn = unite(drawn, resize ? part : intersect(Rect{x, y, w, h}, part));
            }
        return drawn;
    }
    Image* image = target.reserve(rect);
    if (!image || image->width != target.width || image->height != target.height) return {};
    if (!resize) return drawDab(*image, dab, x, y, passes);
    ResizedDabMemory ownMemory;
    return drawResizedRect(*image, dab, w, h, x, y, rect, passes, memory ? *memory : ownMemory);
}

bool missesImage(const DabTarget& target, int x, int y, int64_t w, int64_t h) {
    return clipToImage(x, y, w, h, target.width, target.height).empty();
}

}  // namespace

DabTarget imageDabTarget(Image& image) {
    return DabTarget{image.width, image.height, [&image](const Rect&) { return &image; }};
}

uint32_t eraseFilterPixel(uint32_t s, uint32_t t, uint32_t opacity) {
    const uint32_t as = alpha(s) * opacity / 255;
    const uint32_t at = alpha(t);
    return (t & kColour) | ((at > as ? at - as : 0u) << 24);
}

uint32_t smudgeFilterPixel(uint32_t s, uint32_t t, uint32_t opacity) {
    const uint32_t as = alpha(s) * opacity / 255;
    const uint32_t at = alpha(t);
    if (at < as) return t & kColour;
    return rgba(red(s) * red(t) / 255, green(s) * green(t) / 255, blue(s) * blue(t) / 255, at - as);
}

Rect drawDab(PixelView target, ConstPixelView dab, int x, int y, const DabPasses& passes) {
    Rect touched;
    if (passes.waterOpacity > 0)
        touched = filterPass(target, dab, x, y, uint32_t(std::min(passes.waterOpacity, 255)),
                             eraseFilterPixel, false);
    const auto opacity = uint32_t(std::clamp(passes.opacity, 0, 255));
    Rect painted;
    switch (passes.tool) {
        case 0:  // brush
        case 1:  // pencil
            painted = drawImage(target, dab, x, y,
                                passes.keepAlpha ? DrawMode::AlphaClip : DrawMode::AlphaBlend,
                                int(opacity));
            break;
        case 2:  // eraser; at opacity 0 it removes nothing
            if (opacity > 0)
                painted = filterPass(target, dab, x, y, opacity, eraseFilterPixel, false);
            break;
        case 4:  // smudge; it tints even at opacity 0, so it always runs
            painted = filterPass(target, dab, x, y, opacity, smudgeFilterPixel, passes.keepAlpha);
            break;
        default:
            // "Water" (3) and unknown modes choose no mode of their own: they draw as plain
            // alpha blending, without keepAlpha.
            painted = drawImage(target, dab, x, y, DrawMode::AlphaBlend, int(opacity));
            break;
    }
    return unite(touched, painted);
}

Rect drawDabResized(PixelView target, const Image& dab, int w, int h, int x, int y,
                    const DabPasses& passes) {
    if (dab.empty() || target.empty() || w < 1 || h < 1) return {};
    // The visible part of the resized dab: no larger than the target, so a huge dab costs no
    // more than the image it lands on.
    ResizedDabMemory memory;
    return drawResizedRect(target, dab, w, h, x, y, clipToRect(x, y, w, h, target.rect()), passes,
                           memory);
}

namespace {

// A turned (or resized) tip with the box of its painted pixels cut out, its width rounded up to
// a multiple of `block` with transparent columns on the right.
StrokeCache::Turn withPaintedBox(Image image, int block = 1) {
    StrokeCache::Turn turn;
    turn.image = std::move(image);
    const Rect box = paintedBox(turn.image);
    if (box.empty()) return turn;
    turn.trimX = box.x;
    turn.trimY = box.y;
    const int width = (box.w + block - 1) / block * block;
    if (width == box.w) {
        turn.trimmed = *grabRect(turn.image, box.x, box.y, box.w, box.h);
        return turn;
    }
    std::optional<Image> cut = createImage(width, box.h, turn.image.depth == 24 ? 24 : 32);
    if (!cut) {
        turn.trimmed = *grabRect(turn.image, box.x, box.y, box.w, box.h);
        return turn;
    }
    for (int j = 0; j < box.h; ++j)
        std::copy_n(turn.image.row(box.y + j) + box.x, box.w, cut->row(j));
    turn.trimmed = std::move(*cut);
    return turn;
}

size_t turnBytes(const StrokeCache::Turn& turn) {
    return (turn.image.pixels.size() + turn.trimmed.pixels.size()) * sizeof(uint32_t);
}

}  // namespace

void StrokeCache::useTip(const Image& documentTip) {
    if (source_.width == documentTip.width && source_.height == documentTip.height &&
        source_.depth == documentTip.depth && source_.pixels == documentTip.pixels)
        return;
    source_ = documentTip;
    turns_.clear();
    sized_.clear();
    lastSized_.turn = nullptr;
    bytes_ = 0;
}

const StrokeCache::Turn& StrokeCache::rotated(int degrees) {
    if (auto it = turns_.find(degrees); it != turns_.end()) return it->second;
    Turn turn = withPaintedBox(rotateTip(source_, double(degrees)));
    const size_t size = turnBytes(turn);
    if (size > kBudgetBytes) {
        uncached_ = std::move(turn);
        return uncached_;
    }
    if (bytes_ + size > kBudgetBytes) {
        turns_.clear();
        sized_.clear();
        lastSized_.turn = nullptr;
        bytes_ = 0;
    }
    bytes_ += size;
    return turns_.emplace(degrees, std::move(turn)).first->second;
}

const StrokeCache::Turn& StrokeCache::resized(int degrees, int w, int h) {
    if (w < 1 || h < 1 || w > 4 * kCachedSide || h > 4 * kCachedSide) {
        uncached_ = Turn{};
        return uncached_;
    }
    // The angle in the upper 32 bits, the sides (at most 4 x kCachedSide) in 16 bits each.
    const uint64_t key = (uint64_t(uint32_t(degrees)) << 32) | (uint64_t(w) << 16) | uint64_t(h);
    if (lastSized_.turn && key == lastSized_.key) return *lastSized_.turn;
    if (auto it = sized_.find(key); it != sized_.end()) {
        lastSized_.key = key;
        lastSized_.turn = &it->second;
        return it->second;
    }
    // Made before anything is forgotten: `from` may be one of the kept turns.
    const Image& from = degrees < 0 ? source_ : rotated(degrees).image;
    std::optional<Image> image = resizeNearest(from, w, h);
    if (!image) {
        uncached_ = Turn{};
        return uncached_;
    }
    Turn turn = withPaintedBox(std::move(*image), kBlendBlock);
    const size_t size = turnBytes(turn);
    if (bytes_ + size > kBudgetBytes) {
        turns_.clear();
        sized_.clear();
        bytes_ = 0;
    }
    bytes_ += size;
    lastSized_.key = key;
    lastSized_.turn = &sized_.emplace(key, std::move(turn)).first->second;
    return *lastSized_.turn;
}

double StrokeCache::lean(double tiltDegrees) {
    for (const Lean& kept : leans_)
        if (kept.tilt == tiltDegrees && std::signbit(kept.tilt) == std::signbit(tiltDegrees))
            return kept.lean;
    Lean& made = leans_[nextLean_];
    nextLean_ = (nextLean_ + 1) % 4;
    made = Lean{tiltDegrees, penLean(tiltDegrees)};
    return made.lean;
}

namespace {

// The dab's angle for a lean vector of the pen: the tip follows the azimuth, which runs clockwise
// on screen, while a tip turns anticlockwise by its angle. Whole degrees, 0..359.
int leanAngle(double leanX, double leanY) {
    const int64_t degrees = roundHalfEven(-leanAzimuth(leanX, leanY));
    return int(((degrees % 360) + 360) % 360);
}

// The spacing before it is rounded: (size x (widest side div 100) x pas div 100) x the size
// factor in percent.
double spacingBeforeRounding(const BrushSettings& brush) {
    // Integer steps first: the width/height factor is 1 only when one of them is 100 %.
    const int64_t widest = std::max(brush.sizeX, brush.sizeY) / 100;
    const int64_t base = int64_t(brush.size) * widest * brush.pas / 100;
    return double(base) * brush.strokeSizeFactor / 100.0;
}

// The segment painter for any two samples. Positions are used as given (callers bound them).
SegmentResult paintDabs(StrokeContext& ctx, const PenSample& p, const PenSample& q,
                        bool decayCounters) {
    SegmentResult result;
    BrushSettings& b = ctx.brush;
    Random& random = ctx.random;

    // Dabs run from the new point Q towards the previous point P.
    const double dx = p.x - q.x, dy = p.y - q.y;
    const double length = std::sqrt(dx * dx + dy * dy);
    const auto dist = std::isfinite(length) ? int64_t(std::min(length, double(kFar))) : 0;
    const double theta = std::atan2(dx, dy);
    const double sinT = std::sin(theta), cosT = std::cos(theta);

    // A stroke that has shrunk away stays invisible until the release, even when the opacity
    // counter is reset to its rest value below (no opacity decay), which would otherwise bring
    // back one-pixel dabs.
    const bool vanished = b.strokeSizeFactor <= 10;
    if (decayCounters) decay(b.strokeAlpha, b.alphaVsTime, b.alphaFactorVsTime, 255.0);
    const double dabAlpha = vanished ? 0.0 : b.strokeAlpha * (1.0 - b.water / 255.0);
    if (decayCounters) decay(b.strokeSizeFactor, b.sizeVsTime, b.sizeFactorVsTime, 100.0);
    if (b.strokeSizeFactor <= 10) {
        // The stroke has shrunk away: this segment keeps the opacity computed above, the rest
        // of the stroke is invisible until the release resets the counters.
        b.strokeSizeFactor = 1;
        b.strokeAlpha = 0;
    }
    const double spacingReal = spacingBeforeRounding(b);
    const int spacing = nearestInt(spacingReal);
    const double zoom = ctx.zoom;
    if (ctx.zoom < 1) return result;

    const DabPasses passes{ctx.currentTool == 4 && b.water > 0 ? int(b.water) : 0, b.tool,
                           b.keepAlpha != 0, std::clamp(nearestInt(dabAlpha), 0, 255)};
    // The tip asked for since the last segment is made now, once, when a dab needs it.
    if (dist >= 1) readyTip(ctx.tip);
    const Image& documentTip = ctx.tip.documentTip;
    // The pen: pressure and lean run from Q's to P's along the segment. A previous point that
    // did not report its lean leans as the new one.
    const bool sizeByPressure = b.sizeVsPressure != 0;
    const bool alphaByPressure = b.alphaVsPressure != 0;
    const bool turnByTilt = b.rotateVsTilt != 0 && q.hasTilt;
    const double pressureQ = penPressure(q.pressure), pressureP = penPressure(p.pressure);
    // The lean runs along the segment as a vector on the tablet, so the dabs turn the short way
    // round.
    const auto lean = [&](double tilt) {
        return ctx.cache ? ctx.cache->lean(tilt) : penLean(tilt);
    };
    const double leanQX = turnByTilt ? lean(q.tiltX) : 0.0;
    const double leanQY = turnByTilt ? lean(q.tiltY) : 0.0;
    const double leanPX = turnByTilt && p.hasTilt ? lean(p.tiltX) : leanQX;
    const double leanPY = turnByTilt && p.hasTilt ? lean(p.tiltY) : leanQY;
    const double smallest = std::clamp<int>(b.sizemini, 0, 100) / 100.0;
    const bool rotatedPath = b.rotate > 0 || b.randRot > 0 || turnByTilt;
    const int documentSide = rotatedSide(documentTip);
    // Small turned tips are kept from dab to dab; a large one is turned per dab, only where it
    // lands on the image.
    StrokeCache* cache =
        rotatedPath && documentSide <= StrokeCache::kCachedSide ? ctx.cache : nullptr;
    // Dabs whose size follows the pressure change little from one to the next: small tips keep
    // their resized copies too, and so do dabs turned by the pen's lean at full size, since the
    // copies are widened to whole blend blocks (a mouse never leans: its dabs keep the turned
    // tips as they are).
    StrokeCache* sizes =
        (sizeByPressure || turnByTilt) && b.randSiz == 0 && documentSide <= StrokeCache::kCachedSide
            ? ctx.cache
            : nullptr;
    if (cache || sizes) {
        readyTipPart(ctx.tip, Rect{0, 0, documentTip.width, documentTip.height});
        ctx.cache->useTip(documentTip);
    }
    // A kept dab: cut to its painted box, except for smudge, which tints under alpha 0 too.
    const auto keptDab = [&](const StrokeCache::Turn& kept, int x, int y,
                             const DabPasses& dabPasses) {
        if (dabPasses.tool == 4)
            return placeDab(ctx.target, kept.image, false, 0, 0, x, y, dabPasses);
        return placeDab(ctx.target, kept.trimmed, false, 0, 0, x + kept.trimX, y + kept.trimY,
                        dabPasses);
    };
    // The turned part of a large dab: memory kept from dab to dab (and, with a cache, from
    // segment to segment).
    Image ownScratch, trimmed;
    Image& scratch = ctx.cache ? ctx.cache->scratch() : ownScratch;
    ResizedDabMemory ownResized;
    ResizedDabMemory& resized = ctx.cache ? ctx.cache->resizedDabs() : ownResized;
    const int w0 = documentTip.width * b.sizeX / 100;
    const int h0 = documentTip.height * b.sizeY / 100;
    const int scatterRange = 2 * int(b.scatter);
    const double scatterScale = 1.0 - double(b.scatterLinkToSize) * b.size;
    const int k = b.brushsizeRndfactor;

    // A negative spacing (from a damaged preset) still advances.
    int64_t advance = int64_t(std::max(spacing, 0)) + 1;
    for (int64_t i = 0; i <= dist - 1; i += advance) {
        ++result.dabs;
        // Where the dab lies between Q (0) and P (1), for what the pen did there.
        const double along = length > 0 ? double(i) / length : 0.0;
        const double pressure = pressureQ + (pressureP - pressureQ) * along;
        DabPasses dabPasses = passes;
        if (alphaByPressure)
            dabPasses.opacity = std::clamp(nearestInt(dabAlpha * pressure), 0, 255);
        // Each draw is its own statement: the order of the random numbers is part of the result.
        int d = random(scatterRange);
        d -= random(scatterRange);
        const double ox = double(roundHalfEven(d * scatterScale / 100.0));
        d = random(scatterRange);
        d -= random(scatterRange);
        const double oy = double(roundHalfEven(d * scatterScale / 100.0));
        const double X = q.x + double(i) * sinT + ox * zoom / 100.0;
        const double Y = q.y + double(i) * cosT + oy * zoom / 100.0;
        int angle = rotatedPath ? b.rotate + random(b.randRot) : 0;
        if (turnByTilt) {
            const int lean =
                leanAngle(leanQX + (leanPX - leanQX) * along, leanQY + (leanPY - leanQY) * along);
            angle = ((angle + lean) % 360 + 360) % 360;
        }
        double scale = b.strokeSizeFactor / 100.0;
        bool resize = b.strokeSizeFactor < 100;
        if (b.randSiz > 0) {
            const int r1 = random(b.randSiz);
            const int r2 = random(b.randSiz);
            scale = (b.strokeSizeFactor / 100.0) * std::abs(100 + k * r1 - k * r2) / 100.0;
            resize = true;
        }
        if (sizeByPressure) {
            const double sized = smallest + (1.0 - smallest) * pressure;
            if (sized < 1.0) {
                scale *= sized;
                resize = true;
            }
            // Lighter dabs are smaller, and closer together, so the line stays a line.
            advance = int64_t(std::max(nearestInt(spacingReal * std::min(sized, 1.0)), 0)) + 1;
        }

        if (rotatedPath) {
            // The dab is a square of the rotated side.
            const auto rotatedDab = [&](int side, double cx, double cy) -> Rect {
                if (side == 0) return {};
                const int n = resize ? std::max(1, nearestInt(side * scale)) : side;
                const int x = nearestInt(cx - side * scale / 2.0) - ctx.target.originX;
                const int y = nearestInt(cy - side * scale / 2.0) - ctx.target.originY;
                if (missesImage(ctx.target, x, y, n, n)) return {};
                // Smudge tints even under alpha 0, so it needs the whole square.
                const bool keepEmpty = dabPasses.tool == 4;
                if (cache && sizes && (resize || turnByTilt)) {
                    const StrokeCache::Turn& kept = sizes->resized(angle, n, n);
                    if (!kept.image.empty()) return keptDab(kept, x, y, dabPasses);
                }
                if (cache) {
                    const StrokeCache::Turn& turn = cache->rotated(angle);
                    if (!resize && !keepEmpty)
                        return placeDab(ctx.target, turn.trimmed, false, 0, 0, x + turn.trimX,
                                        y + turn.trimY, dabPasses);
                    // Resized, only the pixels that read the turned tip's painted box.
                    const Rect painted{turn.trimX, turn.trimY, turn.trimmed.width,
                                       turn.trimmed.height};
                    return placeDab(ctx.target, turn.image, resize, n, n, x, y, dabPasses, &resized,
                                    keepEmpty ? nullptr : &painted);
                }
                const Rect visible = clipToImage(x, y, n, n, ctx.target.width, ctx.target.height);
                int atX = 0, atY = 0;
                const Image& part = turnedPart(ctx.tip, angle, side, resize, n, x, y, visible,
                                               keepEmpty, atX, atY, scratch, trimmed);
                return placeDab(ctx.target, part, false, 0, 0, atX, atY, dabPasses);
            };
            result.layerRect = unite(result.layerRect,
                                     rotatedDab(documentSide, X * 100.0 / zoom, Y * 100.0 / zoom));
            // Rotating a tip makes the rotated side the tip's extent.
            if (documentSide) ctx.tip.tipWidth = ctx.tip.tipHeight = int16_t(documentSide);
        } else {
            const int dw = std::max(1, nearestInt(w0 * scale));
            const int dh = std::max(1, nearestInt(h0 * scale));
            const int x = nearestInt(X * 100.0 / zoom - w0 * scale / 2.0) - ctx.target.originX;
            const int y = nearestInt(Y * 100.0 / zoom - h0 * scale / 2.0) - ctx.target.originY;
            if (resize && sizes) {
                const StrokeCache::Turn& kept = sizes->resized(-1, dw, dh);
                if (!kept.image.empty()) {
                    result.layerRect = unite(result.layerRect, keptDab(kept, x, y, dabPasses));
                    continue;
                }
            }
            readyTipPart(ctx.tip, tipPartUnder(ctx.target, documentTip, resize, dw, dh, x, y));
            result.layerRect = unite(result.layerRect, placeDab(ctx.target, documentTip, resize, dw,
                                                                dh, x, y, dabPasses, &resized));
        }
    }
    return result;
}

}  // namespace

int dabSpacing(const BrushSettings& brush) {
    return nearestInt(spacingBeforeRounding(brush));
}

SegmentResult paintSegment(StrokeContext& ctx, int px, int py, int qx, int qy) {
    return paintDabs(ctx, mouseSample(px, py), mouseSample(qx, qy), true);
}

SegmentResult paintSegment(StrokeContext& ctx, const PenSample& from, const PenSample& to,
                           bool decayCounters) {
    // Within the range of the mouse's view coordinates, so that a wild sample cannot ask for
    // millions of dabs.
    const auto bounded = [](PenSample s) {
        const auto bound = [](double v) {
            return std::isfinite(v) ? std::clamp(v, -32768.0, 32767.0) : 0.0;
        };
        s.x = bound(s.x);
        s.y = bound(s.y);
        return s;
    };
    return paintDabs(ctx, bounded(from), bounded(to), decayCounters);
}

namespace {

template <class Source>
std::optional<uint32_t> sampleOf(const Source& layer, int x, int y, int zoom, int originX,
                                 int originY) {
    if (zoom < 1 || layer.empty()) return std::nullopt;
    const int u = nearestInt(x * 100.0 / zoom) - originX;
    const int v = nearestInt(y * 100.0 / zoom) - originY;
    if (u < 1 || v < 1 || u >= layer.width || v >= layer.height) return std::nullopt;
    // The point read gives the colour without its alpha byte, and nothing for a transparent
    // pixel; read with alpha, every opaque pixel would fail the "above zero" test below.
    const uint32_t pixel = layer.at(u, v);
    const uint32_t read = alpha(pixel) == 0 ? 0u : pixel & kColour;
    if (int32_t(read) <= 0) return std::nullopt;
    return read;
}

}  // namespace

std::optional<uint32_t> mixingSample(const Image& layer, int x, int y, int zoom, int originX,
                                     int originY) {
    return sampleOf(layer, x, y, zoom, originX, originY);
}

std::optional<uint32_t> mixingSample(const TiledImage& layer, int x, int y, int zoom, int originX,
                                     int originY) {
    return sampleOf(layer, x, y, zoom, originX, originY);
}

uint32_t mixedColour(uint32_t sample, uint32_t selectedColor, int mixing) {
    const int m = std::clamp(mixing, 0, 100) * 255 / 100;
    // B (the selected colour, alpha 255 - m) over A (the sample, alpha m).
    const int aB = 255 - m, aA = m;
    const int den = (255 - aB) * aA + aB * 255;
    const auto channel = [&](int shift) -> uint32_t {
        const int a = int((sample >> shift) & 0xFFu), bb = int((selectedColor >> shift) & 0xFFu);
        if (aB == 0) return uint32_t(a);
        if (aA == 0) return uint32_t(bb);
        return uint32_t((a * (255 - aB) * aA + bb * aB * 255) / den);
    };
    return rgba(channel(0), channel(8), channel(16), uint32_t(den / 255));
}

}  // namespace qm
