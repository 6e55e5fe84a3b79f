// The image commands, the animation panel, playback and the tileset dialog, through the App.
#include <gtest/gtest.h>

#include <algorithm>

#include "codecs/codecs.h"
#include "io/animation_files.h"
#include "io/image_files.h"
#include "platform/paths.h"
#include "raster/draw_mode.h"
#include "raster/shapes.h"
#include "shell/commands/animation_commands.h"
#include "shell/commands/brush_commands.h"
#include "shell/panels/colour_panel.h"
#include "shell/panels/navigator.h"
#include "shell/panels/panels.h"
#include "shell/panels/playback.h"
#include "shell/panels/swatch.h"
#include "shell/panels/timeline.h"
#include "shell/view/canvas_frame.h"
#include "shell_fixture.h"
#include "support/pixels.h"
#include "support/temp_folder.h"

namespace qm::test {
namespace {

Image solid(int w, int h, uint32_t colour) {
    Image image = *createImage(w, h, 32);
    fillBox(image, 0, 0, w, h, solidPaint(colour, DrawMode::AllChannels));
    return image;
}

class AnimationTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        newDocument("40", "30");
    }
    // A PNG file in the test's folder.
    std::string png(const std::string& name, const Image& image) {
        std::string error;
        EXPECT_TRUE(savePngFile(image, folder.file(name), error)) << error;
        return folder.file(name);
    }
    void answerFiles(std::vector<std::string> paths, int pattern = 0) {
        ui.queueAnswer(ScriptedAnswer::filesAnswer(std::move(paths), pattern));
    }
    const AnimationLayer& animationLayer() { return *findCurrentAnimationLayer(app.doc); }
    void click(Gadget gadget) { control(gadget, 0, ControlEventType::Click); }
    std::string lastBox() { return ui.messageBoxes().empty() ? "" : ui.messageBoxes().back(); }

    TempFolder folder{"qm_anim"};
};

TEST_F(AnimationTest, OpenAsMakesADocumentOfTheImage) {
    app.doc.Fps = 30;
    app.viewState.FrameEnd = 7;
    app.viewState.CurrentFrame = 5;
    answerFiles({png("one.png", solid(1, 1, rgba(10, 20, 30, 40)))});
    menu(Cmd::OpenAs);
    EXPECT_EQ(app.doc.Width, 1);
    EXPECT_EQ(app.doc.Height, 1);
    ASSERT_EQ(app.doc.layers.size(), 1u);
    EXPECT_EQ(app.doc.layers[0].image.at(0, 0), rgba(10, 20, 30, 40));  // alpha kept
    EXPECT_EQ(app.viewState.CurrentFrame, 1);
    EXPECT_EQ(app.viewState.FrameStart, 1);
    EXPECT_EQ(app.viewState.FrameEnd, 120);
    EXPECT_EQ(app.doc.Fps, 12);
    EXPECT_FALSE(app.history.canUndo());
    EXPECT_EQ(ui.focusedGadget(), id(Gadget::Canvas));

    // A file that is no image: a message, and the document stays.
    folder.writeText("bad.png", "not an image");
    answerFiles({folder.file("bad.png")});
    menu(Cmd::OpenAs);
    EXPECT_EQ(app.doc.Width, 1);
    EXPECT_NE(lastBox().find("Cannot load image: " + folder.file("bad.png")), std::string::npos);
}

TEST_F(AnimationTest, ImportOnLayerReplacesWhatItCoversAsOneStep) {
    Layer& layer = app.doc.layers[0];
    {
        Image whole = layer.image.toImage();
        fillBox(whole, 0, 0, 40, 30, solidPaint(rgba(1, 2, 3, 255), DrawMode::AllChannels));
        layer.image = whole;
    }
    const Image before = layer.image.toImage();
    answerFiles({png("big.png", solid(50, 50, rgba(200, 0, 0, 100)))});
    menu(Cmd::ImportOnLayer);
    EXPECT_TRUE(pixelsOf(app.doc.layers[0].image) == solid(40, 30, rgba(200, 0, 0, 100)).pixels);
    EXPECT_EQ(app.doc.layers[0].image.width, 40);  // only what fits

    answerFiles({png("small.png", solid(4, 3, rgba(0, 0, 0, 0)))});
    menu(Cmd::ImportOnLayer);
    EXPECT_EQ(app.doc.layers[0].image.at(3, 2), 0u);  // alpha replaced too
    EXPECT_EQ(app.doc.layers[0].image.at(4, 2), rgba(200, 0, 0, 100));
    EXPECT_EQ(app.doc.layers[0].image.at(3, 3), rgba(200, 0, 0, 100));
    EXPECT_TRUE(freshCanvas(app).pixels == app.canvasImage.pixels);
    menu(Cmd::Undo);
    menu(Cmd::Undo);
    EXPECT_TRUE(pixelsOf(app.doc.layers[0].image) == before.pixels);
}

