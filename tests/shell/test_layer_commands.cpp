
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "codecs/codecs.h"
#include "shell/commands/layer_commands.h"
#include "shell/commands/paper_commands.h"
#include "shell/commands/zoom_commands.h"
#include "shell/panels/layer_panel.h"
#include "shell/panels/view_position.h"
#include "shell/view/paper.h"
#include "shell/view/view.h"
#include "shell_fixture.h"
#include "support/pixels.h"
#include "support/temp_folder.h"

namespace qm::test {
namespace {

class LayerCommandsTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        newDocument("60", "40");
        ASSERT_EQ(app.doc.Width, 60);
    }
    std::vector<std::string> rows() const { return ui.gadgetItems(id(Gadget::LayerTree)); }
    void click(Gadget gadget) { control(gadget, 0, ControlEventType::Click); }
};

TEST_F(LayerCommandsTest, PanelButtonsKeepTheTreeAndPropertiesInStep) {
    // "New" goes on counting layer names: the new document's layer is Layer2.
    click(Gadget::AddnewLayer);
    click(Gadget::AddnewLayer);
    EXPECT_EQ(rows(), (std::vector<std::string>{"Layer2", "Layer3", "Layer4"}));
    EXPECT_EQ(ui.gadgetState(id(Gadget::LayerTree)), 2);
    EXPECT_EQ(ui.gadgetState(id(Gadget::LayerOpacity)), 255);

    control(Gadget::LayerOpacity, 90);
    control(Gadget::LayerBlendMode, 3);
    EXPECT_EQ(app.doc.layers[2].Opacity, 90);
    EXPECT_EQ(app.doc.layers[2].Blendmode, 3);
    EXPECT_EQ(ui.focusedGadget(), id(Gadget::Canvas));

    click(Gadget::MoveLayerTop);  // "^": Layer4 goes one row up
    EXPECT_EQ(rows(), (std::vector<std::string>{"Layer2", "Layer4", "Layer3"}));
    EXPECT_EQ(ui.gadgetState(id(Gadget::LayerTree)), 1);
    EXPECT_EQ(currentImage(app.doc), &app.doc.layers[1].image);
    click(Gadget::MoveLayerTop);
    click(Gadget::MoveLayerTop);  // already the first row: refused
    EXPECT_EQ(rows(), (std::vector<std::string>{"Layer4", "Layer2", "Layer3"}));

    control(Gadget::LayerTree, 2);  // selecting a row shows its properties
    EXPECT_EQ(app.doc.layers[2].Selected, 1);
    EXPECT_EQ(ui.gadgetState(id(Gadget::LayerOpacity)), 255);
    EXPECT_EQ(ui.gadgetState(id(Gadget::LayerBlendMode)), 0);

    click(Gadget::DelLayer);
    EXPECT_EQ(rows(), (std::vector<std::string>{"Layer4", "Layer2"}));
    EXPECT_EQ(currentImage(app.doc), &app.doc.layers[1].image);
    click(Gadget::AddGroup);
    EXPECT_EQ(rows().back(), "Group1");
    menu(Cmd::CopyLayer);
    EXPECT_EQ(rows().back(), "Group1Copy4");
}

TEST_F(LayerCommandsTest, DeleteOfTheOnlyLayerIsIgnored) {
    menu(Cmd::Deletelayer);
    EXPECT_EQ(app.doc.layers.size(), 1u);
    EXPECT_EQ(rows(), std::vector<std::string>{"Layer2"});
}

TEST_F(LayerCommandsTest, DoubleClickRenamesUnlessTheAnswerIsEmpty) {
    menu(Cmd::NewLayer);
    ui.queueAnswer(ScriptedAnswer::textAnswer("Sky"));
    ui.clearCalls();
    control(Gadget::LayerTree, 0, ControlEventType::LeftDoubleClick);
    // The box opens with the layer's name.
    EXPECT_NE(std::find(ui.calls().begin(), ui.calls().end(),
                        "inputText Modify|Name of the Layer|Layer2 -> \"Sky\""),
              ui.calls().end());
    // Answered with the name it showed, nothing changes: no step to undo.
    const size_t steps = app.history.undoSteps();
    ui.queueAnswer(ScriptedAnswer::textAnswer("Sky"));
    control(Gadget::LayerTree, 0, ControlEventType::LeftDoubleClick);
    EXPECT_EQ(app.history.undoSteps(), steps);
    ui.queueAnswer(ScriptedAnswer::textAnswer(""));
    control(Gadget::LayerTree, 1, ControlEventType::LeftDoubleClick);
    ui.queueAnswer(ScriptedAnswer::cancel());
    control(Gadget::LayerTree, 1, ControlEventType::LeftDoubleClick);
    EXPECT_EQ(rows(), (std::vector<std::string>{"Sky", "Layer3"}));
    EXPECT_EQ(ui.pendingAnswers(), 0u);
}

