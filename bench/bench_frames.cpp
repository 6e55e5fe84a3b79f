// Frames of an animation on the reference scene (3000 x 3000, ten layers in five blend modes,
// a 1600 x 900 canvas): a step to the next frame with the Animation menu's key against one full
// recomposition of the canvas, and the reference segment (200 pixels of the brush) painted into
// a drawing of an animation layer against the same segment on a layer, both through the edit
// path and the redraw the program does. Each pair is timed in the same iterations, alternating
// (the counter "ratio" is the first over the second), so the ratio holds on a busy machine; the
// single benchmarks are kept for their absolute times.
//
// Run: build/bench/bench_frames --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>

#include <string>

#include "bench_support.h"
#include "brush/brush_tip.h"
#include "document/animation_frames.h"
#include "document/document_ops.h"
#include "document/frame_ops.h"
#include "platform/fake_ui.h"
#include "raster/shapes.h"
#include "reference_scene.h"
#include "shell/app.h"
#include "shell/commands/layer_commands.h"
#include "shell/commands/tool_commands.h"
#include "shell/edits.h"
#include "shell/events.h"
#include "shell/ids.h"
#include "shell/view/canvas_frame.h"

namespace qm {
namespace {

constexpr int kLayerSide = 3000;
constexpr int kDrawings = 24;
// The drawings cover the canvas's part of the document (sprites of a scene, not whole sheets),
// so the 24 of them stay within memory on a shared machine.
constexpr int kDrawingW = 1600, kDrawingH = 900;

struct Scene {
    Scene() {
        ui.setCanvasSize(1600, 900);
        if (!startUp(app)) return;
        buildReferenceScene(app, kLayerSide);
        app.CurrentTool = Tool::Brush;
        app.brush.size = 32;
        app.brush.alpha = 255;
        app.brush.alphaVsTime = 0;
        app.brush.color = rgba(0, 0, 0, 255);
        Image tip = *createImage(32, 32, 32);
        fillCircle(tip, 16, 16, 15, solidPaint(rgba(0, 0, 0, 255)));
        setTipImage(app.tip, tip);
        recomposeView(app, false);
    }

    // 24 drawings, one a frame from frame 1: a square moving right over a faint wash that covers
    // the whole drawing (so every page of it was written, as a drawn picture's pages are).
    void addDrawings() {
        AnimationLayer& layer = currentAnimationLayer(app.doc);
        layer.Frames.clear();
        for (int f = 1; f <= kDrawings; ++f) {
            AnimationFrame frame;
            frame.Frame = int16_t(f);
            frame.id = app.doc.nextFrameId++;
            Image drawing = *createImage(kDrawingW, kDrawingH, 32);
            fillBox(drawing, 0, 0, kDrawingW, kDrawingH, solidPaint(rgba(30, 40, 200, 24)));
            fillBox(drawing, 40 * f, 300, 200, 200, solidPaint(rgba(200, 40, 30, 255)));
            frame.image = drawing;
            layer.Frames.push_back(std::move(frame));
        }
        app.history.clear();
        // Each drawing shown once before timing, as a scrub through the animation would.
        for (int f = 1; f <= kDrawings; ++f) {
            app.viewState.CurrentFrame = int16_t(f);
            recomposeView(app, false);
        }
        app.viewState.CurrentFrame = 1;
        recomposeView(app, false);
    }

    FakeUi ui;
    App app{ui};
};

void BM_FrameStep_NextFrame24Drawings(benchmark::State& state) {
    Scene scene;
    scene.addDrawings();
    App& app = scene.app;
    for (auto _ : state) {
        if (app.viewState.CurrentFrame >= kDrawings) {
            state.PauseTiming();
            app.viewState.CurrentFrame = 1;
            state.ResumeTiming();
        }
        onMenuCommand(app, id(Cmd::NextFrame));
    }
}

void BM_FrameStep_FullRecomposition(benchmark::State& state) {
    Scene scene;
    scene.addDrawings();
    for (auto _ : state) recomposeView(scene.app, false);
}

// The reference segment as one step (press opens the edit, release commits), on rows that move
// down the canvas from stroke to stroke; into a drawing when `drawing`.
void segments(benchmark::State& state, bool drawing) {
    Scene scene;
    App& app = scene.app;
    if (drawing) {
        // A document-size drawing at frame 1 of the animation layer painted.
        app.doc.paintsAnimation = 1;
        app.history.clear();
    }
    int y = 100;
    for (auto _ : state) {
        referenceStroke(app, nextSceneRow(y));
    }
}

void BM_Stroke200_OnLayer(benchmark::State& state) {
    segments(state, false);
}
void BM_Stroke200_IntoDrawing(benchmark::State& state) {
    segments(state, true);
}

// A frame step against a full recomposition at the frame it reached, alternating.
void BM_FrameStep_VsFullRecomposition(benchmark::State& state) {
    Scene scene;
    scene.addDrawings();
    App& app = scene.app;
    bench::PairSide step, full;
    for (auto _ : state) {
        if (app.viewState.CurrentFrame >= kDrawings) app.viewState.CurrentFrame = 1;
        step.run([&] { onMenuCommand(app, id(Cmd::NextFrame)); });
        full.run([&] { recomposeView(app, false); });
    }
    bench::reportPair(state, "step", step, "full", full);
}

// The reference segment into a drawing against the same segment on a layer, alternating in one
// program: the paint target switches between the two before each segment (untimed).
void BM_Stroke200_DrawingVsLayer(benchmark::State& state) {
    Scene scene;
    App& app = scene.app;
    bench::PairSide drawing, layer;
    int yDrawing = 100, yLayer = 100;
    // The drawing at frame 1 made by a first segment, outside the timing.
    app.doc.paintsAnimation = 1;
    referenceStroke(app, nextSceneRow(yDrawing));
    for (auto _ : state) {
        app.doc.paintsAnimation = 1;
        drawing.run([&] { referenceStroke(app, nextSceneRow(yDrawing)); });
        app.doc.paintsAnimation = 0;
        layer.run([&] { referenceStroke(app, nextSceneRow(yLayer)); });
    }
    bench::reportPair(state, "drawing", drawing, "layer", layer);
}

BENCHMARK(BM_FrameStep_VsFullRecomposition)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Stroke200_DrawingVsLayer)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameStep_NextFrame24Drawings)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameStep_FullRecomposition)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Stroke200_OnLayer)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Stroke200_IntoDrawing)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace qm

BENCHMARK_MAIN();