TEST_F(AnimationTest, ImportAsAnimationSkipsWhatDoesNotLoadAndNamesIt) {
    folder.writeText("broken.png", "garbage");
    const std::string a = png("a.PNG", solid(8, 8, rgba(255, 0, 0, 255)));
    const std::string b = png("b.png", solid(8, 8, rgba(0, 255, 0, 255)));
    app.viewState.FrameStart = 1;
    answerFiles({a, folder.file("broken.png"), b});
    menu(Cmd::ImportImageOnAnimation);
    const AnimationLayer& layer = animationLayer();
    ASSERT_EQ(layer.Frames.size(), 3u);  // the empty frame of the new document, a and b
    EXPECT_EQ(layer.Frames[1].Frame, 1);
    EXPECT_EQ(layer.Frames[2].Frame, 2);  // the broken file took no frame
    EXPECT_EQ(layer.Frames[2].image.at(0, 0), rgba(0, 255, 0, 255));
    EXPECT_EQ(app.viewState.CurrentFrame, 3);
    EXPECT_EQ(app.viewState.FrameEnd, 2);
    EXPECT_EQ(app.importedFrames, 2);
    EXPECT_NE(lastBox().find("broken.png"), std::string::npos);
    EXPECT_EQ(lastBox().find("b.png"), std::string::npos);
    menu(Cmd::Undo);
    EXPECT_EQ(animationLayer().Frames.size(), 1u);
    EXPECT_EQ(app.viewState.CurrentFrame, 1);  // the frames stand where they stood
    EXPECT_EQ(app.viewState.FrameEnd, 120);
    menu(Cmd::Redo);
    EXPECT_EQ(app.viewState.CurrentFrame, 3);
    EXPECT_EQ(app.viewState.FrameEnd, 2);
    menu(Cmd::Undo);

    answerFiles({folder.file("c.gif"), a});  // the first file decides
    menu(Cmd::ImportImageOnAnimation);
    EXPECT_NE(lastBox().find("Seuls les fichiers 'png/jpg/bmp/tga'"), std::string::npos);
    EXPECT_EQ(animationLayer().Frames.size(), 1u);
}

TEST_F(AnimationTest, ImportStopsAtTheThousandthFrame) {
    const std::string a = png("a.png", solid(4, 4, rgba(1, 1, 1, 255)));
    app.importedFrames = 999;
    answerFiles({a, a, a});
    menu(Cmd::ImportImageOnAnimation);
    EXPECT_EQ(app.importedFrames, 1000);
    EXPECT_EQ(animationLayer().Frames.size(), 2u);
    const size_t boxes = ui.messageBoxes().size();
    answerFiles({a});
    menu(Cmd::ImportImageOnAnimation);
    EXPECT_EQ(animationLayer().Frames.size(), 2u);
    EXPECT_EQ(ui.messageBoxes().size(), boxes + 1);  // said, not silent
    EXPECT_EQ(ui.pendingAnswers(), 1u);              // and no requester was shown
}

