#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "raster/rotate.h"
#include "raster/rounding.h"

namespace qm {
namespace {

Image randomTip(int w, int h, unsigned seed) {
    std::mt19937 rng(seed);
    Image img = *createImage(w, h);
    for (uint32_t& p : img.pixels) p = rng();
    return img;
}

uint32_t channel(uint32_t c, int shift) {
    return (c >> shift) & 0xFFu;
}

TEST(RotateTip, SideIsTheDiagonalRoundedUp) {
    struct Case {
        int w, h, n;
    };
    const Case cases[] = {{10, 10, 15}, {3, 4, 5}, {1, 1, 2}, {32, 16, 36}, {1, 7, 8}};
    for (const Case& c : cases)
        for (double degrees : {0.0, 33.0, 90.0, -721.5}) {
            const Image r = rotateTip(randomTip(c.w, c.h, 1), degrees);
            EXPECT_EQ(r.width, c.n) << c.w << "x" << c.h << " " << degrees;
            EXPECT_EQ(r.height, c.n);
            EXPECT_EQ(r.depth, 32);
        }
}

TEST(RotateTip, AtZeroDegreesEachPixelAveragesATwoByTwoBlock) {
    // 10 x 10 into 15 x 15: source position = destination - 2.5, so destination (x, y) averages
    // source columns x-3, x-2 and rows y-3, y-2, reading 0 outside the source.
    const Image src = randomTip(10, 10, 42);
    const Image r = rotateTip(src, 0.0);
    const auto at = [&](int x, int y) { return src.contains(x, y) ? src.at(x, y) : 0u; };
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 15; ++x) {
            uint32_t want = 0;
            for (int shift : {0, 8, 16, 24}) {
                const uint32_t sum =
                    channel(at(x - 3, y - 3), shift) + channel(at(x - 2, y - 3), shift) +
                    channel(at(x - 3, y - 2), shift) + channel(at(x - 2, y - 2), shift);
                want |= uint32_t(roundHalfEven(sum / 4.0)) << shift;
            }
            ASSERT_EQ(r.at(x, y), want) << x << "," << y;
        }
    // Columns and rows 0, 1 and 13, 14 see no source pixel at all.
    EXPECT_EQ(r.at(1, 7), 0u);
    EXPECT_EQ(r.at(7, 14), 0u);
}

TEST(RotateTip, QuarterTurnMovesTheImageAndKeepsUniformAreas) {
    const Image src = randomTip(10, 10, 9);
    const Image r0 = rotateTip(src, 0.0);
    const Image r90 = rotateTip(src, 90.0);
    // At 90 degrees, destination (x, y) samples what (N-1-y, x) samples at 0 degrees, up to the
    // single-precision cosine of 90 degrees (about 4e-8), which can move a half by one.
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 15; ++x)
            for (int shift : {0, 8, 16, 24})
                ASSERT_NEAR(int(channel(r90.at(x, y), shift)),
                            int(channel(r0.at(14 - y, x), shift)), 1)
                    << x << "," << y;

    // A uniform tip stays exactly its colour wherever all four neighbours lie inside it.
    Image flat = *createImage(20, 20);
    std::fill(flat.pixels.begin(), flat.pixels.end(), rgba(12, 34, 56, 255));
    const Image r = rotateTip(flat, 37.0);
    EXPECT_EQ(r.width, 29);
    for (int y = 10; y <= 18; ++y)
        for (int x = 10; x <= 18; ++x) ASSERT_EQ(r.at(x, y), rgba(12, 34, 56, 255));
    EXPECT_EQ(r.at(0, 0), 0u);
}

