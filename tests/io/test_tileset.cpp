#include <gtest/gtest.h>

#include "io/tileset.h"

namespace qm {
namespace {

// Every pixel tells where it came from.
Image numbered(int w, int h) {
    Image image = *createImage(w, h, 32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.at(x, y) = rgba(uint32_t(x), uint32_t(y), 7, 255);
    return image;
}

TEST(Tileset, CutsWholeTilesAndLaysThemInReadingOrder) {
    struct Case {
        int w, h, tile, perRow;
        size_t tiles;
        int outW, outH;
    };
    const Case cases[] = {
        {320, 64, 32, 10, 20, 320, 64},
        {100, 100, 32, 2, 9, 64, 160},  // 5 rows, the last half empty; partial tiles dropped
        {31, 31, 32, 10, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const Image source = numbered(c.w, c.h);
        const auto tiles = cutTiles(source, c.tile, c.tile);
        ASSERT_EQ(tiles.size(), c.tiles) << c.w;
        const auto out = composeTileset(tiles, c.perRow, c.tile, c.tile);
        if (c.tiles == 0) {
            EXPECT_FALSE(out);
            continue;
        }
        ASSERT_TRUE(out);
        EXPECT_EQ(out->width, c.outW);
        EXPECT_EQ(out->height, c.outH);
        const int columns = c.w / c.tile;
        for (size_t i = 0; i < c.tiles; ++i) {
            const int sx = int(i) % columns * c.tile, sy = int(i) / columns * c.tile;
            const int ox = int(i) % c.perRow * c.tile, oy = int(i) / c.perRow * c.tile;
            EXPECT_EQ(out->at(ox, oy), source.at(sx, sy)) << i;
            EXPECT_EQ(out->at(ox + c.tile - 1, oy + c.tile - 1),
                      source.at(sx + c.tile - 1, sy + c.tile - 1));
        }
        if (c.w == 320) {
            EXPECT_TRUE(out->pixels == source.pixels);  // the same reading order
        }
    }
    EXPECT_EQ(composeTileset(cutTiles(numbered(100, 100), 32, 32), 2, 32, 32)->at(40, 130), 0u);
    EXPECT_TRUE(cutTiles(numbered(10, 10), 0, 5).empty());
    EXPECT_TRUE(cutTiles(numbered(10, 10), 5, 300).empty());
}

}  // namespace
}  // namespace qm