TEST_F(AnimationTest, SaveWritesTheFinalNameAndAsksAboutIt) {
    {
        Image whole = app.doc.layers[0].image.toImage();
        fillBox(whole, 0, 0, 40, 30, solidPaint(rgba(9, 8, 7, 255), DrawMode::AllChannels));
        app.doc.layers[0].image = whole;
    }
    menu(Cmd::NewLayer);
    {
        Image whole = app.doc.layers[1].image.toImage();
        fillBox(whole, 0, 0, 10, 10, solidPaint(rgba(200, 100, 0, 255), DrawMode::AllChannels));
        app.doc.layers[1].image = whole;
    }
    app.doc.layers[1].Blendmode = 1;
    ui.queueAnswer(ScriptedAnswer::filesAnswer({folder.file("picture")}, 0));
    menu(Cmd::SaveAs);
    std::string error;
    const auto saved = loadImageFile(folder.file("picture.png"), error);
    ASSERT_TRUE(saved) << error;
    EXPECT_TRUE(saved->pixels == flattenVisibleLayers(app.doc)->pixels);

    // Typing "picture" again is a question about picture.png; No keeps the file.
    app.doc.layers[0].Visible = 0;
    ui.queueAnswer(ScriptedAnswer::filesAnswer({folder.file("picture")}, 0));
    ui.queueAnswer(ScriptedAnswer::no());
    menu(Cmd::SaveAs);
    EXPECT_EQ(ui.messageBoxes().back(), "|Overwrite this file? " + folder.file("picture.png"));
    EXPECT_TRUE(loadImageFile(folder.file("picture.png"), error)->pixels == saved->pixels);

    ui.queueAnswer(ScriptedAnswer::filesAnswer({folder.file("layer.PNG")}, 1));
    menu(Cmd::SaveLayerAs);
    EXPECT_TRUE(fileExists(folder.file("layer.PNG.jpg")));
}

TEST_F(AnimationTest, StripExportSaysWhyItDoesNothing) {
    menu(Cmd::ExportAnimStrip);  // no frame imported: no requester, a reason
    EXPECT_NE(lastBox().find("at least two"), std::string::npos);
    for (const std::string& call : ui.calls())
        EXPECT_EQ(call.find("saveFileRequester"), std::string::npos) << call;

    std::vector<std::string> files;
    for (uint32_t c : {50u, 150u, 250u})
        files.push_back(png("f" + std::to_string(c) + ".png", solid(12, 10, rgba(c, 0, 0, 255))));
    answerFiles(files);
    menu(Cmd::ImportImageOnAnimation);
    answerFiles({folder.file("strip.gif")}, 0);  // keeps its name, written as PNG
    menu(Cmd::ExportAnimStrip);
    std::string error;
    const auto strip = loadImageFile(folder.file("strip.gif"), error);
    ASSERT_TRUE(strip) << error;
    EXPECT_EQ(strip->width, 36);
    EXPECT_EQ(strip->at(12, 0), rgba(150, 0, 0, 255));

    answerFiles({folder.file("seq")});
    menu(Cmd::ExportSequenceImage);
    EXPECT_TRUE(fileExists(folder.file("seq_0003.png")));
    EXPECT_FALSE(fileExists(folder.file("seq_0004.png")));
}

TEST_F(AnimationTest, PlaybackKeepsTheFrameRateOnTheClock) {
    struct Case {
        int fps, speed;
        int64_t micros;
    };
    for (const Case& c :
         {Case{12, 1, 83333}, Case{12, 0, 166666}, Case{12, 2, 55555}, Case{24, 3, 20833},
          Case{10, 4, 33333}, Case{10, 5, 25000}, Case{0, 9, 250000}})
        EXPECT_EQ(frameDurationMicros(c.fps, c.speed), c.micros) << c.fps << " " << c.speed;

    app.doc.Fps = 10;  // 100 ms a frame
    app.viewState.FrameStart = 1;
    app.viewState.FrameEnd = 3;
    app.viewState.CurrentFrame = 1;
    app.prefs.AnimationLoop = 0;
    EXPECT_EQ(idleWaitMs(app), -1);
    click(Gadget::Play);
    EXPECT_EQ(playbackWaitMs(app), 0);
    idlePass(app, 0, 0);
    EXPECT_EQ(playbackWaitMs(app), 100);
    ui.advanceClock(99);
    idlePass(app, 0, 0);
    EXPECT_EQ(app.viewState.CurrentFrame, 1);  // not due yet, whatever the number of passes
    EXPECT_EQ(playbackWaitMs(app), 1);
    ui.advanceClock(1);
    idlePass(app, 0, 0);
    EXPECT_EQ(app.viewState.CurrentFrame, 2);
    ui.advanceClock(100);
    idlePass(app, 0, 0);
    EXPECT_EQ(app.viewState.CurrentFrame, 3);
    EXPECT_EQ(playbackWaitMs(app), -1);  // rests on the last frame without the loop
    app.prefs.AnimationLoop = 1;
    app.viewState.FrameEnd = 9;
    ui.advanceClock(350);  // the loop was held up: the late frames are passed over
    idlePass(app, 0, 0);
    EXPECT_EQ(app.viewState.CurrentFrame, 6);
    EXPECT_EQ(playbackWaitMs(app), 50);
    click(Gadget::Stop);
    idlePass(app, 0, 0);
    EXPECT_EQ(app.viewState.CurrentFrame, 1);
    EXPECT_EQ(idleWaitMs(app), -1);
}