TEST(RotateTip, APartIsThoseColumnsAndRowsOfTheWholeTurn) {
    // Odd and even sides, a non-square source, sources with a width of 1; angles on and off the
    // axes. Indexes may repeat, run backwards or fall outside the square (transparent there).
    struct Case {
        int w, h;
        double degrees;
    };
    const Case cases[] = {{9, 9, 0.0},  {10, 10, 45.0},  {13, 6, 217.0},
                          {1, 7, 90.0}, {32, 32, 359.0}, {5, 12, -33.5}};
    for (const Case& c : cases) {
        const Image src = randomTip(c.w, c.h, 5);
        const Image whole = rotateTip(src, c.degrees);
        const int n = whole.width;
        ASSERT_EQ(rotatedTipSide(c.w, c.h), n);
        const std::vector<int> columns = {n - 1, 0, 3 % n, -1, n, n / 2, n / 2, 1};
        const std::vector<int> rows = {-5, n / 3, n - 1, 0, n + 2, 2 % n};
        const Image part = rotateTipPart(src, c.degrees, columns, rows);
        ASSERT_EQ(part.width, int(columns.size()));
        ASSERT_EQ(part.height, int(rows.size()));
        for (size_t j = 0; j < rows.size(); ++j)
            for (size_t i = 0; i < columns.size(); ++i) {
                const bool inside = whole.contains(columns[i], rows[j]);
                EXPECT_EQ(part.at(int(i), int(j)), inside ? whole.at(columns[i], rows[j]) : 0u)
                    << c.w << "x" << c.h << " " << c.degrees << " at " << i << "," << j;
            }
    }
    const std::vector<int> none, zero = {0};
    EXPECT_TRUE(rotateTipPart(randomTip(4, 4, 1), 10.0, none, zero).empty());
    EXPECT_TRUE(rotateTipPart(Image{}, 10.0, zero, zero).empty());
    EXPECT_EQ(rotatedTipSide(0, 5), 0);
}

// Blocks that read only tiles of one colour take it without sampling: the same pixels as
// sampling, at block edges, along the shape's border and where single pixels break a tile.
TEST(RotateTip, UniformTilesGiveThePixelsOfSampling) {
    Image tip = *createImage(150, 90);
    std::fill(tip.pixels.begin(), tip.pixels.end(), rgba(40, 50, 60, 0));
    for (int y = 10; y < 80; ++y)
        for (int x = 5; x < 140; ++x) tip.at(x, y) = rgba(200, 10, 30, 255);
    tip.at(70, 45) = rgba(1, 2, 3, 4);  // one odd pixel inside
    tip.at(149, 89) = rgba(9, 9, 9, 9);
    const UniformTiles tiles = uniformTiles(tip);
    ASSERT_EQ(tiles.columns, 10);
    ASSERT_EQ(tiles.rows, 6);
    const int n = rotatedTipSide(150, 90);
    std::vector<int> all(static_cast<size_t>(n)), stretched(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) all[size_t(i)] = i, stretched[size_t(i)] = i * 2 / 3;
    Image scratch;
    for (double degrees : {0.0, 1.0, 30.0, 90.0, 137.0, 270.0, 359.0}) {
        const Image whole = rotateTip(tip, degrees);
        EXPECT_EQ(rotateTipPart(tip, degrees, all, all, &tiles).pixels, whole.pixels) << degrees;
        rotateTipPart(tip, degrees, stretched, all, &tiles, scratch);  // memory reused
        EXPECT_EQ(scratch.pixels, rotateTipPart(tip, degrees, stretched, all).pixels) << degrees;
    }
    // Tiles of another image are not used.
    const UniformTiles other = uniformTiles(*createImage(10, 10));
    EXPECT_EQ(rotateTipPart(tip, 20.0, all, all, &other).pixels, rotateTip(tip, 20.0).pixels);
}

TEST(RotateTip, BadInputGivesEmptyOrTransparentImages) {
    EXPECT_TRUE(rotateTip(Image{}, 30.0).empty());
    const Image nan = rotateTip(randomTip(10, 10, 2), std::nan(""));
    ASSERT_EQ(nan.width, 15);
    for (uint32_t p : nan.pixels) EXPECT_EQ(p, 0u);
    const Image inf = rotateTip(randomTip(4, 4, 2), std::numeric_limits<double>::infinity());
    for (uint32_t p : inf.pixels) EXPECT_EQ(p, 0u);
    // A source whose diagonal exceeds the largest image side cannot be rotated.
    const Image wide = *createImage(kMaxImageSide, 1);
    EXPECT_TRUE(rotateTip(wide, 0.0).empty());
}

}  // namespace
}  // namespace qm
