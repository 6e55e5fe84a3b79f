// The other tools and the adjustments, side by side with their yardsticks, in one run.
//
// Reference scene (as bench_compositing): a 3000 x 3000 document at 100 %, a 1600 x 900 canvas,
// an opaque paper and 10 visible half-transparent layers (Normal, Multiply, Screen, Overlay,
// Darken, twice); the current layer is the top one.
//
// - BM_ComposeFullCanvas: the whole frame from the display images (two threads, wall time), and
//   BM_RecomposeView: the program's full recomposition (the same plus presenting it).
// - BM_ShapeMove/<kind>: one pointer move of a line, box, ellipse or gradient drag from canvas
//   (200, 150), the pointer alternating between (1000, 600) and (1010, 610) (a shape a quarter
//   of the canvas). Goal: <= 1/10 of a full recomposition.
// - BM_FillEmptyLayer: the press of the fill tool on an empty 3000 x 3000 layer, as the program
//   does it (the edit keeping what it covers for undo, the canvas recomposed where it changed);
//   BM_FloodFillEmptyLayer: the raster fill alone; BM_WriteEveryPixel: writing every pixel of the
//   layer once. Goal: <= 4 x.
// - BM_BrightnessPreviewStep: one move of the brightness slider (the canvas recomposed with the
//   current layer shown adjusted). Goal: <= 2 x a full recomposition.
// - BM_Adjust/<invert|grey|brightness>: the adjustment of a 3000 x 3000 layer (brightness at
//   200, and at 105 where the vector path multiplies in double precision);
//   BM_AdjustOneThread/<...>: the same on one thread (compare CPU times);
//   BM_AdjustTiles/<...>: the same on the layer as tiles;
//   BM_AdjustCommand/<...>: the menu command (the edit keeping the layer for undo, the view), on
//   the top layer and (3..5) on an empty one;
//   BM_ReadWriteEveryPixel: reading and writing every pixel of the layer once. Goal: <= 3 x.
// The machine is shared while these run; compare ratios within one run only.
#include <benchmark/benchmark.h>

#include "bench_support.h"

#include <cstring>
#include <memory>

#include "document/compositing.h"
#include "document/document_ops.h"
#include "filters/adjustments.h"
#include "platform/fake_ui.h"
#include "platform/random.h"
#include "raster/flood_fill.h"
#include "raster/shapes.h"
#include "shell/app.h"
#include "shell/commands/adjust_commands.h"
#include "shell/commands/tool_commands.h"
#include "shell/edits.h"
#include "shell/events.h"
#include "shell/ids.h"
#include "shell/panels/brush_fields.h"
#include "shell/view/canvas_frame.h"
#include "shell/view/layer_preview.h"
#include "shell/windows/about_box.h"
#include "shell/windows/animation_options_dialog.h"
#include "shell/windows/brightness_dialog.h"
#include "shell/windows/brush_animated.h"
#include "shell/windows/brush_editor.h"
#include "shell/windows/dialog_controls.h"
#include "shell/windows/new_document_dialog.h"
#include "shell/windows/preferences_dialog.h"
#include "shell/windows/size_dialog.h"
#include "shell/windows/window_list.h"

namespace qm {
namespace {

using namespace bench;  // the reference scene and the test images

// The layers and paper of the reference scene, made once.
struct SceneImages {
    std::vector<Image> layers;
    Image paper;
    SceneImages() {
        paper = opaqueRandom(kDoc, kDoc, 99, 24);
        for (int i = 0; i < 10; ++i)
            layers.push_back(halfTransparent(kDoc, kDoc, uint64_t(10 + i)));
    }
};

const SceneImages& sceneImages() {
    static const SceneImages images;
    return images;
}

// The reference scene in an App with the fake Ui, composed once.
struct ToolScene {
    FakeUi ui;
    std::unique_ptr<App> app;

