// The brush rows of the tool-options panel, the brush keys and commands, and the preset panel,
// driven as the panel and qmscript drive them.
#include <gtest/gtest.h>

#include <algorithm>

#include "brush/brush_preset.h"
#include "brush/brush_test_files.h"
#include "platform/key_value_file.h"
#include "platform/paths.h"
#include "shell/commands/brush_commands.h"
#include "shell/commands/preset_commands.h"
#include "shell/menu_table.h"
#include "shell/panels/brush_fields.h"
#include "shell/panels/colour_panel.h"
#include "shell/panels/preset_panel.h"
#include "shell/shell_fixture.h"

namespace qm {
namespace {

using test::solidTip;
using test::WorkFolder;

class BrushControlsTest : public test::ShellTest {
protected:
    void SetUp() override {
        test::ShellTest::SetUp();
        app.workDir = work.str();
        app.prefs.presetdir = "presets\\brushPresets\\orrindal";
        for (int i = 0; i < 4; ++i)
            work.writeTip("orrindal", i, solidTip(8, 8, rgba(0, 0, 0, 255)));
    }
    // The preset tree as the fake panel shows it.
    std::vector<std::string> treeItems() const { return ui.gadgetItems(id(Gadget::PresetTree)); }
    void selectTreeItem(const std::string& text) {
        const auto items = treeItems();
        const auto at = std::find(items.begin(), items.end(), text);
        ASSERT_NE(at, items.end()) << text;
        control(Gadget::PresetTree, int(at - items.begin()));
        loadSelectedPreset(app);
    }
    std::string presetFile(const std::string& relative) const {
        return work.file("presets/brushPresets/orrindal/" + relative);
    }

