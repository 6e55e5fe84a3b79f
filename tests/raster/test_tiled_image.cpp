#include "raster/tiled_image.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/random.h"
#include "raster/draw_image.h"
#include "raster/shapes.h"

namespace qm {
namespace {

// Mostly transparent: a few random blocks of colour, some of them colour under alpha 0 (a tile
// holding only such pixels is not all 0 and must be kept).
Image sparseImage(int w, int h, uint64_t seed) {
    Random rnd(seed);
    Image img = *createImage(w, h);
    const int blobs = 1 + (w * h) / 20000;
    for (int b = 0; b < blobs; ++b) {
        const int x0 = rnd(w - 1), y0 = rnd(h - 1);
        const int bw = 1 + rnd(std::min(w, 90) - 1), bh = 1 + rnd(std::min(h, 90) - 1);
        const bool hidden = rnd(3) == 0;
        for (int y = y0; y < std::min(h, y0 + bh); ++y)
            for (int x = x0; x < std::min(w, x0 + bw); ++x)
                img.at(x, y) =
                    (rnd.next() & 0x00FFFFFFu) | (hidden ? 0u : uint32_t(rnd(255)) << 24);
    }
    return img;
}

TiledImage tiled(const Image& image) {
    TiledImage t;
    t = image;
    return t;
}

// The tiles of a whole image that hold anything other than 0.
size_t nonZeroTiles(const Image& image) {
    size_t n = 0;
    for (int ty = 0; ty < image.height; ty += kTileSide)
        for (int tx = 0; tx < image.width; tx += kTileSide) {
            bool any = false;
            for (int y = ty; y < std::min(image.height, ty + kTileSide) && !any; ++y)
                for (int x = tx; x < std::min(image.width, tx + kTileSide) && !any; ++x)
                    any = image.at(x, y) != 0;
            n += any;
        }
    return n;
}

Rect bruteForcePaintedBounds(const Image& image) {
    Rect r;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (alpha(image.at(x, y)) > 0) r = unite(r, Rect{x, y, 1, 1});
    return r;
}

struct Size {
    int w, h;
};
constexpr Size kSizes[] = {{1, 1}, {65, 1}, {64, 64}, {4000, 3}, {1000, 700}};

TEST(TiledImage, AssignThenToImageGivesTheImageBack) {
    uint64_t seed = 1;
    for (const Size s : kSizes) {
        SCOPED_TRACE(std::to_string(s.w) + " x " + std::to_string(s.h));
        const Image image = sparseImage(s.w, s.h, seed++);
        const TiledImage t = tiled(image);
        EXPECT_EQ(t.width, s.w);
        EXPECT_EQ(t.height, s.h);
        EXPECT_EQ(t.columns(), (s.w + 63) / 64);
        EXPECT_EQ(t.rows(), (s.h + 63) / 64);
        EXPECT_EQ(t.tileCount(), nonZeroTiles(image));  // all-zero tiles stay missing
        const Image back = t.toImage();
        EXPECT_EQ(back.width, s.w);
        EXPECT_TRUE(back.pixels == image.pixels);
        EXPECT_EQ(t.paintedBounds(), bruteForcePaintedBounds(image));
        // A part, reaching beyond the image: those pixels read 0.
        const Rect part{s.w / 2 - 3, -2, 70, 9};
        const Image p = t.toImage(part);
        for (int y = 0; y < part.h; ++y)
            for (int x = 0; x < part.w; ++x) {
                const int ix = part.x + x, iy = part.y + y;
                ASSERT_EQ(p.at(x, y), image.contains(ix, iy) ? image.at(ix, iy) : 0u)
                    << ix << "," << iy;
            }
    }
}

TEST(TiledImage, MissingTilesReadZeroFromTheZeroTile) {
    const TiledImage t = *TiledImage::create(200, 150);
    EXPECT_EQ(t.tileCount(), 0u);
    EXPECT_EQ(t.at(199, 149), 0u);
    EXPECT_EQ(t.tileView(3, 2).pixels, TiledImage::zeroTile());
    EXPECT_EQ(t.tileView(3, 2).rect(), (Rect{192, 128, 8, 22}));
    uint32_t scratch[64];
    EXPECT_EQ(t.rowSpan(70, 64, 64, scratch), TiledImage::zeroTile() + 6 * 64);
    EXPECT_EQ(t.paintedBounds(), Rect{});
    EXPECT_EQ(t.tileBounds(), Rect{});
    EXPECT_TRUE(t.toImage().pixels == std::vector<uint32_t>(200 * 150, 0u));

    EXPECT_FALSE(TiledImage::create(0, 5));
    EXPECT_FALSE(TiledImage::create(kMaxImageSide + 1, 1));
    const TiledImage large = *TiledImage::create(16000, 16000);  // a grid of references only
    EXPECT_EQ(large.columns() * large.rows(), 250 * 250);
    EXPECT_EQ(large.tileCount(), 0u);
}

TEST(TiledImage, RowSpansAcrossTileEdgesEqualTheImageRows) {
    const Image image = sparseImage(1000, 700, 42);
    const TiledImage t = tiled(image);
    struct Span {
        int y, x0, n;
    };
    const Span spans[] = {{0, 0, 1},    {5, 0, 64},     {63, 60, 4},    {64, 60, 5},
                          {100, 63, 2}, {300, 0, 1000}, {699, 960, 40}, {400, 130, 300},
                          {10, -5, 20}, {10, 990, 20}};
    std::vector<uint32_t> scratch(1000);
    for (const Span s : spans) {
        SCOPED_TRACE(std::to_string(s.y) + ": " + std::to_string(s.x0) + " + " +
                     std::to_string(s.n));
        const uint32_t* p = t.rowSpan(s.y, s.x0, s.n, scratch.data());
        const bool oneTile = s.x0 >= 0 && s.x0 + s.n <= 1000 && s.x0 / 64 == (s.x0 + s.n - 1) / 64;
        EXPECT_EQ(p == scratch.data(), !oneTile);
        for (int i = 0; i < s.n; ++i) {
            const int x = s.x0 + i;
            ASSERT_EQ(p[i], image.contains(x, s.y) ? image.at(x, s.y) : 0u) << x;
        }
    }
}

TEST(TiledImage, ACopySharesEveryTileAndAWriteStaysInItsImage) {
    const Image image = sparseImage(300, 200, 7);
    TiledImage a = tiled(image);
    TiledImage b = a;
    for (int ty = 0; ty < a.rows(); ++ty)
        for (int tx = 0; tx < a.columns(); ++tx)
            EXPECT_EQ(a.tile(tx, ty).identity(), b.tile(tx, ty).identity());
    EXPECT_TRUE(a == b);

    const uint64_t revision = b.revision();
    b.at(130, 70) = 0xFF112233u;  // tile (2, 1)
    EXPECT_NE(b.revision(), revision);
    EXPECT_EQ(b.at(130, 70), 0xFF112233u);
    EXPECT_TRUE(a.toImage().pixels == image.pixels);
    EXPECT_FALSE(a == b);
    for (int ty = 0; ty < a.rows(); ++ty)
        for (int tx = 0; tx < a.columns(); ++tx) {
            if (tx == 2 && ty == 1) {
                EXPECT_NE(a.tile(tx, ty).identity(), b.tile(tx, ty).identity());
            } else {
                EXPECT_EQ(a.tile(tx, ty).identity(), b.tile(tx, ty).identity()) << tx << "," << ty;
            }
        }
    // A unique tile is written in place.
    const void* own = b.tile(2, 1).identity();
    b.writableTile(2, 1);
    EXPECT_EQ(b.tile(2, 1).identity(), own);
}

// Tiles written through the tiled image, tile by tile, give what the drawing functions give on
// the whole image; tiles where nothing was drawn stay missing.
TEST(TiledImage, DrawingIntoWritableTilesEqualsDrawingTheWholeImage) {
    const Image image = sparseImage(300, 200, 9);
    Image whole = image;
    TiledImage t = tiled(image);
    const size_t before = t.tileCount();
    const Paint paint = solidPaint(rgba(200, 10, 10, 150));
    const Rect expected = fillCircle(whole, 100, 90, 30, paint);
    const Rect drawn = t.forEachWritableTile(
        Rect{0, 0, 300, 200}, [&](PixelView v) { return fillCircle(v, 100, 90, 30, paint); });
    EXPECT_EQ(drawn, expected);
    EXPECT_TRUE(t.toImage().pixels == whole.pixels);
    EXPECT_LE(t.tileCount(), before + 4);  // the circle's 2 x 2 tiles at most

    // The views are cut to the rectangle asked for.
    Image boxed = whole;
    fillBox(boxed, 50, 50, 20, 20, solidPaint(0xFF00FF00u));
    t.forEachWritableTile(Rect{50, 50, 20, 20},
                          [](PixelView v) { fillBox(v, 0, 0, 300, 200, solidPaint(0xFF00FF00u)); });
    EXPECT_TRUE(t.toImage().pixels == boxed.pixels);
}

// A tiled source drawn tile by tile gives what the whole source gives, in every mode: a missing
// tile is skipped where over and xor of 0 keep the target, and drawn as zeros where the mode
// writes them (AllChannels, AlphaChannel, Filter); parts and places anywhere, onto 32 and 24
// bits.
TEST(TiledImage, DrawingATiledSourceEqualsDrawingItWhole) {
    const Image source = sparseImage(150, 100, 5);
    const TiledImage tiles = tiled(source);
    ASSERT_LT(tiles.tileCount(), size_t(tiles.columns() * tiles.rows()));
    const PixelFilter filter = [](int x, int y, uint32_t s, uint32_t t) {
        return (s ^ t) + uint32_t(x * 31 + y);
    };
    const DrawMode modes[] = {DrawMode::AlphaBlend,  DrawMode::AlphaClip, DrawMode::AlphaChannel,
                              DrawMode::AllChannels, DrawMode::Xor,       DrawMode::Filter};
    struct Place {
        int x, y;
        Rect part;
    };
    const Place places[] = {{0, 0, {0, 0, 150, 100}},
                            {-37, 20, {0, 0, 150, 100}},
                            {90, -50, {0, 0, 150, 100}},
                            {10, 5, {30, 20, 90, 70}},
                            {-5, 7, {-10, 60, 300, 13}}};
    for (const DrawMode mode : modes)
        for (const int opacity : {255, 77})
            for (const Place& at : places)
                for (const int depth : {32, 24}) {
                    Image expected = *createImage(200, 140, depth);
                    Random rnd(uint64_t(opacity + depth));
                    for (uint32_t& p : expected.pixels)
                        p = rnd.next() & (rnd(4) == 0 ? 0x00FFFFFFu : ~0u);
                    Image got = expected;
                    drawImagePart(expected, source, at.part, at.x + at.part.x, at.y + at.part.y,
                                  mode, opacity, &filter);
                    drawTiledImagePart(got, tiles, at.part, at.x + at.part.x, at.y + at.part.y,
                                       mode, opacity, &filter);
                    ASSERT_EQ(got.pixels, expected.pixels)
                        << int(mode) << " opacity " << opacity << " at " << at.x << "," << at.y
                        << " depth " << depth;
                }
    // The whole source at a place, as drawImage draws it.
    Image expected = *createImage(200, 140, 32);
    Image got = expected;
    drawImage(expected, source, 33, 21, DrawMode::AllChannels, 200);
    drawTiledImage(got, tiles, 33, 21, DrawMode::AllChannels, 200);
    EXPECT_EQ(got.pixels, expected.pixels);
}

TEST(TiledImage, PixelsBeyondTheEdgeStayZero) {
    TiledImage t = *TiledImage::create(100, 70);
    t.forEachWritableTile(Rect{-50, -50, 500, 500}, [](PixelView v) {
        return fillBox(v, -9, -9, 999, 999, solidPaint(0xFFFFFFFFu));
    });
    t.at(99, 69) = 0xFF0000FFu;
    const auto beyondIsZero = [](const TiledImage& image) {
        for (int ty = 0; ty < image.rows(); ++ty)
            for (int tx = 0; tx < image.columns(); ++tx) {
                const TileRef& tile = image.tile(tx, ty);
                if (!tile) continue;
                const Rect r = image.tileRect(tx, ty);
                for (int y = 0; y < kTileSide; ++y)
                    for (int x = 0; x < kTileSide; ++x)
                        if (x >= r.w || y >= r.h)
                            if (tile.pixels()[y * kTileSide + x] != 0) return false;
            }
        return true;
    };
    EXPECT_EQ(t.tileCount(), 4u);
    EXPECT_TRUE(beyondIsZero(t));

    // Growing makes no copy, and the new area reads 0.
    const Image before = t.toImage();
    const void* corner = t.tile(1, 1).identity();
    ASSERT_TRUE(t.grow(200, 150));
    EXPECT_EQ(t.tile(1, 1).identity(), corner);
    EXPECT_EQ(t.at(150, 100), 0u);
    EXPECT_EQ(t.at(100, 69), 0u);
    EXPECT_TRUE(t.toImage(Rect{0, 0, 100, 70}).pixels == before.pixels);
    EXPECT_EQ(t.paintedBounds(), (Rect{0, 0, 100, 70}));
    EXPECT_FALSE(t.grow(199, 150));

    // Cropping clears the edge tiles beyond the new size, even in a tile a copy shares, which
    // keeps its pixels; growing back shows 0 there.
    const TiledImage copy = t;
    ASSERT_TRUE(t.crop(90, 40));
    EXPECT_TRUE(beyondIsZero(t));
    const Image cropped = t.toImage();
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 90; ++x) ASSERT_EQ(cropped.at(x, y), before.at(x, y)) << x << "," << y;
    EXPECT_TRUE(copy.toImage(Rect{0, 0, 100, 70}).pixels == before.pixels);
    ASSERT_TRUE(t.grow(100, 70));
    EXPECT_EQ(t.paintedBounds(), (Rect{0, 0, 90, 40}));
    EXPECT_FALSE(t.crop(101, 10));