    explicit ToolScene(bool emptyTop = false) {
        ui.setCanvasSize(kCanvasW, kCanvasH);
        app = std::make_unique<App>(ui);
        const SceneImages& images = sceneImages();
        Document& doc = app->doc;
        doc.Width = kDoc;
        doc.Height = kDoc;
        app->viewState.Zoom = 100;
        app->prefs.grid = 0;
        app->history.setLimits(8, size_t(2) << 30);
        for (int i = 0; i < 10; ++i) {
            Layer layer;
            layer.image = images.layers[size_t(i)];
            if (emptyTop && i == 9) {  // an empty layer
                layer.image = *TiledImage::create(kDoc, kDoc);
            }
            layer.Blendmode = uint8_t(kSceneModes[i]);
            layer.Position = uint8_t(i + 1);
            layer.id = takeLayerId(doc);
            doc.layers.push_back(std::move(layer));
        }
        doc.layers.back().Selected = 1;
        app->paperImage8 = images.paper;
        app->paperView9 = images.paper;
        app->brush.selectedColor = rgba(200, 30, 60, 255);
        app->brush.alpha = 255;
        app->iface.backgroundColor = rgba(20, 90, 240, 255);
        rebuildAllDisplayImages(*app);
        recomposeView(*app, false);
    }
};

CanvasEvent pointer(CanvasEventType type, int x, int y) {
    CanvasEvent e;
    e.type = type;
    e.x = x;
    e.y = y;
    e.leftHeld = type == CanvasEventType::Move;
    return e;
}

void BM_ComposeFullCanvas(benchmark::State& state) {
    ToolScene scene;
    App& app = *scene.app;
    const CanvasScene s{app.doc, app.view, app.paperView9, 0, 0, 0x969696u, GridSettings{}};
    for (auto _ : state) {
        composeCanvas(app.canvasImage, s, Rect{0, 0, kCanvasW, kCanvasH});
        benchmark::DoNotOptimize(app.canvasImage.pixels.data());
    }
    setCounters(state, int64_t(kCanvasW) * kCanvasH);
}

void BM_RecomposeView(benchmark::State& state) {
    ToolScene scene;
    for (auto _ : state) {
        recomposeView(*scene.app, false);
        benchmark::DoNotOptimize(scene.app->canvasImage.pixels.data());
    }
    setCounters(state, int64_t(kCanvasW) * kCanvasH);
}

void BM_ShapeMove(benchmark::State& state) {
    const Cmd tools[] = {Cmd::Line, Cmd::Box, Cmd::Ellipse, Cmd::Gradient};
    const Cmd tool = tools[state.range(0)];
    ToolScene scene;
    App& app = *scene.app;
    onMenuCommand(app, id(tool));
    onCanvasEvent(app, pointer(CanvasEventType::LeftDown, 200, 150));
    int step = 0;
    for (auto _ : state) {
        const int d = (step++ & 1) * 10;
        onCanvasEvent(app, pointer(CanvasEventType::Move, 1000 + d, 600 + d));
    }
    onCanvasEvent(app, pointer(CanvasEventType::LeftUp, 1000, 600));
    const char* names[] = {"line", "box", "ellipse", "gradient"};
    state.SetLabel(names[state.range(0)]);
}

void BM_FillEmptyLayer(benchmark::State& state) {
    ToolScene scene(true);
    App& app = *scene.app;
    onMenuCommand(app, id(Cmd::FillTool));
    TiledImage& layer = currentLayer(app.doc)->image;
    for (auto _ : state) {
        onCanvasEvent(app, pointer(CanvasEventType::LeftDown, 10, 10));
        state.PauseTiming();  // the release only ends the step and redraws the view again
        onCanvasEvent(app, pointer(CanvasEventType::LeftUp, 10, 10));
        startHistory(app);
        layer.clear();
        state.ResumeTiming();
    }
    setCounters(state, int64_t(kDoc) * kDoc);
}

void BM_FloodFillEmptyLayer(benchmark::State& state) {
    Image layer = *createImage(kDoc, kDoc);
    std::fill(layer.pixels.begin(), layer.pixels.end(), 0u);
    for (auto _ : state) {
        floodFill(layer, 10, 10, solidPaint(rgba(200, 30, 60, 255)));
        state.PauseTiming();
        std::fill(layer.pixels.begin(), layer.pixels.end(), 0u);
        state.ResumeTiming();
    }
    setCounters(state, int64_t(kDoc) * kDoc);
}

void BM_WriteEveryPixel(benchmark::State& state) {
    Image layer = *createImage(kDoc, kDoc);
    std::fill(layer.pixels.begin(), layer.pixels.end(), 0u);
    uint32_t value = 1;
    for (auto _ : state) {
        std::fill(layer.pixels.begin(), layer.pixels.end(), value++);
        benchmark::DoNotOptimize(layer.pixels.data());
    }
    setCounters(state, int64_t(kDoc) * kDoc);
}

void BM_BrightnessPreviewStep(benchmark::State& state) {
    ToolScene scene;
    App& app = *scene.app;
    openBrightnessDialog(app);
    int step = 0;
    for (auto _ : state) previewBrightness(app, (step++ & 1) ? 200 : 100);
    setCounters(state, int64_t(kCanvasW) * kCanvasH);
}

// Cases 0..2 are the adjustments (brightness at 200); case 3 is brightness at 105, one of the
// values whose single-precision product is not exact (the double-precision vector path).
constexpr const char* kAdjustNames[] = {"brightness", "invert", "grey", "brightness 105"};
Adjustment adjustmentOf(int64_t index) {
    return index == 3 ? Adjustment::Brightness : Adjustment(index);
}
int brightnessOf(int64_t index) {
    return index == 3 ? 105 : 200;
}

void BM_Adjust(benchmark::State& state) {
    const auto adjustment = adjustmentOf(state.range(0));
    const int value = brightnessOf(state.range(0));
    Image layer = sceneImages().layers[0];
    for (auto _ : state) {
        adjustImage(layer, Rect{0, 0, kDoc, kDoc}, adjustment, value);
        benchmark::DoNotOptimize(layer.pixels.data());
    }
    state.SetLabel(kAdjustNames[state.range(0)]);
    setCounters(state, int64_t(kDoc) * kDoc);
}

// The same on the layer as tiles (adjustTiles: present tiles on two threads).
void BM_AdjustTiles(benchmark::State& state) {
    const auto adjustment = adjustmentOf(state.range(0));
    const int value = brightnessOf(state.range(0));
    TiledImage layer = tiledFrom(sceneImages().layers[0]);
    adjustTiles(layer, adjustment, value, Rect{0, 0, kDoc, kDoc});  // every tile made unique
    FaultCounter faults;
    for (auto _ : state) {
        adjustTiles(layer, adjustment, value, Rect{0, 0, kDoc, kDoc});
        benchmark::DoNotOptimize(&layer);
    }
    faults.report(state, double(layer.tileCount()) * kTileSide * kTileSide * 4);
    state.SetLabel(kAdjustNames[state.range(0)]);
    setCounters(state, int64_t(kDoc) * kDoc);
}

// The same on one thread, row by row, for a like-for-like look at the CPU time.
void BM_AdjustOneThread(benchmark::State& state) {
    const auto adjustment = adjustmentOf(state.range(0));
    Image layer = sceneImages().layers[0];
    const BrightnessTable table = brightnessTable(brightnessOf(state.range(0)));
    for (auto _ : state) {
        for (int y = 0; y < kDoc; ++y) {
            uint32_t* row = layer.row(y);
            switch (adjustment) {
                case Adjustment::Brightness:
                    brightnessRow(row, kDoc, table);
                    break;
                case Adjustment::Invert:
                    invertRow(row, kDoc);
                    break;
                case Adjustment::Grey:
                    greyRow(row, kDoc);
                    break;
            }
        }
        benchmark::DoNotOptimize(layer.pixels.data());
    }
    state.SetLabel(kAdjustNames[state.range(0)]);
    setCounters(state, int64_t(kDoc) * kDoc);
}

// Cases 3..5: the same commands on an empty top layer (no tile to adjust).
void BM_AdjustCommand(benchmark::State& state) {
    const auto adjustment = Adjustment(state.range(0) % 3);
    ToolScene scene(state.range(0) >= 3);
    App& app = *scene.app;
    FaultCounter faults;
    for (auto _ : state) {
        switch (adjustment) {
            case Adjustment::Brightness:
                applyBrightness(app, 200);
                break;
            case Adjustment::Invert:
                inverseColors(app);
                break;
            case Adjustment::Grey:
                colorToGrey(app);
                break;
        }
        state.PauseTiming();
        faults.pause();
        startHistory(app);  // the kept layers are freed outside the timing
        faults.resume();
        state.ResumeTiming();
    }
    faults.report(state,
                  double(app.doc.layers.back().image.tileCount()) * kTileSide * kTileSide * 4);
    const char* names[] = {
        "brightness",          "invert",           "grey", "brightness, empty layer",
        "invert, empty layer", "grey, empty layer"};
    state.SetLabel(names[state.range(0)]);
    setCounters(state, int64_t(kDoc) * kDoc);
}

void BM_ReadWriteEveryPixel(benchmark::State& state) {
    Image layer = sceneImages().layers[0];
    for (auto _ : state) {
        uint32_t* p = layer.pixels.data();
        const size_t n = layer.pixels.size();
        for (size_t i = 0; i < n; ++i) p[i] ^= 0x00FFFFFFu;
        benchmark::DoNotOptimize(layer.pixels.data());
    }
    setCounters(state, int64_t(kDoc) * kDoc);
}

BENCHMARK(BM_ComposeFullCanvas)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RecomposeView)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ShapeMove)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FillEmptyLayer)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FloodFillEmptyLayer)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WriteEveryPixel)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BrightnessPreviewStep)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Adjust)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AdjustTiles)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AdjustOneThread)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AdjustCommand)->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadWriteEveryPixel)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace qm

BENCHMARK_MAIN();