TEST_F(AnimationTest, OnionSkinTintsTheNeighboursUnderTheFrame) {
    app.prefs.grid = 0;
    // Frames 1 to 4 of the current animation layer: a white square each, moving right.
    AnimationLayer& layer = currentAnimationLayer(app.doc);
    layer.Frames.clear();
    for (int16_t f = 1; f <= 4; ++f) {
        AnimationFrame frame;
        frame.Frame = f;
        frame.id = uint32_t(100 + f);
        frame.image = *createImage(40, 30, 32);
        {
            Image whole = frame.image.toImage();
            fillBox(whole, f * 8, 5, 5, 5, solidPaint(rgba(255, 255, 255, 255)));
            frame.image = whole;
        }
        layer.Frames.push_back(std::move(frame));
    }
    app.viewState.CurrentFrame = 3;
    app.viewState.OnionBefore = 2;
    app.viewState.OnionAfter = 1;
    recomposeView(app, false);
    app.viewState.OnionBefore = app.viewState.OnionAfter = 0;
    const Image plain = freshCanvas(app);  // no onion skin
    app.viewState.OnionBefore = 2;
    app.viewState.OnionAfter = 1;
    auto at = [&](int x, int y) {
        return std::pair(app.canvasImage.at(app.ViewOffsetX + x, app.ViewOffsetY + y),
                         plain.at(app.ViewOffsetX + x, app.ViewOffsetY + y));
    };
    const auto [near, under2] = at(18, 7);  // frame 2, one before
    EXPECT_NE(near, under2);
    EXPECT_GT(red(near), blue(near));  // white lines show red before
    EXPECT_GT(red(near), green(near));
    const auto [far, under1] = at(10, 7);  // frame 1, two before: fainter
    EXPECT_NE(far, under1);
    EXPECT_LT(red(far), red(near));
    const auto [after, under4] = at(34, 7);
    EXPECT_NE(after, under4);
    EXPECT_GT(blue(after), red(after));            // and blue after
    EXPECT_EQ(at(26, 7).first, at(26, 7).second);  // the frame itself as it is
    EXPECT_EQ(at(1, 1).first, at(1, 1).second);

    click(Gadget::Play);
    idlePass(app, 0, 0);
    EXPECT_TRUE(app.canvasImage.pixels == plain.pixels);  // none while playing
}

TEST_F(AnimationTest, DeleteButtonsAreUndoSteps) {
    click(Gadget::AddFrame);
    app.viewState.CurrentFrame = 2;
    click(Gadget::AddFrame);
    ASSERT_EQ(animationLayer().Frames.size(), 2u);
    click(Gadget::DelFrame);
    ASSERT_EQ(animationLayer().Frames.size(), 1u);
    EXPECT_EQ(animationLayer().Frames[0].Frame, 1);
    menu(Cmd::Undo);
    EXPECT_EQ(animationLayer().Frames.size(), 2u);

    click(Gadget::DelLayerAnim);  // the only animation layer stays
    EXPECT_EQ(app.doc.animationLayers.size(), 1u);
    menu(Cmd::AnimLayer);
    ASSERT_EQ(app.doc.animationLayers.size(), 2u);
    click(Gadget::DelLayerAnim);
    ASSERT_EQ(app.doc.animationLayers.size(), 1u);
    EXPECT_EQ(app.doc.animationLayers.begin()->first, currentAnimationLayerKey(app.doc));
    menu(Cmd::Undo);
    EXPECT_EQ(app.doc.animationLayers.size(), 2u);
}

