#include "raster/image_ops.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/random.h"

namespace qm {
namespace {

// A w x h image whose pixel (x, y) encodes its own position, so any misplaced pixel shows.
Image positions(int w, int h, int depth = 32) {
    Image img = *createImage(w, h, depth);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.at(x, y) = rgba(uint32_t(x), uint32_t(y), 7, 255);
    return img;
}

Image filled(int w, int h, uint32_t colour) {
    Image img = *createImage(w, h);
    std::fill(img.pixels.begin(), img.pixels.end(), colour);
    return img;
}

TEST(ImageOps, CopyIsIndependent) {
    Image a = positions(3, 2);
    Image b = copyImage(a);
    b.at(0, 0) = 0;
    EXPECT_EQ(a.at(0, 0), rgba(0, 0, 7, 255));
    EXPECT_EQ(b.width, 3);
}

TEST(ImageOps, GrabRectClipsAtEveryEdge) {
    const Image src = positions(6, 5);
    struct Case {
        int x, y, w, h;
    };
    const Case cases[] = {
        {1, 1, 3, 2},            // inside
        {-2, 1, 4, 2},           // over the left edge
        {4, 1, 5, 2},            // over the right edge
        {1, -3, 2, 4},           // over the top
        {1, 3, 2, 6},            // over the bottom
        {-1, -1, 8, 7},          // larger than the source on every side
        {10, 10, 2, 2},          // entirely outside
        {-2147483647, 0, 3, 3},  // far outside: no overflow
        {2147483000, 0, 3, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y << " " << c.w << "x" << c.h);
        const std::optional<Image> g = grabRect(src, c.x, c.y, c.w, c.h);
        ASSERT_TRUE(g);
        ASSERT_EQ(g->width, c.w);
        ASSERT_EQ(g->height, c.h);
        for (int j = 0; j < c.h; ++j)
            for (int i = 0; i < c.w; ++i) {
                const int64_t sx = int64_t(c.x) + i, sy = int64_t(c.y) + j;
                const bool inside = sx >= 0 && sy >= 0 && sx < src.width && sy < src.height;
                EXPECT_EQ(g->at(i, j), inside ? src.at(int(sx), int(sy)) : 0u) << i << "," << j;
            }
    }
}

TEST(ImageOps, GrabRectOf24BitSourceIsBlackOutside) {
    const Image src = positions(2, 2, 24);
    const std::optional<Image> g = grabRect(src, 1, 1, 2, 2);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->depth, 24);
    EXPECT_EQ(g->at(0, 0), src.at(1, 1));
    EXPECT_EQ(g->at(1, 1), 0xFF000000u);
}

TEST(ImageOps, RefusedSizes) {
    const Image src = positions(4, 4);
    const int bad[][2] = {{0, 4}, {4, 0}, {-1, 4}, {kMaxImageSide + 1, 1}, {20000, 20000}};
    for (const auto& s : bad) {
        EXPECT_FALSE(grabRect(src, 0, 0, s[0], s[1]));
        EXPECT_FALSE(resizeNearest(src, s[0], s[1]));
        EXPECT_FALSE(resizeSmooth(src, s[0], s[1]));
    }
    EXPECT_FALSE(resizeNearest(Image{}, 2, 2));
    EXPECT_FALSE(resizeSmooth(Image{}, 2, 2));
}

TEST(ImageOps, NearestTakesThePixelUnderEachCentre) {
    const Image src = positions(4, 4);
    const Image same = *resizeNearest(src, 4, 4);
    EXPECT_EQ(same.pixels, src.pixels);

    const Image half = *resizeNearest(src, 2, 2);  // centres 0.5 -> 1, 1.5 -> 3
    EXPECT_EQ(half.at(0, 0), src.at(1, 1));
    EXPECT_EQ(half.at(1, 0), src.at(3, 1));
    EXPECT_EQ(half.at(1, 1), src.at(3, 3));

    const Image twice = *resizeNearest(src, 8, 3);  // 8 columns: each source column twice
    for (int x = 0; x < 8; ++x) EXPECT_EQ(red(twice.at(x, 0)), uint32_t(x / 2));
    EXPECT_EQ(green(twice.at(0, 0)), 0u);  // rows: centres 2/3, 2, 10/3
    EXPECT_EQ(green(twice.at(0, 1)), 2u);
    EXPECT_EQ(green(twice.at(0, 2)), 3u);

    const Image deep = *resizeNearest(positions(3, 3, 24), 5, 5);
    EXPECT_EQ(deep.depth, 24);
}

TEST(ImageOps, SmoothKeepsUniformColoursAndOpacityExactly) {
    const uint32_t colours[] = {rgba(10, 200, 33, 255), rgba(255, 255, 255, 90), rgba(1, 2, 3, 1)};
    const int sizes[][2] = {{1, 1}, {3, 17}, {40, 9}, {100, 100}, {7, 7}};
    for (uint32_t c : colours)
        for (const auto& s : sizes) {
            const Image out = *resizeSmooth(filled(7, 7, c), s[0], s[1]);
            for (uint32_t p : out.pixels) ASSERT_EQ(p, c) << s[0] << "x" << s[1];
        }
    // A random opaque image stays opaque, in both directions.
    Random rnd(5);
    Image noisy = *createImage(33, 21);
    for (uint32_t& p : noisy.pixels) p = rnd.next() | 0xFF000000u;
    for (const auto& s : {std::pair{70, 50}, std::pair{8, 5}}) {
        const Image out = *resizeSmooth(noisy, s.first, s.second);
        for (uint32_t p : out.pixels) ASSERT_EQ(alpha(p), 255u);
    }
}

TEST(ImageOps, SmoothIsBilinearWhenEnlarging) {
    Image src = *createImage(2, 1);
    src.at(0, 0) = rgba(0, 0, 0, 255);
    src.at(1, 0) = rgba(255, 255, 255, 255);
    const Image out = *resizeSmooth(src, 4, 1);  // centres -0.25, 0.25, 0.75, 1.25
    const uint32_t expected[] = {0, 64, 191, 255};
    for (int x = 0; x < 4; ++x) EXPECT_EQ(red(out.at(x, 0)), expected[x]) << x;
    // Same size is an exact copy.
    const Image p = positions(5, 4);
    EXPECT_EQ(resizeSmooth(p, 5, 4)->pixels, p.pixels);
}

TEST(ImageOps, SmoothReductionAveragesInsteadOfSkipping) {
    // Alternating black and white columns: skipping pixels would give all black or all white.
    Image stripes = *createImage(64, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 64; ++x) stripes.at(x, y) = x % 2 ? 0xFFFFFFFFu : 0xFF000000u;
    const Image out = *resizeSmooth(stripes, 32, 2);
    for (int x = 1; x < 31; ++x) {
        EXPECT_GE(red(out.at(x, 1)), 127u) << x;
        EXPECT_LE(red(out.at(x, 1)), 128u) << x;
    }
}

TEST(ImageOps, SmoothHasNoDarkFringeAtTransparentEdges) {
    // Opaque red beside transparent black (0): every visible result pixel must stay pure red.
    Image src = *createImage(9, 9);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 4; ++x) src.at(x, y) = rgba(255, 0, 0, 255);
    for (const auto& s : {std::pair{20, 20}, std::pair{4, 4}, std::pair{13, 6}}) {
        const Image out = *resizeSmooth(src, s.first, s.second);
        bool partial = false;
        for (uint32_t p : out.pixels) {
            if (p == 0) continue;
            ASSERT_EQ(p & 0x00FFFFFFu, rgb(255, 0, 0));
            partial = partial || alpha(p) < 255;
        }
        EXPECT_TRUE(partial) << "the edge should be smoothed";
    }
}

}  // namespace
}  // namespace qm
