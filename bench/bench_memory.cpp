// What memory costs on this machine, and what the program keeps resident.
//
// BM_FirstTouch: the cost of the first write to a page the process never touched (a fresh
// anonymous mapping, one byte per page), in microseconds per page, next to a second write to the
// same pages; and whether reading a page that was never written makes it resident
// (reads_allocate 1: no shared zero page on this kernel). Both differ from machine to machine
// of our kind, which is why the other figures are given in pages as well as in time.
//
// BM_Memory_*: resident memory of a started program (the fake interface, a 1600 x 900 canvas):
// the default empty 3000 x 3000 document, and ten 3000 x 3000 layers with one 200-pixel stroke
// each. Counters: rss_mb (resident now), peak_rss_mb (the most so far), live_tiles (tiles held
// by the layers and the history). Each case must run in its own process, since the peak and the
// allocator's state carry over:
//
//   for c in FirstTouch Memory_Empty3000 Memory_TenLayersOneStroke; do
//       build-bench/bench/bench_memory --benchmark_filter="BM_$c/"
//       --benchmark_counters_tabular=true
//   done
#include <benchmark/benchmark.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "bench_support.h"
#include "document/document_ops.h"
#include "platform/fake_ui.h"
#include "raster/tile_pool.h"
#include "reference_scene.h"
#include "shell/app.h"
#include "shell/events.h"

namespace qm {
namespace {

double residentMb() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

double peakResidentMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;  // kB
}

void BM_FirstTouch(benchmark::State& state) {
    constexpr size_t kBytes = size_t(64) << 20;
    const size_t page = size_t(sysconf(_SC_PAGESIZE));
    double firstNs = 0, againNs = 0, readsAllocate = 0;
    int64_t rounds = 0;
    for (auto _ : state) {
        auto* p = static_cast<volatile char*>(
            mmap(nullptr, kBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        if (p == MAP_FAILED) {
            state.SkipWithError("no memory");
            return;
        }
        madvise(const_cast<char*>(p), kBytes, MADV_NOHUGEPAGE);  // a page each, as most blocks
        auto t0 = std::chrono::steady_clock::now();
        for (size_t at = 0; at < kBytes; at += page) p[at] = 1;
        auto t1 = std::chrono::steady_clock::now();
        for (size_t at = 0; at < kBytes; at += page) p[at] = 2;
        auto t2 = std::chrono::steady_clock::now();
        firstNs += double(std::chrono::duration_cast<std::chrono::nanoseconds>(t1 - t0).count());
        againNs += double(std::chrono::duration_cast<std::chrono::nanoseconds>(t2 - t1).count());
        munmap(const_cast<char*>(p), kBytes);

        // Reading only: does the resident size grow by the mapping?
        auto* q = static_cast<volatile char*>(
            mmap(nullptr, kBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        if (q == MAP_FAILED) {
            state.SkipWithError("no memory");
            return;
        }
        madvise(const_cast<char*>(q), kBytes, MADV_NOHUGEPAGE);
        const double before = residentMb();
        int sum = 0;
        for (size_t at = 0; at < kBytes; at += page) sum += q[at];
        benchmark::DoNotOptimize(sum);
        readsAllocate += residentMb() - before > double(kBytes >> 20) / 2 ? 1 : 0;
        munmap(const_cast<char*>(q), kBytes);
        ++rounds;
    }
    const double pages = double(kBytes / page) * double(rounds);
    state.counters["first_us_per_page"] = firstNs / pages / 1e3;
    state.counters["again_us_per_page"] = againNs / pages / 1e3;
    state.counters["reads_allocate"] = rounds ? readsAllocate / double(rounds) : 0;
}

struct Program {
    Program() {
        ui.setCanvasSize(bench::kCanvasW, bench::kCanvasH);
        started = startUp(app);
    }
    FakeUi ui;
    App app{ui};
    bool started = false;
};

void report(benchmark::State& state) {
    state.counters["rss_mb"] = residentMb();
    state.counters["peak_rss_mb"] = peakResidentMb();
    state.counters["live_tiles"] = double(tilePoolStats().live);
}

// Starts the program, lets `use` work in it, composes the canvas and reports what is resident.
template <typename Use>
void measureProgram(benchmark::State& state, Use&& use) {
    for (auto _ : state) {
        Program program;
        if (!program.started) {
            state.SkipWithError("start-up failed");
            return;
        }
        use(program.app);
        recomposeView(program.app, false);
        state.PauseTiming();
        report(state);
        state.ResumeTiming();
    }
}

// The program as a new user finds it: the default document, composed on the canvas.
void BM_Memory_Empty3000(benchmark::State& state) {
    measureProgram(state, [](App&) {});
}

// Ten 3000 x 3000 layers of a new document, each with one 200-pixel stroke of the reference
// brush, composed.
void BM_Memory_TenLayersOneStroke(benchmark::State& state) {
    measureProgram(state, [](App& app) {
        newSquareDocument(app, 3000);
        while (app.doc.layers.size() < 10) addLayerCommand(app);
        app.brush.size = 32;
        app.brush.alpha = 255;
        app.brush.color = rgba(0, 0, 0, 255);
        int y = 100;
        for (size_t i = 0; i < app.doc.layers.size(); ++i) {
            selectLayerRow(app, int(i));
            referenceStroke(app, nextSceneRow(y));
        }
    });
}

BENCHMARK(BM_FirstTouch)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memory_Empty3000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memory_TenLayersOneStroke)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qm

BENCHMARK_MAIN();
