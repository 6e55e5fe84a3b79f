#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "document/qmd_format.h"
#include "shell/document_commands.h"
#include "shell/edits.h"
#include "shell/recovery.h"
#include "shell_fixture.h"
#include "support/temp_folder.h"

namespace qm::test {
namespace {

namespace fs = std::filesystem;

// Paints a block of `colour` on the current layer as one edit.
void paintBlock(App& app, uint32_t colour, int x = 2, int y = 3) {
    ScopedEdit edit(app, "test");
    Layer& layer = *currentLayer(app.doc);
    app.history.touchPixels(app.doc, layer.id, Rect{x, y, 10, 5});
    for (int yy = y; yy < y + 5; ++yy)
        for (int xx = x; xx < x + 10; ++xx) layer.image.row(yy)[xx] = colour;
}

struct LayerPixels {
    std::string name;
    decltype(Image::pixels) pixels;
    bool operator==(const LayerPixels&) const = default;
};

std::vector<LayerPixels> layersOf(const App& app) {
    std::vector<LayerPixels> out;
    for (const Layer& layer : app.doc.layers) out.push_back({layer.Name, layer.image.pixels});
    return out;
}

// A started program working in its own folder, on a small document.
class DocumentCommandsTest : public ShellTest {
protected:
    void SetUp() override {
        app.workDir = work.str();
        ASSERT_TRUE(startUp(app));
        newDocument("64", "48");
    }
    void answerFile(const std::string& path) {
        ui.queueAnswer(ScriptedAnswer::filesAnswer({path}));
    }
    bool boxSaid(const std::string& part) const {
        for (const std::string& box : ui.messageBoxes())
            if (box.find(part) != std::string::npos) return true;
        return false;
    }