TEST_F(AnimationTest, AnimationLayerListSelectsTogglesRenamesAndMoves) {
    menu(Cmd::AnimLayer);  // a second row (Order 1, key "3"), now current
    auto list = [&](ControlEventType type, int x, int y, bool held = false) {
        ControlEvent e;
        e.gadget = id(Gadget::AnimationLayerList);
        e.type = type;
        e.x = x;
        e.y = y;
        e.leftHeld = held;
        onControlEvent(app, e);
    };
    list(ControlEventType::LeftDown, 60, 30);  // row 0: 20 < y < 40
    EXPECT_EQ(app.doc.AnimationLayerId, 2);
    EXPECT_EQ(app.doc.animationLayers.at("2").Current, 1);
    EXPECT_EQ(app.doc.animationLayers.at("3").Current, 0);
    list(ControlEventType::LeftDown, 60, 40);  // a row's edge is no row
    EXPECT_EQ(app.doc.AnimationLayerId, 2);
    list(ControlEventType::LeftDown, 10, 50);  // row 1's first cell: Shown, and it is current
    EXPECT_EQ(app.doc.animationLayers.at("3").Shown, 0);
    EXPECT_EQ(app.doc.AnimationLayerId, 3);
    ui.queueAnswer(ScriptedAnswer::textAnswer("Walk"));
    ui.clearCalls();
    list(ControlEventType::LeftDoubleClick, 60, 50);
    EXPECT_EQ(app.doc.animationLayers.at("3").Name, "Walk");
    // The names are written by the Ui in the interface font, as they are: row 1 from y 41.
    ui.queueAnswer(ScriptedAnswer::textAnswer("Été (gauche) #2"));
    ui.clearCalls();
    list(ControlEventType::LeftDoubleClick, 60, 50);
    const auto& calls = ui.calls();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "drawInterfaceText 36 41 Été (gauche) #2"),
              calls.end());
    EXPECT_NE(std::find(calls.begin(), calls.end(), "drawInterfaceText 36 21 Layer Normal1"),
              calls.end());
    menu(Cmd::Undo);
    EXPECT_EQ(app.doc.animationLayers.at("3").Name, "Walk");
    list(ControlEventType::Move, 60, 25, true);  // dragged to row 0
    EXPECT_EQ(app.doc.animationLayers.at("3").Order, 0);
    list(ControlEventType::Move, 60, 900, true);  // kept among the rows
    EXPECT_EQ(app.doc.animationLayers.at("3").Order, 1);
    menu(Cmd::Undo);  // the drag was one step
    EXPECT_EQ(app.doc.animationLayers.at("3").Order, 1);
    EXPECT_EQ(app.doc.animationLayers.at("3").Name, "Walk");
    menu(Cmd::Undo);
    EXPECT_EQ(app.doc.animationLayers.at("3").Name, "Layer Normal2");
    menu(Cmd::Undo);
    EXPECT_EQ(app.doc.animationLayers.at("3").Shown, 1);

    // Adding a layer while an older one is current takes a free key, replacing nothing.
    list(ControlEventType::LeftDown, 60, 30);
    ASSERT_EQ(app.doc.AnimationLayerId, 2);
    menu(Cmd::AnimLayer);
    EXPECT_EQ(app.doc.animationLayers.size(), 3u);
    EXPECT_EQ(app.doc.AnimationLayerId, 4);
    EXPECT_EQ(app.doc.animationLayers.at("3").Name, "Layer Normal2");
}

TEST_F(AnimationTest, TimelineShowsFramesAndTheCurrentOne) {
    click(Gadget::AddFrame);
    const Image* t = ui.gadgetImage(id(Gadget::Timeline));
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->height, kAnimationPanelHeight);
    const int cell = app.iface.frameCellWidth;
    // Frame 1's box in the first row, under the current-frame mark; frame 5 is empty ruler.
    EXPECT_NE(t->at(cell + 5, 30), t->at(5 * cell + 5, 30));
    EXPECT_NE(ui.gadgetImage(id(Gadget::AnimationLayerList)), nullptr);
    // Moving the current frame redraws only its marks: the same picture as a whole redraw.
    for (int frame : {7, 123, 3}) {
        control(Gadget::CurrentFrame, frame);
        EXPECT_TRUE(ui.gadgetImage(id(Gadget::Timeline))->pixels ==
                    drawTimeline(app.doc, app.viewState, app.timeline.ruler, cell,
                                 app.iface.animBarre, app.timeline.markers)
                        .pixels)
            << frame;
    }
    EXPECT_EQ(timelineFrameAt(29, 20), 1);
    EXPECT_EQ(timelineFrameAt(30, 20), 1);
    EXPECT_EQ(timelineFrameAt(40, 20), 2);
    EXPECT_EQ(timelineFrameAt(-3, 20), 0);
}

