// The stroke painter: dab throughput against libmypaint, the rotated path against the plain one,
// and a painted segment with its recomposition against a full recomposition of the canvas.
//
// Reference brush: "Circle Hard" (a filled circle of radius size / 2 - 1 in a size x size tip),
// size 32, the default spacing (pas 5: a dab every 2 pixels) and scatter, opaque black, no
// opacity decay, into a transparent 3000 x 3000 layer. One iteration paints one horizontal segment
// of 2800 pixels (1400 dabs); rows advance from one iteration to the next so dabs land on fresh and
// on painted pixels alike. libmypaint draws the same 1400 dabs per iteration (radius 16,
// hardness 1.0, opaque black) on its fixed tiled surface, one atomic block per segment. libmypaint
// processes its dabs on OpenMP threads, so times are wall-clock (UseRealTime) for every benchmark
// here. Counter "items_per_second" is dabs per second.
//
// The scene benchmarks rebuild the compositing reference scene: a 3000 x 3000 document at
// 100 %, a 1600 x 900 canvas, paper plus 10 visible layers (Normal, Multiply, Screen, Overlay,
// Darken, repeated), half of every layer transparent. A reference stroke there is a 200-pixel
// segment of the reference brush on the top layer, followed by the display pixels of what it
// touched made again from the layer and the canvas recomposed there. It is measured as one
// undoable step (opened, painted, committed: its tiles are kept) and without history (the same
// painting and redrawing, straight onto the layer); counters give the bytes the step keeps and
// the bytes of the 64 x 64 tiles its dabs touch.
//
// Pen input: a 200-pixel stroke as a tablet sends it (a sample every 4 pixels, pressure rising
// from 0.3 to 1, the pen leaning 30 degrees and turning through 170), painted by the reference
// brush with its size (from 10 %), opacity and tip angle following the pen, against the same
// stroke from a mouse (the same brush, the same whole-pixel positions, pressure 1, no lean). And
// the steady line: a slow, shaky 200-pixel stroke (a sample every 5 ms, 2 pixels apart, jitter
// of 1.5 pixels) with the stabiliser at 50 against the same samples without it, per sample. Both
// pairs are timed in the same iterations, alternating, so the ratio holds while the machine is
// busy; minor page faults (FaultCounter) are counted per stroke beside the times. Counter
// "ratio" is pen / mouse (steady / off) in wall-clock time, "cpu_ratio" the same in the thread's
// CPU time, which other processes on a busy machine disturb less.
//
// Large brushes: a 200-pixel segment of an 8000-pixel Circle Hard brush with random rotation on a
// 1000 x 1000 layer (the tip is made once, outside the timing; spacing 400 makes one dab, which
// covers the layer), against one "over" (alpha blending) of a whole 1000 x 1000 image onto
// another, with an opaque and with a translucent source; and twenty presses of the size key from
// 7000 upward in a started program (each iteration starts again from 7000).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "bench_support.h"
#include "brush/brush_tip.h"
#include "brush/pen_stroke.h"
#include "brush/stroke.h"
#include "document/document_ops.h"
#include "platform/fake_ui.h"
#include "raster/draw_image.h"
#include "raster/shapes.h"
#include "reference_scene.h"
#include "shell/app.h"
#include "shell/commands/layer_commands.h"
#include "shell/commands/tool_commands.h"
#include "shell/edits.h"
#include "shell/events.h"
#include "shell/ids.h"
#include "shell/menu_table.h"
#include "shell/panels/layer_panel.h"
#include "shell/view/canvas_frame.h"

#if defined(QM_HAVE_MYPAINT)
#include <mypaint-brush.h>
#include <mypaint-fixed-tiled-surface.h>
#endif

namespace qm {
namespace {

constexpr int kLayerSide = 3000;
constexpr int kSegmentStart = 2900, kSegmentEnd = 100;  // 2800 pixels: 1400 dabs

Image circleHard(int size) {
    Image tip = *createImage(size, size, 32);
    fillCircle(tip, size / 2, size / 2, size / 2 - 1, solidPaint(rgba(0, 0, 0, 255)));
    return tip;
}

void referenceBrush(BrushSettings& brush, int randRot) {
    brush.size = 32;
    brush.alpha = 255;
    brush.alphaVsTime = 0;  // no opacity decay: every dab opaque
    brush.randRot = int16_t(randRot);
    brush.color = rgba(0, 0, 0, 255);
}

// The 3000 x 3000 layer and display image with the reference brush.
struct DabFixture {
    explicit DabFixture(int randRot) {
        layer = *createImage(kLayerSide, kLayerSide, 32);
        referenceBrush(brush, randRot);
        setTipImage(tip, circleHard(32));
        tip.tipWidth = tip.tipHeight = 32;
    }
    int paintRow(int y, bool useCache) {
        StrokeContext context{brush, tip,    imageDabTarget(layer),      100,
                              4,     random, useCache ? &cache : nullptr};
        return paintSegment(context, kSegmentStart, y, kSegmentEnd, y).dabs;
    }

