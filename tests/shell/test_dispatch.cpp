// Menu commands, control events, the quit rules and the dialogs.
#include <functional>
#include <set>

#include "shell/menu_table.h"
#include "shell_fixture.h"
#include "support/temp_folder.h"

namespace qm::test {

TEST_F(ShellTest, ZoomCommandsAndTheirClamps) {
    struct Case {
        const char* docW;
        const char* docH;
        int zoomBefore;
        Cmd command;
        int zoomAfter;
    } cases[] = {
        {"3000", "3000", 100, Cmd::Zoom500, 266},  // 800000 / 3000
        {"1024", "768", 100, Cmd::Zoom500, 500},
        {"1024", "768", 780, Cmd::ZoomIn, 781},  // 800000 / 1024
        {"50", "50", 1200, Cmd::ZoomIn, 1200},   // "Zoom+" stops at 1200
        {"50", "50", 5, Cmd::ZoomOut, 5},        // "Zoom-" stops at 5
        {"50", "50", 10, Cmd::ZoomOut, 10},      // 5, raised back to 10
        {"50", "50", 100, Cmd::Zoom25, 25},
        {"50", "50", 100, Cmd::Zoom50, 50},
        {"50", "50", 25, Cmd::Zoom100, 100},
    };
    for (const Case& c : cases) {
        newDocument(c.docW, c.docH);
        app.viewState.Zoom = int16_t(c.zoomBefore);
        menu(c.command);
        EXPECT_EQ(app.viewState.Zoom, c.zoomAfter) << c.docW << " " << c.zoomBefore;
    }
    // 781 % of 1024 is a 7997-pixel view: still rebuilt.
    newDocument("1024", "768");
    menu(Cmd::Zoom500);
    menu(Cmd::Zoom500);
    app.viewState.Zoom = 900;
    menu(Cmd::ZoomIn);
    EXPECT_EQ(app.viewState.Zoom, 781);
    EXPECT_EQ(display(app.doc.layers[0]).width, 7997);
    EXPECT_EQ(ui.statusText(0), "Zoom : 781%");
    EXPECT_EQ(ui.statusText(1), "Doc Width : 1024/Height : 768");
}

TEST_F(ShellTest, QuitAlwaysAsks) {
    menu(Cmd::Quit);  // unanswered: No
    EXPECT_FALSE(app.QuitRequested);
    ASSERT_EQ(ui.messageBoxes().size(), 1u);
    EXPECT_EQ(ui.messageBoxes()[0], "Quillmoth|Would you like to quit without save your work ?");
    ui.queueAnswer(ScriptedAnswer::yes());
    menu(Cmd::Quit);
    EXPECT_TRUE(app.QuitRequested);
}

TEST_F(ShellTest, ClosingTheMainWindowAsksOnlyWithConfirmExit) {
    app.prefs.confirmExit = 1;
    onCloseWindow(app, 0);
    EXPECT_FALSE(app.QuitRequested);
    EXPECT_EQ(ui.messageBoxes().size(), 1u);
    app.prefs.confirmExit = 0;
    onCloseWindow(app, 0);
    EXPECT_TRUE(app.QuitRequested);
    EXPECT_EQ(ui.messageBoxes().size(), 1u);
}

TEST_F(ShellTest, ClosingADialogReturnsToTheMainWindow) {
    menu(Cmd::OpenAnimationWindow);
    EXPECT_EQ(app.activeWindow, id(Window::AnimationOptions));
    EXPECT_EQ(ui.gadgetState(id(Gadget::Fps)), 12);
    onCloseWindow(app, id(Window::AnimationOptions));
    EXPECT_FALSE(app.QuitRequested);
    EXPECT_EQ(app.activeWindow, 0);
    EXPECT_EQ(app.openWindows, std::vector<int>{0});
}

TEST_F(ShellTest, NewDocumentDialogRefusesBadSizes) {
    for (const char* bad : {"0", "-5", "abc", ""}) {
        newDocument(bad, "100");
        EXPECT_EQ(ui.messageBoxes().back(), "Error|The width and the Height should be > 0") << bad;
        EXPECT_TRUE(std::count(app.openWindows.begin(), app.openWindows.end(), 4)) << bad;
        EXPECT_EQ(app.doc.Width, 3000);
    }
    const size_t boxes = ui.messageBoxes().size();
    newDocument("30000", "30000");  // would be nine images of 3.6 GB each
    EXPECT_EQ(ui.messageBoxes().size(), boxes + 1);
    EXPECT_EQ(app.doc.Width, 3000);
    EXPECT_FALSE(app.QuitRequested);

    app.viewState.Zoom = 50;
    newDocument("640", "480");
    EXPECT_EQ(app.doc.Width, 640);
    EXPECT_EQ(app.doc.Height, 480);
    EXPECT_EQ(app.viewState.Zoom, 100);
    EXPECT_EQ(app.workImage3.width, 640);
    EXPECT_EQ(app.paperView9.height, 480);
    ASSERT_EQ(app.doc.layers.size(), 1u);
    EXPECT_EQ(app.doc.layers[0].image.width, 640);
    EXPECT_EQ(currentImage(app.doc), &app.doc.layers[0].image);
    EXPECT_EQ(app.openWindows, std::vector<int>{0});
}

TEST_F(ShellTest, NotFinishedInfosAndLayers) {
    menu(Cmd::Undo);  // nothing to undo: no step, no message
    EXPECT_TRUE(ui.messageBoxes().empty());
    menu(Cmd::Cut);
    EXPECT_EQ(ui.messageBoxes().back(), "|not finished");
    menu(Cmd::Infos);
    EXPECT_EQ(ui.messageBoxes().back(), "Infos|Quillmoth is a painting and animation program.");
    menu(Cmd::NewLayer);
    ASSERT_EQ(app.doc.layers.size(), 2u);
    EXPECT_EQ(app.doc.layers[1].Name, "Layer2");
    EXPECT_EQ(currentImage(app.doc), &app.doc.layers[1].image);
    EXPECT_EQ(ui.gadgetItems(id(Gadget::LayerTree)),
              (std::vector<std::string>{"Layer1", "Layer2"}));
    menu(Cmd::AnimCamera);
    EXPECT_EQ(app.doc.animationLayers.at("3").Name, "Camera 1");
    menu(Cmd::Grid);
    EXPECT_EQ(app.prefs.grid, 0);
    EXPECT_FALSE(ui.menuChecked(id(Cmd::Grid)));
}

// "Update" says which version runs and where newer ones come from; it opens nothing.
TEST_F(ShellTest, UpdateShowsTheVersion) {
    menu(Cmd::Update);
    EXPECT_TRUE(ui.shellOpened().empty());
    ASSERT_EQ(ui.messageBoxes().size(), 1u);
    const std::string& box = ui.messageBoxes()[0];
    EXPECT_EQ(box.rfind("Update|Quillmoth 0.2987 (revision 426)", 0), 0u) << box;
    EXPECT_NE(box.find("run.sh"), std::string::npos) << box;
}

// The help items open their file when it is there, and say so when it is not or when nothing
// can open it.
TEST_F(ShellTest, HelpItemsOpenTheirFileOrSaySoWhenItIsMissing) {
    TempFolder work{"qm_help"};
    app.workDir = work.str();
    menu(Cmd::HelpChm);
    menu(Cmd::HelpTxt);
    EXPECT_TRUE(ui.shellOpened().empty());
    ASSERT_EQ(ui.messageBoxes().size(), 2u);
    EXPECT_EQ(ui.messageBoxes()[0],
              "Error|This help file is not installed : " + work.file("help/quillmoth.chm"));
    EXPECT_EQ(ui.messageBoxes()[1],
              "Error|This help file is not installed : " + work.file("help/help_eng.rtf"));

    work.writeText("help/quillmoth.chm", "help");
    work.writeText("help/Help_ENG.rtf", "help");  // found whatever its letter case
    menu(Cmd::HelpChm);
    menu(Cmd::HelpTxt);
    EXPECT_EQ(ui.shellOpened(), (std::vector<std::string>{work.file("help/quillmoth.chm"),
                                                          work.file("help/Help_ENG.rtf")}));
    EXPECT_EQ(ui.messageBoxes().size(), 2u);
    ui.setOpenWithShellResult(false);
    menu(Cmd::HelpChm);
    EXPECT_EQ(ui.messageBoxes().back(),
              "Error|No program could open this help file : " + work.file("help/quillmoth.chm"));
}

// Items without behaviour are shown disabled instead of doing nothing when chosen; the pattern
// tool's buttons too.
TEST_F(ShellTest, ItemsWithoutBehaviourAreDisabled) {
    const std::set<int> inert = {id(Cmd::NewSpriteSheet), id(Cmd::Painting),
                                 id(Cmd::Animation),      id(Cmd::ExportTileSet),
                                 id(Cmd::WorkSpaceLoad),  id(Cmd::WorkSpaceAnimation)};
    std::set<int> disabled;
    for (const MenuEntry& e : mainMenuTable())
        if (e.kind == MenuEntry::Kind::Item && e.disabled) disabled.insert(e.id);
    for (int item : inert) EXPECT_TRUE(disabled.count(item)) << item;
    // Open an Animation is built.
    EXPECT_FALSE(disabled.count(id(Cmd::OpenGroupImageAsAnimation)));
    EXPECT_FALSE(ui.menuEnabled(id(Cmd::Pattern)));
    EXPECT_FALSE(ui.gadgetEnabled(id(Gadget::ToolPattern)));
    EXPECT_TRUE(ui.gadgetEnabled(id(Gadget::ToolGradient)));
}

TEST_F(ShellTest, BrushRowsStoreAtTheirFieldWidths) {
    control(Gadget::BrushSizeTrack, 300);
    EXPECT_EQ(app.brush.size, 300);
    EXPECT_EQ(ui.gadgetState(id(Gadget::BrushSize)), 300);  // the pair follows
    control(Gadget::BrushAlpha, 300);  // beyond the control's range 0-255: its end, not a wrap
    EXPECT_EQ(app.brush.alpha, 255);
    EXPECT_EQ(ui.gadgetState(id(Gadget::BrushAlphaTrack)), 255);
    control(Gadget::Viscosity, 70000);  // range 0-1000
    EXPECT_EQ(app.brush.visco, 1000);
    control(Gadget::GradientCustomBrush2, 35);
    EXPECT_DOUBLE_EQ(app.brush.gradientX2, 0.35);
    control(Gadget::BrushMode, 4);
    EXPECT_EQ(app.brush.tool, 4);
    control(Gadget::ToolEraser, 1, ControlEventType::Click);
    EXPECT_EQ(app.CurrentTool, Tool::Brush);
    EXPECT_EQ(app.brush.tool, 2);
}

TEST_F(ShellTest, ColourSwatchesAndCancelledRequesters) {
    app.brush.alpha = 200;
    ui.queueAnswer(ScriptedAnswer::colourAnswer(rgb(10, 20, 30)));
    control(Gadget::ColorForeground, 0, ControlEventType::Click);
    // The selected colour's alpha is alpha x strokeAlpha / 100 = 510, which wraps to 254; the
    // paint colour takes the brush alpha.
    EXPECT_EQ(app.brush.selectedColor, rgba(10, 20, 30, 254));
    EXPECT_EQ(app.brush.color, rgba(10, 20, 30, 200));
    // A cancel answers the colour it was given and colour changed runs with it: a paint colour
    // that mixing had changed returns to the selected colour.
    app.brush.color = rgba(90, 90, 90, 200);
    control(Gadget::ColorForeground, 0, ControlEventType::Click);  // cancelled
    EXPECT_EQ(app.brush.selectedColor, rgba(10, 20, 30, 254));
    EXPECT_EQ(app.brush.color, rgba(10, 20, 30, 200));
    const uint32_t bg = app.prefs.ColorBG;
    control(Gadget::ColorBG, 0, ControlEventType::Click);
    EXPECT_EQ(app.prefs.ColorBG, bg);
}

TEST_F(ShellTest, TimelineTurnsXIntoFrames) {
    auto press = [&](ControlEventType type, int x, bool ctrl = false) {
        ControlEvent e;
        e.gadget = id(Gadget::Timeline);
        e.type = type;
        e.x = x;
        e.ctrl = ctrl;
        onControlEvent(app, e);
    };
    press(ControlEventType::LeftDown, 30);  // the cell under the pointer: 30 div 20
    EXPECT_EQ(app.viewState.CurrentFrame, 1);
    EXPECT_EQ(ui.gadgetState(id(Gadget::CurrentFrame)), 1);
    press(ControlEventType::LeftDown, 69, true);
    EXPECT_EQ(app.viewState.FrameStart, 3);
    EXPECT_EQ(app.viewState.CurrentFrame, 1);
    press(ControlEventType::RightDown, 410);
    EXPECT_EQ(app.viewState.FrameEnd, 20);
    press(ControlEventType::MiddleDown, 10);
    EXPECT_EQ(app.viewState.FrameStart, 0);
}

TEST_F(ShellTest, PlaybackLoopsAndStops) {
    app.viewState.FrameStart = 3;
    app.viewState.FrameEnd = 4;
    app.viewState.CurrentFrame = 3;
    control(Gadget::Play, 1, ControlEventType::Click);
    idlePass(app, 7, 8);  // playback starts on the clock; a frame lasts 1000 / 12 ms
    EXPECT_EQ(app.viewState.CurrentFrame, 3);
    EXPECT_EQ(ui.statusText(2), "Mouse : 7/8");
    ui.advanceClock(84);
    idlePass(app, 7, 8);
    EXPECT_EQ(app.viewState.CurrentFrame, 4);
    ui.advanceClock(84);
    idlePass(app, 7, 8);
    EXPECT_EQ(app.viewState.CurrentFrame, 3);  // AnimationLoop: back to the first frame
    ui.advanceClock(84);
    idlePass(app, 7, 8);
    control(Gadget::Stop, 0, ControlEventType::Click);
    idlePass(app, -1, -1);
    EXPECT_EQ(app.prefs.playback, 0);
    EXPECT_EQ(app.viewState.CurrentFrame, 3);  // the frame Play was pressed on
}

}  // namespace qm::test

