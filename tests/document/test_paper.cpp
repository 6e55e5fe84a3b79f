#include <gtest/gtest.h>

#include <string>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "codecs/codecs.h"
#include "document/paper.h"
#include "document/paper_view.h"
#include "platform/random.h"
#include "raster/draw_mode.h"
#include "raster/image_ops.h"
#include "support/temp_folder.h"

namespace qm {
namespace {

TEST(Paper, TileGridCountsTheInclusiveLastRowAndColumn) {
    struct Case {
        int width, height, tileW, tileH, columns, rows;
    };
    const Case cases[] = {
        {1000, 500, 300, 200, 5, 4},
        {600, 400, 300, 200, 3, 3},  // exact multiples still get one more row and column
        {100, 100, 300, 200, 2, 2},  // a tile larger than the paper
        {1, 1, 1, 1, 2, 2},
        {100, 100, 0, 5, 0, 0},  // empty tile or paper: nothing is laid
        {0, 100, 5, 5, 0, 0},
    };
    for (const Case& c : cases) {
        const PaperTileGrid grid = paperTileGrid(c.width, c.height, c.tileW, c.tileH);
        EXPECT_EQ(grid.columns, c.columns) << c.width << "x" << c.height;
        EXPECT_EQ(grid.rows, c.rows) << c.width << "x" << c.height;
    }
}

TEST(Paper, TextureTilesTheFileOverBlack) {
    // A 3 x 2 tile of distinct colours, some half transparent, so a misplaced or overlapping
    // tile shows.
    Image tile = *createImage(3, 2, 32);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            tile.at(x, y) = rgba(40 * x + 10, 100 * y + 20, 7 * (x + y), x == 1 ? 128 : 255);
    const auto paper = buildTexturePaper(10, 5, &tile);
    ASSERT_TRUE(paper);
    EXPECT_EQ(paper->depth, 24);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_EQ(paper->at(x, y), overPixel(tile.at(x % 3, y % 2), rgba(0, 0, 0, 255), 255))
                << x << "," << y;
}

TEST(Paper, WithoutATileThePaperIsBlackAndAbsurdSizesAreRefused) {
    const auto paper = buildTexturePaper(6, 4, nullptr);
    ASSERT_TRUE(paper);
    for (uint32_t pixel : paper->pixels) EXPECT_EQ(pixel, rgba(0, 0, 0, 255));
    Image empty;
    EXPECT_TRUE(buildTexturePaper(6, 4, &empty));
    EXPECT_FALSE(buildTexturePaper(100000, 100000, nullptr));
    EXPECT_FALSE(buildTexturePaper(0, 4, nullptr));
}

// The paper read by rows at any zoom has the bits of the document-size texture paper resized
// to the view: over document sizes, tile sizes (larger than the paper too, with translucent
// pixels) and zooms, on random rectangles read with and without the prepared columns.
TEST(Paper, ViewRowsEqualTheResizedWholePaper) {
    struct Size {
        int w, h;
    };
    const Size documents[] = {{37, 23}, {64, 64}, {101, 7}, {5, 90}};
    const Size tiles[] = {{0, 0}, {1, 1}, {3, 2}, {16, 16}, {50, 9}, {130, 120}};
    const int zooms[] = {10, 33, 50, 100, 266, 1000, 3200};
    Random random(17);
    for (const Size& t : tiles) {
        Image tile;
        if (t.w > 0) {
            tile = *createImage(t.w, t.h, 32);
            for (uint32_t& p : tile.pixels) p = random.next() | (random(2) == 0 ? 0xFF000000u : 0);
        }
        for (const Size& d : documents) {
            const Image whole = *buildTexturePaper(d.w, d.h, t.w > 0 ? &tile : nullptr);
            const PaperTexture texture(d.w, d.h, t.w > 0 ? &tile : nullptr);
            ASSERT_EQ(texture.width(), d.w);
            for (int y = 0; y < d.h; ++y)
                for (int x = 0; x < d.w; ++x)
                    ASSERT_EQ(texture.pixel(x, y), whole.at(x, y)) << x << "," << y;
            for (const int zoom : zooms) {
                PaperView view(texture, zoom);
                const int w = int(int64_t(d.w) * zoom / 100), h = int(int64_t(d.h) * zoom / 100);
                if (w <= 0 || h <= 0) {
                    EXPECT_TRUE(view.empty());
                    continue;
                }
                ASSERT_EQ(view.width(), w);
                ASSERT_EQ(view.height(), h);
                const Image expected = *resizeNearest(whole, w, h);
                const std::string where = std::to_string(d.w) + "x" + std::to_string(d.h) +
                                          " tile " + std::to_string(t.w) + " at " +
                                          std::to_string(zoom) + "%";
                for (int round = 0; round < 6; ++round) {
                    // Random's bounds are inclusive.
                    const int x0 = random(w - 1), y0 = random(h - 1);
                    const int n = 1 + random(w - x0 - 1), rows = 1 + random(h - y0 - 1);
                    if (round % 2) {
                        const int from = x0 - random(x0);
                        view.prepareColumns(from, x0 + n - from + random(w - x0 - n));
                    }
                    std::vector<uint32_t> row(static_cast<size_t>(n));
                    for (int y = y0; y < y0 + rows; ++y) {
                        view.readRow(y, x0, n, row.data());
                        for (int i = 0; i < n; ++i)
                            ASSERT_EQ(row[size_t(i)], expected.at(x0 + i, y))
                                << where << " at " << x0 + i << "," << y;
                    }
                }
            }
        }
    }
}

TEST(Paper, CheckerboardAlternatesAcrossRows) {
    Image board = *createImage(500, 500, 32);
    drawCheckerboard(board);
    const uint32_t light = rgba(255, 255, 255, 255), dark = rgba(192, 192, 192, 255);
    EXPECT_EQ(board.at(0, 0), light);
    EXPECT_EQ(board.at(7, 7), light);
    EXPECT_EQ(board.at(8, 0), dark);
    EXPECT_EQ(board.at(0, 8), dark);  // the next row starts with the other grey
    EXPECT_EQ(board.at(8, 8), light);
    EXPECT_EQ(board.at(487, 487), light);  // square (60, 60)
    EXPECT_EQ(board.at(488, 0), 0u);       // beyond the 61 squares nothing is drawn
    EXPECT_EQ(board.at(0, 499), 0u);
    Image small = *createImage(5, 5, 32);  // clipped to a small image
    drawCheckerboard(small);
    EXPECT_EQ(small.at(4, 4), light);
}

TEST(Paper, PresetIndicesStayWithinTheSet) {
    EXPECT_EQ(presetPaperPath(7), "presets\\paper\\paper7.png");
    EXPECT_EQ(nextPaperIndex(0), 1);
    EXPECT_EQ(nextPaperIndex(kLastPaperIndex), kLastPaperIndex);
    // Stepping back stops at 2: only an index above 2 decreases.
    EXPECT_EQ(previousPaperIndex(0), 0);
    EXPECT_EQ(previousPaperIndex(1), 1);
    EXPECT_EQ(previousPaperIndex(2), 2);
    EXPECT_EQ(previousPaperIndex(3), 2);
}

TEST(Paper, LoadingReportsMissingAndBadFiles) {
    namespace fs = std::filesystem;
    const test::TempFolder folder("qm_test_paper");
    const fs::path& dir = folder.path;
    fs::create_directories(dir / "Presets" / "Paper");
    std::string error;
    EXPECT_FALSE(loadPaperTile((dir / "none.png").string(), error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(loadPaperTile("", error));

    const fs::path bad = dir / "bad.png";
    std::ofstream(bad) << "not an image";
    error.clear();
    EXPECT_FALSE(loadPaperTile(bad.string(), error));
    EXPECT_FALSE(error.empty());

    // Stored paths use "\" and another letter case.
    Image tile = *createImage(2, 2, 32);
    tile.at(1, 0) = rgba(1, 2, 3, 255);
    ASSERT_TRUE(savePngFile(tile, (dir / "Presets" / "Paper" / "paper3.png").string(), error));
    const auto loaded = loadPaperTile(dir.string() + "\\presets\\paper\\PAPER3.png", error);
    ASSERT_TRUE(loaded) << error;
    EXPECT_EQ(loaded->at(1, 0), rgba(1, 2, 3, 255));
}

}  // namespace
}  // namespace qm
