// Painting into the drawings of an animation layer, the Animation menu's commands, the timeline's
// drags of drawings, the hold rule where the shell shows frames, and the onion skin by drawings.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "document/animation_frames.h"
#include "io/animation_files.h"
#include "raster/shapes.h"
#include "shell/menu_table.h"
#include "shell/paint_target.h"
#include "shell/panels/navigator.h"
#include "shell/settings/preferences_file.h"
#include "shell_fixture.h"
#include "support/pixels.h"
#include "support/temp_folder.h"

namespace qm::test {
namespace {

class FrameTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        newDocument("40", "30");
        app.prefs.grid = 0;
    }
    AnimationLayer& layer() { return currentAnimationLayer(app.doc); }
    const Layer& paintedLayer() { return *currentLayer(app.doc); }
    // A click on the animation layer's row in the list, beside its toggles.
    void chooseAnimationLayer(int x = 60) {
        ControlEvent e;
        e.gadget = id(Gadget::AnimationLayerList);
        e.type = ControlEventType::LeftDown;
        e.x = x;
        e.y = 21 + layer().Order * kTimelineCellHeight + 5;
        onControlEvent(app, e);
    }
    // A short stroke of the brush over document pixels (10, 10) .. (20, 12).
    void stroke() {
        const int x = app.ViewOffsetX, y = app.ViewOffsetY;
        canvas(CanvasEventType::LeftDown, x + 10, y + 10);
        canvas(CanvasEventType::Move, x + 20, y + 12, false, false, true);
        canvas(CanvasEventType::LeftUp, x + 20, y + 12);
    }
    void go(int frame) { control(Gadget::CurrentFrame, frame); }
    // Drawings of the current animation layer as (start, hold).
    std::vector<Drawing> drawings() { return drawingsOf(layer()); }
    const AnimationFrame* frameAt(int start) {
        for (const AnimationFrame& f : layer().Frames)
            if (f.Frame == start) return &f;
        return nullptr;
    }
    static bool blank(const Image& image) {
        return std::all_of(image.pixels.begin(), image.pixels.end(),
                           [](uint32_t p) { return p == 0; });
    }
    void timeline(ControlEventType type, int frame, bool alt, bool ctrl = false) {
        ControlEvent e;
        e.gadget = id(Gadget::Timeline);
        e.type = type;
        e.x = frame * app.iface.frameCellWidth + 3;
        e.y = 20 + layer().Order * kTimelineCellHeight + 5;
        e.alt = alt;
        e.ctrl = ctrl;
        e.leftHeld = type == ControlEventType::Move;
        onControlEvent(app, e);
    }
    void drag(int from, int to, bool copy) {
        timeline(ControlEventType::LeftDown, from, true, copy);
        timeline(ControlEventType::Move, to, true, copy);
        timeline(ControlEventType::LeftUp, to, true, copy);
    }
};

TEST(AnimationMenu, HoldsItsCommandsAndKeysBesideTheZoomKeys) {
    std::set<int> items;
    for (const MenuEntry& e : mainMenuTable())
        if (e.kind == MenuEntry::Kind::Item) items.insert(e.id);
    for (int c = 500; c <= 510; ++c) EXPECT_TRUE(items.count(c)) << c;
    struct KeyCase {
        int key;
        bool alt;
        Cmd command;
    };
    const KeyCase cases[] = {
        {vk::OemPeriod, false, Cmd::NextFrame},  {vk::OemComma, false, Cmd::PreviousFrame},
        {vk::OemPeriod, true, Cmd::NextDrawing}, {vk::OemComma, true, Cmd::PreviousDrawing},
        {vk::OemPlus, false, Cmd::HoldLonger},   {vk::OemMinus, false, Cmd::HoldShorter},
        {vk::Add, false, Cmd::ZoomIn},           {vk::Subtract, false, Cmd::ZoomOut},
    };
    for (const KeyCase& c : cases) {
        int found = 0;
        for (const Accelerator& a : acceleratorTable())
            if (a.key == c.key && a.alt == c.alt && !a.ctrl && !a.shift) found = a.id, ++found;
        EXPECT_EQ(found, id(c.command) + 1) << c.key << (c.alt ? " with Alt" : "");
    }
}

