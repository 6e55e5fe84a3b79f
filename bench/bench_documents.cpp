// Saving and opening the reference document (10 layers of 3000 x 3000, half of each layer
// transparent) against libpng alone: encoding the ten images one after another at libpng's
// default compression and filters, and decoding those ten files one after another. Two scenes:
// "painted" (soft strokes and gradients with a little grain, as painting leaves) and "noise"
// (random colours in the visible half, the worst case for any compressor). The save is measured
// as the program does it, files written and flushed to disk, so it also pays for the disk.
//
// The same document saved and opened as OpenRaster, against the program's own .qmd save and
// open: BM_SaveAndOpen/format/scene (format 0 .qmd, 1 .ora) does both in one iteration, so the
// two figures give the ratio directly.
//
// Also: the pause of the painting loop when a recovery copy begins (the fork of the writer),
// with the reference document in memory.
//
// An animation: a 512 x 512 document of one (transparent) layer and 120 drawings of 512 x 512
// (ink strokes and a translucent fill on transparency, as drawing frame by frame leaves them).
// BM_DrawingsSaveVsLibpng saves it as a .qmd and, in the same iteration, encodes the same 121
// images with libpng at the program's settings (level kPngCompressionLevel, the Sub filter,
// 8-bit RGBA) and writes them as files flushed to disk as the save does; BM_DrawingsOpenVsLibpng
// opens it and decodes the same files with libpng. Each reports both times, their ratio and the
// minor page faults of each side (getrusage, the whole process).
//
// BM_SaveDocument, BM_OpenDocument and their libpng peers report faults_per_iter, the minor page
// faults of an iteration (after one untimed warm-up call for ours, so the pools are in steady
// state).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <png.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <csetjmp>
#include <cstdio>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench_support.h"
#include "codecs/codecs.h"
#include "document/qmd_format.h"
#include "io/openraster.h"
#include "platform/fake_ui.h"
#include "raster/shapes.h"
#include "shell/app.h"
#include "shell/commands/recovery.h"
#include "shell/events.h"

namespace {

constexpr int kSide = 3000;
constexpr int kLayers = 10;

// The right half of each layer painted: overlapping soft strokes over a gradient, with grain.
qm::Image paintedLayer(int index) {
    qm::Image img = *qm::createImage(kSide, kSide, 32);
    qm::Random rnd(uint64_t(index) + 1);
    for (int y = 0; y < kSide; ++y) {
        uint32_t* row = img.row(y);
        for (int x = kSide / 2; x < kSide; ++x) {
            const double s = std::sin(x / (40.0 + index) + y / 70.0) * std::cos(y / (55.0 + index));
            const auto c = [&](double v) {
                return uint32_t(std::clamp(int(v) + int(rnd(6)) - 3, 0, 255));
            };
            row[x] = qm::rgba(c(128 + 100 * s), c(90 + 60 * std::cos(x / 300.0)),
                              c((x + y) * 255.0 / 6000), s > -0.6 ? 255 : c(200 + 50 * s));
        }
    }
    return img;
}

qm::Document makeDocument(bool painted) {
    qm::Document doc;
    doc.Width = doc.Height = kSide;
    for (int i = 0; i < kLayers; ++i) {
        qm::Layer layer;
        layer.Name = "Layer" + std::to_string(i + 1);
        layer.Position = uint8_t(i + 1);
        layer.Width = layer.Height = kSide;
        layer.image = painted ? paintedLayer(i) : qm::bench::halfTransparent(kSide, kSide, uint64_t(i));
        doc.layers.push_back(std::move(layer));
    }
    doc.layers.back().Selected = 1;
    return doc;
}

const qm::Document& scene(int which) {
    static std::unique_ptr<qm::Document> scenes[2];
    if (!scenes[which]) scenes[which] = std::make_unique<qm::Document>(makeDocument(which == 0));
    return *scenes[which];
}

// The files of a run, removed when the run ends (they take several hundred megabytes).
std::string benchFolder() {
    struct Folder {
        std::filesystem::path path =
            std::filesystem::temp_directory_path() / ("qm_bench_documents_" + std::to_string(::getpid()));
        ~Folder() {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
    };
    static const Folder folder;
    std::filesystem::create_directories(folder.path);
    return folder.path.string();
}

std::vector<uint8_t> libpngDefaultEncode(const qm::Image& img) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(img.width);
    image.height = png_uint_32(img.height);
    image.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, img.pixels.data(), 0, nullptr);
    std::vector<uint8_t> out(size);
    if (!png_image_write_to_memory(&image, out.data(), &size, 0, img.pixels.data(), 0, nullptr))
        out.clear();
    out.resize(size);
    return out;
}

