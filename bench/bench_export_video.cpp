// Animated WebP and video export of 120 frames of 512 x 512 (a generated animation: a bouncing,
// squashing ball with its shadow, a turning ink star, a walking figure of strokes), against
// peers in the same run:
// - lossless WebP through the animation encoder vs libwebp encoding the same frames one by one
//   (WebPEncodeLosslessRGBA); arg 0 = the frames without paper (transparent, as exports are by
//   default), 1 = on paper (opaque);
// - MP4 (H.264, 24 fps, quality 90) vs the `ffmpeg` program encoding the same frames from PNG
//   files at the same settings (libx264, preset medium, tune animation, the same CRF, BT.709
//   limited range); the PNG files are written before the timing starts. Skipped when the
//   program is not installed (scripts/install-deps.sh --bench installs it).
// - WebM (VP9) for its own time.
// Times are wall-clock (the encoders and the program use threads). Counters: file_MB is the
// output size (for the one-by-one peer, the sum of the single images).
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <webp/encode.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "codecs/codecs.h"
#include "codecs/video.h"
#include "codecs/webp_animation.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int kFrames = 120;
constexpr int kSide = 512;
constexpr int kFps = 24;
constexpr int kQuality = 90;

// Straight-alpha "over" of a colour with coverage `a` (0..1) onto a pixel.
void paint(uint32_t& dst, uint32_t r, uint32_t g, uint32_t b, double a) {
    if (a <= 0) return;
    a = std::min(a, 1.0);
    const double da = qm::alpha(dst) / 255.0;
    const double oa = a + da * (1 - a);
    auto mix = [&](uint32_t s, uint32_t d) {
        return uint32_t(std::lround((s * a + d * da * (1 - a)) / oa));
    };
    dst = qm::rgba(mix(r, qm::red(dst)), mix(g, qm::green(dst)), mix(b, qm::blue(dst)),
                   uint32_t(std::lround(oa * 255)));
}

// Coverage of a pixel centre at distance d inside (negative) or outside an edge.
double coverage(double d) {
    return std::clamp(0.5 - d, 0.0, 1.0);
}

double segmentDistance(double px, double py, double ax, double ay, double bx, double by) {
    const double vx = bx - ax, vy = by - ay;
    const double t = std::clamp(((px - ax) * vx + (py - ay) * vy) / (vx * vx + vy * vy), 0.0, 1.0);
    return std::hypot(px - ax - t * vx, py - ay - t * vy);
}

void stroke(qm::Image& img, double ax, double ay, double bx, double by, double width,
            uint32_t colour) {
    const int x0 = std::max(0, int(std::min(ax, bx) - width)),
              x1 = std::min(img.width - 1, int(std::max(ax, bx) + width));
    const int y0 = std::max(0, int(std::min(ay, by) - width)),
              y1 = std::min(img.height - 1, int(std::max(ay, by) + width));
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            paint(img.at(x, y), qm::red(colour), qm::green(colour), qm::blue(colour),
                  coverage(segmentDistance(x + 0.5, y + 0.5, ax, ay, bx, by) - width / 2));
}

qm::Image makeFrame(int k, bool paper) {
    qm::Image img = *qm::createImage(kSide, kSide);
    if (paper)
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x)
                img.at(x, y) = qm::rgba(246 - y / 64, 241 - y / 48, 228 - x / 64, 255);
    const double t = double(k) / kFrames;
    // The ball: one bounce every 30 frames, squashed on the floor.
    const double phase = std::fmod(k, 30) / 30.0;
    const double height = 4 * phase * (1 - phase);
    const double cx = 80 + 350 * t, cy = 420 - 300 * height;
    const double squash = 1 + 0.35 * std::max(0.0, 0.15 - height) / 0.15;
    const double rx = 45 * squash, ry = 45 / squash;
    for (int y = 300; y < kSide; ++y)  // the shadow, translucent
        for (int x = 0; x < kSide; ++x) {
            const double d = std::hypot((x - cx) / (50 - 20 * height), (y - 468.0) / 8) - 1;
            paint(img.at(x, y), 30, 25, 40, 0.35 * coverage(d * 10));
        }
    for (int y = std::max(0, int(cy - ry - 2)); y < std::min(kSide, int(cy + ry + 2)); ++y)
        for (int x = std::max(0, int(cx - rx - 2)); x < std::min(kSide, int(cx + rx + 2)); ++x) {
            const double d = (std::hypot((x + 0.5 - cx) / rx, (y + 0.5 - cy) / ry) - 1) * ry;
            const double light =
                std::clamp(1.2 - std::hypot(x - cx + 15, y - cy + 15) / 60, 0.5, 1.0);
            paint(img.at(x, y), uint32_t(240 * light), uint32_t(120 * light), 30, coverage(d));
        }
    // The star, turning, in ink.
    const double angle = 2 * M_PI * t;
    for (int i = 0; i < 5; ++i) {
        const double a0 = angle + i * 4 * M_PI / 5, a1 = angle + (i + 1) * 4 * M_PI / 5;
        stroke(img, 400 + 70 * std::cos(a0), 110 + 70 * std::sin(a0), 400 + 70 * std::cos(a1),
               110 + 70 * std::sin(a1), 5, qm::rgba(20, 20, 60, 255));
    }
    // The walker: legs and arms swinging, body moving right to left.
    const double wx = 470 - 400 * t, swing = 0.5 * std::sin(4 * M_PI * t * 4);
    const uint32_t ink = qm::rgba(35, 30, 30, 255);
    stroke(img, wx, 150, wx, 230, 7, ink);  // body
    for (double s : {swing, -swing}) {
        stroke(img, wx, 230, wx + 45 * std::sin(s), 230 + 45 * std::cos(s), 6, ink);
        stroke(img, wx, 170, wx + 40 * std::sin(-s), 170 + 40 * std::cos(-s), 5, ink);
    }
    for (int y = 110; y < 150; ++y)  // the head
        for (int x = int(wx) - 20; x < int(wx) + 20; ++x)
            if (x >= 0 && x < kSide)
                paint(img.at(x, y), 35, 30, 30,
                      coverage(std::abs(std::hypot(x + 0.5 - wx, y + 0.5 - 130) - 15) - 3));
    return img;
}

