#include "document/blend_modes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "raster/draw_mode.h"
#include "raster/image.h"

namespace qm {
namespace {

// Channel values of a colour, with an alpha, for readable expectations.
uint32_t grey(uint32_t v, uint32_t a = 255) {
    return rgba(v, v, v, a);
}

TEST(BlendModes, TableListsTheComboInIndexOrderWithItsBackdrops) {
    struct Row {
        const char* name;
        bool hasBackdrop;
        uint32_t backdrop;
    };
    const uint32_t white = grey(255), black = grey(0), mid = grey(128);
    const Row expected[kBlendModeCount] = {
        {"Normal", false, 0},        {"Multiply", true, white}, {"Add", true, black},
        {"Screen", true, black},     {"Overlay", true, mid},    {"Invert", true, black},
        {"Color Burn", true, white}, {"Dissolve", false, 0},    {"Difference", true, black},
        {"Exclusion", true, black},  {"Lighten", true, black},  {"Darken", true, white},
        {"HardLight", true, mid},    {"ClearLight", true, mid}, {"ColorLight", false, 0},
    };
    for (int i = 0; i < kBlendModeCount; ++i) {
        SCOPED_TRACE(i);
        const BlendMode& mode = blendModes()[size_t(i)];
        EXPECT_EQ(mode.index, i);
        EXPECT_EQ(std::string(mode.name), expected[i].name);
        EXPECT_EQ(mode.hasBackdrop, expected[i].hasBackdrop);
        if (mode.hasBackdrop) {
            EXPECT_EQ(mode.backdrop, expected[i].backdrop);
        }
    }
    // A damaged Blendmode composes as Normal.
    EXPECT_EQ(&blendMode(15), &blendMode(0));
    EXPECT_EQ(&blendMode(-1), &blendMode(0));
    EXPECT_EQ(blendRowFunction(255), blendRowFunction(0));
}

TEST(BlendModes, HandCheckedChannelValues) {
    struct Case {
        uint32_t (*f)(uint32_t, uint32_t);
        uint32_t sc, tc, expected;
        const char* what;
    };
    const Case cases[] = {
        {multiplyChannel, 255, 77, 77, "multiply of white"},
        {multiplyChannel, 128, 200, 100, "128*200/255 = 100.39"},
        {screenChannel, 0, 77, 77, "screen of black"},
        {screenChannel, 128, 200, 228, "255 - 127*55/255 = 255 - 27.4"},
        {addChannel, 255, 0, 0, "add 255 on 0"},
        {addChannel, 255, 1, 255, "add 255 on anything else"},
        {addChannel, 0, 255, 255, "target 255 stays"},
        {addChannel, 100, 255, 255, "target 255 stays"},
        {addChannel, 128, 100, 200, "100*255/127 = 200.8"},
        {addChannel, 200, 100, 255, "100*255/55 clamps"},
        {overlayChannel, 200, 127, 199, "first branch at 127: 254*200/255"},
        {overlayChannel, 200, 128, 201, "second branch at 128: 255 - 254*55/255"},
        {hardLightChannel, 127, 200, 199, "first branch at sc 127"},
        {hardLightChannel, 128, 200, 201, "second branch at sc 128: 255 - 254*55/255"},
        {colorBurnChannel, 0, 200, 0, "burn by 0"},
        {colorBurnChannel, 128, 200, 146, "255 - 55*255/128 = 255 - 109.6"},
        {colorBurnChannel, 10, 100, 0, "burn clamps at 0"},
        {colorLightChannel, 200, 0, 0, "light of target 0"},
        {colorLightChannel, 200, 128, 146, "255 - 55*255/128"},
        {differenceChannel, 200, 50, 150, "source above target"},
        {differenceChannel, 50, 200, 150, "target above source"},
        {exclusionChannel, 255, 255, 0, "white on white"},
        {exclusionChannel, 255, 0, 255, "white on black"},
        {exclusionChannel, 128, 128, 128, "256 - 32768/255 = 256 - 128.5"},
        {exclusionChannel, 1, 128, 128, "129 - 256/255 = 129 - 1.004"},
        {lightenChannel, 10, 20, 20, "max"},
        {darkenChannel, 10, 20, 10, "min"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.f(c.sc, c.tc), c.expected) << c.what;
}

// Every rule keeps the target's alpha and gives channels within 0..255 (they are packed without
// masking); ClearLight is Overlay; the backdrop of each mode leaves any target unchanged (the
// grey ones within 1), which is what makes the transparent parts of a layer neutral.
TEST(BlendModes, EveryPairKeepsTargetAlphaAndBackdropsAreNeutral) {
    for (int mode = 0; mode < kBlendModeCount; ++mode) {
        const BlendMode& m = blendMode(mode);
        if (m.rule == BlendRule::Over || m.rule == BlendRule::Dissolve) continue;
        SCOPED_TRACE(m.name);
        for (uint32_t sc = 0; sc < 256; ++sc) {
            for (uint32_t tc = 0; tc < 256; ++tc) {
                const uint32_t t = rgba(tc, 255 - tc, tc / 2, (sc * 7 + tc) & 0xFF);
                const uint32_t s = rgba(sc, 255 - sc, sc / 3, 255);
                const uint32_t r = blendPixel(mode, s, t);
                ASSERT_EQ(alpha(r), alpha(t));
                if (mode == 13) {
                    ASSERT_EQ(r, blendPixel(4, s, t));
                }
            }
            if (!m.hasBackdrop) continue;
            const uint32_t t = grey(sc);
            const int diff = int(red(blendPixel(mode, m.backdrop, t))) - int(sc);
            if (m.backdrop == grey(128)) {
                ASSERT_LE(std::abs(diff), 1) << sc;
            } else {
                ASSERT_EQ(diff, 0) << sc;
            }
        }
    }
    using F = uint32_t (*)(uint32_t, uint32_t);
    for (F f : {multiplyChannel, addChannel, screenChannel, overlayChannel, colorBurnChannel,
                differenceChannel, exclusionChannel, lightenChannel, darkenChannel,
                hardLightChannel, colorLightChannel})
        for (uint32_t sc = 0; sc < 256; ++sc)
            for (uint32_t tc = 0; tc < 256; ++tc) ASSERT_LE(f(sc, tc), 255u) << sc << " " << tc;
}

TEST(BlendModes, InvertAndColorLightRules) {
    // Invert XORs the colour and uses no alpha at all.
    EXPECT_EQ(blendPixel(5, rgba(0xF0, 0x0F, 0xFF, 0), rgba(0xFF, 0xFF, 0x00, 0x80)),
              rgba(0x0F, 0xF0, 0xFF, 0x80));
    // ColorLight lays its result over the target by the source alpha: a transparent source
    // changes nothing, an opaque one gives the channel result.
    const uint32_t t = rgba(128, 0, 255, 255);
    EXPECT_EQ(blendPixel(14, rgba(200, 200, 200, 0), t), t);
    EXPECT_EQ(blendPixel(14, rgba(200, 200, 200, 255), t), rgba(146, 0, 200, 255));
    // Normal is the over rule with the opacity.
    EXPECT_EQ(blendPixel(0, grey(200), grey(0), 128), overPixel(grey(200), grey(0), 128));
}

// The fast kernels against the references: every (sc, tc) pair in each channel position, random
// alphas and other channels, rows of odd lengths (the vector tails), several opacities.
TEST(BlendModes, RowKernelsMatchTheReferenceBitForBit) {
    std::mt19937 rng(7);
    const size_t n = 65536 + 13;
    std::vector<uint32_t> source(n), target(n);
    for (size_t i = 0; i < n; ++i) {
        const uint32_t sc = uint32_t(i) & 0xFF, tc = (uint32_t(i) >> 8) & 0xFF;
        const uint32_t noise = rng();
        const int channel = int(i % 3);
        source[i] = (noise & ~(0xFFu << (8 * channel))) | (sc << (8 * channel));
        const uint32_t tNoise = rng();
        target[i] = (tNoise & ~(0xFFu << (8 * channel))) | (tc << (8 * channel));
        if (i % 5 == 0) target[i] |= 0xFF000000u;  // the canvas case
        if (i % 7 == 0) source[i] &= 0x00FFFFFFu;  // transparent display pixels
    }
    std::vector<uint32_t> opaque = target;  // the canvas: every target opaque
    for (uint32_t& p : opaque) p |= 0xFF000000u;
    for (int mode = 0; mode < kBlendModeCount; ++mode) {
        if (mode == 7) continue;  // Dissolve has its own row below
        for (uint32_t opacity : {255u, 128u, 0u}) {
            SCOPED_TRACE(std::string(blendMode(mode).name) + " " + std::to_string(opacity));
            for (const std::vector<uint32_t>* row : {&target, &opaque}) {
                for (size_t len : {n, size_t(7), size_t(37)}) {
                    std::vector<uint32_t> fast(row->begin(), row->begin() + long(len));
                    std::vector<uint32_t> plain = fast;
                    blendRow(mode, fast.data(), source.data(), len, opacity);
                    blendRowReference(mode, plain.data(), source.data(), len, opacity);
                    for (size_t i = 0; i < len; ++i)
                        ASSERT_EQ(fast[i], plain[i]) << "pixel " << i << " s " << std::hex
                                                     << source[i] << " t " << (*row)[i];
                }
            }
        }
    }
}

// Runs of neutral display pixels (white, which Color Burn skips; black, which Add skips;
// transparent, which ColorLight skips) next to ordinary ones, at every alignment, on an opaque
// canvas (ColorLight's one-pass path) and on a translucent one.
TEST(BlendModes, RowKernelsMatchTheReferenceAcrossNeutralRuns) {
    std::mt19937 rng(11);
    const size_t n = 20000;
    std::vector<uint32_t> source(n), target(n);
    for (size_t i = 0; i < n;) {
        const size_t run = std::min<size_t>(1 + rng() % 40, n - i);
        const uint32_t kind = rng() % 7;
        for (size_t k = 0; k < run; ++k, ++i) {
            const uint32_t r = rng();
            const uint32_t shift = 8 * ((r >> 8) % 3);  // one channel just below white
            const uint32_t nearWhite = ((0x00FFFFFFu & ~(0xFFu << shift)) |
                                        ((0xFEu - (r & 0xFu)) << shift) | (r & 0xFF000000u));
            source[i] = kind == 0   ? 0xFFFFFFFFu      // the white backdrop
                        : kind == 1 ? r | 0x00FFFFFFu  // white colour, any alpha
                        : kind == 2 ? r & 0x00FFFFFFu  // transparent
                        : kind == 3 ? nearWhite
                        : kind == 4 ? r & 0xFF000000u                    // black, any alpha
                        : kind == 5 ? (r & 0xFF000000u) | (1u << shift)  // nearly black
                                    : r;
            target[i] = rng();
        }
    }
    for (bool opaqueCanvas : {true, false}) {
        std::vector<uint32_t> canvas = target;
        if (opaqueCanvas)
            for (uint32_t& p : canvas) p |= 0xFF000000u;
        for (int mode = 0; mode < kBlendModeCount; ++mode) {
            if (mode == 7) continue;
            SCOPED_TRACE(std::string(blendMode(mode).name) + (opaqueCanvas ? " opaque" : ""));
            std::vector<uint32_t> fast = canvas, plain = canvas;
            blendRow(mode, fast.data(), source.data(), n, 255);
            blendRowReference(mode, plain.data(), source.data(), n, 255);
            for (size_t i = 0; i < n; ++i)
                ASSERT_EQ(fast[i], plain[i])
                    << "pixel " << i << " s " << std::hex << source[i] << " t " << canvas[i];
        }
    }
}

TEST(BlendModes, DissolveLandsWholeByAFixedNoise) {
    // The noise is fixed per document pixel and spans 0..254, evenly.
    std::vector<int> histogram(256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const uint32_t v = dissolveNoise(x, y);
            ASSERT_LE(v, 254u);
            ASSERT_EQ(v, dissolveNoise(x, y));
            ++histogram[v];
        }
    for (int v = 0; v < 255; ++v) EXPECT_NEAR(histogram[size_t(v)], 65536 / 255, 80) << v;

    const uint32_t t = rgba(1, 2, 3, 255);
    EXPECT_EQ(dissolvePixel(rgba(9, 8, 7, 255), t, 255, 254), rgba(9, 8, 7, 255));
    EXPECT_EQ(dissolvePixel(rgba(9, 8, 7, 0), t, 255, 0), t);
    // Effective alpha 200 * 128 / 255 = 100: noise 99 lands, 100 does not; a landed pixel
    // replaces the target whole, alpha included.
    EXPECT_EQ(dissolvePixel(rgba(9, 8, 7, 200), rgba(1, 2, 3, 40), 128, 99), rgba(9, 8, 7, 255));
    EXPECT_EQ(dissolvePixel(rgba(9, 8, 7, 200), t, 128, 100), t);

    // About a / 255 of the pixels land.
    const size_t n = 20000;
    std::vector<uint32_t> source(n, rgba(200, 0, 0, 64)), target(n, grey(0));
    std::vector<uint8_t> noise(n);
    for (size_t i = 0; i < n; ++i) noise[i] = uint8_t(dissolveNoise(int(i % 200), int(i / 200)));
    dissolveRow(target.data(), source.data(), noise.data(), n, 255);
    size_t landed = 0;
    for (uint32_t p : target) landed += p == rgba(200, 0, 0, 255);
    EXPECT_NEAR(double(landed) / n, 64.0 / 255.0, 0.02);
}

// The dissolve row kernel lands exactly the pixels dissolvePixel lands, for every opacity class
// and row lengths with a tail.
TEST(DissolveNoise, RowKernelMatchesThePixelRule) {
    std::mt19937 rng(7);
    for (uint32_t opacity : {0u, 1u, 128u, 254u, 255u}) {
        for (size_t n : {size_t(1), size_t(7), size_t(8), size_t(29), size_t(300)}) {
            std::vector<uint32_t> s(n), t(n), expected(n);
            std::vector<uint8_t> noise(n);
            for (size_t i = 0; i < n; ++i) {
                s[i] = uint32_t(rng());
                if (i % 5 == 0) s[i] |= 0xFF000000u;
                if (i % 7 == 0) s[i] &= 0x00FFFFFFu;
                t[i] = uint32_t(rng());
                noise[i] = uint8_t(rng() % 255);
                expected[i] = dissolvePixel(s[i], t[i], opacity, noise[i]);
            }
            dissolveRow(t.data(), s.data(), noise.data(), n, opacity);
            ASSERT_EQ(t, expected) << "opacity " << opacity << " n " << n;
        }
    }
}

}  // namespace
}  // namespace qm

namespace qm {
namespace {

// The row form of the dissolve noise gives the value of each pixel's own noise, including
// negative and extreme document columns and row lengths that leave a tail.
TEST(DissolveNoise, RowMatchesThePixelFunction) {
    std::vector<int> xs;
    for (int x = -40; x < 300; ++x) xs.push_back(x * 7919);
    xs.push_back(INT32_MAX);
    xs.push_back(INT32_MIN);
    for (int y : {0, 1, -5, 123456, INT32_MAX}) {
        for (size_t n : {xs.size(), size_t(13), size_t(1)}) {
            std::vector<uint8_t> noise(n, 0xFF);
            dissolveNoiseRow(xs.data(), y, noise.data(), n);
            for (size_t i = 0; i < n; ++i)
                ASSERT_EQ(noise[i], uint8_t(dissolveNoise(xs[i], y)))
                    << "x " << xs[i] << " y " << y;
        }
    }
}

}  // namespace
}  // namespace qm
