// PNG and JPEG encode/decode at document size. The PNG case is a painting layer as documents
// store it: 3000 x 3000, mostly transparent, with a few soft blobs and strokes. The JPEG case is
// a photo-like image (smooth gradients plus noise). Reported per image: time and MB/s of raw
// RGBA pixels, and the file size.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "codecs/codecs.h"

namespace {

constexpr int kSide = 3000;

qm::Image makeLayer() {
    qm::Image img = *qm::createImage(kSide, kSide, 32);
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> pos(0, kSide - 1), radius(20, 160), channel(0, 255);
    // Soft round blobs, as left by an airbrush.
    for (int i = 0; i < 25; ++i) {
        const int cx = pos(rng), cy = pos(rng), r = radius(rng);
        const uint32_t red = uint32_t(channel(rng)), green = uint32_t(channel(rng)),
                       blue = uint32_t(channel(rng));
        for (int y = std::max(0, cy - r); y < std::min(kSide, cy + r); ++y)
            for (int x = std::max(0, cx - r); x < std::min(kSide, cx + r); ++x) {
                const double d = std::hypot(x - cx, y - cy) / r;
                if (d < 1) img.at(x, y) = qm::rgba(red, green, blue, uint32_t(255 * (1 - d)));
            }
    }
    // Hard strokes: thick sine-shaped lines.
    for (int s = 0; s < 12; ++s) {
        const int y0 = pos(rng), width = 6 + s;
        const uint32_t colour = qm::rgba(uint32_t(channel(rng)), uint32_t(channel(rng)), 40, 255);
        for (int x = 0; x < kSide; ++x) {
            const int yc = y0 + int(80 * std::sin(x / 90.0 + s));
            for (int y = std::max(0, yc - width); y < std::min(kSide, yc + width); ++y)
                img.at(x, y) = colour;
        }
    }
    return img;
}

qm::Image makePhoto() {
    qm::Image img = *qm::createImage(kSide, kSide, 24);
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> noise(-12, 12);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            auto c = [&](double v) { return uint32_t(std::clamp(int(v) + noise(rng), 0, 255)); };
            img.at(x, y) =
                qm::rgba(c(128 + 100 * std::sin(x / 300.0)), c(128 + 100 * std::cos(y / 250.0)),
                         c((x + y) * 255.0 / 6000), 255);
        }
    return img;
}

const qm::Image& layer() {
    static const qm::Image img = makeLayer();
    return img;
}
const qm::Image& photo() {
    static const qm::Image img = makePhoto();
    return img;
}

void report(benchmark::State& state, size_t fileBytes) {
    const double pixelBytes = double(kSide) * kSide * 4;
    state.SetBytesProcessed(int64_t(state.iterations() * pixelBytes));
    state.counters["file_MB"] = double(fileBytes) / 1e6;
}

void BM_PngEncodeLayer(benchmark::State& state) {
    std::vector<uint8_t> out;
    std::string error;
    for (auto _ : state) {
        if (!qm::encodePng(layer(), out, error)) state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(out.data());
    }
    report(state, out.size());
}

void BM_PngDecodeLayer(benchmark::State& state) {
    std::vector<uint8_t> file;
    std::string error;
    qm::encodePng(layer(), file, error);
    for (auto _ : state) {
        auto img = qm::decodePng(file, error);
        if (!img) state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(img);
    }
    report(state, file.size());
}

void BM_JpegEncodePhoto(benchmark::State& state) {
    std::vector<uint8_t> out;
    std::string error;
    for (auto _ : state) {
        if (!qm::encodeJpeg(photo(), 7, out, error)) state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(out.data());
    }
    report(state, out.size());
}

void BM_JpegDecodePhoto(benchmark::State& state) {
    std::vector<uint8_t> file;
    std::string error;
    qm::encodeJpeg(photo(), 7, file, error);
    for (auto _ : state) {
        auto img = qm::decodeJpeg(file, error);
        if (!img) state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(img);
    }
    report(state, file.size());
}

BENCHMARK(BM_PngEncodeLayer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngDecodeLayer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegEncodePhoto)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JpegDecodePhoto)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
