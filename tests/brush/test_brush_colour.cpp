#include <gtest/gtest.h>

#include "brush/brush_colour.h"
#include "raster/image.h"

namespace qm {
namespace {

constexpr uint32_t kRgb = rgb(10, 20, 30);

struct SelectedAlphaCase {
    uint8_t tool;
    uint8_t alpha;
    double strokeAlpha;
    uint32_t expected;  // the selected colour afterwards, from rgb(10, 20, 30) | alpha 77
};

// Rule 1, wraps and rounding included: 255 x 255 / 100 = 650 wraps to 138.
TEST(BrushColour, SelectedColourAlphaByMode) {
    const SelectedAlphaCase cases[] = {
        {0, 255, 255.0, kRgb | (138u << 24)},
        {1, 100, 100.0, kRgb | (100u << 24)},
        {4, 10, 255.0, kRgb | (26u << 24)},    // 25.5 -> 26 (halves to even)
        {0, 3, 50.0, kRgb | (2u << 24)},       // 1.5 -> 2
        {0, 1, 50.0, kRgb},                    // 0.5 -> 0
        {0, 200, 128.0, kRgb | (0u << 24)},    // 256 wraps to 0
        {0, 255, -10.0, kRgb | (230u << 24)},  // -25.5 -> -26, modulo 256
        {2, 255, 255.0, kRgb},                 // eraser: alpha 0
        {3, 255, 255.0, kRgb | (77u << 24)},   // water: unchanged
        {9, 255, 255.0, kRgb | (77u << 24)},   // unknown mode: unchanged
    };
    for (const auto& c : cases) {
        BrushSettings b;
        b.tool = c.tool;
        b.alpha = c.alpha;
        b.strokeAlpha = c.strokeAlpha;
        b.selectedColor = kRgb | (77u << 24);
        recomputeSelectedAlpha(b);
        EXPECT_EQ(b.selectedColor, c.expected)
            << "tool " << int(c.tool) << " alpha " << int(c.alpha) << " stroke " << c.strokeAlpha;
    }
}

TEST(BrushColour, PaintColourByMode) {
    const struct {
        uint8_t tool;
        uint32_t expected;
    } cases[] = {
        {0, kRgb | (60u << 24)}, {1, kRgb | (60u << 24)},  {4, kRgb | (60u << 24)},
        {2, rgba(0, 0, 0, 255)}, {3, kRgb | (200u << 24)},
    };
    for (const auto& c : cases) {
        BrushSettings b;
        b.tool = c.tool;
        b.alpha = 60;
        b.color = kRgb | (200u << 24);
        refreshPaintColour(b);
        EXPECT_EQ(b.color, c.expected) << "tool " << int(c.tool);
    }
}

TEST(BrushColour, ColourChangeCopiesOrKeepsThePaintColour) {
    BrushSettings b;
    b.tool = 0;
    b.alpha = 90;
    b.strokeAlpha = 100.0;
    b.color = rgb(1, 2, 3);
    b.selectedColor = rgb(200, 100, 50);
    applyColourChange(b, true);
    EXPECT_EQ(b.color, rgba(1, 2, 3, 90));
    EXPECT_EQ(b.selectedColor, rgba(200, 100, 50, 90));

    applyColourChange(b, false);
    EXPECT_EQ(b.color, rgba(200, 100, 50, 90));

    b.tool = 2;  // the eraser paints opaque black whatever was chosen
    applyColourChange(b, false);
    EXPECT_EQ(b.color, rgba(0, 0, 0, 255));
    EXPECT_EQ(b.selectedColor, rgb(200, 100, 50));
}

}  // namespace
}  // namespace qm
