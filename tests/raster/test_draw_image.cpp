#include "raster/draw_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdlib>
#include <utility>
#include <vector>

#include "platform/random.h"
#include "raster/alpha_blend.h"
#include "raster/image_ops.h"

namespace qm {
namespace {

constexpr DrawMode kAllModes[] = {DrawMode::AlphaBlend,   DrawMode::AlphaClip,
                                  DrawMode::AlphaChannel, DrawMode::AllChannels,
                                  DrawMode::Xor,          DrawMode::Filter};

// A source alpha that hits the special cases often: 0, 255 or anything.
uint32_t randomAlpha(Random& rnd) {
    switch (rnd(3)) {
        case 0:
            return 0;
        case 1:
            return 255;
        default:
            return uint32_t(rnd(255));
    }
}

Image randomImage(Random& rnd, int w, int h, int depth = 32) {
    Image img = *createImage(w, h, depth);
    for (uint32_t& p : img.pixels)
        p = (rnd.next() & 0x00FFFFFFu) | ((depth == 24 ? 255 : randomAlpha(rnd)) << 24);
    return img;
}

// A filter that shows which coordinates and colours it was given.
uint32_t probe(int x, int y, uint32_t s, uint32_t t) {
    return (s ^ t ^ uint32_t(x * 7919 + y * 104729)) & 0x7FFFFFFFu;
}

// The one-pixel-at-a-time meaning of drawImagePart, built from applyDrawMode.
Image reference(const Image& target, const Image& source, Rect part, int x, int y, DrawMode mode,
                int opacity) {
    Image out = target;
    const auto op = uint32_t(std::clamp(opacity, 0, 255));
    for (int ty = 0; ty < target.height; ++ty)
        for (int tx = 0; tx < target.width; ++tx) {
            const int64_t sx = int64_t(tx) - x + part.x, sy = int64_t(ty) - y + part.y;
            if (!part.contains(int(sx), int(sy)) || sx < 0 || sy < 0 || sx >= source.width ||
                sy >= source.height || std::abs(sx) > INT_MAX / 2 || std::abs(sy) > INT_MAX / 2)
                continue;
            const uint32_t s = source.at(int(sx), int(sy));
            const uint32_t t = target.at(tx, ty);
            uint32_t r =
                mode == DrawMode::Filter ? probe(tx, ty, s, t) : applyDrawMode(mode, s, t, op);
            if (!target.hasAlpha()) r |= 0xFF000000u;
            out.at(tx, ty) = r;
        }
    return out;
}

const PixelFilter kProbe = probe;

TEST(Div255, ExactForEvery16BitValue) {
    for (uint32_t x = 0; x <= 0xFFFF; ++x) ASSERT_EQ(div255(x), x / 255) << x;
}

TEST(DrawImage, ClipsAtEveryEdgeInEveryMode) {
    Random rnd(11);
    const Image target = randomImage(rnd, 17, 11);
    const Image source = randomImage(rnd, 6, 5);
    struct Case {
        int x, y;
        Rect expected;
    };
    const Case cases[] = {
        {3, 2, {3, 2, 6, 5}},
        {-4, 2, {0, 2, 2, 5}},
        {14, 2, {14, 2, 3, 5}},
        {3, -3, {3, 0, 6, 2}},
        {3, 9, {3, 9, 6, 2}},
        {-5, -4, {0, 0, 1, 1}},
        {16, 10, {16, 10, 1, 1}},
        {-6, 0, {}},
        {17, 0, {}},
        {0, 11, {}},
        {INT_MIN, INT_MIN, {}},
        {INT_MAX, 0, {}},
        {INT_MAX - 2, INT_MAX - 2, {}},
    };
    for (DrawMode mode : kAllModes)
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << "mode " << int(mode) << " at " << c.x << "," << c.y);
            Image t = target;
            const Rect r = drawImage(t, source, c.x, c.y, mode, 200, &kProbe);
            EXPECT_EQ(r, c.expected);
            EXPECT_EQ(t.pixels,
                      reference(target, source, {0, 0, 6, 5}, c.x, c.y, mode, 200).pixels);
        }
}