std::vector<std::vector<uint8_t>>& peerFiles(int which) {
    static std::vector<std::vector<uint8_t>> files[2];
    if (files[which].empty())
        for (const qm::Layer& layer : scene(which).layers)
            files[which].push_back(libpngDefaultEncode(layer.image.toImage()));
    return files[which];
}

void setBytes(benchmark::State& state, double bytes) {
    state.counters["MB_files"] = bytes / 1e6;
}

void BM_SaveDocument(benchmark::State& state) {
    const qm::Document& doc = scene(int(state.range(0)));
    const std::string path = benchFolder() + "/save" + std::to_string(state.range(0)) + ".qmd";
    std::string warmError;
    qm::writeDocumentFile(doc, qm::ViewState{}, path, warmError);  // warm-up: steady-state faults
    qm::bench::FaultCounter faults;
    for (auto _ : state) {
        std::string error;
        if (!qm::writeDocumentFile(doc, qm::ViewState{}, path, error))
            state.SkipWithError(error.c_str());
    }
    faults.report(state);
    double bytes = 0;
    for (const auto& e : std::filesystem::directory_iterator(qm::layerFolderOf(path)))
        bytes += double(e.file_size());
    setBytes(state, bytes);
}

void BM_LibpngDefaultEncodeTen(benchmark::State& state) {
    const qm::Document& doc = scene(int(state.range(0)));
    double bytes = 0;
    std::vector<qm::Image> images;
    for (const qm::Layer& layer : doc.layers) images.push_back(layer.image.toImage());
    for (const qm::Image& image : images) libpngDefaultEncode(image);  // warm-up
    qm::bench::FaultCounter faults;
    for (auto _ : state) {
        bytes = 0;
        for (const qm::Image& image : images) bytes += double(libpngDefaultEncode(image).size());
    }
    faults.report(state);
    setBytes(state, bytes);
}

void BM_OpenDocument(benchmark::State& state) {
    const qm::Document& doc = scene(int(state.range(0)));
    const std::string path = benchFolder() + "/open" + std::to_string(state.range(0)) + ".qmd";
    std::string error;
    if (!qm::writeDocumentFile(doc, qm::ViewState{}, path, error))
        state.SkipWithError(error.c_str());
    qm::readDocumentFile(path, 1, error);  // warm-up: steady-state faults
    qm::bench::FaultCounter faults;
    for (auto _ : state) {
        auto read = qm::readDocumentFile(path, 1, error);
        if (!read) state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(read);
    }
    faults.report(state);
}

