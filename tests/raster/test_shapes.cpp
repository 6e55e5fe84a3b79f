#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <set>
#include <utility>

#include "raster/shapes.h"

namespace qm {
namespace {

Image blank(int w, int h, uint32_t fill = 0, int depth = 32) {
    Image img = *createImage(w, h, depth);
    std::fill(img.pixels.begin(), img.pixels.end(), fill);
    return img;
}

constexpr uint32_t kInk = rgba(10, 20, 30, 255);

using PixelSet = std::set<std::pair<int, int>>;

PixelSet pixelsOf(const Image& img, uint32_t background = 0) {
    PixelSet s;
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x)
            if (img.at(x, y) != background) s.insert({x, y});
    return s;
}

Rect boundsOf(const PixelSet& s) {
    Rect r;
    for (const auto& [x, y] : s) r = unite(r, Rect{x, y, 1, 1});
    return r;
}

// The exact ellipse membership rule, written out directly.
bool inEllipse(int64_t dx, int64_t dy, int64_t rx, int64_t ry) {
    if (std::abs(dx) > rx || std::abs(dy) > ry) return false;
    return __int128(dx) * dx * ry * ry + __int128(dy) * dy * rx * rx <= __int128(rx) * rx * ry * ry;
}

TEST(Shapes, CircleHardTipOfSize32IsACircleOfRadius15) {
    Image tip = blank(32, 32);
    const Rect r = fillCircle(tip, 16, 16, 15, solidPaint(kInk));
    EXPECT_EQ(r, (Rect{1, 1, 31, 31}));
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            EXPECT_EQ(tip.at(x, y) == kInk, (x - 16) * (x - 16) + (y - 16) * (y - 16) <= 225)
                << x << "," << y;
    EXPECT_EQ(tip.at(1, 16), kInk);
    EXPECT_EQ(tip.at(31, 16), kInk);
    EXPECT_EQ(tip.at(16, 0), 0u);
}

TEST(Shapes, EllipseMatchesTheExactRuleAndClips) {
    struct Case {
        int cx, cy, rx, ry;
    };
    const Case cases[] = {{16, 16, 16, 8}, {5, 20, 9, 3},  {-4, 10, 12, 12}, {30, -3, 7, 9},
                          {12, 12, 0, 5},  {12, 12, 6, 0}, {12, 12, 0, 0},   {40, 40, 3, 3},
                          {16, 8, 1, 1},   {0, 0, 31, 31}};
    for (const Case& c : cases) {
        Image img = blank(32, 28);
        const Rect r = fillEllipse(img, c.cx, c.cy, c.rx, c.ry, solidPaint(kInk));
        PixelSet expected;
        for (int y = 0; y < img.height; ++y)
            for (int x = 0; x < img.width; ++x)
                if (inEllipse(x - c.cx, y - c.cy, c.rx, c.ry)) expected.insert({x, y});
        EXPECT_EQ(pixelsOf(img), expected) << c.cx << "," << c.cy << " r " << c.rx << "," << c.ry;
        EXPECT_EQ(r, boundsOf(expected));
    }
    Image img = blank(8, 8);
    EXPECT_TRUE(fillEllipse(img, 4, 4, -1, 3, solidPaint(kInk)).empty());
    EXPECT_TRUE(fillCircle(img, 4, 4, -2, solidPaint(kInk)).empty());
    EXPECT_TRUE(pixelsOf(img).empty());
}

TEST(Shapes, HugeShapesOnlyWorkInsideTheTarget) {
    Image img = blank(16, 12);
    EXPECT_EQ(fillCircle(img, 3, 4, INT_MAX, solidPaint(kInk)), (Rect{0, 0, 16, 12}));
    EXPECT_EQ(pixelsOf(img).size(), 16u * 12u);

    // Far away centre: the arc that crosses the image is exact.
    img = blank(16, 12);
    const int cx = -1000000000, cy = 5, r = 1000000007;
    fillCircle(img, cx, cy, r, solidPaint(kInk));
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 16; ++x)
            EXPECT_EQ(img.at(x, y) == kInk, inEllipse(x - int64_t(cx), y - cy, r, r));

