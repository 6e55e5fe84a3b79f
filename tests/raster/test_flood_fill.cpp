#include <gtest/gtest.h>

#include <climits>
#include <deque>
#include <random>
#include <string>
#include <vector>

#include "raster/flood_fill.h"

namespace qm {
namespace {

constexpr uint32_t kWall = rgba(0, 0, 0, 255);
constexpr uint32_t kOpen = rgba(255, 255, 255, 255);
constexpr uint32_t kInk = rgba(200, 0, 0, 255);

// '#' is a wall pixel, anything else open.
Image fromRows(const std::vector<std::string>& rows) {
    Image img = *createImage(int(rows[0].size()), int(rows.size()));
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) img.at(x, y) = rows[y][x] == '#' ? kWall : kOpen;
    return img;
}

// The region by breadth-first search: the plain definition, for comparison.
std::vector<bool> regionOf(const Image& img, int sx, int sy) {
    std::vector<bool> in(img.pixels.size(), false);
    const uint32_t seed = img.at(sx, sy);
    std::deque<std::pair<int, int>> todo{{sx, sy}};
    in[size_t(sy) * img.width + sx] = true;
    while (!todo.empty()) {
        auto [x, y] = todo.front();
        todo.pop_front();
        for (auto [nx, ny] : {std::pair{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}}) {
            if (!img.contains(nx, ny) || img.at(nx, ny) != seed) continue;
            const size_t i = size_t(ny) * img.width + nx;
            if (!in[i]) in[i] = true, todo.push_back({nx, ny});
        }
    }
    return in;
}

TEST(FloodFill, FillsTheFourConnectedRegionOnly) {
    Image img = fromRows({
        "....#.....",
        ".##.#.###.",
        ".#..#...#.",
        ".#.####.#.",
        ".#......#.",
        ".########.",
        "#........#",
        "..#....#..",
    });
    const Image before = img;
    const Rect r = floodFill(img, 2, 2, solidPaint(kInk, DrawMode::AllChannels));
    const std::vector<bool> in = regionOf(before, 2, 2);
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x)
            EXPECT_EQ(img.at(x, y), in[size_t(y) * img.width + x] ? kInk : before.at(x, y))
                << x << "," << y;
    // The bottom rows touch the region only diagonally, so they stay.
    EXPECT_EQ(img.at(0, 7), kOpen);
    EXPECT_EQ(r, (Rect{0, 0, 10, 6}));
}

TEST(FloodFill, MatchesTheRegionOnRandomImages) {
    std::mt19937 rng(3);
    for (int n = 0; n < 40; ++n) {
        Image img = *createImage(37, 29);
        for (uint32_t& p : img.pixels) p = (rng() % 100 < 38) ? kWall : kOpen;
        const int sx = int(rng() % 37), sy = int(rng() % 29);
        const Image before = img;
        const std::vector<bool> in = regionOf(before, sx, sy);
        // The fill colour may equal the other colour of the picture: the region still ends.
        const uint32_t ink = before.at(sx, sy) == kWall ? kOpen : kWall;
        const Rect r = floodFill(img, sx, sy, solidPaint(ink, DrawMode::AlphaBlend));
        Rect expected;
        for (int y = 0; y < 29; ++y)
            for (int x = 0; x < 37; ++x) {
                const bool inside = in[size_t(y) * 37 + x];
                if (inside) expected = unite(expected, Rect{x, y, 1, 1});
                ASSERT_EQ(img.at(x, y), inside ? ink : before.at(x, y));
            }
        EXPECT_EQ(r, expected);
    }
}

// Wide random rows (runs found eight pixels at a time); the spans announced before painting
// cover exactly the pixels that change.
TEST(FloodFill, WideRowsAndAnnouncedSpans) {
    std::mt19937 rng(5);
    for (int n = 0; n < 20; ++n) {
        const int w = 203, h = 41;
        Image img = *createImage(w, h);
        for (uint32_t& p : img.pixels) p = (rng() % 100 < 30) ? kWall : kOpen;
        const int sx = int(rng() % w), sy = int(rng() % h);
        const Image before = img;
        const std::vector<bool> in = regionOf(before, sx, sy);
        std::vector<bool> announced(size_t(w) * h, false);
        floodFill(img, sx, sy, solidPaint(kInk), [&](const Rect& span) {
            ASSERT_EQ(span.h, 1);
            for (int x = span.x; x < span.right(); ++x) {
                ASSERT_EQ(img.at(x, span.y), before.at(x, span.y));  // not painted yet
                announced[size_t(span.y) * w + x] = true;
            }
        });
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const bool inside = in[size_t(y) * w + x];
                ASSERT_EQ(announced[size_t(y) * w + x], inside) << x << "," << y;
                ASSERT_EQ(img.at(x, y), inside ? kInk : before.at(x, y));
            }
    }
}

