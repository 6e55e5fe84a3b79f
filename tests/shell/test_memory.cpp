// What the program keeps follows what is painted, on any kernel: a layer holds the tiles its
// paint touched and no other, nothing is made for what is only shown, undo and redo leave the
// tiles at what the layers hold, and resident memory grows by what the tiles, the pools and the
// canvas hold. Every byte the program takes is written when it is given out, and a missing tile
// is read from the one zero tile, never from memory that was not written, so resident memory
// can be reckoned whatever the kernel does with pages that are only read.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

#include "raster/buffer_pool.h"
#include "raster/tile_pool.h"
#include "shell/commands/layer_commands.h"
#include "shell/edits.h"
#include "shell_fixture.h"

namespace qm::test {
namespace {

double residentMb() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = -1;
        std::fclose(f);
    } else {
        resident = -1;
    }
    return resident < 0 ? -1 : double(resident) * double(sysconf(_SC_PAGESIZE)) / 1048576.0;
}

double poolHeldMb() {
    const PoolStats b = bufferPoolStats(), t = tilePoolStats();
    return double(b.fromSystem - b.givenBack + t.fromSystem - t.givenBack) / 1048576.0;
}

// A layer's present tiles, and whether each of them holds paint (a tile of zeros is kept by
// no layer: it reads as the missing tile it equals).
struct TileTally {
    size_t present = 0, empty = 0;
    uint64_t sum = 0;  // of every pixel weighted by its place, to tell contents apart
};

TileTally tally(const TiledImage& image) {
    TileTally t;
    for (int ty = 0; ty < image.rows(); ++ty)
        for (int tx = 0; tx < image.columns(); ++tx) {
            if (!image.tile(tx, ty)) continue;
            ++t.present;
            const ConstPixelView view = image.tileView(tx, ty);
            bool paint = false;
            for (int y = view.y; y < view.y + view.height; ++y)
                for (int x = view.x; x < view.x + view.width; ++x) {
                    const uint32_t p = *view.at(x, y);
                    paint |= p != 0;
                    t.sum += uint64_t(p) * uint64_t(1 + y * 4099 + x);
                }
            if (!paint) ++t.empty;
        }
    return t;
}

// The tiles of the navigator's samples: small pictures of the layers, kept between drawings.
size_t navigatorTiles(const App& app) {
    size_t n = 0;
    for (const auto& [id, sample] : app.navigatorCache.layers) n += sample.image.tileCount();
    for (const auto& sample : app.navigatorCache.frames) n += sample.image.tileCount();
    return n;
}

class Memory : public ShellTest {};

TEST_F(Memory, ResidentFollowsWhatIsPainted) {
    const double startMb = residentMb();
    if (startMb < 0) GTEST_SKIP() << "no /proc/self/statm";
    const double startPoolMb = poolHeldMb();
    const size_t startLive = tilePoolStats().live;

    newDocument("3000", "3000");
    while (app.doc.layers.size() < 10) addLayerCommand(app);
    recomposeView(app, false);
    EXPECT_EQ(tilePoolStats().live - startLive, navigatorTiles(app))
        << "an empty document holds no tile";

    // One 200-pixel stroke of a 32-pixel brush on each layer, each on its own rows.
    app.brush.size = 32;
    app.brush.alpha = 255;
    for (size_t i = 0; i < app.doc.layers.size(); ++i) {
        selectLayerRow(app, int(i));
        const int y = 100 + 70 * int(i);
        canvas(CanvasEventType::LeftDown, 100, y);
        canvas(CanvasEventType::Move, 300, y, false, false, true);
        canvas(CanvasEventType::LeftUp, 300, y);
    }
    recomposeView(app, false);
    size_t layerTiles = 0;
    std::vector<TileTally> painted;
    for (const Layer& layer : app.doc.layers) {
        painted.push_back(tally(layer.image));
        EXPECT_GT(painted.back().present, 0u);
        EXPECT_LE(painted.back().present, 12u) << "a 232 x 32 stroke touches at most 6 x 2 tiles";
        EXPECT_EQ(painted.back().empty, 0u);
        layerTiles += painted.back().present;
    }
    // The history keeps what was there before each stroke: nothing.
    EXPECT_EQ(tilePoolStats().live - startLive, layerTiles + navigatorTiles(app));

    // Resident memory grew by the tiles and buffers the pools hold, the canvas and a margin for
    // the program's own records; not by the document's size.
    const auto mb = [](const Image& image) { return double(image.pixels.size()) * 4 / 1048576.0; };
    const double canvasMb = mb(app.canvasImage);
    const double paperMb = mb(app.paperImage8) + mb(app.paperView9) + mb(app.paperImage10);
    const double grownMb = residentMb() - startMb;
    EXPECT_LE(grownMb, poolHeldMb() - startPoolMb + canvasMb + paperMb + 16)
        << "pools " << poolHeldMb() - startPoolMb << " MB, canvas " << canvasMb << " MB, paper "
        << paperMb << " MB";

    // Undone and redone, the layers are as painted and hold the same number of tiles.
    while (app.history.canUndo()) undoCommand(app);
    for (const Layer& layer : app.doc.layers) EXPECT_EQ(layer.image.tileCount(), 0u);
    while (app.history.canRedo()) redoCommand(app);
    size_t redoneTiles = 0;
    for (size_t i = 0; i < app.doc.layers.size(); ++i) {
        const TileTally t = tally(app.doc.layers[i].image);
        EXPECT_EQ(t.present, painted[i].present) << "layer " << i;
        EXPECT_EQ(t.sum, painted[i].sum) << "layer " << i;
        redoneTiles += t.present;
    }
    EXPECT_EQ(tilePoolStats().live - startLive, redoneTiles + navigatorTiles(app));
}

}  // namespace
}  // namespace qm::test
