// Animation export against its peers, on 120 frames of 512 x 512 of a generated animation: a
// painted-looking still background (gradients with grain, thousands of colours), a shaded ball
// crossing it, a bar cycling through the hues and drifting specks.
//
// GIF: ours (writeGifAnimation) against Debian's ffmpeg program making a palette and using it
// (palettegen + paletteuse, ffmpeg's defaults: one palette from all frames, sierra2_4a
// dithering, or no dithering to compare with ours without), run as a subprocess on the raw
// frames; skipped when the program is absent. Each reports its time, the file size ("bytes"),
// ours its size over ffmpeg's ("size_vs_ffmpeg"), and the mean colour error of the decoded
// frames against the frames ("dE2000": mean CIEDE2000 over a quarter of the pixels, every
// second pixel of every second row of every frame).
//
// APNG: ours (writeApng, the file written) against libpng encoding the frames one by one
// (encodePng, the program's PNG settings; and libpng's defaults), in memory. "exact" is 1 when
// every frame of our file decodes to its frame bit for bit.
#include <benchmark/benchmark.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../tests/support/animation_readers.h"
#include "codecs/animation_encoders.h"
#include "codecs/codecs.h"
#include "platform/random.h"
#include "raster/image.h"

namespace {

using namespace qm;

constexpr int kSide = 512;
constexpr int kFrames = 120;
constexpr int kFps = 12;

std::vector<Image> makeAnimation() {
    Image background = *createImage(kSide, kSide, 32);
    Random rnd(2024);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            const double r = 60 + 120.0 * x / kSide + 20 * std::sin(y / 37.0);
            const double g = 80 + 100.0 * y / kSide + 15 * std::cos(x / 53.0);
            const double b = 140 + 60 * std::sin((x + y) / 90.0);
            const int grain = int(rnd(12)) - 6;
            auto c = [&](double v) { return uint32_t(std::clamp(int(v) + grain, 0, 255)); };
            background.at(x, y) = rgba(c(r), c(g), c(b), 255);
        }
    std::vector<Image> frames;
    for (int k = 0; k < kFrames; ++k) {
        Image f = background;
        // The ball, lit from the upper left.
        const double cx = 80 + 350.0 * k / (kFrames - 1), cy = 256 + 120 * std::sin(k * M_PI / 30);
        for (int y = int(cy) - 61; y <= int(cy) + 61; ++y)
            for (int x = int(cx) - 61; x <= int(cx) + 61; ++x) {
                const double dx = (x - cx) / 60, dy = (y - cy) / 60, d2 = dx * dx + dy * dy;
                if (d2 > 1 || !f.contains(x, y)) continue;
                const double nz = std::sqrt(1 - d2);
                const double light =
                    std::clamp(0.25 + 0.75 * (-0.5 * dx - 0.5 * dy + 0.7 * nz), 0.0, 1.0);
                f.at(x, y) = rgba(uint32_t(230 * light), uint32_t(120 * light + 20),
                                  uint32_t(60 * light + 10), 255);
            }
        // A bar cycling through the hues.
        const double hue = k * 6.0;
        auto channel = [&](double offset) {
            const double h = std::fmod(hue + offset, 360.0);
            const double v = h < 60 ? h / 60 : h < 180 ? 1 : h < 240 ? (240 - h) / 60 : 0;
            return uint32_t(40 + 200 * v);
        };
        for (int y = 40; y < 80; ++y)
            for (int x = 380; x < 480; ++x)
                f.at(x, y) = rgba(channel(0), channel(120), channel(240), 255);
        // Specks drifting down.
        Random specks(7);
        for (int i = 0; i < 40; ++i) {
            const int sx = int(specks(kSide - 4)),
                      sy = (int(specks(kSide)) + k * (2 + i % 5)) % (kSide - 4);
            const uint32_t colour = specks.next() | 0xFF000000u;
            for (int y = sy; y < sy + 3; ++y)
                for (int x = sx; x < sx + 3; ++x) f.at(x, y) = colour;
        }
        frames.push_back(std::move(f));
    }
    return frames;
}

const std::vector<Image>& animation() {
    static const std::vector<Image> frames = makeAnimation();
    return frames;
}

std::vector<TimedFrame> timedFrames() {
    std::vector<TimedFrame> timed;
    for (int k = 0; k < kFrames; ++k) {
        const int start = int(std::lround(k * 1000.0 / kFps)),
                  end = int(std::lround((k + 1) * 1000.0 / kFps));
        timed.push_back({&animation()[size_t(k)], end - start});
    }
    return timed;
}

std::string scratch(const std::string& name) {
    static const std::string folder = [] {
        // In memory when the system has such a folder: the encoders are measured, not the disk.
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm")
                                               ? "/dev/shm"
                                               : std::filesystem::temp_directory_path();
        const auto path = base / ("qm_bench_export_" + std::to_string(getpid()));
        std::filesystem::create_directories(path);
        static const std::string made = path.string();
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(made, ignored);
        });
        return made;
    }();
    return folder + "/" + name;
}

