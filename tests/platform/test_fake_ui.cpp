#include <gtest/gtest.h>

#include <algorithm>

#include "platform/fake_ui.h"

namespace qm {
namespace {

TEST(FakeUi, RequestersTakeScriptedAnswersInOrder) {
    FakeUi fake;
    Ui& ui = fake;  // driven through the port, as the program does
    fake.queueAnswer(ScriptedAnswer::yes());
    fake.queueAnswer(ScriptedAnswer::filesAnswer({"a.qmd"}, 0));
    fake.queueAnswer(ScriptedAnswer::textAnswer("Sky"));
    fake.queueAnswer(ScriptedAnswer::colourAnswer(0xFF123456u));
    fake.queueAnswer(ScriptedAnswer::cancel());
    fake.queueAnswer(ScriptedAnswer::filesAnswer({"x.png", "y.jpg"}, 1));

    EXPECT_TRUE(ui.askYesNo("Quillmoth", "Would you like to quit without save your work ?"));
    const auto saved = ui.saveFileRequester({"Save the Document", "", "Quillmoth (.qmd)|*.qmd"});
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->paths, std::vector<std::string>{"a.qmd"});
    EXPECT_EQ(ui.inputText("", "Name of the layerAnim", "Layer"), "Sky");
    EXPECT_EQ(ui.colourRequester(0x00FFFFFFu), 0x00123456u) << "a requester answers RGB only";
    EXPECT_FALSE(ui.openFileRequester({"Open", "", "*.qmd"}));  // scripted cancel

    FileRequest multiple{"Import", "", "PNG|*.png|JPEG|*.jpg", 0, true};
    const auto opened = ui.openFileRequester(multiple);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->paths, (std::vector<std::string>{"x.png", "y.jpg"}));
    EXPECT_EQ(opened->patternIndex, 1);
    EXPECT_EQ(fake.pendingAnswers(), 0u);
    EXPECT_EQ(fake.answerMismatches(), 0);

    // Nothing left: every requester cancels and a question is answered No.
    EXPECT_FALSE(ui.askYesNo("Quit", "Sure?"));
    EXPECT_FALSE(ui.inputText("t", "m", "d"));
    EXPECT_FALSE(ui.colourRequester(0));
    EXPECT_FALSE(ui.saveFileRequester({}));

    EXPECT_EQ(fake.calls()[1],
              "saveFileRequester Save the Document||Quillmoth (.qmd)|*.qmd|0 -> a.qmd (pattern 0)");
    EXPECT_EQ(fake.calls().back(), "saveFileRequester |||0 -> cancel");
}

TEST(FakeUi, WrongKindOfAnswerIsUsedUpAsACancel) {
    FakeUi fake;
    fake.queueAnswer(ScriptedAnswer::colourAnswer(1));
    fake.queueAnswer(ScriptedAnswer::filesAnswer({"a.png", "b.png"}));
    fake.queueAnswer(ScriptedAnswer::textAnswer("yes"));

    EXPECT_FALSE(fake.openFileRequester({"Open", "", "*.png"}));
    EXPECT_EQ(fake.answerMismatches(), 1);
    const auto single = fake.openFileRequester({"Open", "", "*.png"});
    ASSERT_TRUE(single);
    EXPECT_EQ(single->paths, std::vector<std::string>{"a.png"}) << "single selection";
    EXPECT_FALSE(fake.askYesNo("t", "q")) << "a text is no Yes";
    EXPECT_EQ(fake.answerMismatches(), 2);
    EXPECT_EQ(fake.calls()[0], "answer mismatch: color for openFileRequester");
}

// A popup menu is a requester too: it takes the next answer in the queue, a cancel (or none
// left) dismisses it, and another kind of answer is a mismatch.
TEST(FakeUi, PopupMenusTakeTheirAnswerFromTheQueue) {
    FakeUi fake;
    Ui& ui = fake;
    fake.queueAnswer(ScriptedAnswer::popupAnswer(104));
    fake.queueAnswer(ScriptedAnswer::cancel());
    fake.queueAnswer(ScriptedAnswer::yes());
    fake.queueAnswer(ScriptedAnswer::popupAnswer(101));
    EXPECT_EQ(ui.popupMenu(1, 135), std::optional<int>(104));
    EXPECT_EQ(ui.popupMenu(1, 135), std::nullopt);
    EXPECT_EQ(ui.popupMenu(1, 135), std::nullopt);
    EXPECT_EQ(fake.answerMismatches(), 1);
    EXPECT_FALSE(ui.askYesNo("t", "q")) << "a popup's answer is no Yes";
    EXPECT_EQ(fake.answerMismatches(), 2);
    EXPECT_EQ(ui.popupMenu(2, 0), std::nullopt);  // nothing left
    EXPECT_EQ(fake.calls().front(), "popupMenu 1 at 135 -> 104");
    EXPECT_EQ(fake.calls().back(), "popupMenu 2 at 0 -> cancel");
}

