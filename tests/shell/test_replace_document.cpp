// Replacing the open document (New, Open, Open as, a restored recovery copy): whatever the old
// document had under way ends with it, and the new one starts from the same clean state.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "codecs/codecs.h"
#include "document/qmd_format.h"
#include "shell/commands/document_commands.h"
#include "shell/commands/recovery.h"
#include "shell/commands/zoom_commands.h"
#include "shell/edits.h"
#include "shell_fixture.h"
#include "support/temp_folder.h"

namespace qm::test {
namespace {

enum class Path { New, Open, OpenAs, Restore };

struct ViewExpected {
    int Zoom, CurrentFrame, FrameStart, FrameEnd, OnionBefore, OnionAfter;
};

struct ReplaceCase {
    Path path;
    const char* name;
    bool modified;
    const char* documentFile;  // under the files folder; "" for none
    const char* title;         // "untitled", "file" or "recovered"
    ViewExpected view;
    std::vector<std::string> rows;  // the layer tree
};

class ReplaceDocumentTest : public FolderShellTest,
                            public ::testing::WithParamInterface<ReplaceCase> {
protected:
    void paintBlock(uint32_t colour) {
        ScopedEdit edit(app, "test");
        Layer& layer = *currentLayer(app.doc);
        app.history.touchPixels(app.doc, layer.id, Rect{2, 3, 10, 5});
        for (int y = 3; y < 8; ++y)
            for (int x = 2; x < 12; ++x) layer.image.at(x, y) = colour;
    }
};

TEST_P(ReplaceDocumentTest, EndsWhatWasUnderWayAndStartsClean) {
    const ReplaceCase& c = GetParam();
    // The document Open reads: two layers, frame settings of its own.
    menu(Cmd::NewLayer);
    app.doc.Fps = 8;
    app.viewState.CurrentFrame = 7;
    app.viewState.FrameStart = 2;
    app.viewState.FrameEnd = 60;
    app.viewState.OnionBefore = 1;
    app.viewState.OnionAfter = 4;
    ASSERT_TRUE(saveDocumentFile(app, files.file("other.qmd")));
    // The recovery copy: one layer, no frame settings of its own (written below, as saving
    // the previous document removes any copy).
    newDocument("40", "30");
    const Document copied = app.doc;
    std::string error;
    // The picture Open as reads.
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(encodePng(*createImage(30, 20, 32), bytes, error)) << error;
    files.writeText("picture.png", std::string(bytes.begin(), bytes.end()));

    // The document to replace: saved to a file of its own, zoomed, at frame 5 with onion
    // skins, then changed, with a stroke under way (a press without its release).
    newDocument("64", "48");
    ASSERT_TRUE(saveDocumentFile(app, files.file("previous.qmd")));
    std::filesystem::create_directories(
        std::filesystem::path(recoveryIndexPath(app)).parent_path());
    ASSERT_TRUE(writeDocumentFile(copied, ViewState{}, recoveryIndexPath(app), error)) << error;
    setZoomAndApply(app, 300);
    app.viewState.CurrentFrame = 5;
    app.viewState.OnionBefore = 2;
    app.viewState.OnionAfter = 3;
    paintBlock(0xFF2040F0u);
    canvas(CanvasEventType::LeftDown, 10, 10);
    ASSERT_TRUE(app.Modified);
    ASSERT_TRUE(app.strokeEdit);

    switch (c.path) {
        case Path::New:
            newDocument("64", "48");
            break;
        case Path::Open:
            ui.queueAnswer(ScriptedAnswer::no());
            answerFile(files.file("other.qmd"));
            menu(Cmd::Open);
            break;
        case Path::OpenAs:
            ui.queueAnswer(ScriptedAnswer::no());
            answerFile(files.file("picture.png"));
            menu(Cmd::OpenAs);
            break;
        case Path::Restore:
            ui.queueAnswer(ScriptedAnswer::yes());
            offerRecovery(app);
            break;
    }

    EXPECT_FALSE(app.history.isOpen());
    EXPECT_FALSE(app.history.canUndo());
    EXPECT_FALSE(app.history.canRedo());
    EXPECT_FALSE(app.strokeEdit);
    EXPECT_FALSE(app.StrokeActive);
    EXPECT_FALSE(app.moveDragging);
    EXPECT_FALSE(app.LeftDown);
    EXPECT_EQ(app.Modified, c.modified);
    EXPECT_EQ(app.documentPath,
              std::string(c.documentFile).empty() ? "" : files.file(c.documentFile));
    const std::string title = c.title;
    if (title == "untitled")
        EXPECT_EQ(app.windowTitle, "Quillmoth " + app.prefs.version + " [Untitled]");
    else if (title == "file")
        EXPECT_EQ(app.windowTitle, documentTitle(app, files.file(c.documentFile)));
    else
        EXPECT_NE(app.windowTitle.find("Recovered"), std::string::npos) << app.windowTitle;
    const ViewState& v = app.viewState;
    EXPECT_EQ(v.Zoom, c.view.Zoom);
    EXPECT_EQ(v.CurrentFrame, c.view.CurrentFrame);
    EXPECT_EQ(v.FrameStart, c.view.FrameStart);
    EXPECT_EQ(v.FrameEnd, c.view.FrameEnd);
    EXPECT_EQ(v.OnionBefore, c.view.OnionBefore);
    EXPECT_EQ(v.OnionAfter, c.view.OnionAfter);
    EXPECT_EQ(ui.gadgetItems(id(Gadget::LayerTree)), c.rows);
    EXPECT_EQ(app.canvasImage.pixels, freshCanvas(app).pixels);

    // The release of the old document's stroke ends nothing in the new one.
    canvas(CanvasEventType::LeftUp, 12, 12);
    EXPECT_FALSE(app.history.canUndo());
    EXPECT_EQ(app.Modified, c.modified);
}

INSTANTIATE_TEST_SUITE_P(
    EveryPath, ReplaceDocumentTest,
    ::testing::Values(
        ReplaceCase{Path::New, "New", false, "", "untitled", {100, 1, 1, 120, 2, 3}, {"Layer6"}},
        ReplaceCase{Path::Open,
                    "Open",
                    false,
                    "other.qmd",
                    "file",
                    {300, 7, 2, 60, 1, 4},
                    {"Layer2", "Layer3"}},
        ReplaceCase{
            Path::OpenAs, "OpenAs", false, "", "untitled", {100, 1, 1, 120, 2, 3}, {"Layer1"}},
        ReplaceCase{
            Path::Restore, "Restore", true, "", "recovered", {300, 5, 1, 120, 2, 3}, {"Layer4"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qm::test
