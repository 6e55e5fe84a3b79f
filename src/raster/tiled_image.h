// A 32-bit image stored as 64 x 64 tiles, counted and copied on write; a missing tile is
// transparent (every channel 0). Pixel format as in raster/image.h.
//
// The grid is aligned to the image's own (0, 0): tile (tx, ty) holds pixels tx * 64 .. and
// ty * 64 .., rows of 64 (raster/tile_pool.h).
//
// Invariants:
// - A missing tile reads as 0. One static, read-only zero tile serves every tileView and rowSpan
//   of a missing tile, so reading never touches memory that was never written.
// - The pixels of an edge tile that lie outside the image are 0, always: writers get views cut
//   to the image, so grow and crop are exact and tiles compare as wholes.
// - A tile is written only through writableTile, forEachWritableTile or at(), which make it
//   unique first. A writable pointer or view is never kept across anything that may copy the
//   image: ask again for every dab, span or tile.
//
// Threads. An object belongs to one thread; another thread gets its own copy (a snapshot, which
// costs one count per present tile), never a reference to this grid. A tile shared by a snapshot
// stays as it is: the original copies it before writing (see TileRef).
#pragma once

#include <cstdint>
#include <optional>
#include <type_traits>
#include <vector>

#include "raster/draw_mode.h"
#include "raster/image.h"
#include "raster/pixel_view.h"
#include "raster/rect.h"
#include "raster/tile_pool.h"

namespace qm {

class TiledImage {
public:
    int width = 0, height = 0;  // as Image's; never assigned by users (grow, crop, assign)
    static constexpr int depth = 32;

    TiledImage() = default;
    // No tile; nullopt when the size is not allowed (imageSizeAllowed) or memory runs out.
    static std::optional<TiledImage> create(int w, int h);
    // Copies share every tile: one count per present tile.
    TiledImage(const TiledImage&) = default;
    TiledImage(TiledImage&&) noexcept;
    TiledImage& operator=(const TiledImage&) = default;
    TiledImage& operator=(TiledImage&&) noexcept;