TEST_F(LayerCommandsTest, CopyTakesTheSourcesOpacityAndPixels) {
    Layer& source = app.doc.layers[0];
    {
        Image whole = source.image.toImage();
        std::fill(whole.pixels.begin(), whole.pixels.end(), rgba(255, 0, 0, 255));
        source.image = whole;
    }
    setLayerOpacity(app, 100);
    menu(Cmd::CopyLayer);
    const Layer& copy = app.doc.layers.back();
    EXPECT_EQ(copy.Opacity, 100);
    EXPECT_EQ(copy.image.at(3, 3), rgba(255, 0, 0, 255));
    EXPECT_EQ(copy.Name, "Layer2Copy3");
    // A Normal layer's opacity acts in its display image too: the copy's must be rebuilt.
    EXPECT_LT(alpha(display(copy).at(3, 3)), 255u);
    EXPECT_EQ(currentImage(app.doc), &copy.image);
}

// Opacity on the canvas, by the compositing rule: a Normal layer's opacity acts in its display
// image and again where that is drawn, so a white pixel over black lands with alpha
// (255 x o / 255) x o / 255: about a quarter at the track bar's midpoint. A blend-function mode
// takes it once, through its backdrop.
TEST_F(LayerCommandsTest, OpacityOnTheCanvasFollowsTheCompositingRule) {
    {
        Image whole = app.doc.layers[0].image.toImage();
        for (uint32_t& p : whole.pixels) p = rgba(255, 255, 255, 255);
        app.doc.layers[0].image = whole;
    }
    app.paperImage8 = *createImage(60, 40, 24);  // black
    std::fill(app.paperImage8.pixels.begin(), app.paperImage8.pixels.end(), rgba(0, 0, 0, 255));
    setZoomAndApply(app, 100);
    const int x = app.ViewOffsetX + 30, y = app.ViewOffsetY + 20;
    struct Case {
        int blendMode, opacity, grey;
    } cases[] = {
        {0, 255, 255}, {0, 128, 64},  {0, 64, 16},
        {0, 0, 0},     {3, 128, 128},  // Screen of white at 128 over its black backdrop: grey 128,
                                       // once
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.blendMode) + " at " + std::to_string(c.opacity));
        control(Gadget::LayerBlendMode, c.blendMode);
        control(Gadget::LayerOpacity, c.opacity);
        ASSERT_EQ(app.doc.layers[0].Opacity, c.opacity);
        ASSERT_TRUE(ui.lastCanvas());
        const uint32_t shown = ui.lastCanvas()->at(x, y);
        EXPECT_EQ(shown, rgba(uint32_t(c.grey), uint32_t(c.grey), uint32_t(c.grey), 255));
    }
}

TEST_F(LayerCommandsTest, MoveToolFollowsThePointerFromThePress) {
    app.brush.pressX = 10;
    app.brush.pressY = 20;
    moveToolDrag(app, 14, 25, false);
    moveToolDrag(app, 30, 10, false);
    EXPECT_EQ(app.doc.layers[0].X, 20);
    EXPECT_EQ(app.doc.layers[0].Y, -10);
    moveToolDrag(app, 30, 10, true);
    EXPECT_FALSE(app.moveDragging);
    app.brush.pressX = 0;
    app.brush.pressY = 0;
    moveToolDrag(app, 1, 1, false);  // the next drag starts from the moved offset
    EXPECT_EQ(app.doc.layers[0].X, 21);
    EXPECT_EQ(app.doc.layers[0].Y, -9);
}

TEST_F(LayerCommandsTest, ResizeFollowsWithPaperWorkImagesAndDisplayImages) {
    app.doc.layers[0].image.at(0, 0) = rgba(0, 255, 0, 255);
    app.doc.layers[0].image.at(1, 0) = rgba(0, 255, 0, 255);  // (0, 0) at half the width
    app.doc.layers[0].X = 5;
    resizeDocument(app, 30, 80, 1, 0);
    EXPECT_EQ(app.doc.layers[0].image.width, 30);  // the picture is scaled, offset and all
    EXPECT_EQ(app.doc.layers[0].image.height, 80);
    EXPECT_EQ(app.doc.layers[0].X, 2);
    EXPECT_EQ(app.workImage2.width, 30);
    EXPECT_EQ(app.workImage3.height, 80);
    EXPECT_EQ(app.paperImage8.width, 30);
    EXPECT_EQ(app.paperImage10.height, 80);
    EXPECT_EQ(app.paperView9.height, 80);

    resizeDocument(app, 100, 80, 0, 1);
    const Layer& layer = app.doc.layers[0];
    EXPECT_EQ(layer.image.width, 100);
    EXPECT_EQ(layer.image.at(2, 0), rgba(0, 255, 0, 255));  // laid at its offset
    EXPECT_EQ(pixelsOf(app.workImage4), pixelsOf(layer.image));
    EXPECT_EQ(app.workImage3.width, 100);
    EXPECT_EQ(display(layer).width, 100);
    EXPECT_EQ(currentImage(app.doc), &layer.image);
    EXPECT_TRUE(ui.messageBoxes().empty());
}

