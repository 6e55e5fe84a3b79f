#include <gtest/gtest.h>

#include <cmath>

#include "codecs/animation_encoders.h"
#include "codecs/colour_palette.h"
#include "platform/paths.h"
#include "platform/random.h"
#include "support/animation_readers.h"
#include "support/temp_folder.h"

namespace qm {
namespace {

using test::playApng;
using test::playGif;
using test::readBytes;
using test::TempFolder;

// A small animation: a transparent corner, a still band of few colours, and a square moving
// over a smooth gradient (many colours unless `fewColours`). Frame 2 repeats frame 1, and in
// frame 3 part of the square turns transparent.
std::vector<Image> sampleFrames(int count, bool fewColours) {
    std::vector<Image> frames;
    for (int k = 0; k < count; ++k) {
        Image image = *createImage(40, 30, 32);
        const int step = k == 2 ? 1 : k;
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x) {
                uint32_t p;
                if (x < 6 && y < 5) {
                    p = 0;  // transparent corner
                } else if (y >= 26) {
                    p = rgba(x % 2 ? 200 : 30, 60, 90, 255);  // still band
                } else if (fewColours) {
                    p = rgba(uint32_t(x / 10 * 60), uint32_t(y / 10 * 80), 120, 255);
                } else {
                    p = rgba(uint32_t(x * 6), uint32_t(y * 9), uint32_t((x * y) % 256), 255);
                }
                const bool square = x >= 8 + 3 * step && x < 16 + 3 * step && y >= 8 && y < 16;
                if (square) p = (k == 3 && x < 12 + 3 * step) ? 0 : rgba(250, 240, 10, 255);
                image.at(x, y) = p;
            }
        frames.push_back(std::move(image));
    }
    return frames;
}

std::vector<TimedFrame> timed(const std::vector<Image>& images, const std::vector<int>& ms) {
    std::vector<TimedFrame> frames;
    for (size_t i = 0; i < images.size(); ++i) frames.push_back({&images[i], ms[i % ms.size()]});
    return frames;
}

TEST(Apng, EveryFrameDecodesExactlyWithItsDelay) {
    TempFolder folder;
    const std::string path = folder.file("a.apng");
    const std::vector<Image> images = sampleFrames(5, false);
    // Frame 2 equals frame 1 (a one-pixel frame), and 70 s exceed one fcTL's delay.
    const std::vector<int> ms = {83, 84, 83, 70000, 0};
    for (bool loop : {true, false}) {
        AnimationEncodeOptions options;
        options.loop = loop;
        ASSERT_EQ(writeApng(path, timed(images, ms), options), "");
        const auto played = playApng(readBytes(path));
        ASSERT_EQ(played.error, "");
        EXPECT_EQ(played.plays, loop ? 0 : 1);
        EXPECT_EQ(played.width, 40);
        // The long frame continues in a second fcTL that changes nothing.
        ASSERT_EQ(played.frames.size(), 6u);
        const size_t shown[] = {0, 1, 2, 3, 3, 4};
        const int delays[] = {83, 84, 83, 65535, 70000 - 65535, 0};
        for (size_t i = 0; i < 6; ++i) {
            EXPECT_EQ(played.frames[i].picture.pixels, images[shown[i]].pixels) << i;
            EXPECT_EQ(played.frames[i].delay, delays[i]) << i;
        }
    }
    // Viewers without animation show the first frame.
    std::string error;
    const auto still = loadImageFile(path, error);
    ASSERT_TRUE(still) << error;
    EXPECT_EQ(still->pixels, images[0].pixels);
}

// The GIF screen after each frame: pixels of alpha below 128 transparent, the others opaque.
Image asGifShows(const Image& image) {
    Image shown = image;
    for (uint32_t& p : shown.pixels) p = gifPixel(p);
    return shown;
}

TEST(Gif, FewColoursAreKeptExactlyWhateverTheDithering) {
    TempFolder folder;
    const std::string path = folder.file("a.gif");
    std::vector<Image> images = sampleFrames(5, true);
    images[4].at(20, 20) = rgba(1, 2, 3, 127);  // half transparent: transparent in a GIF
    images[4].at(21, 20) = rgba(1, 2, 3, 128);  // opaque
    for (GifDither dither : {GifDither::None, GifDither::Ordered, GifDither::Diffusion}) {
        AnimationEncodeOptions options;
        options.dither = dither;
        ASSERT_EQ(writeGifAnimation(path, timed(images, {100}), options), "");
        const auto played = playGif(readBytes(path));
        ASSERT_EQ(played.error, "");
        ASSERT_EQ(played.frames.size(), images.size());
        for (size_t i = 0; i < images.size(); ++i)
            EXPECT_EQ(played.frames[i].picture.pixels, asGifShows(images[i]).pixels)
                << "frame " << i << " dither " << int(dither);
    }
}

TEST(Gif, PicturesWithoutAnOpaquePixelStayTransparent) {
    TempFolder folder;
    const std::string path = folder.file("clear.gif");
    const std::vector<Image> images(2, *createImage(7, 5, 32));
    ASSERT_EQ(writeGifAnimation(path, timed(images, {100}), {}), "");
    const auto played = playGif(readBytes(path));
    ASSERT_EQ(played.error, "");
    ASSERT_EQ(played.frames.size(), 2u);
    for (const auto& f : played.frames) EXPECT_EQ(f.picture.pixels, images[0].pixels);
}

TEST(Gif, DelaysComeFromTheStartTimes) {
    TempFolder folder;
    const std::string path = folder.file("t.gif");
    const std::vector<Image> images = sampleFrames(6, true);
    // 12 frames per second: starts 0, 83, 167, 250, 333, 417, 500 ms.
    ASSERT_EQ(writeGifAnimation(path, timed(images, {83, 84, 83, 83, 84, 83}), {}), "");
    const auto played = playGif(readBytes(path));
    ASSERT_EQ(played.error, "");
    std::vector<int> delays;
    for (const auto& f : played.frames) delays.push_back(f.delay);
    EXPECT_EQ(delays, (std::vector<int>{8, 9, 8, 8, 9, 8}));
    EXPECT_EQ(played.plays, 0);
    AnimationEncodeOptions once;
    once.loop = false;
    ASSERT_EQ(writeGifAnimation(path, timed(images, {100}), once), "");
    EXPECT_EQ(playGif(readBytes(path)).plays, 1);
}

TEST(Gif, AFrameLongerThanOneDelayGoesOnInFramesThatChangeNothing) {
    TempFolder folder;
    const std::string path = folder.file("long.gif");
    std::vector<Image> images = sampleFrames(3, true);
    images[2] = sampleFrames(4, true)[3];  // the frame after the long one clears pixels
    ASSERT_EQ(writeGifAnimation(path, timed(images, {100, 700000, 100}), {}), "");
    const auto played = playGif(readBytes(path));
    ASSERT_EQ(played.error, "");
    ASSERT_EQ(played.frames.size(), 4u);
    EXPECT_EQ(played.frames[1].delay, 65535);
    EXPECT_EQ(played.frames[2].delay, 70000 - 65535);
    EXPECT_EQ(played.frames[2].picture.pixels, asGifShows(images[1]).pixels);
    EXPECT_EQ(played.frames[3].picture.pixels, asGifShows(images[2]).pixels);
}

// Mean and largest Oklab distance between two pictures over their opaque pixels; transparency
// must match exactly.
struct ColourError {
    double mean = 0, largest = 0;
    bool transparencyKept = true;
};
ColourError compare(const Image& a, const Image& b) {
    ColourError e;
    size_t n = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) {
        const uint32_t p = gifPixel(a.pixels[i]), q = b.pixels[i];
        if (!p || !q) {
            if ((p == 0) != (q == 0)) e.transparencyKept = false;
            continue;
        }
        const double d = std::sqrt(distanceSquared(oklabFromRgb(p), oklabFromRgb(q)));
        e.mean += d;
        e.largest = std::max(e.largest, d);
        ++n;
    }
    if (n) e.mean /= double(n);
    return e;
}