    TempFolder work{"qm_docs_work"};
    TempFolder files{"qm_docs_files"};
};

TEST_F(DocumentCommandsTest, SaveThenOpenGivesTheDocumentBackAsANewHistory) {
    paintBlock(app, 0xFF2040F0u);
    menu(Cmd::NewLayer);
    paintBlock(app, 0x80FF0000u, 20, 20);
    const auto saved = layersOf(app);

    answerFile(files.file("pic"));
    menu(Cmd::Save);
    const std::string path = files.file("pic.qmd");
    EXPECT_TRUE(fs::exists(path));
    EXPECT_TRUE(fs::exists(files.path / "pic"));
    EXPECT_FALSE(app.Modified);
    EXPECT_EQ(ui.windowTitle(), "Quillmoth  - [pic.qmd]");

    // The next save proposes the document's own path.
    ui.clearCalls();
    menu(Cmd::Save);  // cancelled
    EXPECT_EQ(ui.calls().front().rfind("saveFileRequester Save the Document|" + path + "|", 0), 0u)
        << ui.calls().front();

    menu(Cmd::NewLayer);
    paintBlock(app, 0xFFFFFFFFu);
    answerFile(path);
    menu(Cmd::Open);
    EXPECT_EQ(layersOf(app), saved);
    EXPECT_EQ(app.doc.Width, 64);
    EXPECT_EQ(app.doc.LayerCounter, 2);
    EXPECT_EQ(currentLayer(app.doc)->Name, saved.back().name);  // the last read
    EXPECT_FALSE(app.Modified);
    EXPECT_FALSE(app.history.canUndo());
    EXPECT_FALSE(ui.menuEnabled(id(Cmd::Undo)));
    EXPECT_EQ(ui.windowTitle(), "Quillmoth  - [pic.qmd]");
    EXPECT_EQ(ui.gadgetItemCount(id(Gadget::LayerTree)), 2);
    ASSERT_TRUE(ui.lastCanvas());
    EXPECT_TRUE(ui.lastCanvas()->pixels == freshCanvas(app).pixels);
    // Its animation starts as a new document's does: one shown layer, named, with a frame.
    ASSERT_EQ(app.doc.animationLayers.size(), 1u);
    const AnimationLayer& animation = currentAnimationLayer(app.doc);
    EXPECT_EQ(animation.Name, "Layer Normal1");
    EXPECT_EQ(animation.Shown, 1);
    EXPECT_EQ(animation.Alpha, 255);
    EXPECT_EQ(animation.Frames.size(), 1u);

    // The opened document is painted and undone like any other.
    paintBlock(app, 0xFF00FF00u);
    EXPECT_TRUE(app.Modified);
    menu(Cmd::Undo);
    EXPECT_EQ(layersOf(app), saved);
}

TEST_F(DocumentCommandsTest, AFileThatCannotBeOpenedLeavesTheDocumentAsItWas) {
    paintBlock(app, 0xFF2040F0u);
    const auto before = layersOf(app);
    const int32_t counter = app.doc.LayerCounter;
    files.writeText("bad.qmd", "Nb_layer = 1\nDoc_w = 0\nDoc_h = 10\n");
    for (const std::string& path : {files.file("bad.qmd"), files.file("none.qmd")}) {
        ui.clearCalls();
        answerFile(path);
        menu(Cmd::Open);
        EXPECT_TRUE(boxSaid(path)) << path;
        EXPECT_EQ(layersOf(app), before);
        EXPECT_TRUE(app.Modified);
        EXPECT_TRUE(app.history.canUndo());
    }
    // A cancelled requester changes nothing either.
    menu(Cmd::Open);
    EXPECT_EQ(layersOf(app), before);
    EXPECT_EQ(app.doc.LayerCounter, counter);
}

TEST_F(DocumentCommandsTest, MissingLayerFilesAreListedInOneMessage) {
    files.writeText("d.qmd",
                    "Nb_layer = 2\nDoc_w = 30\nDoc_h = 20\n[Layer1]\nName = a\n[Layer2]\nName = b\n");
    answerFile(files.file("d.qmd"));
    const size_t boxes = ui.messageBoxes().size();
    menu(Cmd::Open);
    ASSERT_EQ(ui.messageBoxes().size(), boxes + 1);
    const std::string& box = ui.messageBoxes().back();
    EXPECT_NE(box.find("a.png (missing)\nb.png (missing)"), std::string::npos) << box;
    ASSERT_EQ(app.doc.layers.size(), 2u);
    EXPECT_EQ(app.doc.layers[0].image.width, 30);
}

TEST_F(DocumentCommandsTest, RecoveryCopiesFollowTheClockAndAreOfferedAfterACrash) {
    const std::string index = recoveryIndexPath(app);
    EXPECT_EQ(recoveryWaitMs(app), -1);  // nothing changed
    paintBlock(app, 0xFF102030u);
    EXPECT_EQ(recoveryWaitMs(app), kRecoveryIntervalMs);
    idlePass(app, 0, 0);
    EXPECT_EQ(app.recovery.writerPid, 0);
    ui.advanceClock(kRecoveryIntervalMs);
    EXPECT_EQ(idleWaitMs(app), 0);
    idlePass(app, 0, 0);
    EXPECT_NE(app.recovery.writerPid, 0);
    waitForRecoveryCopy(app);
    ASSERT_TRUE(fs::exists(index));
    EXPECT_EQ(recoveryWaitMs(app), -1);  // the copy holds every change
    const auto copied = layersOf(app);

    // Changes after the copy wait for the next interval.
    paintBlock(app, 0xFF405060u, 30, 30);
    EXPECT_EQ(recoveryWaitMs(app), kRecoveryIntervalMs);

    // The run ends without shutDown (a crash); the next one offers the copy.
    {
        FakeUi ui2;
        App second{ui2};
        second.workDir = work.str();
        ui2.queueAnswer(ScriptedAnswer::yes());
        ASSERT_TRUE(startUp(second));
        ASSERT_EQ(ui2.messageBoxes().size(), 1u);
        EXPECT_EQ(ui2.messageBoxes()[0].rfind("Quillmoth|", 0), 0u);
        EXPECT_EQ(layersOf(second), copied);
        EXPECT_TRUE(second.Modified);
        EXPECT_EQ(recoveryWaitMs(second), -1);
        shutDown(second);  // a clean quit removes the copy
        EXPECT_FALSE(fs::exists(index));
    }
    FakeUi ui3;
    App third{ui3};
    third.workDir = work.str();
    ASSERT_TRUE(startUp(third));
    EXPECT_TRUE(ui3.messageBoxes().empty());
}

TEST_F(DocumentCommandsTest, ACutOffCopyOrAnAutoSaveSwitchedOffOffersNothing) {
    // Layer files without the index that commits them: a copy cut off while written.
    work.writeText("recovery/document/Layer1.png", "partial");
    {
        FakeUi ui2;
        App second{ui2};
        second.workDir = work.str();
        ASSERT_TRUE(startUp(second));
        EXPECT_TRUE(ui2.messageBoxes().empty());
    }
    app.prefs.autosave = 0;
    paintBlock(app, 0xFF102030u);
    ui.advanceClock(10 * kRecoveryIntervalMs);
    EXPECT_EQ(idleWaitMs(app), -1);
    idlePass(app, 0, 0);
    EXPECT_EQ(app.recovery.writerPid, 0);
}

TEST_F(DocumentCommandsTest, SavingRemovesTheRecoveryCopy) {
    paintBlock(app, 0xFF102030u);
    ui.advanceClock(kRecoveryIntervalMs);
    idlePass(app, 0, 0);
    waitForRecoveryCopy(app);
    ASSERT_TRUE(fs::exists(recoveryIndexPath(app)));
    answerFile(files.file("kept.qmd"));
    menu(Cmd::Save);
    EXPECT_FALSE(fs::exists(recoveryIndexPath(app)));
    EXPECT_FALSE(fs::exists(work.path / "recovery"));
    EXPECT_EQ(recoveryWaitMs(app), -1);
}

}  // namespace
}  // namespace qm::test
