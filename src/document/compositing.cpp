#include "document/compositing.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>
#include <vector>

#include "document/animation_frames.h"
#include "document/blend_modes.h"
#include "platform/parallel.h"
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

// Where an image placed at (x, y) meets the area: the canvas rectangle and the source pixel of
// its top-left corner.
struct Placement {
    Rect dst;
    int sx = 0, sy = 0;
};

Placement place(int64_t width, int64_t height, int64_t x, int64_t y, const Rect& area) {
    if (width <= 0 || height <= 0) return {};
    const Rect dst = intersect(clipToImage(x, y, width, height, area.right(), area.bottom()), area);
    if (dst.empty()) return {};
    return {dst, int(dst.x - x), int(dst.y - y)};
}

void fillRow(uint32_t* row, int x0, int x1, uint32_t colour) {
    if (x1 > x0) std::fill(row + x0, row + x1, colour);
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
    const Image* image = nullptr;         // the paper
    const TiledImage* frame = nullptr;    // an animation frame, read by rows
    const DisplayEntry* entry = nullptr;  // a layer
    Placement at;
    BlendRowFunction blend = nullptr;  // Mode
    uint32_t opacity = 255;
    std::vector<int> docX;  // Dissolve: document column under each display column of `at.dst`
    int zoom = 100;         // Dissolve: for the document row
    uint32_t tint = 0;      // Tint: red, green and blue
    // A layer: whether its uniform display tiles leave the canvas as it is, and a row of their
    // value to draw them from when they do not.
    bool skipUniform = false;
    std::array<uint32_t, kPieceWidth> uniformRow{};
};