// The add-animation-layer button opens popup 1 at itself; the kind chosen is added. A
// dismissed popup, or an answer that is no item of the popup, adds nothing.
TEST_F(AnimationTest, AddAnimationLayerButtonOffersTheKinds) {
    ui.queueAnswer(ScriptedAnswer::popupAnswer(id(Cmd::AnimCamera)));
    click(Gadget::AddLayerAnim);
    EXPECT_EQ(ui.pendingAnswers(), 0u);
    EXPECT_NE(std::find(ui.calls().begin(), ui.calls().end(), "popupMenu 1 at 135 -> 104"),
              ui.calls().end());
    ASSERT_EQ(app.doc.animationLayers.size(), 2u);
    EXPECT_EQ(animationLayer().Kind, 3);
    EXPECT_EQ(animationLayer().Name, "Camera 1");
    EXPECT_EQ(ui.focusedGadget(), id(Gadget::Canvas));
    menu(Cmd::Undo);  // one step, like the menu item
    EXPECT_EQ(app.doc.animationLayers.size(), 1u);

    for (const ScriptedAnswer& answer :
         {ScriptedAnswer::cancel(), ScriptedAnswer::popupAnswer(id(Cmd::Quit)),
          ScriptedAnswer::popupAnswer(id(Cmd::BlendMultiply))}) {
        ui.queueAnswer(answer);
        click(Gadget::AddLayerAnim);
        EXPECT_EQ(app.doc.animationLayers.size(), 1u);
        EXPECT_FALSE(app.QuitRequested);
    }
    click(Gadget::AddLayerAnim);  // nothing queued: dismissed
    EXPECT_EQ(app.doc.animationLayers.size(), 1u);
    EXPECT_EQ(ui.answerMismatches(), 0);
}

// The onion-skin spins set how many frames around the current one the canvas shows.
TEST_F(AnimationTest, OnionSpinsSetTheOnionSkin) {
    control(Gadget::CurrentFrame, 2);
    answerFiles({png("red.png", solid(40, 30, rgba(255, 0, 0, 255)))});
    app.viewState.CurrentFrame = 1;
    menu(Cmd::ImportImageOnAnimation);  // frame 1 red; the canvas shows frame 2
    control(Gadget::CurrentFrame, 2);
    const Image without = app.canvasImage;
    control(Gadget::OnionBefore, 1);
    EXPECT_EQ(app.viewState.OnionBefore, 1);
    EXPECT_NE(app.canvasImage.pixels, without.pixels);  // frame 1 shows through
    EXPECT_EQ(app.canvasImage.pixels, freshCanvas(app).pixels);
    control(Gadget::OnionAfter, 4);
    EXPECT_EQ(app.viewState.OnionAfter, 4);
    control(Gadget::OnionAfter, 99);  // beyond the spin's 0-10: its end
    EXPECT_EQ(app.viewState.OnionAfter, 10);
    EXPECT_EQ(ui.gadgetState(id(Gadget::OnionAfter)), 10);
    control(Gadget::OnionBefore, -3);
    EXPECT_EQ(app.viewState.OnionBefore, 0);
    EXPECT_EQ(app.canvasImage.pixels, without.pixels);
}

