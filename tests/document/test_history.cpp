// History: every kind of edit undone and redone bit for bit, the limits, and the tiles it keeps.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "document/document_ops.h"
#include "document/frame_ops.h"
#include "document/history.h"
#include "document/layer_ops.h"
#include "raster/shapes.h"
#include "raster/tile_pool.h"
#include "support/pixels.h"

namespace qm {
namespace {

// Everything an edit may change, written out: properties, order, ids, the selection, pixels,
// sizes and the animation layers with their frames.
std::string fingerprint(const Document& doc) {
    std::ostringstream out;
    out << doc.Width << 'x' << doc.Height << " lc" << doc.LayerCounter << " gc" << int(doc.GroupCount)
        << " al" << int(doc.AnimationLayerId);
    for (int k : doc.kindCounters) out << ',' << k;
    for (const Layer& l : doc.layers) {
        out << "\n#" << l.id << ' ' << l.Name << " p" << int(l.Position) << " s" << int(l.Selected)
            << " g" << int(l.IsGroup) << ' ' << l.X << ',' << l.Y << ' ' << l.Width << 'x'
            << l.Height << " b" << int(l.Blendmode) << " o" << int(l.Opacity) << " v"
            << int(l.Visible) << " k" << int(l.Locked) << int(l.LockAlpha) << int(l.Paint)
            << " f" << l.Frame << " i" << l.image.width << 'x' << l.image.height << ':';
        for (uint32_t p : pixelsOf(l.image)) out << std::hex << p << ' ' << std::dec;
    }
    for (const auto& [key, a] : doc.animationLayers) {
        out << "\nA" << key << ' ' << a.Name << ' ' << int(a.Kind) << ' ' << a.Frames.size();
        for (const AnimationFrame& f : a.Frames) {
            out << " F" << f.Frame << '+' << f.Hold << ':';
            for (uint32_t p : pixelsOf(f.image)) out << std::hex << p << ' ' << std::dec;
        }
    }
    return out.str();
}

Document smallDocument() {
    Document doc;
    doc.Width = 23;
    doc.Height = 17;
    addAnimationLayer(doc, 0);
    addAnimationFrame(doc, 1);
    addLayer(doc, 1);
    addLayer(doc, 1);
    return doc;
}

// One random edit of one kind, through the history as the program makes it.
struct Editor {
    Document& doc;
    ViewState& view;
    History& history;
    std::mt19937& rng;

    int pick(int n) { return n > 0 ? int(rng() % uint32_t(n)) : 0; }
    Layer* anyLayer() { return doc.layers.empty() ? nullptr : &doc.layers[size_t(pick(int(doc.layers.size())))]; }