TEST(DrawImage, EveryModeMatchesTheReferenceOnRandomPixels) {
    Random rnd(12);
    const int opacities[] = {0, 1, 128, 254, 255, 300, -5};
    for (int round = 0; round < 40; ++round) {
        const Image target = randomImage(rnd, 1 + rnd(40), 1 + rnd(9), rnd(4) ? 32 : 24);
        const Image source = randomImage(rnd, 1 + rnd(45), 1 + rnd(9));
        const int x = rnd(20) - 10, y = rnd(6) - 3;
        for (DrawMode mode : kAllModes)
            for (int op : opacities) {
                SCOPED_TRACE(testing::Message()
                             << "round " << round << " mode " << int(mode) << " opacity " << op);
                Image t = target;
                drawImage(t, source, x, y, mode, op, &kProbe);
                ASSERT_EQ(t.pixels, reference(target, source, {0, 0, source.width, source.height},
                                              x, y, mode, op)
                                        .pixels);
            }
    }
}

TEST(DrawImage, TwentyFourBitTargetStaysOpaque) {
    Random rnd(13);
    const Image source = randomImage(rnd, 9, 9);
    for (DrawMode mode : kAllModes) {
        Image t = randomImage(rnd, 8, 8, 24);
        drawImage(t, source, -1, -1, mode, 77, &kProbe);
        for (uint32_t p : t.pixels) ASSERT_EQ(alpha(p), 255u) << int(mode);
    }
}

TEST(DrawImage, NothingToDrawReportsAnEmptyRect) {
    Random rnd(14);
    Image t = randomImage(rnd, 5, 5);
    const Image before = t;
    const Image source = randomImage(rnd, 3, 3);
    EXPECT_TRUE(drawImage(t, source, 1, 1, DrawMode::AlphaBlend, 0).empty());
    EXPECT_TRUE(drawImage(t, source, 1, 1, DrawMode::Filter, 255).empty());  // no filter
    const PixelFilter none;
    EXPECT_TRUE(drawImage(t, source, 1, 1, DrawMode::Filter, 255, &none).empty());
    EXPECT_TRUE(drawImage(t, Image{}, 1, 1, DrawMode::AllChannels, 255).empty());
    EXPECT_EQ(t.pixels, before.pixels);
}

TEST(DrawImage, FilterSeesTargetCoordinates) {
    Image t = *createImage(4, 3);
    const Image source = *createImage(3, 3);
    std::vector<std::pair<int, int>> seen;
    const PixelFilter record = [&](int x, int y, uint32_t, uint32_t t0) {
        seen.emplace_back(x, y);
        return t0;
    };
    drawImage(t, source, 2, -1, DrawMode::Filter, 255, &record);
    const std::vector<std::pair<int, int>> expected = {{2, 0}, {3, 0}, {2, 1}, {3, 1}};
    EXPECT_EQ(seen, expected);
}

TEST(DrawImage, PartOfTheSource) {
    Random rnd(15);
    const Image target = randomImage(rnd, 12, 10);
    const Image source = randomImage(rnd, 8, 6);
    const Rect parts[] = {{2, 1, 3, 4},
                          {-2, -1, 5, 4},
                          {6, 4, 9, 9},
                          {9, 0, 2, 2},
                          {0, 0, 0, 3},
                          {INT_MAX - 1, 0, 5, 5},
                          {INT_MIN, INT_MIN, INT_MAX, INT_MAX}};
    for (const Rect& part : parts)
        for (DrawMode mode : {DrawMode::AlphaBlend, DrawMode::AllChannels, DrawMode::Filter}) {
            Image t = target;
            const Rect r = drawImagePart(t, source, part, 3, 2, mode, 180, &kProbe);
            EXPECT_EQ(t.pixels, reference(target, source, part, 3, 2, mode, 180).pixels);
            // The reported rectangle is where the clipped part landed.
            const Rect src = intersect(part, {0, 0, 8, 6});
            const Rect expected =
                src.empty() ? Rect{} : Rect{3 + src.x - part.x, 2 + src.y - part.y, src.w, src.h};
            EXPECT_EQ(r, expected);
        }
}

