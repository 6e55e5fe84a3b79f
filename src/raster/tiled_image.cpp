#include "raster/tiled_image.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <utility>

#include "raster/draw_image.h"

namespace qm {

namespace {

alignas(4096) const uint32_t kZeroTile[kTilePixels] = {};

// Revisions come from one counter, so two images never share one after either was written.
uint64_t nextRevision() {
    static std::atomic<uint64_t> counter{0};
    return counter.fetch_add(1, std::memory_order_relaxed) + 1;
}

bool zeroPixels(const uint32_t* p, size_t n) {
    return std::all_of(p, p + n, [](uint32_t v) { return v == 0; });
}

// The offset of whole-image pixel (x, y) inside tile (tx, ty).
size_t offsetIn(int tx, int ty, int x, int y) {
    return size_t(y - ty * kTileSide) * kTileSide + size_t(x - tx * kTileSide);
}

}  // namespace

std::optional<TiledImage> TiledImage::create(int w, int h) {
    if (!imageSizeAllowed(w, h)) return std::nullopt;
    TiledImage image;
    image.columns_ = (w + kTileSide - 1) >> kTileShift;
    image.rows_ = (h + kTileSide - 1) >> kTileShift;
    try {
        image.grid_.resize(size_t(image.columns_) * size_t(image.rows_));
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    image.width = w;
    image.height = h;
    image.touched();
    return image;
}

TiledImage::TiledImage(TiledImage&& other) noexcept
    : width(std::exchange(other.width, 0)),
      height(std::exchange(other.height, 0)),
      columns_(std::exchange(other.columns_, 0)),
      rows_(std::exchange(other.rows_, 0)),
      grid_(std::move(other.grid_)),
      revision_(other.revision_) {
    other.grid_.clear();
}

TiledImage& TiledImage::operator=(TiledImage&& other) noexcept {
    if (this == &other) return *this;
    width = std::exchange(other.width, 0);
    height = std::exchange(other.height, 0);
    columns_ = std::exchange(other.columns_, 0);
    rows_ = std::exchange(other.rows_, 0);
    grid_ = std::move(other.grid_);
    other.grid_.clear();
    revision_ = other.revision_;
    return *this;
}

const uint32_t* TiledImage::zeroTile() {
    return kZeroTile;
}

bool TiledImage::allZero(const uint32_t* tilePixels) {
    return zeroPixels(tilePixels, kTilePixels);
}

void TiledImage::touched() {
    revision_ = nextRevision();
}

Rect TiledImage::tileRect(int tx, int ty) const {
    const int x = tx * kTileSide, y = ty * kTileSide;
    return Rect{x, y, std::min(kTileSide, width - x), std::min(kTileSide, height - y)};
}

TiledImage::TileRange TiledImage::tilesUnder(const Rect& r) const {
    if (r.empty()) return {};
    return {r.x >> kTileShift, r.y >> kTileShift,
            int((int64_t(r.right()) + kTileSide - 1) >> kTileShift),
            int((int64_t(r.bottom()) + kTileSide - 1) >> kTileShift)};
}

uint32_t TiledImage::at(int x, int y) const {
    const TileRef& t = grid_[slot(x >> kTileShift, y >> kTileShift)];
    return t ? t.pixels()[size_t(y & (kTileSide - 1)) * kTileSide + size_t(x & (kTileSide - 1))]
             : 0u;
}

uint32_t& TiledImage::at(int x, int y) {
    const int tx = x >> kTileShift, ty = y >> kTileShift;
    return *writableView(tx, ty, tileRect(tx, ty)).at(x, y);
}

PixelView TiledImage::writableView(int tx, int ty, const Rect& cut) {
    TileRef& t = grid_[slot(tx, ty)];
    if (!t)
        t = TileRef::zeroed();
    else if (!t.unique())
        t = t.copy();
    touched();
    return PixelView(t.writablePixels() + offsetIn(tx, ty, cut.x, cut.y), cut.x, cut.y, cut.w,
                     cut.h, kTileSide, 32);
}

PixelView TiledImage::writableTile(int tx, int ty) {
    return writableView(tx, ty, tileRect(tx, ty));
}

ConstPixelView TiledImage::tileView(int tx, int ty) const {
    const TileRef& t = grid_[slot(tx, ty)];
    const Rect r = tileRect(tx, ty);
    return ConstPixelView(t ? t.pixels() : kZeroTile, r.x, r.y, r.w, r.h, kTileSide, 32);
}

void TiledImage::readRow(int y, int x0, int n, uint32_t* out) const {
    if (n <= 0) return;
    if (y < 0 || y >= height) {
        std::fill_n(out, n, 0u);
        return;
    }
    const int64_t end = int64_t(x0) + n;
    int64_t x = x0;
    if (x < 0) {
        const int64_t before = std::min<int64_t>(-x, n);
        std::fill_n(out, before, 0u);
        x += before;
    }
    const int ty = y >> kTileShift;
    while (x < std::min<int64_t>(end, width)) {
        const int tx = int(x >> kTileShift);
        const int64_t stop = std::min<int64_t>({end, width, int64_t(tx + 1) * kTileSide});
        const TileRef& t = grid_[slot(tx, ty)];
        uint32_t* to = out + (x - x0);
        if (t)
            std::memcpy(to, t.pixels() + offsetIn(tx, ty, int(x), y), size_t(stop - x) * 4);
        else
            std::fill_n(to, stop - x, 0u);
        x = stop;
    }
    if (x < end) std::fill_n(out + (x - x0), end - x, 0u);
}

const uint32_t* TiledImage::rowSpan(int y, int x0, int n, uint32_t* scratch) const {
    if (n > 0 && y >= 0 && y < height && x0 >= 0 && int64_t(x0) + n <= width &&
        (x0 >> kTileShift) == ((x0 + n - 1) >> kTileShift)) {
        const int tx = x0 >> kTileShift, ty = y >> kTileShift;
        const TileRef& t = grid_[slot(tx, ty)];
        return (t ? t.pixels() : kZeroTile) + offsetIn(tx, ty, x0, y);
    }
    readRow(y, x0, n, scratch);
    return scratch;
}

Rect TiledImage::paintedBounds() const {
    int x0 = width, y0 = height, x1 = -1, y1 = -1;
    for (int ty = 0; ty < rows_; ++ty)
        for (int tx = 0; tx < columns_; ++tx) {
            const TileRef& t = grid_[slot(tx, ty)];
            if (!t) continue;
            const Rect r = tileRect(tx, ty);
            // Only rows and columns that can widen the bounds are worth a look.
            for (int y = r.y; y < r.bottom(); ++y) {
                const uint32_t* row = t.pixels() + offsetIn(tx, ty, r.x, y);
                int first = 0;
                while (first < r.w && alpha(row[first]) == 0) ++first;
                if (first == r.w) continue;
                int last = r.w - 1;
                while (alpha(row[last]) == 0) --last;
                x0 = std::min(x0, r.x + first);
                x1 = std::max(x1, r.x + last);
                y0 = std::min(y0, y);
                y1 = std::max(y1, y);
            }
        }
    if (x1 < 0) return {};
    return Rect{x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

Rect TiledImage::tileBounds() const {
    Rect bounds;
    for (int ty = 0; ty < rows_; ++ty)
        for (int tx = 0; tx < columns_; ++tx)
            if (grid_[slot(tx, ty)]) bounds = unite(bounds, tileRect(tx, ty));
    return bounds;
}

size_t TiledImage::tileCount() const {
    return size_t(
        std::count_if(grid_.begin(), grid_.end(), [](const TileRef& t) { return bool(t); }));
}

void TiledImage::assign(const Image& image) {
    std::optional<TiledImage> made = create(image.width, image.height);
    if (!made) {
        *this = TiledImage();
        touched();
        return;
    }
    *this = std::move(*made);
    assign(image, 0, 0);
}

void TiledImage::assign(const Image& part, int x, int y) {
    const Rect dst = clipToImage(x, y, part.width, part.height, width, height);
    if (dst.empty()) return;
    const TileRange range = tilesUnder(dst);
    for (int ty = range.r0; ty < range.r1; ++ty)
        for (int tx = range.c0; tx < range.c1; ++tx) {
            const Rect r = intersect(tileRect(tx, ty), dst);
            const auto from = [&](int row) { return part.row(row - y) + (r.x - x); };
            TileRef& t = grid_[slot(tx, ty)];
            if (!t) {
                bool zero = true;
                for (int row = r.y; row < r.bottom() && zero; ++row)
                    zero = zeroPixels(from(row), size_t(r.w));
                if (zero) continue;
            }
            const PixelView v = writableView(tx, ty, r);
            for (int row = r.y; row < r.bottom(); ++row)
                std::memcpy(v.at(r.x, row), from(row), size_t(r.w) * 4);
            if (allZero(t.pixels())) t.reset();
        }
    touched();
}

Image TiledImage::toImage() const {
    return toImage(Rect{0, 0, width, height});
}

Image TiledImage::toImage(const Rect& r) const {
    if (r.empty()) return Image{};
    std::optional<Image> out = createImage(r.w, r.h, 32);
    if (!out) throw std::bad_alloc();
    forEachTile(r, [&](int, int, const ConstPixelView& v) {
        for (int y = v.y; y < v.y + v.height; ++y)
            std::memcpy(&out->at(v.x - r.x, y - r.y), v.at(v.x, y), size_t(v.width) * 4);
    });
    return std::move(*out);
}

TileRef TiledImage::exchangeTile(int tx, int ty, TileRef t) {
    std::swap(grid_[slot(tx, ty)], t);
    touched();
    return t;
}

void TiledImage::clear() {
    for (TileRef& t : grid_) t.reset();
    touched();
}

void TiledImage::dropZeroTiles(const Rect& r) {
    const TileRange range = tilesUnder(intersect(r, Rect{0, 0, width, height}));
    for (int ty = range.r0; ty < range.r1; ++ty)
        for (int tx = range.c0; tx < range.c1; ++tx) {
            TileRef& t = grid_[slot(tx, ty)];
            if (t && allZero(t.pixels())) t.reset();
        }
    touched();
}

bool TiledImage::reshape(int w, int h) {
    if (!imageSizeAllowed(w, h)) return false;
    const int columns = (w + kTileSide - 1) >> kTileShift, rows = (h + kTileSide - 1) >> kTileShift;
    std::vector<TileRef> grid;
    try {
        grid.resize(size_t(columns) * size_t(rows));
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (int ty = 0; ty < std::min(rows, rows_); ++ty)
        for (int tx = 0; tx < std::min(columns, columns_); ++tx)
            grid[size_t(ty) * size_t(columns) + size_t(tx)] = std::move(grid_[slot(tx, ty)]);
    grid_ = std::move(grid);
    columns_ = columns;
    rows_ = rows;
    width = w;
    height = h;
    touched();
    return true;
}

bool TiledImage::grow(int w, int h) {
    if (w < width || h < height) return false;
    return reshape(w, h);
}

bool TiledImage::crop(int w, int h) {
    if (w > width || h > height) return false;
    if (!reshape(w, h)) return false;
    // Pixels of the edge tiles beyond the new size become 0 (copying a shared tile first).
    for (int ty = 0; ty < rows_; ++ty)
        for (int tx = 0; tx < columns_; ++tx) {
            if (tx != columns_ - 1 && ty != rows_ - 1) continue;
            TileRef& t = grid_[slot(tx, ty)];
            if (!t) continue;
            const Rect r = tileRect(tx, ty);
            const int keepW = r.w, keepH = r.h;
            bool clean = true;
            for (int y = 0; y < kTileSide && clean; ++y) {
                const uint32_t* row = t.pixels() + size_t(y) * kTileSide;
                clean = y < keepH ? zeroPixels(row + keepW, size_t(kTileSide - keepW))
                                  : zeroPixels(row, kTileSide);
            }
            if (clean) continue;
            if (!t.unique()) t = t.copy();
            uint32_t* p = t.writablePixels();
            for (int y = 0; y < kTileSide; ++y) {
                uint32_t* row = p + size_t(y) * kTileSide;
                if (y < keepH)
                    std::fill(row + keepW, row + kTileSide, 0u);
                else
                    std::fill(row, row + kTileSide, 0u);
            }
            if (allZero(p)) t.reset();
        }
    return true;
}

bool operator==(const TiledImage& a, const TiledImage& b) {
    if (a.width != b.width || a.height != b.height) return false;
    for (size_t i = 0; i < a.grid_.size(); ++i) {
        const TileRef& ta = a.grid_[i];
        const TileRef& tb = b.grid_[i];
        if (ta.identity() == tb.identity()) continue;
        const uint32_t* pa = ta ? ta.pixels() : kZeroTile;
        const uint32_t* pb = tb ? tb.pixels() : kZeroTile;
        if (std::memcmp(pa, pb, kTileBytes) != 0) return false;
    }
    return true;
}

Rect drawTiledImagePart(PixelView target, const TiledImage& source, const Rect& part, int x, int y,
                        DrawMode mode, int opacity, const PixelFilter* filter) {
    // The source pixels that land on the target's view.
    const Rect onTarget = intersect(
        intersect(part, Rect{0, 0, source.width, source.height}),
        Rect{int(std::clamp<int64_t>(int64_t(target.x) - x + part.x, INT32_MIN / 2, INT32_MAX / 2)),
             int(std::clamp<int64_t>(int64_t(target.y) - y + part.y, INT32_MIN / 2, INT32_MAX / 2)),
             target.width, target.height});
    if (onTarget.empty()) return {};
    const bool skipMissing =
        mode == DrawMode::AlphaBlend || mode == DrawMode::AlphaClip || mode == DrawMode::Xor;
    Rect drawn;
    const int c0 = onTarget.x >> kTileShift, c1 = (onTarget.right() - 1) >> kTileShift;
    const int r0 = onTarget.y >> kTileShift, r1 = (onTarget.bottom() - 1) >> kTileShift;
    for (int ty = r0; ty <= r1; ++ty)
        for (int tx = c0; tx <= c1; ++tx) {
            if (skipMissing && !source.tile(tx, ty)) continue;
            drawn = unite(drawn, drawImagePart(target, source.tileView(tx, ty), part, x, y, mode,
                                               opacity, filter));
        }
    return drawn;
}

Rect drawTiledImage(PixelView target, const TiledImage& source, int x, int y, DrawMode mode,
                    int opacity, const PixelFilter* filter) {
    return drawTiledImagePart(target, source, Rect{0, 0, source.width, source.height}, x, y, mode,
                              opacity, filter);
}

}  // namespace qm
