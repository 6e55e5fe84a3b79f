#include "document/compositing.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <system_error>
#include <thread>
#include <vector>

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

Placement place(const Image& image, int64_t x, int64_t y, const Rect& area) {
    if (image.empty()) return {};
    const Rect dst =
        intersect(clipToImage(x, y, image.width, image.height, area.right(), area.bottom()), area);
    if (dst.empty()) return {};
    return {dst, int(dst.x - x), int(dst.y - y)};
}

void fillRow(uint32_t* row, int x0, int x1, uint32_t color) {
    if (x1 > x0) std::fill(row + x0, row + x1, color);
}

// One image drawn onto the canvas: the paper, an animation frame or a layer's display image.
struct DrawStep {
    enum class Kind : uint8_t {
        Copy,      // an opaque image at full strength
        Over,      // alpha blending at `opacity`
        Mode,      // a layer through its blend mode
        Dissolve,  // a Dissolve layer, with the noise of the document pixels under it
    };
    Kind kind = Kind::Over;
    const Image* image = nullptr;
    Placement at;
    BlendRowFunction blend = nullptr;  // Mode
    uint32_t opacity = 255;
    std::vector<int> docX;  // Dissolve: document column under each display column of `at.dst`
    int zoom = 100;         // Dissolve: for the document row
};

// The steps of the frame that reach `area`, in drawing order (steps 2 to 4).
std::vector<DrawStep> frameSteps(const CanvasScene& scene, const Rect& area) {
    const Document& doc = scene.doc;
    std::vector<DrawStep> steps;
    auto addImage = [&](const Image& image, int64_t x, int64_t y, uint32_t opacity) {
        DrawStep step;
        step.image = &image;
        step.at = place(image, x, y, area);
        if (step.at.dst.empty() || opacity == 0) return;
        // Over of an opaque image at full strength is a copy.
        step.kind =
            !image.hasAlpha() && opacity == 255 ? DrawStep::Kind::Copy : DrawStep::Kind::Over;
        step.opacity = opacity;
        steps.push_back(std::move(step));
    };
    addImage(scene.paper, scene.offsetX, scene.offsetY, 255);
    for (const auto& [key, animationLayer] : doc.animationLayers)
        for (const AnimationFrame& frame : animationLayer.Frames)
            if (frame.Frame == doc.CurrentFrame)
                addImage(frame.image, int64_t(scene.offsetX) + frame.X,
                         int64_t(scene.offsetY) + frame.Y, animationLayer.Alpha);
    for (const Layer& layer : doc.layers) {
        if (!layer.Visible || layer.IsGroup) continue;
        const Image* display = scene.view.find(layer.id);
        if (!display) continue;
        DrawStep step;
        step.image = display;
        step.at = place(*display, int64_t(scene.offsetX) + layer.X,
                        int64_t(scene.offsetY) + layer.Y, area);
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

// A step on the row being composed: its source pixel at the canvas column dst.x.
struct RowStep {
    const DrawStep* step;
    const uint32_t* source;
    int docY;  // Dissolve
};

void drawPiece(const RowStep& r, uint32_t* canvasRow, int x0, int x1) {
    const DrawStep& step = *r.step;
    const int lo = std::max(x0, step.at.dst.x), hi = std::min(x1, step.at.dst.right());
    if (lo >= hi) return;
    uint32_t* t = canvasRow + lo;
    const int offset = lo - step.at.dst.x;
    const uint32_t* s = r.source + offset;
    const size_t n = size_t(hi - lo);
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
        case DrawStep::Kind::Dissolve: {
            uint8_t noise[kPieceWidth];
            dissolveNoiseRow(step.docX.data() + offset, r.docY, noise, n);
            dissolveRow(t, s, noise, n, step.opacity);
            break;
        }
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
            active.push_back({&step, step.image->row(sourceRow) + step.at.sx, docY});
        }
        for (int x = rows.x; x < rows.right(); x += kPieceWidth) {
            const int end = std::min(x + kPieceWidth, rows.right());
            for (const RowStep& r : active) drawPiece(r, row, x, end);
        }
    }
    if (scene.grid.on) drawGrid(canvas, scene, rows);
}

}  // namespace

int gridLoopBound(int documentSize, int gridSize) {
    if (gridSize <= 0) return -1;
    return int(roundHalfEven(double(documentSize) / double(gridSize)));
}