// A working folder with two preset papers of one colour each.
class PaperTest : public LayerCommandsTest {
protected:
    void SetUp() override {
        LayerCommandsTest::SetUp();
        dir_ = folder_.path;
        std::filesystem::create_directories(dir_ / "presets" / "paper");
        writeTile("paper0.png", rgba(200, 10, 10, 255), 7, 5);
        writeTile("paper1.png", rgba(10, 200, 10, 255), 16, 16);
        app.workDir = dir_.string();
    }
    void writeTile(const std::string& name, uint32_t colour, int w, int h) {
        Image tile = *createImage(w, h, 32);
        std::fill(tile.pixels.begin(), tile.pixels.end(), colour);
        std::string error;
        ASSERT_TRUE(savePngFile(tile, (dir_ / "presets" / "paper" / name).string(), error));
    }
    test::TempFolder folder_{"qm_test_paper_commands"};
    std::filesystem::path dir_;
};

TEST_F(PaperTest, NextAndPreviousStepThroughThePresets) {
    click(Gadget::PaperNext);
    EXPECT_EQ(app.paperIndex, 1);
    EXPECT_EQ(app.doc.paper, "presets\\paper\\paper1.png");
    EXPECT_EQ(app.paperImage8.at(59, 39), rgba(10, 200, 10, 255));
    click(Gadget::PaperPrevious);  // only an index above 2 steps back: stays, reloads paper1
    EXPECT_EQ(app.paperIndex, 1);
    EXPECT_EQ(app.doc.paper, "presets\\paper\\paper1.png");
    EXPECT_EQ(app.paperImage8.at(59, 39), rgba(10, 200, 10, 255));
    EXPECT_TRUE(ui.messageBoxes().empty());
    // The canvas shows the paper at the view offsets (clear of the grid's first lines).
    menu(Cmd::ResetView);
    ASSERT_TRUE(ui.lastCanvas());
    EXPECT_EQ(ui.lastCanvas()->at(1, 1), rgba(10, 200, 10, 255));
}

TEST_F(PaperTest, PaperViewFollowsTheZoom) {
    menu(Cmd::Zoom200);
    click(Gadget::PaperNext);
    EXPECT_EQ(app.paperView9.width, 120);
    EXPECT_EQ(app.paperView9.height, 80);
}

TEST_F(PaperTest, AMissingPaperIsBlackAndReported) {
    for (int i = 0; i < 3; ++i) click(Gadget::PaperNext);  // paper3 does not exist
    EXPECT_EQ(app.paperIndex, 3);
    EXPECT_EQ(app.paperImage8.at(0, 0), rgba(0, 0, 0, 255));
    ASSERT_EQ(ui.messageBoxes().size(), 2u);  // paper2 and paper3
    EXPECT_NE(ui.messageBoxes()[1].find("paper3.png"), std::string::npos);
}

TEST_F(PaperTest, RequesterChoosesAnyFileAndCancelKeepsThePaper) {
    const std::string chosen = (dir_ / "presets" / "paper" / "paper1.png").string();
    ui.queueAnswer(ScriptedAnswer::filesAnswer({chosen}, 1));
    menu(Cmd::Paper);
    EXPECT_EQ(app.doc.paper, chosen);
    EXPECT_EQ(app.paperImage8.at(30, 20), rgba(10, 200, 10, 255));
    EXPECT_EQ(app.paperIndex, 0);
    ui.queueAnswer(ScriptedAnswer::cancel());
    menu(Cmd::Paper);
    EXPECT_EQ(app.doc.paper, chosen);
    EXPECT_EQ(ui.focusedGadget(), id(Gadget::Canvas));
    // The paper survives a new document at another size.
    newDocument("20", "10");
    EXPECT_EQ(app.paperImage8.width, 20);
    EXPECT_EQ(app.paperImage8.at(19, 9), rgba(10, 200, 10, 255));
}

TEST_F(LayerCommandsTest, CheckerboardAndCanvasBackground) {
    EXPECT_EQ(app.paperImage10.width, 60);
    EXPECT_EQ(app.paperImage10.at(8, 0), rgba(192, 192, 192, 255));
    ui.queueAnswer(ScriptedAnswer::colourAnswer(rgb(1, 2, 3)));
    click(Gadget::ColorBG);
    EXPECT_EQ(app.prefs.ColorBG, rgb(1, 2, 3));
    click(Gadget::ColorBG);  // no answer: cancelled, the colour stays
    EXPECT_EQ(app.prefs.ColorBG, rgb(1, 2, 3));
    EXPECT_EQ(ui.lastCanvas()->at(0, 0), rgba(1, 2, 3, 255));
}

}  // namespace
}  // namespace qm::test