// Each held button drags its own marker: with two buttons held both markers follow.
TEST_F(AnimationTest, TimelineDragMovesTheMarkerOfEachHeldButton) {
    auto timeline = [&](ControlEventType type, int x, bool left, bool right, bool middle,
                        bool ctrl = false) {
        ControlEvent e;
        e.gadget = id(Gadget::Timeline);
        e.type = type;
        e.x = x;
        e.ctrl = ctrl;
        e.leftHeld = left;
        e.rightHeld = right;
        e.middleHeld = middle;
        onControlEvent(app, e);
    };
    const int cell = app.iface.frameCellWidth;
    timeline(ControlEventType::LeftDown, 3 * cell, true, false, false);
    timeline(ControlEventType::RightDown, 3 * cell, true, true, false);
    timeline(ControlEventType::Move, 9 * cell, true, true, false);
    EXPECT_EQ(app.viewState.CurrentFrame, 9);
    EXPECT_EQ(app.viewState.FrameEnd, 9);
    timeline(ControlEventType::Move, 12 * cell, false, true, true);
    EXPECT_EQ(app.viewState.FrameEnd, 12);
    EXPECT_EQ(app.viewState.FrameStart, 12);
    EXPECT_EQ(app.viewState.CurrentFrame, 9);
    timeline(ControlEventType::Move, 2 * cell, true, true, false, true);  // Ctrl: left = start
    EXPECT_EQ(app.viewState.FrameStart, 2);
    EXPECT_EQ(app.viewState.FrameEnd, 2);
    EXPECT_EQ(app.viewState.CurrentFrame, 9);
    EXPECT_EQ(ui.gadgetState(id(Gadget::FrameEnd)), 2);
}

// "Open an Animation": a new document of the first image's size with the images as frames 1,
// 2, ... of its animation, opened as it is (nothing to undo, nothing modified).
TEST_F(AnimationTest, OpenAnimationImportsTheFramesIntoANewDocument) {
    menu(Cmd::NewLayer);
    const std::vector<std::string> files = {png("f1.png", solid(32, 24, rgba(255, 0, 0, 255))),
                                            png("f2.png", solid(32, 24, rgba(0, 255, 0, 255))),
                                            png("f3.png", solid(32, 24, rgba(0, 0, 255, 255)))};
    // The changed document is asked about first: cancelled, it stays; discarded, it goes.
    answerFiles(files);
    menu(Cmd::OpenGroupImageAsAnimation);
    EXPECT_EQ(app.doc.layers.size(), 2u);
    ui.queueAnswer(ScriptedAnswer::no());
    answerFiles(files);
    menu(Cmd::OpenGroupImageAsAnimation);
    EXPECT_EQ(app.doc.Width, 32);
    EXPECT_EQ(app.doc.Height, 24);
    ASSERT_EQ(app.doc.layers.size(), 1u);
    EXPECT_EQ(app.doc.layers[0].image.at(5, 5), 0u);  // an empty layer to paint on
    const AnimationLayer& layer = animationLayer();
    const uint32_t colours[] = {rgba(255, 0, 0, 255), rgba(0, 255, 0, 255), rgba(0, 0, 255, 255)};
    for (int frame = 1; frame <= 3; ++frame) {
        const auto found = std::find_if(layer.Frames.begin(), layer.Frames.end(), [&](auto& f) {
            return f.Frame == frame && !f.image.empty() && f.image.at(5, 5) != 0;
        });
        ASSERT_NE(found, layer.Frames.end()) << frame;
        EXPECT_EQ(found->image.at(5, 5), colours[frame - 1]) << frame;
    }
    EXPECT_EQ(app.viewState.FrameStart, 1);
    EXPECT_EQ(app.viewState.FrameEnd, 3);
    EXPECT_EQ(app.importedFrames, 3);
    EXPECT_FALSE(app.history.canUndo());
    EXPECT_FALSE(app.Modified);
    EXPECT_TRUE(app.documentPath.empty());

    // Nothing chosen, or a first file that is no image: the document stays.
    const size_t frames = layer.Frames.size();
    menu(Cmd::OpenGroupImageAsAnimation);
    folder.writeText("bad.png", "not an image");
    answerFiles({folder.file("bad.png"), files[0]});
    menu(Cmd::OpenGroupImageAsAnimation);
    EXPECT_NE(lastBox().find("Cannot load image: " + folder.file("bad.png")), std::string::npos);
    EXPECT_EQ(app.doc.Width, 32);
    EXPECT_EQ(animationLayer().Frames.size(), frames);
}

