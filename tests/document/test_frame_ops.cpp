// Drawings and holds: which drawing a frame shows, the frame operations on an animation layer's
// row with their edges, painting into drawings, and every operation undone and redone.
#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "document/animation_frames.h"
#include "document/document_ops.h"
#include "document/frame_ops.h"
#include "document/history.h"
#include "support/pixels.h"

namespace qm {
namespace {

// Rows are written one character a frame from frame 1: an upper-case letter starts a drawing
// whose image has that letter in its red channel, the same letter in lower case holds it, "."
// shows nothing. A drawing made by the operations (transparent) shows as "N" / "n".
constexpr char kBlank = 'N';

AnimationFrame frameOf(char letter, int start, int hold) {
    AnimationFrame f;
    f.image = *createImage(4, 3, 32);
    f.image.at(0, 0) = rgba(uint32_t(letter), 0, 0, 255);
    f.Frame = int16_t(start);
    f.Hold = int16_t(hold);
    return f;
}

// A 4 x 3 document of `total` frames whose animation layer "2" holds `row`.
Document documentWithRow(const std::string& row, int total = 8) {
    Document doc;
    doc.Width = 4;
    doc.Height = 3;
    doc.FrameTotal = int16_t(total);
    EXPECT_TRUE(addAnimationLayer(doc, 0));
    AnimationLayer& layer = doc.animationLayers.at("2");
    for (size_t i = 0; i < row.size(); ++i) {
        if (!std::isupper(static_cast<unsigned char>(row[i]))) continue;
        size_t end = i + 1;
        while (end < row.size() && row[end] == std::tolower(row[i])) ++end;
        layer.Frames.push_back(frameOf(row[i], int(i) + 1, int(end - i)));
        layer.Frames.back().id = doc.nextFrameId++;
    }
    return doc;
}

char letterOf(const AnimationFrame& f) {
    const uint32_t r = red(f.image.at(0, 0));
    return r == 0 ? kBlank : char(r);
}

// The row as the rule shows it, up to the last frame that shows something.
std::string rowOf(const Document& doc, const std::string& key = "2") {
    const AnimationLayer& layer = doc.animationLayers.at(key);
    std::string row;
    for (int f = 1; f <= kLastFrameNumber; ++f) {
        const auto shown = shownDrawing(layer, f);
        if (!shown) {
            row += '.';
            continue;
        }
        const AnimationFrame* top = nullptr;
        for (const AnimationFrame& frame : layer.Frames)
            if (frame.Frame == shown->start) top = &frame;
        const char letter = letterOf(*top);
        row += shown->start == f ? letter : char(std::tolower(letter));
        if (f > 64) break;
    }
    return row.substr(0, row.find_last_not_of('.') + 1);
}

// Everything of the animation an operation may change, ids and pixels included.
std::string fingerprint(const Document& doc, const ViewState& view) {
    std::ostringstream out;
    out << view.CurrentFrame;
    for (const auto& [key, layer] : doc.animationLayers)
        for (const AnimationFrame& f : layer.Frames) {
            out << " [" << key << ' ' << f.id << ' ' << f.Frame << '+' << f.Hold << ' ' << f.X
                << ',' << f.Y << ':';
            for (uint32_t p : pixelsOf(f.image)) out << std::hex << p << ' ' << std::dec;
            out << ']';
        }
    return out.str();
}

TEST(Drawings, EachFrameShowsTheDrawingHeldThere) {
    Document doc = documentWithRow("Aaa.B.Cc");
    ViewState view;
    const AnimationLayer& layer = doc.animationLayers.at("2");
    //               frame: 0  1  2  3  4  5  6  7  8  9
    const int expected[] = {0, 1, 1, 1, 4, 5, 6, 7, 7, 9};
    for (int f = 0; f <= 9; ++f) EXPECT_EQ(shownFrameNumber(layer, f), expected[f]) << f;
    EXPECT_EQ(shownDrawing(layer, 3), (Drawing{1, 3}));
    EXPECT_FALSE(shownDrawing(layer, 4));
    EXPECT_EQ(drawingsOf(layer), (std::vector<Drawing>{{1, 3}, {5, 1}, {7, 2}}));
}

// Several frames on one number are one drawing: shown together (so the canvas draws them all,
// in list order), held by the longest hold among them; a drawing that starts inside another's
// hold (an import there) wins from its start on.
TEST(Drawings, StacksAndOverlapsFollowTheRule) {
    Document doc = documentWithRow("Aa");
    ViewState view;
    AnimationLayer& layer = doc.animationLayers.at("2");
    layer.Frames.push_back(frameOf('B', 1, 1));
    EXPECT_EQ(shownDrawing(layer, 2), (Drawing{1, 2}));
    EXPECT_EQ(rowOf(doc), "Bb");  // the last frame of the stack is on top

    Document overlap = documentWithRow("Aaaaa");
    overlap.animationLayers.at("2").Frames.push_back(frameOf('C', 3, 1));
    EXPECT_EQ(rowOf(overlap), "AaCaa");
    normalizeHolds(overlap.animationLayers.at("2"));
    EXPECT_EQ(rowOf(overlap), "AaC");

    AnimationLayer odd;
    odd.Frames = {frameOf('A', -4, 0), frameOf('B', 32767, 500), frameOf('C', 9, 3),
                  frameOf('D', 9, 5)};
    normalizeHolds(odd);
    EXPECT_EQ(odd.Frames[0].Frame, 1);
    EXPECT_EQ(odd.Frames[0].Hold, 1);
    EXPECT_EQ(odd.Frames[1].Hold, 1);
    EXPECT_EQ(odd.Frames[2].Hold, 5);  // one hold for the drawing at 9
    EXPECT_EQ(odd.Frames[3].Hold, 5);
}

using Op = std::function<bool(Document&, const ViewState&, History&)>;

Op at(bool (*op)(Document&, const ViewState&, History&, std::string_view)) {
    return [op](Document& d, const ViewState& v, History& h) { return op(d, v, h, "2"); };
}
Op move(int from, int to) {
    return [=](Document& d, const ViewState& v, History& h) {
        return moveDrawing(d, v, h, "2", from, to);
    };
}
Op copy(int from, int to) {
    return [=](Document& d, const ViewState& v, History& h) {
        return copyDrawing(d, v, h, "2", from, to);
    };
}

// Each operation on a row of 8 frames: the row it leaves (the same row when refused), and
// through the history one undo step that gives back the document bit for bit, and a redo that
// gives the result again.
TEST(FrameOps, EditTheRowAndUndoExactly) {
    const struct {
        const char* name;
        const char* row;
        int frame;
        Op op;
        const char* after;  // nullptr: refused
    } cases[] = {
        {"new blank in a hold", "Aaa.B", 2, at(newBlankDrawing), "ANn.B"},
        {"new blank in a gap", "Aaa.B", 4, at(newBlankDrawing), "AaaNB"},
        {"new blank on a drawing", "Aaa.B", 1, at(newBlankDrawing), nullptr},
        {"new blank past the end", "Aaa.B", 9, at(newBlankDrawing), nullptr},
        {"copy in a hold", "Aaa.B", 3, at(copyShownDrawing), "AaA.B"},
        {"copy in a gap", "Aaa.B", 4, at(copyShownDrawing), nullptr},
        {"copy on its start", "Aaa.B", 1, at(copyShownDrawing), nullptr},
        {"hold longer", "Aaa.Bb", 2, at(holdLonger), "Aaaa.Bb"},
        {"hold longer at the end", "Aaa.Bbbb", 2, at(holdLonger), nullptr},
        {"hold the last longer", "Aaa.Bbb", 6, at(holdLonger), "Aaa.Bbbb"},
        {"hold longer in a gap", "Aaa.B", 4, at(holdLonger), nullptr},
        {"hold shorter", "Aaa.B.C", 3, at(holdShorter), "Aa.B.C"},
        {"hold shorter at 1", "A.B", 1, at(holdShorter), nullptr},
        {"insert in a hold", "Aaa.B", 2, at(insertFrame), "Aaaa.B"},
        {"insert on a start", "Aaa.B", 1, at(insertFrame), ".Aaa.B"},
        {"insert in a gap", "Aaa.B", 4, at(insertFrame), "Aaa..B"},
        {"insert after everything", "Aaa.B", 6, at(insertFrame), nullptr},
        {"insert pushing past the end", "Aaa.Bbbb", 4, at(insertFrame), nullptr},
        {"remove in a hold", "Aaa.B", 2, at(removeFrame), "Aa.B"},
        {"remove a one-frame drawing", "A.B", 1, at(removeFrame), ".B"},
        {"remove a gap", "Aaa..B", 4, at(removeFrame), "Aaa.B"},
        {"remove after everything", "Aaa.B", 6, at(removeFrame), nullptr},
        {"delete", "Aaa.B", 2, at(deleteShownDrawing), "....B"},
        {"delete in a gap", "Aaa.B", 4, at(deleteShownDrawing), nullptr},
        {"move into a gap", "A.B", 1, move(1, 2), ".AB"},
        {"move by its hold", "Aa..B", 2, move(2, 2), ".Aa.B"},
        {"move shortened by the next", "Aaa..B", 1, move(1, 5), "....AB"},
        {"move onto a drawing", "Aa.B", 1, move(1, 4), nullptr},
        {"move onto a held frame", "A.Bbb", 1, move(1, 4), nullptr},
        {"move where it starts", "Aa.B", 1, move(2, 1), nullptr},
        {"move past the end", "Aa.B", 1, move(1, 9), nullptr},
        {"move from a gap", "Aa.B", 1, move(3, 5), nullptr},
        {"copy into a gap", "Aa..B", 1, copy(2, 3), "AaAaB"},
        {"copy shortened to the end", "Aaa", 1, copy(1, 7), "Aaa...Aa"},
        {"copy onto itself", "Aaa.B", 1, copy(1, 2), nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Document doc = documentWithRow(c.row);
        ViewState view;
        view.CurrentFrame = int16_t(c.frame);
        const std::string before = fingerprint(doc, view);
        History history;
        history.begin(c.name);
        const bool done = c.op(doc, view, history);
        const bool stepped = history.commit(doc, view);
        EXPECT_EQ(done, c.after != nullptr);
        EXPECT_EQ(stepped, done);
        EXPECT_EQ(rowOf(doc), c.after ? c.after : c.row);
        if (!done) {
            EXPECT_EQ(fingerprint(doc, view), before);
            continue;
        }
        const std::string after = fingerprint(doc, view);
        ASSERT_TRUE(history.undo(doc, view));
        EXPECT_EQ(fingerprint(doc, view), before);
        ASSERT_TRUE(history.redo(doc, view));
        EXPECT_EQ(fingerprint(doc, view), after);
    }
}

// Operations on a drawing of several frames act on all of them.
TEST(FrameOps, AStackMovesAndHoldsTogether) {
    Document doc = documentWithRow("Aa.B");
    ViewState view;
    AnimationLayer& layer = doc.animationLayers.at("2");
    layer.Frames.push_back(frameOf('C', 1, 2));
    History history;
    history.begin("frames");
    view.CurrentFrame = 2;
    ASSERT_TRUE(holdLonger(doc, view, history, "2"));
    EXPECT_EQ(rowOf(doc), "Ccc.B");
    ASSERT_TRUE(copyShownDrawing(doc, view, history, "2"));
    EXPECT_EQ(rowOf(doc), "CCc.B");
    EXPECT_EQ(layer.Frames.size(), 5u);  // both frames were copied
    ASSERT_TRUE(deleteShownDrawing(doc, view, history, "2"));
    EXPECT_EQ(rowOf(doc), "C...B");
    EXPECT_EQ(layer.Frames.size(), 3u);
}

TEST(FrameOps, MovingThroughFramesAndDrawingsStopsAtTheEnds) {
    Document doc = documentWithRow("..Aaa.B", 10);
    ViewState view;
    const struct {
        bool (*op)(const Document&, ViewState&);
        int from, to;  // to == from: refused
    } frames[] = {
        {nextFrame, 1, 2},     {nextFrame, 10, 10},   {nextFrame, 0, 1},       {nextFrame, 40, 40},
        {previousFrame, 5, 4}, {previousFrame, 1, 1}, {previousFrame, 40, 10},
    };
    for (const auto& c : frames) {
        view.CurrentFrame = int16_t(c.from);
        EXPECT_EQ(c.op(doc, view), c.to != c.from) << c.from;
        EXPECT_EQ(view.CurrentFrame, c.to) << c.from;
    }
    const struct {
        bool (*op)(Document&, ViewState&, std::string_view);
        int from, to;
    } drawings[] = {
        {nextDrawing, 1, 3},     {nextDrawing, 4, 7},     {nextDrawing, 7, 7},
        {previousDrawing, 7, 3}, {previousDrawing, 6, 3}, {previousDrawing, 5, 5},
        {previousDrawing, 3, 3},
    };
    for (const auto& c : drawings) {
        view.CurrentFrame = int16_t(c.from);
        EXPECT_EQ(c.op(doc, view, "2"), c.to != c.from) << c.from;
        EXPECT_EQ(view.CurrentFrame, c.to) << c.from;
    }
    EXPECT_FALSE(nextDrawing(doc, view, "9"));  // no such layer
    // A drawing past FrameTotal is not reached.
    doc.FrameTotal = 6;
    view.CurrentFrame = 4;
    EXPECT_FALSE(nextDrawing(doc, view, "2"));
}

// Painting at the current frame, in each mode of the preference.
TEST(FrameOps, TheDrawingToPaintFollowsTheMode) {
    const struct {
        const char* row;
        int frame;
        NewDrawingMode mode;
        const char* after;
        char painted;  // letter of the frame returned; 0: none
    } cases[] = {
        {"Aaa", 1, NewDrawingMode::NewBlank, "Aaa", 'A'},  // a drawing starts here
        {"Aaa", 2, NewDrawingMode::PaintHeld, "Aaa", 'A'},
        {"Aaa", 2, NewDrawingMode::NewBlank, "ANn", kBlank},
        {"Aaa", 3, NewDrawingMode::CopyHeld, "AaA", 'A'},
        {"Aaa", 5, NewDrawingMode::CopyHeld, "Aaa.N", kBlank},  // nothing shows: a new one
        {"Aaa", 5, NewDrawingMode::PaintHeld, "Aaa.N", kBlank},
        {"Aaa", 9, NewDrawingMode::PaintHeld, "Aaa", 0},  // past FrameTotal
        {"Aaa", 0, NewDrawingMode::PaintHeld, "Aaa", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.row) + " at " + std::to_string(c.frame));
        Document doc = documentWithRow(c.row);
        ViewState view;
        view.CurrentFrame = int16_t(c.frame);
        History history;
        history.begin("stroke");  // the stroke's edit, which the drawing joins
        const size_t framesBefore = doc.animationLayers.at("2").Frames.size();
        AnimationFrame* frame = drawingToPaint(doc, view, history, "2", c.mode);
        EXPECT_EQ(rowOf(doc), c.after);
        if (!c.painted) {
            EXPECT_EQ(frame, nullptr);
            continue;
        }
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(letterOf(*frame), c.painted);
        EXPECT_NE(frame->id, 0u);
        EXPECT_EQ(frameById(doc, frame->id), frame);
        const bool made = doc.animationLayers.at("2").Frames.size() != framesBefore;
        EXPECT_EQ(frame->Frame == c.frame, made || c.frame == 1);
    }
    Document doc = documentWithRow("A");
    ViewState view;
    History history;
    EXPECT_EQ(drawingToPaint(doc, view, history, "7", NewDrawingMode::PaintHeld), nullptr);
}

// A stroke where no drawing shows makes one: the drawing and the stroke are one undo step, and
// painting into a held drawing keeps only the touched tiles.
TEST(FrameOps, PaintingIntoADrawingIsOneUndoStep) {
    Document doc = documentWithRow("Aaa");
    ViewState view;
    doc.Width = 200;
    doc.Height = 150;
    view.CurrentFrame = 5;
    const std::string before = fingerprint(doc, view);
    History history;
    history.begin("stroke");
    AnimationFrame* frame = drawingToPaint(doc, view, history, "2", NewDrawingMode::PaintHeld);
    ASSERT_NE(frame, nullptr);
    const uint32_t id = frame->id;
    history.touchFramePixels(doc, id, Rect{10, 10, 5, 5});
    frame->image.at(12, 12) = 0xFF00FF00u;
    ASSERT_TRUE(history.commit(doc, view));
    EditChanges changes = history.takeChanges();
    EXPECT_TRUE(changes.animation);
    EXPECT_EQ(changes.framePixels.at(id), (Rect{10, 10, 5, 5}));
    const std::string painted = fingerprint(doc, view);
    ASSERT_TRUE(history.undo(doc, view));
    EXPECT_EQ(fingerprint(doc, view), before);
    ASSERT_TRUE(history.redo(doc, view));
    EXPECT_EQ(fingerprint(doc, view), painted);
    EXPECT_EQ(frameById(doc, id)->image.at(12, 12), 0xFF00FF00u);

    // Into the held drawing: its pixels come back on undo, the frames stay.
    view.CurrentFrame = 2;
    AnimationFrame* held = drawingToPaint(doc, view, history, "2", NewDrawingMode::PaintHeld);
    ASSERT_NE(held, nullptr);
    const std::string unpainted = fingerprint(doc, view);
    history.begin("stroke");
    history.touchFramePixels(doc, held->id, Rect{0, 0, 2, 2});
    held->image.at(1, 1) = 0xFFFFFFFFu;
    ASSERT_TRUE(history.commit(doc, view));
    EXPECT_LT(history.lastStepBytes(), size_t(64 * 64 * 4 + 1024));
    ASSERT_TRUE(history.undo(doc, view));
    EXPECT_EQ(fingerprint(doc, view), unpainted);
}

}  // namespace
}  // namespace qm