    WorkFolder work;
};

TEST_F(BrushControlsTest, SizeRowRebuildsTheTipAndShowsItInBothControls) {
    app.brush.type = 0;
    ui.clearCalls();
    control(Gadget::BrushSizeTrack, 32);
    EXPECT_EQ(app.brush.size, 32);
    readyTip(app.tip);  // made when painting needs it
    EXPECT_EQ(app.tip.documentTip.width, 32);
    EXPECT_EQ(ui.gadgetState(id(Gadget::BrushSize)), 32);
    ASSERT_NE(ui.gadgetImage(id(Gadget::BrushPreview)), nullptr);
    EXPECT_EQ(ui.gadgetImage(id(Gadget::BrushPreview))->width, 60);

    control(Gadget::BrushWidth, 50);  // the extent follows, the drawn image stays size x size
    EXPECT_EQ(app.tip.tipWidth, 16);
    readyTip(app.tip);
    EXPECT_EQ(app.tip.documentTip.width, 32);
}

TEST_F(BrushControlsTest, ControlStatesAreKeptWithinTheControlsRange) {
    // Scripts can send any state; the shell takes the nearest end of the control's range and
    // shows it, in the control and in its partner.
    struct Case {
        Gadget gadget;
        int sent;
        Gadget field;  // a control that shows the stored field
        int kept;
    };
    const Case cases[] = {
        {Gadget::BrushSizeTrack, 8000, Gadget::BrushSize, 300},
        {Gadget::BrushSize, 8000, Gadget::BrushSizeTrack, 5000},
        {Gadget::BrushSize, 0, Gadget::BrushSize, 1},
        {Gadget::BrushSizeTrack, -7, Gadget::BrushSizeTrack, 1},
        {Gadget::BrushWidth, 250, Gadget::BrushWidth, 100},
        {Gadget::BrushAlphaTrack, 300, Gadget::BrushAlpha, 255},  // would wrap to 44 as a byte
        {Gadget::MixPercent, 101, Gadget::MixPercentTrack, 100},
        {Gadget::Rotation, -1, Gadget::Rotation, 0},
        {Gadget::OpacityJitterFactor, 16, Gadget::OpacityJitterFactor, 15},
        {Gadget::BrushType, 9, Gadget::BrushType, 6},
        {Gadget::KeepAlpha, 2, Gadget::KeepAlpha, 1},
        {Gadget::GradientCustomBrush1, 150, Gadget::GradientCustomBrush1, 100},
    };
    for (const Case& c : cases) {
        control(c.gadget, c.sent);
        EXPECT_EQ(ui.gadgetState(id(c.gadget)), c.kept) << id(c.gadget) << " " << c.sent;
        EXPECT_EQ(ui.gadgetState(id(c.field)), c.kept) << id(c.gadget) << " " << c.sent;
        showBrushSettings(app);  // the stored field is the kept state
        EXPECT_EQ(ui.gadgetState(id(c.gadget)), c.kept) << id(c.gadget) << " " << c.sent;
    }
    EXPECT_EQ(app.brush.alpha, 255);
    control(Gadget::BrushSizeTrack, 8000);
    EXPECT_EQ(app.brush.size, 300);
}

// The opacity-jitter factor offers 1 to 15 both in the "Alpha" tab ("paint") and in the
// options bar ("classic"): a state beyond is kept at the nearest end in either work space.
TEST_F(BrushControlsTest, OpacityJitterFactorKeepsOneRangeInBothWorkSpaces) {
    const struct {
        Cmd workSpace;
        int sent, kept;
    } cases[] = {
        {Cmd::WorkSpacePaint, 0, 1},   {Cmd::WorkSpacePaint, 20, 15},
        {Cmd::WorkSpacePaint, 7, 7},   {Cmd::WorkSpaceClassic, 0, 1},
        {Cmd::WorkSpaceClassic, 7, 7}, {Cmd::WorkSpaceClassic, 20, 15},
    };
    for (const auto& c : cases) {
        menu(c.workSpace);
        control(Gadget::OpacityJitterFactor, c.sent);
        EXPECT_EQ(app.brush.alphaFactorVsTime, c.kept) << id(c.workSpace) << " " << c.sent;
        EXPECT_EQ(ui.gadgetState(id(Gadget::OpacityJitterFactor)), c.kept);
    }
}

TEST_F(BrushControlsTest, OpacityAndModeRowsRecomputeTheColours) {
    app.brush.selectedColor = rgb(200, 100, 50);
    app.brush.tool = 0;
    control(Gadget::BrushAlpha, 100);
    EXPECT_EQ(app.brush.color & 0xFF000000u, 100u << 24);
    EXPECT_EQ(ui.gadgetState(id(Gadget::BrushAlphaTrack)), 100);
    // At rest: 100 x 255 / 100 = 255.
    EXPECT_EQ(app.brush.selectedColor, rgba(200, 100, 50, 255));

    control(Gadget::BrushMode, 2);  // eraser
    EXPECT_EQ(app.brush.color, rgba(0, 0, 0, 255));
    EXPECT_EQ(app.brush.selectedColor, rgb(200, 100, 50));
}

TEST_F(BrushControlsTest, GradientStopsAreShownAsPercent) {
    control(Gadget::GradientCustomBrush2, 35);
    EXPECT_DOUBLE_EQ(app.brush.gradientX2, 0.35);
    showBrushSettings(app);
    EXPECT_EQ(ui.gadgetState(id(Gadget::GradientCustomBrush2)), 35);
}

TEST_F(BrushControlsTest, NextAndPreviousBrushStayWithinTheTipFiles) {
    app.brush.brush = 2;
    menu(Cmd::NextBrush);
    EXPECT_EQ(app.tip.highestTipIndex, 3);
    EXPECT_EQ(app.brush.brush, 3);
    menu(Cmd::NextBrush);
    EXPECT_EQ(app.brush.brush, 3);
    for (int i = 0; i < 5; ++i) menu(Cmd::PreviousBrush);
    EXPECT_EQ(app.brush.brush, 0);
}

TEST_F(BrushControlsTest, SizeKeysStepTheSizeAndRebuildTheTip) {
    app.brush.type = 1;
    control(Gadget::BrushSize, 20);
    keyPress(vk::OemClose);
    EXPECT_EQ(app.brush.size, 21);
    readyTip(app.tip);
    EXPECT_EQ(app.tip.documentTip.width, 21);
    keyPress(vk::OemTilde);  // from 21 the step is 2
    EXPECT_EQ(app.brush.size, 19);
    readyTip(app.tip);
    EXPECT_EQ(app.tip.documentTip.width, 19);
    EXPECT_EQ(ui.gadgetState(id(Gadget::BrushSizeTrack)), 19);

    // Held down from a large size, the keys record sizes and redraw the preview; no tip of those
    // sizes is made until a stroke needs one.
    app.brush.size = 7000;
    for (int i = 0; i < 20; ++i) keyPress(vk::OemClose);
    EXPECT_EQ(app.brush.size, 8100);
    EXPECT_EQ(app.tip.documentTip.width, 19);
    ASSERT_NE(ui.gadgetImage(id(Gadget::BrushPreview)), nullptr);
    EXPECT_EQ(ui.gadgetImage(id(Gadget::BrushPreview))->width, 60);
    readyTip(app.tip);
    EXPECT_EQ(app.tip.documentTip.width, 8100);
}

TEST_F(BrushControlsTest, ColourSwatchUpdatesThePaintColourAndThePreview) {
    app.brush.tool = 0;
    app.brush.alpha = 255;
    ui.queueAnswer(ScriptedAnswer::colourAnswer(rgb(1, 2, 3)));
    control(Gadget::ColorSwatch, 0, ControlEventType::Click);
    EXPECT_EQ(app.brush.color, rgba(1, 2, 3, 255));
    const Image* swatch = ui.gadgetImage(id(Gadget::ColorForeground));
    ASSERT_NE(swatch, nullptr);
    EXPECT_EQ(swatch->width, 30);
    EXPECT_EQ(swatch->at(5, 5) & 0xFFFFFFu, rgb(1, 2, 3));
}

TEST_F(BrushControlsTest, PresetTreeListsGroupsWithTheirPresets) {
    work.writeText("presets/brushPresets/orrindal/Dry/Chalk.qmb", "size = 12\n");
    work.writeText("presets/brushPresets/orrindal/Dry/Pencil.qmb", "size = 3\n");
    work.writeText("presets/brushPresets/orrindal/Wet/Wash.qmb", "size = 90\n");
    work.writeText("presets/brushPresets/orrindal/Stray.qmb", "size = 5\n");
    refreshPresetTree(app);
    EXPECT_EQ(treeItems(), (std::vector<std::string>{"Dry", "Chalk", "Pencil", "Wet", "Wash"}));
    const auto& calls = ui.calls();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "addGadgetItem 92 Chalk (level 1)"),
              calls.end());
    EXPECT_NE(std::find(calls.begin(), calls.end(), "addGadgetItem 92 Wet"), calls.end());
}

