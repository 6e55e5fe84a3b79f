// pref.ini through start-up and shut-down, hand-edited values, and the Preferences window.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "platform/fake_ui.h"
#include "platform/key_value_file.h"
#include "shell/app.h"
#include "shell/events.h"
#include "shell/ids.h"
#include "shell/panels/brush_fields.h"
#include "shell/settings/preferences_file.h"
#include "shell/windows/about_box.h"
#include "shell/windows/animation_options_dialog.h"
#include "shell/windows/brightness_dialog.h"
#include "shell/windows/brush_animated.h"
#include "shell/windows/brush_editor.h"
#include "shell/windows/dialog_controls.h"
#include "shell/windows/new_document_dialog.h"
#include "shell/windows/preferences_dialog.h"
#include "shell/windows/size_dialog.h"
#include "shell/windows/window_list.h"
#include "support/temp_folder.h"

namespace qm::test {
namespace {

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A program started in its own working folder.
struct Started : ::testing::Test {
    TempFolder folder{"qm_prefs"};
    FakeUi ui;
    App app{ui};

    void start() {
        app.workDir = folder.str();
        ASSERT_TRUE(startUp(app));
    }
    void control(Gadget g, int state, ControlEventType type = ControlEventType::Change) {
        ui.setGadgetState(id(g), state);
        ControlEvent e;
        e.gadget = id(g);
        e.type = type;
        onControlEvent(app, e);
    }
};

// The second reading, when the main window opens, replaces the start values that start-up sets
// between the two: the file's gradient stops win over them; without the file the start values
// stay for the fields that the no-file column leaves as they are.
TEST_F(Started, SecondReadingReplacesTheStartValues) {
    folder.writeText("pref.ini", "gradientX = 0.7\nalphaGradientX2 = 33\ndocWidth = 640\n");
    start();
    EXPECT_EQ(app.brush.gradientX, 0.7);
    EXPECT_EQ(app.brush.gradientX2, 0.0);  // absent from the file
    EXPECT_EQ(app.brush.alphaGradientX2, 33);
    EXPECT_EQ(app.doc.Width, 640);
    EXPECT_EQ(app.doc.Height, 768);  // a file without the key

    FakeUi otherUi;
    App fresh{otherUi};
    TempFolder empty{"qm_prefs_none"};
    fresh.workDir = empty.str();
    ASSERT_TRUE(startUp(fresh));
    EXPECT_EQ(fresh.brush.gradientX, 0.1);
    EXPECT_EQ(fresh.brush.gradientX3, 0.5);
    EXPECT_EQ(fresh.brush.alphaGradientX3, 125);
    EXPECT_EQ(fresh.doc.Width, 3000);
    EXPECT_EQ(fresh.brush.mixing, 1);
}

// Settings changed in the window survive a quit and a new start; nothing else is written on
// the way (the file appears only at shut-down).
TEST_F(Started, SettingsComeBackAfterARestart) {
    start();
    onMenuCommand(app, id(Cmd::Preferences));
    control(Gadget::PrefGridW, 48);
    control(Gadget::PrefUndo, 30);
    control(Gadget::PrefConfirmExit, 0);
    app.brush.size = 63;
    EXPECT_FALSE(std::filesystem::exists(folder.file("pref.ini")));
    shutDown(app);
    ASSERT_TRUE(std::filesystem::exists(folder.file("pref.ini")));

    FakeUi otherUi;
    App again{otherUi};
    again.workDir = folder.str();
    ASSERT_TRUE(startUp(again));
    EXPECT_EQ(again.prefs.gridW, 48);
    EXPECT_EQ(again.prefs.Undo, 30);
    EXPECT_EQ(again.prefs.confirmExit, 0);
    EXPECT_EQ(again.brush.size, 63);
}

// Undo keeps 50 steps unless pref.ini names another number; the onion-skin counts and a jitter
// factor of 0 come back after a restart; hand-edited values beyond the controls' are kept within.
TEST_F(Started, UndoStepsOnionSkinAndJitterFactorPersist) {
    folder.writeText("pref.ini", "docWidth = 64\ndocHeight = 48\n");
    start();
    EXPECT_EQ(app.prefs.Undo, 50);
    for (int i = 0; i < 60; ++i) onMenuCommand(app, id(Cmd::NewLayer));
    EXPECT_EQ(app.history.undoSteps(), 50u);

    control(Gadget::OnionBefore, 3);
    control(Gadget::OnionAfter, 2);
    app.brush.alphaFactorVsTime = 0;  // no decay; the spins offer 1 to 15, pref.ini keeps 0
    shutDown(app);

    FakeUi otherUi;
    App again{otherUi};
    again.workDir = folder.str();
    ASSERT_TRUE(startUp(again));
    EXPECT_EQ(again.viewState.OnionBefore, 3);
    EXPECT_EQ(again.viewState.OnionAfter, 2);
    EXPECT_EQ(again.brush.alphaFactorVsTime, 0);
    EXPECT_EQ(otherUi.gadgetState(id(Gadget::OnionBefore)), 3);

    const struct {
        const char* file;
        int undo, before, after;
    } files[] = {
        {"Undo = 8\n", 8, 0, 0},  // a number the file names is kept
        {"lang = eng\n", 50, 0, 0},
        {"Undo = 0\nOnionBefore = 200\nOnionAfter = 11\n", 1, 10, 10},
    };
    for (const auto& f : files) {
        folder.writeText("pref.ini", f.file);
        FakeUi thirdUi;
        App third{thirdUi};
        third.workDir = folder.str();
        ASSERT_TRUE(startUp(third));
        EXPECT_EQ(third.prefs.Undo, f.undo) << f.file;
        EXPECT_EQ(third.history.undoSteps(), 0u);
        EXPECT_EQ(third.viewState.OnionBefore, f.before) << f.file;
        EXPECT_EQ(third.viewState.OnionAfter, f.after) << f.file;
    }
}

// After a fatal failure the program ends without touching pref.ini.
TEST_F(Started, FatalEndWritesNothing) {
    const std::string before = "lang = eng\ngridW = 12\n";
    folder.writeText("pref.ini", before);
    start();
    app.prefs.gridW = 99;
    app.fatalEnd = true;
    shutDown(app);
    EXPECT_EQ(readAll(folder.file("pref.ini")), before);

    app.fatalEnd = false;
    shutDown(app);
    EXPECT_NE(readAll(folder.file("pref.ini")).find("gridW = 99"), std::string::npos);
}

// A pref.ini that is there but cannot be read is the user's: the program starts with the
// no-file values and leaves the file as it is at the end.
TEST_F(Started, UnreadableFileIsNotReplaced) {
    const std::string big(kMaxKeyValueFileBytes + 1, ';');
    folder.writeText("pref.ini", big);
    start();
    EXPECT_EQ(app.doc.Width, 3000);
    shutDown(app);
    EXPECT_EQ(std::filesystem::file_size(folder.file("pref.ini")), big.size());
}

// A hand-edited file with nonsense: every value lands within its field's range and the program
// starts with a document it can make.
TEST_F(Started, NonsenseValuesAreKeptInRange) {
    folder.writeText("pref.ini",
                     "lang = ../../etc/passwd\ngrid = 7\ngridW = 0\ngridH = -30\n"
                     "brushdir = ..\\..\\x\nSpeedAnimation = 200\nquality = 9\nconfirmExit = 3\n"
                     "docWidth = -5\ndocHeight = 99999999\nUndo = 0\nInterface = 4\n"
                     "animBarre = 9\nbrushsize = -100\nbrushsizeX = 300\nbrushsizeY = -1\n"
                     "brushsizeRnd = 1000\nsizeFactorVsTime = 99\ngradientX = -3\n"
                     "gradientX2 = 7e300\nbrushtype = 40\nbrushtool = 200\nbrushrotate = 720\n"
                     "brushrotateRnd = -1\nscatter = 30000\nmix = 250\nvisco = -7\n"
                     "AlphaFactorVsTime = 99\nAlphaVsTime = 32000\nbrush = -3\n");
    start();
    const Preferences& p = app.prefs;
    const BrushSettings& b = app.brush;
    EXPECT_EQ(p.lang, "eng");
    EXPECT_EQ(p.grid, 1);
    EXPECT_EQ(p.gridW, 1);
    EXPECT_EQ(p.gridH, 1);
    EXPECT_EQ(p.brushdir, "orrindal");
    EXPECT_EQ(b.brushdir, "orrindal");
    EXPECT_EQ(p.SpeedAnimation, 5);
    EXPECT_EQ(p.quality, 1);
    EXPECT_EQ(p.confirmExit, 1);
    // A side of -5 (and 99999999, whose low 16 bits are -7937) is no size: 1024 x 768.
    EXPECT_EQ(app.doc.Width, 1024);
    EXPECT_EQ(app.doc.Height, 768);
    EXPECT_EQ(p.Undo, 1);
    EXPECT_EQ(app.iface.Interface, 1);
    EXPECT_EQ(b.size, 1);
    EXPECT_EQ(b.sizeX, 100);
    EXPECT_EQ(b.sizeY, 0);
    EXPECT_EQ(b.randSiz, 100);
    EXPECT_EQ(b.sizeFactorVsTime, 15);
    EXPECT_EQ(b.gradientX, 0.0);
    EXPECT_EQ(b.gradientX2, 1.0);
    EXPECT_EQ(b.type, 6);
    EXPECT_EQ(b.rotate, 360);
    EXPECT_EQ(b.randRot, 0);
    EXPECT_EQ(b.scatter, 1000);
    EXPECT_EQ(b.visco, 0);
    EXPECT_EQ(b.alphaFactorVsTime, 15);
    EXPECT_EQ(b.alphaVsTime, 10000);
    EXPECT_EQ(b.brush, 0);
}

// Sizes that fit a side each but not together fall back to the size of a file without them.
TEST_F(Started, DocumentTooLargeAsAWholeFallsBack) {
    folder.writeText("pref.ini", "docWidth = 16000\ndocHeight = 16000\n");
    start();
    EXPECT_EQ(app.doc.Width, 1024);
    EXPECT_EQ(app.doc.Height, 768);
}

// The generated working folder holds the interface images the shell draws with: the
// Preferences window's restart icon, the timeline's markers and the list's eye and lock.
TEST(GeneratedWorkFolder, HoldsTheImagesTheShellDraws) {
    // The build's working-folder template, beside the tests' folder.
    const std::filesystem::path workDir = std::filesystem::current_path() / "../workdir";
    if (!std::filesystem::exists(workDir / "data/ui/icone")) GTEST_SKIP() << "no working folder";
    FakeUi ui;
    App app{ui};
    app.workDir = workDir.string();
    ASSERT_TRUE(startUp(app));  // no shutDown: the template is not written to
    onMenuCommand(app, id(Cmd::Preferences));
    EXPECT_NE(ui.gadgetImage(id(Gadget::PrefRestartIcon)), nullptr);
    for (const Image* image : {&app.timeline.images.startMarker, &app.timeline.images.endMarker,
                               &app.timeline.images.eye, &app.timeline.images.lock}) {
        // Not the black square of a missing file: the icons have transparent corners.
        ASSERT_FALSE(image->empty());
        EXPECT_EQ(alpha(image->at(0, 0)), 0u);
    }
}

// ---- The window's controls ----

struct PrefsWindow : Started {
    void SetUp() override {
        start();
        onMenuCommand(app, id(Cmd::Preferences));
    }
};

TEST_F(PrefsWindow, ShowsTheCurrentValues) {
    const WindowDescription* w = ui.shownWindow(id(Window::Preferences));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->title, "Preferences");
    EXPECT_EQ(ui.gadgetText(id(Gadget::PrefShowPixel)), "Show the Pixel");
    EXPECT_EQ(ui.gadgetText(id(Gadget::PrefOk)), "Ok");
    EXPECT_EQ(ui.gadgetState(id(Gadget::PrefUndo)), 50);
    EXPECT_EQ(ui.gadgetState(id(Gadget::PrefGridW)), 32);
    EXPECT_EQ(ui.gadgetState(id(Gadget::PrefConfirmExit)), 1);
    EXPECT_EQ(ui.gadgetState(id(Gadget::PrefCellWidth)), 20);
    EXPECT_EQ(ui.gadgetItems(id(Gadget::PrefTimelineStyle)),
              (std::vector<std::string>{"Barre", "Line"}));
    EXPECT_EQ(ui.gadgetItems(id(Gadget::PrefFrameUnit)),
              (std::vector<std::string>{"Frame", "Seconde"}));
}

// Each control stores its value, kept within the control's range whatever state the event
// carries, and the control shows the kept value.
TEST_F(PrefsWindow, ControlsStoreTheirValuesWithinRange) {
    struct Case {
        Gadget gadget;
        int state;
        int kept;
        std::function<int(const App&)> field;
    };
    const Case cases[] = {
        {Gadget::PrefGridW, 40, 40, [](const App& a) { return a.prefs.gridW; }},
        {Gadget::PrefGridW, 9000, 500, [](const App& a) { return a.prefs.gridW; }},
        {Gadget::PrefGridH, -4, 1, [](const App& a) { return a.prefs.gridH; }},
        {Gadget::PrefScreenRealTime, 1, 1, [](const App& a) { return a.prefs.ScreenRealTime; }},
        {Gadget::PrefShowPixel, 0, 0, [](const App& a) { return a.prefs.quality; }},
        {Gadget::PrefSaveColorBrush, 7, 1,
         [](const App& a) { return a.prefs.brushPresetsavecolor; }},
        {Gadget::PrefConfirmExit, 0, 0, [](const App& a) { return a.prefs.confirmExit; }},
        {Gadget::PrefAutoSave, -1, 0, [](const App& a) { return a.prefs.autosave; }},
        {Gadget::PrefTimelineStyle, 1, 1, [](const App& a) { return a.iface.animBarre; }},
        {Gadget::PrefTimelineStyle, 5, 1, [](const App& a) { return a.iface.animBarre; }},
        {Gadget::PrefCellWidth, 2, 4, [](const App& a) { return a.iface.frameCellWidth; }},
        {Gadget::PrefCellWidth, 30, 24, [](const App& a) { return a.iface.frameCellWidth; }},
        {Gadget::PrefUndo, 0, 1, [](const App& a) { return a.prefs.Undo; }},
        {Gadget::PrefUndo, 300, 255, [](const App& a) { return a.prefs.Undo; }},
    };
    for (const Case& c : cases) {
        control(c.gadget, c.state);
        EXPECT_EQ(c.field(app), c.kept) << id(c.gadget) << " state " << c.state;
        EXPECT_EQ(ui.gadgetState(id(c.gadget)), c.kept) << id(c.gadget) << " state " << c.state;
    }
}

TEST_F(PrefsWindow, UndoStepsLimitTheHistory) {
    control(Gadget::PrefUndo, 1);
    onMenuCommand(app, id(Cmd::NewLayer));
    onMenuCommand(app, id(Cmd::NewLayer));
    ASSERT_EQ(app.doc.layers.size(), 3u);
    onMenuCommand(app, id(Cmd::Undo));
    EXPECT_EQ(app.doc.layers.size(), 2u);
    EXPECT_FALSE(app.history.canUndo()) << "one step kept";
}

TEST_F(PrefsWindow, GridColorAndOk) {
    ui.queueAnswer(ScriptedAnswer::colourAnswer(rgb(1, 2, 3)));
    control(Gadget::PrefGridColor, 0, ControlEventType::Click);
    EXPECT_EQ(app.prefs.gridColor, rgb(1, 2, 3));
    ui.queueAnswer(ScriptedAnswer::cancel());
    control(Gadget::PrefGridColor, 0, ControlEventType::Click);
    EXPECT_EQ(app.prefs.gridColor, rgb(1, 2, 3)) << "a cancelled requester changes nothing";

    control(Gadget::PrefOk, 0, ControlEventType::Click);
    EXPECT_EQ(ui.shownWindow(id(Window::Preferences)), nullptr);
    EXPECT_FALSE(windowIsOpen(app, id(Window::Preferences)));
    EXPECT_EQ(app.activeWindow, id(Window::Main));
    // With the window closed its controls' events change nothing.
    control(Gadget::PrefGridW, 77);
    EXPECT_EQ(app.prefs.gridW, 32);
}

}  // namespace
}  // namespace qm::test