TEST(DrawImage, OntoItselfReadsTheOriginal) {
    Random rnd(16);
    const Image original = randomImage(rnd, 20, 15);
    for (DrawMode mode : {DrawMode::AlphaBlend, DrawMode::AllChannels, DrawMode::Xor}) {
        Image img = original;
        drawImage(img, img, 3, 2, mode, 255);
        const Image copy = original;
        Image expected = original;
        drawImage(expected, copy, 3, 2, mode, 255);
        EXPECT_EQ(img.pixels, expected.pixels);
    }
}

// Every blend kernel against overPixel, row by row: random source alpha (often 0 or 255), random
// opacity, targets that are opaque, transparent, half transparent or mixed, and odd widths so the
// SIMD tails and mixed blocks run.
TEST(AlphaBlendKernels, MatchOverPixelOnRandomRows) {
    Random rnd(17);
    std::vector<uint32_t> src, dst, expected;
    for (BlendKernel kernel : {BlendKernel::Scalar, BlendKernel::Sse2, BlendKernel::Avx2}) {
        if (!blendKernelAvailable(kernel)) continue;
        SCOPED_TRACE(blendKernelName(kernel));
        for (int round = 0; round < 3000; ++round) {
            const auto n = size_t(rnd(67));
            const int targetKind = rnd(4);  // opaque, transparent, 128, anything
            const uint32_t op = std::array<uint32_t, 5>{0, 1, 255, 255, uint32_t(rnd(255))}[rnd(4)];
            const bool keep = rnd(1);
            const bool runs = rnd(1);  // runs of equal alphas, so whole SIMD blocks take one path
            src.resize(n);
            dst.resize(n);
            uint32_t runAlpha = 0;
            for (size_t i = 0; i < n; ++i) {
                if (!runs || i % 8 == 0) runAlpha = randomAlpha(rnd);
                src[i] = (rnd.next() & 0x00FFFFFFu) | (runAlpha << 24);
                const uint32_t d = targetKind == 0   ? 255
                                   : targetKind == 1 ? 0
                                   : targetKind == 2 ? 128
                                                     : randomAlpha(rnd);
                dst[i] = (rnd.next() & 0x00FFFFFFu) | (d << 24);
            }
            expected = dst;
            for (size_t i = 0; i < n; ++i) {
                const uint32_t r = applyDrawMode(DrawMode::AlphaBlend, src[i], expected[i], op);
                expected[i] = keep ? (r & 0x00FFFFFFu) | (expected[i] & 0xFF000000u) : r;
            }
            blendRowOverWith(kernel, dst.data(), src.data(), n, op, keep);
            ASSERT_EQ(dst, expected) << "round " << round << " op " << op << " keep " << keep;
        }
    }
}

// Blends a row of pixels built from every (source alpha, target alpha) pair with the given
// channel pairs and compares the kernel with overPixel.
void checkAllAlphaPairs(BlendKernel kernel, uint32_t opacity, const uint32_t (&chan)[][2],
                        size_t nChan) {
    std::vector<uint32_t> src, dst;
    for (uint32_t sa = 0; sa < 256; ++sa)
        for (uint32_t d = 0; d < 256; ++d)
            for (size_t c = 0; c < nChan; ++c) {
                const uint32_t sc = chan[c][0], tc = chan[c][1];
                src.push_back(rgba(sc, 255 - sc, sc, sa));
                dst.push_back(rgba(tc, tc, 255 - tc, d));
            }
    std::vector<uint32_t> expected(dst.size());
    for (size_t i = 0; i < dst.size(); ++i) expected[i] = overPixel(src[i], dst[i], opacity);
    blendRowOverWith(kernel, dst.data(), src.data(), dst.size(), opacity);
    for (size_t i = 0; i < dst.size(); ++i)
        ASSERT_EQ(dst[i], expected[i]) << "pixel " << i << " opacity " << opacity;
}

TEST(AlphaBlendKernels, EveryAlphaPairWithExtremeChannels) {
    const uint32_t chan[][2] = {{0, 0},   {0, 255}, {255, 0},   {255, 255},
                                {1, 254}, {254, 1}, {128, 127}, {17, 200}};
    for (BlendKernel kernel : {BlendKernel::Sse2, BlendKernel::Avx2}) {
        if (!blendKernelAvailable(kernel)) continue;
        SCOPED_TRACE(blendKernelName(kernel));
        for (uint32_t op : {255u, 254u, 128u, 3u}) checkAllAlphaPairs(kernel, op, chan, 8);
    }
}