// The peer's files on disk, read and decoded one after another as the program's Open reads its
// own: file reading is in both figures.
void BM_LibpngDecodeTen(benchmark::State& state) {
    auto& files = peerFiles(int(state.range(0)));
    std::vector<std::string> paths;
    for (size_t i = 0; i < files.size(); ++i) {
        paths.push_back(benchFolder() + "/peer" + std::to_string(state.range(0)) + "_" +
                        std::to_string(i) + ".png");
        std::ofstream(paths.back(), std::ios::binary)
            .write(reinterpret_cast<const char*>(files[i].data()), std::streamsize(files[i].size()));
    }
    qm::bench::FaultCounter faults;
    for (auto _ : state) {
        // Ten images, as a document holds them.
        std::vector<std::unique_ptr<uint8_t[]>> images;
        for (const std::string& path : paths) {
            uint8_t* pixels =
                images.emplace_back(new uint8_t[size_t(kSide) * kSide * 4]).get();
            png_image image{};
            image.version = PNG_IMAGE_VERSION;
            png_image_begin_read_from_file(&image, path.c_str());
            image.format = PNG_FORMAT_RGBA;
            png_image_finish_read(&image, nullptr, pixels, 0, nullptr);
            benchmark::DoNotOptimize(pixels);
        }
    }
    faults.report(state);
}

void BM_SaveOpenRaster(benchmark::State& state) {
    const qm::Document& doc = scene(int(state.range(0)));
    const std::string path = benchFolder() + "/save" + std::to_string(state.range(0)) + ".ora";
    for (auto _ : state) {
        std::string error;
        if (!qm::writeOpenRasterFile(doc, path, error)) state.SkipWithError(error.c_str());
    }
    setBytes(state, double(std::filesystem::file_size(path)));
}

void BM_OpenOpenRaster(benchmark::State& state) {
    const qm::Document& doc = scene(int(state.range(0)));
    const std::string path = benchFolder() + "/open" + std::to_string(state.range(0)) + ".ora";
    std::string error;
    if (!qm::writeOpenRasterFile(doc, path, error)) state.SkipWithError(error.c_str());
    for (auto _ : state) {
        auto read = qm::readOpenRasterFile(path, 1, error);
        if (!read) state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(read);
    }
}

// Save, then open what was saved: range(0) 0 = .qmd, 1 = .ora; range(1) the scene.
void BM_SaveAndOpen(benchmark::State& state) {
    const bool ora = state.range(0) == 1;
    const qm::Document& doc = scene(int(state.range(1)));
    const std::string path =
        benchFolder() + "/both" + std::to_string(state.range(1)) + (ora ? ".ora" : ".qmd");
    for (auto _ : state) {
        std::string error;
        bool ok = false;
        if (ora) {
            ok = qm::writeOpenRasterFile(doc, path, error) &&
                 qm::readOpenRasterFile(path, 1, error).has_value();
        } else {
            ok = qm::writeDocumentFile(doc, qm::ViewState{}, path, error) &&
                 qm::readDocumentFile(path, 1, error).has_value();
        }
        if (!ok) state.SkipWithError(error.c_str());
    }
    state.SetLabel(ora ? "ora" : "qmd");
}

// The painting loop's pause when a copy begins: the idle pass that takes the snapshot (a count
// per tile, no pixel) and starts the writer's thread.
void BM_RecoveryCopyPause(benchmark::State& state) {
    qm::FakeUi ui;
    qm::App app{ui};
    app.workDir = benchFolder();
    app.doc = scene(0);
    app.Modified = true;
    for (auto _ : state) {
        state.PauseTiming();
        ++app.editGeneration;
        ui.advanceClock(qm::kRecoveryIntervalMs);
        state.ResumeTiming();
        qm::recoveryStep(app);
        state.PauseTiming();
        qm::waitForRecoveryCopy(app);
        state.ResumeTiming();
    }
    qm::removeRecoveryCopy(app);
}

// --- An animation of 120 drawings ---------------------------------------------------------

constexpr int kDrawingSide = 512;
constexpr int kDrawings = 120;

