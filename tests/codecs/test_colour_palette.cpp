#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "codecs/colour_palette.h"
#include "platform/random.h"

namespace qm {
namespace {

TEST(Oklab, ColoursComeBackExactly) {
    Random rnd(3);
    std::vector<uint32_t> colours = {0, 0xFFFFFF, 0x0000FF, 0x00FF00, 0xFF0000, 0x808080};
    for (int i = 0; i < 20000; ++i) colours.push_back(rnd.next() & 0xFFFFFFu);
    for (uint32_t c : colours)
        ASSERT_EQ(rgbFromOklab(oklabFromRgb(c)), c | 0xFF000000u) << std::hex << c;
    // White is lightness 1 without colour; black 0.
    const Oklab white = oklabFromRgb(0xFFFFFF);
    EXPECT_NEAR(white.L, 1.0, 1e-4);
    EXPECT_NEAR(white.a, 0.0, 1e-4);
    EXPECT_NEAR(oklabFromRgb(0).L, 0.0, 1e-6);
}

TEST(NearestColour, AgreesWithLookingAtEveryEntry) {
    Random rnd(11);
    for (int size : {1, 2, 17, 255}) {
        std::vector<Oklab> palette;
        for (int i = 0; i < size; ++i) palette.push_back(oklabFromRgb(rnd.next()));
        NearestColour nearest(palette);
        for (int i = 0; i < 5000; ++i) {
            // Colours of the gamut and points around it (an error-diffused wish may leave it).
            Oklab c = oklabFromRgb(rnd.next());
            if (i % 3 == 0) c = {c.L + (int(rnd(100)) - 50) * 0.004f, c.a * 1.3f, c.b * 1.3f};
            const Oklab clamped = nearest.clamp(c);
            float best = 1e9f;
            for (const Oklab& p : palette) best = std::min(best, distanceSquared(clamped, p));
            const int got = nearest.nearest(c);
            ASSERT_NEAR(distanceSquared(clamped, palette[size_t(got)]), best, 1e-7f) << size;
        }
    }
}

TEST(ChoosePalette, KeepsFewColoursAndSpreadsMany) {
    ColourHistogram few;
    std::vector<uint32_t> pixels;
    for (uint32_t i = 0; i < 200; ++i) pixels.push_back(rgba(i, 255 - i, i / 2, 200));
    pixels.push_back(rgba(9, 9, 9, 127));  // transparent in an indexed picture: not counted
    few.add(pixels.data(), pixels.size());
    EXPECT_TRUE(few.exact());
    const auto kept = choosePalette(few, 255);
    EXPECT_EQ(kept.size(), 200u);
    EXPECT_EQ(std::set<uint32_t>(kept.begin(), kept.end()).count(rgba(3, 252, 1, 255)), 1u);

    // A smooth gradient of every hue: a larger palette never does worse, and 255 colours come
    // within a small distance of every pixel.
    ColourHistogram many;
    std::vector<uint32_t> gradient;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 256; ++x)
            gradient.push_back(rgba(uint32_t(x), uint32_t(y * 4), uint32_t(255 - x), 255));
    many.add(gradient.data(), gradient.size());
    EXPECT_FALSE(many.exact());
    double previous = 1e9;
    for (int size : {16, 64, 255}) {
        const auto palette = choosePalette(many, size);
        EXPECT_LE(int(palette.size()), size);
        std::vector<Oklab> lab;
        for (uint32_t c : palette) lab.push_back(oklabFromRgb(c));
        NearestColour nearest(lab);
        double total = 0;
        for (uint32_t p : gradient) {
            const Oklab c = oklabFromRgb(p);
            total += std::sqrt(distanceSquared(c, lab[size_t(nearest.nearest(c))]));
        }
        const double mean = total / double(gradient.size());
        EXPECT_LT(mean, previous) << size;
        previous = mean;
    }
    EXPECT_LT(previous, 0.012);
}

}  // namespace
}  // namespace qm