TEST_F(FrameTest, TheListChoosesWhatIsPaintedAndTheStatusBarSaysIt) {
    chooseAnimationLayer(30);  // the second toggle: not a choice of target
    EXPECT_FALSE(paintsAnimation(app.doc));
    chooseAnimationLayer();
    EXPECT_TRUE(paintsAnimation(app.doc));
    EXPECT_EQ(ui.statusText(3), "Drawing: Layer Normal1, frame 1");
    stroke();
    EXPECT_TRUE(blank(paintedLayer().image.toImage()));
    ASSERT_NE(frameAt(1), nullptr);
    EXPECT_FALSE(blank(frameAt(1)->image.toImage()));
    EXPECT_EQ(app.canvasImage.pixels, freshCanvas(app).pixels);  // the canvas shows the stroke
    menu(Cmd::Undo);
    EXPECT_TRUE(blank(frameAt(1)->image.toImage()));
    EXPECT_EQ(app.canvasImage.pixels, freshCanvas(app).pixels);

    control(Gadget::LayerTree, 0, ControlEventType::LeftDown);  // a layer chosen: layers again
    EXPECT_FALSE(paintsAnimation(app.doc));
    EXPECT_EQ(ui.statusText(3), "");
    stroke();
    EXPECT_FALSE(blank(paintedLayer().image.toImage()));
    EXPECT_TRUE(blank(frameAt(1)->image.toImage()));
}

// Where the layer shows nothing, the stroke makes a drawing; the undo takes both away at once.
TEST_F(FrameTest, PaintingWhereNothingShowsMakesADrawingInTheSameStep) {
    chooseAnimationLayer();
    go(4);
    const size_t steps = app.history.undoSteps();
    stroke();
    EXPECT_EQ(app.history.undoSteps(), steps + 1);
    ASSERT_EQ(drawings(), (std::vector<Drawing>{{1, 1}, {4, 1}}));
    EXPECT_FALSE(blank(frameAt(4)->image.toImage()));
    menu(Cmd::Undo);
    EXPECT_EQ(drawings(), (std::vector<Drawing>{{1, 1}}));
    menu(Cmd::Redo);
    EXPECT_FALSE(blank(frameAt(4)->image.toImage()));
}

