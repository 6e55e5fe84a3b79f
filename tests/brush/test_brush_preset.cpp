#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "brush/brush_preset.h"
#include "brush/brush_test_files.h"
#include "platform/key_value_file.h"
#include "raster/rounding.h"

namespace qm {
namespace {

using test::WorkFolder;

// Settings away from every default, so that a key that is not written or read shows.
BrushSettings unusualSettings() {
    BrushSettings b;
    b.size = 77;
    b.sizeX = 41;
    b.sizeY = 42;
    b.randSiz = 43;
    b.sizemini = 7;
    b.brushsizeRndfactor = 44;
    b.sizeFactorVsTime = 9;
    b.sizeVsTime = 450;
    b.rotate = 90;
    b.randRot = 180;
    b.alpha = 201;
    b.alphaFactorVsTime = 11;
    b.alphaVsTime = 600;
    b.tool = 1;
    b.type = 6;
    b.gradientX = 0.35;
    b.gradientX2 = 0.1;
    b.gradientX3 = 1.0 / 3.0;
    b.alphaGradientX = 12;
    b.alphaGradientX2 = 13;
    b.alphaGradientX3 = 14;
    b.scatter = 999;
    b.scatterLinkToSize = 0;
    b.pas = 17;
    b.smoth = 1;
    b.mixing = 30;
    b.visco = 500;
    b.viscosity = 8;
    b.water = 250;
    b.image = "paper.jpg";
    b.brushdir = "inks";
    b.brush = 11;
    b.color = rgba(10, 20, 30, 201);
    b.selectedColor = rgba(10, 20, 30, 138);
    b.sizeVsPressure = 1;
    b.alphaVsPressure = 1;
    b.rotateVsTilt = 1;
    b.stabiliser = 64;
    return b;
}

void expectSameReadFields(const BrushSettings& a, const BrushSettings& b) {
    EXPECT_EQ(a.size, b.size);
    EXPECT_EQ(a.sizeX, b.sizeX);
    EXPECT_EQ(a.sizeY, b.sizeY);
    EXPECT_EQ(a.randSiz, b.randSiz);
    EXPECT_EQ(a.sizemini, b.sizemini);
    EXPECT_EQ(a.brushsizeRndfactor, b.brushsizeRndfactor);
    EXPECT_EQ(a.sizeFactorVsTime, b.sizeFactorVsTime);
    EXPECT_EQ(a.sizeVsTime, b.sizeVsTime);
    EXPECT_EQ(a.rotate, b.rotate);
    EXPECT_EQ(a.randRot, b.randRot);
    EXPECT_EQ(a.alpha, b.alpha);
    EXPECT_EQ(a.alphaFactorVsTime, b.alphaFactorVsTime);
    EXPECT_EQ(a.alphaVsTime, b.alphaVsTime);
    EXPECT_EQ(a.tool, b.tool);
    EXPECT_EQ(a.type, b.type);
    EXPECT_EQ(a.gradientX, b.gradientX);  // exactly: 0.35 survives
    EXPECT_EQ(a.gradientX2, b.gradientX2);
    EXPECT_EQ(a.gradientX3, b.gradientX3);
    EXPECT_EQ(a.alphaGradientX, b.alphaGradientX);
    EXPECT_EQ(a.alphaGradientX2, b.alphaGradientX2);
    EXPECT_EQ(a.alphaGradientX3, b.alphaGradientX3);
    EXPECT_EQ(a.scatter, b.scatter);
    EXPECT_EQ(a.scatterLinkToSize, b.scatterLinkToSize);
    EXPECT_EQ(a.pas, b.pas);
    EXPECT_EQ(a.smoth, b.smoth);
    EXPECT_EQ(a.mixing, b.mixing);
    EXPECT_EQ(a.visco, b.visco);
    EXPECT_EQ(a.viscosity, b.viscosity);
    EXPECT_EQ(a.water, b.water);
    EXPECT_EQ(a.image, b.image);
    EXPECT_EQ(a.brushdir, b.brushdir);
    EXPECT_EQ(a.brush, b.brush);
    EXPECT_EQ(a.sizeVsPressure, b.sizeVsPressure);
    EXPECT_EQ(a.alphaVsPressure, b.alphaVsPressure);
    EXPECT_EQ(a.rotateVsTilt, b.rotateVsTilt);
    EXPECT_EQ(a.stabiliser, b.stabiliser);
}

TEST(BrushPreset, RoundTripKeepsEverySetting) {
    WorkFolder work;
    const BrushSettings saved = unusualSettings();
    std::string error;
    ASSERT_TRUE(writePresetFile(work.file("p.qmb"), saved, true, error)) << error;

    BrushSettings loaded;
    std::string tipFolder;
    int colourChanges = 0;
    ASSERT_TRUE(
        readPresetFile(work.file("p.qmb"), "Ink", loaded, tipFolder, [&] { ++colourChanges; }));
    expectSameReadFields(saved, loaded);
    EXPECT_EQ(loaded.name, "Ink");
    EXPECT_EQ(tipFolder, "inks");
    EXPECT_EQ(colourChanges, 1);  // the colour key; mixing is on, so not after "water"
    EXPECT_EQ(loaded.selectedColor & 0xFFFFFFu, rgb(10, 20, 30));
    EXPECT_EQ(loaded.color, rgba(10, 20, 30, 201));
}

TEST(BrushPreset, WritesTheKeysInOrderWithTheColourOnlyWhenAsked) {
    WorkFolder work;
    BrushSettings b = unusualSettings();
    b.color = rgba(1, 2, 3, 255);  // opaque: negative as a signed 32-bit number
    std::string error;
    ASSERT_TRUE(writePresetFile(work.file("with.qmb"), b, true, error));
    ASSERT_TRUE(writePresetFile(work.file("without.qmb"), b, false, error));
    const auto with = KeyValueFile::load(work.file("with.qmb"), error);
    const auto without = KeyValueFile::load(work.file("without.qmb"), error);
    ASSERT_TRUE(with && without);
    EXPECT_EQ(with->readInteger("color"), int32_t(rgba(1, 2, 3, 255)));
    EXPECT_FALSE(without->hasKey("color"));
    const std::vector<std::string> keys = with->keys();
    const std::vector<std::string> expected = {"name",
                                               "size",
                                               "sizeX",
                                               "sizeY",
                                               "randSiz",
                                               "sizemini",
                                               "brushsizeRndfactor",
                                               "sizeFactorVsTime",
                                               "sizeVsTime",
                                               "rotate",
                                               "rotation",
                                               "randRot",
                                               "scatter",
                                               "scatterLinkToSize",
                                               "color",
                                               "gradientX",
                                               "gradientX2",
                                               "gradientX3",
                                               "alphaGradientX",
                                               "alphaGradientX2",
                                               "alphaGradientX3",
                                               "alpha",
                                               "alphaFactorVsTime",
                                               "alphaVsTime",
                                               "image",
                                               "brushdir",
                                               "brush",
                                               "tool",
                                               "type",
                                               "pas",
                                               "mixing",
                                               "visco",
                                               "water",
                                               "viscosity",
                                               "group",
                                               "smoth",
                                               "sizeVsPressure",
                                               "alphaVsPressure",
                                               "rotateVsTilt",
                                               "stabiliser"};
    EXPECT_EQ(keys, expected);
}

TEST(BrushPreset, RewriteInPlaceKeepsOtherKeys) {
    WorkFolder work;
    work.writeText("p.qmb", "; my favourite\nsize = 3\nwetness = 12\n");
    std::string error;
    ASSERT_TRUE(writePresetFile(work.file("p.qmb"), unusualSettings(), false, error)) << error;
    const auto file = KeyValueFile::load(work.file("p.qmb"), error);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->readInteger("size"), 77);
    EXPECT_EQ(file->readInteger("wetness"), 12);
    EXPECT_NE(file->text().find("; my favourite"), std::string::npos);
}

TEST(BrushPreset, AbsentKeysTakeTheirDefaults) {
    WorkFolder work;
    work.writeText("empty.qmb", "");
    BrushSettings b = unusualSettings();
    std::string tipFolder = "before";
    ASSERT_TRUE(readPresetFile(work.file("empty.qmb"), "E", b, tipFolder));
    EXPECT_EQ(b.size, 32);
    EXPECT_EQ(b.sizemini, 1);
    EXPECT_EQ(b.type, 3);
    EXPECT_EQ(b.alphaVsTime, 15);
    EXPECT_EQ(b.alphaGradientX2, 128);
    EXPECT_EQ(b.alphaGradientX3, 50);
    EXPECT_EQ(b.gradientX, 0.0);
    EXPECT_EQ(b.scatter, 10);
    EXPECT_EQ(b.brush, 5);
    EXPECT_EQ(b.image, "aquarelle01.jpg");
    EXPECT_EQ(b.brushdir, "orrindal");
    EXPECT_EQ(tipFolder, "orrindal");
    // A preset from before pens: it paints as it did, whatever the brush had.
    EXPECT_EQ(b.sizeVsPressure, 0);
    EXPECT_EQ(b.alphaVsPressure, 0);
    EXPECT_EQ(b.rotateVsTilt, 0);
    EXPECT_EQ(b.stabiliser, 0);
    // No colour key: the selected colour stays; with mixing off the paint colour follows it.
    EXPECT_EQ(b.selectedColor & 0xFFFFFFu, rgb(10, 20, 30));
    EXPECT_EQ(b.color, rgba(10, 20, 30, 255));
}

// The colour key is applied whenever it holds a number, opaque colours included; a value that
// is no number counts as absent.
TEST(BrushPreset, ColourKeyIsAppliedWheneverPresent) {
    const struct {
        const char* value;
        uint32_t selectedRgb;
    } cases[] = {
        {"16777215", rgb(255, 255, 255)}, {"-16777216", rgb(0, 0, 0)},  // opaque black
        {"-16776961", rgb(255, 0, 0)},                                  // opaque red
        {"4278190335", rgb(255, 0, 0)},  // the same bits written unsigned
        {"purple", rgb(7, 8, 9)},        // not a number: colours unchanged
    };
    WorkFolder work;
    for (const auto& c : cases) {
        work.writeText("c.qmb", std::string("color = ") + c.value + "\nmixing = 5\nalpha = 100\n");
        BrushSettings b;
        b.selectedColor = rgb(7, 8, 9);
        b.color = rgba(7, 8, 9, 100);
        std::string tipFolder;
        ASSERT_TRUE(readPresetFile(work.file("c.qmb"), "C", b, tipFolder));
        EXPECT_EQ(b.selectedColor & 0xFFFFFFu, c.selectedRgb) << c.value;
        EXPECT_EQ(b.color, c.selectedRgb | (100u << 24)) << c.value;
    }
}

TEST(BrushPreset, EraserPaintsOpaqueBlackWhateverTheColour) {
    WorkFolder work;
    work.writeText("e.qmb", "tool = 2\ncolor = 255\n");
    BrushSettings b;
    std::string tipFolder;
    ASSERT_TRUE(readPresetFile(work.file("e.qmb"), "E", b, tipFolder));
    EXPECT_EQ(b.color, rgba(0, 0, 0, 255));
    EXPECT_EQ(b.selectedColor, rgb(255, 0, 0));
}

// Integers keep their low bits, however large or negative; the former minimum-size key is read;
// the tip's width and height percentages stay within 0..100.
TEST(BrushPreset, HandEditedValues) {
    WorkFolder work;
    work.writeText("h.qmb",
                   "size = 70000\nalpha = 300\nbrush = -1\ntype = 255\nsize_min = 4\n"
                   "randSiz = 99999999999999999999999\nrotate = -0x7FFFFFFFFFFFFFFF\n"
                   "gradientX = nonsense\nbrushdir = ../../etc\nsizeX = 32767\nsizeY = -3\n");
    BrushSettings b;
    std::string tipFolder;
    ASSERT_TRUE(readPresetFile(work.file("h.qmb"), "H", b, tipFolder));
    EXPECT_EQ(b.size, 70000 - 65536);
    EXPECT_EQ(b.alpha, 300 - 256);
    EXPECT_EQ(b.brush, -1);
    EXPECT_EQ(b.type, 255);
    EXPECT_EQ(b.sizemini, 4);
    EXPECT_EQ(b.randSiz, -1);  // 10^23 - 1 ends in the bits ...1111111111111111
    EXPECT_EQ(b.rotate, 1);    // -(2^63 - 1) keeps its low bits: ...0001
    EXPECT_EQ(b.gradientX, 0.0);
    EXPECT_EQ(tipFolder, "../../etc");  // kept as text; the tip reader refuses to follow it
    EXPECT_EQ(b.sizeX, 100);
    EXPECT_EQ(b.sizeY, 0);
}

// Reals from a file are bounded before anything converts them: the panel shows a stop x 100
// as a whole number. Not-a-number, infinite or unreadable values take the default.
TEST(BrushPreset, RealsFromTheFileAreBounded) {
    const struct {
        const char* value;
        double expected;
    } cases[] = {
        {"1e300", kMaxFileReal},
        {"-1e300", -kMaxFileReal},
        {"nan", 0.0},
        {"inf", 0.0},
        {"-inf", 0.0},
        {"1e999", 0.0},
        {"0.35", 0.35},
        {"-2.5", -2.5},
    };
    WorkFolder work;
    for (const auto& c : cases) {
        work.writeText("r.qmb", std::string("gradientX = ") + c.value + "\ngradientX2 = " +
                                    c.value + "\ngradientX3 = " + c.value + "\n");
        BrushSettings b;
        std::string tipFolder;
        ASSERT_TRUE(readPresetFile(work.file("r.qmb"), "R", b, tipFolder));
        for (const double stop : {b.gradientX, b.gradientX2, b.gradientX3}) {
            EXPECT_EQ(stop, c.expected) << c.value;
            EXPECT_EQ(roundHalfEven(stop * 100.0), int64_t(c.expected * 100.0)) << c.value;
        }
    }
}

// The rounding helpers saturate beyond the 64-bit range (and give 0 for NaN) instead of
// converting; within it they are unchanged.
TEST(BrushPreset, RoundingOutOfRangeSaturates) {
    const double inf = std::numeric_limits<double>::infinity();
    for (const auto round : {&roundHalfEven, &roundHalfAway}) {
        EXPECT_EQ(round(1e300), INT64_MAX);
        EXPECT_EQ(round(inf), INT64_MAX);
        EXPECT_EQ(round(0x1p63), INT64_MAX);
        EXPECT_EQ(round(-1e300), INT64_MIN);
        EXPECT_EQ(round(-inf), INT64_MIN);
        EXPECT_EQ(round(-0x1p63), INT64_MIN);
        EXPECT_EQ(round(std::nan("")), 0);
        EXPECT_EQ(round(0x1p62), int64_t(1) << 62);
        EXPECT_EQ(round(-7.0), -7);
    }
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfAway(2.5), 3);
}