// The timeline's range markers and the list's eye and lock are the icon folder's images.
TEST(AnimationImages, TimelineAndListDrawTheInterfaceImages) {
    TempFolder folder{"qm_anim_icons"};
    const std::string icons = "data/ui/icone/";
    std::filesystem::create_directories(folder.path / icons);
    const struct {
        const char* file;
        uint32_t colour;
    } files[] = {{"ledgreen.png", rgba(0, 0, 255, 255)},
                 {"ledred.png", rgba(255, 255, 0, 255)},
                 {"eye.png", rgba(0, 200, 200, 255)},
                 {"locked.png", rgba(200, 0, 200, 255)}};
    for (const auto& f : files) {
        std::string error;
        ASSERT_TRUE(savePngFile(solid(25, 25, f.colour), folder.file(icons + f.file), error));
    }
    FakeUi ui;
    App app{ui};
    app.workDir = folder.str();
    ASSERT_TRUE(startUp(app));
    app.viewState.FrameStart = 2;
    app.viewState.FrameEnd = 6;
    redrawTimeline(app);
    redrawAnimationLayerList(app);
    const Image* timeline = ui.gadgetImage(id(Gadget::Timeline));
    const Image* list = ui.gadgetImage(id(Gadget::AnimationLayerList));
    ASSERT_TRUE(timeline && list);
    const int cell = app.iface.frameCellWidth;
    // Each marker blended at 120 of 255 over the ruler's top strip (200, 200, 200).
    const uint32_t strip = rgb(200, 200, 200) | 0xFF000000u;
    const uint32_t blue = overPixel(rgba(0, 0, 255, 255), strip, 120);
    const uint32_t yellow = overPixel(rgba(255, 255, 0, 255), strip, 120);
    EXPECT_EQ(timeline->at(2 * cell + 6, 10) | 0xFF000000u, blue | 0xFF000000u);
    EXPECT_EQ(timeline->at(6 * cell + 6, 10) | 0xFF000000u, yellow | 0xFF000000u);
    EXPECT_EQ(list->at(9, 11) & 0xFFFFFFu, rgb(0, 200, 200));
    EXPECT_EQ(list->at(25, 9) & 0xFFFFFFu, rgb(200, 0, 200));
}

TEST_F(AnimationTest, TilesetDialogConvertsAndSaves) {
    Image source = *createImage(100, 100, 32);
    fillBox(source, 0, 0, 100, 100, solidPaint(rgba(0, 90, 0, 255), DrawMode::AllChannels));
    answerFiles({png("sheet.png", source)});
    menu(Cmd::ConvertTileSet);
    ASSERT_NE(ui.shownWindow(id(Window::TileSet)), nullptr);
    EXPECT_EQ(ui.shownWindow(id(Window::TileSet))->title, "Convert to TileSet");
    control(Gadget::TileWidth, 16);
    EXPECT_EQ(ui.gadgetState(id(Gadget::TileHeight)), 16);  // constrained
    control(Gadget::TileConstrain, 0);
    control(Gadget::TileWidth, 32);
    control(Gadget::TileHeight, 500);
    EXPECT_EQ(ui.gadgetState(id(Gadget::TileHeight)), 256);  // within range
    control(Gadget::TileHeight, 32);
    EXPECT_EQ(ui.gadgetState(id(Gadget::TileWidth)), 32);
    control(Gadget::TilesPerRow, 2);
    EXPECT_EQ(ui.gadgetText(id(Gadget::TileExportWidth)), "Export Width : 64");

    ui.queueAnswer(ScriptedAnswer::cancel());  // no name: the dialog stays
    click(Gadget::TileOk);
    ASSERT_NE(ui.shownWindow(id(Window::TileSet)), nullptr);
    answerFiles({folder.file("tiles.png")}, 1);
    click(Gadget::TileOk);
    EXPECT_EQ(ui.shownWindow(id(Window::TileSet)), nullptr);
    std::string error;
    const auto out = loadImageFile(folder.file("tiles.png.jpg"), error);
    ASSERT_TRUE(out) << error;
    EXPECT_EQ(out->width, 64);
    EXPECT_EQ(out->height, 160);  // five whole rows of tiles
}

}  // namespace
}  // namespace qm::test