    void paint() {
        Layer* layer = anyLayer();
        if (!layer || layer->image.empty()) return;
        const Image& image = layer->image.toImage();
        const Rect r{pick(image.width + 8) - 4, pick(image.height + 8) - 4, 1 + pick(12), 1 + pick(12)};
        history.touchPixels(doc, layer->id, r);
        const Rect c = intersect(r, Rect{0, 0, image.width, image.height});
        for (int y = c.y; y < c.bottom(); ++y)
            for (int x = c.x; x < c.right(); ++x) layer->image.at(x, y) = rng();
    }
    // Clears a layer to 0 (the eraser through the whole layer), so tiles turn empty and back.
    void clearLayer() {
        Layer* layer = anyLayer();
        if (!layer || layer->image.empty()) return;
        history.touchPixels(doc, layer->id, Rect{0, 0, layer->image.width, layer->image.height});
        {
            Image whole = layer->image.toImage();
            std::fill(whole.pixels.begin(), whole.pixels.end(), 0u);
            layer->image = whole;
        }
    }
    void structural(const std::function<void()>& change) {
        history.structure(doc);
        change();
    }
    void deleteLayer() {
        history.structure(doc);
        Layer removed;
        if (deleteSelectedLayer(doc, &removed)) history.keepImage(removed.id, std::move(removed.image));
    }
    void resize() {
        history.structure(doc);
        const int oldWidth = doc.Width, oldHeight = doc.Height;
        doc.Width = int16_t(10 + pick(30));
        doc.Height = int16_t(10 + pick(30));
        const int quality = pick(2), mode = pick(2);
        for (Layer& layer : doc.layers)
            if (auto image = resizedLayerImage(doc, layer, oldWidth, oldHeight, quality, mode)) {
                history.replaceImage(doc, layer.id, tiledFrom(*image));
                if (mode == 0)
                    scaleLayerPlacement(layer, oldWidth, oldHeight, doc.Width, doc.Height);
            }
    }
    void animation() {
        const int kind = pick(4);
        if (kind < 2) {
            history.animation(doc, view);
            if (kind == 0) {
                addAnimationLayer(doc, pick(6));
            } else {
                view.CurrentFrame = int16_t(1 + pick(5));
                addAnimationFrame(doc, view.CurrentFrame);
            }
        } else if (kind == 2) {
            frameOp();
        } else {
            paintDrawing();
        }
    }
    // An edit of the current animation layer's row; the operations declare themselves.
    void frameOp() {
        doc.FrameTotal = 12;
        view.CurrentFrame = int16_t(1 + pick(12));
        const std::string key = currentAnimationLayerKey(doc);
        switch (pick(9)) {
            case 0:
                newBlankDrawing(doc, view, history, key);
                break;
            case 1:
                copyShownDrawing(doc, view, history, key);
                break;
            case 2:
                holdLonger(doc, view, history, key);
                break;
            case 3:
                holdShorter(doc, view, history, key);
                break;
            case 4:
                insertFrame(doc, view, history, key);
                break;
            case 5:
                removeFrame(doc, view, history, key);
                break;
            case 6:
                deleteShownDrawing(doc, view, history, key);
                break;
            case 7:
                moveDrawing(doc, view, history, key, 1 + pick(12), 1 + pick(12));
                break;
            case 8:
                copyDrawing(doc, view, history, key, 1 + pick(12), 1 + pick(12));
                break;
        }
    }
    // A stroke into the drawing at the current frame, made first where none shows.
    void paintDrawing() {
        doc.FrameTotal = 12;
        view.CurrentFrame = int16_t(1 + pick(12));
        AnimationFrame* frame = drawingToPaint(doc, view, history, currentAnimationLayerKey(doc),
                                               NewDrawingMode(pick(3)));
        if (!frame || frame->image.empty()) return;
        const Rect r{pick(frame->image.width), pick(frame->image.height), 1 + pick(8), 1 + pick(8)};
        history.touchFramePixels(doc, frame->id, r);
        const Rect c = intersect(r, Rect{0, 0, frame->image.width, frame->image.height});
        for (int y = c.y; y < c.bottom(); ++y)
            for (int x = c.x; x < c.right(); ++x) frame->image.at(x, y) = rng();
    }