// ---- CIEDE2000 -----------------------------------------------------------------------------

struct Lab {
    double L, a, b;
};

Lab labOf(uint32_t c) {
    auto lin = [](uint32_t v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    const double r = lin(red(c)), g = lin(green(c)), b = lin(blue(c));
    const double X = (0.4124564 * r + 0.3575761 * g + 0.1804375 * b) / 0.95047;
    const double Y = 0.2126729 * r + 0.7151522 * g + 0.0721750 * b;
    const double Z = (0.0193339 * r + 0.1191920 * g + 0.9503041 * b) / 1.08883;
    auto f = [](double t) {
        return t > 216.0 / 24389 ? std::cbrt(t) : (24389.0 / 27 * t + 16) / 116;
    };
    return {116 * f(Y) - 16, 500 * (f(X) - f(Y)), 200 * (f(Y) - f(Z))};
}

double ciede2000(const Lab& x, const Lab& y) {
    const double deg = M_PI / 180;
    const double c1 = std::hypot(x.a, x.b), c2 = std::hypot(y.a, y.b), cm = (c1 + c2) / 2;
    const double g = 0.5 * (1 - std::sqrt(std::pow(cm, 7) / (std::pow(cm, 7) + std::pow(25.0, 7))));
    const double a1 = x.a * (1 + g), a2 = y.a * (1 + g);
    const double C1 = std::hypot(a1, x.b), C2 = std::hypot(a2, y.b);
    auto hue = [&](double b, double a) {
        if (a == 0 && b == 0) return 0.0;
        const double h = std::atan2(b, a) / deg;
        return h < 0 ? h + 360 : h;
    };
    const double h1 = hue(x.b, a1), h2 = hue(y.b, a2);
    const double dL = y.L - x.L, dC = C2 - C1;
    double dh = 0;
    if (C1 * C2 != 0) {
        dh = h2 - h1;
        if (dh > 180) dh -= 360;
        if (dh < -180) dh += 360;
    }
    const double dH = 2 * std::sqrt(C1 * C2) * std::sin(dh * deg / 2);
    const double Lm = (x.L + y.L) / 2, Cm = (C1 + C2) / 2;
    double hm = h1 + h2;
    if (C1 * C2 != 0) {
        if (std::abs(h1 - h2) > 180) hm += h1 + h2 < 360 ? 360 : -360;
        hm /= 2;
    }
    const double T = 1 - 0.17 * std::cos((hm - 30) * deg) + 0.24 * std::cos(2 * hm * deg) +
                     0.32 * std::cos((3 * hm + 6) * deg) - 0.20 * std::cos((4 * hm - 63) * deg);
    const double dTheta = 30 * std::exp(-std::pow((hm - 275) / 25, 2));
    const double Rc = 2 * std::sqrt(std::pow(Cm, 7) / (std::pow(Cm, 7) + std::pow(25.0, 7)));
    const double Sl = 1 + 0.015 * std::pow(Lm - 50, 2) / std::sqrt(20 + std::pow(Lm - 50, 2));
    const double Sc = 1 + 0.045 * Cm, Sh = 1 + 0.015 * Cm * T;
    const double Rt = -std::sin(2 * dTheta * deg) * Rc;
    return std::sqrt(std::pow(dL / Sl, 2) + std::pow(dC / Sc, 2) + std::pow(dH / Sh, 2) +
                     Rt * (dC / Sc) * (dH / Sh));
}

// The mean CIEDE2000 of a GIF file's frames against the animation; -1 when it does not decode
// to the animation's frame count.
double gifError(const std::string& path) {
    const auto played = test::playGif(test::readBytes(path));
    if (!played.error.empty() || played.frames.size() != size_t(kFrames)) return -1;
    double total = 0;
    size_t n = 0;
    for (int k = 0; k < kFrames; ++k) {
        const Image& want = animation()[size_t(k)];
        const Image& got = played.frames[size_t(k)].picture;
        for (int y = 0; y < kSide; y += 2)
            for (int x = 0; x < kSide; x += 2) {
                const uint32_t p = want.at(x, y), q = got.at(x, y);
                total += p == q ? 0 : ciede2000(labOf(p), labOf(q));
                ++n;
            }
    }
    return total / double(n);
}

// ---- ffmpeg ----------------------------------------------------------------------------------

bool haveFfmpeg() {
    return std::system("ffmpeg -version >/dev/null 2>&1") == 0;
}

const std::string& rawFrames() {
    static const std::string path = [] {
        const std::string p = scratch("frames.rgba");
        std::ofstream out(p, std::ios::binary);
        for (const Image& f : animation())
            out.write(reinterpret_cast<const char*>(f.pixels.data()),
                      std::streamsize(f.pixels.size() * 4));
        return p;
    }();
    return path;
}

bool runFfmpegGif(const std::string& out, const char* dither) {
    const std::string command =
        "ffmpeg -v error -y -f rawvideo -pix_fmt rgba -s " + std::to_string(kSide) + "x" +
        std::to_string(kSide) + " -r " + std::to_string(kFps) + " -i " + rawFrames() +
        " -filter_complex \"[0:v]split[a][b];[a]palettegen[p];[b][p]paletteuse=dither=" + dither +
        "\" " + out;
    return std::system(command.c_str()) == 0;
}

struct Measured {
    double bytes = 0, error = -1;
};
Measured& ffmpegResult(const char* dither) {
    static Measured sierra, none;
    Measured& m = std::string(dither) == "none" ? none : sierra;
    if (m.bytes == 0 && haveFfmpeg()) {
        const std::string out = scratch(std::string("ffmpeg_") + dither + ".gif");
        if (runFfmpegGif(out, dither)) {
            m.bytes = double(std::filesystem::file_size(out));
            m.error = gifError(out);
        }
    }
    return m;
}

// ---- GIF -------------------------------------------------------------------------------------

void BM_Gif_Ours(benchmark::State& state) {
    const GifDither dither = GifDither(state.range(0));
    const auto frames = timedFrames();
    AnimationEncodeOptions options;
    options.dither = dither;
    const std::string out = scratch("ours.gif");
    for (auto _ : state) {
        const std::string result = writeGifAnimation(out, frames, options);
        if (!result.empty()) state.SkipWithError(result.c_str());
    }
    const double bytes = double(std::filesystem::file_size(out));
    state.counters["bytes"] = bytes;
    state.counters["dE2000"] = gifError(out);
    const Measured& peer = ffmpegResult(dither == GifDither::None ? "none" : "sierra2_4a");
    if (peer.bytes > 0) {
        state.counters["size_vs_ffmpeg"] = bytes / peer.bytes;
        state.counters["ffmpeg_dE2000"] = peer.error;
    }
}
BENCHMARK(BM_Gif_Ours)
    ->ArgName("dither")
    ->Arg(int(GifDither::Diffusion))
    ->Arg(int(GifDither::Ordered))
    ->Arg(int(GifDither::None))
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

void BM_Gif_Ffmpeg(benchmark::State& state) {
    if (!haveFfmpeg()) {
        state.SkipWithError("ffmpeg is not installed");
        return;
    }
    const char* dither = state.range(0) == 0 ? "none" : "sierra2_4a";
    rawFrames();  // written before timing
    const std::string out = scratch(std::string("ffmpeg_timed_") + dither + ".gif");
    for (auto _ : state)
        if (!runFfmpegGif(out, dither)) state.SkipWithError("ffmpeg failed");
    const Measured& m = ffmpegResult(dither);
    state.counters["bytes"] = m.bytes;
    state.counters["dE2000"] = m.error;
}
BENCHMARK(BM_Gif_Ffmpeg)
    ->ArgName("dither")
    ->Arg(2)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

// ---- APNG ------------------------------------------------------------------------------------

void BM_Apng_Ours(benchmark::State& state) {
    const auto frames = timedFrames();
    const std::string out = scratch("ours.apng");
    for (auto _ : state) {
        const std::string result = writeApng(out, frames, {});
        if (!result.empty()) state.SkipWithError(result.c_str());
    }
    state.counters["bytes"] = double(std::filesystem::file_size(out));
    const auto played = test::playApng(test::readBytes(out));
    bool exact = played.error.empty() && played.frames.size() == size_t(kFrames);
    for (size_t k = 0; exact && k < played.frames.size(); ++k)
        exact = played.frames[k].picture.pixels == animation()[k].pixels;
    state.counters["exact"] = exact;
}
BENCHMARK(BM_Apng_Ours)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

// libpng with the program's settings (level 4, Sub on every row), frame by frame.
void BM_Apng_LibpngFrames(benchmark::State& state) {
    double bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        std::vector<uint8_t> out;
        std::string error;
        for (const Image& f : animation()) {
            encodePng(f, out, error);
            bytes += double(out.size());
        }
    }
    state.counters["bytes"] = bytes;
}
BENCHMARK(BM_Apng_LibpngFrames)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

// libpng with its own defaults (level 6, adaptive filters), frame by frame.
void writeBytes(png_structp png, png_bytep data, size_t n) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}
// One frame through libpng at its defaults; false when libpng fails. The locals are all
// trivially destructible, so libpng's longjmp skips no destructor.
bool encodeWithLibpngDefaults(const Image& f, std::vector<uint8_t>* out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, writeBytes, nullptr);
    png_set_IHDR(png, info, kSide, kSide, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < kSide; ++y) png_write_row(png, reinterpret_cast<png_const_bytep>(f.row(y)));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

void BM_Apng_LibpngDefaultFrames(benchmark::State& state) {
    double bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        for (const Image& f : animation()) {
            std::vector<uint8_t> out;
            if (!encodeWithLibpngDefaults(f, &out)) state.SkipWithError("libpng failed");
            bytes += double(out.size());
        }
    }
    state.counters["bytes"] = bytes;
}
BENCHMARK(BM_Apng_LibpngDefaultFrames)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

}  // namespace

BENCHMARK_MAIN();
