// Undo and redo as the painter reaches them: menu items, keys, and what the canvas, the layer
// panel and the modified flag do with them.
#include "document/compositing.h"
#include "shell/commands/layer_commands.h"
#include "shell/edits.h"
#include "shell/menu_table.h"
#include "shell/panels/layer_panel.h"
#include "shell/view/canvas_frame.h"
#include "shell_fixture.h"
#include "support/pixels.h"

namespace qm::test {

class HistoryCommands : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        newDocument("64", "48");
        app.brush.size = 9;
        app.brush.scatter = 0;
        app.brush.randRot = 0;
        app.brush.alphaVsTime = 0;
    }
    void stroke(int x0, int y0, int x1, int y1) {
        const int ox = app.ViewOffsetX, oy = app.ViewOffsetY;
        canvas(CanvasEventType::LeftDown, ox + x0, oy + y0);
        canvas(CanvasEventType::Move, ox + (x0 + x1) / 2, oy + (y0 + y1) / 2, false, false, true);
        canvas(CanvasEventType::Move, ox + x1, oy + y1, false, false, true);
        canvas(CanvasEventType::LeftUp, ox + x1, oy + y1);
    }
    void ctrlKey(int code, bool shift = false) {
        CanvasEvent e;
        e.type = CanvasEventType::KeyDown;
        e.key = code;
        e.ctrl = true;
        e.shift = shift;
        onCanvasEvent(app, e);
        e.type = CanvasEventType::KeyUp;
        onCanvasEvent(app, e);
    }
    Image freshCanvas() const { return test::freshCanvas(app); }
};

// A stroke is one step: Undo gives the layer back, Redo the stroke; the items are enabled only
// when there is a step; the keys do the same; the canvas follows every time.
TEST_F(HistoryCommands, StrokeUndoRedoByMenuAndKeys) {
    EXPECT_FALSE(ui.menuEnabled(id(Cmd::Undo)));
    EXPECT_FALSE(ui.menuEnabled(id(Cmd::Redo)));
    EXPECT_FALSE(app.Modified);
    const Image before = currentImage(app.doc)->toImage();
    stroke(10, 10, 50, 30);
    const Image painted = currentImage(app.doc)->toImage();
    ASSERT_NE(painted.pixels, before.pixels);
    EXPECT_TRUE(app.Modified);
    EXPECT_TRUE(ui.menuEnabled(id(Cmd::Undo)));
    EXPECT_EQ(app.history.undoSteps(), 1u);  // press to release is one step

    menu(Cmd::Undo);
    EXPECT_EQ(pixelsOf(*currentImage(app.doc)), before.pixels);
    EXPECT_FALSE(ui.menuEnabled(id(Cmd::Undo)));
    EXPECT_TRUE(ui.menuEnabled(id(Cmd::Redo)));
    EXPECT_EQ(app.canvasImage.pixels, freshCanvas().pixels);
    menu(Cmd::Redo);
    EXPECT_EQ(pixelsOf(*currentImage(app.doc)), painted.pixels);
    EXPECT_EQ(app.canvasImage.pixels, freshCanvas().pixels);

    ctrlKey('Z');
    EXPECT_EQ(pixelsOf(*currentImage(app.doc)), before.pixels);
    ctrlKey('Z', true);
    EXPECT_EQ(pixelsOf(*currentImage(app.doc)), painted.pixels);
    ctrlKey('Z');
    ctrlKey('Y');
    EXPECT_EQ(pixelsOf(*currentImage(app.doc)), painted.pixels);
}

// The accelerator table binds the same keys to the menu items, and takes no other use of them.
TEST_F(HistoryCommands, AcceleratorsOfUndoAndRedo) {
    int undo = 0, redo = 0;
    for (const Accelerator& a : acceleratorTable()) {
        if (a.key == 'Z' && a.ctrl && !a.alt) {
            (a.shift ? redo : undo) += a.id == id(a.shift ? Cmd::Redo : Cmd::Undo);
        }
        if (a.key == 'Y' && a.ctrl && !a.alt && !a.shift) redo += a.id == id(Cmd::Redo);
        if ((a.key == 'Z' || a.key == 'Y') && a.ctrl) {
            EXPECT_TRUE(a.id == id(Cmd::Undo) || a.id == id(Cmd::Redo));
        }
    }
    EXPECT_EQ(undo, 1);
    EXPECT_EQ(redo, 2);
}

// A stroke on a layer at half opacity shows at half opacity at once: the view is made from the
// layer, not drawn twice.
TEST_F(HistoryCommands, TheCanvasShowsAStrokeAtTheLayerOpacity) {
    control(Gadget::LayerOpacity, 128);
    stroke(10, 10, 50, 30);
    EXPECT_EQ(app.canvasImage.pixels, freshCanvas().pixels);
}