// The AnimNewDrawing preference at a frame inside a hold: the held drawing, a new blank one, or
// a copy of the held one.
TEST_F(FrameTest, ThePreferenceSaysWhatPaintingAHeldDrawingDoes) {
    struct Case {
        int mode;
        std::vector<Drawing> after;
        bool copied;  // the new drawing starts with the held one's pixels
    };
    const Case cases[] = {
        {0, {{1, 3}}, false},
        {1, {{1, 1}, {2, 2}}, false},
        {2, {{1, 1}, {2, 2}}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        newDocument("40", "30");
        chooseAnimationLayer();
        {
            Image whole = layer().Frames[0].image.toImage();
            fillBox(whole, 0, 0, 5, 5, solidPaint(rgba(0, 0, 255, 255)));
            layer().Frames[0].image = whole;
        }
        menu(Cmd::HoldLonger);
        menu(Cmd::HoldLonger);
        app.prefs.AnimNewDrawing = uint8_t(c.mode);
        go(2);
        stroke();
        EXPECT_EQ(drawings(), c.after);
        const AnimationFrame* painted = frameAt(c.mode == 0 ? 1 : 2);
        EXPECT_EQ(painted->image.at(1, 1) == rgba(0, 0, 255, 255), c.mode != 1);
        EXPECT_EQ(painted->image.at(1, 1) != 0, c.copied || c.mode == 0);
        menu(Cmd::Undo);
        EXPECT_EQ(drawings(), (std::vector<Drawing>{{1, 3}}));
    }
}

// Every tool and adjustment works on the drawing; the layer stays untouched.
TEST_F(FrameTest, ToolsAndAdjustmentsWorkOnTheDrawing) {
    // A tool with a stroke over the drawing, or a command.
    struct Case {
        const char* name;
        Cmd command;
        bool stroke;
    };
    const Case cases[] = {
        {"fill", Cmd::FillTool, true},
        {"line", Cmd::Line, true},
        {"box", Cmd::Box, true},
        {"gradient", Cmd::Gradient, true},
        {"radial line", Cmd::RadialSpeedLine, true},
        {"invert", Cmd::InverseColor, false},
        {"paste", Cmd::Paste, false},
    };
    Image clip = *createImage(4, 4, 32);
    fillBox(clip, 0, 0, 4, 4, solidPaint(rgba(9, 9, 9, 255)));
    ui.setClipboardImage(clip);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        newDocument("40", "30");
        chooseAnimationLayer();
        // Something to adjust, away from where the tools paint.
        {
            Image whole = layer().Frames[0].image.toImage();
            fillBox(whole, 30, 20, 4, 4, solidPaint(rgba(200, 100, 50, 255)));
            layer().Frames[0].image = whole;
        }
        recomposeView(app, false);
        const Image before = frameAt(1)->image.toImage();
        const size_t steps = app.history.undoSteps();
        menu(c.command);
        if (c.stroke) stroke();
        EXPECT_TRUE(blank(paintedLayer().image.toImage()));
        EXPECT_NE(pixelsOf(frameAt(1)->image), before.pixels);
        EXPECT_EQ(app.history.undoSteps(), steps + 1);
        EXPECT_EQ(app.canvasImage.pixels, freshCanvas(app).pixels);
        menu(Cmd::Undo);
        EXPECT_EQ(pixelsOf(frameAt(1)->image), before.pixels);
    }
    // Clear and grey on a painted drawing; the move tool moves the drawing.
    newDocument("40", "30");
    chooseAnimationLayer();
    stroke();
    menu(Cmd::ColorToGrey);
    menu(Cmd::Clear);
    EXPECT_TRUE(blank(frameAt(1)->image.toImage()));
    menu(Cmd::Undo);
    menu(Cmd::MoveTool);
    stroke();  // 10 pixels right, 2 down
    EXPECT_EQ(frameAt(1)->X, 10);
    EXPECT_EQ(frameAt(1)->Y, 2);
    EXPECT_EQ(paintedLayer().X, 0);
    menu(Cmd::Undo);
    EXPECT_EQ(frameAt(1)->X, 0);
}