    void randomEdit() {
        history.begin("edit");
        const int kinds = pick(3) + 1;  // some steps hold several records
        for (int k = 0; k < kinds; ++k) {
            switch (pick(15)) {
                case 0: case 1: case 2: paint(); break;
                case 3:
                    structural([&] { addLayer(doc, view.CurrentFrame); });
                    break;
                case 4: deleteLayer(); break;
                case 5: structural([&] { copySelectedLayer(doc); }); break;
                case 6: structural([&] { moveSelectedLayer(doc, pick(2)); }); break;
                case 7: structural([&] { renameLayer(doc, pick(int(doc.layers.size())), "n" + std::to_string(pick(99))); }); break;
                case 8: structural([&] { setSelectedOpacity(doc, pick(256)); setSelectedBlendmode(doc, pick(15)); }); break;
                case 9: structural([&] { setLayerVisible(doc, pick(int(doc.layers.size())), pick(2)); if (Layer* l = anyLayer()) { l->Locked = uint8_t(pick(2)); l->X = int16_t(pick(9) - 4); } }); break;
                case 10:
                    structural([&] { addGroup(doc, view.CurrentFrame); });
                    break;
                case 11: structural([&] { selectLayerRow(doc, pick(int(doc.layers.size()))); }); break;
                case 12: resize(); break;
                case 13: animation(); break;
                case 14:
                    clearLayer();
                    break;
            }
        }
        history.commit(doc, view);
    }
};

// A seeded run of a few hundred edits of every kind: undoing to the start gives the start state
// bit for bit, redoing to the end gives the end, and undo, redo and new edits interleaved agree
// with a plain model (the list of states and a cursor into it).
TEST(History, RandomEditsUndoAndRedoLikeAPlainModel) {
    for (uint32_t seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        std::mt19937 rng(seed);
        Document doc = smallDocument();
        History history;
        ViewState view;
        history.setLimits(100000, size_t(1) << 40);
        Editor editor{doc, view, history, rng};

        std::vector<std::string> states{fingerprint(doc)};
        size_t cursor = 0;
        for (int i = 0; i < 300; ++i) {
            const int action = editor.pick(10);
            if (action < 2) {
                ASSERT_EQ(history.undo(doc, view), cursor > 0);
                if (cursor > 0) --cursor;
            } else if (action < 3) {
                ASSERT_EQ(history.redo(doc, view), cursor + 1 < states.size());
                if (cursor + 1 < states.size()) ++cursor;
            } else {
                editor.randomEdit();
                const std::string now = fingerprint(doc);
                // An edit that changed nothing makes no step, or (when what it went through
                // cannot tell) a step that undoes to the same state.
                if (now == states[cursor] && history.undoSteps() == cursor) continue;
                states.resize(cursor + 1);
                states.push_back(now);
                ++cursor;
            }
            ASSERT_EQ(fingerprint(doc), states[cursor]) << "after action " << i;
            ASSERT_EQ(history.undoSteps(), cursor);
            ASSERT_EQ(history.redoSteps(), states.size() - 1 - cursor);
        }
        while (history.undo(doc, view)) {
        }
        EXPECT_EQ(fingerprint(doc), states.front());
        while (history.redo(doc, view)) {
        }
        EXPECT_EQ(fingerprint(doc), states.back());
    }
}

TEST(History, StepLimitAndByteLimitDropTheOldestSteps) {
    Document doc = smallDocument();
    History history;
    ViewState view;
    history.setLimits(3);
    std::vector<std::string> states{fingerprint(doc)};
    for (int i = 0; i < 5; ++i) {
        history.begin("paint");
        history.touchPixels(doc, doc.layers[0].id, Rect{0, 0, 23, 17});
        doc.layers[0].image.at(i, 0) = 0xFF000000u | uint32_t(i + 1);
        history.commit(doc, view);
        states.push_back(fingerprint(doc));
    }
    EXPECT_EQ(history.undoSteps(), 3u);
    while (history.undo(doc, view)) {
    }
    EXPECT_EQ(fingerprint(doc), states[2]);  // the two oldest steps are gone

    // A budget of about two steps of one full tile each keeps two.
    history.clear();
    history.setLimits(100, 2 * (23 * 17 * 4 + 512));
    for (int i = 0; i < 4; ++i) {
        history.begin("paint");
        history.touchPixels(doc, doc.layers[0].id, Rect{0, 0, 1, 1});
        doc.layers[0].image.at(0, 0) = uint32_t(i + 1);
        history.commit(doc, view);
    }
    EXPECT_EQ(history.undoSteps(), 2u);
    EXPECT_LE(history.bytes(), 2 * (23 * 17 * 4 + 512));
}

// A declaration with no edit open would belong to no step: the program stops there, naming the
// declaration, in every build.
TEST(HistoryDeathTest, DeclaringWithNoEditOpenStops) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const struct {
        const char* name;
        std::function<void(Document&, History&)> declare;
    } cases[] = {
        {"touchPixels",
         [](Document& d, History& h) {
             h.touchPixels(d, d.layers[0].id, Rect{0, 0, 4, 4});
         }},
        {"touchFramePixels",
         [](Document& d, History& h) {
             h.touchFramePixels(d, d.animationLayers.begin()->second.Frames[0].id,
                                Rect{0, 0, 4, 4});
         }},
        {"structure", [](Document& d, History& h) { h.structure(d); }},
        {"replaceImage",
         [](Document& d, History& h) {
             h.replaceImage(d, d.layers[0].id, *TiledImage::create(2, 2));
         }},
        {"animation", [](Document& d, History& h) { h.animation(d, ViewState{}); }},
    };
    for (const auto& c : cases) {
        Document doc = smallDocument();
        History history;
        ViewState view;
        EXPECT_DEATH(c.declare(doc, history),
                     std::string("History::") + c.name + ": no edit is open")
            << c.name;
        // After a commit the edit is closed again.
        history.begin("one");
        history.commit(doc, view);
        EXPECT_DEATH(c.declare(doc, history), "no edit is open") << c.name;
    }
}

// A small stroke on a large layer keeps the few tiles it touches, not the layer.
TEST(History, PixelsAreKeptByTouchedTilesOnly) {
    Document doc;
    doc.Width = 3000;
    doc.Height = 3000;
    addLayer(doc, 1);
    // A painted layer: empty tiles would be kept as flags alone.
    {
        Image whole = doc.layers[0].image.toImage();
        std::fill(whole.pixels.begin(), whole.pixels.end(), 0xFFFFFFFFu);
        doc.layers[0].image = whole;
    }
    History history;
    ViewState view;
    history.begin("stroke");
    for (int x = 700; x < 900; x += 2) {
        history.touchPixels(doc, doc.layers[0].id, Rect{x - 16, 400, 32, 32});
        doc.layers[0].image.at(x, 410) = 0xFF000000u;
    }
    history.commit(doc, view);
    // x 684..915 spans tiles 10..14, y 400..431 spans tile 6: five tiles.
    const size_t tiles = 5 * 64 * 64 * 4;
    EXPECT_GE(history.lastStepBytes(), tiles);
    EXPECT_LE(history.lastStepBytes(), 2 * tiles);
}

// Tiles that were empty (all 0) before the edit are kept as a flag: filling an empty layer keeps
// next to nothing, and undo and redo still give back every pixel, the cut tiles at the right and
// bottom edges included.
TEST(History, EmptyTilesAreKeptAsAFlag) {
    Document doc;
    doc.Width = 1000;
    doc.Height = 700;
    addLayer(doc, 1);
    TiledImage& image = doc.layers[0].image;
    image.at(5, 5) = 0x01000000u;  // one tile that is not empty (alpha 1 only)
    const Image before = image.toImage();
    History history;
    ViewState view;
    history.begin("fill");
    history.touchPixels(doc, doc.layers[0].id, Rect{0, 0, 1000, 700});
    {
        Image whole = image.toImage();
        for (size_t i = 0; i < whole.pixels.size(); ++i)
            whole.pixels[i] = 0xFF000000u | uint32_t(i);
        whole.at(999, 699) = 0;  // the last (cut) tile keeps a zero pixel
        image = whole;
    }
    history.commit(doc, view);
    const Image after = image.toImage();
    EXPECT_LT(history.lastStepBytes(), size_t(200) << 10);  // one tile, not 2.8 MB
    ASSERT_TRUE(history.undo(doc, view));
    EXPECT_EQ(pixelsOf(doc.layers[0].image), before.pixels);
    ASSERT_TRUE(history.redo(doc, view));
    EXPECT_EQ(pixelsOf(doc.layers[0].image), after.pixels);
    ASSERT_TRUE(history.undo(doc, view));
    EXPECT_EQ(pixelsOf(doc.layers[0].image), before.pixels);

    // Writing zeros over empty tiles is no change, and makes no step.
    history.clear();
    history.begin("erase");
    history.touchPixels(doc, doc.layers[0].id, Rect{100, 100, 300, 300});
    {
        Image whole = doc.layers[0].image.toImage();
        std::fill(whole.pixels.begin() + 100 * 1000, whole.pixels.begin() + 101 * 1000, 0u);
        doc.layers[0].image = whole;
    }
    EXPECT_FALSE(history.commit(doc, view));
}

// Deleting a layer keeps it: undo brings it back with its pixels and its identity, and a new
// edit after an undo drops what could have been redone.
TEST(History, UndoingADeleteBringsTheLayerBackAndANewEditDropsRedo) {
    Document doc = smallDocument();
    doc.layers[1].image.at(3, 4) = 0xFF0000FFu;
    const uint32_t id = doc.layers[1].id;
    const std::string before = fingerprint(doc);
    History history;
    ViewState view;
    history.begin("delete");
    history.structure(doc);
    Layer removed;
    ASSERT_TRUE(deleteSelectedLayer(doc, &removed));
    history.keepImage(removed.id, std::move(removed.image));
    history.commit(doc, view);
    ASSERT_EQ(layerById(doc, id), nullptr);
    ASSERT_TRUE(history.undo(doc, view));
    EXPECT_EQ(fingerprint(doc), before);
    ASSERT_NE(layerById(doc, id), nullptr);
    EXPECT_EQ(layerById(doc, id)->image.at(3, 4), 0xFF0000FFu);
    EXPECT_TRUE(history.canRedo());
    history.begin("rename");
    history.structure(doc);
    renameLayer(doc, 0, "x");
    history.commit(doc, view);
    EXPECT_FALSE(history.canRedo());
    // Nested edits are one step; an edit that declares nothing, or changes nothing it declared,
    // makes none.
    history.begin("outer");
    history.begin("inner");
    history.structure(doc);
    renameLayer(doc, 0, "y");
    history.commit(doc, view);
    history.structure(doc);
    renameLayer(doc, 0, "z");
    history.commit(doc, view);
    history.begin("nothing");
    history.commit(doc, view);
    history.begin("same");
    history.structure(doc);
    moveSelectedLayer(doc, 1);
    moveSelectedLayer(doc, 0);
    history.commit(doc, view);
    EXPECT_EQ(history.undoSteps(), 2u);
}

}  // namespace
}  // namespace qm

