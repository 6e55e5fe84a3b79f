#include "document/compositing.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "document/animation_frames.h"
#include "document/blend_modes.h"
#include "raster/alpha_blend.h"
#include "raster/rounding.h"

namespace qm {

namespace {

constexpr uint32_t kOpaque = 0xFF000000u;

// The canvas is composed row by row and, along a row, in short pieces: every step of the frame
// (paper, frames, layers) is applied to one piece before the next piece. Each image then streams
// through the cache as one short run per row, all of them in flight together, which keeps the
// memory busy even when the canvas shows only part of a much wider image; the piece of the
// canvas row stays in the first-level cache meanwhile.
constexpr int kPieceWidth = 64;
// Areas at least this large are composed on two threads.
constexpr int64_t kParallelPixels = int64_t(1) << 18;

// Source index under the centre of destination index i when n pixels become m: the mapping of
// resizeNearest, which the display images must reproduce bit for bit.
int nearestIndex(int64_t i, int64_t n, int64_t m) {
    return int(((2 * i + 1) * n) / (2 * m));
}

int64_t scaled(int64_t v, int zoom) {
    return v * zoom / 100;
}

// Where an image placed at (x, y) meets the area: the canvas rectangle and the source pixel of
// its top-left corner.
struct Placement {
    Rect dst;
    int sx = 0, sy = 0;
};

Placement place(int64_t width, int64_t height, int64_t x, int64_t y, const Rect& area) {
    if (width <= 0 || height <= 0) return {};
    const Rect dst =
        intersect(clipToImage(x, y, width, height, area.right(), area.bottom()), area);
    if (dst.empty()) return {};
    return {dst, int(dst.x - x), int(dst.y - y)};
}

void fillRow(uint32_t* row, int x0, int x1, uint32_t color) {
    if (x1 > x0) std::fill(row + x0, row + x1, color);
}

// One image drawn onto the canvas: the paper, an animation frame or a layer's display image.
// Display images are read from their tiles.
struct DrawStep {
    enum class Kind : uint8_t {
        Copy,      // an opaque image at full strength
        Over,      // alpha blending at `opacity`
        Mode,      // a layer through its blend mode
        Dissolve,  // a Dissolve layer, with the noise of the document pixels under it
        Tint,      // an onion-skin frame: its alpha with the colour `tint`, alpha blended
    };
    Kind kind = Kind::Over;
    const Image* image = nullptr;        // the paper or a frame
    const DisplayEntry* entry = nullptr;  // a layer
    Placement at;
    BlendRowFunction blend = nullptr;  // Mode
    uint32_t opacity = 255;
    std::vector<int> docX;  // Dissolve: document column under each display column of `at.dst`
    int zoom = 100;         // Dissolve: for the document row
    uint32_t tint = 0;      // Tint: red, green and blue
};

// The view holding the layer's display entry: the preview's for a layer shown changed.
ViewCache& viewOf(const CanvasScene& scene, const Layer& layer) {
    const LayerPreview* p = scene.preview;
    return p && p->view && p->change && p->layerId == layer.id ? *p->view : scene.view;
}

// The steps of the frame that reach `area`, in drawing order (steps 2 to 4).
std::vector<DrawStep> frameSteps(const CanvasScene& scene, const Rect& area) {
    const Document& doc = scene.doc;
    std::vector<DrawStep> steps;
    auto addImage = [&](const Image& image, int64_t x, int64_t y, uint32_t opacity) {
        DrawStep step;
        step.image = &image;
        if (!image.empty()) step.at = place(image.width, image.height, x, y, area);
        if (step.at.dst.empty() || opacity == 0) return;
        // Over of an opaque image at full strength is a copy.
        step.kind =
            !image.hasAlpha() && opacity == 255 ? DrawStep::Kind::Copy : DrawStep::Kind::Over;
        step.opacity = opacity;
        steps.push_back(std::move(step));
    };
    addImage(scene.paper, scene.offsetX, scene.offsetY, 255);
    if (const AnimationLayer* onion = scene.onion.layer) {
        auto addSide = [&](int count, int direction, uint32_t tint) {
            for (int d = count; d >= 1; --d) {
                const uint32_t opacity = uint32_t(onion->Alpha) * 128 * uint32_t(count + 1 - d) /
                                         (uint32_t(count) * 255);
                for (const AnimationFrame& frame : onion->Frames) {
                    if (frame.Frame != doc.CurrentFrame + direction * d) continue;
                    const size_t before = steps.size();
                    addImage(frame.image, int64_t(scene.offsetX) + frame.X,
                             int64_t(scene.offsetY) + frame.Y, opacity);
                    if (steps.size() == before) continue;
                    steps.back().kind = DrawStep::Kind::Tint;
                    steps.back().tint = tint;
                }
            }
        };
        addSide(std::clamp(scene.onion.before, 0, 255), -1, 0x0000FFu);
        addSide(std::clamp(scene.onion.after, 0, 255), 1, 0xFF0000u);
    }
    for (const auto& [key, animationLayer] : doc.animationLayers) {
        const int shown = shownFrameNumber(animationLayer, doc.CurrentFrame);
        for (const AnimationFrame& frame : animationLayer.Frames)
            if (frame.Frame == shown)
                addImage(frame.image, int64_t(scene.offsetX) + frame.X,
                         int64_t(scene.offsetY) + frame.Y, animationLayer.Alpha);
    }
    for (const Layer& layer : doc.layers) {
        if (!layer.Visible || layer.IsGroup) continue;
        const ViewCache& view = viewOf(scene, layer);
        const DisplayEntry* entry = view.find(layer.id);
        if (!entry) continue;
        // A layer shows over the document only: moved or larger than the document, what lies
        // beyond it is not drawn.
        const Rect inside =
            intersect(area, documentViewRect(doc, scene.offsetX, scene.offsetY, view.zoom));
        DrawStep step;
        step.entry = entry;
        step.at = place(entry->width, entry->height,
                        int64_t(scene.offsetX) + layerViewOffset(layer.X, view.zoom),
                        int64_t(scene.offsetY) + layerViewOffset(layer.Y, view.zoom), inside);
        if (step.at.dst.empty()) continue;
        step.blend = blendRowFunction(layer.Blendmode);
        step.opacity = layer.Opacity;
        step.kind = DrawStep::Kind::Mode;
        if (blendMode(layer.Blendmode).rule == BlendRule::Dissolve) {
            // The noise belongs to the document pixel under each display pixel, so the pattern
            // stays put while the view pans, redraws or is recomposed in parts.
            step.kind = DrawStep::Kind::Dissolve;
            step.zoom = std::max(int(doc.Zoom), 1);
            step.docX.resize(size_t(step.at.dst.w));
            for (int i = 0; i < step.at.dst.w; ++i)
                step.docX[size_t(i)] = int(int64_t(step.at.sx + i) * 100 / step.zoom);
        }
        steps.push_back(std::move(step));
    }
    return steps;
}

// A step on the row being composed, with the run of its source that the last piece read: the
// canvas columns runStart..runEnd read contiguous source pixels from runSource (null where a
// tile is missing). The paper and the frames are one run; a display image has one per tile.
struct RowStep {
    const DrawStep* step;
    int runStart, runEnd;
    const uint32_t* runSource;
    int tileRow, rowInTile;  // display images
    int docY;                // Dissolve
};

// Draws n source pixels of the step onto t; `offset` is the canvas column less dst.x.
inline void drawSpan(const DrawStep& step, uint32_t* t, const uint32_t* s, size_t n, int offset,
                     int docY) {
    switch (step.kind) {
        case DrawStep::Kind::Copy:
            std::memcpy(t, s, n * sizeof(uint32_t));
            break;
        case DrawStep::Kind::Over:
            blendRowOver(t, s, n, step.opacity);
            break;
        case DrawStep::Kind::Mode:
            step.blend(t, s, n, step.opacity);
            break;
        case DrawStep::Kind::Tint: {
            uint32_t tinted[kPieceWidth];
            for (size_t i = 0; i < n; ++i) tinted[i] = (s[i] & 0xFF000000u) | step.tint;
            blendRowOver(t, tinted, n, step.opacity);
            break;
        }
        case DrawStep::Kind::Dissolve: {
            uint8_t noise[kPieceWidth];
            dissolveNoiseRow(step.docX.data() + offset, docY, noise, n);
            dissolveRow(t, s, noise, n, step.opacity);
            break;
        }
    }
}

// Moves the step's run to the tile under canvas column x.
void enterTile(RowStep& r, int x) {
    const DrawStep& step = *r.step;
    const DisplayEntry& e = *step.entry;
    const int dx = step.at.sx + (x - step.at.dst.x);
    const int column = dx >> e.shiftX;
    r.runStart = x - (dx & ((1 << e.shiftX) - 1));
    r.runEnd = r.runStart + (1 << e.shiftX);  // past dst.right() on the last tile
    const uint32_t* tile = e.tile(column, r.tileRow);
    r.runSource = tile ? tile + size_t(r.rowInTile) * size_t(e.tileWidth(column)) : nullptr;
}

// Pieces of a row come left to right, so a step's run only moves on to the next tile.
void drawPiece(RowStep& r, uint32_t* canvasRow, int x0, int x1) {
    const DrawStep& step = *r.step;
    int lo = std::max(x0, step.at.dst.x);
    const int hi = std::min(x1, step.at.dst.right());
    while (lo < hi) {
        if (lo >= r.runEnd) enterTile(r, lo);
        const int end = std::min(hi, r.runEnd);
        if (r.runSource)
            drawSpan(step, canvasRow + lo, r.runSource + (lo - r.runStart), size_t(end - lo),
                     lo - step.at.dst.x, r.docY);
        lo = end;
    }
}

void fillRect(Image& canvas, const Rect& r, const Rect& area, uint32_t color) {
    const Rect c = intersect(r, area);
    for (int y = c.y; y < c.bottom(); ++y) fillRow(canvas.row(y), c.x, c.right(), color);
}

// A rectangle given in 64 bits, cut to the int range the canvas can hold.
Rect wideRect(int64_t x, int64_t y, int64_t w, int64_t h) {
    const Rect r = clipToImage(x, y, w, h, kMaxImageSide, kMaxImageSide);
    return r;
}

// The first grid line that can reach an area starting `start` view pixels after the origin:
// with q = start * 100 / (zoom * gridSize), every line i < q lies at most
// (q - 1) * gridSize * zoom / 100 < start pixels after the origin, wholly left of (above) the
// area. A band far from the origin therefore does not walk through thousands of lines.
int firstGridLine(int64_t start, int gridSize, int zoom) {
    if (gridSize <= 0 || zoom <= 0 || start <= 0) return 0;
    return int(std::min<int64_t>(start * 100 / (int64_t(zoom) * gridSize), INT32_MAX));
}

void drawGrid(Image& canvas, const CanvasScene& scene, const Rect& area) {
    const GridSettings& g = scene.grid;
    const Document& doc = scene.doc;
    const int zoom = doc.Zoom;
    const uint32_t color = g.color | kOpaque;
    const int64_t viewW = scaled(doc.Width, zoom), viewH = scaled(doc.Height, zoom);
    const int nx = gridLoopBound(doc.Width, g.width);
    for (int i = firstGridLine(area.x - int64_t(scene.offsetX), g.width, zoom); i <= nx; ++i) {
        const int64_t x = scene.offsetX + scaled(int64_t(i) * g.width, zoom);
        if (x >= area.right() && zoom > 0) break;  // the lines only move right from here
        fillRect(canvas, wideRect(x, scene.offsetY, 1, viewH), area, color);
    }
    const int ny = gridLoopBound(doc.Height, g.height);
    for (int j = firstGridLine(area.y - int64_t(scene.offsetY), g.height, zoom); j <= ny; ++j) {
        const int64_t y = scene.offsetY + scaled(int64_t(j) * g.height, zoom);
        if (y >= area.bottom() && zoom > 0) break;
        fillRect(canvas, wideRect(scene.offsetX, y, viewW, 1), area, color);
    }
}

// Composes the rows top..bottom of `area` (steps 1 to 5).
void composeRows(Image& canvas, const CanvasScene& scene, const Rect& area, int top, int bottom) {
    const Rect rows{area.x, top, area.w, bottom - top};
    if (rows.empty()) return;
    const std::vector<DrawStep> steps = frameSteps(scene, rows);
    // Step 1, the background: an opaque paper covers its own rectangle in step 2, so the
    // background is only filled around it.
    const uint32_t background = scene.background | kOpaque;
    const Rect paperRect =
        wideRect(scene.offsetX, scene.offsetY, scene.paper.width, scene.paper.height);
    const Rect covered =
        !scene.paper.empty() && !scene.paper.hasAlpha() ? intersect(rows, paperRect) : Rect{};
    std::vector<RowStep> active;
    active.reserve(steps.size());
    for (int y = top; y < bottom; ++y) {
        uint32_t* row = canvas.row(y);
        if (covered.empty() || y < covered.y || y >= covered.bottom()) {
            fillRow(row, rows.x, rows.right(), background);
        } else {
            fillRow(row, rows.x, covered.x, background);
            fillRow(row, covered.right(), rows.right(), background);
        }
        active.clear();
        for (const DrawStep& step : steps) {
            const Rect& d = step.at.dst;
            if (y < d.y || y >= d.bottom()) continue;
            const int sourceRow = step.at.sy + (y - d.y);
            const int docY = step.kind == DrawStep::Kind::Dissolve
                                 ? int(int64_t(sourceRow) * 100 / step.zoom)
                                 : 0;
            if (step.entry) {  // the first piece enters the first tile
                const int shiftY = step.entry->shiftY;
                active.push_back({&step, d.x, d.x, nullptr, sourceRow >> shiftY,
                                  sourceRow & ((1 << shiftY) - 1), docY});
            } else {
                active.push_back({&step, d.x, d.right(), step.image->row(sourceRow) + step.at.sx,
                                  0, 0, docY});
            }
        }
        for (int x = rows.x; x < rows.right(); x += kPieceWidth) {
            const int end = std::min(x + kPieceWidth, rows.right());
            for (RowStep& r : active) drawPiece(r, row, x, end);
        }
    }
    if (scene.grid.on) drawGrid(canvas, scene, rows);
}

}  // namespace

Rect documentViewRect(const Document& doc, int offsetX, int offsetY, int zoom) {
    return wideRect(offsetX, offsetY, scaled(std::max<int>(doc.Width, 0), zoom),
                    scaled(std::max<int>(doc.Height, 0), zoom));
}

int gridLoopBound(int documentSize, int gridSize) {
    if (gridSize <= 0) return -1;
    return int(roundHalfEven(double(documentSize) / double(gridSize)));
}

namespace {

// Over onto transparent (every channel 0) at `opacity`, as overPixel(s, 0, opacity) gives it:
// with a = alpha(s) * opacity / 255, the source colour with alpha a, or transparent where a is
// 0. At opacity 255 a is the source alpha, so the source is kept as it is unless its alpha is 0.
void overTransparentRow(uint32_t* d, const uint32_t* s, const int* xs, size_t n,
                        uint32_t opacity) {
    if (opacity >= 255) {
        if (xs) {
            for (size_t i = 0; i < n; ++i) {
                const uint32_t p = s[xs[i]];
                d[i] = p >> 24 ? p : 0u;
            }
        } else {
            for (size_t i = 0; i < n; ++i) d[i] = s[i] >> 24 ? s[i] : 0u;
        }
        return;
    }
    for (size_t i = 0; i < n; ++i) {
        const uint32_t p = xs ? s[xs[i]] : s[i];
        const uint32_t a = (p >> 24) * opacity / 255;
        d[i] = a ? (p & 0x00FFFFFFu) | (a << 24) : 0u;
    }
}

// The display columns i0..i1 and rows j0..j1 (exclusive ends) of the w x h display image made
// from the layer (backdrop, then the nearest layer pixel over it at the layer's opacity),
// written from `out`, which holds display pixel (i0, j0), with `stride` pixels per row.
// With `change`, the layer pixels pass through it first (LayerPreview).
using PixelChange = std::function<void(uint32_t*, size_t)>;

void displayPixels(const Layer& layer, int w, int h, int i0, int i1, int j0, int j1,
                   uint32_t* out, size_t stride, const PixelChange* change = nullptr) {
    const Image& image = layer.image;
    const BlendMode& mode = blendMode(layer.Blendmode);
    const uint32_t opacity = layer.Opacity;
    const bool sameWidth = w == image.width;
    const size_t n = size_t(i1 - i0);
    std::vector<int> xs;
    std::vector<uint32_t> sampled;
    if (!sameWidth) {
        xs.resize(n);
        for (int i = i0; i < i1; ++i) xs[size_t(i - i0)] = nearestIndex(i, image.width, w);
        if (mode.hasBackdrop) sampled.resize(n);
    }
    if (change) sampled.resize(n);
    int previousSy = -1;
    for (int j = j0; j < j1; ++j) {
        const int sy = nearestIndex(j, image.height, h);
        uint32_t* d = out + size_t(j - j0) * stride;
        if (sy == previousSy) {  // enlarging repeats rows: copy the one just made
            std::memcpy(d, d - stride, n * sizeof(uint32_t));
            continue;
        }
        previousSy = sy;
        const uint32_t* s = image.row(sy);
        if (change) {  // the changed pixels, gathered at display columns
            if (sameWidth)
                std::memcpy(sampled.data(), s + i0, n * sizeof(uint32_t));
            else
                for (size_t i = 0; i < n; ++i) sampled[i] = s[xs[i]];
            (*change)(sampled.data(), n);
            s = sampled.data();
            if (!mode.hasBackdrop) {
                overTransparentRow(d, s, nullptr, n, opacity);
                continue;
            }
            std::fill(d, d + n, mode.backdrop);
            blendRowOver(d, s, n, opacity);
            continue;
        }
        if (!mode.hasBackdrop) {
            overTransparentRow(d, sameWidth ? s + i0 : s, sameWidth ? nullptr : xs.data(), n,
                               opacity);
            continue;
        }
        if (sameWidth) {
            s += i0;
        } else {
            for (size_t i = 0; i < n; ++i) sampled[i] = s[xs[i]];
            s = sampled.data();
        }
        std::fill(d, d + n, mode.backdrop);
        blendRowOver(d, s, n, opacity);
    }
}

bool displaySizeOf(const Layer& layer, int zoom, int64_t& w, int64_t& h) {
    if (layer.IsGroup || layer.image.empty()) return false;
    w = scaled(layer.image.width, zoom);
    h = scaled(layer.image.height, zoom);
    return w >= 1 && h >= 1 && w <= kMaxViewSide && h <= kMaxViewSide;
}

// The display indices [lo, hi) whose nearest source index lies in [a, b), for n source pixels
// shown as m.
void displaySpan(int64_t a, int64_t b, int64_t n, int64_t m, int& lo, int& hi) {
    // nearestIndex(i) = (2i+1)n / 2m is nondecreasing in i; start a little before the estimate
    // and walk to the exact ends.
    int64_t i = std::max<int64_t>(0, a * m / n - 1);
    while (i < m && nearestIndex(i, n, m) < a) ++i;
    int64_t k = std::min<int64_t>(m, b * m / n + 1);
    while (k > i && nearestIndex(k - 1, n, m) >= b) --k;
    while (k < m && nearestIndex(k, n, m) < b) ++k;
    lo = int(i);
    hi = int(k);
}

// The display rectangle that shows the layer pixels of `layerRect` in a w x h display image.
Rect displayRectOf(const Layer& layer, int64_t w, int64_t h, const Rect& layerRect) {
    const Rect r = intersect(layerRect, Rect{0, 0, layer.image.width, layer.image.height});
    if (r.empty()) return {};
    int i0 = 0, i1 = 0, j0 = 0, j1 = 0;
    displaySpan(r.x, r.right(), layer.image.width, w, i0, i1);
    displaySpan(r.y, r.bottom(), layer.image.height, h, j0, j1);
    if (i0 >= i1 || j0 >= j1) return {};
    return Rect{i0, j0, i1 - i0, j1 - j0};
}

bool entryMatches(const DisplayEntry& e, const Layer& layer, const ViewCache& view) {
    int64_t w = 0, h = 0;
    return displaySizeOf(layer, view.zoom, w, h) && e.width == w && e.height == h &&
           e.opacity == layer.Opacity && e.blendmode == layer.Blendmode;
}

// The entry of the layer at the cache's zoom and tile size, without tiles; false when the layer
// cannot be drawn.
bool resetEntry(DisplayEntry& e, const Layer& layer, const ViewCache& view) {
    int64_t w = 0, h = 0;
    if (!displaySizeOf(layer, view.zoom, w, h)) return false;
    e.width = int(w);
    e.height = int(h);
    e.opacity = layer.Opacity;
    e.blendmode = layer.Blendmode;
    e.shiftX = std::clamp(view.tileShiftX, 4, 13);
    e.shiftY = std::clamp(view.tileShiftY, 0, 13);
    e.columns = int((w + (1 << e.shiftX) - 1) >> e.shiftX);
    e.rows = int((h + (1 << e.shiftY) - 1) >> e.shiftY);
    e.tiles.clear();
    e.tiles.resize(size_t(e.columns) * size_t(e.rows));
    e.keptFor = {};
    return true;
}

// The tiles of the entry that meet the display rectangle r: columns c0..c1, rows r0..r1
// (inclusive).
struct TileRange {
    int c0 = 0, c1 = -1, r0 = 0, r1 = -1;
};
TileRange tilesUnder(const DisplayEntry& e, const Rect& r) {
    if (r.empty()) return {};
    return {r.x >> e.shiftX, (r.right() - 1) >> e.shiftX, r.y >> e.shiftY,
            (r.bottom() - 1) >> e.shiftY};
}

Rect tileRect(const DisplayEntry& e, int column, int row) {
    return Rect{column << e.shiftX, row << e.shiftY, e.tileWidth(column),
                e.tileHeight(row)};
}

// Makes (again) the part `r` of a tile's pixels from the layer.
void tilePixels(const Layer& layer, const DisplayEntry& e, int column, int row, uint32_t* tile,
                const Rect& r, const PixelChange* change = nullptr) {
    const Rect t = tileRect(e, column, row);
    const size_t stride = size_t(t.w);
    displayPixels(layer, e.width, e.height, r.x, r.right(), r.y, r.bottom(),
                  tile + size_t(r.y - t.y) * stride + size_t(r.x - t.x), stride, change);
}

void makeTile(const Layer& layer, DisplayEntry& e, int column, int row,
              const PixelChange* change = nullptr) {
    const Rect t = tileRect(e, column, row);
    std::unique_ptr<uint32_t[]> pixels;
    try {
        pixels = std::make_unique_for_overwrite<uint32_t[]>(size_t(t.w) * size_t(t.h));
    } catch (const std::bad_alloc&) {  // no memory: the tile stays missing and is not drawn
        return;
    }
    tilePixels(layer, e, column, row, pixels.get(), t, change);
    e.tiles[size_t(row) * size_t(e.columns) + size_t(column)] = std::move(pixels);
}

// Runs work(i) for i < count, on two threads when `parallel` (joined before returning). The
// items must write disjoint memory.
template <typename Work>
void runShared(size_t count, bool parallel, Work&& work) {
    std::atomic<size_t> next{0};
    auto run = [&] {
        for (size_t i = next++; i < count; i = next++) work(i);
    };
    if (!parallel || count < 2 || std::thread::hardware_concurrency() < 2) {
        run();
        return;
    }
    std::thread helper;
    try {
        helper = std::thread(run);
    } catch (const std::system_error&) {  // no thread to be had: this one does all
    }
    run();
    if (helper.joinable()) helper.join();
}

// Before composing `area`: every entry matches its layer, tiles far outside the canvas are
// dropped, and the tiles of visible layers under the area are made.
void prepareDisplayTiles(const CanvasScene& scene, const Rect& canvasRect, const Rect& area,
                         int threads) {
    struct Missing {
        const Layer* layer;
        DisplayEntry* entry;
        int column, row;
        const PixelChange* change;
    };
    std::vector<Missing> missing;
    int64_t pixels = 0;
    for (const Layer& layer : scene.doc.layers) {
        ViewCache& view = viewOf(scene, layer);
        const PixelChange* change = &view == &scene.view ? nullptr : &scene.preview->change;
        const auto it = view.display.find(layer.id);
        if (it == view.display.end()) continue;
        DisplayEntry& e = it->second;
        if (!entryMatches(e, layer, view) && !resetEntry(e, layer, view)) {
            view.display.erase(it);
            continue;
        }
        const int64_t ox = int64_t(scene.offsetX) + layerViewOffset(layer.X, view.zoom);
        const int64_t oy = int64_t(scene.offsetY) + layerViewOffset(layer.Y, view.zoom);
        const Rect keep = clipToImage(int64_t(canvasRect.x) - kDisplayTileMargin - ox,
                                      int64_t(canvasRect.y) - kDisplayTileMargin - oy,
                                      int64_t(canvasRect.w) + 2 * kDisplayTileMargin,
                                      int64_t(canvasRect.h) + 2 * kDisplayTileMargin, e.width,
                                      e.height);
        if (keep != e.keptFor) {
            const TileRange k = tilesUnder(e, keep);
            for (int row = 0; row < e.rows; ++row)
                for (int column = 0; column < e.columns; ++column)
                    if (row < k.r0 || row > k.r1 || column < k.c0 || column > k.c1)
                        e.tiles[size_t(row) * size_t(e.columns) + size_t(column)].reset();
            e.keptFor = keep;
        }
        if (!layer.Visible || layer.IsGroup) continue;
        const TileRange need = tilesUnder(e, clipToImage(int64_t(area.x) - ox, int64_t(area.y) - oy,
                                                      area.w, area.h, e.width, e.height));
        for (int row = need.r0; row <= need.r1; ++row)
            for (int column = need.c0; column <= need.c1; ++column)
                if (!e.tile(column, row)) {
                    missing.push_back({&layer, &e, column, row, change});
                    pixels += int64_t(e.tileWidth(column)) * e.tileHeight(row);
                }
    }
    // Each tile depends on its layer alone, so two threads taking them one by one give the same
    // tiles as one pass.
    runShared(missing.size(), threads >= 2 && pixels >= kParallelPixels, [&](size_t i) {
        const Missing& m = missing[i];
        makeTile(*m.layer, *m.entry, m.column, m.row, m.change);
    });
}

}  // namespace

size_t DisplayEntry::tileCount() const {
    size_t count = 0;
    for (const auto& tile : tiles) count += tile != nullptr;
    return count;
}

size_t ViewCache::tileCount() const {
    size_t count = 0;
    for (const auto& [id, e] : display) count += e.tileCount();
    return count;
}

size_t ViewCache::tileBytes() const {
    size_t bytes = 0;
    for (const auto& [id, e] : display)
        for (int row = 0; row < e.rows; ++row)
            for (int column = 0; column < e.columns; ++column)
                if (e.tile(column, row))
                    bytes += size_t(e.tileWidth(column)) * size_t(e.tileHeight(row)) * 4;
    return bytes;
}

bool buildDisplayImage(const Layer& layer, int zoom, Image& display) {
    int64_t w = 0, h = 0;
    if (!displaySizeOf(layer, zoom, w, h)) return false;
    if (display.width != w || display.height != h || display.depth != 32) {
        auto fresh = createImage(int(w), int(h), 32);
        if (!fresh) return false;
        display = std::move(*fresh);
    }
    displayPixels(layer, int(w), int(h), 0, int(w), 0, int(h), display.pixels.data(), size_t(w));
    return true;
}

Rect updateDisplayImage(const Layer& layer, int zoom, Image& display, const Rect& layerRect) {
    int64_t w = 0, h = 0;
    if (!displaySizeOf(layer, zoom, w, h) || display.width != w || display.height != h)
        return {};
    const Rect r = displayRectOf(layer, w, h, layerRect);
    if (r.empty()) return {};
    displayPixels(layer, int(w), int(h), r.x, r.right(), r.y, r.bottom(),
                  display.row(r.y) + r.x, size_t(display.width));
    return r;
}

Rect updateDisplayTiles(const Layer& layer, ViewCache& view, const Rect& layerRect) {
    const auto it = view.display.find(layer.id);
    if (it == view.display.end() || !entryMatches(it->second, layer, view)) return {};
    DisplayEntry& e = it->second;
    const Rect r = displayRectOf(layer, e.width, e.height, layerRect);
    const TileRange range = tilesUnder(e, r);
    for (int row = range.r0; row <= range.r1; ++row)
        for (int column = range.c0; column <= range.c1; ++column)
            if (uint32_t* tile = e.tiles[size_t(row) * size_t(e.columns) + size_t(column)].get())
                tilePixels(layer, e, column, row, tile, intersect(r, tileRect(e, column, row)));
    return r;
}

Image wholeDisplayImage(const ViewCache& view, const Layer& layer) {
    const DisplayEntry* e = view.find(layer.id);
    if (!e || layer.image.empty()) return {};
    auto image = createImage(e->width, e->height, 32);
    if (!image) return {};
    displayPixels(layer, e->width, e->height, 0, e->width, 0, e->height, image->pixels.data(),
                  size_t(e->width));
    for (int row = 0; row < e->rows; ++row)
        for (int column = 0; column < e->columns; ++column) {
            const uint32_t* tile = e->tile(column, row);
            if (!tile) continue;
            const Rect t = tileRect(*e, column, row);
            for (int y = 0; y < t.h; ++y)
                std::memcpy(image->row(t.y + y) + t.x, tile + size_t(y) * size_t(t.w),
                            size_t(t.w) * sizeof(uint32_t));
        }
    return std::move(*image);
}

bool remakeDisplayTiles(const Layer& layer, ViewCache& view, int offsetX, int offsetY,
                        const Rect& canvasRect,
                        const std::function<void(uint32_t*, size_t)>& change, int threads) {
    const auto it = view.display.find(layer.id);
    if (it == view.display.end() || !entryMatches(it->second, layer, view)) return false;
    DisplayEntry& e = it->second;
    const int64_t ox = int64_t(offsetX) + layerViewOffset(layer.X, view.zoom);
    const int64_t oy = int64_t(offsetY) + layerViewOffset(layer.Y, view.zoom);
    const TileRange shown =
        tilesUnder(e, clipToImage(int64_t(canvasRect.x) - ox, int64_t(canvasRect.y) - oy,
                                  canvasRect.w, canvasRect.h, e.width, e.height));
    std::vector<std::pair<int, int>> remake;  // column, row
    for (int row = 0; row < e.rows; ++row)
        for (int column = 0; column < e.columns; ++column) {
            auto& tile = e.tiles[size_t(row) * size_t(e.columns) + size_t(column)];
            if (!tile) continue;
            if (row < shown.r0 || row > shown.r1 || column < shown.c0 || column > shown.c1)
                tile.reset();
            else
                remake.emplace_back(column, row);
        }
    // Each tile is written by one thread alone.
    runShared(remake.size(), threads >= 2 && remake.size() >= 2, [&](size_t i) {
        const auto [column, row] = remake[i];
        tilePixels(layer, e, column, row,
                   e.tiles[size_t(row) * size_t(e.columns) + size_t(column)].get(),
                   tileRect(e, column, row), &change);
    });
    return true;
}

void rebuildDisplay(const Layer& layer, ViewCache& view) {
    if (!resetEntry(view.display[layer.id], layer, view)) view.display.erase(layer.id);
}

bool ViewCache::current(const Layer& layer) const {
    const auto it = display.find(layer.id);
    if (it == display.end()) {
        int64_t w = 0, h = 0;
        return !displaySizeOf(layer, zoom, w, h);
    }
    return entryMatches(it->second, layer, *this);
}

void refreshDisplays(const std::vector<Layer>& layers, ViewCache& view) {
    std::unordered_map<uint32_t, DisplayEntry> kept;
    for (const Layer& layer : layers)
        if (auto it = view.display.find(layer.id); it != view.display.end())
            kept.emplace(layer.id, std::move(it->second));
    view.display = std::move(kept);
    for (const Layer& layer : layers)
        if (!view.current(layer)) rebuildDisplay(layer, view);
}

void resetDisplays(const std::vector<Layer>& layers, int zoom, ViewCache& view) {
    view.zoom = zoom;
    std::unordered_map<uint32_t, DisplayEntry> fresh;
    for (const Layer& layer : layers) {
        DisplayEntry e;
        if (resetEntry(e, layer, view)) fresh.emplace(layer.id, std::move(e));
    }
    view.display = std::move(fresh);
}

Rect composeCanvas(Image& canvas, const CanvasScene& scene, const Rect& area, int threads) {
    const Rect whole{0, 0, canvas.width, canvas.height};
    const Rect clipped = intersect(area, whole);
    if (clipped.empty()) return clipped;
    prepareDisplayTiles(scene, whole, clipped, threads);
    // A large area is split into two halves of rows, the lower one composed on a second thread
    // that is joined before returning. Each canvas row depends only on the scene and is written
    // by one thread, so the result is the same bits as one pass.
    const bool split = threads >= 2 && int64_t(clipped.w) * clipped.h >= kParallelPixels &&
                       std::thread::hardware_concurrency() >= 2 && clipped.h >= 2;
    if (!split) {
        composeRows(canvas, scene, clipped, clipped.y, clipped.bottom());
        return clipped;
    }
    const int middle = clipped.y + clipped.h / 2;
    std::thread lower;
    try {
        lower = std::thread([&] { composeRows(canvas, scene, clipped, middle, clipped.bottom()); });
    } catch (const std::system_error&) {  // no thread to be had: one pass
        composeRows(canvas, scene, clipped, clipped.y, clipped.bottom());
        return clipped;
    }
    composeRows(canvas, scene, clipped, clipped.y, middle);
    lower.join();
    return clipped;
}

}  // namespace qm