const std::vector<qm::Image>& frames(bool paper) {
    static std::vector<qm::Image> cache[2];
    std::vector<qm::Image>& f = cache[paper];
    if (f.empty())
        for (int k = 0; k < kFrames; ++k) f.push_back(makeFrame(k, paper));
    return f;
}

// A folder for the files of one run, removed at exit.
struct Scratch {
    fs::path path;
    Scratch() {
        std::string name = (fs::temp_directory_path() / "qm_bench_video_XXXXXX").string();
        path = mkdtemp(name.data());
    }
    ~Scratch() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};
Scratch& scratch() {
    static Scratch s;
    return s;
}

std::vector<qm::TimedFrame> timedFrames(bool paper) {
    std::vector<qm::TimedFrame> out;
    for (int k = 0; k < kFrames; ++k)  // 24 fps: frame k starts at round(k * 1000 / 24) ms
        out.push_back({&frames(paper)[size_t(k)],
                       int(std::lround((k + 1) * 1000.0 / kFps) - std::lround(k * 1000.0 / kFps))});
    return out;
}

void reportSize(benchmark::State& state, uintmax_t bytes) {
    state.counters["file_MB"] = double(bytes) / 1e6;
    state.counters["ms_per_frame"] =
        benchmark::Counter(double(state.iterations() * kFrames) * 1e-3,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_WebpAnimation_Lossless(benchmark::State& state) {
    const std::vector<qm::TimedFrame> timed = timedFrames(state.range(0) != 0);
    const std::string path = (scratch().path / "anim.webp").string();
    for (auto _ : state) {
        const std::string error = qm::writeWebpAnimation(path, timed, {});
        if (!error.empty()) state.SkipWithError(error.c_str());
    }
    reportSize(state, fs::file_size(path));
}
BENCHMARK(BM_WebpAnimation_Lossless)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(2)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void BM_WebpFrameByFrame_LibwebpLossless(benchmark::State& state) {
    const std::vector<qm::Image>& f = frames(state.range(0) != 0);
    size_t total = 0;
    for (auto _ : state) {
        total = 0;
        for (const qm::Image& img : f) {
            uint8_t* out = nullptr;
            total += WebPEncodeLosslessRGBA(reinterpret_cast<const uint8_t*>(img.pixels.data()),
                                            img.width, img.height, img.width * 4, &out);
            WebPFree(out);
        }
    }
    reportSize(state, total);
}
BENCHMARK(BM_WebpFrameByFrame_LibwebpLossless)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(2)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void BM_Video(benchmark::State& state, qm::VideoCodec codec, const char* name) {
    std::vector<const qm::Image*> ptrs;
    for (const qm::Image& img : frames(true)) ptrs.push_back(&img);
    const std::string path = (scratch().path / name).string();
    qm::AnimationEncodeOptions options;
    options.quality = kQuality;
    for (auto _ : state) {
        const std::string error = qm::writeVideo(path, codec, ptrs, kFps, options);
        if (!error.empty()) state.SkipWithError(error.c_str());
    }
    reportSize(state, fs::file_size(path));
}
BENCHMARK_CAPTURE(BM_Video, Mp4, qm::VideoCodec::H264Mp4, "ours.mp4")
    ->Iterations(2)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Video, Webm, qm::VideoCodec::Vp9Webm, "ours.webm")
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

bool onPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        const size_t end = std::min(dirs.find(':', start), dirs.size());
        const std::string candidate = dirs.substr(start, end - start) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

int run(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void BM_Mp4_FfmpegProgramFromPngs(benchmark::State& state) {
    if (!onPath("ffmpeg")) {
        state.SkipWithError(
            "the ffmpeg program is not installed (scripts/install-deps.sh --bench)");
        return;
    }
    const fs::path pngs = scratch().path / "png";
    fs::create_directories(pngs);
    for (int k = 0; k < kFrames; ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "f%03d.png", k);
        std::string error;
        if (!qm::savePngFile(frames(true)[size_t(k)], (pngs / name).string(), error)) {
            state.SkipWithError(error.c_str());
            return;
        }
    }
    const std::string out = (scratch().path / "peer.mp4").string();
    const std::string crf = std::to_string(qm::videoCrf(qm::VideoCodec::H264Mp4, kQuality));
    const std::vector<std::string> args = {
        "ffmpeg",
        "-nostdin",
        "-v",
        "error",
        "-y",
        "-framerate",
        std::to_string(kFps),
        "-i",
        (pngs / "f%03d.png").string(),
        "-vf",
        "scale=out_color_matrix=bt709:out_range=tv,format=yuv420p",
        "-c:v",
        "libx264",
        "-preset",
        "medium",
        "-tune",
        "animation",
        "-crf",
        crf,
        "-color_range",
        "tv",
        "-colorspace",
        "bt709",
        "-color_primaries",
        "bt709",
        "-color_trc",
        "bt709",
        out};
    for (auto _ : state)
        if (run(args) != 0) state.SkipWithError("the ffmpeg program failed");
    reportSize(state, fs::exists(out) ? fs::file_size(out) : 0);
}
BENCHMARK(BM_Mp4_FfmpegProgramFromPngs)
    ->Iterations(2)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