    BrushSettings brush;
    BrushTip tip;
    Image layer;
    Random random{1};
    StrokeCache cache;
};

int nextRow(int& y) {
    y += 7;
    if (y > kLayerSide - 50) y = 50;
    return y;
}

void runDabs(benchmark::State& state, int randRot, bool useCache) {
    DabFixture f(randRot);
    int y = 50;
    int64_t dabs = 0;
    f.paintRow(y, useCache);  // warms the rotation cache like a stroke in progress
    for (auto _ : state) dabs += f.paintRow(nextRow(y), useCache);
    state.SetItemsProcessed(dabs);
}

void BM_Dabs_Plain(benchmark::State& state) {
    runDabs(state, 0, true);
}
void BM_Dabs_Rotated(benchmark::State& state) {
    runDabs(state, 360, true);
}
// Every dab rotated anew: what a rotated dab costs without the cache of rotations.
void BM_Dabs_RotatedUncached(benchmark::State& state) {
    runDabs(state, 360, false);
}
BENCHMARK(BM_Dabs_Plain)->UseRealTime();
BENCHMARK(BM_Dabs_Rotated)->UseRealTime();
BENCHMARK(BM_Dabs_RotatedUncached)->UseRealTime();

#if defined(QM_HAVE_MYPAINT)
void BM_Dabs_Libmypaint(benchmark::State& state) {
    MyPaintFixedTiledSurface* fixed = mypaint_fixed_tiled_surface_new(kLayerSide, kLayerSide);
    auto* surface = reinterpret_cast<MyPaintSurface*>(fixed);
    int y = 50;
    int64_t dabs = 0;
    for (auto _ : state) {
        nextRow(y);
        mypaint_surface_begin_atomic(surface);
        for (int x = kSegmentStart; x > kSegmentEnd; x -= 2) {
            mypaint_surface_draw_dab(surface, float(x), float(y), 16.0f, 0.0f, 0.0f, 0.0f, 1.0f,
                                     1.0f, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f);
            ++dabs;
        }
        MyPaintRectangle roi;
        mypaint_surface_end_atomic(surface, &roi);
    }
    state.SetItemsProcessed(dabs);
    mypaint_surface_unref(surface);
}
BENCHMARK(BM_Dabs_Libmypaint)->UseRealTime();
#endif

// ---- Pen input ----------------------------------------------------------------------------

constexpr int kPenLayerSide = 1000;

// Times one stroke: wall-clock and thread CPU nanoseconds and minor page faults, added to the
// totals.
struct Timed : bench::PairSide {
    Timed() : PairSide(bench::CpuClock::Thread) {}
};

struct PenFixture {
    PenFixture() {
        layer = *createImage(kPenLayerSide, kPenLayerSide, 32);
        referenceBrush(brush, 0);
        setTipImage(tip, circleHard(32));
        tip.tipWidth = tip.tipHeight = 32;
    }
    StrokeContext context() {
        return StrokeContext{brush, tip, imageDabTarget(layer), 100, 4, random, &cache};
    }
    void stroke(const std::vector<PenSample>& samples, const PressureCurve* curve) {
        StrokeContext ctx = context();
        PenStroke pen;
        pen.begin(samples.front(), brush, curve);
        for (size_t i = 1; i < samples.size(); ++i) pen.moveTo(ctx, samples[i]);
        pen.finish(ctx);
        brush.strokeAlpha = 255;  // the release
        brush.strokeSizeFactor = 100;
    }
    BrushSettings brush;
    BrushTip tip;
    Image layer;
    Random random{1};
    StrokeCache cache;
};

void reportPair(benchmark::State& state, const char* a, Timed& ta, const char* b, Timed& tb,
                double perStroke) {
    const double n = double(std::max<int64_t>(state.iterations(), 1));
    state.counters[std::string(a) + "_us"] = ta.ns / n / perStroke / 1e3;
    state.counters[std::string(b) + "_us"] = tb.ns / n / perStroke / 1e3;
    state.counters["ratio"] = tb.ns > 0 ? ta.ns / tb.ns : 0.0;
    state.counters["cpu_ratio"] = tb.cpuNs > 0 ? ta.cpuNs / tb.cpuNs : 0.0;
    state.counters[std::string(a) + "_minflt"] = double(ta.counter.faults()) / n;
    state.counters[std::string(b) + "_minflt"] = double(tb.counter.faults()) / n;
}

// Argument: what follows the pen, a sum of 1 (size follows the pressure), 2 (opacity follows the
// pressure) and 4 (the tip turns with the lean); 7, everything, is the goal's case. Adding 8
// paints both strokes over a band of translucent red (laid again before each pair, untimed)
// instead of over the strokes before them: translucent dabs over paint of another colour take
// the blend's general rule, where over their own colour only the alpha changes.
void BM_Pen_Stroke200VsMouse(benchmark::State& state) {
    PenFixture pen, mouse;
    pen.brush.sizeVsPressure = state.range(0) & 1 ? 1 : 0;
    pen.brush.alphaVsPressure = state.range(0) & 2 ? 1 : 0;
    pen.brush.rotateVsTilt = state.range(0) & 4 ? 1 : 0;
    pen.brush.sizemini = 10;
    mouse.brush = pen.brush;
    const PressureCurve curve = linearPressureCurve();
    const auto path = [](int y, bool tablet) {
        std::vector<PenSample> samples;
        for (int i = 0; i <= 50; ++i) {
            PenSample s = mouseSample(400 + 4 * i, y);
            if (tablet) {
                s.pressure = 0.3 + 0.7 * i / 50.0;
                s.tiltX = 30.0 * std::cos(i * 0.06);
                s.tiltY = 30.0 * std::sin(i * 0.06);
                s.hasTilt = true;
                s.time = 5.0 * i;
            }
            samples.push_back(s);
        }
        return samples;
    };
    const bool overRed = state.range(0) & 8;
    const auto layRed = [](Image& layer, int y) {
        fillBox(layer, 380, y - 24, 250, 48, solidPaint(rgba(200, 40, 30, 160)));
    };
    Timed timedPen, timedMouse;
    int y = 400;
    pen.stroke(path(y, true), &curve);  // warms the rotation cache like a stroke in progress
    for (auto _ : state) {
        y = y >= 600 ? 400 : y + 7;
        const std::vector<PenSample> tablet = path(y, true), plain = path(y, false);
        if (overRed) {
            layRed(pen.layer, y);
            layRed(mouse.layer, y);
        }
        timedMouse.run([&] { mouse.stroke(plain, nullptr); });
        timedPen.run([&] { pen.stroke(tablet, &curve); });
    }
    reportPair(state, "pen", timedPen, "mouse", timedMouse, 1.0);
}
BENCHMARK(BM_Pen_Stroke200VsMouse)
    ->Arg(7)
    ->Arg(1)
    ->Arg(2)
    ->Arg(4)
    ->Arg(15)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

void BM_Pen_SteadyLine50VsOff(benchmark::State& state) {
    PenFixture steady, plain;
    steady.brush.stabiliser = 50;
    constexpr int kSamples = 100;
    const auto path = [](int y) {
        std::vector<PenSample> samples;
        Random jitter{uint64_t(y)};
        for (int i = 0; i <= kSamples; ++i) {
            PenSample s = mouseSample(400 + 2.0 * i + (jitter(30) - 15) / 10.0,
                                      y + (jitter(30) - 15) / 10.0, 5.0 * i);
            s.pressure = 0.8;
            samples.push_back(s);
        }
        return samples;
    };
    const PressureCurve curve = linearPressureCurve();
    Timed timedSteady, timedPlain;
    int y = 400;
    for (auto _ : state) {
        y = y >= 600 ? 400 : y + 7;
        const std::vector<PenSample> samples = path(y);
        timedPlain.run([&] { plain.stroke(samples, &curve); });
        timedSteady.run([&] { steady.stroke(samples, &curve); });
    }
    reportPair(state, "steady", timedSteady, "off", timedPlain, double(kSamples));
}
BENCHMARK(BM_Pen_SteadyLine50VsOff)->UseRealTime()->Unit(benchmark::kMicrosecond);

// ---- Large brushes ------------------------------------------------------------------------

constexpr int kSmallLayerSide = 1000;

struct BigBrushFixture {
    BigBrushFixture() {
        layer = *createImage(kSmallLayerSide, kSmallLayerSide, 32);
        referenceBrush(brush, 360);
        brush.size = 8000;
        buildTip(tip, brush, ".");
    }
    BrushSettings brush;
    BrushTip tip;
    Image layer;
    Random random{1};
    StrokeCache cache;
};

void BM_BigBrush_Segment200(benchmark::State& state) {
    static BigBrushFixture f;  // an 8000 x 8000 tip: made once for every run of this benchmark
    int y = 400;
    int64_t dabs = 0;
    for (auto _ : state) {
        y = y >= 600 ? 400 : y + 7;
        StrokeContext context{f.brush, f.tip, imageDabTarget(f.layer), 100, 4, f.random, &f.cache};
        dabs += paintSegment(context, 600, y, 400, y).dabs;
    }
    state.SetItemsProcessed(dabs);
}
BENCHMARK(BM_BigBrush_Segment200)->UseRealTime()->Unit(benchmark::kMillisecond);

// Mixing with a large brush: every pointer move takes a new paint colour, so the tip is asked
// for again, then a 20-pixel segment is painted. The argument is the brush size (32 is the
// reference brush, for comparison).
void BM_Mixing_MoveAndSegment20(benchmark::State& state) {
    Image layer = *createImage(kSmallLayerSide, kSmallLayerSide, 32);
    BrushSettings brush;
    referenceBrush(brush, 360);
    brush.size = int16_t(state.range(0));
    BrushTip tip;
    Random random{1};
    StrokeCache cache;
    int y = 400, step = 0;
    int64_t dabs = 0;
    for (auto _ : state) {
        y = y >= 600 ? 400 : y + 7;
        brush.color = rgba(uint32_t(step++ & 255), 90, 40, 255);
        requestTip(tip, brush, ".");
        StrokeContext context{brush, tip, imageDabTarget(layer), 100, 4, random, &cache};
        dabs += paintSegment(context, 520, y, 500, y).dabs;
    }
    state.SetItemsProcessed(dabs);
}
BENCHMARK(BM_Mixing_MoveAndSegment20)
    ->Arg(32)
    ->Arg(8000)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// One "over" of a whole 1000 x 1000 image; the argument is the source's alpha.
void BM_Over1000(benchmark::State& state) {
    Image target = *createImage(kSmallLayerSide, kSmallLayerSide, 32);
    std::fill(target.pixels.begin(), target.pixels.end(), rgba(200, 180, 160, 230));
    Image source = *createImage(kSmallLayerSide, kSmallLayerSide, 32);
    std::fill(source.pixels.begin(), source.pixels.end(),
              rgba(20, 40, 60, uint32_t(state.range(0))));
    for (auto _ : state) {
        drawImage(target, source, 0, 0, DrawMode::AlphaBlend, 255);
        benchmark::DoNotOptimize(target.pixels.data());
    }
}
BENCHMARK(BM_Over1000)->Arg(255)->Arg(200)->UseRealTime()->Unit(benchmark::kMillisecond);

// Twenty presses of the size key from 7000 upward: each records the size and redraws the preview.
void BM_SizeKeys_20From7000(benchmark::State& state) {
    FakeUi ui;
    App app{ui};
    if (!startUp(app)) {
        state.SkipWithError("start-up failed");
        return;
    }
    const auto press = [&app](CanvasEventType type) {
        CanvasEvent e;
        e.type = type;
        e.key = vk::OemClose;
        onCanvasEvent(app, e);
    };
    for (auto _ : state) {
        app.brush.size = 7000;
        for (int i = 0; i < 20; ++i) {
            press(CanvasEventType::KeyDown);
            press(CanvasEventType::KeyUp);
        }
    }
}
BENCHMARK(BM_SizeKeys_20From7000)->UseRealTime()->Unit(benchmark::kMillisecond);

// ---- The reference scene ------------------------------------------------------------------

struct Scene {
    Scene() {
        ui.setCanvasSize(1600, 900);
        if (!startUp(app)) return;
        buildReferenceScene(app, kLayerSide);
        app.CurrentTool = Tool::Brush;
        referenceBrush(app.brush, 0);
        setTipImage(app.tip, circleHard(32));
        recomposeView(app, false);
    }

