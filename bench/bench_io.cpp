// Image files and animation against libpng, in one run.
//
// - BM_PlaybackFrameStep: one frame of playback on the reference scene (a 3000 x 3000 document,
//   10 half-transparent layers in the modes of bench_compositing, an opaque paper, a 1600 x 900
//   canvas) with two animation layers of 12 frames each, every frame a 3000 x 3000 image
//   holding a 300 x 300 figure that moves from frame to frame: the fake clock moves on by a
//   frame and the step shows the next frame (the timeline picture and the canvas where the
//   frames differ), once every frame has been shown (BM_PlaybackFirstRound: the first round of
//   12 frames, which also measures what each frame covers). BM_FullRecomposition: recomposeView
//   of the same App. Goal: step <= full.
// - BM_StripExport and BM_SequenceExport: 120 frames of 512 x 512 (half-transparent) as a strip
//   PNG file and as 120 numbered PNG files (two threads), written to the temporary folder.
//   BM_LibpngEncode120: libpng encoding those 120 images to memory at our compression
//   (kPngCompressionLevel, Sub filter), one after the other. Goal: each export <= 1.2 x.
// - BM_OpenAs: "Open as" of a 3000 x 3000 PNG file (the half-transparent layer of the scene)
//   through the App: read, decode, the new document of its size, the redraw.
//   BM_LibpngDecode: libpng decoding the same file (read through stdio) to 8-bit RGBA in a new
//   buffer. Goal: <= 1.1 x. BM_LoadImageFile: our read and decode of the file alone (into
//   tiles, as Open as reads it).
// Each of these reports faults_per_iter, the minor page faults of an iteration (ours after one
// untimed warm-up call, so the pools are in steady state).
// Wall time throughout (the exports use two threads).
#include <benchmark/benchmark.h>
#include <png.h>

#include "bench_support.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "codecs/codecs.h"
#include "document/document_ops.h"
#include "io/animation_files.h"
#include "platform/fake_ui.h"
#include "platform/paths.h"
#include "platform/random.h"
#include "raster/shapes.h"
#include "shell/app.h"
#include "shell/commands/animation_commands.h"
#include "shell/commands/document_commands.h"
#include "shell/commands/image_commands.h"
#include "shell/commands/preset_commands.h"
#include "shell/commands/sheet_commands.h"
#include "shell/events.h"
#include "shell/ids.h"
#include "shell/panels/playback.h"
#include "shell/view/canvas_frame.h"

namespace qm {
namespace {

using namespace bench;  // the reference scene and the test images


std::string tempPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() / name).string();
}

// The App of the reference scene with its animation.
struct PlaybackScene {
    FakeUi ui;
    std::unique_ptr<App> app;

    PlaybackScene() {
        ui.setCanvasSize(kCanvasW, kCanvasH);
        app = std::make_unique<App>(ui);
        Document& doc = app->doc;
        doc.Width = kDoc;
        doc.Height = kDoc;
        app->viewState.Zoom = 100;
        app->prefs.grid = 0;
        for (int i = 0; i < 10; ++i) {
            Layer layer;
            layer.image = halfTransparent(kDoc, kDoc, uint64_t(10 + i));
            layer.Blendmode = uint8_t(kSceneModes[i]);
            layer.Position = uint8_t(i + 1);
            layer.id = takeLayerId(doc);
            doc.layers.push_back(std::move(layer));
        }
        doc.layers.back().Selected = 1;
        app->workImage3 = *TiledImage::create(kDoc, kDoc);
        app->paperImage8 = opaqueRandom(kDoc, kDoc, 99, 24);
        app->paperView9 = app->paperImage8;
        for (int l = 0; l < 2; ++l) {
            AnimationLayer& layer = doc.animationLayers[std::to_string(2 + l)];
            layer.Order = uint8_t(l);
            layer.Alpha = 255;
            for (int f = 1; f <= 12; ++f) {
                AnimationFrame frame;
                frame.Frame = int16_t(f);
                frame.id = doc.nextFrameId++;
                Image drawing = *createImage(kDoc, kDoc);
                fillCircle(drawing, 200 + f * 60 + l * 500, 300 + l * 200, 150,
                           solidPaint(rgba(20, 40, uint32_t(f * 20), 255)));
                frame.image = drawing;
                layer.Frames.push_back(std::move(frame));
            }
        }
        doc.AnimationLayerId = 2;
        app->viewState.FrameStart = 1;
        app->viewState.FrameEnd = 12;
        app->viewState.CurrentFrame = 1;
        app->prefs.AnimationLoop = 1;
        resetDisplays(doc.layers, 100, app->view);
        recomposeView(*app, false);
    }
};

