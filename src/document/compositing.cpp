#include "document/compositing.h"

#include <system_error>
#include <thread>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "document/blend_modes.h"
#include "raster/alpha_blend.h"
#include "raster/rounding.h"

namespace qm {

namespace {

constexpr uint32_t kOpaque = 0xFF000000u;

// The canvas is composed in bands of rows, every step of the frame on one band before the next,
// so the band of the canvas stays in the cache while each layer streams through it once.
constexpr int kBandRows = 16;
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

// Step 1: the background. An opaque paper covers its own rectangle in step 2, so the background
// is only filled around it.
void drawBackground(Image& canvas, const Rect& area, const Rect& paperRect, bool paperOpaque,
                    uint32_t color) {
    const Rect covered = paperOpaque ? intersect(area, paperRect) : Rect{};
    for (int y = area.y; y < area.bottom(); ++y) {
        uint32_t* row = canvas.row(y);
        if (covered.empty() || y < covered.y || y >= covered.bottom()) {
            fillRow(row, area.x, area.right(), color);
        } else {
            fillRow(row, area.x, covered.x, color);
            fillRow(row, covered.right(), area.right(), color);
        }
    }
}

void drawOver(Image& canvas, const Image& image, int64_t x, int64_t y, const Rect& area,
              uint32_t opacity) {
    const Placement p = place(image, x, y, area);
    if (p.dst.empty() || opacity == 0) return;
    for (int row = 0; row < p.dst.h; ++row) {
        uint32_t* t = canvas.row(p.dst.y + row) + p.dst.x;
        const uint32_t* s = image.row(p.sy + row) + p.sx;
        if (!image.hasAlpha() && opacity == 255) {
            // Over of an opaque pixel at full strength is a copy.
            std::memcpy(t, s, size_t(p.dst.w) * sizeof(uint32_t));
        } else {
            blendRowOver(t, s, size_t(p.dst.w), opacity);
        }
    }
}

void drawDissolve(Image& canvas, const Image& display, int64_t x, int64_t y, const Rect& area,
                  uint32_t opacity, int zoom) {
    const Placement p = place(display, x, y, area);
    if (p.dst.empty()) return;
    // The noise belongs to the document pixel under each display pixel, so the pattern stays
    // put while the view pans, redraws or is recomposed in parts.
    const int z = std::max(zoom, 1);
    std::vector<int> docX(size_t(p.dst.w));
    for (int i = 0; i < p.dst.w; ++i) docX[size_t(i)] = int(int64_t(p.sx + i) * 100 / z);
    std::vector<uint8_t> noise(size_t(p.dst.w));
    for (int row = 0; row < p.dst.h; ++row) {
        const int docY = int(int64_t(p.sy + row) * 100 / z);
        dissolveNoiseRow(docX.data(), docY, noise.data(), size_t(p.dst.w));
        dissolveRow(canvas.row(p.dst.y + row) + p.dst.x, display.row(p.sy + row) + p.sx,
                    noise.data(), size_t(p.dst.w), opacity);
    }
}

void drawLayer(Image& canvas, const Layer& layer, const CanvasScene& scene, const Rect& area) {
    const int64_t x = int64_t(scene.offsetX) + layer.X;
    const int64_t y = int64_t(scene.offsetY) + layer.Y;
    if (blendMode(layer.Blendmode).rule == BlendRule::Dissolve) {
        drawDissolve(canvas, layer.displayImage, x, y, area, layer.Opacity, scene.doc.Zoom);
        return;
    }
    const Image& display = layer.displayImage;
    const Placement p = place(display, x, y, area);
    for (int row = 0; row < p.dst.h; ++row) {
        const uint32_t* s = display.row(p.sy + row) + p.sx;
        blendRow(layer.Blendmode, canvas.row(p.dst.y + row) + p.dst.x, s, size_t(p.dst.w),
                 layer.Opacity);
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

void composeBand(Image& canvas, const CanvasScene& scene, const Rect& band) {
    const Document& doc = scene.doc;
    const Rect paperRect =
        wideRect(scene.offsetX, scene.offsetY, scene.paper.width, scene.paper.height);
    drawBackground(canvas, band, scene.paper.empty() ? Rect{} : paperRect, !scene.paper.hasAlpha(),
                   scene.background | kOpaque);
    drawOver(canvas, scene.paper, scene.offsetX, scene.offsetY, band, 255);
    for (const auto& [key, animationLayer] : doc.animationLayers)
        for (const AnimationFrame& frame : animationLayer.Frames)
            if (frame.Frame == doc.CurrentFrame)
                drawOver(canvas, frame.image, int64_t(scene.offsetX) + frame.X,
                         int64_t(scene.offsetY) + frame.Y, band, animationLayer.Alpha);
    for (const Layer& layer : doc.layers)
        if (layer.Visible && !layer.IsGroup) drawLayer(canvas, layer, scene, band);
    if (scene.grid.on) drawGrid(canvas, scene, band);
}

}  // namespace

int gridLoopBound(int documentSize, int gridSize) {
    if (gridSize <= 0) return -1;
    return int(roundHalfEven(double(documentSize) / double(gridSize)));
}

bool buildDisplayImage(Layer& layer, int zoom) {
    const Image& image = layer.image;
    if (layer.IsGroup || image.empty()) return false;
    const int64_t w = scaled(image.width, zoom), h = scaled(image.height, zoom);
    if (w < 1 || h < 1 || w > kMaxViewSide || h > kMaxViewSide) return false;

    Image& display = layer.displayImage;
    if (display.width != w || display.height != h || display.depth != 32) {
        auto fresh = createImage(int(w), int(h), 32);
        if (!fresh) return false;
        display = std::move(*fresh);
    }
    const BlendMode& mode = blendMode(layer.Blendmode);
    const uint32_t backdrop = mode.hasBackdrop ? mode.backdrop : 0u;
    const bool sameWidth = w == image.width;
    std::vector<int> xs;
    std::vector<uint32_t> sampled;
    if (!sameWidth) {
        xs.resize(size_t(w));
        for (int i = 0; i < w; ++i) xs[size_t(i)] = nearestIndex(i, image.width, w);
        sampled.resize(size_t(w));
    }
    int previousSy = -1;
    for (int j = 0; j < h; ++j) {
        const int sy = nearestIndex(j, image.height, h);
        uint32_t* d = display.row(j);
        if (sy == previousSy) {  // enlarging repeats rows: copy the one just made
            std::memcpy(d, display.row(j - 1), size_t(w) * sizeof(uint32_t));
            continue;
        }
        previousSy = sy;
        const uint32_t* s = image.row(sy);
        if (!sameWidth) {
            for (size_t i = 0; i < size_t(w); ++i) sampled[i] = s[xs[i]];
            s = sampled.data();
        }
        std::fill(d, d + w, backdrop);
        blendRowOver(d, s, size_t(w), layer.Opacity);
    }
    return true;
}

namespace {

void composeRows(Image& canvas, const CanvasScene& scene, const Rect& clipped, int top,
                 int bottom) {
    for (int y = top; y < bottom; y += kBandRows) {
        const Rect band{clipped.x, y, clipped.w, std::min(kBandRows, bottom - y)};
        composeBand(canvas, scene, band);
    }
}

}  // namespace

Rect composeCanvas(Image& canvas, const CanvasScene& scene, const Rect& area) {
    const Rect clipped = intersect(area, Rect{0, 0, canvas.width, canvas.height});
    if (clipped.empty()) return clipped;
    // A large area is split into two halves of whole bands, the lower one composed on a second
    // thread that is joined before returning. Each canvas row depends only on the scene and is
    // written by one thread, so the result is the same bits as one pass.
    const bool split = int64_t(clipped.w) * clipped.h >= kParallelPixels &&
                       std::thread::hardware_concurrency() >= 2 && clipped.h >= 2 * kBandRows;
    if (!split) {
        composeRows(canvas, scene, clipped, clipped.y, clipped.bottom());
        return clipped;
    }
    const int middle = clipped.y + (clipped.h / 2 / kBandRows) * kBandRows;
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