    img = blank(16, 12);
    EXPECT_EQ(fillBox(img, INT_MIN, INT_MIN, INT_MAX, INT_MAX, solidPaint(kInk)), Rect{});
    EXPECT_EQ(fillBox(img, INT_MAX, INT_MAX, INT_MAX, INT_MAX, solidPaint(kInk)), Rect{});
    EXPECT_EQ(fillBox(img, INT_MAX, 0, INT_MIN, 5, solidPaint(kInk)), (Rect{0, 0, 16, 5}));
    EXPECT_EQ(fillEllipse(img, INT_MIN, INT_MAX, INT_MAX, INT_MAX, solidPaint(kInk)), Rect{});
    EXPECT_EQ(drawLine(img, INT_MIN, INT_MIN, INT_MAX, INT_MAX, solidPaint(kInk)).w, 12);
}

TEST(Shapes, BoxWithNegativeSizesExtendsLeftAndUp) {
    struct Case {
        int x, y, w, h;
        Rect expected;
    };
    const Case cases[] = {
        {2, 3, 4, 2, {2, 3, 4, 2}}, {10, 10, -3, -2, {7, 8, 3, 2}}, {5, 5, 0, 4, {}},
        {5, 5, 3, 0, {}},           {-5, -5, 7, 8, {0, 0, 2, 3}},   {14, 1, 100, 1, {14, 1, 2, 1}},
    };
    for (const Case& c : cases) {
        Image img = blank(16, 12);
        const Rect r = fillBox(img, c.x, c.y, c.w, c.h, solidPaint(kInk));
        EXPECT_EQ(r, c.expected) << c.x << "," << c.y << " " << c.w << "x" << c.h;
        EXPECT_EQ(boundsOf(pixelsOf(img)), c.expected);
        EXPECT_EQ(pixelsOf(img).size(), size_t(c.expected.w) * size_t(c.expected.h));
    }
}

TEST(Shapes, EveryModeGivesTheReferenceArithmetic) {
    const uint32_t sources[] = {rgba(200, 100, 50, 255), rgba(200, 100, 50, 128),
                                rgba(7, 250, 99, 0)};
    const uint32_t targets[] = {0u, rgba(1, 2, 3, 255), rgba(90, 180, 45, 77)};
    const DrawMode modes[] = {DrawMode::AlphaBlend, DrawMode::AlphaClip, DrawMode::AlphaChannel,
                              DrawMode::AllChannels, DrawMode::Xor};
    for (DrawMode mode : modes)
        for (uint32_t s : sources)
            for (uint32_t t : targets)
                for (int opacity : {0, 1, 128, 255, 300, -5}) {
                    Image img = blank(3, 2, t);
                    fillBox(img, 0, 0, 3, 2, solidPaint(s, mode, opacity));
                    const uint32_t want =
                        applyDrawMode(mode, s, t, uint32_t(std::clamp(opacity, 0, 255)));
                    for (uint32_t p : img.pixels)
                        ASSERT_EQ(p, want)
                            << int(mode) << " s " << s << " t " << t << " o " << opacity;
                }
}

TEST(Shapes, TwentyFourBitTargetsStayOpaque) {
    Image img = blank(4, 4, rgba(0, 0, 0, 255), 24);
    fillBox(img, 0, 0, 2, 4, solidPaint(rgb(200, 10, 10), DrawMode::AllChannels));
    fillBox(img, 2, 0, 2, 4, solidPaint(rgba(9, 9, 9, 0), DrawMode::AlphaChannel));
    EXPECT_EQ(img.at(0, 0), rgba(200, 10, 10, 255));
    EXPECT_EQ(img.at(3, 3), rgba(0, 0, 0, 255));
}