TEST(Gif, ManyColoursComeCloseAndTransparencyIsKept) {
    TempFolder folder;
    const std::string path = folder.file("many.gif");
    std::vector<Image> images = sampleFrames(6, false);
    // More than 256 colours in all: noise on one frame.
    Random rnd(7);
    for (int y = 20; y < 26; ++y)
        for (int x = 0; x < 40; ++x) images[5].at(x, y) = rnd.next() | 0xFF000000u;
    for (GifDither dither : {GifDither::None, GifDither::Ordered, GifDither::Diffusion}) {
        AnimationEncodeOptions options;
        options.dither = dither;
        ASSERT_EQ(writeGifAnimation(path, timed(images, {100}), options), "");
        const auto played = playGif(readBytes(path));
        ASSERT_EQ(played.error, "");
        ASSERT_EQ(played.frames.size(), images.size());
        for (size_t i = 0; i < images.size(); ++i) {
            const ColourError e = compare(images[i], played.frames[i].picture);
            EXPECT_TRUE(e.transparencyKept) << i;
            // About a just noticeable difference on average (0.02 in Oklab); dithering trades
            // the error of single pixels for the right colour over an area.
            EXPECT_LT(e.mean, dither == GifDither::None ? 0.02 : 0.04) << i << " " << int(dither);
            EXPECT_LT(e.largest, 0.25) << i << " " << int(dither);
        }
    }
}