    // A crop that leaves only zeros in an edge tile drops it.
    TiledImage dot = *TiledImage::create(128, 64);
    dot.at(100, 10) = 0xFF000000u;
    ASSERT_TRUE(dot.crop(80, 64));
    EXPECT_EQ(dot.tileCount(), 0u);
}

TEST(TiledImage, PaintedBoundsAndEqualityFollowThePixels) {
    for (uint64_t seed = 20; seed < 26; ++seed) {
        const Image image = sparseImage(257, 131, seed);
        const TiledImage t = tiled(image);
        EXPECT_EQ(t.paintedBounds(), bruteForcePaintedBounds(image)) << seed;
        EXPECT_TRUE(t == tiled(image));  // equal pixels in different blocks
    }
    // Colour under alpha 0 only: no painted pixel, but a present tile.
    TiledImage hidden = *TiledImage::create(100, 100);
    hidden.at(70, 5) = 0x00ABCDEFu;
    EXPECT_EQ(hidden.paintedBounds(), Rect{});
    EXPECT_EQ(hidden.tileBounds(), (Rect{64, 0, 36, 64}));

    TiledImage a = *TiledImage::create(100, 100);
    TiledImage b = a;
    b.writableTile(1, 1);  // a present tile of zeros equals a missing one
    EXPECT_TRUE(a == b);
    b.at(99, 99) = 1;
    EXPECT_FALSE(a == b);
    EXPECT_FALSE(a == *TiledImage::create(100, 99));
    b.dropZeroTiles(Rect{0, 0, 100, 100});
    EXPECT_EQ(b.tileCount(), 1u);
    b.at(99, 99) = 0;
    b.dropZeroTiles(Rect{0, 0, 100, 100});
    EXPECT_EQ(b.tileCount(), 0u);

    // exchangeTile hands back what was there; clear drops everything.
    TileRef t = TileRef::zeroed();
    t.writablePixels()[0] = 5;
    EXPECT_FALSE(b.exchangeTile(0, 0, t));
    EXPECT_EQ(std::as_const(b).at(0, 0), 5u);  // a read that makes no copy
    EXPECT_EQ(b.exchangeTile(0, 0, TileRef()).identity(), t.identity());
    b.at(3, 3) = 9;
    b.clear();
    EXPECT_EQ(b.tileCount(), 0u);
}

TEST(TiledImage, AssigningAPartWritesItAndDropsTilesLeftEmpty) {
    TiledImage t = tiled(sparseImage(200, 130, 3));
    Image expected = t.toImage();
    Image part = sparseImage(90, 70, 4);
    t.assign(part, 50, 100);  // reaches beyond the bottom
    for (int y = 0; y < 70; ++y)
        for (int x = 0; x < 90; ++x)
            if (expected.contains(50 + x, 100 + y)) expected.at(50 + x, 100 + y) = part.at(x, y);
    EXPECT_TRUE(t.toImage().pixels == expected.pixels);

    TiledImage clean = *TiledImage::create(200, 130);
    clean.at(70, 70) = 0xFF123456u;
    clean.assign(*createImage(64, 64), 64, 64);  // zeros over the only tile
    EXPECT_EQ(clean.tileCount(), 0u);
}

// A snapshot read on another thread while this one writes the original sees the snapshot's
// pixels: the writer copies every shared tile before writing it.
TEST(TiledImage, ASnapshotReadOnAThreadKeepsItsPixels) {
    TiledImage original = tiled(sparseImage(256, 256, 5));
    for (int ty = 0; ty < 4; ++ty)
        for (int tx = 0; tx < 4; ++tx) original.writableTile(tx, ty);  // every tile present
    const auto checksum = [](const TiledImage& image) {
        uint64_t sum = 0;
        uint32_t row[256];
        for (int y = 0; y < image.height; ++y) {
            image.readRow(y, 0, image.width, row);
            for (int x = 0; x < image.width; ++x) sum = sum * 31 + row[x];
        }
        return sum;
    };
    Random rnd(77);
    for (int round = 0; round < 1000; ++round) {
        TiledImage snapshot = original;
        const uint64_t expected = checksum(snapshot);
        uint64_t seen = 0;
        std::thread reader([&seen, &checksum, s = std::move(snapshot)]() mutable {
            seen = checksum(s);
            s = TiledImage();  // the last references may drop here
        });
        for (int i = 0; i < 16; ++i) original.at(rnd(255), rnd(255)) = rnd.next();
        reader.join();
        ASSERT_EQ(seen, expected) << round;
    }
}

}  // namespace
}  // namespace qm