// Drawing `index`: a figure moving across, in strokes of overlapping soft dabs, over a
// translucent fill.
qm::Image drawing(int index) {
    qm::Image img = *qm::createImage(kDrawingSide, kDrawingSide, 32);
    qm::Random rnd(uint64_t(index) * 7919 + 3);
    const int cx = 120 + index * 2, cy = 260 + int(30 * std::sin(index / 6.0));
    qm::fillEllipse(img, cx, cy, 70, 110, qm::solidPaint(qm::rgba(230, 180, 140, 160)));
    for (int stroke = 0; stroke < 14; ++stroke) {
        double x = cx + int(rnd(180)) - 90, y = cy + int(rnd(240)) - 120;
        const double a = rnd(628) / 100.0;
        for (int step = 0; step < 60; ++step) {
            const double t = step / 60.0;
            x += 3 * std::cos(a + 2 * t);
            y += 3 * std::sin(a + 2 * t);
            qm::fillCircle(img, int(x), int(y), 2 + int(3 * std::sin(3.14 * t)),
                           qm::solidPaint(qm::rgba(30, 25, 40, 200 + uint32_t(rnd(55)))));
        }
    }
    return img;
}

const qm::Document& animationScene() {
    static std::unique_ptr<qm::Document> doc;
    if (doc) return *doc;
    doc = std::make_unique<qm::Document>();
    doc->Width = doc->Height = kDrawingSide;
    qm::Layer layer;
    layer.Name = "Layer1";
    layer.Position = 1;
    layer.Selected = 1;
    layer.Width = layer.Height = kDrawingSide;
    layer.image = *qm::createImage(kDrawingSide, kDrawingSide, 32);
    doc->layers.push_back(std::move(layer));
    qm::AnimationLayer& walk = doc->animationLayers["2"];
    walk.Name = "Walk";
    walk.Alpha = 255;
    walk.Shown = 1;
    for (int i = 0; i < kDrawings; ++i) {
        qm::AnimationFrame f;
        f.Frame = int16_t(1 + i);
        f.image = drawing(i);
        walk.Frames.push_back(std::move(f));
    }
    doc->AnimationLayerId = 2;
    return *doc;
}

// libpng writing a PNG as the program's encoder is set: 8-bit RGBA, no interlace, level
// kPngCompressionLevel, the Sub filter.
struct PngOut {
    std::vector<uint8_t> bytes;
};
void appendBytes(png_structp png, png_bytep data, size_t n) {
    auto* out = static_cast<PngOut*>(png_get_io_ptr(png));
    out->bytes.insert(out->bytes.end(), data, data + n);
}
void flushNone(png_structp) {}

