// Alpha-blend drawing of whole images against pixman's OVER, and the two resizes.
//
// Source: half of its pixels transparent, in alternating runs of 64 pixels (64 transparent,
// 64 visible) along each row, the runs shifted by 32 pixels from one row to the next; visible
// pixels have random colours and a random alpha 1..255, a quarter of them opaque.
// Targets: opaque random colours, or random colours at alpha 128 ("half-transparent").
// Each iteration restores the target first (untimed), so every run blends onto the same pixels.
// pixman works on premultiplied a8r8g8b8; its images are built once outside the timed loop.
// Counters: items = pixels of the drawn image, and ns_per_px (per CPU time: the machine is shared,
// so wall time also counts other programs).
#include <benchmark/benchmark.h>
#include <pixman.h>

#include "bench_support.h"

#include <cstring>
#include <optional>
#include <vector>

#include "platform/random.h"
#include "raster/alpha_blend.h"
#include "raster/draw_image.h"
#include "raster/image_ops.h"

namespace qm {
namespace {

using bench::halfTransparent;
using bench::premultiplied;
using bench::setCounters;

Image makeTarget(int w, int h, uint32_t targetAlpha) {
    Image img = *createImage(w, h);
    Random rnd(2);
    for (uint32_t& p : img.pixels) p = (rnd.next() & 0x00FFFFFFu) | (targetAlpha << 24);
    return img;
}

// Args: side (1920 -> 1920x1080, otherwise side x side), target alpha (255 or 128).
void sizeOf(const benchmark::State& state, int& w, int& h) {
    w = int(state.range(0));
    h = w == 1920 ? 1080 : w;
}

void BM_OursAlphaBlend(benchmark::State& state) {
    int w, h;
    sizeOf(state, w, h);
    const Image source = halfTransparent(w, h, 1);
    const Image pristine = makeTarget(w, h, uint32_t(state.range(1)));
    Image target = pristine;
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(target.pixels.data(), pristine.pixels.data(), pristine.pixels.size() * 4);
        state.ResumeTiming();
        drawImage(target, source, 0, 0, DrawMode::AlphaBlend, 255);
        benchmark::DoNotOptimize(target.pixels.data());
    }
    state.SetLabel(blendKernelName(activeBlendKernel()));
    setCounters(state, int64_t(w) * h);
}

void BM_PixmanOver(benchmark::State& state) {
    int w, h;
    sizeOf(state, w, h);
    std::vector<uint32_t> src = premultiplied(halfTransparent(w, h, 1));
    const std::vector<uint32_t> pristine =
        premultiplied(makeTarget(w, h, uint32_t(state.range(1))));
    std::vector<uint32_t> dst = pristine;
    pixman_image_t* s = pixman_image_create_bits(PIXMAN_a8r8g8b8, w, h, src.data(), w * 4);
    pixman_image_t* d = pixman_image_create_bits(PIXMAN_a8r8g8b8, w, h, dst.data(), w * 4);
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(dst.data(), pristine.data(), pristine.size() * 4);
        state.ResumeTiming();
        pixman_image_composite32(PIXMAN_OP_OVER, s, nullptr, d, 0, 0, 0, 0, 0, 0, w, h);
        benchmark::DoNotOptimize(dst.data());
    }
    pixman_image_unref(s);
    pixman_image_unref(d);
    setCounters(state, int64_t(w) * h);
}

// Our rule with the plain per-pixel reference, for scale.
void BM_OursAlphaBlendScalar(benchmark::State& state) {
    int w, h;
    sizeOf(state, w, h);
    const Image source = halfTransparent(w, h, 1);
    const Image pristine = makeTarget(w, h, uint32_t(state.range(1)));
    Image target = pristine;
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(target.pixels.data(), pristine.pixels.data(), pristine.pixels.size() * 4);
        state.ResumeTiming();
        for (int y = 0; y < h; ++y)
            blendRowOverWith(BlendKernel::Scalar, target.row(y), source.row(y), size_t(w), 255);
        benchmark::DoNotOptimize(target.pixels.data());
    }
    setCounters(state, int64_t(w) * h);
}

void blendArgs(benchmark::internal::Benchmark* b) {
    b->ArgNames({"side", "targetAlpha"});
    for (int side : {1920, 3000})
        for (int ta : {255, 128}) b->Args({side, ta});
    b->Unit(benchmark::kMillisecond);
}
BENCHMARK(BM_OursAlphaBlend)->Apply(blendArgs);
BENCHMARK(BM_PixmanOver)->Apply(blendArgs);
BENCHMARK(BM_OursAlphaBlendScalar)->Apply(blendArgs);

// 3000x3000 -> 1500x1500; items = destination pixels.
template <std::optional<Image> (*Resize)(const Image&, int, int)>
void BM_Resize(benchmark::State& state) {
    const Image source = halfTransparent(3000, 3000, 1);
    for (auto _ : state) {
        std::optional<Image> out = Resize(source, 1500, 1500);
        benchmark::DoNotOptimize(out->pixels.data());
    }
    setCounters(state, int64_t(1500) * 1500);
}
BENCHMARK(BM_Resize<resizeNearest>)
    ->Name("BM_ResizeNearest_3000_to_1500")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Resize<resizeSmooth>)
    ->Name("BM_ResizeSmooth_3000_to_1500")
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qm

BENCHMARK_MAIN();
