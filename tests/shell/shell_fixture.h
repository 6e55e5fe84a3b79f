// A started program with the fake Ui, for the shell's tests.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "document/compositing.h"
#include "document/document_ops.h"
#include "platform/fake_ui.h"
#include "shell/app.h"
#include "shell/commands/animation_commands.h"
#include "shell/events.h"
#include "shell/ids.h"
#include "shell/panels/timeline.h"
#include "shell/view/canvas_frame.h"
#include "support/temp_folder.h"
#include "support/tool_print.h"

namespace qm::test {

// The canvas as a whole recomposition from display images made afresh from the layers: what
// the view must show after any sequence of edits.
inline Image freshCanvas(const App& app) {
    ViewCache view;
    resetDisplays(app.doc.layers, app.viewState.Zoom, view);
    const GridSettings grid{app.prefs.grid != 0, app.prefs.gridW, app.prefs.gridH,
                            app.prefs.gridColor};
    Image canvas = *createImage(app.canvasImage.width, app.canvasImage.height, 32);
    CanvasScene scene{app.doc,           view, app.paperView9, app.ViewOffsetX, app.ViewOffsetY,
                      app.prefs.ColorBG, grid};
    if (!app.playback.running) scene.onion = onionSkinOf(app.doc, app.viewState);  // as shown
    scene.zoom = app.viewState.Zoom;
    scene.currentFrame = app.viewState.CurrentFrame;
    composeCanvas(canvas, scene, Rect{0, 0, canvas.width, canvas.height});
    return canvas;
}

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(startUp(app)); }

    void menu(Cmd cmd) { onMenuCommand(app, id(cmd)); }
    // The layer's image at view scale as the view shows it (empty when it has none).
    Image display(const Layer& layer) const { return wholeDisplayImage(app.view, layer); }
    void canvas(CanvasEventType type, int x, int y, bool shift = false, bool alt = false,
                bool leftHeld = false, bool ctrl = false) {
        CanvasEvent e;
        e.type = type;
        e.x = x;
        e.y = y;
        e.shift = shift;
        e.alt = alt;
        e.ctrl = ctrl;
        e.leftHeld = leftHeld;
        penSample(e);
        pointerX = x;
        pointerY = y;
        onCanvasEvent(app, e);
    }
    // A test that sends pen samples sets them here; a mouse leaves the event as it is.
    virtual void penSample(CanvasEvent&) {}
    void key(CanvasEventType type, int code) {
        CanvasEvent e;
        e.type = type;
        e.key = code;
        e.x = pointerX;  // key events carry the pointer position
        e.y = pointerY;
        onCanvasEvent(app, e);
    }
    void keyPress(int code) {
        key(CanvasEventType::KeyDown, code);
        key(CanvasEventType::KeyUp, code);
    }
    void control(Gadget gadget, int state, ControlEventType type = ControlEventType::Change) {
        ui.setGadgetState(id(gadget), state);
        ControlEvent e;
        e.gadget = id(gadget);
        e.type = type;
        onControlEvent(app, e);
    }
    // A new document through the dialog, to test sizes other than the start-up one; unsaved
    // changes of the open document are discarded.
    void newDocument(const std::string& width, const std::string& height) {
        if (app.Modified) ui.queueAnswer(ScriptedAnswer::no());
        menu(Cmd::New);
        ui.setGadgetText(id(Gadget::NewDocWidth), width);
        ui.setGadgetText(id(Gadget::NewDocHeight), height);
        ControlEvent ok;
        ok.gadget = id(Gadget::NewDocOk);
        ok.type = ControlEventType::Click;
        onControlEvent(app, ok);
    }

    FakeUi ui;
    App app{ui};
    int pointerX = 0, pointerY = 0;
};

// A started program working in its own folder (`work`), on a small document, with a second
// folder (`files`) for the documents and pictures a test opens and saves.
class FolderShellTest : public ShellTest {
protected:
    void SetUp() override {
        app.workDir = work.str();
        ASSERT_TRUE(startUp(app));
        newDocument("64", "48");
    }
    // The file the next file requester answers with.
    void answerFile(const std::string& path) {
        ui.queueAnswer(ScriptedAnswer::filesAnswer({path}));
    }

    TempFolder work{"qm_shell_work"};
    TempFolder files{"qm_shell_files"};
};

}  // namespace qm::test