TEST(AnimationWriters, CancelOrBadFramesLeaveNoFile) {
    const std::vector<Image> images = sampleFrames(4, false);
    const Image other = *createImage(10, 10, 32);
    using Writer = std::string (*)(const std::string&, const std::vector<TimedFrame>&,
                                   const AnimationEncodeOptions&, const EncodeProgress&);
    for (Writer write : {Writer(writeGifAnimation), Writer(writeApng)}) {
        const TempFolder folder;
        const std::string path = folder.file("x.anim");
        int calls = 0;
        const EncodeProgress stopAtTwo = [&](int done, int total) {
            ++calls;
            EXPECT_EQ(total, 4);
            return done < 2;
        };
        EXPECT_EQ(write(path, timed(images, {100}), {}, stopAtTwo), kEncodeCancelled);
        EXPECT_EQ(calls, 2);
        EXPECT_FALSE(fileExists(path));
        // A file already there stays as it was.
        folder.writeText("x.anim", "old");
        EXPECT_EQ(write(path, timed(images, {100}), {}, stopAtTwo), kEncodeCancelled);
        EXPECT_EQ(readBytes(path).size(), 3u);
        std::vector<TimedFrame> mixed = timed(images, {100});
        mixed.push_back({&other, 100});
        EXPECT_NE(write(folder.file("m.anim"), mixed, {}, {}), "");
        EXPECT_NE(write(folder.file("e.anim"), {}, {}, {}), "");
        EXPECT_NE(write(folder.file("missing/a.anim"), timed(images, {100}), {}, {}), "");
        EXPECT_FALSE(fileExists(folder.file("m.anim")));
        EXPECT_FALSE(fileExists(folder.file("e.anim")));
        // Every frame reported once when nothing cancels.
        std::vector<int> reported;
        const EncodeProgress all = [&](int done, int) {
            reported.push_back(done);
            return true;
        };
        EXPECT_EQ(write(folder.file("ok.anim"), timed(images, {100}), {}, all), "");
        EXPECT_EQ(reported, (std::vector<int>{1, 2, 3, 4}));
    }
}

}  // namespace
}  // namespace qm