// Layer operations are steps: undo puts back the stack, the properties, the current layer and
// the panel; deleting keeps the layer with its identity and pixels.
TEST_F(HistoryCommands, LayerOperationsUndoWithThePanel) {
    menu(Cmd::NewLayer);
    const std::string name1 = app.doc.layers[0].Name, name2 = app.doc.layers[1].Name;
    stroke(5, 5, 40, 20);
    const uint32_t id2 = app.doc.layers[1].id;
    const Image pixels2 = app.doc.layers[1].image.toImage();
    control(Gadget::LayerOpacity, 90);
    control(Gadget::LayerOpacity, 60);  // one drag of the bar: one step
    const size_t steps = app.history.undoSteps();
    control(Gadget::LayerBlendMode, 1);
    menu(Cmd::Deletelayer);
    ASSERT_EQ(app.doc.layers.size(), 1u);
    EXPECT_EQ(ui.gadgetItems(id(Gadget::LayerTree)), (std::vector<std::string>{name1}));

    menu(Cmd::Undo);  // the delete
    ASSERT_EQ(app.doc.layers.size(), 2u);
    EXPECT_EQ(app.doc.layers[1].id, id2);
    EXPECT_EQ(pixelsOf(app.doc.layers[1].image), pixels2.pixels);
    EXPECT_EQ(app.doc.layers[1].Selected, 1);
    EXPECT_EQ(ui.gadgetItems(id(Gadget::LayerTree)), (std::vector<std::string>{name1, name2}));
    EXPECT_EQ(ui.gadgetState(id(Gadget::LayerBlendMode)), 1);
    menu(Cmd::Undo);  // the blend mode
    EXPECT_EQ(app.doc.layers[1].Blendmode, 0);
    EXPECT_EQ(app.history.undoSteps(), steps);
    menu(Cmd::Undo);  // the whole opacity drag
    EXPECT_EQ(app.doc.layers[1].Opacity, 255);
    EXPECT_EQ(ui.gadgetState(id(Gadget::LayerOpacity)), 255);
    EXPECT_EQ(app.canvasImage.pixels, freshCanvas().pixels);

    // A drag a while after the last one is a step of its own.
    control(Gadget::LayerOpacity, 90);
    ui.advanceClock(500);
    control(Gadget::LayerOpacity, 80);
    ui.advanceClock(5000);
    control(Gadget::LayerOpacity, 40);
    menu(Cmd::Undo);
    EXPECT_EQ(app.doc.layers[1].Opacity, 80);
    menu(Cmd::Undo);
    EXPECT_EQ(app.doc.layers[1].Opacity, 255);
}

// Resizing the image is a step; undo gives back the size, the pixels and the work images.
TEST_F(HistoryCommands, ResizeUndoes) {
    stroke(5, 5, 40, 20);
    const Image before = currentImage(app.doc)->toImage();
    resizeDocument(app, 30, 100, 1, 0);
    EXPECT_EQ(app.doc.Width, 30);
    menu(Cmd::Undo);
    EXPECT_EQ(app.doc.Width, 64);
    EXPECT_EQ(app.doc.Height, 48);
    EXPECT_EQ(pixelsOf(*currentImage(app.doc)), before.pixels);
    EXPECT_EQ(app.workImage3.width, 64);
    EXPECT_EQ(app.paperImage8.height, 48);
    EXPECT_EQ(app.canvasImage.pixels, freshCanvas().pixels);
    EXPECT_EQ(ui.statusText(1), "Doc : 64/48");  // the size given back
    menu(Cmd::Redo);
    EXPECT_EQ(currentImage(app.doc)->width, 30);
    EXPECT_EQ(currentImage(app.doc)->height, 100);
    EXPECT_EQ(app.workImage3.height, 100);
    EXPECT_EQ(ui.statusText(1), "Doc : 30/100");
}

// New starts an empty history and an unmodified document.
TEST_F(HistoryCommands, NewClearsTheHistory) {
    stroke(5, 5, 40, 20);
    menu(Cmd::NewLayer);
    ASSERT_EQ(app.history.undoSteps(), 2u);
    newDocument("32", "32");
    EXPECT_EQ(app.history.undoSteps(), 0u);
    EXPECT_EQ(app.history.redoSteps(), 0u);
    EXPECT_FALSE(app.Modified);
    EXPECT_FALSE(ui.menuEnabled(id(Cmd::Undo)));
}

// Undo in the middle of a stroke closes the stroke's step first; the rest of the stroke is a
// step of its own.
TEST_F(HistoryCommands, UndoDuringAStroke) {
    const Image before = currentImage(app.doc)->toImage();
    const int ox = app.ViewOffsetX, oy = app.ViewOffsetY;
    canvas(CanvasEventType::LeftDown, ox + 5, oy + 5);
    canvas(CanvasEventType::Move, ox + 30, oy + 5, false, false, true);
    menu(Cmd::Undo);
    EXPECT_EQ(pixelsOf(*currentImage(app.doc)), before.pixels);
    canvas(CanvasEventType::Move, ox + 30, oy + 30, false, false, true);
    canvas(CanvasEventType::LeftUp, ox + 30, oy + 30);
    EXPECT_EQ(app.history.undoSteps(), 1u);
    EXPECT_FALSE(app.history.canRedo());
    menu(Cmd::Undo);
    EXPECT_EQ(pixelsOf(*currentImage(app.doc)), before.pixels);
}