    FakeUi ui;
    App app{ui};
};

void BM_Scene_Segment200(benchmark::State& state) {
    Scene scene;
    App& app = scene.app;
    int y = 100;
    size_t kept = 0, tiles = 0;
    int64_t strokes = 0;
    referenceStroke(app, nextSceneRow(y));  // warm-up: steady state from the first iteration
    bench::FaultCounter faults;
    for (auto _ : state) {
        const int row = nextSceneRow(y);
        referenceStroke(app, row);
        state.PauseTiming();
        faults.pause();
        // The tiles under the segment's dabs: x 684..916, rows row-16..row+16 (document pixels).
        const int tx = 684 / 64, tx1 = 916 / 64, ty = (row - 16) / 64, ty1 = (row + 16) / 64;
        tiles += size_t(tx1 - tx + 1) * size_t(ty1 - ty + 1) * 64 * 64 * 4;
        kept += app.history.lastStepBytes();
        ++strokes;
        faults.resume();
        state.ResumeTiming();
    }
    state.counters["kept_bytes"] = double(kept) / double(std::max<int64_t>(strokes, 1));
    state.counters["tile_bytes"] = double(tiles) / double(std::max<int64_t>(strokes, 1));
    // Bytes written: the layer tiles under the dabs.
    faults.report(state, double(tiles) / double(std::max<int64_t>(strokes, 1)));
}

// The same painting and redrawing without history: the segment straight onto the layer, the
// display pixels made again there and the canvas recomposed.
void BM_Scene_Segment200NoHistory(benchmark::State& state) {
    Scene scene;
    App& app = scene.app;
    int y = 100;
    for (auto _ : state) {
        const int row = nextSceneRow(y);
        Layer& layer = app.doc.layers.back();
        StrokeContext context{app.brush,
                              app.tip,
                              DabTarget{layer.image.width, layer.image.height, nullptr, 0, 0,
                                        [&layer](const Rect&) { return &layer.image; }},
                              app.viewState.Zoom,
                              code(app.CurrentTool),
                              app.random,
                              &app.strokeCache};
        const SegmentResult r = paintSegment(context, 700, row, 900, row);
        const Rect shown = updateDisplayTiles(layer, app.view, r.layerRect);
        recomposeRegion(
            app, Rect{shown.x + app.ViewOffsetX + int(layerViewOffset(layer.X, app.view.zoom)),
                      shown.y + app.ViewOffsetY + int(layerViewOffset(layer.Y, app.view.zoom)),
                      shown.w, shown.h});
    }
}

// What the history costs by itself: the reference segment painted as one step (the edit opened,
// every dab's rectangle declared, the commit comparing what it kept) on the top layer, against the
// same segment painted straight onto the layer below, alternating in the same iterations, with no
// display or navigator work on either side. Counter "ratio" is history / plain.
void BM_Scene_Segment200HistoryAlone(benchmark::State& state) {
    Scene scene;
    App& app = scene.app;
    const auto segment = [&app](Layer& layer, int row, bool history) {
        const uint32_t id = layer.id;
        StrokeContext context{app.brush,
                              app.tip,
                              DabTarget{layer.image.width, layer.image.height, nullptr, 0, 0,
                                        [&app, id, history](const Rect& r) {
                                            if (history) app.history.touchPixels(app.doc, id, r);
                                            return &layerById(app.doc, id)->image;
                                        }},
                              app.viewState.Zoom,
                              code(app.CurrentTool),
                              app.random,
                              &app.strokeCache};
        if (history) app.history.begin("Stroke");
        paintSegment(context, 700, row, 900, row);
        if (history) app.history.commit(app.doc, app.viewState);
    };
    Timed withHistory, plain;
    int y = 100;
    for (auto _ : state) {
        const int row = nextSceneRow(y);
        withHistory.run([&] { segment(app.doc.layers.back(), row, true); });
        plain.run([&] { segment(app.doc.layers[app.doc.layers.size() - 2], row, false); });
    }
    reportPair(state, "history", withHistory, "plain", plain, 1.0);
}

// Undo and redo of the reference stroke, after one warm-up round. Faults per 64 KB count what
// undo and redo each write: the layer's display pixels and the canvas over the stroke's tiles
// (x 684..916, y 384..416 at 100 %: tiles 10..14 of row 6), 4 bytes a pixel.
void BM_Scene_UndoRedoStroke(benchmark::State& state) {
    Scene scene;
    App& app = scene.app;
    referenceStroke(app, 400);
    undoCommand(app);
    redoCommand(app);
    constexpr double kTileBytes = 5.0 * 64 * 64 * 4;
    bench::FaultCounter faults;
    for (auto _ : state) {
        undoCommand(app);
        redoCommand(app);
    }
    faults.report(state, 2 * 2 * kTileBytes);
}

void BM_Scene_FullRecomposition(benchmark::State& state) {
    Scene scene;
    for (auto _ : state) recomposeView(scene.app, false);
}
BENCHMARK(BM_Scene_Segment200)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Scene_Segment200NoHistory)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Scene_Segment200HistoryAlone)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Scene_UndoRedoStroke)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Scene_FullRecomposition)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace qm

BENCHMARK_MAIN();
