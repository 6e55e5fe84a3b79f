// The canvas compositor against pixman, in one run.
//
// Reference scene: a 3000 x 3000 document at 100 %, a 1600 x 900 canvas showing its top-left
// corner, an opaque paper and 10 visible layers (Normal, Multiply, Screen, Overlay, Darken, each
// twice, in that order), every layer half transparent: alternating runs of 64 transparent and 64
// visible pixels along each row, shifted by 32 pixels per row; visible pixels have random
// colours, a quarter opaque, the rest at a random alpha. The grid is off.
//
// - BM_ComposeFullCanvas: the whole 1600 x 900 frame from the display images, as the program
//   composes it (two threads; wall time). BM_ComposeFullCanvasOneThread: the same on one thread.
//   BM_PixmanOverFrame: the same number of PIXMAN_OP_OVER composites (paper + 10 layers = 11) of
//   1600 x 900 images of the same kind onto one 1600 x 900 image. Goal: ours <= 1.2 x pixman.
// - BM_ComposeSparseScene: the full frame of the same scene where each layer holds one stroke
//   and no other tile: display tiles over missing layer tiles are neither made nor drawn where
//   that leaves the canvas exact.
// - BM_ComposeRegion64: a 64 x 64 rectangle of the same frame. Goal: >= 50 x faster than full.
// - BM_BlendModeDraw/<mode>: a 1920 x 1080 display image of that mode (built from a
//   half-transparent layer by the display rebuild) drawn onto an opaque canvas.
//   BM_PixmanMode/<op>: pixman's OVER and separable modes with the same layer as source.
//   Goals: ours <= 2 x pixman OVER per pixel and >= 3 x faster than pixman's mode of the same
//   family (Multiply: MULTIPLY, Add: COLOR_DODGE, Screen: SCREEN, Overlay and ClearLight:
//   OVERLAY, Color Burn and ColorLight: COLOR_BURN, Difference: DIFFERENCE, Exclusion:
//   EXCLUSION, Lighten: LIGHTEN, Darken: DARKEN, HardLight: HARD_LIGHT).
// - BM_ApplyZoomTo50: ApplyZoom of the reference scene from 100 % to 50 % (brush tips, the
//   display tiles of the ten layers under the canvas, the paper view, the redraw).
//   BM_MemcpyTenLayers: copying the ten 3000 x 3000 layer images once. Goal: <= 3 x.
// Each iteration that changes its target restores it first, untimed. ns_per_px is per CPU time.
// BM_ComposeFullCanvas, BM_ComposeRegion64 and BM_ApplyZoomTo50 run once before the timed loop
// and report the minor page faults of the loop (faults_per_iter, faults_per_64KB): fresh memory
// the step takes, which costs more on some machines than on others.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include "bench_support.h"

#include <cstring>
#include <memory>
#include <vector>

#include "document/blend_modes.h"
#include "document/compositing.h"
#include "document/document_ops.h"
#include "platform/fake_ui.h"
#include "platform/random.h"
#include "raster/alpha_blend.h"
#include "shell/app.h"
#include "shell/commands/zoom_commands.h"
#include "shell/events.h"
#include "shell/panels/view_position.h"
#include "shell/view/view.h"

namespace qm {
namespace {

using namespace bench;  // the reference scene and the test images

// The reference scene's document, built once for all benchmarks that use it.
struct ReferenceScene {
    Document doc;
    mutable ViewCache view;  // the compositor makes the tiles it shows on the first frame
    Image paper;             // image 9 at 100 %: the document-size paper

    ReferenceScene() {
        doc.Width = kDoc;
        doc.Height = kDoc;
        paper = opaqueRandom(kDoc, kDoc, 99, 24);
        for (int i = 0; i < 10; ++i) {
            Layer layer;
            layer.image = halfTransparent(kDoc, kDoc, uint64_t(10 + i));
            layer.Blendmode = uint8_t(kSceneModes[i]);
            layer.Position = uint8_t(i + 1);
            layer.id = takeLayerId(doc);
            doc.layers.push_back(std::move(layer));
        }
        resetDisplays(doc.layers, 100, view);
    }
    CanvasScene scene() const { return {doc, view, paper, 0, 0, 0x969696u, GridSettings{}}; }
};

const ReferenceScene& referenceScene() {
    static const ReferenceScene scene;
    return scene;
}

void composeArea(benchmark::State& state, const Rect& area, int threads = 2) {
    const ReferenceScene& ref = referenceScene();
    Image canvas = *createImage(kCanvasW, kCanvasH);
    composeCanvas(canvas, ref.scene(), area, threads);  // warm-up: the tiles under the area
    FaultCounter faults;
    for (auto _ : state) {
        composeCanvas(canvas, ref.scene(), area, threads);
        benchmark::DoNotOptimize(canvas.pixels.data());
    }
    faults.report(state, double(area.w) * area.h * 4);
    setCounters(state, int64_t(area.w) * area.h);
}

void BM_ComposeFullCanvas(benchmark::State& state) {
    composeArea(state, Rect{0, 0, kCanvasW, kCanvasH});
}

void BM_ComposeFullCanvasOneThread(benchmark::State& state) {
    composeArea(state, Rect{0, 0, kCanvasW, kCanvasH}, 1);
}

void BM_ComposeRegion64(benchmark::State& state) {
    composeArea(state, Rect{800, 400, 64, 64});
}

// The reference scene with sparse layers: each of the ten holds one stroke, 200 pixels long and
// 21 wide, across the canvas, and no other tile.
struct SparseScene {
    Document doc;
    mutable ViewCache view;
    Image paper;