TEST(Shapes, FilterSeesCoordinatesSourceAndTarget) {
    Image img = blank(6, 5, rgba(1, 0, 0, 0));
    const PixelFilter f = [](int x, int y, uint32_t s, uint32_t t) {
        return rgba(uint32_t(x), uint32_t(y), red(s), red(t));
    };
    const Rect r = fillBox(img, 2, 1, 3, 2, filterPaint(f, rgba(77, 0, 0, 0)));
    EXPECT_EQ(r, (Rect{2, 1, 3, 2}));
    EXPECT_EQ(img.at(4, 2), rgba(4, 2, 77, 1));
    EXPECT_EQ(img.at(1, 1), rgba(1, 0, 0, 0));
    // Filter mode without a filter draws nothing.
    const Image before = img;
    fillBox(img, 0, 0, 6, 5, Paint{kInk, DrawMode::Filter, 255, nullptr, nullptr});
    EXPECT_EQ(img.pixels, before.pixels);
}

TEST(Shapes, PlotAndPointClip) {
    Image img = blank(4, 3);
    EXPECT_EQ(plot(img, 3, 2, solidPaint(kInk)), (Rect{3, 2, 1, 1}));
    EXPECT_EQ(point(img, 3, 2), kInk);
    for (auto [x, y] : {std::pair{-1, 0}, {4, 0}, {0, 3}, {INT_MIN, INT_MAX}}) {
        EXPECT_TRUE(plot(img, x, y, solidPaint(kInk)).empty());
        EXPECT_EQ(point(img, x, y), 0u);
    }
    EXPECT_EQ(pixelsOf(img).size(), 1u);
}

TEST(Shapes, LinesAreInclusiveConnectedAndSymmetric) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> coord(-8, 40);
    for (int n = 0; n < 300; ++n) {
        const int x0 = coord(rng), y0 = coord(rng), x1 = coord(rng), y1 = coord(rng);
        Image big = blank(120, 120);  // holds every line whole, offset by 40
        const Rect r = drawLine(big, x0 + 40, y0 + 40, x1 + 40, y1 + 40, solidPaint(kInk));
        Image back = blank(120, 120);
        drawLine(back, x1 + 40, y1 + 40, x0 + 40, y0 + 40, solidPaint(kInk));
        ASSERT_EQ(big.pixels, back.pixels) << x0 << "," << y0 << " " << x1 << "," << y1;

        const PixelSet s = pixelsOf(big);
        ASSERT_EQ(r, boundsOf(s));
        EXPECT_TRUE(s.count({x0 + 40, y0 + 40}) && s.count({x1 + 40, y1 + 40}));
        // One pixel per step along the longer axis, each next to the previous.
        const int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
        ASSERT_EQ(s.size(), size_t(steps) + 1);
        EXPECT_EQ(std::max(r.w, r.h), steps + 1);

        // Clipped to a small target the same pixels land, whatever part of the line is inside.
        Image small = blank(32, 24);
        drawLine(small, x0, y0, x1, y1, solidPaint(kInk));
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 32; ++x)
                ASSERT_EQ(small.at(x, y), big.at(x + 40, y + 40)) << x << "," << y;
    }
}

TEST(Shapes, LinePicksRoundedOffsets) {
    // From (0,0) to (4,1): offsets 0, .25, .5, .75, 1 -> rows 0 0 1 1 1 (halves away from the
    // start end).
    Image img = blank(5, 2);
    drawLine(img, 0, 0, 4, 1, solidPaint(kInk));
    EXPECT_EQ(pixelsOf(img), (PixelSet{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 1}}));
    img = blank(5, 2);
    EXPECT_EQ(drawLine(img, 2, 1, 2, 1, solidPaint(kInk)), (Rect{2, 1, 1, 1}));
}

TEST(Shapes, ShapesCanBePaintedWithAGradient) {
    // The "Circle Soft" tip of size 16: colour fading to transparent towards the radius.
    const uint32_t colour = rgba(40, 80, 120, 255);
    const Gradient g = ellipticalGradient(8, 8, 8, 8, colour, rgba(40, 80, 120, 0));
    Image tip = blank(16, 16);
    fillCircle(tip, 8, 8, 7, gradientPaint(g));
    EXPECT_EQ(tip.at(8, 8), colour);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const bool inside = inEllipse(x - 8, y - 8, 7, 7);
            EXPECT_EQ(tip.at(x, y), inside ? gradientColourAt(g, x, y) : 0u);
        }
    EXPECT_EQ(alpha(tip.at(1, 8)), 32u);  // position 7/8: 255 / 8 = 31.875
}

}  // namespace
}  // namespace qm
