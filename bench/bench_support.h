// Shared pieces of the benchmarks: the test images, pixman's premultiplied copies, counters.
#pragma once

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "platform/random.h"
#include "raster/image.h"

namespace qm::bench {

// The reference scene: a 3000 x 3000 document of ten layers in these blend modes, shown on a
// 1600 x 900 canvas.
constexpr int kDoc = 3000;
constexpr int kCanvasW = 1600, kCanvasH = 900;
constexpr int kSceneModes[10] = {0, 1, 3, 4, 11, 0, 1, 3, 4, 11};

// Opaque pixels of random colours (a paper, an opaque layer).
inline Image opaqueRandom(int w, int h, uint64_t seed, int depth = 32) {
    Image img = *createImage(w, h, depth);
    Random rnd(seed);
    for (uint32_t& p : img.pixels) p = rnd.next() | 0xFF000000u;
    return img;
}

// Half of the pixels transparent, in alternating runs of 64 along each row, the runs shifted by
// 32 pixels from one row to the next; visible pixels have random colours and a random alpha
// 1..255, a quarter of them opaque.
inline Image halfTransparent(int w, int h, uint64_t seed) {
    Image img = *createImage(w, h);
    Random rnd(seed);
    for (int y = 0; y < h; ++y) {
        uint32_t* row = img.row(y);
        for (int x = 0; x < w; ++x) {
            if (((x + 32 * y) / 64) % 2 == 0) continue;  // transparent run
            const uint32_t a = rnd(3) == 0 ? 255 : 1 + uint32_t(rnd(254));
            row[x] = (rnd.next() & 0x00FFFFFFu) | (a << 24);
        }
    }
    return img;
}

// Straight RGBA (ours) to premultiplied a8r8g8b8 (pixman's native order on little endian).
inline std::vector<uint32_t> premultiplied(const Image& img) {
    std::vector<uint32_t> out(img.pixels.size());
    for (size_t i = 0; i < out.size(); ++i) {
        const uint32_t p = img.pixels[i], a = alpha(p);
        const auto pm = [a](uint32_t c) { return (c * a + 127) / 255; };
        out[i] = (a << 24) | (pm(red(p)) << 16) | (pm(green(p)) << 8) | pm(blue(p));
    }
    return out;
}

// Items = pixels, and ns_per_px (printed with an "s" suffix; the number is nanoseconds).
inline void setCounters(benchmark::State& state, int64_t pixels) {
    state.SetItemsProcessed(state.iterations() * pixels);
    state.counters["ns_per_px"] =
        benchmark::Counter(double(state.iterations() * pixels) * 1e-9,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Minor page faults of the process so far, every thread included: a page the process touched
// for the first time (or got back after giving it away). Reported next to times, since what a
// fault costs differs from machine to machine while their number does not.
inline int64_t minorFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return int64_t(usage.ru_minflt);
}

// Counts the minor faults of the timed loop. It starts when made, right before the loop; pause()
// and resume() go next to state.PauseTiming() and ResumeTiming(), so untimed set-up is left out;
// report() after the loop stops it and sets the counters faults_per_iter and, when the
// iteration writes pixels, faults_per_64KB (faults per 64 KB written).
class FaultCounter {
public:
    FaultCounter() : started_(minorFaults()) {}
    void pause() {
        if (running_) counted_ += minorFaults() - started_, running_ = false;
    }
    void resume() {
        if (!running_) started_ = minorFaults(), running_ = true;
    }
    int64_t faults() {
        pause();
        return counted_;
    }
    void report(benchmark::State& state, double bytesWrittenPerIteration = 0) {
        const double faults = double(this->faults());
        const double iterations =
            double(std::max<benchmark::IterationCount>(state.iterations(), 1));
        state.counters["faults_per_iter"] = faults / iterations;
        if (bytesWrittenPerIteration > 0)
            state.counters["faults_per_64KB"] =
                faults / (iterations * bytesWrittenPerIteration / 65536.0);
    }

private:
    int64_t started_ = 0, counted_ = 0;
    bool running_ = true;
};

// CPU time in nanoseconds: of the whole process (every thread), or of the calling thread only
// (which, unlike the wall clock, does not count the time it waits while other processes run).
enum class CpuClock { Process, Thread };
inline double cpuNs(CpuClock clock) {
    timespec t{};
    clock_gettime(clock == CpuClock::Process ? CLOCK_PROCESS_CPUTIME_ID : CLOCK_THREAD_CPUTIME_ID,
                  &t);
    return double(t.tv_sec) * 1e9 + double(t.tv_nsec);
}

// One side of a pair of operations timed in the same iterations, alternating, so that their
// ratio holds while the machine is busy: wall-clock and CPU nanoseconds and minor page faults,
// summed over the runs.
struct PairSide {
    double ns = 0, cpuNs = 0;
    FaultCounter counter;
    CpuClock clock;
    explicit PairSide(CpuClock c = CpuClock::Process) : clock(c) { counter.pause(); }
    template <typename Fn>
    void run(Fn&& operation) {
        counter.resume();
        const double c0 = bench::cpuNs(clock);
        const auto t0 = std::chrono::steady_clock::now();
        operation();
        const auto t1 = std::chrono::steady_clock::now();
        cpuNs += bench::cpuNs(clock) - c0;
        counter.pause();
        ns += double(std::chrono::duration_cast<std::chrono::nanoseconds>(t1 - t0).count());
    }
};

// Counters of a pair: each side's microseconds and faults per iteration, "ratio" a / b in
// wall-clock time and "cpu_ratio" in CPU time.
inline void reportPair(benchmark::State& state, const std::string& a, PairSide& sa,
                       const std::string& b, PairSide& sb) {
    const double n = double(std::max<benchmark::IterationCount>(state.iterations(), 1));
    state.counters[a + "_us"] = sa.ns / n / 1e3;
    state.counters[b + "_us"] = sb.ns / n / 1e3;
    state.counters["ratio"] = sb.ns > 0 ? sa.ns / sb.ns : 0.0;
    state.counters["cpu_ratio"] = sb.cpuNs > 0 ? sa.cpuNs / sb.cpuNs : 0.0;
    state.counters[a + "_minflt"] = double(sa.counter.faults()) / n;
    state.counters[b + "_minflt"] = double(sb.counter.faults()) / n;
}

}  // namespace qm::bench