bool libpngEncode(const qm::Image& img, std::vector<uint8_t>& bytes) {
    PngOut out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::vector<png_bytep> rows(size_t(img.height));
    for (int y = 0; y < img.height; ++y)
        rows[size_t(y)] = reinterpret_cast<png_bytep>(const_cast<uint32_t*>(img.row(y)));
    bool ok = png && info;
    if (ok && setjmp(png_jmpbuf(png))) ok = false;
    if (ok) {
        png_set_write_fn(png, &out, appendBytes, flushNone);
        png_set_IHDR(png, info, png_uint_32(img.width), png_uint_32(img.height), 8,
                     PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_set_compression_level(png, qm::kPngCompressionLevel);
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
        png_write_info(png, info);
        png_write_image(png, rows.data());
        png_write_end(png, nullptr);
    }
    png_destroy_write_struct(&png, &info);
    bytes = std::move(out.bytes);
    return ok;
}

// Writes a file and flushes it to disk, as every file of a save is.
void writeFlushed(const std::string& path, const std::vector<uint8_t>& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return;
    (void)!::write(fd, bytes.data(), bytes.size());
    ::fsync(fd);
    ::close(fd);
}

// The 121 images of the scene, in the order the save writes them.
std::vector<qm::Image> sceneImages() {
    const qm::Document& doc = animationScene();
    std::vector<qm::Image> images{doc.layers[0].image.toImage()};
    for (const qm::AnimationFrame& f : doc.animationLayers.at("2").Frames)
        images.push_back(f.image.toImage());
    return images;
}

long minorFaults() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Both sides' totals over the run, reported per iteration.
struct Sides {
    double ours = 0, peer = 0;
    long oursFaults = 0, peerFaults = 0;
    void report(benchmark::State& state) const {
        const double n = double(state.iterations());
        state.counters["ours_ms"] = ours / n * 1e3;
        state.counters["libpng_ms"] = peer / n * 1e3;
        state.counters["ratio"] = peer > 0 ? ours / peer : 0;
        state.counters["ours_minflt"] = double(oursFaults) / n;
        state.counters["libpng_minflt"] = double(peerFaults) / n;
    }
};

void BM_DrawingsSaveVsLibpng(benchmark::State& state) {
    const qm::Document& doc = animationScene();
    const std::vector<qm::Image> images = sceneImages();
    const std::string folder = benchFolder() + "/peer_drawings";
    std::filesystem::create_directories(folder);
    const std::string path = benchFolder() + "/drawings.qmd";
    Sides sides;
    double bytes = 0;
    for (auto _ : state) {
        long faults = minorFaults();
        auto start = std::chrono::steady_clock::now();
        bytes = 0;
        for (size_t i = 0; i < images.size(); ++i) {
            std::vector<uint8_t> png;
            if (!libpngEncode(images[i], png)) state.SkipWithError("libpng failed");
            writeFlushed(folder + "/" + std::to_string(i) + ".png", png);
            bytes += double(png.size());
        }
        sides.peer += secondsSince(start);
        sides.peerFaults += minorFaults() - faults;

        faults = minorFaults();
        start = std::chrono::steady_clock::now();
        std::string error;
        if (!qm::writeDocumentFile(doc, qm::ViewState{}, path, error))
            state.SkipWithError(error.c_str());
        sides.ours += secondsSince(start);
        sides.oursFaults += minorFaults() - faults;
    }
    sides.report(state);
    setBytes(state, bytes);
}

void BM_DrawingsOpenVsLibpng(benchmark::State& state) {
    const qm::Document& doc = animationScene();
    const std::string path = benchFolder() + "/drawings_open.qmd";
    std::string error;
    if (!qm::writeDocumentFile(doc, qm::ViewState{}, path, error))
        state.SkipWithError(error.c_str());
    // The very files the save wrote, for the peer to decode.
    std::vector<std::string> files;
    const std::string folder = qm::layerFolderOf(path);
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder))
        if (e.is_regular_file() && e.path().extension() == ".png")
            files.push_back(e.path().string());
    Sides sides;
    for (auto _ : state) {
        long faults = minorFaults();
        auto start = std::chrono::steady_clock::now();
        {
            std::vector<std::unique_ptr<uint8_t[]>> pixels;
            for (const std::string& file : files) {
                png_image image{};
                image.version = PNG_IMAGE_VERSION;
                png_image_begin_read_from_file(&image, file.c_str());
                image.format = PNG_FORMAT_RGBA;
                uint8_t* out = pixels.emplace_back(new uint8_t[PNG_IMAGE_SIZE(image)]).get();
                png_image_finish_read(&image, nullptr, out, 0, nullptr);
                benchmark::DoNotOptimize(out);
            }
        }
        sides.peer += secondsSince(start);
        sides.peerFaults += minorFaults() - faults;

        faults = minorFaults();
        start = std::chrono::steady_clock::now();
        {
            auto read = qm::readDocumentFile(path, 1, error);
            if (!read || !read->animation) state.SkipWithError(error.c_str());
            benchmark::DoNotOptimize(read);
        }
        sides.ours += secondsSince(start);
        sides.oursFaults += minorFaults() - faults;
    }
    sides.report(state);
    state.counters["files"] = double(files.size());
}

}  // namespace

BENCHMARK(BM_DrawingsSaveVsLibpng)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);
BENCHMARK(BM_DrawingsOpenVsLibpng)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);
BENCHMARK(BM_SaveDocument)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LibpngDefaultEncodeTen)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenDocument)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LibpngDecodeTen)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SaveOpenRaster)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenOpenRaster)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SaveAndOpen)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_RecoveryCopyPause)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

BENCHMARK_MAIN();