    SparseScene() {
        doc.Width = kDoc;
        doc.Height = kDoc;
        paper = referenceScene().paper;
        Random rnd(7);
        for (int i = 0; i < 10; ++i) {
            Layer layer;
            layer.image = *TiledImage::create(kDoc, kDoc);
            const int x0 = 100 + 130 * i, y0 = 80 + 75 * i;
            for (int y = y0 - 10; y <= y0 + 10; ++y)
                for (int x = x0; x < x0 + 200; ++x)
                    layer.image.at(x, y) = (rnd.next() & 0x00FFFFFFu) | 0xC0000000u;
            layer.Blendmode = uint8_t(kSceneModes[i]);
            layer.Position = uint8_t(i + 1);
            layer.id = takeLayerId(doc);
            doc.layers.push_back(std::move(layer));
        }
        resetDisplays(doc.layers, 100, view);
    }
    CanvasScene scene() const { return {doc, view, paper, 0, 0, 0x969696u, GridSettings{}}; }
};

// The full canvas of the sparse scene: display tiles over missing layer tiles are not made and
// are skipped where that leaves the canvas exact (against BM_ComposeFullCanvas).
void BM_ComposeSparseScene(benchmark::State& state) {
    static const SparseScene sparse;
    Image canvas = *createImage(kCanvasW, kCanvasH);
    composeCanvas(canvas, sparse.scene(), Rect{0, 0, kCanvasW, kCanvasH});
    FaultCounter faults;
    for (auto _ : state) {
        composeCanvas(canvas, sparse.scene(), Rect{0, 0, kCanvasW, kCanvasH});
        benchmark::DoNotOptimize(canvas.pixels.data());
    }
    faults.report(state, double(kCanvasW) * kCanvasH * 4);
    state.counters["display_tiles"] = double(sparse.view.tileCount());
    setCounters(state, int64_t(kCanvasW) * kCanvasH);
}

void BM_PixmanOverFrame(benchmark::State& state) {
    std::vector<std::vector<uint32_t>> sources;
    sources.push_back(premultiplied(opaqueRandom(kCanvasW, kCanvasH, 99)));
    for (int i = 0; i < 10; ++i)
        sources.push_back(premultiplied(halfTransparent(kCanvasW, kCanvasH, uint64_t(10 + i))));
    std::vector<pixman_image_t*> images;
    for (auto& s : sources)
        images.push_back(
            pixman_image_create_bits(PIXMAN_a8r8g8b8, kCanvasW, kCanvasH, s.data(), kCanvasW * 4));
    std::vector<uint32_t> dst(size_t(kCanvasW) * kCanvasH, 0xFF969696u);
    pixman_image_t* d =
        pixman_image_create_bits(PIXMAN_a8r8g8b8, kCanvasW, kCanvasH, dst.data(), kCanvasW * 4);
    for (auto _ : state) {
        for (pixman_image_t* s : images)
            pixman_image_composite32(PIXMAN_OP_OVER, s, nullptr, d, 0, 0, 0, 0, 0, 0, kCanvasW,
                                     kCanvasH);
        benchmark::DoNotOptimize(dst.data());
    }
    for (pixman_image_t* s : images) pixman_image_unref(s);
    pixman_image_unref(d);
    setCounters(state, int64_t(kCanvasW) * kCanvasH);
}

constexpr int kModeW = 1920, kModeH = 1080;

const Image& modeLayerImage() {
    static const Image image = halfTransparent(kModeW, kModeH, 5);
    return image;
}

void BM_BlendModeDraw(benchmark::State& state) {
    const int mode = int(state.range(0));
    Layer layer;
    layer.image = modeLayerImage();
    layer.Blendmode = uint8_t(mode);
    Image display;
    buildDisplayImage(layer, 100, display);
    const Image pristine = opaqueRandom(kModeW, kModeH, 6);
    Image canvas = pristine;
    std::vector<uint8_t> noise(kModeW);
    std::vector<int> docX(kModeW);  // the compositor maps display columns to document columns once
    for (int x = 0; x < kModeW; ++x) docX[size_t(x)] = x;
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(canvas.pixels.data(), pristine.pixels.data(), pristine.pixels.size() * 4);
        state.ResumeTiming();
        for (int y = 0; y < kModeH; ++y) {
            if (mode == 7) {  // Dissolve draws with the noise of each document pixel
                dissolveNoiseRow(docX.data(), y, noise.data(), kModeW);
                dissolveRow(canvas.row(y), display.row(y), noise.data(), kModeW, 255);
            } else {
                blendRow(mode, canvas.row(y), display.row(y), kModeW, 255);
            }
        }
        benchmark::DoNotOptimize(canvas.pixels.data());
    }
    state.SetLabel(blendMode(mode).name);
    setCounters(state, int64_t(kModeW) * kModeH);
}

void BM_PixmanMode(benchmark::State& state) {
    const auto op = pixman_op_t(state.range(0));
    std::vector<uint32_t> src = premultiplied(modeLayerImage());
    const std::vector<uint32_t> pristine = premultiplied(opaqueRandom(kModeW, kModeH, 6));
    std::vector<uint32_t> dst = pristine;
    pixman_image_t* s =
        pixman_image_create_bits(PIXMAN_a8r8g8b8, kModeW, kModeH, src.data(), kModeW * 4);
    pixman_image_t* d =
        pixman_image_create_bits(PIXMAN_a8r8g8b8, kModeW, kModeH, dst.data(), kModeW * 4);
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(dst.data(), pristine.data(), pristine.size() * 4);
        state.ResumeTiming();
        pixman_image_composite32(op, s, nullptr, d, 0, 0, 0, 0, 0, 0, kModeW, kModeH);
        benchmark::DoNotOptimize(dst.data());
    }
    pixman_image_unref(s);
    pixman_image_unref(d);
    setCounters(state, int64_t(kModeW) * kModeH);
}

