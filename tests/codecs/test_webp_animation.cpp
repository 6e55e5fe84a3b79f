// Animated WebP: lossless frames decode to the exact input, timing and looping survive, lossy
// mode stays close, and bad input or a cancel leaves no file.
#include <gtest/gtest.h>
#include <webp/demux.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "codecs/encoder_support.h"
#include "codecs/webp_animation.h"
#include "support/temp_folder.h"

namespace qm {
namespace {

using test::TempFolder;

struct DecodedFrame {
    std::vector<uint32_t> pixels;
    int endMs = 0;  // the time the frame ends, as the format counts it
};
struct DecodedAnimation {
    int width = 0, height = 0, loopCount = -1;
    std::vector<DecodedFrame> frames;
};

std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every frame as the viewer shows it (the canvas after the frame), in straight RGBA.
DecodedAnimation decode(const std::string& path) {
    const std::vector<uint8_t> bytes = readBytes(path);
    WebPData data{bytes.data(), bytes.size()};
    WebPAnimDecoderOptions options;
    WebPAnimDecoderOptionsInit(&options);
    options.color_mode = MODE_RGBA;
    WebPAnimDecoder* decoder = WebPAnimDecoderNew(&data, &options);
    DecodedAnimation out;
    if (!decoder) return out;
    WebPAnimInfo info;
    WebPAnimDecoderGetInfo(decoder, &info);
    out.width = int(info.canvas_width);
    out.height = int(info.canvas_height);
    out.loopCount = int(info.loop_count);
    const size_t count = size_t(out.width) * size_t(out.height);
    uint8_t* rgba = nullptr;
    int timestamp = 0;
    while (WebPAnimDecoderGetNext(decoder, &rgba, &timestamp)) {
        DecodedFrame frame;
        frame.pixels.resize(count);
        std::memcpy(frame.pixels.data(), rgba, count * 4);
        frame.endMs = timestamp;
        out.frames.push_back(std::move(frame));
    }
    WebPAnimDecoderDelete(decoder);
    return out;
}

Image filled(int w, int h, uint32_t colour) {
    Image img = *createImage(w, h);
    std::fill(img.pixels.begin(), img.pixels.end(), colour);
    return img;
}

// Frames that make the encoder use every way it has: a moving opaque square on transparency,
// translucent pixels over what was opaque before, opaque pixels turning transparent, a frame
// equal to the one before, a fully transparent frame, noise, an opaque frame.
std::vector<Image> trickyFrames(int w, int h) {
    std::vector<Image> frames;
    for (int k = 0; k < 4; ++k) {
        Image img = *createImage(w, h);
        for (int y = 2; y < 12; ++y)
            for (int x = 3 * k; x < 3 * k + 10; ++x) img.at(x, y) = rgba(200, 30 + 20 * k, 90, 255);
        frames.push_back(std::move(img));
    }
    Image translucent = frames.back();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; x += 2)
            translucent.at(x, y) = rgba(uint32_t(x * 7), uint32_t(y * 9), 250, uint32_t(1 + x + y));
    frames.push_back(translucent);
    frames.push_back(translucent);  // the same again
    frames.push_back(*createImage(w, h));
    // Random pixels, every fifth one transparent with its colour kept (exact mode keeps it).
    Image noise = *createImage(w, h);
    uint32_t seed = 12345;
    for (size_t i = 0; i < noise.pixels.size(); ++i) {
        seed = seed * 1664525u + 1013904223u;
        noise.pixels[i] = i % 5 == 0 ? seed & 0x00FFFFFFu : seed;
    }
    frames.push_back(noise);
    frames.push_back(filled(w, h, rgba(10, 20, 30, 255)));
    return frames;
}

std::vector<TimedFrame> timed(const std::vector<Image>& images, const std::vector<int>& durations) {
    std::vector<TimedFrame> out;
    for (size_t i = 0; i < images.size(); ++i)
        out.push_back({&images[i], durations[i % durations.size()]});
    return out;
}

// Opaque frames: a shaded paper with a disc moving over it (the encoder marks unchanged pixels
// as transparent to blend them away; those marks must not show).
std::vector<Image> opaqueFrames(int w, int h) {
    std::vector<Image> frames;
    for (int k = 0; k < 6; ++k) {
        Image img = *createImage(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const bool disc = (x - 5 * k - 6) * (x - 5 * k - 6) + (y - 10) * (y - 10) < 30;
                img.at(x, y) = disc ? rgba(220, 90, 30, 255)
                                    : rgba(240 - uint32_t(y), 235 - uint32_t(x), 220, 255);
            }
        frames.push_back(std::move(img));
    }
    frames.push_back(frames.back());
    return frames;
}

TEST(WebpAnimation, LosslessFramesDecodeToTheExactInputWithTheirTiming) {
    const struct {
        const char* what;
        std::vector<Image> images;
    } cases[] = {{"with transparency", trickyFrames(37, 23)}, {"opaque", opaqueFrames(41, 21)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder dir;
        const std::string path = dir.file("anim.webp");
        const std::vector<TimedFrame> frames = timed(c.images, {83, 84, 83, 250});
        std::vector<std::pair<int, int>> calls;
        const std::string error =
            writeWebpAnimation(path, frames, AnimationEncodeOptions{}, [&](int done, int total) {
                calls.emplace_back(done, total);
                return true;
            });
        ASSERT_EQ(error, "");
        ASSERT_EQ(calls.size(), frames.size());
        EXPECT_EQ(calls.back(), std::make_pair(int(frames.size()), int(frames.size())));

        // Identical neighbours may be stored as one longer frame: compare with the input merged
        // so.
        std::vector<DecodedFrame> expected;
        int end = 0;
        for (const TimedFrame& f : frames) {
            end += f.durationMs;
            std::vector<uint32_t> px(f.image->pixels.begin(), f.image->pixels.end());
            if (!expected.empty() && expected.back().pixels == px)
                expected.back().endMs = end;
            else
                expected.push_back({std::move(px), end});
        }
        const DecodedAnimation decoded = decode(path);
        EXPECT_EQ(decoded.width, c.images[0].width);
        EXPECT_EQ(decoded.height, c.images[0].height);
        EXPECT_EQ(decoded.loopCount, 0);  // forever
        ASSERT_EQ(decoded.frames.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(decoded.frames[i].endMs, expected[i].endMs) << "frame " << i;
            EXPECT_TRUE(decoded.frames[i].pixels == expected[i].pixels) << "frame " << i;
        }
    }
}

TEST(WebpAnimation, LossyStaysCloseKeepsTimingAndCanPlayOnce) {
    TempFolder dir;
    const std::string path = dir.file("anim.webp");
    std::vector<Image> images;
    for (int k = 0; k < 5; ++k) {
        Image img = *createImage(64, 48);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x)
                img.at(x, y) = rgba(uint32_t(x * 4), uint32_t(y * 5), uint32_t(40 * k), 255);
        images.push_back(std::move(img));
    }
    AnimationEncodeOptions options;
    options.lossless = false;
    options.quality = 80;
    options.loop = false;
    ASSERT_EQ(writeWebpAnimation(path, timed(images, {100, 40}), options), "");

    const DecodedAnimation decoded = decode(path);
    EXPECT_EQ(decoded.loopCount, 1);  // played once
    ASSERT_EQ(decoded.frames.size(), images.size());
    const int ends[] = {100, 140, 240, 280, 380};
    for (size_t i = 0; i < images.size(); ++i) {
        EXPECT_EQ(decoded.frames[i].endMs, ends[i]);
        double error = 0;
        for (size_t p = 0; p < images[i].pixels.size(); ++p) {
            const uint32_t a = images[i].pixels[p], b = decoded.frames[i].pixels[p];
            error += std::abs(int(red(a)) - int(red(b))) + std::abs(int(green(a)) - int(green(b))) +
                     std::abs(int(blue(a)) - int(blue(b)));
            EXPECT_EQ(alpha(b), 255u);
        }
        EXPECT_LT(error / (3.0 * double(images[i].pixels.size())), 4.0) << "frame " << i;
    }
}

TEST(WebpAnimation, BadInputGivesAMessageAndNoFile) {
    TempFolder dir;
    const Image small = filled(8, 8, rgba(1, 2, 3, 255));
    const Image other = filled(9, 8, rgba(1, 2, 3, 255));
    const Image wide = *createImage(16384, 1);
    struct Case {
        const char* what;
        std::vector<TimedFrame> frames;
        std::string path;
    };
    const Case cases[] = {
        {"no frames", {}, dir.file("a.webp")},
        {"a missing picture", {{&small, 100}, {nullptr, 100}}, dir.file("a.webp")},
        {"frames of two sizes", {{&small, 100}, {&other, 100}}, dir.file("a.webp")},
        {"a frame without duration", {{&small, 0}}, dir.file("a.webp")},
        {"a frame lasting longer than the format allows", {{&small, 1 << 24}}, dir.file("a.webp")},
        {"wider than the format allows", {{&wide, 100}}, dir.file("a.webp")},
        {"a missing folder", {{&small, 100}}, dir.file("missing/a.webp")},
        {"a folder as the target", {{&small, 100}}, dir.str()},
    };
    for (const Case& c : cases) {
        EXPECT_NE(writeWebpAnimation(c.path, c.frames, {}), "") << c.what;
        EXPECT_TRUE(std::filesystem::is_empty(dir.path)) << c.what;
    }
}

TEST(WebpAnimation, CancelLeavesNoFileAndKeepsTheOldOne) {
    TempFolder dir;
    const std::vector<Image> images = trickyFrames(20, 20);
    const std::vector<TimedFrame> frames = timed(images, {100});
    const auto stopAtThree = [](int done, int) { return done < 3; };

    const std::string fresh = dir.file("new.webp");
    EXPECT_EQ(writeWebpAnimation(fresh, frames, {}, stopAtThree), kExportCancelled);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path));

    const std::string old = dir.file("old.webp");
    dir.writeText("old.webp", "previous");
    EXPECT_EQ(writeWebpAnimation(old, frames, {}, stopAtThree), kExportCancelled);
    const std::vector<uint8_t> kept = readBytes(old);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "previous");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path),
                            std::filesystem::directory_iterator()),
              1);
}

}  // namespace
}  // namespace qm