TEST(FakeUi, RecordsBoxesTitleStatusMenusAndCanvas) {
    FakeUi fake;
    Ui& ui = fake;
    ui.messageBox("Error", "cannot open a.png");
    ui.askYesNo("Quit", "Sure?");
    ui.messageBox("", "not finished");
    EXPECT_EQ(fake.messageBoxes(),
              (std::vector<std::string>{"Error|cannot open a.png", "Quit|Sure?", "|not finished"}));

    ui.setWindowTitle("Quillmoth  - [a.qmd]");
    EXPECT_EQ(fake.windowTitle(), "Quillmoth  - [a.qmd]");

    ui.setStatusText(0, "Doc : 1024 x 768");
    ui.setStatusProgress(3, 2, 5);
    EXPECT_EQ(fake.statusText(0), "Doc : 1024 x 768");
    EXPECT_EQ(fake.statusProgress(3), std::make_pair(2, 5));
    EXPECT_FALSE(fake.statusProgress(0));
    EXPECT_EQ(fake.statusText(9), "");

    EXPECT_TRUE(fake.menuEnabled(18));
    ui.setMenuEnabled(18, false);
    ui.setMenuChecked(34, true);
    EXPECT_FALSE(fake.menuEnabled(18));
    EXPECT_TRUE(fake.menuChecked(34));
    EXPECT_FALSE(fake.menuChecked(79));

    EXPECT_EQ(ui.canvasSize().width, 1200);
    EXPECT_EQ(ui.canvasSize().height, 800);
    fake.setCanvasSize(640, 480);
    EXPECT_EQ(ui.canvasSize().width, 640);

    auto canvas = createImage(4, 3);
    ASSERT_TRUE(canvas);
    canvas->at(1, 2) = rgba(10, 20, 30, 255);
    ui.presentCanvas(*canvas);
    ASSERT_TRUE(fake.lastCanvas());
    EXPECT_EQ(fake.lastCanvas()->at(1, 2), rgba(10, 20, 30, 255));
    fake.setCanvasOrigin(100, 50);
    EXPECT_EQ(ui.windowPixel(101, 52), rgb(10, 20, 30));
    EXPECT_FALSE(ui.windowPixel(1, 2));

    ui.setCursor(CursorShape::Hand);
    EXPECT_EQ(fake.cursor(), CursorShape::Hand);
    EXPECT_FALSE(ui.clipboardImage());
    fake.setClipboardImage(*canvas);
    EXPECT_EQ(ui.clipboardImage()->width, 4);
    EXPECT_TRUE(ui.openWithShell("help/help_eng.rtf"));
    EXPECT_EQ(fake.shellOpened(), std::vector<std::string>{"help/help_eng.rtf"});

    EXPECT_EQ(fake.calls()[4], "setStatusText 0 Doc : 1024 x 768");
    EXPECT_EQ(fake.calls()[5], "setStatusProgress 3 2/5");
}

TEST(FakeUi, GadgetsKeepWhatWasSet) {
    FakeUi fake;
    Ui& ui = fake;
    EXPECT_EQ(ui.gadgetState(44), 0);
    EXPECT_EQ(ui.gadgetText(44), "");
    EXPECT_TRUE(fake.gadgetVisible(44));
    EXPECT_TRUE(fake.gadgetEnabled(44));

    ui.setGadgetState(44, 20);
    ui.setGadgetText(173, "1024");
    EXPECT_EQ(ui.gadgetState(44), 20);
    EXPECT_EQ(ui.gadgetText(173), "1024");

    // A combo: its state is the selected item, its text that item's text.
    ui.setGadgetState(30, 5);
    ui.clearGadgetItems(30);
    EXPECT_EQ(ui.gadgetState(30), -1);
    ui.addGadgetItem(30, "eng");
    ui.addGadgetItem(30, "fra");
    ui.setGadgetState(30, 1);
    EXPECT_EQ(ui.gadgetText(30), "fra");
    EXPECT_EQ(ui.gadgetItemCount(30), 2);
    EXPECT_EQ(ui.gadgetItemText(30, 0), "eng");
    EXPECT_EQ(ui.gadgetItemText(30, 2), "");
    EXPECT_EQ(fake.gadgetItems(30), (std::vector<std::string>{"eng", "fra"}));

    ui.addGadgetItem(90, "Misc");
    ui.addGadgetItem(90, "Ink", 1);
    EXPECT_EQ(fake.calls().back(), "addGadgetItem 90 Ink (level 1)");

    ui.showGadget(169, false);
    ui.enableGadget(35, false);
    ui.setFocus(3);
    EXPECT_FALSE(fake.gadgetVisible(169));
    EXPECT_FALSE(fake.gadgetEnabled(35));
    EXPECT_EQ(fake.focusedGadget(), 3);

    auto preview = createImage(30, 30, 24);
    ASSERT_TRUE(preview);
    ui.setGadgetImage(21, *preview);
    ASSERT_NE(fake.gadgetImage(21), nullptr);
    EXPECT_EQ(fake.gadgetImage(21)->width, 30);
    EXPECT_EQ(fake.gadgetImage(22), nullptr);
}