PlaybackScene& playbackScene() {
    static PlaybackScene scene;
    return scene;
}

void BM_PlaybackFrameStep(benchmark::State& state) {
    PlaybackScene& scene = playbackScene();
    App& app = *scene.app;
    app.prefs.playback = 1;
    playbackStep(app, 1);  // starts the clock
    const int64_t frameMs = frameDurationMicros(app.doc.Fps, app.prefs.SpeedAnimation) / 1000 + 1;
    // Once round the range first: the first showing of each frame also measures what its
    // image covers (BM_PlaybackFirstRound), kept for the later rounds.
    for (int i = 0; i < 12; ++i) {
        scene.ui.advanceClock(frameMs);
        playbackStep(app, 1);
    }
    for (auto _ : state) {
        scene.ui.advanceClock(frameMs);
        playbackStep(app, 1);
        benchmark::DoNotOptimize(app.canvasImage.pixels.data());
        state.PauseTiming();
        scene.ui.clearCalls();
        state.ResumeTiming();
    }
    app.prefs.playback = 0;
    playbackStep(app, 1);
}

// The first round of the range on a fresh clock: each frame's covered rectangle is measured.
void BM_PlaybackFirstRound(benchmark::State& state) {
    PlaybackScene& scene = playbackScene();
    App& app = *scene.app;
    const int64_t frameMs = frameDurationMicros(app.doc.Fps, app.prefs.SpeedAnimation) / 1000 + 1;
    for (auto _ : state) {
        state.PauseTiming();
        app.prefs.playback = 0;
        playbackStep(app, 1);
        app.prefs.playback = 1;
        playbackStep(app, 1);  // a new start forgets the covered rectangles
        state.ResumeTiming();
        for (int i = 0; i < 12; ++i) {
            scene.ui.advanceClock(frameMs);
            playbackStep(app, 1);
        }
        state.PauseTiming();
        scene.ui.clearCalls();
        state.ResumeTiming();
    }
    app.prefs.playback = 0;
    playbackStep(app, 1);
}

void BM_FullRecomposition(benchmark::State& state) {
    PlaybackScene& scene = playbackScene();
    for (auto _ : state) {
        recomposeView(*scene.app, false);
        benchmark::DoNotOptimize(scene.app->canvasImage.pixels.data());
        state.PauseTiming();
        scene.ui.clearCalls();
        state.ResumeTiming();
    }
}

// --- Exports -------------------------------------------------------------------------------

constexpr int kFrames = 120, kFrameSide = 512;

const AnimationLayer& exportLayer() {
    static const AnimationLayer layer = [] {
        AnimationLayer l;
        l.Alpha = 255;
        for (int f = 1; f <= kFrames; ++f) {
            AnimationFrame frame;
            frame.Frame = int16_t(f);
            frame.id = uint32_t(f);
            frame.image = halfTransparent(kFrameSide, kFrameSide, uint64_t(f));
            l.Frames.push_back(std::move(frame));
        }
        return l;
    }();
    return layer;
}

void BM_StripExport(benchmark::State& state) {
    const AnimationLayer& layer = exportLayer();
    const std::string path = tempPath("qm_bench_strip.png");
    std::string warmError;
    writeStripPng(layer, 1, kFrames, kFrameSide, kFrameSide, path, warmError);  // warm-up
    FaultCounter faults;
    for (auto _ : state) {
        std::string error;
        if (!writeStripPng(layer, 1, kFrames, kFrameSide, kFrameSide, path, error))
            state.SkipWithError(error.c_str());
    }
    faults.report(state);
    std::remove(path.c_str());
}

