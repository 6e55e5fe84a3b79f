#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "raster/gradient.h"

namespace qm {
namespace {

Image blank(int w, int h, uint32_t fill = 0) {
    Image img = *createImage(w, h);
    std::fill(img.pixels.begin(), img.pixels.end(), fill);
    return img;
}

constexpr uint32_t kBlack = rgba(0, 0, 0, 255);
constexpr uint32_t kWhite = rgba(255, 255, 255, 255);

TEST(Gradient, VerticalGradientRunsFromRowToRow) {
    const Gradient g = verticalGradient(10, 20, rgba(0, 0, 0, 0), rgba(100, 200, 10, 255));
    EXPECT_EQ(gradientColourAt(g, 3, 10), rgba(0, 0, 0, 0));
    EXPECT_EQ(gradientColourAt(g, 999, 20), rgba(100, 200, 10, 255));
    EXPECT_EQ(gradientColourAt(g, -50, 15), rgba(50, 100, 5, 128));  // 127.5 -> 128
    EXPECT_EQ(gradientColourAt(g, 0, -1000), rgba(0, 0, 0, 0));      // before the start
    EXPECT_EQ(gradientColourAt(g, 0, 1000), rgba(100, 200, 10, 255));
    // Reversed rows: the start colour still belongs to the first row given.
    const Gradient up = verticalGradient(20, 10, kBlack, kWhite);
    EXPECT_EQ(gradientColourAt(up, 0, 20), kBlack);
    EXPECT_EQ(gradientColourAt(up, 0, 10), kWhite);
    EXPECT_EQ(gradientColourAt(up, 0, 0), kWhite);
    // Both rows equal: no length, every pixel at position 0.
    EXPECT_EQ(gradientColourAt(verticalGradient(5, 5, kBlack, kWhite), 0, 9), kBlack);
}

TEST(Gradient, InterpolationRoundsHalvesToEven) {
    struct Case {
        uint32_t end;
        uint32_t expectedRed;
    };
    // Row 1 of a gradient from row 0 to row 2 is at position 0.5.
    const Case cases[] = {{rgba(1, 0, 0, 0), 0},
                          {rgba(3, 0, 0, 0), 2},
                          {rgba(5, 0, 0, 0), 2},
                          {rgba(7, 0, 0, 0), 4},
                          {rgba(255, 0, 0, 0), 128}};
    for (const Case& c : cases)
        EXPECT_EQ(red(gradientColourAt(verticalGradient(0, 2, 0, c.end), 0, 1)), c.expectedRed);
}

TEST(Gradient, StopsInAnyOrderAndAtEqualPositions) {
    Gradient g = linearGradient(0, 0, 100, 0, rgba(0, 0, 0, 0), rgba(0, 0, 0, 255));
    g.stops = {{0.75, rgba(200, 0, 0, 100)}, {0.25, rgba(100, 0, 0, 50)}};
    Gradient sorted = g;
    std::swap(sorted.stops[0], sorted.stops[1]);
    for (int x = -5; x <= 105; ++x)
        ASSERT_EQ(gradientColourAt(g, x, 0), gradientColourAt(sorted, x, 0));

    struct Case {
        double position;
        uint32_t expected;
    };
    const Case cases[] = {
        {0.0, rgba(0, 0, 0, 0)},
        {0.25, rgba(100, 0, 0, 50)},
        {0.5, rgba(150, 0, 0, 75)},
        {0.75, rgba(200, 0, 0, 100)},
        {0.875, rgba(100, 0, 0, 178)},
        {1.0, rgba(0, 0, 0, 255)},
        {7.0, rgba(0, 0, 0, 255)},
        {-3.0, rgba(0, 0, 0, 0)},
        {std::numeric_limits<double>::infinity(), rgba(0, 0, 0, 255)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(gradientColourAtPosition(g, c.position), c.expected) << c.position;

    // Two stops at one position make a hard edge: approached from the first, held from the last.
    Gradient edge = linearGradient(0, 0, 1, 0, kBlack, kWhite);
    edge.stops = {{0.5, rgba(10, 10, 10, 255)}, {0.5, rgba(90, 90, 90, 255)}};
    EXPECT_EQ(gradientColourAtPosition(edge, 0.25), rgba(5, 5, 5, 255));
    EXPECT_EQ(gradientColourAtPosition(edge, 0.5), rgba(90, 90, 90, 255));
    EXPECT_EQ(gradientColourAtPosition(edge, 0.75), rgba(172, 172, 172, 255));  // 172.5

    // A stop at 0 replaces the start colour; stops outside 0..1 (or NaN) are clamped.
    Gradient clamped = linearGradient(0, 0, 1, 0, kBlack, kWhite);
    clamped.stops = {{-2.0, rgba(50, 0, 0, 255)},
                     {std::nan(""), rgba(60, 0, 0, 255)},
                     {3.0, rgba(0, 0, 90, 255)}};
    EXPECT_EQ(gradientColourAtPosition(clamped, 0.0), rgba(60, 0, 0, 255));
    EXPECT_EQ(gradientColourAtPosition(clamped, 0.5), rgba(30, 0, 45, 255));
    EXPECT_EQ(gradientColourAtPosition(clamped, 1.0), kWhite);
}

TEST(Gradient, EllipticalPositions) {
    const Gradient g = ellipticalGradient(10, 10, 4, 2, kBlack, kWhite);
    EXPECT_DOUBLE_EQ(gradientPosition(g, 10, 10), 0.0);
    EXPECT_DOUBLE_EQ(gradientPosition(g, 14, 10), 1.0);
    EXPECT_DOUBLE_EQ(gradientPosition(g, 10, 8), 1.0);
    EXPECT_DOUBLE_EQ(gradientPosition(g, 12, 10), 0.5);
    EXPECT_EQ(gradientColourAt(g, 30, 30), kWhite);
    // A zero radius is a step along that axis.
    const Gradient flat = ellipticalGradient(0, 0, 0, 10, kBlack, kWhite);
    EXPECT_DOUBLE_EQ(gradientPosition(flat, 0, 5), 0.5);
    EXPECT_EQ(gradientColourAt(flat, 1, 0), kWhite);
    EXPECT_EQ(gradientColourAt(ellipticalGradient(0, 0, 0, 0, kBlack, kWhite), 0, 0), kBlack);
}

TEST(Gradient, DrawnOverABoxInAllChannelsOrBlended) {
    const uint32_t under = rgba(0, 100, 0, 200);
    const Gradient g = verticalGradient(2, 6, rgba(255, 0, 0, 255), rgba(0, 0, 255, 0));
    for (DrawMode mode : {DrawMode::AllChannels, DrawMode::AlphaBlend})
        for (int opacity : {255, 100}) {
            Image img = blank(8, 10, under);
            // Dragged up and to the left from (7, 8): rows 2..7, columns 3..6.
            EXPECT_EQ(drawGradientBox(img, 7, 8, -4, -6, g, mode, opacity), (Rect{3, 2, 4, 6}));
            for (int y = 0; y < 10; ++y)
                for (int x = 0; x < 8; ++x) {
                    const bool inside = x >= 3 && x < 7 && y >= 2 && y < 8;
                    const uint32_t want =
                        inside ? applyDrawMode(mode, gradientColourAt(g, x, y), under, opacity)
                               : under;
                    ASSERT_EQ(img.at(x, y), want) << int(mode) << " " << x << "," << y;
                }
        }
}

}  // namespace
}  // namespace qm
