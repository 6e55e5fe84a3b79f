#include <gtest/gtest.h>

#include <algorithm>

#include "brush/brush_test_files.h"
#include "brush/brush_tip.h"
#include "raster/rotate.h"

namespace qm {
namespace {

using test::solidTip;
using test::WorkFolder;

constexpr uint32_t kSelectedRgb = rgb(40, 50, 60);

BrushSettings settings(uint8_t type, int16_t size) {
    BrushSettings b;
    b.type = type;
    b.size = size;
    b.sizeX = 100;
    b.sizeY = 100;
    b.alpha = 255;
    b.color = rgba(200, 10, 20, 255);
    b.selectedColor = kSelectedRgb | (138u << 24);
    return b;
}

TEST(BrushTip, HardCircleKeepsSizeScaleWhileTheExtentFollowsTheWidth) {
    BrushTip tip;
    BrushSettings b = settings(0, 32);
    b.sizeX = 50;
    buildTip(tip, b, ".");
    ASSERT_EQ(tip.documentTip.width, 32);
    ASSERT_EQ(tip.documentTip.height, 32);
    EXPECT_EQ(tip.tipWidth, 16);
    EXPECT_EQ(tip.tipHeight, 32);
    // Centre (16, 16), radius 15: columns 1 .. 31 on the centre row.
    EXPECT_EQ(alpha(tip.documentTip.at(0, 16)), 0u);
    EXPECT_EQ(tip.documentTip.at(1, 16), b.color);
    EXPECT_EQ(tip.documentTip.at(31, 16), b.color);
    EXPECT_EQ(tip.documentTip.at(10, 0), kSelectedRgb);  // transparent, selected colour's rgb
    EXPECT_EQ(tip.documentTip.at(20, 0), 0u);            // outside the tip extent: all zero
}

// Every generated shape paints its centre in the paint colour's red, green and blue; the soft
// and custom circles fade outwards, the shine circle is brightest up and left of the centre.
TEST(BrushTip, EveryGeneratedShapeIsDrawn) {
    for (uint8_t type : {0, 1, 2, 4, 5, 6}) {
        BrushTip tip;
        BrushSettings b = settings(type, 40);
        b.alpha = 255;
        b.alphaGradientX = 255;
        b.alphaGradientX2 = 128;
        b.alphaGradientX3 = 50;
        b.gradientX = 0.1;
        b.gradientX2 = 0.3;
        b.gradientX3 = 0.2;
        buildTip(tip, b, ".");
        ASSERT_EQ(tip.documentTip.width, 40) << int(type);
        const uint32_t centre = tip.documentTip.at(20, 20);
        EXPECT_GT(alpha(centre), 0u) << int(type);
        // The shine fades towards transparent black, so only its highlight has the paint's rgb.
        const uint32_t paint = type == 4 ? tip.documentTip.at(13, 13) : centre;
        EXPECT_EQ(paint & 0xFFFFFFu, b.color & 0xFFFFFFu) << int(type);
    }
    BrushTip soft, shine, custom;
    buildTip(soft, settings(5, 40), ".");
    EXPECT_GT(alpha(soft.documentTip.at(20, 20)), alpha(soft.documentTip.at(20, 35)));
    buildTip(shine, settings(4, 40), ".");
    EXPECT_GT(alpha(shine.documentTip.at(13, 13)), alpha(shine.documentTip.at(27, 27)));
    BrushSettings c = settings(6, 40);
    c.alphaGradientX = 255;
    c.alphaGradientX2 = 128;
    c.alphaGradientX3 = 50;
    c.gradientX = 0.1;
    c.gradientX2 = 0.3;
    c.gradientX3 = 0.2;
    c.alpha = 128;  // the end colour's alpha: 128 holds from the second stop outwards
    buildTip(custom, c, ".");
    // Radius 39: 0.3 of it is 11.7 pixels out.
    EXPECT_EQ(alpha(custom.documentTip.at(20, 20)), 255u);
    EXPECT_EQ(alpha(custom.documentTip.at(32, 20)), 128u);
}

TEST(BrushTip, ElongatedShapesAndUnknownTypes) {
    BrushTip ellipse;
    buildTip(ellipse, settings(2, 40), ".");
    EXPECT_GT(alpha(ellipse.documentTip.at(1, 20)), 0u);  // radius 20 across
    EXPECT_EQ(alpha(ellipse.documentTip.at(20, 5)), 0u);  // radius 10 down
    BrushTip unknown;
    buildTip(unknown, settings(42, 10), ".");
    ASSERT_EQ(unknown.documentTip.width, 10);
    for (uint32_t p : unknown.documentTip.pixels) EXPECT_EQ(alpha(p), 0u);
}

// The file's alpha less (255 - alpha), at least 0: with alpha 55 only alphas above 200 remain.
TEST(BrushTip, CustomTipIsRecolouredFromTheFileAlpha) {
    WorkFolder work;
    Image file = *createImage(5, 1, 32);
    const uint32_t fileAlphas[] = {0, 100, 200, 201, 255};
    for (int x = 0; x < 5; ++x) file.at(x, 0) = rgba(9, 9, 9, fileAlphas[x]);
    work.writeTip("orrindal", 2, file);

    BrushTip tip;
    BrushSettings b = settings(3, 5);
    b.brush = 2;
    b.alpha = 55;
    b.color = rgba(1, 2, 3, 55);
    b.smoth = 1;
    buildTip(tip, b, work.str());
    ASSERT_EQ(tip.source.width, 5);
    ASSERT_EQ(tip.documentTip.width, 5);
    const uint32_t expected[] = {0, 0, 0, 1, 55};
    for (int x = 0; x < 5; ++x) {
        if (expected[x]) EXPECT_EQ(tip.documentTip.at(x, 0), rgba(1, 2, 3, expected[x])) << x;
        EXPECT_EQ(alpha(tip.documentTip.at(x, 0)), expected[x]) << x;
    }
}

TEST(BrushTip, CustomTipTakesTheExtentAndTheResampling) {
    WorkFolder work;
    Image file = solidTip(4, 4, rgba(0, 0, 0, 0));
    file.at(0, 0) = rgba(0, 0, 0, 255);  // one opaque corner
    work.writeTip("orrindal", 0, file);
    BrushSettings b = settings(3, 8);
    b.brush = 0;
    b.sizeX = 100;
    b.sizeY = 50;
    for (uint8_t smoth : {0, 1}) {
        b.smoth = smoth;
        BrushTip tip;
        buildTip(tip, b, work.str());
        ASSERT_EQ(tip.documentTip.width, 8);
        ASSERT_EQ(tip.documentTip.height, 4);
        // Nearest keeps a hard 2 x 1 block; smooth spreads the corner into its neighbours.
        if (smoth) {
            EXPECT_EQ(alpha(tip.documentTip.at(1, 0)), 255u);
            EXPECT_EQ(alpha(tip.documentTip.at(2, 0)), 0u);
        } else {
            EXPECT_GT(alpha(tip.documentTip.at(2, 0)), 0u);
            EXPECT_LT(alpha(tip.documentTip.at(2, 0)), 255u);
        }
    }
}

TEST(BrushTip, MissingOrEscapingTipFilePaintsNothing) {
    WorkFolder work;
    work.writeTip("orrindal", 0, solidTip(4, 4, rgba(0, 0, 0, 255)));
    BrushTip tip;
    BrushSettings b = settings(3, 4);
    b.brush = 0;
    buildTip(tip, b, work.str());
    ASSERT_FALSE(tip.source.empty());

    // A later rebuild whose file is gone does not reuse (and fade again) the old source.
    for (const char* folder : {"orrindal", "../orrindal", "nowhere"}) {
        tip.tipFolder = folder;
        b.brush = 7;
        buildTip(tip, b, work.str());
        EXPECT_TRUE(tip.source.empty()) << folder;
        ASSERT_EQ(tip.documentTip.width, 4) << folder;
        for (uint32_t p : tip.documentTip.pixels) EXPECT_EQ(alpha(p), 0u) << folder;
    }
    EXPECT_EQ(tipFilePath(work.str(), "../orrindal", 0), "");
    EXPECT_EQ(tipFilePath(work.str(), "a/b", 0), "");
}

// Sizes the tip cannot have leave it empty instead of allocating without bound; the extent
// stays within 0 .. 32767 whatever the percentages.
TEST(BrushTip, AbsurdSizesGiveAnEmptyTip) {
    const struct {
        int16_t size, percent;
        uint8_t type;
        bool documentTipEmpty;
        int16_t tipWidth;
    } cases[] = {
        {0, 100, 0, true, 0},         {-5, 100, 1, true, 0},   {30000, 100, 0, true, 30000},
        {300, 30000, 3, true, 32767}, {300, -40, 3, false, 0},  // no extent: the custom tip is
                                                                // skipped, the image stays blank
    };
    for (const auto& c : cases) {
        BrushTip tip;
        tip.documentTip = solidTip(3, 3, 0xFFFFFFFFu);  // replaced, never kept from before
        BrushSettings b = settings(c.type, c.size);
        b.sizeX = c.percent;
        b.sizeY = c.percent;
        buildTip(tip, b, ".");
        EXPECT_EQ(tip.documentTip.empty(), c.documentTipEmpty) << c.size << " " << c.percent;
        EXPECT_EQ(tip.tipWidth, c.tipWidth) << c.size << " " << c.percent;
    }
}

TEST(BrushTip, CountsPngFilesForTheHighestIndex) {
    WorkFolder work;
    EXPECT_EQ(countTipFiles(work.str(), "orrindal"), -1);  // no folder
    for (int i = 0; i < 4; ++i) work.writeTip("orrindal", i, solidTip(2, 2, 0xFF000000u));
    work.writeText("presets/brush/orrindal/readme.txt", "not a tip");
    std::filesystem::create_directories(work.path / "presets/brush/orrindal/extra.png");
    EXPECT_EQ(countTipFiles(work.str(), "orrindal"), 3);
    EXPECT_EQ(countTipFiles(work.str(), "ORRINDAL"), 3);  // stored names may differ in case
    EXPECT_EQ(countTipFiles(work.str(), ".."), -1);
}

TEST(BrushTip, PreviewIsTheTipOverWhite) {
    Image preview = *createImage(60, 60, 24);
    BrushTip box;
    BrushSettings b = settings(1, 10);
    b.color = rgba(0, 0, 255, 255);
    buildTip(box, b, ".");
    drawTipPreview(box.documentTip, preview);
    EXPECT_EQ(preview.at(0, 0), rgba(0, 0, 255, 255));
    EXPECT_EQ(preview.at(59, 59), rgba(0, 0, 255, 255));

    drawTipPreview(Image{}, preview);  // no tip: white
    EXPECT_EQ(preview.at(30, 30), rgba(255, 255, 255, 255));
    Image none;
    drawTipPreview(box.documentTip, none);  // no preview image: nothing to draw into
    EXPECT_TRUE(none.empty());
}

// A request records the brush and costs no pixels; readyTip makes exactly the tip buildTip
// makes of the brush as it was asked for, once, from the latest request.
TEST(BrushTip, RequestedTipIsMadeOnceWhenNeededAsBuildMakesIt) {
    WorkFolder work;
    Image file = solidTip(6, 6, rgba(0, 0, 0, 90));
    file.at(2, 3) = rgba(0, 0, 0, 255);
    work.writeTip("orrindal", 0, file);
    struct Case {
        uint8_t type;
        int16_t size, sizeX;
    };
    const Case cases[] = {{0, 32, 50}, {3, 20, 100}, {3, 9, 40}, {6, 40, 100}, {5, 0, 100}};
    for (const Case& c : cases) {
        BrushSettings b = settings(c.type, c.size);
        b.brush = 0;
        b.sizeX = c.sizeX;
        BrushTip built;
        buildTip(built, b, work.str());

        BrushTip lazy;
        lazy.documentTip = solidTip(2, 2, 0xFFFFFFFFu);
        BrushSettings first = b;
        first.size = 7000;  // superseded before anything paints: never made
        requestTip(lazy, first, work.str());
        requestTip(lazy, b, work.str());
        EXPECT_EQ(lazy.tipWidth, built.tipWidth) << int(c.type);
        EXPECT_EQ(lazy.documentTip.width, 2) << int(c.type);  // nothing made yet
        b.color = rgba(9, 9, 9, 255);  // later changes are not part of the request
        b.size = 3;
        readyTip(lazy);
        EXPECT_EQ(lazy.documentTip.width, built.documentTip.width) << int(c.type);
        readyTipPart(lazy, Rect{0, 0, lazy.documentTip.width, lazy.documentTip.height});
        EXPECT_TRUE(tipComplete(lazy));
        EXPECT_EQ(lazy.documentTip.pixels, built.documentTip.pixels) << int(c.type);
        EXPECT_EQ(lazy.source.pixels, built.source.pixels) << int(c.type);

        lazy.documentTip.pixels.clear();  // made: a second readyTip does nothing
        readyTip(lazy);
        EXPECT_TRUE(lazy.documentTip.pixels.empty());
    }
}

// The preview of a request: from the tip itself up to 60 pixels, beyond from the same brush made
// 60 pixels wide; white when there is no tip to show.
TEST(BrushTip, RequestedPreviewIsMadeFromATipNoLargerThanThePreview) {
    const auto previewOf = [](const BrushTip& tip) {
        Image preview = *createImage(60, 60, 24);
        drawRequestedTipPreview(tip, preview);
        return preview;
    };
    const auto builtPreview = [](const BrushSettings& b) {
        BrushTip tip;
        buildTip(tip, b, ".");
        Image preview = *createImage(60, 60, 24);
        drawTipPreview(tip.documentTip, preview);
        return preview;
    };
    for (uint8_t type : {0, 2, 4, 6})
        for (int16_t size : {1, 17, 60, 61, 8000}) {
            BrushSettings b = settings(type, size);
            BrushTip tip;
            requestTip(tip, b, ".");
            BrushSettings shown = b;
            shown.size = std::min<int16_t>(size, 60);
            EXPECT_EQ(previewOf(tip).pixels, builtPreview(shown).pixels)
                << int(type) << " " << size;
            EXPECT_TRUE(tip.documentTip.empty());  // the preview made no tip of the brush
        }
    const uint32_t white = rgba(255, 255, 255, 255);
    BrushTip none;
    for (uint32_t p : previewOf(none).pixels) EXPECT_EQ(p, white);
    for (int16_t size : {0, 9000}) {  // sizes no tip can have show nothing
        BrushTip tip;
        requestTip(tip, settings(1, size), ".");
        for (uint32_t p : previewOf(tip).pixels) ASSERT_EQ(p, white) << size;
    }
}

// The painter rotates the prepared tip per dab; a 10 x 10 tip becomes 15 x 15.
TEST(BrushTip, RotatedTipIsSquareOfTheDiagonal) {
    BrushTip tip;
    buildTip(tip, settings(0, 10), ".");
    const Image rotated = rotateTip(tip.documentTip, 33.0);
    EXPECT_EQ(rotated.width, 15);
    EXPECT_EQ(rotated.height, 15);
}

}  // namespace
}  // namespace qm