// A translucent source over a target of its own colour (a stroke over its own dabs), where the
// kernels leave the colour and only work out the alpha: every (source alpha, target alpha) pair,
// shuffled so blocks mix them, against overPixel. Also with one pixel in nine of another colour
// (its block must take the general rule), and with the transparent source pixels of another
// colour (they change nothing, so their block may still keep the colour).
TEST(AlphaBlendKernels, SourceOverItsOwnColourMatchesOverPixel) {
    Random rnd(5);
    std::vector<std::pair<uint32_t, uint32_t>> pairs;
    for (uint32_t sa = 0; sa < 256; ++sa)
        for (uint32_t d = 0; d < 256; ++d) pairs.emplace_back(sa, d);
    for (size_t i = pairs.size() - 1; i > 0; --i) std::swap(pairs[i], pairs[size_t(rnd(int(i)))]);
    std::vector<uint32_t> src(pairs.size()), dst(pairs.size()), expected(pairs.size());
    for (BlendKernel kernel : {BlendKernel::Scalar, BlendKernel::Sse2, BlendKernel::Avx2}) {
        if (!blendKernelAvailable(kernel)) continue;
        SCOPED_TRACE(blendKernelName(kernel));
        for (uint32_t colour : {0x000000u, 0xFFFFFFu, 0x2080F0u, 0x010203u})
            for (int variant = 0; variant < 3; ++variant)
                for (uint32_t op : {255u, 254u, 77u, 1u})
                    for (bool keep : {false, true}) {
                        for (size_t i = 0; i < pairs.size(); ++i) {
                            const auto [sa, d] = pairs[i];
                            uint32_t targetColour = colour;
                            if (variant == 1 && i % 9 == 0) targetColour ^= 1u << (8 * (i % 3));
                            if (variant == 2 && sa == 0) targetColour = rnd.next() & 0xFFFFFFu;
                            src[i] = colour | (sa << 24);
                            dst[i] = targetColour | (d << 24);
                            const uint32_t r = overPixel(src[i], dst[i], op);
                            expected[i] = keep ? (r & 0x00FFFFFFu) | (dst[i] & 0xFF000000u) : r;
                        }
                        blendRowOverWith(kernel, dst.data(), src.data(), dst.size(), op, keep);
                        ASSERT_EQ(dst, expected) << "colour " << colour << " variant " << variant
                                                 << " op " << op << " keep " << keep;
                    }
    }
}

// Every (source alpha, target alpha, source channel, target channel) at opacity 255: about
// 4 * 10^9 channel results, about 25 s per kernel. Run with --gtest_also_run_disabled_tests
// after changing a kernel; it passed for the SSE2 and AVX2 kernels.
TEST(AlphaBlendKernels, DISABLED_ExhaustiveChannelsAndAlphas) {
    for (BlendKernel kernel : {BlendKernel::Sse2, BlendKernel::Avx2}) {
        if (!blendKernelAvailable(kernel)) continue;
        SCOPED_TRACE(blendKernelName(kernel));
        // One row per (sa, d): each pixel carries three (sc, tc) pairs, 21846 pixels cover all.
        std::vector<uint32_t> src(21846), dst(21846), expected(21846);
        for (uint32_t sa = 0; sa < 256; ++sa)
            for (uint32_t d = 0; d < 256; ++d) {
                for (uint32_t i = 0; i < 21846; ++i) {
                    uint32_t sc[3], tc[3];
                    for (uint32_t k = 0; k < 3; ++k) {
                        const uint32_t pair = std::min<uint32_t>(i * 3 + k, 65535);
                        sc[k] = pair >> 8;
                        tc[k] = pair & 255;
                    }
                    src[i] = rgba(sc[0], sc[1], sc[2], sa);
                    dst[i] = rgba(tc[0], tc[1], tc[2], d);
                    expected[i] = overPixel(src[i], dst[i], 255);
                }
                blendRowOverWith(kernel, dst.data(), src.data(), dst.size(), 255);
                ASSERT_EQ(dst, expected) << "sa " << sa << " d " << d;
            }
    }
}

}  // namespace
}  // namespace qm