TEST_F(BrushControlsTest, ChoosingAPresetLoadsItAndShowsEveryControl) {
    work.writeText("presets/brushPresets/orrindal/Wet/Wash.qmb",
                   "size = 90\ntype = 0\nalpha = 120\nbrushdir = orrindal\nbrush = 1\n");
    refreshPresetTree(app);
    selectTreeItem("Wash");
    EXPECT_EQ(app.brush.name, "Wash");
    EXPECT_EQ(app.brush.size, 90);
    readyTip(app.tip);
    EXPECT_EQ(app.tip.documentTip.width, 90);
    EXPECT_EQ(app.tip.highestTipIndex, 3);
    EXPECT_EQ(ui.gadgetState(id(Gadget::BrushSize)), 90);
    EXPECT_EQ(ui.gadgetState(id(Gadget::BrushAlpha)), 120);
    EXPECT_EQ(alpha(app.brush.color), 120u);

    // A group item opens no file, but the panel still shows the settings.
    app.brush.size = 44;
    selectTreeItem("Wet");
    EXPECT_EQ(app.brush.size, 44);
    EXPECT_EQ(app.brush.name, "Wash");
    EXPECT_EQ(ui.gadgetState(id(Gadget::BrushSize)), 44);
}

TEST_F(BrushControlsTest, EscapingTipFolderFromAPresetFindsNoTips) {
    work.writeText("presets/brushPresets/orrindal/Odd/Escape.qmb",
                   "brushdir = ../../..\ntype = 3\nbrush = 0\nsize = 8\n");
    refreshPresetTree(app);
    selectTreeItem("Escape");
    EXPECT_EQ(app.tip.tipFolder, "../../..");
    EXPECT_EQ(app.tip.highestTipIndex, -1);
    readyTip(app.tip);
    EXPECT_TRUE(app.tip.source.empty());
}

TEST_F(BrushControlsTest, SaveOverTheSelectedPresetAndUnderAChosenName) {
    work.writeText("presets/brushPresets/orrindal/Dry/Chalk.qmb", "size = 12\nmine = 1\n");
    refreshPresetTree(app);
    selectTreeItem("Chalk");
    app.brush.size = 66;
    saveBrushPreset(app, 1);
    std::string error;
    auto chalk = KeyValueFile::load(presetFile("Dry/Chalk.qmb"), error);
    ASSERT_TRUE(chalk) << error;
    EXPECT_EQ(chalk->readInteger("size"), 66);
    EXPECT_EQ(chalk->readInteger("mine"), 1);
    EXPECT_FALSE(chalk->hasKey("color"));  // the save-colour switch is off

    // Mode 0: the name from the requester, ".qmb" once, relative to the working folder.
    app.prefs.brushPresetsavecolor = 1;
    ui.queueAnswer(ScriptedAnswer::filesAnswer({"presets/brushPresets/orrindal/Dry/Soft.qmb.qmb"}));
    saveBrushPreset(app, 0);
    auto soft = KeyValueFile::load(presetFile("Dry/Soft.qmb"), error);
    ASSERT_TRUE(soft) << error;
    EXPECT_TRUE(soft->hasKey("color"));
    EXPECT_NE(std::find(ui.calls().begin(), ui.calls().end(),
                        "saveFileRequester Save a Brush Preset|presets\\brushPresets\\Preset.qmb|"
                        "*.qmb|0 -> presets/brushPresets/orrindal/Dry/Soft.qmb.qmb (pattern 0)"),
              ui.calls().end());

    // A cancelled requester, or nothing selected, writes nothing.
    saveBrushPreset(app, 0);
    control(Gadget::PresetTree, -1);
    saveBrushPreset(app, 1);
    EXPECT_EQ(listFolder(presetFile("Dry"), "*", EntryKind::Files).size(), 2u);
    EXPECT_TRUE(ui.messageBoxes().empty());
}

TEST_F(BrushControlsTest, SaveIntoAMissingFolderSaysSo) {
    ui.queueAnswer(ScriptedAnswer::filesAnswer({"no/such/folder/X.qmb"}));
    saveBrushPreset(app, 0);
    ASSERT_EQ(ui.messageBoxes().size(), 1u);
    EXPECT_EQ(ui.messageBoxes()[0].rfind("Error|", 0), 0u) << ui.messageBoxes()[0];
}

}  // namespace
}  // namespace qm