// Each edit of the menu is one undo step; moving through frames is none.
TEST_F(FrameTest, CommandsEditTheRowAsOneStepEach) {
    struct Case {
        int frame;  // CurrentFrame before the command
        Cmd command;
        std::vector<Drawing> after;
        int currentAfter;
    };
    // The row before each case: drawings at 1 (hold 2), 3 (hold 1) and 6 (hold 2).
    const Case cases[] = {
        {1, Cmd::NextFrame, {{1, 2}, {3, 1}, {6, 2}}, 2},
        {1, Cmd::PreviousFrame, {{1, 2}, {3, 1}, {6, 2}}, 1},
        {2, Cmd::NextDrawing, {{1, 2}, {3, 1}, {6, 2}}, 3},
        {5, Cmd::NextDrawing, {{1, 2}, {3, 1}, {6, 2}}, 6},
        {7, Cmd::PreviousDrawing, {{1, 2}, {3, 1}, {6, 2}}, 3},
        {2, Cmd::NewBlankDrawing, {{1, 1}, {2, 1}, {3, 1}, {6, 2}}, 2},
        {2, Cmd::CopyDrawing, {{1, 1}, {2, 1}, {3, 1}, {6, 2}}, 2},
        {2, Cmd::HoldLonger, {{1, 3}, {4, 1}, {7, 2}}, 2},
        {1, Cmd::HoldShorter, {{1, 1}, {2, 1}, {5, 2}}, 1},
        {3, Cmd::HoldShorter, {{1, 2}, {3, 1}, {6, 2}}, 3},  // not below 1
        {3, Cmd::InsertFrame, {{1, 2}, {4, 1}, {7, 2}}, 3},
        {4, Cmd::RemoveFrame, {{1, 2}, {3, 1}, {5, 2}}, 4},
        {7, Cmd::DeleteDrawing, {{1, 2}, {3, 1}}, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(id(c.command));
        newDocument("40", "30");
        menu(Cmd::HoldLonger);
        go(3);
        menu(Cmd::NewBlankDrawing);
        go(6);
        menu(Cmd::NewBlankDrawing);
        menu(Cmd::HoldLonger);
        ASSERT_EQ(drawings(), (std::vector<Drawing>{{1, 2}, {3, 1}, {6, 2}}));
        go(c.frame);
        const size_t steps = app.history.undoSteps();
        menu(c.command);
        EXPECT_EQ(drawings(), c.after);
        EXPECT_EQ(app.viewState.CurrentFrame, c.currentAfter);
        EXPECT_EQ(ui.gadgetState(id(Gadget::CurrentFrame)), c.currentAfter);
        EXPECT_EQ(app.canvasImage.pixels, freshCanvas(app).pixels);
        const bool changed = c.after != std::vector<Drawing>{{1, 2}, {3, 1}, {6, 2}};
        EXPECT_EQ(app.history.undoSteps(), steps + (changed ? 1 : 0));
        // An edit that was refused says so; moving through frames never does.
        const bool edits = id(c.command) >= id(Cmd::NewBlankDrawing);
        EXPECT_EQ(
            ui.statusText(3) == "Frame " + std::to_string(c.frame) + ": nothing to change there.",
            edits && !changed);
        if (changed) {
            menu(Cmd::Undo);
            EXPECT_EQ(drawings(), (std::vector<Drawing>{{1, 2}, {3, 1}, {6, 2}}));
        }
    }
}

TEST_F(FrameTest, AltDragsMoveAndCopyDrawingsAlongTheRow) {
    menu(Cmd::HoldLonger);  // 1..2
    go(5);
    menu(Cmd::NewBlankDrawing);  // 5
    go(1);
    drag(2, 3, false);  // grabbed at its second frame: it moves one frame on
    EXPECT_EQ(drawings(), (std::vector<Drawing>{{2, 2}, {5, 1}}));
    EXPECT_EQ(app.viewState.CurrentFrame, 1);  // the drag did not move the current frame
    drag(5, 8, true);
    EXPECT_EQ(drawings(), (std::vector<Drawing>{{2, 2}, {5, 1}, {8, 1}}));
    EXPECT_NE(frameAt(8)->id, frameAt(5)->id);
    drag(8, 3, false);  // onto the drawing at 2..3: refused, and said
    EXPECT_EQ(drawings(), (std::vector<Drawing>{{2, 2}, {5, 1}, {8, 1}}));
    EXPECT_EQ(ui.statusText(3), "Frame 3 shows another drawing: nothing was dropped.");
    drag(5, 3, true);  // a copy onto a drawing: refused too
    EXPECT_EQ(drawings(), (std::vector<Drawing>{{2, 2}, {5, 1}, {8, 1}}));
    menu(Cmd::Undo);  // the copy
    menu(Cmd::Undo);  // the move
    EXPECT_EQ(drawings(), (std::vector<Drawing>{{1, 2}, {5, 1}}));
    // The plain left drag still moves the current frame.
    timeline(ControlEventType::LeftDown, 4, false);
    EXPECT_EQ(app.viewState.CurrentFrame, 4);
}

// The delete-frame button, the navigator and playback take the drawing held at the frame.
TEST_F(FrameTest, HeldDrawingsShowWhereverFramesAreShown) {
    {
        Image whole = layer().Frames[0].image.toImage();
        fillBox(whole, 0, 0, 40, 30, solidPaint(rgba(255, 0, 0, 255)));
        layer().Frames[0].image = whole;
    }
    menu(Cmd::HoldLonger);
    menu(Cmd::HoldLonger);
    auto navigatorAt = [&](int frame) {
        go(frame);
        redrawNavigator(app);
        return ui.gadgetImage(id(Gadget::Navigator))->pixels;
    };
    const auto at1 = navigatorAt(1);
    EXPECT_NE(navigatorAt(4), at1);
    EXPECT_EQ(navigatorAt(3), at1);
    EXPECT_EQ(app.canvasImage.pixels, freshCanvas(app).pixels);
    control(Gadget::DelFrame, 0, ControlEventType::Click);
    EXPECT_TRUE(layer().Frames.empty());
}

// Onion skin counts drawings: before the one shown (or the current frame) and after it.
TEST_F(FrameTest, OnionSkinCountsDrawingsNotFrames) {
    layer().Frames.clear();
    const int starts[] = {1, 4, 6};
    for (int i = 0; i < 3; ++i) {
        AnimationFrame frame;
        frame.Frame = int16_t(starts[i]);
        frame.Hold = int16_t(i == 0 ? 3 : 1);
        frame.id = uint32_t(200 + i);
        frame.image = *createImage(40, 30, 32);
        {
            Image whole = frame.image.toImage();
            fillBox(whole, 2 + i * 10, 5, 5, 5, solidPaint(rgba(255, 255, 255, 255)));
            frame.image = whole;
        }
        layer().Frames.push_back(std::move(frame));
    }
    struct Case {
        int current;
        int before, after;
        std::vector<int> tinted;  // the drawings (by index) seen under the current frame
    };
    const Case cases[] = {
        {5, 1, 1, {1, 2}},  // none shown at 5: 4 before, 6 after
        {5, 2, 0, {0, 1}},
        {3, 0, 1, {1}},  // 1 held at 3: the next drawing is 4, not frame 4
        {6, 1, 0, {1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.current);
        app.viewState.CurrentFrame = int16_t(c.current);
        app.viewState.OnionBefore = app.viewState.OnionAfter = 0;
        const Image plain = freshCanvas(app);
        app.viewState.OnionBefore = uint8_t(c.before);
        app.viewState.OnionAfter = uint8_t(c.after);
        const Image onion = freshCanvas(app);
        for (int i = 0; i < 3; ++i) {
            const int x = app.ViewOffsetX + 4 + i * 10, y = app.ViewOffsetY + 7;
            const bool shownNow = shownFrameNumber(layer(), c.current) == starts[i];
            const bool tinted = std::count(c.tinted.begin(), c.tinted.end(), i) != 0;
            if (shownNow) continue;
            EXPECT_EQ(onion.at(x, y) != plain.at(x, y), tinted) << i;
        }
    }
}

TEST_F(FrameTest, ThePreferenceIsKeptInPrefIniWithinItsRange) {
    TempFolder folder{"qm_frame_pref"};
    for (const auto& [written, read] :
         std::vector<std::pair<std::string, int>>{{"2", 2}, {"9", 2}, {"-3", 2}, {"", 0}}) {
        // An 8-bit key takes the low byte of the number written (-3 is 253), then its range.
        SCOPED_TRACE(written);
        folder.writeText("pref.ini",
                         written.empty() ? "lang = eng\n" : "AnimNewDrawing = " + written + "\n");
        app.prefs.AnimNewDrawing = 1;
        ASSERT_TRUE(readPreferencesFile(folder.file("pref.ini"), app));
        EXPECT_EQ(app.prefs.AnimNewDrawing, read);
    }
    app.prefs.AnimNewDrawing = 2;
    std::string error;
    ASSERT_TRUE(writePreferencesFile(folder.file("pref.ini"), app, error)) << error;
    app.prefs.AnimNewDrawing = 0;
    ASSERT_TRUE(readPreferencesFile(folder.file("pref.ini"), app));
    EXPECT_EQ(app.prefs.AnimNewDrawing, 2);
    // The Preferences window shows it and sets it.
    menu(Cmd::Preferences);
    EXPECT_EQ(ui.gadgetState(id(Gadget::PrefAnimNewDrawing)), 2);
    EXPECT_EQ(ui.gadgetItemCount(id(Gadget::PrefAnimNewDrawing)), 3);
    control(Gadget::PrefAnimNewDrawing, 7);
    EXPECT_EQ(app.prefs.AnimNewDrawing, 2);
    control(Gadget::PrefAnimNewDrawing, 1);
    EXPECT_EQ(app.prefs.AnimNewDrawing, 1);
}

}  // namespace
}  // namespace qm::test