void BM_SequenceExport(benchmark::State& state) {
    const AnimationLayer& layer = exportLayer();
    const std::string folder = tempPath("qm_bench_sequence");
    std::filesystem::create_directories(folder);
    for (auto _ : state) {
        std::string error;
        if (!writeSequence(layer, 1, kFrames, kFrameSide, kFrameSide, folder + "/walk.png", error,
                           int(state.range(0))))
            state.SkipWithError(error.c_str());
    }
    std::filesystem::remove_all(folder);
}

void writeBytes(png_structp png, png_bytep data, size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
void flushNothing(png_structp) {}

void libpngEncode(const Image& image, std::vector<uint8_t>& out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, writeBytes, flushNothing);
    png_set_IHDR(png, info, image.width, image.height, 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, kPngCompressionLevel);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    png_write_info(png, info);
    for (int y = 0; y < image.height; ++y)
        png_write_row(png, reinterpret_cast<png_const_bytep>(image.row(y)));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
}

void BM_LibpngEncode120(benchmark::State& state) {
    const AnimationLayer& layer = exportLayer();
    std::vector<Image> frames;
    for (const AnimationFrame& frame : layer.Frames) frames.push_back(frame.image.toImage());
    std::vector<uint8_t> out;
    FaultCounter faults;
    for (auto _ : state) {
        for (const Image& frame : frames) {
            out.clear();
            libpngEncode(frame, out);
            benchmark::DoNotOptimize(out.data());
        }
    }
    faults.report(state);
}

// --- Open as -------------------------------------------------------------------------------

const std::string& bigPngFile() {
    static const std::string path = [] {
        const std::string p = tempPath("qm_bench_open.png");
        std::string error;
        savePngFile(halfTransparent(kDoc, kDoc, 10), p, error);
        return p;
    }();
    return path;
}

void BM_OpenAs(benchmark::State& state) {
    const std::string& path = bigPngFile();
    FakeUi ui;
    ui.setCanvasSize(kCanvasW, kCanvasH);
    App app(ui);
    app.workDir = std::filesystem::temp_directory_path().string();
    if (!startUp(app)) state.SkipWithError("start-up failed");
    ui.queueAnswer(ScriptedAnswer::filesAnswer({path}));
    openImageAsDocument(app);  // warm-up: steady-state faults
    ui.clearCalls();
    FaultCounter faults;
    for (auto _ : state) {
        ui.queueAnswer(ScriptedAnswer::filesAnswer({path}));
        openImageAsDocument(app);
        benchmark::DoNotOptimize(app.doc.layers.data());
        state.PauseTiming();
        faults.pause();
        if (app.doc.Width != kDoc) state.SkipWithError("the file did not open");
        ui.clearCalls();
        faults.resume();
        state.ResumeTiming();
    }
    faults.report(state);
}

// The file read and decoded as Open as reads it, without the document.
void BM_LoadImageFile(benchmark::State& state) {
    std::string warmError;
    loadImageFileTiles(bigPngFile(), warmError);  // warm-up
    FaultCounter faults;
    for (auto _ : state) {
        std::string error;
        auto image = loadImageFileTiles(bigPngFile(), error);
        benchmark::DoNotOptimize(image->tileCount());
    }
    faults.report(state);
}

// libpng decoding the file: read through stdio, 8-bit RGBA rows into a new buffer, as a
// decoder of the file gives a new picture each time.
void BM_LibpngDecode(benchmark::State& state) {
    FaultCounter faults;
    for (auto _ : state) {
        FILE* file = std::fopen(bigPngFile().c_str(), "rb");
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_init_io(png, file);
        png_read_info(png, info);
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
        png_read_update_info(png, info);
        const size_t w = png_get_image_width(png, info), h = png_get_image_height(png, info);
        std::vector<uint8_t> pixels(w * h * 4);
        std::vector<png_bytep> rows(h);
        for (size_t y = 0; y < h; ++y) rows[y] = pixels.data() + y * w * 4;
        png_read_image(png, rows.data());
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(file);
        benchmark::DoNotOptimize(pixels.data());
    }
    faults.report(state);
}

BENCHMARK(BM_PlaybackFrameStep)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlaybackFirstRound)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FullRecomposition)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_StripExport)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SequenceExport)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LibpngEncode120)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenAs)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadImageFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LibpngDecode)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace qm

BENCHMARK_MAIN();
