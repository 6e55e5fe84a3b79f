#include <gtest/gtest.h>

#include "document/blend_modes.h"
#include "document/compositing.h"
#include "document/document_ops.h"
#include "io/image_files.h"
#include "raster/shapes.h"

namespace qm {
namespace {

TEST(SavePath, TheFormatsExtensionIsCleanedFromTheFileNameOnly) {
    struct Case {
        const char* typed;
        SaveFormat format;
        const char* written;
    };
    const Case cases[] = {
        {"picture.PNG", SaveFormat::Jpeg, "picture.PNG.jpg"},  // case is not folded
        {"a.png", SaveFormat::Png, "a.png"},
        {"a.PNG.old", SaveFormat::Png, "a.PNG.old.png"},
        {"b.png.old", SaveFormat::Png, "b.old.png"},  // every occurrence goes
        {"tiles.png", SaveFormat::Jpeg, "tiles.png.jpg"},
        {"pic", SaveFormat::Bmp, "pic.bmp"},
        {"x.bmp.bmp", SaveFormat::Bmp, "x.bmp"},
        {"shots.png/frame", SaveFormat::Png, "shots.png/frame.png"},  // folders are kept
        {"C:\\art.jpg\\pic.jpg", SaveFormat::Jpeg, "C:\\art.jpg\\pic.jpg"},
    };
    for (const Case& c : cases) EXPECT_EQ(savePathFor(c.typed, c.format), c.written) << c.typed;
    EXPECT_EQ(saveFormatFromIndex(1), SaveFormat::Jpeg);
    EXPECT_EQ(saveFormatFromIndex(2), SaveFormat::Bmp);
    EXPECT_EQ(saveFormatFromIndex(7), SaveFormat::Png);
}

// A document of 24 x 16 with layers made by `add`.
struct SmallDocument {
    Document doc;
    TiledImage work2, work4, work3;
    SmallDocument() {
        doc.Width = 24;
        doc.Height = 16;
        EXPECT_TRUE(newDocument(doc, {work2, work4, work3}));
    }
    Layer& add(uint8_t mode, uint8_t opacity, uint32_t colour, Rect r, int16_t x = 0,
               int16_t y = 0) {
        EXPECT_TRUE(addLayer(doc, 1));
        Layer& layer = doc.layers.back();
        layer.Blendmode = mode;
        layer.Opacity = opacity;
        layer.X = x;
        layer.Y = y;
        {
            Image whole = layer.image.toImage();
            fillBox(whole, r.x, r.y, r.w, r.h, solidPaint(colour, DrawMode::AllChannels));
            layer.image = whole;
        }
        return layer;
    }
    // The canvas at 100 % with the document at (0, 0), on a canvas of the document's size.
    Image canvas() {
        ViewCache view;
        resetDisplays(doc.layers, 100, view);
        Image paper;
        Image canvas = *createImage(doc.Width, doc.Height, 32);
        composeCanvas(canvas, CanvasScene{doc, view, paper, 0, 0, rgb(9, 99, 199), {}},
                      Rect{0, 0, canvas.width, canvas.height}, 1);
        return canvas;
    }
};

TEST(FlattenedSave, IsWhatTheCanvasShowsOverAnOpaqueBottom) {
    SmallDocument s;
    {
        Image whole = s.doc.layers[0].image.toImage();
        fillBox(whole, 0, 0, 24, 16, solidPaint(rgba(200, 120, 40, 255), DrawMode::AllChannels));
        s.doc.layers[0].image = whole;
    }
    s.add(1, 255, rgba(100, 200, 250, 255), {2, 2, 10, 8});           // Multiply
    s.add(3, 180, rgba(30, 60, 90, 200), {6, 4, 12, 10}, 3, -2);      // Screen, offset
    s.add(0, 128, rgba(250, 10, 10, 160), {0, 8, 24, 4});             // Normal at half
    s.add(7, 200, rgba(0, 0, 255, 255), {10, 0, 8, 16});              // Dissolve
    s.add(5, 255, rgba(255, 255, 255, 255), {0, 0, 5, 5});            // Invert
    s.add(0, 255, rgba(0, 255, 0, 255), {0, 0, 24, 16}).Visible = 0;  // hidden sketch
    const auto flat = flattenVisibleLayers(s.doc);
    ASSERT_TRUE(flat);
    EXPECT_TRUE(flat->pixels == s.canvas().pixels);
}

TEST(FlattenedSave, OverTransparentABlendLayerLandsAsNormal) {
    // A Multiply shadow over nothing is laid as a Normal layer would lay it, not an opaque patch
    // of its backdrop; over the picture it multiplies.
    SmallDocument blended, normal;
    for (SmallDocument* s : {&blended, &normal}) {
        s->add(0, 255, rgba(200, 200, 200, 255), {0, 0, 12, 16});
        s->add(s == &blended ? 1 : 0, 200, rgba(80, 40, 20, 150), {4, 4, 16, 8});
    }
    const Image b = *flattenVisibleLayers(blended.doc), n = *flattenVisibleLayers(normal.doc);
    EXPECT_EQ(b.at(15, 6), n.at(15, 6));  // over transparent
    EXPECT_GT(alpha(b.at(15, 6)), 0u);
    EXPECT_LT(alpha(b.at(15, 6)), 150u);  // laid at the layer's opacity
    EXPECT_EQ(b.at(20, 6), 0u);           // nothing at all stays transparent
    Image display;
    ASSERT_TRUE(buildDisplayImage(blended.doc.layers.back(), 100, display));
    EXPECT_EQ(b.at(6, 6), blendPixel(1, display.at(6, 6), rgba(200, 200, 200, 255), 200));
    EXPECT_NE(b.at(6, 6), n.at(6, 6));
}

}  // namespace
}  // namespace qm