// The steps of the frame that reach `area`, in drawing order (steps 2 to 4).
std::vector<DrawStep> frameSteps(const CanvasScene& scene, const Rect& area) {
    const Document& doc = scene.doc;
    std::vector<DrawStep> steps;
    auto addImage = [&]<class Source>(const Source& image, int64_t x, int64_t y, uint32_t opacity) {
        DrawStep step;
        if constexpr (std::is_same_v<Source, TiledImage>)
            step.frame = &image;
        else
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
        // The drawings before and after the one shown at the frame (or the frame itself
        // where none shows), by their starts: a held drawing counts once however long it holds.
        const std::vector<Drawing> drawings = drawingsOf(*onion);
        const auto shown = shownDrawing(*onion, scene.currentFrame);
        const int reference = shown ? shown->start : scene.currentFrame;
        const auto firstAfter =
            std::upper_bound(drawings.begin(), drawings.end(), reference,
                             [](int frame, const Drawing& d) { return frame < d.start; });
        const auto firstAtOrAfter =
            std::lower_bound(drawings.begin(), drawings.end(), reference,
                             [](const Drawing& d, int frame) { return d.start < frame; });
        auto addSide = [&](int count, int direction, uint32_t tint) {
            for (int d = count; d >= 1; --d) {
                const uint32_t opacity = uint32_t(onion->Alpha) * 128 * uint32_t(count + 1 - d) /
                                         (uint32_t(count) * 255);
                const ptrdiff_t index = direction < 0 ? (firstAtOrAfter - drawings.begin()) - d
                                                      : (firstAfter - drawings.begin()) + d - 1;
                if (index < 0 || index >= ptrdiff_t(drawings.size())) continue;
                const int start = drawings[size_t(index)].start;
                for (const AnimationFrame& frame : onion->Frames) {
                    if (frame.Frame != start) continue;
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
        const int shown = shownFrameNumber(animationLayer, scene.currentFrame);
        for (const AnimationFrame& frame : animationLayer.Frames)
            if (frame.Frame == shown)
                addImage(frame.image, int64_t(scene.offsetX) + frame.X,
                         int64_t(scene.offsetY) + frame.Y, animationLayer.Alpha);
    }
    for (const Layer& layer : doc.layers) {
        if (!layer.Visible || layer.IsGroup) continue;
        const ViewCache& view = viewOf(scene.view, scene.preview, layer);
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
        step.skipUniform = uniformTileLeavesCanvas(layer.Blendmode, entry->uniform, layer.Opacity);
        step.uniformRow.fill(entry->uniform);
        step.kind = DrawStep::Kind::Mode;
        if (blendMode(layer.Blendmode).rule == BlendRule::Dissolve) {
            // The noise belongs to the document pixel under each display pixel, so the pattern
            // stays put while the view pans, redraws or is recomposed in parts.
            step.kind = DrawStep::Kind::Dissolve;
            step.zoom = std::max(scene.zoom, 1);
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
// tile is missing). The paper is one run; a display image or an animation frame has one per
// tile.
struct RowStep {
    const DrawStep* step;
    int runStart, runEnd;
    const uint32_t* runSource;
    bool uniform;            // runSource is the step's uniform row: its pixels do not move
    int tileRow, rowInTile;  // display images and frames
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

// Moves the step's run to the tile under canvas column x. A missing tile of a frame is skipped:
// over (and the tint, which keeps the alpha) of a transparent pixel leaves the canvas as it is.
void enterTile(RowStep& r, int x) {
    const DrawStep& step = *r.step;
    const int dx = step.at.sx + (x - step.at.dst.x);
    if (step.frame) {
        r.runStart = x - (dx & (kTileSide - 1));
        r.runEnd = r.runStart + kTileSide;
        const TileRef& tile = step.frame->tile(dx >> kTileShift, r.tileRow);
        r.runSource = tile ? tile.pixels() + size_t(r.rowInTile) * kTileSide : nullptr;
        return;
    }
    const DisplayEntry& e = *step.entry;
    const int column = dx >> e.shiftX;
    r.runStart = x - (dx & ((1 << e.shiftX) - 1));
    r.runEnd = r.runStart + (1 << e.shiftX);  // past dst.right() on the last tile
    const uint32_t* tile = e.tile(column, r.tileRow);
    r.uniform = !tile && e.isUniform(column, r.tileRow);
    if (r.uniform)
        r.runSource = step.skipUniform ? nullptr : step.uniformRow.data();
    else
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
            drawSpan(step, canvasRow + lo,
                     r.uniform ? r.runSource : r.runSource + (lo - r.runStart), size_t(end - lo),
                     lo - step.at.dst.x, r.docY);
        lo = end;
    }
}

void fillRect(Image& canvas, const Rect& r, const Rect& area, uint32_t colour) {
    const Rect c = intersect(r, area);
    for (int y = c.y; y < c.bottom(); ++y) fillRow(canvas.row(y), c.x, c.right(), colour);
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
    const int zoom = scene.zoom;
    const uint32_t colour = g.colour | kOpaque;
    const int64_t viewW = scaled(doc.Width, zoom), viewH = scaled(doc.Height, zoom);
    const int nx = gridLoopBound(doc.Width, g.width);
    for (int i = firstGridLine(area.x - int64_t(scene.offsetX), g.width, zoom); i <= nx; ++i) {
        const int64_t x = scene.offsetX + scaled(int64_t(i) * g.width, zoom);
        if (x >= area.right() && zoom > 0) break;  // the lines only move right from here
        fillRect(canvas, wideRect(x, scene.offsetY, 1, viewH), area, colour);
    }
    const int ny = gridLoopBound(doc.Height, g.height);
    for (int j = firstGridLine(area.y - int64_t(scene.offsetY), g.height, zoom); j <= ny; ++j) {
        const int64_t y = scene.offsetY + scaled(int64_t(j) * g.height, zoom);
        if (y >= area.bottom() && zoom > 0) break;
        fillRect(canvas, wideRect(scene.offsetX, y, viewW, 1), area, colour);
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
                active.push_back({&step, d.x, d.x, nullptr, false, sourceRow >> shiftY,
                                  sourceRow & ((1 << shiftY) - 1), docY});
            } else if (step.frame) {  // likewise, by the frame's tiles
                active.push_back({&step, d.x, d.x, nullptr, false, sourceRow >> kTileShift,
                                  sourceRow & (kTileSide - 1), docY});
            } else {
                active.push_back({&step, d.x, d.right(), step.image->row(sourceRow) + step.at.sx,
                                  false, 0, 0, docY});
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

bool uniformTileLeavesCanvas(int mode, uint32_t value, uint32_t opacity) {
    if (mode < 0 || mode >= kBlendModeCount) mode = 0;  // composes as Normal (blendMode)
    opacity = std::min<uint32_t>(opacity, 255);
    const auto leaves = [&] {
        const bool dissolve = blendMode(mode).rule == BlendRule::Dissolve;
        for (uint32_t a = 0; a < 256; ++a)
            for (uint32_t c = 0; c < 256; ++c) {
                const uint32_t t = c | c << 8 | c << 16 | a << 24;
                if (!dissolve) {
                    if (blendPixel(mode, value, t, opacity) != t) return false;
                    continue;
                }
                for (uint32_t noise = 0; noise < 255; ++noise)
                    if (dissolvePixel(value, t, opacity, noise) != t) return false;
            }
        return true;
    };
    if (value != displayUniformValue(mode)) return leaves();
    // 0: not known yet, 1: draws, 2: leaves. Threads that meet an unknown entry at once each
    // compute the same answer.
    static std::array<std::array<std::atomic<uint8_t>, 256>, kBlendModeCount> known{};
    std::atomic<uint8_t>& k = known[size_t(mode)][opacity];
    uint8_t answer = k.load(std::memory_order_relaxed);
    if (answer == 0) {
        answer = leaves() ? 2 : 1;
        k.store(answer, std::memory_order_relaxed);
    }
    return answer == 2;
}

int gridLoopBound(int documentSize, int gridSize) {
    if (gridSize <= 0) return -1;
    return int(roundHalfEven(double(documentSize) / double(gridSize)));
}

Rect composeCanvas(Image& canvas, const CanvasScene& scene, const Rect& area, int threads) {
    const Rect whole{0, 0, canvas.width, canvas.height};
    const Rect clipped = intersect(area, whole);
    if (clipped.empty()) return clipped;
    prepareDisplayTiles(scene.doc.layers, scene.view, scene.preview, scene.offsetX, scene.offsetY,
                        whole, clipped, threads);
    // A large area is split into two halves of rows, composed on two threads joined before
    // returning. Each canvas row depends only on the scene and is written by one thread, so the
    // result is the same bits as one pass.
    const int threadsUsed =
        threads >= 2 && int64_t(clipped.w) * clipped.h >= kParallelPixels && clipped.h >= 2
            ? computeThreads(2)
            : 1;
    if (threadsUsed < 2) {
        composeRows(canvas, scene, clipped, clipped.y, clipped.bottom());
        return clipped;
    }
    const int middle = clipped.y + clipped.h / 2;
    parallelFor(2, threadsUsed, [&](int half) {
        if (half == 0)
            composeRows(canvas, scene, clipped, clipped.y, middle);
        else
            composeRows(canvas, scene, clipped, middle, clipped.bottom());
    });
    return clipped;
}

}  // namespace qm