TEST(BrushPreset, UnreadableFileChangesNothing) {
    WorkFolder work;
    BrushSettings b = unusualSettings();
    std::string tipFolder = "kept";
    EXPECT_FALSE(readPresetFile(work.file("missing.qmb"), "M", b, tipFolder));
    std::filesystem::create_directories(work.path / "folder.qmb");
    EXPECT_FALSE(readPresetFile(work.file("folder.qmb"), "M", b, tipFolder));
    expectSameReadFields(b, unusualSettings());
    EXPECT_EQ(b.name, "");
    EXPECT_EQ(tipFolder, "kept");
}

TEST(BrushPreset, SaveNameEndsInQmbOnce) {
    const struct {
        const char* chosen;
        const char* expected;
    } cases[] = {
        {"Ink", "Ink.qmb"},
        {"Ink.qmb", "Ink.qmb"},
        {"dir/Ink.qmb.qmb", "dir/Ink.qmb"},
        {"presets\\brushPresets\\Wet.QMB", "presets\\brushPresets\\Wet.qmb"},
        {"a.qmb/b.qmbx", "a.qmb/bx.qmb"},  // folders are not renamed
    };
    for (const auto& c : cases) EXPECT_EQ(presetSaveName(c.chosen), c.expected) << c.chosen;
}