namespace {

// The display rows j0..j1 and columns i0..i1 (exclusive ends) of a w x h display image made from
// the layer: backdrop, then the nearest layer pixel over it at the layer's opacity.
void displayPixels(const Layer& layer, Image& display, int i0, int i1, int j0, int j1) {
    const Image& image = layer.image;
    const int w = display.width, h = display.height;
    const BlendMode& mode = blendMode(layer.Blendmode);
    const uint32_t backdrop = mode.hasBackdrop ? mode.backdrop : 0u;
    const bool sameWidth = w == image.width;
    const size_t n = size_t(i1 - i0);
    std::vector<int> xs;
    std::vector<uint32_t> sampled;
    if (!sameWidth) {
        xs.resize(n);
        for (int i = i0; i < i1; ++i) xs[size_t(i - i0)] = nearestIndex(i, image.width, w);
        sampled.resize(n);
    }
    int previousSy = -1;
    for (int j = j0; j < j1; ++j) {
        const int sy = nearestIndex(j, image.height, h);
        uint32_t* d = display.row(j) + i0;
        if (sy == previousSy) {  // enlarging repeats rows: copy the one just made
            std::memcpy(d, display.row(j - 1) + i0, n * sizeof(uint32_t));
            continue;
        }
        previousSy = sy;
        const uint32_t* s = image.row(sy) + (sameWidth ? i0 : 0);
        if (!sameWidth) {
            for (size_t i = 0; i < n; ++i) sampled[i] = s[xs[i]];
            s = sampled.data();
        }
        std::fill(d, d + n, backdrop);
        blendRowOver(d, s, n, layer.Opacity);
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

}  // namespace

bool buildDisplayImage(const Layer& layer, int zoom, Image& display) {
    int64_t w = 0, h = 0;
    if (!displaySizeOf(layer, zoom, w, h)) return false;
    if (display.width != w || display.height != h || display.depth != 32) {
        auto fresh = createImage(int(w), int(h), 32);
        if (!fresh) return false;
        display = std::move(*fresh);
    }
    displayPixels(layer, display, 0, int(w), 0, int(h));
    return true;
}

Rect updateDisplayImage(const Layer& layer, int zoom, Image& display, const Rect& layerRect) {
    int64_t w = 0, h = 0;
    if (!displaySizeOf(layer, zoom, w, h) || display.width != w || display.height != h)
        return {};
    const Rect r = intersect(layerRect, Rect{0, 0, layer.image.width, layer.image.height});
    if (r.empty()) return {};
    int i0 = 0, i1 = 0, j0 = 0, j1 = 0;
    displaySpan(r.x, r.right(), layer.image.width, w, i0, i1);
    displaySpan(r.y, r.bottom(), layer.image.height, h, j0, j1);
    if (i0 >= i1 || j0 >= j1) return {};
    displayPixels(layer, display, i0, i1, j0, j1);
    return Rect{i0, j0, i1 - i0, j1 - j0};
}

void rebuildDisplay(const Layer& layer, ViewCache& view) {
    DisplayEntry& entry = view.display[layer.id];
    entry.opacity = layer.Opacity;
    entry.blendmode = layer.Blendmode;
    if (!buildDisplayImage(layer, view.zoom, entry.image)) view.display.erase(layer.id);
}

bool ViewCache::current(const Layer& layer) const {
    const auto it = display.find(layer.id);
    int64_t w = 0, h = 0;
    const bool drawable = displaySizeOf(layer, zoom, w, h);
    if (it == display.end()) return !drawable;
    const DisplayEntry& e = it->second;
    return drawable && e.image.width == w && e.image.height == h &&
           e.opacity == layer.Opacity && e.blendmode == layer.Blendmode;
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

void buildDisplayImages(const std::vector<Layer>& layers, int zoom, ViewCache& view) {
    view.zoom = zoom;
    // Entries are made (or dropped) first, so the threads below only write into their own.
    std::unordered_map<uint32_t, DisplayEntry> kept;
    std::vector<std::pair<const Layer*, Image*>> work;
    for (const Layer& layer : layers) {
        int64_t w = 0, h = 0;
        if (!displaySizeOf(layer, zoom, w, h)) continue;
        auto it = view.display.find(layer.id);
        DisplayEntry& slot = kept[layer.id];
        if (it != view.display.end()) slot = std::move(it->second);
        slot.opacity = layer.Opacity;
        slot.blendmode = layer.Blendmode;
    }
    view.display = std::move(kept);
    int64_t pixels = 0;
    for (const Layer& layer : layers) {
        auto it = view.display.find(layer.id);
        if (it == view.display.end()) continue;
        work.emplace_back(&layer, &it->second.image);
        pixels += int64_t(layer.image.width) * layer.image.height;
    }
    std::vector<char> made(work.size(), 0);
    // Each layer's display image depends on that layer alone, so two threads taking the layers
    // one by one give the same images as one pass.
    std::atomic<size_t> next{0};
    auto run = [&] {
        for (size_t i = next++; i < work.size(); i = next++)
            made[i] = buildDisplayImage(*work[i].first, zoom, *work[i].second) ? 1 : 0;
    };
    if (pixels < 4 * kParallelPixels || work.size() < 2 ||
        std::thread::hardware_concurrency() < 2) {
        run();
    } else {
        std::thread helper;
        try {
            helper = std::thread(run);
        } catch (const std::system_error&) {  // no thread to be had: this one does all
        }
        run();
        if (helper.joinable()) helper.join();
    }
    for (size_t i = 0; i < work.size(); ++i)
        if (!made[i]) view.display.erase(work[i].first->id);
}

Rect composeCanvas(Image& canvas, const CanvasScene& scene, const Rect& area, int threads) {
    const Rect clipped = intersect(area, Rect{0, 0, canvas.width, canvas.height});
    if (clipped.empty()) return clipped;
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
