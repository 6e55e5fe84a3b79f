#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "codecs/codecs.h"
#include "document/qmd_format.h"
#include "shell/commands/animation_commands.h"
#include "shell/commands/document_commands.h"
#include "shell/commands/image_commands.h"
#include "shell/commands/preset_commands.h"
#include "shell/commands/recovery.h"
#include "shell/commands/sheet_commands.h"
#include "shell/edits.h"
#include "shell/settings/dictionary.h"
#include "shell_fixture.h"
#include "support/pixels.h"
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
        for (int xx = x; xx < x + 10; ++xx) layer.image.at(xx, yy) = colour;
}

struct LayerPixels {
    std::string name;
    decltype(Image::pixels) pixels;
    bool operator==(const LayerPixels&) const = default;
};

std::vector<LayerPixels> layersOf(const App& app) {
    std::vector<LayerPixels> out;
    for (const Layer& layer : app.doc.layers) out.push_back({layer.Name, pixelsOf(layer.image)});
    return out;
}

// The document commands' tests, with what they ask of the fake Ui and of saved files.
class DocumentCommandsTest : public FolderShellTest {
protected:
    bool boxSaid(const std::string& part) const {
        for (const std::string& box : ui.messageBoxes())
            if (box.find(part) != std::string::npos) return true;
        return false;
    }
    // A call recorded since the last clearCalls starts with `prefix`.
    bool called(const std::string& prefix) const {
        for (const std::string& call : ui.calls())
            if (call.rfind(prefix, 0) == 0) return true;
        return false;
    }
    // The colour of a pixel of the first layer of the document saved at `path`.
    uint32_t savedPixel(const std::string& path, int x, int y) {
        std::string error;
        const auto read = readDocumentFile(path, 1, error);
        EXPECT_TRUE(read) << error;
        return read ? read->layers[0].image.at(x, y) : 0;
    }
    void writePicture(const std::string& relative, int width, int height) {
        std::vector<uint8_t> bytes;
        std::string error;
        ASSERT_TRUE(encodePng(*createImage(width, height, 32), bytes, error)) << error;
        files.writeText(relative, std::string(bytes.begin(), bytes.end()));
    }
    std::string untitled() const { return "Quillmoth " + app.prefs.version + " [Untitled]"; }
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