namespace qm::test {

// Panel controls keep a state sent beyond their range (a script can send anything) within it.
TEST_F(ShellTest, PanelControlStatesStayWithinTheirRanges) {
    struct Case {
        Gadget gadget;
        int state;
        int expected;
        std::function<int(const App&)> read;
    };
    const Case cases[] = {
        {Gadget::CurrentFrame, 70000, 10000,
         [](const App& a) { return int(a.viewState.CurrentFrame); }},
        {Gadget::FrameStart, -5, 0, [](const App& a) { return int(a.viewState.FrameStart); }},
        {Gadget::FrameEnd, 40000, 10000, [](const App& a) { return int(a.viewState.FrameEnd); }},
        {Gadget::FrameEnd, 77, 77, [](const App& a) { return int(a.viewState.FrameEnd); }},
        {Gadget::GradientAlpha, 300, 255,
         [](const App& a) { return int(a.iface.backgroundColor >> 24); }},
        {Gadget::GradientAlpha, -1, 0,
         [](const App& a) { return int(a.iface.backgroundColor >> 24); }},
        {Gadget::NavigatorMode, 9, 2, [](const App& a) { return int(a.NavigatorMode); }},
    };
    for (const Case& c : cases) {
        control(c.gadget, c.state);
        EXPECT_EQ(c.read(app), c.expected) << id(c.gadget) << " " << c.state;
    }
}

}  // namespace qm::test
