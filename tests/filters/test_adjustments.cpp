// The adjustments' arithmetic, and their fast paths against the per-pixel reference.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "filters/adjustments.h"
#include "raster/tiled_image.h"

namespace qm {
namespace {

TEST(Adjustments, PixelCases) {
    struct Case {
        const char* what;
        uint32_t (*op)(uint32_t);
        uint32_t in, out;
    } cases[] = {
        {"grey of red", greyPixel, rgba(255, 0, 0, 255), rgba(127, 127, 127, 255)},
        {"grey of (10, 20, 30)", greyPixel, rgba(10, 20, 30, 90), rgba(20, 20, 20, 90)},
        {"invert", invertPixel, rgba(0, 100, 255, 7), rgba(255, 155, 0, 7)},
        {"brightness 150", [](uint32_t c) { return brightnessPixel(c, 150); },
         rgba(1, 128, 255, 200), rgba(1, 128, 255, 200)},
        {"brightness 300 doubles and clips", [](uint32_t c) { return brightnessPixel(c, 300); },
         rgba(1, 127, 128, 200), rgba(2, 254, 255, 200)},
        {"brightness 0 is black", [](uint32_t c) { return brightnessPixel(c, 0); },
         rgba(1, 127, 255, 3), rgba(0, 0, 0, 3)},
        // f = 225 / 150 = 1.5: 1.5 rounds to 2, 4.5 to 4 (halves to even).
        {"brightness rounds halves to even", [](uint32_t c) { return brightnessPixel(c, 225); },
         rgba(1, 3, 0, 255), rgba(2, 4, 0, 255)},
        {"out of range is the nearest end", [](uint32_t c) { return brightnessPixel(c, 1000); },
         rgba(100, 200, 10, 255), rgba(200, 255, 20, 255)},
    };
    for (const Case& c : cases) EXPECT_EQ(c.op(c.in), c.out) << c.what;
    // A fully transparent pixel comes out with every channel 0, whatever colour it carried.
    for (const uint32_t hidden : {0u, rgba(12, 200, 255, 0)}) {
        EXPECT_EQ(greyPixel(hidden), 0u);
        EXPECT_EQ(invertPixel(hidden), 0u);
        EXPECT_EQ(brightnessPixel(hidden, 300), 0u);
    }
    const uint32_t c = rgba(13, 77, 201, 128);
    EXPECT_EQ(invertPixel(invertPixel(c)), c);
}

// The row and image paths (including the two-thread split of a large image) give exactly the
// per-pixel reference.
TEST(Adjustments, FastPathsMatchTheReference) {
    std::mt19937 rng(7);
    Image image = *createImage(1100, 1000, 32);  // large enough for two threads
    for (uint32_t& p : image.pixels) {
        p = rng();
        if (rng() % 5 == 0) p &= 0x00FFFFFFu;  // some fully transparent pixels
    }
    for (const int value : {0, 1, 77, 149, 150, 151, 225, 299, 300}) {
        Image out = image;
        adjustImage(out, Rect{0, 0, out.width, out.height}, Adjustment::Brightness, value);
        for (size_t i = 0; i < image.pixels.size(); i += 7)
            ASSERT_EQ(out.pixels[i], brightnessPixel(image.pixels[i], value)) << value << " " << i;
    }
    // Every kernel the processor has, on every slider value and every channel value, with the
    // rows' tails (the pixels after the last whole vector) and transparent pixels among them.
    std::vector<uint32_t> ramp(256 + 7);
    for (uint32_t c = 0; c < ramp.size(); ++c)
        ramp[c] = rgba(c & 0xFF, 255 - (c & 0xFF), (c * 7) & 0xFF, c % 9 == 0 ? 0 : 1 + c % 255);
    for (const BlendKernel kernel : {BlendKernel::Scalar, BlendKernel::Sse2, BlendKernel::Avx2}) {
        if (!blendKernelAvailable(kernel)) continue;
        SCOPED_TRACE(blendKernelName(kernel));
        for (int value = -1; value <= 301; ++value) {
            std::vector<uint32_t> out = ramp;
            brightnessRowWith(kernel, out.data(), out.size(), brightnessTable(value));
            for (size_t x = 0; x < ramp.size(); ++x)
                ASSERT_EQ(out[x], brightnessPixel(ramp[x], value)) << value << " " << x;
        }
        std::vector<uint32_t> pixels(1000 + 5);
        for (uint32_t& p : pixels) p = rng() % 3 == 0 ? rng() & 0x00FFFFFFu : rng();
        std::vector<uint32_t> inverted = pixels, grey = pixels;
        invertRowWith(kernel, inverted.data(), inverted.size());
        greyRowWith(kernel, grey.data(), grey.size());
        for (size_t i = 0; i < pixels.size(); ++i) {
            ASSERT_EQ(inverted[i], invertPixel(pixels[i])) << i;
            ASSERT_EQ(grey[i], greyPixel(pixels[i])) << i;
        }
    }
    Image inverted = image, grey = image;
    adjustImage(inverted, Rect{0, 0, image.width, image.height}, Adjustment::Invert);
    adjustImage(grey, Rect{-5, -5, 5000, 5000}, Adjustment::Grey);  // clipped to the image
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        ASSERT_EQ(inverted.pixels[i], invertPixel(image.pixels[i])) << i;
        ASSERT_EQ(grey.pixels[i], greyPixel(image.pixels[i])) << i;
    }
}

// On tiles: the pixels adjustImage gives on the whole image, for every adjustment, over the
// whole image (two threads) and a part; missing tiles stay missing, a tile shared with a copy is
// copied before it is written, and a tile that comes out all 0 (colour under alpha 0) is
// dropped.
TEST(Adjustments, TilesMatchTheWholeImage) {
    std::mt19937 rng(11);
    Image image = *createImage(1100, 1030, 32);
    // Painted tiles in patches, the rest missing; one tile of colour under alpha 0 only.
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (((x >> 6) + (y >> 6)) % 3 != 0) {
                uint32_t p = rng();
                if (rng() % 5 == 0) p &= 0x00FFFFFFu;
                image.at(x, y) = p;
            }
    for (int y = 128; y < 192; ++y)
        for (int x = 64; x < 128; ++x) image.at(x, y) = rng() & 0x00FFFFFFu;
    const TiledImage tiled = tiledFrom(image);
    const struct {
        Adjustment adjustment;
        int value;
        Rect area;
    } cases[] = {
        {Adjustment::Brightness, 0, {0, 0, 1100, 1030}},
        {Adjustment::Brightness, 225, {-10, -10, 5000, 5000}},
        {Adjustment::Invert, 150, {0, 0, 1100, 1030}},
        {Adjustment::Grey, 150, {30, 100, 700, 300}},
        {Adjustment::Brightness, 99, {70, 130, 10, 10}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.adjustment) * 1000 + c.value);
        Image expected = image;
        adjustImage(expected, c.area, c.adjustment, c.value);
        TiledImage out = tiled;  // shares every tile with `tiled`
        const Rect bounds = adjustTiles(out, c.adjustment, c.value, c.area);
        ASSERT_EQ(out.toImage().pixels, expected.pixels);
        EXPECT_EQ(tiled.toImage().pixels, image.pixels);  // the shared tiles kept
        EXPECT_FALSE(out.tile(3, 0));                     // missing stays missing
        const bool zeroTileCovered =
            intersect(c.area, Rect{64, 128, 64, 64}) == Rect{64, 128, 64, 64};
        EXPECT_EQ(!out.tile(1, 2), zeroTileCovered);          // all 0 after: dropped
        for (size_t i = 0; i < image.pixels.size(); i += 13)  // what changed lies in the bounds
            if (expected.pixels[i] != image.pixels[i])
                ASSERT_TRUE(bounds.contains(int(i % 1100), int(i / 1100))) << i;
    }
}

TEST(Adjustments, OnlyTheAreaChanges) {
    Image image = *createImage(4, 3, 32);
    std::fill(image.pixels.begin(), image.pixels.end(), rgba(10, 20, 30, 255));
    adjustImage(image, Rect{1, 1, 2, 1}, Adjustment::Invert);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(image.at(x, y), y == 1 && (x == 1 || x == 2) ? rgba(245, 235, 225, 255)
                                                                   : rgba(10, 20, 30, 255));
}

}  // namespace
}  // namespace qm