    menu(Cmd::NewLayer);
    paintBlock(app, 0xFFFFFFFFu);
    ui.queueAnswer(ScriptedAnswer::no());  // the changes are discarded
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

// The animation is part of the document: frames imported, a hold and the frame settings come
// back from Open and from a recovery copy, with their pixels.
TEST_F(DocumentCommandsTest, OpenAndRecoveryKeepTheAnimation) {
    std::vector<uint8_t> bytes;
    std::string error;
    std::vector<std::string> pictures;
    for (uint32_t colour : {0xFF0000FFu, 0xFF00FF00u, 0xFFFF0000u}) {
        Image picture = *createImage(64, 48, 32);
        std::fill(picture.pixels.begin(), picture.pixels.end(), colour);
        ASSERT_TRUE(encodePng(picture, bytes, error)) << error;
        pictures.push_back("f" + std::to_string(pictures.size()) + ".png");
        files.writeText(pictures.back(), std::string(bytes.begin(), bytes.end()));
        pictures.back() = files.file(pictures.back());
    }
    ui.queueAnswer(ScriptedAnswer::filesAnswer(pictures));
    menu(Cmd::ImportImageOnAnimation);
    {
        ScopedEdit edit(app, "hold");
        app.history.animation(app.doc, app.viewState);
        app.doc.animationLayers.begin()->second.Frames.back().Hold = 4;
    }
    app.doc.Fps = 8;
    const auto framesOf = [](const App& a) {
        std::vector<std::tuple<int, int, uint32_t>> out;
        for (const auto& [key, layer] : a.doc.animationLayers)
            for (const AnimationFrame& f : layer.Frames)
                out.emplace_back(f.Frame, f.Hold,
                                 pixelsOf(f.image).empty() ? 0u : f.image.at(5, 5));
        return out;
    };
    const auto frames = framesOf(app);
    ASSERT_EQ(frames.size(), 4u);  // the new document's empty frame and three pictures

    answerFile(files.file("anim"));
    menu(Cmd::Save);
    app.doc.Fps = 5;  // what the file says must come back
    answerFile(files.file("anim.qmd"));
    menu(Cmd::Open);
    EXPECT_EQ(framesOf(app), frames);
    EXPECT_EQ(app.doc.Fps, 8);
    EXPECT_TRUE(ui.messageBoxes().empty() || !boxSaid("could not be read"));

    // A recovery copy of the same document restores it too.
    paintBlock(app, 0xFF102030u);
    ui.advanceClock(kRecoveryIntervalMs);
    idlePass(app, 0, 0);
    waitForRecoveryCopy(app);
    FakeUi ui2;
    App second{ui2};
    second.workDir = work.str();
    ui2.queueAnswer(ScriptedAnswer::yes());
    ASSERT_TRUE(startUp(second));
    EXPECT_EQ(framesOf(second), frames);
    shutDown(second);
}

// Save as OpenRaster writes the layers for other programs and leaves the document's own file
// and modified mark alone; Open, Open as and the command line open the file with its layers,
// as a document without a .qmd of its own.
TEST_F(DocumentCommandsTest, OpenRasterFilesAreWrittenAndOpenedWithTheirLayers) {
    paintBlock(app, 0xFF2040F0u);
    menu(Cmd::NewLayer);
    paintBlock(app, 0x80FF0000u, 20, 20);
    currentLayer(app.doc)->Blendmode = 2;
    const auto saved = layersOf(app);

    answerFile(files.file("shared"));
    menu(Cmd::SaveOpenRaster);
    const std::string path = files.file("shared.ora");
    ASSERT_TRUE(fs::exists(path));
    EXPECT_TRUE(app.Modified);
    EXPECT_TRUE(app.documentPath.empty());

    for (int way = 0; way < 3; ++way) {
        SCOPED_TRACE(way);
        newDocument("40", "30");
        ASSERT_NE(layersOf(app), saved);
        if (way == 0) {
            answerFile(path);
            menu(Cmd::Open);
        } else if (way == 1) {
            answerFile(path);
            menu(Cmd::OpenAs);
        } else {
            openFileFromCommandLine(app, path);
        }
        EXPECT_EQ(layersOf(app), saved);
        EXPECT_EQ(currentLayer(app.doc)->Blendmode, 2);
        EXPECT_FALSE(app.Modified);
        EXPECT_TRUE(app.documentPath.empty());  // Save asks for a .qmd
        EXPECT_EQ(ui.windowTitle(), "Quillmoth  - [shared.ora]");
    }

    // A file that cannot be opened is said, and the open document stays.
    const auto before = layersOf(app);
    const size_t messages = ui.messageBoxes().size();
    openFileFromCommandLine(app, files.file("missing.ora"));
    openFileFromCommandLine(app, files.file("missing.png"));
    EXPECT_EQ(ui.messageBoxes().size(), messages + 2);
    EXPECT_EQ(layersOf(app), before);
}

// The title marks unsaved changes; Save writes to the document's file without asking once it
// has one, and Save Document As always asks, proposing that file.
TEST_F(DocumentCommandsTest, SaveWritesToItsFileAndSaveDocumentAsAsks) {
    EXPECT_EQ(ui.windowTitle(), untitled());
    paintBlock(app, 0xFF2040F0u);
    EXPECT_EQ(ui.windowTitle(), "*" + untitled());

    ui.clearCalls();
    answerFile(files.file("pic"));
    menu(Cmd::Save);
    EXPECT_TRUE(called("saveFileRequester Save the Document||"));  // a new one: no name proposed
    const std::string path = files.file("pic.qmd");
    EXPECT_EQ(ui.windowTitle(), "Quillmoth  - [pic.qmd]");

    paintBlock(app, 0xFF00FF00u, 30, 30);
    EXPECT_EQ(ui.windowTitle(), "*Quillmoth  - [pic.qmd]");
    menu(Cmd::Undo);  // still changed since the save
    paintBlock(app, 0xFF00FF00u, 30, 30);
    ui.clearCalls();
    menu(Cmd::Save);
    EXPECT_FALSE(called("saveFileRequester"));
    EXPECT_EQ(ui.pendingAnswers(), 0u);
    EXPECT_FALSE(app.Modified);
    EXPECT_EQ(ui.windowTitle(), "Quillmoth  - [pic.qmd]");
    EXPECT_EQ(savedPixel(path, 30, 30), 0xFF00FF00u);
    EXPECT_EQ(ui.focusedGadget(), id(Gadget::Canvas));

    ui.clearCalls();
    menu(Cmd::SaveDocumentAs);  // cancelled: nothing changes
    EXPECT_TRUE(called("saveFileRequester Save the Document|" + path + "|"));
    EXPECT_EQ(app.documentPath, path);
    answerFile(files.file("copy.qmd"));
    menu(Cmd::SaveDocumentAs);
    EXPECT_EQ(app.documentPath, files.file("copy.qmd"));
    EXPECT_EQ(ui.windowTitle(), "Quillmoth  - [copy.qmd]");
    EXPECT_EQ(savedPixel(files.file("copy.qmd"), 30, 30), 0xFF00FF00u);
}

// A document made by New or from a picture has no file: Save asks for a name, proposing none.
TEST_F(DocumentCommandsTest, NewAndOpenAsStartWithoutAFile) {
    writePicture("picture.png", 20, 10);
    const std::string path = files.file("pic.qmd");
    const std::vector<std::function<void()>> replacements = {
        [&] { newDocument("32", "32"); },
        [&] {
            answerFile(files.file("picture.png"));
            menu(Cmd::OpenAs);
            EXPECT_EQ(app.doc.Width, 20);
        },
    };
    for (const auto& replace : replacements) {
        answerFile(path);
        menu(Cmd::SaveDocumentAs);
        ASSERT_EQ(app.documentPath, path);
        replace();
        EXPECT_EQ(app.documentPath, "");
        EXPECT_EQ(ui.windowTitle(), untitled());
        ui.clearCalls();
        menu(Cmd::Save);  // cancelled
        EXPECT_TRUE(called("saveFileRequester Save the Document||"));
    }
}

// New, Open and Open as ask before a document with unsaved changes goes: Save (to its file),
// Discard, or Cancel, which is also what an unanswered question does.
TEST_F(DocumentCommandsTest, ReplacingAChangedDocumentAsksFirst) {
    const std::string own = files.file("own.qmd"), other = files.file("other.qmd");
    newDocument("20", "10");
    answerFile(other);
    menu(Cmd::Save);
    writePicture("picture.png", 20, 10);
    newDocument("64", "48");
    answerFile(own);
    menu(Cmd::Save);

    enum class Reply { None, Cancel, Discard, Save };
    const Cmd commands[] = {Cmd::New, Cmd::Open, Cmd::OpenAs};
    uint32_t colour = 0xFF000010u;
    for (const Cmd command : commands) {
        for (const Reply reply : {Reply::None, Reply::Cancel, Reply::Discard, Reply::Save}) {
            SCOPED_TRACE(std::to_string(id(command)) + " reply " + std::to_string(int(reply)));
            if (app.documentPath != own) {
                answerFile(own);
                menu(Cmd::Open);
            }
            ASSERT_EQ(app.doc.Width, 64);
            paintBlock(app, ++colour);
            ui.clearCalls();
            const bool replaced = reply == Reply::Discard || reply == Reply::Save;
            if (reply == Reply::Cancel) ui.queueAnswer(ScriptedAnswer::cancel());
            if (reply == Reply::Discard) ui.queueAnswer(ScriptedAnswer::no());
            if (reply == Reply::Save) ui.queueAnswer(ScriptedAnswer::yes());
            if (replaced && command == Cmd::Open) answerFile(other);
            if (replaced && command == Cmd::OpenAs) answerFile(files.file("picture.png"));
            menu(command);
            if (command == Cmd::New && ui.shownWindow(id(Window::NewDocument))) {
                ui.setGadgetText(id(Gadget::NewDocWidth), "20");
                ui.setGadgetText(id(Gadget::NewDocHeight), "10");
                onControlEvent(app,
                               {.gadget = id(Gadget::NewDocOk), .type = ControlEventType::Click});
            }
            EXPECT_TRUE(called("askYesNoCancel Quillmoth|" + Text(app.dictionary, "SaveChanges") +
                               "|Save/Discard/Cancel -> "));
            EXPECT_EQ(app.doc.Width, replaced ? 20 : 64);
            EXPECT_EQ(savedPixel(own, 2, 3) == colour, reply == Reply::Save);
            if (!replaced) {
                EXPECT_TRUE(app.Modified);
                EXPECT_FALSE(called("openFileRequester"));
                EXPECT_EQ(ui.shownWindow(id(Window::NewDocument)), nullptr);
                EXPECT_EQ(ui.focusedGadget(), id(Gadget::Canvas));
            }
            EXPECT_EQ(ui.pendingAnswers(), 0u);
            EXPECT_EQ(ui.answerMismatches(), 0);
        }
    }
    // Saving a new document asks for its name first; cancelling that keeps the document.
    newDocument("64", "48");
    paintBlock(app, 0xFF123456u);
    ui.clearCalls();
    ui.queueAnswer(ScriptedAnswer::yes());
    menu(Cmd::Open);
    EXPECT_TRUE(called("saveFileRequester Save the Document||"));
    EXPECT_TRUE(app.Modified);
    EXPECT_EQ(app.doc.Width, 64);
    EXPECT_FALSE(called("openFileRequester"));
}

// The answer given when the New dialog opened covers the document as it was then: changes made
// while it was open are asked about at OK, and a cancel there keeps the dialog.
TEST_F(DocumentCommandsTest, ChangesWhileTheNewDialogIsOpenAreAskedAboutAtOk) {
    menu(Cmd::New);  // nothing to lose: no question
    EXPECT_TRUE(ui.messageBoxes().empty());
    paintBlock(app, 0xFF2040F0u);
    ui.setGadgetText(id(Gadget::NewDocWidth), "20");
    const ControlEvent ok{.gadget = id(Gadget::NewDocOk), .type = ControlEventType::Click};
    onControlEvent(app, ok);  // unanswered: cancelled
    EXPECT_EQ(ui.messageBoxes().size(), 1u);
    EXPECT_EQ(app.doc.Width, 64);
    EXPECT_NE(ui.shownWindow(id(Window::NewDocument)), nullptr);
    ui.queueAnswer(ScriptedAnswer::no());
    onControlEvent(app, ok);
    EXPECT_EQ(app.doc.Width, 20);
    EXPECT_FALSE(app.Modified);
}

TEST_F(DocumentCommandsTest, AFileThatCannotBeOpenedLeavesTheDocumentAsItWas) {
    paintBlock(app, 0xFF2040F0u);
    const auto before = layersOf(app);
    const int32_t counter = app.doc.LayerCounter;
    files.writeText("bad.qmd", "Nb_layer = 1\nDoc_w = 0\nDoc_h = 10\n");
    for (const std::string& path : {files.file("bad.qmd"), files.file("none.qmd")}) {
        ui.clearCalls();
        ui.queueAnswer(ScriptedAnswer::no());
        answerFile(path);
        menu(Cmd::Open);
        EXPECT_TRUE(boxSaid(path)) << path;
        EXPECT_EQ(layersOf(app), before);
        EXPECT_TRUE(app.Modified);
        EXPECT_TRUE(app.history.canUndo());
    }
    // A cancelled requester changes nothing either.
    ui.queueAnswer(ScriptedAnswer::no());
    menu(Cmd::Open);
    EXPECT_EQ(layersOf(app), before);
    EXPECT_EQ(app.doc.LayerCounter, counter);
}

TEST_F(DocumentCommandsTest, MissingLayerFilesAreListedInOneMessage) {
    files.writeText(
        "d.qmd", "Nb_layer = 2\nDoc_w = 30\nDoc_h = 20\n[Layer1]\nName = a\n[Layer2]\nName = b\n");
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
    EXPECT_FALSE(copyUnderWay(app));
    ui.advanceClock(kRecoveryIntervalMs);
    EXPECT_EQ(idleWaitMs(app), 0);
    idlePass(app, 0, 0);
    EXPECT_TRUE(copyUnderWay(app));
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
    EXPECT_FALSE(copyUnderWay(app));
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
// Threads of this process (the recovery copy's writer is one while it runs).
size_t threadCount() {
    std::error_code ec;
    size_t n = 0;
    for (auto it = fs::directory_iterator("/proc/self/task", ec);
         !ec && it != fs::directory_iterator(); it.increment(ec))
        ++n;
    return n;
}

// The copy holds the document as it was when the copy began: painting goes on at once, over the
// tiles the copy is writing.
TEST_F(DocumentCommandsTest, ARecoveryCopyHoldsTheDocumentAsItWasWhenItBegan) {
    for (int i = 0; i < 6; ++i) {
        menu(Cmd::NewLayer);
        paintBlock(app, 0xFF102030u + uint32_t(i), 4 * i, 4 * i);
    }
    const auto before = layersOf(app);
    ui.advanceClock(kRecoveryIntervalMs);
    idlePass(app, 0, 0);
    ASSERT_TRUE(copyUnderWay(app));
    for (int i = 0; i < 20; ++i) paintBlock(app, 0xFFA0B0C0u + uint32_t(i), i, i);
    const auto painted = layersOf(app);
    ASSERT_NE(painted, before);
    waitForRecoveryCopy(app);
    EXPECT_FALSE(copyUnderWay(app));
    std::string error;
    const auto copy = readDocumentFile(recoveryIndexPath(app), 1, error);
    ASSERT_TRUE(copy) << error;
    std::vector<LayerPixels> copied;
    for (const Layer& layer : copy->layers) copied.push_back({layer.Name, pixelsOf(layer.image)});
    EXPECT_EQ(copied, before);
    EXPECT_EQ(layersOf(app), painted);
    // What was painted after the copy began waits for the next one.
    EXPECT_EQ(recoveryWaitMs(app), kRecoveryIntervalMs);
}

// Removing the copy (a save, a clean quit) while its thread writes a document of many layers
// stops the thread and leaves no file of the copy.
TEST_F(DocumentCommandsTest, RemovingACopyUnderWayLeavesNoFileAndNoThread) {
    for (int i = 0; i < 40; ++i) {
        menu(Cmd::NewLayer);
        paintBlock(app, 0xFF305070u + uint32_t(i), i % 16, i % 16);
    }
    const size_t threads = threadCount();
    ui.advanceClock(kRecoveryIntervalMs);
    idlePass(app, 0, 0);
    ASSERT_TRUE(copyUnderWay(app));
    removeRecoveryCopy(app);
    EXPECT_FALSE(copyUnderWay(app));
    EXPECT_FALSE(fs::exists(work.path / "recovery"));
    EXPECT_EQ(threadCount(), threads);
    EXPECT_EQ(recoveryWaitMs(app), -1);  // the document counts as copied up to now
}

}  // namespace qm::test