    // --- What code working on whole images uses (and tests) ------------------------------------
    bool empty() const { return width <= 0 || height <= 0; }
    bool hasAlpha() const { return true; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    uint32_t at(int x, int y) const;  // 0 in a missing tile
    uint32_t& at(int x, int y);       // makes the tile writable (copy on write)
    TiledImage& operator=(const Image& image) {
        assign(image);
        return *this;
    }
    // Size and pixels of the image; tiles that are all 0 stay missing. A 24-bit image is taken
    // as its pixels are (alpha 255).
    void assign(const Image& image);
    // Writes `part` with its top-left pixel at (x, y), clipped to the image; tiles that end up
    // all 0 are dropped.
    void assign(const Image& part, int x, int y);
    // The whole image, or the pixels of r (those outside the image 0); throws std::bad_alloc when
    // the size is not allowed or memory runs out.
    Image toImage() const;
    Image toImage(const Rect& r) const;

    // --- Reading -------------------------------------------------------------------------------
    int columns() const { return columns_; }
    int rows() const { return rows_; }
    Rect tileRect(int tx, int ty) const;  // cut to the image
    const TileRef& tile(int tx, int ty) const { return grid_[slot(tx, ty)]; }
    // The tile's pixels cut to the image; the zero tile's for a missing one.
    ConstPixelView tileView(int tx, int ty) const;
    // Pixels x0 .. x0 + n - 1 of row y: a pointer into the tile when they lie in one tile (the
    // zero tile when it is missing), else gathered into `scratch` (n pixels). Pixels outside the
    // image read 0.
    const uint32_t* rowSpan(int y, int x0, int n, uint32_t* scratch) const;
    void readRow(int y, int x0, int n, uint32_t* out) const;
    // f(tx, ty, view) for every present tile under r, the view cut to r.
    template <class F>
    void forEachTile(const Rect& r, F f) const;
    Rect paintedBounds() const;  // pixels of alpha > 0; scans present tiles only
    Rect tileBounds() const;     // the union of present tiles (cut to the image)
    size_t tileCount() const;
    uint64_t revision() const { return revision_; }  // changes with every write access

    // --- Writing (copy on write) ---------------------------------------------------------------
    // The tile made unique: zeroed when missing, copied when shared; its view cut to the image.
    PixelView writableTile(int tx, int ty);
    // f(view) for every tile under r, each made unique first, the view cut to r. When f returns
    // a Rect (what it drew), the result is their union, and a tile that was missing and where f
    // drew nothing stays missing; otherwise the result is r cut to the image.
    template <class F>
    Rect forEachWritableTile(const Rect& r, F f);
    // Puts t in place of tile (tx, ty) and returns what was there (history, decoders). A tile
    // put here keeps the invariant: 0 outside the image.
    TileRef exchangeTile(int tx, int ty, TileRef t);
    void clear();  // every tile missing
    // Present tiles under r that are all 0 become missing.
    void dropZeroTiles(const Rect& r);
    // Larger (or the same size); the new area transparent; no pixel copied. false when the size
    // is smaller on a side or not allowed.
    bool grow(int w, int h);
    // Smaller (or the same size); edge tiles cleared beyond the new size. false when the size is
    // larger on a side or not allowed.
    bool crop(int w, int h);
    // Same size and pixels; a tile shared by both is equal without a look at its pixels.
    friend bool operator==(const TiledImage& a, const TiledImage& b);

    // The pixels of the read-only tile that every missing tile shows.
    static const uint32_t* zeroTile();

private:
    size_t slot(int tx, int ty) const { return size_t(ty) * size_t(columns_) + size_t(tx); }
    void touched();  // a new revision
    // The range of tiles under r (cut to the image): columns c0 .. c1 - 1, rows r0 .. r1 - 1.
    struct TileRange {
        int c0 = 0, r0 = 0, c1 = 0, r1 = 0;
    };
    TileRange tilesUnder(const Rect& r) const;
    PixelView writableView(int tx, int ty, const Rect& cut);
    bool reshape(int w, int h);
    static bool allZero(const uint32_t* tilePixels);

    int columns_ = 0, rows_ = 0;
    std::vector<TileRef> grid_;
    uint64_t revision_ = 0;
};

template <class F>
void TiledImage::forEachTile(const Rect& r, F f) const {
    const Rect cut = intersect(r, Rect{0, 0, width, height});
    const TileRange range = tilesUnder(cut);
    for (int ty = range.r0; ty < range.r1; ++ty)
        for (int tx = range.c0; tx < range.c1; ++tx) {
            const TileRef& t = grid_[slot(tx, ty)];
            if (!t) continue;
            const Rect part = intersect(tileRect(tx, ty), cut);
            f(tx, ty,
              ConstPixelView(
                  t.pixels() + (part.y - ty * kTileSide) * kTileSide + (part.x - tx * kTileSide),
                  part.x, part.y, part.w, part.h, kTileSide, 32));
        }
}

template <class F>
Rect TiledImage::forEachWritableTile(const Rect& r, F f) {
    const Rect cut = intersect(r, Rect{0, 0, width, height});
    const TileRange range = tilesUnder(cut);
    Rect drawn;
    for (int ty = range.r0; ty < range.r1; ++ty)
        for (int tx = range.c0; tx < range.c1; ++tx) {
            const Rect part = intersect(tileRect(tx, ty), cut);
            if constexpr (std::is_same_v<std::invoke_result_t<F, PixelView>, Rect>) {
                const bool wasMissing = !grid_[slot(tx, ty)];
                const Rect d = f(writableView(tx, ty, part));
                if (d.empty() && wasMissing && allZero(grid_[slot(tx, ty)].pixels()))
                    grid_[slot(tx, ty)].reset();
                else
                    drawn = unite(drawn, d);
            } else {
                f(writableView(tx, ty, part));
            }
        }
    if constexpr (std::is_same_v<std::invoke_result_t<F, PixelView>, Rect>)
        return drawn;
    else
        return cut;
}

// The image as tiles (TiledImage::assign).
inline TiledImage tiledFrom(const Image& image) {
    TiledImage tiled;
    tiled.assign(image);
    return tiled;
}

// Draws `part` of the tiled source (in its coordinates) with its top-left pixel at (x, y) of the
// target, giving the pixels drawImagePart of the whole source gives. In AlphaBlend, AlphaClip and
// Xor a missing tile changes nothing (over and xor of 0 keep the target) and is skipped; in every
// other mode it is drawn as the zero tile. Returns the union of what the tiles drew.
Rect drawTiledImagePart(PixelView target, const TiledImage& source, const Rect& part, int x, int y,
                        DrawMode mode, int opacity, const PixelFilter* filter = nullptr);
// The whole source with its pixel (0, 0) at (x, y), as drawImage draws a whole image.
Rect drawTiledImage(PixelView target, const TiledImage& source, int x, int y, DrawMode mode,
                    int opacity, const PixelFilter* filter = nullptr);

}  // namespace qm
