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
#include <benchmark/benchmark.h>
#include <png.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench_support.h"
#include "document/qmd_format.h"
#include "io/openraster.h"
#include "platform/fake_ui.h"
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
            files[which].push_back(libpngDefaultEncode(layer.image));
    return files[which];
}

void setBytes(benchmark::State& state, double bytes) {
    state.counters["MB_files"] = bytes / 1e6;
}

void BM_SaveDocument(benchmark::State& state) {
    const qm::Document& doc = scene(int(state.range(0)));
    const std::string path = benchFolder() + "/save" + std::to_string(state.range(0)) + ".qmd";
    for (auto _ : state) {
        std::string error;
        if (!qm::writeDocumentFile(doc, path, error)) state.SkipWithError(error.c_str());
    }
    double bytes = 0;
    for (const auto& e : std::filesystem::directory_iterator(qm::layerFolderOf(path)))
        bytes += double(e.file_size());
    setBytes(state, bytes);
}

void BM_LibpngDefaultEncodeTen(benchmark::State& state) {
    const qm::Document& doc = scene(int(state.range(0)));
    double bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        for (const qm::Layer& layer : doc.layers) bytes += double(libpngDefaultEncode(layer.image).size());
    }
    setBytes(state, bytes);
}

void BM_OpenDocument(benchmark::State& state) {
    const qm::Document& doc = scene(int(state.range(0)));
    const std::string path = benchFolder() + "/open" + std::to_string(state.range(0)) + ".qmd";
    std::string error;
    if (!qm::writeDocumentFile(doc, path, error)) state.SkipWithError(error.c_str());
    for (auto _ : state) {
        auto read = qm::readDocumentFile(path, 1, error);
        if (!read) state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(read);
    }
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
            ok = qm::writeDocumentFile(doc, path, error) &&
                 qm::readDocumentFile(path, 1, error).has_value();
        }
        if (!ok) state.SkipWithError(error.c_str());
    }
    state.SetLabel(ora ? "ora" : "qmd");
}

// The painting loop's pause when a copy begins: the idle pass that forks the writer.
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

}  // namespace

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
