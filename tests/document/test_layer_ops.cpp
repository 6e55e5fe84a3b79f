#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "document/document_ops.h"
#include "document/layer_ops.h"
#include "platform/random.h"
#include "raster/draw_image.h"
#include "raster/shapes.h"
#include "support/pixels.h"

namespace qm {
namespace {

// A small document with `count` layers named Layer1.. from the bottom; the top one selected.
Document makeDocument(int count, int width = 40, int height = 30) {
    Document doc;
    doc.Width = int16_t(width);
    doc.Height = int16_t(height);
    for (int i = 0; i < count; ++i) EXPECT_TRUE(addLayer(doc, 1));
    return doc;
}

std::vector<std::string> names(const Document& doc) {
    std::vector<std::string> out;
    for (const Layer& layer : doc.layers) out.push_back(layer.Name);
    return out;
}

// Positions 1..n in list order, exactly one layer selected and found as the current one, and
// every id distinct.
void expectInvariants(Document& doc) {
    int selected = 0;
    std::set<uint32_t> ids;
    for (size_t i = 0; i < doc.layers.size(); ++i) {
        EXPECT_EQ(doc.layers[i].Position, i + 1);
        EXPECT_NE(doc.layers[i].id, 0u);
        EXPECT_TRUE(ids.insert(doc.layers[i].id).second);
        if (doc.layers[i].Selected) {
            ++selected;
            // The selected layer is the painting target, unless a group was just added.
            const Layer* target =
                doc.paintTarget ? layerById(doc, doc.paintTarget) : &doc.layers[i];
            ASSERT_NE(target, nullptr);
            EXPECT_EQ(currentImage(doc), &target->image);
            EXPECT_EQ(currentVisible(doc), target->Visible);
        }
    }
    EXPECT_EQ(selected, 1);
}

const Layer& selected(const Document& doc) {
    for (const Layer& layer : doc.layers)
        if (layer.Selected) return layer;
    static const Layer none;
    ADD_FAILURE() << "no layer selected";
    return none;
}

TEST(LayerOps, AddingThreeLayersNamesAndPlacesThem) {
    Document doc = makeDocument(4);
    EXPECT_EQ(names(doc), (std::vector<std::string>{"Layer1", "Layer2", "Layer3", "Layer4"}));
    EXPECT_EQ(selected(doc).Name, "Layer4");
    EXPECT_EQ(selected(doc).Opacity, 255);
    EXPECT_EQ(selected(doc).Blendmode, 0);
    expectInvariants(doc);
}

TEST(LayerOps, DeleteRenumbersAndSelectsTheLayerBefore) {
    struct Case {
        int deletePosition;
        std::vector<std::string> left;
        std::string nowCurrent;
    };
    const Case cases[] = {
        {2, {"Layer1", "Layer3"}, "Layer1"},  // the one before it in the list
        {1, {"Layer2", "Layer3"}, "Layer2"},  // the first has none before: the one after
        {3, {"Layer1", "Layer2"}, "Layer2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.deletePosition);
        Document doc = makeDocument(3);
        ASSERT_TRUE(selectLayerRow(doc, c.deletePosition - 1));
        ASSERT_TRUE(deleteSelectedLayer(doc));
        EXPECT_EQ(names(doc), c.left);
        EXPECT_EQ(selected(doc).Name, c.nowCurrent);
        EXPECT_EQ(doc.LayerCounter, 2);
        expectInvariants(doc);
    }
}

TEST(LayerOps, DeleteRefusesTheLastLayerAndNamesCanRepeat) {
    Document doc = makeDocument(1);
    EXPECT_FALSE(deleteSelectedLayer(doc));
    EXPECT_EQ(doc.layers.size(), 1u);

    doc = makeDocument(3);
    ASSERT_TRUE(selectLayerRow(doc, 1));
    ASSERT_TRUE(deleteSelectedLayer(doc));  // Layer2 goes, the counter steps back to 2
    ASSERT_TRUE(addLayer(doc, 1));
    EXPECT_EQ(names(doc), (std::vector<std::string>{"Layer1", "Layer3", "Layer3"}));
    expectInvariants(doc);
}

TEST(LayerOps, CopyGoesOnTopWithTheSourcesOpacityAndPixels) {
    Document doc = makeDocument(3);
    ASSERT_TRUE(selectLayerRow(doc, 0));
    ASSERT_TRUE(setSelectedOpacity(doc, 100));
    ASSERT_TRUE(setSelectedBlendmode(doc, 4));
    doc.layers[0].X = 7;
    doc.layers[0].Locked = 1;
    doc.layers[0].image.at(5, 6) = rgba(10, 20, 30, 200);

    ASSERT_TRUE(copySelectedLayer(doc));
    ASSERT_EQ(doc.layers.size(), 4u);
    const Layer& copy = doc.layers.back();
    EXPECT_EQ(copy.Name, "Layer1Copy4");
    EXPECT_EQ(copy.Position, 4);
    EXPECT_EQ(copy.Opacity, 100);
    EXPECT_EQ(copy.Blendmode, 0);
    EXPECT_EQ(copy.X, 0);
    EXPECT_EQ(copy.Locked, 0);
    EXPECT_EQ(copy.image.at(5, 6), rgba(10, 20, 30, 200));
    EXPECT_NE(copy.id, doc.layers[0].id);
    expectInvariants(doc);
    EXPECT_EQ(currentImage(doc), &copy.image);
}

TEST(LayerOps, CopyOfALargerLayerKeepsTheDocumentSize) {
    Document doc = makeDocument(1, 40, 30);
    doc.Width = 20;
    doc.Height = 10;  // shrunk: the layer image stays 40 x 30
    ASSERT_TRUE(copySelectedLayer(doc));
    EXPECT_EQ(doc.layers.back().image.width, 20);
    EXPECT_EQ(doc.layers.back().image.height, 10);
}

// The copy is the source drawn over transparent: colour under alpha 0 comes out 0, in tiles that
// hold other pixels and in tiles that hold nothing else, and the tiles the source lacks stay
// missing.
TEST(LayerOps, ACopyIsTheSourceOverTransparent) {
    Document doc = makeDocument(1, 150, 100);
    Image source = *createImage(150, 100, 32);
    Random rnd(3);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 70; ++x) source.at(x, y) = rnd.next() & (x % 3 ? ~0u : 0x00FFFFFFu);
    fillBox(source, 90, 70, 20, 20, solidPaint(rgba(40, 50, 60, 0), DrawMode::AllChannels));
    doc.layers[0].image = source;
    ASSERT_TRUE(copySelectedLayer(doc));
    Image expected = *createImage(150, 100, 32);
    drawImage(expected, source, 0, 0, DrawMode::AlphaBlend, 255);
    const TiledImage& copy = doc.layers.back().image;
    EXPECT_EQ(pixelsOf(copy), expected.pixels);
    EXPECT_FALSE(copy.tile(2, 0));
}

// Source tiles without colour under alpha 0 are shared by the copy, the others drawn; the copy
// is the source over transparent either way, and writing one leaves the other as it was.
TEST(LayerOps, ACopySharesTheTilesItWouldDrawUnchanged) {
    Document doc = makeDocument(1, 150, 100);
    Image source = *createImage(150, 100, 32);
    Random rnd(5);
    for (uint32_t& p : source.pixels) p = rnd.next() | 0x01000000u;  // alpha 1..255
    source.at(100, 10) = rgba(1, 2, 3, 0);                           // tile (1, 0) drawn
    doc.layers[0].image = source;
    ASSERT_TRUE(copySelectedLayer(doc));
    const TiledImage& copy = doc.layers.back().image;
    Image expected = *createImage(150, 100, 32);
    drawImage(expected, source, 0, 0, DrawMode::AlphaBlend, 255);
    EXPECT_EQ(pixelsOf(copy), expected.pixels);
    EXPECT_EQ(copy.tile(0, 0).pixels(), doc.layers[0].image.tile(0, 0).pixels());
    EXPECT_EQ(copy.tile(2, 1).pixels(), doc.layers[0].image.tile(2, 1).pixels());  // edge tile
    EXPECT_NE(copy.tile(1, 0).pixels(), doc.layers[0].image.tile(1, 0).pixels());
    doc.layers.back().image.at(3, 3) = 0;
    EXPECT_EQ(pixelsOf(doc.layers[0].image), source.pixels);
}

TEST(LayerOps, PropertiesChangeOnlyTheSelectedLayer) {
    Document doc = makeDocument(3);
    ASSERT_TRUE(selectLayerRow(doc, 1));
    EXPECT_TRUE(setSelectedOpacity(doc, 300));  // clamped
    EXPECT_TRUE(setSelectedBlendmode(doc, 14));
    EXPECT_FALSE(setSelectedBlendmode(doc, 15));
    EXPECT_EQ(doc.layers[1].Opacity, 255);
    EXPECT_EQ(doc.layers[1].Blendmode, 14);
    EXPECT_EQ(doc.layers[0].Blendmode, 0);
    EXPECT_EQ(doc.layers[2].Blendmode, 0);

    EXPECT_TRUE(setLayerVisible(doc, 1, false));
    EXPECT_EQ(currentVisible(doc), 0);
    EXPECT_TRUE(renameLayer(doc, 2, "Sky"));
    EXPECT_FALSE(renameLayer(doc, 2, ""));
    EXPECT_EQ(doc.layers[2].Name, "Sky");

    // Rows no layer has change nothing.
    EXPECT_FALSE(selectLayerRow(doc, 3));
    EXPECT_FALSE(selectLayerRow(doc, -1));
    EXPECT_FALSE(setLayerVisible(doc, 7, true));
    EXPECT_FALSE(renameLayer(doc, 3, "x"));
    EXPECT_EQ(selected(doc).Name, "Layer2");
    expectInvariants(doc);
}

TEST(LayerOps, MoveUpAndDownSwapWithTheNeighbourAndRefuseTheEnds) {
    struct Case {
        int row;
        int direction;
        bool moved;
        std::vector<std::string> order;
    };
    const Case cases[] = {
        {1, 1, true, {"Layer2", "Layer1", "Layer3"}},
        {1, 0, true, {"Layer1", "Layer3", "Layer2"}},
        {0, 1, false, {"Layer1", "Layer2", "Layer3"}},
        {2, 0, false, {"Layer1", "Layer2", "Layer3"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.row) + " " + std::to_string(c.direction));
        Document doc = makeDocument(3);
        ASSERT_TRUE(selectLayerRow(doc, c.row));
        const std::string moving = selected(doc).Name;
        EXPECT_EQ(moveSelectedLayer(doc, c.direction), c.moved);
        EXPECT_EQ(names(doc), c.order);
        EXPECT_EQ(selected(doc).Name, moving);
        expectInvariants(doc);
    }
}

TEST(LayerOps, GroupsHaveNoImage) {
    Document doc = makeDocument(1);
    ASSERT_TRUE(addGroup(doc, 1));
    ASSERT_TRUE(addGroup(doc, 1));
    EXPECT_EQ(names(doc), (std::vector<std::string>{"Layer1", "Group1", "Group2"}));
    EXPECT_EQ(doc.GroupCount, 2);
    const Layer& group = doc.layers.back();
    EXPECT_EQ(group.IsGroup, 1);
    EXPECT_TRUE(group.image.empty());
    expectInvariants(doc);
    // The group is selected; painting stays on the layer it was on.
    EXPECT_EQ(group.Selected, 1);
    EXPECT_EQ(currentImage(doc), &doc.layers[0].image);
    ASSERT_TRUE(selectLayerRow(doc, 1));  // choosing a row makes it the target again
    EXPECT_TRUE(currentImage(doc)->empty());
    ASSERT_TRUE(selectLayerRow(doc, 2));
    // A copy of a group is a transparent layer; resizing skips the groups.
    ASSERT_TRUE(copySelectedLayer(doc));
    EXPECT_EQ(doc.layers.back().Name, "Group2Copy2");
    EXPECT_EQ(doc.layers.back().image.width, 40);
    EXPECT_EQ(resizeLayerImages(doc, 40, 30, 1, 0), 0);
    EXPECT_TRUE(doc.layers[1].image.empty());
}

TEST(LayerOps, DragMovesTheOffsetFromThePress) {
    Document doc = makeDocument(2);
    bool dragging = false;
    int16_t startX = 0, startY = 0;
    const MoveDrag drag{dragging, startX, startY};
    doc.layers[1].X = 4;
    ASSERT_TRUE(dragSelectedLayer(doc, drag, 15, 7, 10, 10));
    EXPECT_TRUE(dragging);
    EXPECT_EQ(doc.layers[1].X, 9);
    EXPECT_EQ(doc.layers[1].Y, -3);
    ASSERT_TRUE(dragSelectedLayer(doc, drag, 12, 12, 10, 10));  // still measured from the press
    EXPECT_EQ(doc.layers[1].X, 6);
    EXPECT_EQ(doc.layers[1].Y, 2);
    endLayerDrag(drag);
    EXPECT_FALSE(dragging);
    ASSERT_TRUE(dragSelectedLayer(doc, drag, 100, 100, 0, 0));  // a new drag starts from (6, 2)
    EXPECT_EQ(doc.layers[1].X, 106);
    EXPECT_EQ(doc.layers[1].Y, 102);
    EXPECT_EQ(doc.layers[0].X, 0);
    // Far drags stop at the 16-bit offset range instead of wrapping.
    ASSERT_TRUE(dragSelectedLayer(doc, drag, 1'000'000, -1'000'000, 0, 0));
    EXPECT_EQ(doc.layers[1].X, 32767);
    EXPECT_EQ(doc.layers[1].Y, -32768);
}

// The image size scales the picture both ways; the canvas size never makes a layer smaller than
// its size at creation.
TEST(LayerOps, ResizeScalesThePictureAndTheCanvasKeepsTheLayerSize) {
    struct Case {
        int width, height, mode;
        int expectW, expectH;  // the layer images and their Width and Height
        int layerW, layerH;
    };
    const Case cases[] = {
        {20, 10, 0, 20, 10, 20, 10},  // smaller: the picture shrinks with the document
        {60, 20, 0, 60, 20, 60, 20},  // each side on its own
        {80, 60, 0, 80, 60, 80, 60}, {20, 10, 1, 40, 30, 40, 30}, {80, 50, 1, 80, 50, 40, 30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        Document doc = makeDocument(2);
        doc.Width = int16_t(c.width);
        doc.Height = int16_t(c.height);
        EXPECT_EQ(resizeLayerImages(doc, 40, 30, 1, c.mode), 0);
        for (const Layer& layer : doc.layers) {
            EXPECT_EQ(layer.image.width, c.expectW);
            EXPECT_EQ(layer.image.height, c.expectH);
            EXPECT_EQ(layer.Width, c.layerW);
            EXPECT_EQ(layer.Height, c.layerH);
        }
        expectInvariants(doc);
    }
}

TEST(LayerOps, ResizeScalesInImageModeAndLaysAtTheOffsetInCanvasMode) {
    Document doc = makeDocument(1, 4, 4);
    Layer& layer = doc.layers[0];
    layer.image.at(1, 1) = rgba(255, 0, 0, 255);
    layer.X = 2;
    layer.Y = 3;
    doc.Width = 8;
    doc.Height = 8;
    ASSERT_EQ(resizeLayerImages(doc, 4, 4, 1, 0), 0);  // nearest: pixel (1,1) becomes 2 x 2
    EXPECT_EQ(layer.image.at(2, 2), rgba(255, 0, 0, 255));
    EXPECT_EQ(layer.image.at(3, 3), rgba(255, 0, 0, 255));
    EXPECT_EQ(layer.image.at(4, 4), 0u);
    EXPECT_EQ(layer.X, 4);  // the offset scales with the picture
    EXPECT_EQ(layer.Y, 6);

    // Half the size again: the picture shrinks back, a layer larger than the document as well.
    layer.image = *createImage(16, 8, 32);
    for (int y : {2, 3})
        for (int x : {4, 5}) layer.image.at(x, y) = rgba(0, 0, 255, 255);  // becomes (2, 1)
    doc.Width = 4;
    doc.Height = 4;
    ASSERT_EQ(resizeLayerImages(doc, 8, 8, 1, 0), 0);
    EXPECT_EQ(layer.image.width, 8);
    EXPECT_EQ(layer.image.height, 4);
    EXPECT_EQ(layer.image.at(2, 1), rgba(0, 0, 255, 255));
    EXPECT_EQ(layer.X, 2);
    EXPECT_EQ(layer.Y, 3);

    doc.Width = 12;
    doc.Height = 12;
    ASSERT_EQ(resizeLayerImages(doc, 4, 4, 0, 1), 0);  // canvas: the image lands at (2, 3)
    EXPECT_EQ(layer.image.width, 12);
    EXPECT_EQ(layer.image.at(4, 4), rgba(0, 0, 255, 255));
    EXPECT_EQ(layer.image.at(2, 1), 0u);
    EXPECT_EQ(currentImage(doc), &layer.image);
}

TEST(LayerOps, ResizeKeepsALayerWhoseStoredSizeIsAbsurd) {
    Document doc = makeDocument(2);
    doc.layers[0].Width = 32767;  // as a hand-edited file might say
    doc.layers[0].Height = 32767;
    EXPECT_EQ(resizeLayerImages(doc, 40, 30, 0, 1), 1);
    EXPECT_EQ(doc.layers[0].image.width, 40);
}

}  // namespace
}  // namespace qm
