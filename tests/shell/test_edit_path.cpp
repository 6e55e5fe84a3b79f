// Every change of the document goes through an edit: a write outside one is lost to undo. A
// seeded run of events with a deep history, undone to the end, must give back the document it
// started from; an action that changes nothing leaves the document unmodified.
#include <cstdint>
#include <functional>
#include <sstream>
#include <string>

#include "random_events.h"
#include "shell/commands/recovery.h"
#include "shell/edits.h"
#include "shell/state/recovery_state.h"
#include "support/pixels.h"

namespace qm::test {
namespace {

uint64_t pixelHash(const Image& image) {
    uint64_t h = 1469598103934665603ull;
    const auto mix = [&h](uint64_t v) {
        h ^= v;
        h *= 1099511628211ull;
    };
    mix(uint64_t(image.width));
    mix(uint64_t(image.height));
    mix(uint64_t(image.depth));
    for (uint32_t p : image.pixels) mix(p);
    return h;
}

// What undo must give back: the size, the counters, every layer with its pixels and every
// animation layer with its frames. Left out: what is chosen (the selected layer, the paint
// target, the current animation layer and frame), the view, frame ids (given as frames are
// first recorded) and the settings changed without a step (frames per second, the frame total,
// the paper).
std::string fingerprint(const Document& doc) {
    std::ostringstream out;
    out << "size " << doc.Width << "x" << doc.Height << " layers " << doc.LayerCounter << " groups "
        << int(doc.GroupCount) << " kinds";
    for (int k : doc.kindCounters) out << ' ' << k;
    out << '\n';
    for (const Layer& l : doc.layers) {
        out << "layer " << l.id << " '" << l.Name << "' at " << l.X << ',' << l.Y << " size "
            << l.Width << 'x' << l.Height << " pos " << int(l.Position) << " indent " << l.Groupe
            << " group " << int(l.IsGroup) << " frame " << l.Frame << " blend " << int(l.Blendmode)
            << " opacity " << int(l.Opacity) << " visible " << int(l.Visible) << " locks "
            << int(l.Locked) << int(l.LockAlpha) << int(l.Paint) << " pixels "
            << pixelHash(l.image.toImage()) << '\n';
    }
    for (const auto& [key, a] : doc.animationLayers) {
        out << "animation " << key << " '" << a.Name << "' order " << int(a.Order) << " kind "
            << int(a.Kind) << " colour " << a.Color << " shown " << int(a.Shown) << " flag "
            << int(a.Flag2) << " alpha " << int(a.Alpha) << '\n';
        for (const AnimationFrame& f : a.Frames)
            out << "  frame " << f.Frame << " hold " << f.Hold << " at " << f.X << ',' << f.Y
                << " pixels " << pixelHash(f.image.toImage()) << '\n';
    }
    return out.str();
}

class EditPath : public RandomEventTest, public ::testing::WithParamInterface<uint32_t> {};

// The document after any run of edits, undone step by step to the start, is the document the
// run started with: every write went through the history.
TEST_P(EditPath, UndoingEveryStepGivesBackTheStartingDocument) {
    keepDocument = true;
    rng.seed(GetParam());
    app.prefs.Undo = 255;
    applyHistoryLimits(app);
    const std::string start = fingerprint(app.doc);
    int events = 0;
    for (; events < 2000 && app.history.undoSteps() < 250; ++events) {
        randomEvent();
        app.QuitRequested = false;
        ASSERT_EQ(app.prefs.Undo, 255) << "event " << events;
    }
    canvas(CanvasEventType::LeftUp, 0, 0);
    ASSERT_LT(app.history.undoSteps(), 255u) << "the oldest steps were dropped";
    while (app.history.canUndo()) menu(Cmd::Undo);
    EXPECT_EQ(fingerprint(app.doc), start) << "after " << events << " events";
}

INSTANTIATE_TEST_SUITE_P(Seeds, EditPath, ::testing::Values(11u, 2026u, 90210u));

class EditMarks : public ShellTest {
protected:
    // A new document of `layers` layers, unmodified, with no step and its recovery copy current.
    void startWith(size_t layers) {
        newDocument("64", "48");
        while (app.doc.layers.size() < layers) menu(Cmd::NewLayer);
        while (app.doc.layers.size() > layers) menu(Cmd::Deletelayer);
        ASSERT_EQ(app.doc.layers.size(), layers);
        startHistory(app);
        app.prefs.autosave = 1;
        app.recovery.copiedGeneration = app.editGeneration;
        ASSERT_EQ(recoveryWaitMs(app), -1);
    }
};

// An action the document refuses makes no step: the document is not marked modified and no
// recovery copy falls due. The last rows are accepted, to show the checks can fail.
TEST_F(EditMarks, RefusedActionsLeaveTheDocumentUnmodified) {
    const struct {
        const char* name;
        size_t layers;
        std::function<void()> act;
        bool changes;
    } cases[] = {
        {"move the top layer up", 2,
         [this] {
             control(Gadget::LayerTree, 0, ControlEventType::Click);
             control(Gadget::MoveLayerTop, 0, ControlEventType::Click);
         },
         false},
        {"move the bottom layer down", 2,
         [this] {
             control(Gadget::LayerTree, 1, ControlEventType::Click);
             control(Gadget::MoveLayerBottom, 0, ControlEventType::Click);
         },
         false},
        {"delete the only layer", 1, [this] { menu(Cmd::Deletelayer); }, false},
        {"the blend mode it already has", 1,
         [this] { control(Gadget::LayerBlendMode, selectedLayer(app.doc)->Blendmode); }, false},
        {"move a layer", 2,
         [this] {
             control(Gadget::LayerTree, 1, ControlEventType::Click);
             control(Gadget::MoveLayerTop, 0, ControlEventType::Click);
         },
         true},
        {"a new layer", 1, [this] { menu(Cmd::NewLayer); }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(startWith(c.layers));
        c.act();
        EXPECT_EQ(app.Modified, c.changes);
        EXPECT_EQ(recoveryWaitMs(app) != -1, c.changes);
        EXPECT_EQ(app.history.undoSteps(), c.changes ? 1u : 0u);
    }
}

// A stroke is one step, made on the release: the document is marked then, and only then does a
// recovery copy fall due.
TEST_F(EditMarks, AStrokeMarksTheDocumentOnItsRelease) {
    ASSERT_NO_FATAL_FAILURE(startWith(1));
    menu(Cmd::Brush);
    const int x = app.ViewOffsetX + 10, y = app.ViewOffsetY + 10;
    canvas(CanvasEventType::LeftDown, x, y);
    canvas(CanvasEventType::Move, x + 20, y + 15, false, false, true);
    EXPECT_FALSE(app.Modified);
    EXPECT_EQ(recoveryWaitMs(app), -1);
    canvas(CanvasEventType::LeftUp, x + 20, y + 15);
    EXPECT_TRUE(app.Modified);
    EXPECT_NE(recoveryWaitMs(app), -1);
    EXPECT_EQ(app.history.undoSteps(), 1u);
}

// Undo in the middle of a drag takes back the drag so far; the rest of the drag is a step of its
// own, made on the release, for every tool that writes while the button is held.
TEST_F(EditMarks, AnUndoInTheMiddleOfADragLeavesTheRestOneStep) {
    for (const Cmd tool : {Cmd::Brush, Cmd::RadialSpeedLine}) {
        SCOPED_TRACE(int(tool));
        ASSERT_NO_FATAL_FAILURE(startWith(1));
        const auto start = pixelsOf(app.doc.layers[0].image);
        menu(tool);
        const int x = app.ViewOffsetX + 10, y = app.ViewOffsetY + 10;
        canvas(CanvasEventType::LeftDown, x, y);
        canvas(CanvasEventType::Move, x + 20, y + 10, false, false, true);
        ASSERT_NE(pixelsOf(app.doc.layers[0].image), start);
        CanvasEvent undoKey;
        undoKey.type = CanvasEventType::KeyDown;
        undoKey.key = 'Z';
        undoKey.ctrl = true;
        onCanvasEvent(app, undoKey);
        EXPECT_EQ(pixelsOf(app.doc.layers[0].image), start);
        canvas(CanvasEventType::Move, x + 30, y + 25, false, false, true);
        canvas(CanvasEventType::LeftUp, x + 30, y + 25);
        EXPECT_NE(pixelsOf(app.doc.layers[0].image), start);
        EXPECT_EQ(app.history.undoSteps(), 1u);
        EXPECT_FALSE(app.history.canRedo());
        menu(Cmd::Undo);
        EXPECT_EQ(pixelsOf(app.doc.layers[0].image), start);
    }
}

}  // namespace
}  // namespace qm::test