// The wheel keeps the zoom within the 16-bit field however far it turns.
TEST_F(ShellTest, WheelZoomStaysWithinItsField) {
    newDocument("16", "16");
    for (int notches : {6553, 10000, 100000, -100000}) {
        CanvasEvent e;
        e.type = CanvasEventType::Wheel;
        e.wheel = notches;
        onCanvasEvent(app, e);
        EXPECT_GE(app.viewState.Zoom, 5) << notches;
        EXPECT_LE(int(app.viewState.Zoom), 32767) << notches;
        if (notches > 0) {
            EXPECT_EQ(app.viewState.Zoom, 32767) << notches;
        }
    }
}

}  // namespace qm::test

namespace qm::test {
namespace {

// A Ui whose next redraw runs out of memory, as a large image made for it would.
class OutOfMemoryUi : public FakeUi {
public:
    int failAfter = -1;  // redraws left before the one that fails; -1 never
    void presentCanvas(const Image& canvas) override {
        fail();
        FakeUi::presentCanvas(canvas);
    }
    void presentCanvasPart(const Image& canvas, const Rect& changed) override {
        fail();
        FakeUi::presentCanvasPart(canvas, changed);
    }

private:
    void fail() {
        if (failAfter >= 0 && failAfter-- == 0) throw std::bad_alloc();
    }
};

// Running out of memory during an action is a message; the document is as it was before the
// action, and the program goes on.
TEST(OutOfMemory, AnActionThatRunsOutPutsTheDocumentBack) {
    OutOfMemoryUi ui;
    App app{ui};
    ASSERT_TRUE(startUp(app));
    const size_t layers = app.doc.layers.size();
    ui.failAfter = 0;
    onMenuCommand(app, id(Cmd::NewLayer));  // fails in the redraw after the layer was added
    EXPECT_EQ(app.doc.layers.size(), layers);
    EXPECT_FALSE(app.history.canUndo());
    ASSERT_FALSE(ui.messageBoxes().empty());
    EXPECT_NE(ui.messageBoxes().back().find("Not enough memory"), std::string::npos);

    // In the middle of a stroke: the stroke so far is put back.
    const Image before = currentImage(app.doc)->toImage();
    CanvasEvent e;
    e.type = CanvasEventType::LeftDown;
    e.x = 600;  // the middle of the canvas, where the document is shown
    e.y = 400;
    onCanvasEvent(app, e);
    e.type = CanvasEventType::Move;
    e.leftHeld = true;
    e.x += 40;
    onCanvasEvent(app, e);
    ASSERT_NE(pixelsOf(*currentImage(app.doc)), before.pixels);
    ui.failAfter = 0;
    e.y += 30;
    onCanvasEvent(app, e);
    EXPECT_EQ(ui.failAfter, -1);
    EXPECT_EQ(ui.messageBoxes().size(), 2u);
    EXPECT_EQ(pixelsOf(*currentImage(app.doc)), before.pixels);
    e.type = CanvasEventType::LeftUp;
    onCanvasEvent(app, e);
    EXPECT_FALSE(app.history.isOpen());

    onMenuCommand(app, id(Cmd::NewLayer));  // and the program goes on
    EXPECT_EQ(app.doc.layers.size(), layers + 1);
    EXPECT_TRUE(app.history.canUndo());
}

}  // namespace
}  // namespace qm::test

namespace qm::test {

// Adding a group selects it, but a stroke after it still lands on the layer that was current;
// and undoing the group's addition keeps it so.
TEST_F(HistoryCommands, AStrokeAfterAddingAGroupPaintsTheLayer) {
    const Image before = app.doc.layers[0].image.toImage();
    control(Gadget::AddGroup, 0, ControlEventType::Click);
    ASSERT_EQ(app.doc.layers.size(), 2u);
    EXPECT_EQ(app.doc.layers[1].Selected, 1);
    stroke(10, 10, 50, 30);
    EXPECT_NE(pixelsOf(app.doc.layers[0].image), before.pixels);
    menu(Cmd::Undo);
    menu(Cmd::Undo);
    EXPECT_EQ(app.doc.layers.size(), 1u);
    EXPECT_EQ(currentImage(app.doc), &app.doc.layers[0].image);
}

// A new document names its first animation layer from 1 again.
TEST_F(HistoryCommands, EveryNewDocumentStartsItsAnimationLayerNamesAtOne) {
    newDocument("32", "32");
    newDocument("32", "32");
    ASSERT_EQ(app.doc.animationLayers.size(), 1u);
    EXPECT_EQ(app.doc.animationLayers.begin()->second.Name, "Layer Normal1");
}

}  // namespace qm::test