namespace qm {
namespace {

// A new animation frame keeps no copy of the frames already there: the step holds their places,
// and the new frame's image only once it is undone.
TEST(History, AddingAFrameKeepsNoCopyOfTheOtherFrames) {
    Document doc;
    doc.Width = 500;
    doc.Height = 500;
    addAnimationLayer(doc, 0);
    History history;
    ViewState view;
    for (int f = 1; f <= 4; ++f) {
        view.CurrentFrame = int16_t(f);
        history.begin("frame");
        history.animation(doc, view);
        ASSERT_TRUE(addAnimationFrame(doc, view.CurrentFrame));
        currentAnimationLayer(doc).Frames.back().image.at(f, f) = 0xFF0000FFu;
        history.commit(doc, view);
        EXPECT_LT(history.lastStepBytes(), size_t(16) << 10);  // a frame is 1 MB
    }
    const std::string four = fingerprint(doc);
    ASSERT_TRUE(history.undo(doc, view));
    ASSERT_EQ(currentAnimationLayer(doc).Frames.size(), 3u);
    ASSERT_TRUE(history.redo(doc, view));
    EXPECT_EQ(fingerprint(doc), four);
    EXPECT_EQ(currentAnimationLayer(doc).Frames.back().image.at(4, 4), 0xFF0000FFu);
}

}  // namespace
}  // namespace qm

