#include "document/view_cache.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "document/blend_modes.h"
#include "platform/parallel.h"
#include "raster/alpha_blend.h"

namespace qm {

namespace {

// Source index under the centre of destination index i when n pixels become m: the mapping of
// resizeNearest, which the display images must reproduce bit for bit.
int nearestIndex(int64_t i, int64_t n, int64_t m) {
    return int(((2 * i + 1) * n) / (2 * m));
}

// Over onto transparent (every channel 0) at `opacity`, as overPixel(s, 0, opacity) gives it:
// with a = alpha(s) * opacity / 255, the source colour with alpha a, or transparent where a is
// 0. At opacity 255 a is the source alpha, so the source is kept as it is unless its alpha is 0.
void overTransparentRow(uint32_t* d, const uint32_t* s, const int* xs, size_t n, uint32_t opacity) {
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

// displayPixels with the layer pixels passed through `change`: each row's pixels are gathered at
// the display columns, changed, then laid over the backdrop.
void changedDisplayPixels(const Layer& layer, int w, int h, int i0, int i1, int j0, int j1,
                          uint32_t* out, size_t stride, const PixelChange& change) {
    const TiledImage& image = layer.image;
    const BlendMode& mode = blendMode(layer.Blendmode);
    const uint32_t opacity = layer.Opacity;
    const bool sameWidth = w == image.width;
    const size_t n = size_t(i1 - i0);
    std::vector<int> xs;
    // The layer columns a row reads, from `first` on: i0..i1 at the same width, else the
    // nearest columns, which xs holds relative to `first`.
    int first = i0, count = int(n);
    if (!sameWidth) {
        xs.resize(n);
        for (int i = i0; i < i1; ++i) xs[size_t(i - i0)] = nearestIndex(i, image.width, w);
        first = xs.front();
        count = xs.back() - first + 1;
        for (int& x : xs) x -= first;
    }
    std::vector<uint32_t> sampled(n);
    std::vector<uint32_t> scratch(static_cast<size_t>(count));
    int previousSy = -1;
    for (int j = j0; j < j1; ++j) {
        const int sy = nearestIndex(j, image.height, h);
        uint32_t* d = out + size_t(j - j0) * stride;
        if (sy == previousSy) {  // enlarging repeats rows: copy the one just made
            std::memcpy(d, d - stride, n * sizeof(uint32_t));
            continue;
        }
        previousSy = sy;
        const uint32_t* s = image.rowSpan(sy, first, count, scratch.data());
        if (sameWidth)
            std::memcpy(sampled.data(), s, n * sizeof(uint32_t));
        else
            for (size_t i = 0; i < n; ++i) sampled[i] = s[xs[i]];
        change(sampled.data(), n);
        if (!mode.hasBackdrop) {
            overTransparentRow(d, sampled.data(), nullptr, n, opacity);
            continue;
        }
        std::fill(d, d + n, mode.backdrop);
        blendRowOver(d, sampled.data(), n, opacity);
    }
}

// The layer is read straight from its tiles: a display row is cut into runs of columns that read
// one tile column of the layer. At the layer's own width a run reads the tile's row in place;
// scaled, it gathers its nearest columns from that row. A run over a missing tile is the
// backdrop (or transparent): a transparent pixel over it leaves it as it is, and over
// transparent gives transparent.
void displayPixels(const Layer& layer, int w, int h, int i0, int i1, int j0, int j1, uint32_t* out,
                   size_t stride, const PixelChange* change = nullptr) {
    if (i1 <= i0) return;
    if (change) {
        changedDisplayPixels(layer, w, h, i0, i1, j0, j1, out, stride, *change);
        return;
    }
    const TiledImage& image = layer.image;
    const BlendMode& mode = blendMode(layer.Blendmode);
    const uint32_t opacity = layer.Opacity;
    const uint32_t backdrop = mode.hasBackdrop ? mode.backdrop : 0u;
    const bool sameWidth = w == image.width;
    const size_t n = size_t(i1 - i0);
    struct Run {
        int begin, end;  // display columns, relative to i0
        int tx;          // the layer's tile column
    };
    std::vector<Run> runs;
    // Scaled: the layer column under each display column, relative to its tile.
    std::vector<int> xs;
    size_t longest = 0;
    if (sameWidth) {
        for (int x = i0; x < i1;) {
            const int tx = x >> kTileShift;
            const int end = std::min(i1, (tx + 1) << kTileShift);
            runs.push_back({x - i0, end - i0, tx});
            x = end;
        }
    } else {
        xs.resize(n);
        for (int i = i0; i < i1; ++i) {
            const int sx = nearestIndex(i, image.width, w);
            const int tx = sx >> kTileShift, k = i - i0;
            xs[size_t(k)] = sx & (kTileSide - 1);
            if (runs.empty() || runs.back().tx != tx)
                runs.push_back({k, k + 1, tx});
            else
                runs.back().end = k + 1;
        }
        for (const Run& r : runs) longest = std::max(longest, size_t(r.end - r.begin));
    }
    std::vector<uint32_t> sampled(mode.hasBackdrop ? longest : 0);
    int previousSy = -1;
    for (int j = j0; j < j1; ++j) {
        const int sy = nearestIndex(j, image.height, h);
        uint32_t* d = out + size_t(j - j0) * stride;
        if (sy == previousSy) {  // enlarging repeats rows: copy the one just made
            std::memcpy(d, d - stride, n * sizeof(uint32_t));
            continue;
        }
        previousSy = sy;
        const int ty = sy >> kTileShift;
        const size_t rowOffset = size_t(sy & (kTileSide - 1)) * kTileSide;
        for (const Run& r : runs) {
            uint32_t* dr = d + r.begin;
            const size_t m = size_t(r.end - r.begin);
            const TileRef& t = image.tile(r.tx, ty);
            if (!t) {
                std::fill(dr, dr + m, backdrop);
                continue;
            }
            const uint32_t* row = t.pixels() + rowOffset;
            if (sameWidth) {
                const uint32_t* s = row + ((i0 + r.begin) & (kTileSide - 1));
                if (!mode.hasBackdrop) {
                    overTransparentRow(dr, s, nullptr, m, opacity);
                } else {
                    std::fill(dr, dr + m, backdrop);
                    blendRowOver(dr, s, m, opacity);
                }
            } else if (!mode.hasBackdrop) {
                overTransparentRow(dr, row, xs.data() + r.begin, m, opacity);
            } else {
                const int* x = xs.data() + r.begin;
                for (size_t i = 0; i < m; ++i) sampled[i] = row[x[i]];
                std::fill(dr, dr + m, backdrop);
                blendRowOver(dr, sampled.data(), m, opacity);
            }
        }
    }
}

// True when the layer pixels that display tile (column, row) shows all lie in missing tiles of
// the layer: the tile is then displayUniformValue everywhere (displayPixels on zeros).
bool layerTilesMissing(const Layer& layer, const DisplayEntry& e, const Rect& t) {
    const TiledImage& image = layer.image;
    const int x0 = nearestIndex(t.x, image.width, e.width) >> kTileShift;
    const int x1 = nearestIndex(t.right() - 1, image.width, e.width) >> kTileShift;
    const int y0 = nearestIndex(t.y, image.height, e.height) >> kTileShift;
    const int y1 = nearestIndex(t.bottom() - 1, image.height, e.height) >> kTileShift;
    for (int ty = y0; ty <= y1; ++ty)
        for (int tx = x0; tx <= x1; ++tx)
            if (image.tile(tx, ty)) return false;
    return true;
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

// Moves the entry's tiles to the view's spare blocks.
void spareTiles(DisplayEntry& e, ViewCache& view) {
    for (PooledBuffer& tile : e.tiles)
        if (tile.data()) view.spare.push_back(std::move(tile));
    e.tiles.clear();
}

// The entry of the layer at the cache's zoom and tile size, without tiles (those it had become
// spare blocks); false when the layer cannot be drawn.
bool resetEntry(DisplayEntry& e, const Layer& layer, ViewCache& view) {
    spareTiles(e, view);
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
    e.tiles.resize(size_t(e.columns) * size_t(e.rows));
    e.uniform = displayUniformValue(layer.Blendmode);
    e.uniformTiles.assign(size_t(e.columns) * size_t(e.rows), 0);
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
    return Rect{column << e.shiftX, row << e.shiftY, e.tileWidth(column), e.tileHeight(row)};
}

// The block a tile takes: a whole tile's size for every tile of an image at least one tile wide
// and high, cut ones at its edges included, so that tiles of any zoom take blocks of one size
// class and the blocks a zoom change gives back serve the next one.
size_t tileBlockBytes(const DisplayEntry& e, const Rect& t) {
    const int64_t fullW = int64_t(1) << e.shiftX, fullH = int64_t(1) << e.shiftY;
    if (e.width >= fullW && e.height >= fullH) return size_t(fullW * fullH) * sizeof(uint32_t);
    return size_t(t.w) * size_t(t.h) * sizeof(uint32_t);
}

// Makes (again) the part `r` of a tile's pixels from the layer.
void tilePixels(const Layer& layer, const DisplayEntry& e, int column, int row, uint32_t* tile,
                const Rect& r, const PixelChange* change = nullptr) {
    const Rect t = tileRect(e, column, row);
    const size_t stride = size_t(t.w);
    displayPixels(layer, e.width, e.height, r.x, r.right(), r.y, r.bottom(),
                  tile + size_t(r.y - t.y) * stride + size_t(r.x - t.x), stride, change);
}

// A block for tile (column, row) of the entry: a spare one of the view when one is large
// enough, else one from the pool; empty when there is no memory (the tile then stays missing and
// is not drawn).
PooledBuffer tileBlock(ViewCache& view, const DisplayEntry& e, int column, int row) {
    const size_t bytes = tileBlockBytes(e, tileRect(e, column, row));
    for (size_t i = view.spare.size(); i-- > 0;) {
        if (view.spare[i].capacity() < bytes) continue;
        PooledBuffer block = std::move(view.spare[i]);
        view.spare[i] = std::move(view.spare.back());
        view.spare.pop_back();
        return block;
    }
    try {
        return PooledBuffer::take(bytes);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

// Runs work(i) for i < count, on two threads when `parallel` (joined before returning). The
// items must write disjoint memory.
template <typename Work>
void runShared(size_t count, bool parallel, Work&& work) {
    parallelFor(int(count), parallel ? computeThreads(2) : 1, [&](int i) { work(size_t(i)); });
}

}  // namespace

void prepareDisplayTiles(const std::vector<Layer>& layers, ViewCache& view,
                         const LayerPreview* preview, int offsetX, int offsetY,
                         const Rect& canvasRect, const Rect& area, int threads) {
    struct Missing {
        const Layer* layer;
        DisplayEntry* entry;
        int column, row;
        const PixelChange* change;
        uint32_t* pixels;
    };
    std::vector<Missing> missing;
    int64_t pixels = 0;
    for (const Layer& layer : layers) {
        ViewCache& shown = viewOf(view, preview, layer);
        const PixelChange* change = &shown == &view ? nullptr : &preview->change;
        const auto it = shown.display.find(layer.id);
        if (it == shown.display.end()) continue;
        DisplayEntry& e = it->second;
        if (!entryMatches(e, layer, shown) && !resetEntry(e, layer, shown)) {
            shown.display.erase(it);
            continue;
        }
        const int64_t ox = int64_t(offsetX) + layerViewOffset(layer.X, shown.zoom);
        const int64_t oy = int64_t(offsetY) + layerViewOffset(layer.Y, shown.zoom);
        const Rect keep =
            clipToImage(int64_t(canvasRect.x) - kDisplayTileMargin - ox,
                        int64_t(canvasRect.y) - kDisplayTileMargin - oy,
                        int64_t(canvasRect.w) + 2 * kDisplayTileMargin,
                        int64_t(canvasRect.h) + 2 * kDisplayTileMargin, e.width, e.height);
        if (keep != e.keptFor) {
            const TileRange k = tilesUnder(e, keep);
            for (int row = 0; row < e.rows; ++row)
                for (int column = 0; column < e.columns; ++column) {
                    PooledBuffer& tile = e.tiles[size_t(row) * size_t(e.columns) + size_t(column)];
                    const bool kept =
                        row >= k.r0 && row <= k.r1 && column >= k.c0 && column <= k.c1;
                    if (kept) continue;
                    if (tile.data()) shown.spare.push_back(std::move(tile));
                    e.uniformTiles[size_t(row) * size_t(e.columns) + size_t(column)] = 0;
                }
            e.keptFor = keep;
        }
        if (!layer.Visible || layer.IsGroup) continue;
        const TileRange need = tilesUnder(e, clipToImage(int64_t(area.x) - ox, int64_t(area.y) - oy,
                                                         area.w, area.h, e.width, e.height));
        for (int row = need.r0; row <= need.r1; ++row)
            for (int column = need.c0; column <= need.c1; ++column)
                if (!e.tile(column, row) && !e.isUniform(column, row)) {
                    // Without a change, a tile over missing layer tiles is uniform: not made.
                    if (!change && layerTilesMissing(layer, e, tileRect(e, column, row))) {
                        e.uniformTiles[size_t(row) * size_t(e.columns) + size_t(column)] = 1;
                        continue;
                    }
                    PooledBuffer& tile = e.tiles[size_t(row) * size_t(e.columns) + size_t(column)];
                    tile = tileBlock(shown, e, column, row);
                    if (!tile.data()) continue;
                    missing.push_back({&layer, &e, column, row, change,
                                       reinterpret_cast<uint32_t*>(tile.data())});
                    pixels += int64_t(e.tileWidth(column)) * e.tileHeight(row);
                }
    }
    // What the missing tiles did not take goes back to the pool.
    view.spare.clear();
    if (preview && preview->view) preview->view->spare.clear();
    // Each tile depends on its layer alone, so two threads taking them one by one give the same
    // tiles as one pass.
    runShared(missing.size(), threads >= 2 && pixels >= kParallelPixels, [&](size_t i) {
        const Missing& m = missing[i];
        tilePixels(*m.layer, *m.entry, m.column, m.row, m.pixels,
                   tileRect(*m.entry, m.column, m.row), m.change);
    });
}

uint32_t displayUniformValue(int blendmode) {
    const BlendMode& mode = blendMode(blendmode);
    return mode.hasBackdrop ? mode.backdrop : 0u;
}

size_t DisplayEntry::tileCount() const {
    size_t count = 0;
    for (const auto& tile : tiles) count += tile.data() != nullptr;
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
    if (!displaySizeOf(layer, zoom, w, h) || display.width != w || display.height != h) return {};
    const Rect r = displayRectOf(layer, w, h, layerRect);
    if (r.empty()) return {};
    displayPixels(layer, int(w), int(h), r.x, r.right(), r.y, r.bottom(), display.row(r.y) + r.x,
                  size_t(display.width));
    return r;
}

Rect updateDisplayTiles(const Layer& layer, ViewCache& view, const Rect& layerRect) {
    const auto it = view.display.find(layer.id);
    if (it == view.display.end() || !entryMatches(it->second, layer, view)) return {};
    DisplayEntry& e = it->second;
    const Rect r = displayRectOf(layer, e.width, e.height, layerRect);
    const TileRange range = tilesUnder(e, r);
    for (int row = range.r0; row <= range.r1; ++row)
        for (int column = range.c0; column <= range.c1; ++column) {
            e.uniformTiles[size_t(row) * size_t(e.columns) + size_t(column)] = 0;
            if (uint8_t* tile = e.tiles[size_t(row) * size_t(e.columns) + size_t(column)].data())
                tilePixels(layer, e, column, row, reinterpret_cast<uint32_t*>(tile),
                           intersect(r, tileRect(e, column, row)));
        }
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
            const Rect t = tileRect(*e, column, row);
            if (e->isUniform(column, row)) {
                for (int y = 0; y < t.h; ++y)
                    std::fill_n(image->row(t.y + y) + t.x, t.w, e->uniform);
                continue;
            }
            if (!tile) continue;
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
    std::fill(e.uniformTiles.begin(), e.uniformTiles.end(), uint8_t(0));
    std::vector<std::pair<int, int>> remake;  // column, row
    for (int row = 0; row < e.rows; ++row)
        for (int column = 0; column < e.columns; ++column) {
            auto& tile = e.tiles[size_t(row) * size_t(e.columns) + size_t(column)];
            if (!tile.data()) continue;
            if (row < shown.r0 || row > shown.r1 || column < shown.c0 || column > shown.c1)
                view.spare.push_back(std::move(tile));
            else
                remake.emplace_back(column, row);
        }
    // Each tile is written by one thread alone.
    runShared(remake.size(), threads >= 2 && remake.size() >= 2, [&](size_t i) {
        const auto [column, row] = remake[i];
        tilePixels(layer, e, column, row,
                   reinterpret_cast<uint32_t*>(
                       e.tiles[size_t(row) * size_t(e.columns) + size_t(column)].data()),
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
        if (auto it = view.display.find(layer.id); it != view.display.end()) {
            kept.emplace(layer.id, std::move(it->second));
            view.display.erase(it);
        }
    for (auto& [id, e] : view.display) spareTiles(e, view);
    view.display = std::move(kept);
    for (const Layer& layer : layers)
        if (!view.current(layer)) rebuildDisplay(layer, view);
}

void resetDisplays(const std::vector<Layer>& layers, int zoom, ViewCache& view) {
    view.zoom = zoom;
    for (auto& [id, e] : view.display) spareTiles(e, view);
    std::unordered_map<uint32_t, DisplayEntry> fresh;
    for (const Layer& layer : layers) {
        DisplayEntry e;
        if (resetEntry(e, layer, view)) fresh.emplace(layer.id, std::move(e));
    }
    view.display = std::move(fresh);
}

}  // namespace qm