TEST(BrushPreset, TreeListsGroupFoldersAndTheirPresets) {
    WorkFolder work;
    work.writeText("root/Pencils/HB.qmb", "size = 2\n");
    work.writeText("root/Pencils/2B.QMB", "size = 3\n");
    work.writeText("root/Pencils/notes.txt", "");
    std::filesystem::create_directories(work.path / "root/Pencils/folder.qmb");
    work.writeText("root/Inks/Empty.qmb", "");
    std::filesystem::create_directories(work.path / "root/Nothing");
    work.writeText("root/Loose.qmb", "size = 9\n");  // directly in the root: no group

    const auto groups = listPresetTree(work.file("root"));
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(groups[0].name, "Inks");
    EXPECT_EQ(groups[0].presets, std::vector<std::string>{"Empty"});
    EXPECT_EQ(groups[1].name, "Nothing");
    EXPECT_TRUE(groups[1].presets.empty());
    EXPECT_EQ(groups[2].name, "Pencils");
    EXPECT_EQ(groups[2].presets, (std::vector<std::string>{"2B", "HB"}));

    std::filesystem::create_directories(work.path / "flat");
    work.writeText("flat/Loose.qmb", "");
    EXPECT_TRUE(listPresetTree(work.file("flat")).empty());
    EXPECT_TRUE(listPresetTree(work.file("missing")).empty());
}

TEST(BrushPreset, TreePathsStayInsideTheRoot) {
    EXPECT_EQ(presetFilePath("root", "Inks", "Wet"), "root/Inks/Wet.qmb");
    EXPECT_EQ(presetFilePath("root", "Inks"), "root/Inks.qmb");
    EXPECT_EQ(presetFilePath("root", "..", "x"), std::nullopt);
    EXPECT_EQ(presetFilePath("root", "Inks", "../x"), std::nullopt);
    EXPECT_EQ(presetFilePath("root", "a/b"), std::nullopt);
    EXPECT_EQ(presetFilePath("root", ""), std::nullopt);
}

}  // namespace
}  // namespace qm