namespace qm {
namespace {

// The blocks of every tile of an image, row by row (null for a missing tile).
std::vector<const void*> blocksOf(const TiledImage& image) {
    std::vector<const void*> blocks;
    for (int ty = 0; ty < image.rows(); ++ty)
        for (int tx = 0; tx < image.columns(); ++tx)
            blocks.push_back(image.tile(tx, ty).identity());
    return blocks;
}

// A 300 x 200 layer painted on its left half: present tiles there, missing ones to the right.
Document halfPaintedDocument() {
    Document doc;
    doc.Width = 300;
    doc.Height = 200;
    addLayer(doc, 1);
    doc.layers[0].image.forEachWritableTile(Rect{0, 0, 150, 200}, [](PixelView tile) {
        return fillBox(tile, 0, 0, 150, 200, solidPaint(0xC0306090u, DrawMode::AllChannels));
    });
    return doc;
}

// A circle painted as the brush paints: declared, then drawn into every tile under it.
void paintCircle(Document& doc, History& history, int cx, int cy, int r, uint32_t colour) {
    const Rect box{cx - r, cy - r, 2 * r + 1, 2 * r + 1};
    history.touchPixels(doc, doc.layers[0].id, box);
    doc.layers[0].image.forEachWritableTile(
        box, [&](PixelView tile) { return fillCircle(tile, cx, cy, r, solidPaint(colour)); });
}

// Undo and redo exchange references: a stroke undone and redone a hundred times makes no tile,
// and each gives back the very blocks the layer held.
TEST(History, UndoAndRedoOfAStrokePutBackTheVeryBlocksAndMakeNoTile) {
    Document doc = halfPaintedDocument();
    History history;
    ViewState view;
    const std::vector<const void*> before = blocksOf(doc.layers[0].image);
    const auto beforePixels = pixelsOf(doc.layers[0].image);
    history.begin("stroke");
    for (int x = 100; x <= 220; x += 6) paintCircle(doc, history, x, 90, 20, 0xFF2040A0u);
    ASSERT_TRUE(history.commit(doc, view));
    const std::vector<const void*> after = blocksOf(doc.layers[0].image);
    const auto afterPixels = pixelsOf(doc.layers[0].image);
    ASSERT_NE(after, before);

    ASSERT_TRUE(history.undo(doc, view));
    ASSERT_TRUE(history.redo(doc, view));
    const PoolStats start = tilePoolStats();
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(history.undo(doc, view));
        ASSERT_EQ(blocksOf(doc.layers[0].image), before) << i;
        ASSERT_TRUE(history.redo(doc, view));
        ASSERT_EQ(blocksOf(doc.layers[0].image), after) << i;
    }
    const PoolStats end = tilePoolStats();
    EXPECT_EQ(end.fromSystem, start.fromSystem);
    EXPECT_EQ(end.live, start.live);
    EXPECT_EQ(pixelsOf(doc.layers[0].image), afterPixels);
    ASSERT_TRUE(history.undo(doc, view));
    EXPECT_EQ(pixelsOf(doc.layers[0].image), beforePixels);
}

// Paint of alpha 0 changes no pixel: the step is not kept, the layer holds its old blocks again
// (shared with a copy of it, as before the edit), and the tiles the paint made are gone.
TEST(History, AStepPaintingAlphaZeroIsNotKeptAndSharesTheOldBlocksAgain) {
    Document doc = halfPaintedDocument();
    const TiledImage copy = doc.layers[0].image;  // shares every block, as a snapshot does
    const std::vector<const void*> before = blocksOf(doc.layers[0].image);
    const size_t live = tilePoolStats().live;
    History history;
    ViewState view;
    history.begin("stroke");
    for (int x = 100; x <= 220; x += 6) paintCircle(doc, history, x, 90, 20, 0x002040A0u);
    // The brush made its tiles writable: shared ones were copied, missing ones made.
    EXPECT_GT(tilePoolStats().live, live);
    EXPECT_FALSE(history.commit(doc, view));
    EXPECT_EQ(history.undoSteps(), 0u);
    EXPECT_EQ(blocksOf(doc.layers[0].image), before);
    EXPECT_EQ(blocksOf(copy), before);
    EXPECT_EQ(tilePoolStats().live, live);

    // Within a step that changes other tiles, the unchanged ones are no change either.
    history.begin("stroke");
    paintCircle(doc, history, 60, 60, 10, 0x00FFFFFFu);
    paintCircle(doc, history, 250, 150, 10, 0xFFFFFFFFu);
    ASSERT_TRUE(history.commit(doc, view));
    const std::vector<const void*> now = blocksOf(doc.layers[0].image);
    const int columns = doc.layers[0].image.columns();
    for (size_t i = 0; i < now.size(); ++i) {
        const int tx = int(i) % columns, ty = int(i) / columns;
        if (tx >= 3 && ty >= 2) continue;  // under the second circle (190 .. 260, 140 .. 160)
        EXPECT_EQ(now[i], before[i]) << tx << ',' << ty;
    }
    EXPECT_GT(history.lastStepBytes(), 0u);
    ASSERT_TRUE(history.undo(doc, view));
    EXPECT_EQ(blocksOf(doc.layers[0].image), before);
}

}  // namespace
}  // namespace qm