TEST(FloodFill, PaintThatKeepsTheSeedColourEnds) {
    struct Case {
        const char* name;
        Paint paint;
    };
    const Case cases[] = {
        {"same colour", solidPaint(kOpen, DrawMode::AllChannels)},
        {"opacity 0", solidPaint(kInk, DrawMode::AlphaBlend, 0)},
        {"transparent ink", solidPaint(rgba(9, 9, 9, 0), DrawMode::AlphaBlend)},
        {"xor with 0", solidPaint(rgba(0, 0, 0, 255), DrawMode::Xor)},
        {"alpha kept", solidPaint(rgba(1, 1, 1, 255), DrawMode::AlphaChannel)},
    };
    for (const Case& c : cases) {
        Image img = *createImage(300, 200);
        std::fill(img.pixels.begin(), img.pixels.end(), kOpen);
        EXPECT_TRUE(floodFill(img, 150, 100, c.paint).empty()) << c.name;
        for (uint32_t p : img.pixels) ASSERT_EQ(p, kOpen) << c.name;
    }
}

TEST(FloodFill, FilterAndGradientPaintEachPixelOnce) {
    Image img = fromRows({"..#..", "..#..", ".....", "#####"});
    int calls = 0;
    const PixelFilter same = [&](int, int, uint32_t, uint32_t t) {
        ++calls;
        return t;  // leaves the region in the seed colour: visited marks must stop the fill
    };
    EXPECT_EQ(floodFill(img, 0, 0, filterPaint(same)), (Rect{0, 0, 5, 3}));
    EXPECT_EQ(calls, 13);

    // A gradient that also passes through the seed colour.
    const Gradient g = verticalGradient(0, 2, kOpen, kInk);
    EXPECT_EQ(floodFill(img, 4, 2, gradientPaint(g)), (Rect{0, 0, 5, 3}));
    EXPECT_EQ(img.at(0, 0), kOpen);
    EXPECT_EQ(img.at(1, 2), kInk);
    EXPECT_EQ(img.at(2, 1), kWall);
    EXPECT_EQ(img.at(0, 3), kWall);
}

TEST(FloodFill, SeedOutsideOrEmptyImageDoesNothing) {
    Image img = *createImage(4, 4);
    for (auto [x, y] : {std::pair{-1, 0}, {4, 0}, {0, 4}, {INT_MIN, INT_MAX}})
        EXPECT_TRUE(floodFill(img, x, y, solidPaint(kInk)).empty());
    for (uint32_t p : img.pixels) EXPECT_EQ(p, 0u);
    Image none;
    EXPECT_TRUE(floodFill(none, 0, 0, solidPaint(kInk)).empty());
}

TEST(FloodFill, LargeSerpentineRegion) {
    // One long corridor winding through every row: the worst shape for a naive fill.
    const int w = 1001, h = 1001;
    Image img = *createImage(w, h);
    std::fill(img.pixels.begin(), img.pixels.end(), kOpen);
    for (int y = 1; y < h; y += 2)
        for (int x = 0; x < w; ++x)
            if (x != ((y / 2) % 2 ? 0 : w - 1)) img.at(x, y) = kWall;
    EXPECT_EQ(floodFill(img, 0, 0, solidPaint(kInk, DrawMode::AllChannels)), (Rect{0, 0, w, h}));
    EXPECT_EQ(img.at(w - 1, h - 1), kInk);
    EXPECT_EQ(img.at(w / 2, 1), kWall);
}

TEST(FloodFill, TwentyFourBitImagesStayOpaque) {
    Image img = *createImage(3, 3, 24);
    floodFill(img, 1, 1, solidPaint(rgb(5, 6, 7), DrawMode::AllChannels));
    for (uint32_t p : img.pixels) EXPECT_EQ(p, rgba(5, 6, 7, 255));
}

}  // namespace
}  // namespace qm
