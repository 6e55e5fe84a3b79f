#include <gtest/gtest.h>

#include "codecs/codecs.h"
#include "io/animation_files.h"
#include "platform/paths.h"
#include "raster/shapes.h"
#include "support/temp_folder.h"

namespace qm {
namespace {

TEST(AnimationImport, TakesTheFourExtensionsInAnyCase) {
    for (const char* name : {"a.png", "IMG_001.JPG", "b.Bmp", "c.TGA", "dir.x/d.jpg"})
        EXPECT_TRUE(animationFileAccepted(name)) << name;
    for (const char* name : {"a.gif", "b.jpeg", "c", "png", "dir.png/e", "f.png.txt"})
        EXPECT_FALSE(animationFileAccepted(name)) << name;
}

Image solid(int w, int h, uint32_t colour) {
    Image image = *createImage(w, h, 32);
    fillBox(image, 0, 0, w, h, solidPaint(colour, DrawMode::AllChannels));
    return image;
}

// An animation layer with a 32 x 32 frame of its own colour at each of `frames`.
AnimationLayer layerWithFrames(std::initializer_list<int> frames) {
    AnimationLayer layer;
    layer.Alpha = 255;
    for (int f : frames) {
        AnimationFrame frame;
        frame.Frame = int16_t(f);
        frame.id = uint32_t(f);
        frame.image = solid(32, 32, rgba(uint32_t(f * 20), 100, 50, 255));
        layer.Frames.push_back(std::move(frame));
    }
    return layer;
}

uint32_t colourOf(int f) {
    return rgba(uint32_t(f * 20), 100, 50, 255);
}

TEST(AnimationStrip, HoldsTheRangeSlotBySlot) {
    struct Case {
        int first, last;
        std::vector<int> slots;  // the frame shown in each slot, 0 for a transparent slot
    };
    const AnimationLayer layer = layerWithFrames({1, 2, 3, 5, 6});
    const Case cases[] = {
        {1, 3, {1, 2, 3}},
        {5, 6, {5, 6}},
        {2, 5, {2, 3, 0, 5}},  // frame 4 has no image: its slot stays transparent
        {6, 6, {6}},
    };
    for (const Case& c : cases) {
        const auto strip = composeStrip(layer, c.first, c.last, 32, 32);
        ASSERT_TRUE(strip);
        EXPECT_EQ(strip->width, int(c.slots.size()) * 32);
        EXPECT_EQ(strip->height, 32);
        for (size_t i = 0; i < c.slots.size(); ++i) {
            const uint32_t expected = c.slots[i] ? colourOf(c.slots[i]) : 0u;
            EXPECT_EQ(strip->at(int(i) * 32, 0), expected) << c.first << " slot " << i;
            EXPECT_EQ(strip->at(int(i) * 32 + 31, 31), expected) << c.first << " slot " << i;
        }
    }
    EXPECT_FALSE(composeStrip(layer, 3, 2, 32, 32));          // empty range
    EXPECT_FALSE(composeStrip(layer, 1, 30000, 4000, 4000));  // beyond the image limits
}

// A drawing fills every slot of its hold; the strip written row by row agrees.
TEST(AnimationStrip, ADrawingShowsInEachSlotOfItsHold) {
    AnimationLayer layer = layerWithFrames({1, 4, 6});
    layer.Frames[0].Hold = 2;
    layer.Frames[1].Hold = 2;
    const Image strip = *composeStrip(layer, 1, 7, 32, 32);
    const int slots[] = {1, 1, 0, 4, 4, 6, 0};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(strip.at(i * 32 + 5, 5), slots[i] ? colourOf(slots[i]) : 0u) << "slot " << i;
    EXPECT_EQ(animationFrameSize(layer, 2).width, 32);
    test::TempFolder folder;
    std::string error;
    ASSERT_TRUE(writeStripPng(layer, 1, 7, 32, 32, folder.file("held.png"), error)) << error;
    const auto saved = loadImageFile(folder.file("held.png"), error);
    ASSERT_TRUE(saved) << error;
    EXPECT_TRUE(saved->pixels == strip.pixels);
}

TEST(AnimationStrip, AnOffsetFrameStaysInItsSlotAtTheLayersAlpha) {
    AnimationLayer layer = layerWithFrames({1, 2});
    layer.Alpha = 128;
    layer.Frames[0].X = 20;  // 12 pixels would spill into frame 2's slot
    const Image strip = *composeStrip(layer, 1, 2, 32, 32);
    EXPECT_EQ(strip.at(19, 5), 0u);
    EXPECT_EQ(alpha(strip.at(20, 5)), 128u);
    EXPECT_EQ(strip.at(32, 5), overPixel(colourOf(2), 0, 128));  // not frame 1's colour
}

TEST(AnimationStrip, ThePngWrittenRowByRowHoldsTheStrip) {
    AnimationLayer layer = layerWithFrames({1, 2, 3, 5});
    layer.Alpha = 200;
    layer.Frames[1].X = -7;           // cut at the left of its slot
    layer.Frames[2].Y = 20;           // and at the bottom
    for (auto& frame : layer.Frames)  // some alpha, so the blending shows
        for (int i = 0; i < 32; ++i) frame.image.at(i, i) = rgba(1, 2, 3, uint32_t(i * 8));
    test::TempFolder folder;
    for (int threads : {1, 2, 5}) {
        std::string error;
        ASSERT_TRUE(writeStripPng(layer, 1, 5, 32, 40, folder.file("strip.png"), error, threads))
            << error;
        const auto saved = loadImageFile(folder.file("strip.png"), error);
        ASSERT_TRUE(saved) << error;
        EXPECT_TRUE(saved->pixels == composeStrip(layer, 1, 5, 32, 40)->pixels) << threads;
    }
    // Wider than an image may be: 120 frames of 512.
    AnimationLayer wide = layerWithFrames({1, 120});
    std::string error;
    ASSERT_TRUE(writeStripPng(wide, 1, 120, 512, 4, folder.file("wide.png"), error)) << error;
    std::vector<uint8_t> head(24);
    const auto bytes = readFileLimited(folder.file("wide.png"), 1 << 20, error);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(uint8_t((*bytes)[18]) << 8 | uint8_t((*bytes)[19]), 61440);  // IHDR width
}

TEST(AnimationSequence, WritesNumberedPngsOfEachFrame) {
    EXPECT_EQ(sequenceFramePath("out/walk.png", 1), "out/walk_0001.png");
    EXPECT_EQ(sequenceFramePath("walk.PNG", 12), "walk_0012.png");
    EXPECT_EQ(sequenceFramePath("walk", 12345), "walk_12345.png");

    test::TempFolder folder;
    const AnimationLayer layer = layerWithFrames({2, 3, 5});
    std::string error;
    ASSERT_TRUE(writeSequence(layer, 2, 5, 32, 32, folder.file("walk.png"), error, 2)) << error;
    for (int i = 1; i <= 4; ++i) {
        const auto image =
            loadImageFile(folder.file("walk_000" + std::to_string(i) + ".png"), error);
        ASSERT_TRUE(image) << error;
        Image expected = *createImage(32, 32, 32);
        drawAnimationFrame(expected, 0, layer, i + 1, 32, 32);
        EXPECT_TRUE(image->pixels == expected.pixels) << i;
    }
    EXPECT_FALSE(writeSequence(layer, 2, 3, 32, 32, folder.file("missing/walk"), error));
    EXPECT_NE(error.find("missing"), std::string::npos) << error;
}

}  // namespace
}  // namespace qm