// The App of the reference scene at 100 %, for ApplyZoom.
struct ZoomScene {
    FakeUi ui;
    std::unique_ptr<App> app;

    ZoomScene() {
        ui.setCanvasSize(kCanvasW, kCanvasH);
        app = std::make_unique<App>(ui);
        const ReferenceScene& ref = referenceScene();
        app->doc.Width = kDoc;
        app->doc.Height = kDoc;
        app->viewState.Zoom = 100;
        app->prefs.grid = 0;
        for (const Layer& layer : ref.doc.layers) app->doc.layers.push_back(layer);
        app->doc.layers.back().Selected = 1;
        app->workImage3 = *TiledImage::create(kDoc, kDoc);
        app->paperImage8 = ref.paper;
        app->paperView9 = ref.paper;
    }
};

void BM_ApplyZoomTo50(benchmark::State& state) {
    ZoomScene scene;
    App& app = *scene.app;
    setZoomAndApply(app, 50);  // warm-up: one round of the tiles and buffers the change makes
    FaultCounter faults;
    for (auto _ : state) {
        state.PauseTiming();
        faults.pause();
        setZoomAndApply(app, 100);
        faults.resume();
        state.ResumeTiming();
        setZoomAndApply(app, 50);
        benchmark::DoNotOptimize(app.canvasImage.pixels.data());
    }
    // Written: the display tiles of the ten layers under the canvas at 50 % (the document shows
    // 1500 x 900 of the canvas), the paper view (1500 x 1500) and the canvas.
    faults.report(state, (10.0 * 1500 * 900 + 1500.0 * 1500 + double(kCanvasW) * kCanvasH) * 4);
    setCounters(state, int64_t(kDoc) * kDoc * 10);
}

void BM_MemcpyTenLayers(benchmark::State& state) {
    const ReferenceScene& ref = referenceScene();
    std::vector<std::vector<uint32_t>> copies(10, std::vector<uint32_t>(size_t(kDoc) * kDoc));
    // The layers' pixels as ten whole, warm vectors, copied from one to another.
    std::vector<std::vector<uint32_t>> layers;
    for (size_t i = 0; i < 10; ++i) {
        const Image whole = ref.doc.layers[i].image.toImage();
        layers.emplace_back(whole.pixels.begin(), whole.pixels.end());
    }
    for (auto _ : state) {
        for (size_t i = 0; i < 10; ++i)
            std::memcpy(copies[i].data(), layers[i].data(), copies[i].size() * 4);
        benchmark::DoNotOptimize(copies[9].data());
    }
    setCounters(state, int64_t(kDoc) * kDoc * 10);
}

BENCHMARK(BM_ComposeFullCanvas)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ComposeFullCanvasOneThread)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ComposeSparseScene)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PixmanOverFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ComposeRegion64)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BlendModeDraw)->DenseRange(0, kBlendModeCount - 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PixmanMode)
    ->Arg(PIXMAN_OP_OVER)
    ->Arg(PIXMAN_OP_MULTIPLY)
    ->Arg(PIXMAN_OP_SCREEN)
    ->Arg(PIXMAN_OP_OVERLAY)
    ->Arg(PIXMAN_OP_DARKEN)
    ->Arg(PIXMAN_OP_LIGHTEN)
    ->Arg(PIXMAN_OP_COLOR_DODGE)
    ->Arg(PIXMAN_OP_COLOR_BURN)
    ->Arg(PIXMAN_OP_HARD_LIGHT)
    ->Arg(PIXMAN_OP_DIFFERENCE)
    ->Arg(PIXMAN_OP_EXCLUSION)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplyZoomTo50)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MemcpyTenLayers)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qm

BENCHMARK_MAIN();