TEST(FilePatterns, SplitsDescriptionPatternPairs) {
    const auto two = parseFilePatterns("PNG|*.png|JPEG|*.jpg;*.jpeg");
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[1].description, "JPEG");
    EXPECT_EQ(two[1].pattern, "*.jpg;*.jpeg");

    const auto bare = parseFilePatterns("*.qmb");
    ASSERT_EQ(bare.size(), 1u);
    EXPECT_EQ(bare[0].pattern, "*.qmb");

    const auto odd = parseFilePatterns("PNG|*.png|All");
    ASSERT_EQ(odd.size(), 2u);
    EXPECT_EQ(odd[1].pattern, "*");
    EXPECT_TRUE(parseFilePatterns("").empty());
}

}  // namespace
}  // namespace qm

namespace qm {
namespace {

WindowDescription preferencesWindow() {
    return {
        7,
        "Preferences",
        400,
        300,
        {{.id = 101, .kind = ControlKind::Spin, .min = 1, .max = 500, .tab = "Interface"},
         {.id = 102, .kind = ControlKind::CheckBox, .caption = "ShowPixel", .tab = "Performance"},
         {.id = 103, .kind = ControlKind::Button, .caption = "OK"}}};
}

// A shown window is kept as described and its controls are gadgets until it is closed; showing
// the same number again replaces it with fresh controls.
TEST(FakeUi, WindowsAreKeptWhileShown) {
    FakeUi fake;
    Ui& ui = fake;
    ui.showWindow(preferencesWindow());
    ASSERT_NE(fake.shownWindow(7), nullptr);
    EXPECT_EQ(fake.shownWindow(7)->title, "Preferences");
    EXPECT_EQ(fake.shownWindow(7)->controls.size(), 3u);
    EXPECT_EQ(ui.gadgetState(101), 1) << "a spin starts at its minimum";
    EXPECT_EQ(ui.gadgetText(102), "ShowPixel");
    ui.setGadgetState(101, 32);
    ui.setGadgetText(103, "Close");

    ui.showWindow(preferencesWindow());
    EXPECT_EQ(fake.shownWindows(), std::vector<int>{7});
    EXPECT_EQ(ui.gadgetState(101), 1);
    EXPECT_EQ(ui.gadgetText(103), "OK");

    ui.showWindow(
        {9, "Layer", 200, 100, {{.id = 201, .kind = ControlKind::TextField, .caption = "Layer1"}}});
    EXPECT_EQ(fake.shownWindows(), (std::vector<int>{7, 9}));
    ui.closeWindow(7);
    ui.closeWindow(42);  // not shown: nothing happens
    EXPECT_EQ(fake.shownWindows(), std::vector<int>{9});
    EXPECT_EQ(fake.shownWindow(7), nullptr);
    EXPECT_EQ(ui.gadgetText(102), "");
    EXPECT_EQ(ui.gadgetText(201), "Layer1");

    const auto& calls = fake.calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "showWindow 7 Preferences 400x300 controls 3"),
              2);
    EXPECT_EQ(calls.back(), "closeWindow 42");
}

// A cancel asked for a task stops it from the chosen report on, answers the task's end as
// cancelled, and does not reach the next task.
TEST(FakeUi, LongTaskIsCancelledOnceAtTheChosenStep) {
    FakeUi ui;
    EXPECT_TRUE(ui.taskProgress("Export", 1, 3));
    EXPECT_TRUE(ui.taskProgress("Export", 0, 0));
    ui.cancelTaskAt(2);
    EXPECT_TRUE(ui.taskProgress("Export", 1, 3));
    EXPECT_FALSE(ui.taskProgress("Export", 2, 3));
    EXPECT_FALSE(ui.taskProgress("Export", 3, 3));
    EXPECT_FALSE(ui.taskProgress("Export", 0, 0));
    EXPECT_TRUE(ui.taskProgress("Export", 1, 3));
    EXPECT_TRUE(ui.taskProgress("Export", 0, 0));
}

TEST(FakeUi, ClockMovesOnlyWhenAdvanced) {
    FakeUi fake;
    const Ui& ui = fake;
    EXPECT_EQ(ui.clockMilliseconds(), 0);
    EXPECT_EQ(ui.clockMilliseconds(), 0);
    fake.advanceClock(40);
    fake.advanceClock(2);
    EXPECT_EQ(ui.clockMilliseconds(), 42);
    fake.advanceClock(-30);  // never back
    EXPECT_EQ(ui.clockMilliseconds(), 42);
    fake.advanceClock(INT64_MAX);  // saturates instead of overflowing
    EXPECT_EQ(ui.clockMilliseconds(), INT64_MAX);
}

}  // namespace
}  // namespace qm
