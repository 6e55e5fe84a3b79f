#include "document/compositing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>

#include "document/blend_modes.h"
#include "raster/buffer_pool.h"
#include "raster/draw_image.h"
#include "raster/draw_mode.h"
#include "raster/image_ops.h"
#include "raster/shapes.h"
#include "support/pixels.h"

namespace qm {
namespace {

Image randomImage(std::mt19937& rng, int w, int h, int depth = 32) {
    Image image = *createImage(w, h, depth);
    for (uint32_t& p : image.pixels) {
        p = rng();
        if (depth == 24) {
            p |= 0xFF000000u;
        } else if (rng() % 2) {
            p = 0;  // half of a layer is transparent
        } else if (rng() % 3 == 0) {
            p |= 0xFF000000u;
        }
    }
    return image;
}

Layer makeLayer(std::mt19937& rng, int w, int h, int mode, int opacity, int x = 0, int y = 0) {
    static uint32_t nextId = 1;
    Layer layer;
    layer.id = nextId++;
    layer.image = randomImage(rng, w, h);
    layer.Blendmode = uint8_t(mode);
    layer.Opacity = uint8_t(opacity);
    layer.X = int16_t(x);
    layer.Y = int16_t(y);
    return layer;
}

// The display image made by the rebuild's steps one after the other: scale nearest-pixel, start
// transparent, fill the backdrop, draw the scaled copy with alpha blending at the opacity.
Image displayBySteps(const Layer& layer, int zoom) {
    const int w = layer.image.width * zoom / 100, h = layer.image.height * zoom / 100;
    const Image scaled = *resizeNearest(layer.image.toImage(), w, h);
    Image display = *createImage(w, h, 32);
    const BlendMode& mode = blendMode(layer.Blendmode);
    if (mode.hasBackdrop) fillBox(display, 0, 0, w, h, solidPaint(mode.backdrop));
    drawImage(display, scaled, 0, 0, DrawMode::AlphaBlend, layer.Opacity);
    return display;
}

// The canvas pixel by pixel, with the reference rules only.
Image canvasByPixels(const CanvasScene& scene, int cw, int ch) {
    Image canvas = *createImage(cw, ch, 32);
    for (uint32_t& p : canvas.pixels) p = scene.background | 0xFF000000u;
    drawImage(canvas, scene.paper, scene.offsetX, scene.offsetY, DrawMode::AlphaBlend, 255);
    const Document& doc = scene.doc;
    for (const auto& [key, animationLayer] : doc.animationLayers)
        for (const AnimationFrame& frame : animationLayer.Frames)
            if (frame.Frame == scene.currentFrame)
                drawImage(canvas, frame.image.toImage(), scene.offsetX + frame.X,
                          scene.offsetY + frame.Y, DrawMode::AlphaBlend, animationLayer.Alpha);
    for (const Layer& layer : doc.layers) {
        // A layer is drawn when the view has an entry for it, with the whole rebuild's image.
        if (!layer.Visible || layer.IsGroup || !scene.view.find(layer.id)) continue;
        Image d;
        const int zoom = scene.view.zoom;
        if (!buildDisplayImage(layer, zoom, d)) continue;
        // The layer's X, Y are document pixels, shown at the zoom rounded down; it shows over
        // the document only.
        const int layerX = int(std::floor(layer.X * zoom / 100.0));
        const int layerY = int(std::floor(layer.Y * zoom / 100.0));
        const int docW = doc.Width * zoom / 100, docH = doc.Height * zoom / 100;
        for (int py = 0; py < d.height; ++py)
            for (int px = 0; px < d.width; ++px) {
                const int cx = scene.offsetX + layerX + px, cy = scene.offsetY + layerY + py;
                if (!canvas.contains(cx, cy)) continue;
                if (cx < scene.offsetX || cy < scene.offsetY || cx >= scene.offsetX + docW ||
                    cy >= scene.offsetY + docH)
                    continue;
                uint32_t& t = canvas.at(cx, cy);
                const uint32_t s = d.at(px, py);
                if (layer.Blendmode == 7) {
                    const uint32_t noise =
                        dissolveNoise(px * 100 / scene.zoom, py * 100 / scene.zoom);
                    t = dissolvePixel(s, t, layer.Opacity, noise);
                } else {
                    t = blendPixel(layer.Blendmode, s, t, layer.Opacity);
                }
            }
    }
    if (scene.grid.on) {
        const uint32_t c = scene.grid.colour | 0xFF000000u;
        const int vw = doc.Width * scene.zoom / 100, vh = doc.Height * scene.zoom / 100;
        for (int i = 0; i <= gridLoopBound(doc.Width, scene.grid.width); ++i)
            fillBox(canvas, scene.offsetX + i * scene.grid.width * scene.zoom / 100, scene.offsetY,
                    1, vh, solidPaint(c, DrawMode::AllChannels));
        for (int j = 0; j <= gridLoopBound(doc.Height, scene.grid.height); ++j)
            fillBox(canvas, scene.offsetX, scene.offsetY + j * scene.grid.height * scene.zoom / 100,
                    vw, 1, solidPaint(c, DrawMode::AllChannels));
    }
    return canvas;
}

TEST(Compositing, DisplayImageFollowsTheRebuildSteps) {
    std::mt19937 rng(3);
    for (int mode : {0, 1, 4, 5, 7, 8, 14}) {
        for (int zoom : {100, 50, 33, 250}) {
            for (int opacity : {255, 100}) {
                SCOPED_TRACE(std::to_string(mode) + " " + std::to_string(zoom));
                Layer layer = makeLayer(rng, 37, 23, mode, opacity);
                Image display = randomImage(rng, 5, 5);  // an old scale's leftovers
                ASSERT_TRUE(buildDisplayImage(layer, zoom, display));
                const Image expected = displayBySteps(layer, zoom);
                ASSERT_EQ(display.width, expected.width);
                ASSERT_EQ(display.height, expected.height);
                ASSERT_EQ(display.pixels, expected.pixels);
            }
        }
    }
    // Sizes the view cannot show, groups and empty layers change nothing.
    Layer layer = makeLayer(rng, 40, 20, 1, 255);
    Image display = randomImage(rng, 4, 4);
    const Image before = display;
    EXPECT_FALSE(buildDisplayImage(layer, 2, display));      // 0 x 0
    EXPECT_FALSE(buildDisplayImage(layer, 20000, display));  // 8000 wide
    layer.IsGroup = 1;
    EXPECT_FALSE(buildDisplayImage(layer, 100, display));
    EXPECT_EQ(display.pixels, before.pixels);
}

// After an edit only the touched rectangle of the display image is made again: it must give the
// bits of a whole rebuild, at every zoom, for rectangles on and across every edge.
TEST(Compositing, DisplayRectangleEqualsAWholeRebuild) {
    std::mt19937 rng(4);
    const Rect rects[] = {{0, 0, 1, 1},   {10, 5, 7, 9},  {30, 15, 20, 20}, {-4, -4, 9, 6},
                          {36, 22, 1, 1}, {0, 0, 37, 23}, {5, 30, 3, 3}};
    for (int mode : {0, 1, 7, 13}) {
        for (int zoom : {100, 50, 33, 250, 7}) {
            Layer layer = makeLayer(rng, 37, 23, mode, 150);
            Image display;
            if (!buildDisplayImage(layer, zoom, display)) continue;
            for (const Rect& r : rects) {
                SCOPED_TRACE(std::to_string(mode) + " " + std::to_string(zoom) + " " +
                             std::to_string(r.x) + "," + std::to_string(r.y));
                // Paint into the layer, then remake only the rectangle.
                for (int y = std::max(r.y, 0); y < std::min(r.bottom(), 23); ++y)
                    for (int x = std::max(r.x, 0); x < std::min(r.right(), 37); ++x)
                        layer.image.at(x, y) = uint32_t(rng());
                const Rect shown = updateDisplayImage(layer, zoom, display, r);
                Image whole;
                ASSERT_TRUE(buildDisplayImage(layer, zoom, whole));
                ASSERT_EQ(display.pixels, whole.pixels);
                EXPECT_LE(int64_t(shown.w) * shown.h, int64_t(display.width) * display.height);
            }
        }
    }
}

// Over onto transparent keeps the source where its alpha is not 0 at opacity 255, and else
// scales its alpha: the display build of a mode without a backdrop must give overPixel's bits
// for every alpha, colour and opacity, on both of its paths (same width, and sampled columns).
TEST(Compositing, DisplayOverTransparentEqualsOverPixelExhaustively) {
    ASSERT_FALSE(blendMode(0).hasBackdrop);
    Layer layer;
    layer.image = *createImage(256, 256, 32);
    for (uint32_t a = 0; a < 256; ++a)
        for (uint32_t c = 0; c < 256; ++c)  // every value in every channel
            layer.image.at(int(c), int(a)) = rgba(c, c ^ 0xFF, (c * 37) & 0xFF, a);
    Image display;
    const auto source = pixelsOf(layer.image);
    for (uint32_t opacity = 0; opacity < 256; ++opacity) {
        layer.Opacity = uint8_t(opacity);
        ASSERT_TRUE(buildDisplayImage(layer, 100, display));
        for (size_t i = 0; i < display.pixels.size(); ++i)
            ASSERT_EQ(display.pixels[i], overPixel(source[i], 0, opacity))
                << std::hex << source[i] << " at " << std::dec << opacity;
        if (opacity % 51 != 0 && opacity != 254) continue;
        ASSERT_TRUE(buildDisplayImage(layer, 150, display));  // columns sampled 2 to 3
        for (int y = 0; y < display.height; ++y)
            for (int x = 0; x < display.width; ++x) {
                const uint32_t s = layer.image.at((2 * x + 1) / 3, (2 * y + 1) / 3);
                ASSERT_EQ(display.at(x, y), overPixel(s, 0, opacity)) << x << "," << y;
            }
    }
}

// A document with every mode, offsets on both sides of the canvas, a hidden layer, a group, an
// animation frame of the current frame and one of another frame, a paper and the grid.
struct Scene {
    std::mt19937 rng{11};
    Document doc;
    ViewCache view;
    Image paper;
    GridSettings grid{true, 16, 12, rgb(10, 200, 30)};
    int offsetX = -7, offsetY = 5;
    int zoom = 100;

    explicit Scene(int zoom, int width = 60, int height = 40) : zoom(zoom) {
        doc.Width = int16_t(width);
        doc.Height = int16_t(height);
        paper = randomImage(rng, doc.Width * zoom / 100, doc.Height * zoom / 100, 24);
        for (int mode = 0; mode < kBlendModeCount; ++mode) {
            Layer layer = makeLayer(rng, width, height, mode, mode % 3 ? 255 : 90 + mode,
                                    int(rng() % (width * 2 / 3 + 1)) - width / 3,
                                    int(rng() % (height * 3 / 4 + 1)) - height * 3 / 8);
            doc.layers.push_back(std::move(layer));
        }
        doc.layers[3].Visible = 0;
        Layer group;
        group.IsGroup = 1;
        doc.layers.insert(doc.layers.begin() + 5, std::move(group));
        resetDisplays(doc.layers, zoom, view);
        AnimationLayer animation;
        animation.Alpha = 170;
        animation.Frames.push_back({4, -3, tiledFrom(randomImage(rng, 30, 20)), 1});
        animation.Frames.push_back({0, 0, tiledFrom(randomImage(rng, 60, 40)), 2});
        doc.animationLayers["2"] = std::move(animation);
    }
    CanvasScene scene() {
        CanvasScene scene{doc, view, paper, offsetX, offsetY, rgb(150, 140, 130), grid};
        scene.zoom = zoom;
        return scene;
    }
};

TEST(Compositing, CanvasEqualsThePerPixelRules) {
    for (int zoom : {100, 150, 50}) {
        SCOPED_TRACE(zoom);
        Scene s(zoom);
        Image canvas = *createImage(80, 50, 32);
        composeCanvas(canvas, s.scene(), Rect{0, 0, 80, 50});
        EXPECT_EQ(canvas.pixels, canvasByPixels(s.scene(), 80, 50).pixels);
    }
}

// A large area is composed on two threads, with the bits of one pass and of the pixel rules.
TEST(Compositing, LargeAreaOnTwoThreadsEqualsOnePass) {
    Scene s(100, 700, 420);
    s.offsetX = 9;
    const Rect area{0, 0, 720, 400};  // above the two-thread threshold
    Image two = *createImage(area.w, area.h, 32), one = two;
    composeCanvas(two, s.scene(), area, 2);
    composeCanvas(one, s.scene(), area, 1);
    EXPECT_EQ(two.pixels, one.pixels);
    EXPECT_EQ(two.pixels, canvasByPixels(s.scene(), area.w, area.h).pixels);
}

// A recomposed rectangle has exactly the pixels of the full composition there, and nothing
// outside it changes.
TEST(Compositing, RegionRecomposesOnlyItsRectangle) {
    Scene s(100);
    Image full = *createImage(80, 50, 32);
    composeCanvas(full, s.scene(), Rect{0, 0, 80, 50});
    const Rect regions[] = {
        {10, 7, 21, 19}, {-5, -5, 12, 9}, {70, 40, 30, 30}, {0, 0, 80, 1}, {33, 0, 1, 50}};
    for (const Rect& r : regions) {
        Image canvas = *createImage(80, 50, 32);
        for (uint32_t& p : canvas.pixels) p = 0x12345678u;
        const Rect drawn = composeCanvas(canvas, s.scene(), r);
        EXPECT_EQ(drawn, intersect(r, Rect{0, 0, 80, 50}));
        for (int y = 0; y < 50; ++y)
            for (int x = 0; x < 80; ++x)
                ASSERT_EQ(canvas.at(x, y), drawn.contains(x, y) ? full.at(x, y) : 0x12345678u)
                    << x << "," << y;
    }
}

// The view holds display images by tiles, made where the canvas shows them. Whatever the zoom,
// the panning and the edits in between, the canvas equals the per-pixel rules over the whole
// rebuilds, every tile held has the whole rebuild's pixels, and no tile lies further than the
// margin outside the canvas.
TEST(Compositing, TiledCanvasEqualsTheWholeRebuildCanvas) {
    constexpr int kCanvasW = 280, kCanvasH = 200;
    struct Case {
        int zoom, shiftX, shiftY;  // tiles narrower than, as wide as, and wider than a piece
    };
    for (const Case& c : {Case{100, 5, 3}, Case{210, 6, 4}, Case{37, 7, 5},
                          Case{100, kDisplayTileShiftX, kDisplayTileShiftY}}) {
        const int zoom = c.zoom;
        Scene s(zoom, 300, 200);
        s.view.tileShiftX = c.shiftX;
        s.view.tileShiftY = c.shiftY;
        resetDisplays(s.doc.layers, zoom, s.view);
        Image canvas = *createImage(kCanvasW, kCanvasH, 32);
        const Rect all{0, 0, kCanvasW, kCanvasH};
        auto check = [&](const std::string& what) {
            SCOPED_TRACE(std::to_string(zoom) + " % tiles " + std::to_string(c.shiftX) + "," +
                         std::to_string(c.shiftY) + " " + what + " at " +
                         std::to_string(s.offsetX) + "," + std::to_string(s.offsetY));
            ASSERT_EQ(canvas.pixels, canvasByPixels(s.scene(), kCanvasW, kCanvasH).pixels);
            for (const Layer& layer : s.doc.layers) {
                const DisplayEntry* e = s.view.find(layer.id);
                if (!e) continue;
                Image whole;
                ASSERT_TRUE(buildDisplayImage(layer, zoom, whole));
                ASSERT_EQ(wholeDisplayImage(s.view, layer).pixels, whole.pixels) << layer.id;
                const Rect near{
                    -kDisplayTileMargin - s.offsetX - int(layerViewOffset(layer.X, zoom)),
                    -kDisplayTileMargin - s.offsetY - int(layerViewOffset(layer.Y, zoom)),
                    kCanvasW + 2 * kDisplayTileMargin, kCanvasH + 2 * kDisplayTileMargin};
                for (int row = 0; row < e->rows; ++row)
                    for (int column = 0; column < e->columns; ++column)
                        if (e->tile(column, row)) {
                            ASSERT_FALSE(
                                intersect(near, Rect{column << c.shiftX, row << c.shiftY,
                                                     e->tileWidth(column), e->tileHeight(row)})
                                    .empty())
                                << column << "," << row;
                        }
            }
        };
        const int viewW = 300 * zoom / 100, viewH = 200 * zoom / 100;
        const int pans[][2] = {{-7, 5},
                               {-kDisplayTileMargin - 3, -130},
                               {41, 33},
                               {kCanvasW / 2 - viewW, kCanvasH / 2 - viewH},
                               {-7, 5}};
        for (const auto& pan : pans) {
            s.offsetX = pan[0];
            s.offsetY = pan[1];
            composeCanvas(canvas, s.scene(), all);
            check("panned");
        }
        // Edits of the Normal, Multiply and Dissolve layers, partly off the canvas: the tiles
        // held are made again there and only what they show is recomposed.
        for (int index : {0, 1, 8}) {
            Layer& layer = s.doc.layers[size_t(index)];
            const Rect r{-10, 60, 250, 90};
            for (int y = r.y; y < r.bottom(); ++y)
                for (int x = std::max(r.x, 0); x < r.right(); ++x)
                    layer.image.at(x, y) = uint32_t(s.rng());
            const Rect shown = updateDisplayTiles(layer, s.view, r);
            ASSERT_FALSE(shown.empty());
            composeCanvas(
                canvas, s.scene(),
                Rect{shown.x + s.offsetX + int(layerViewOffset(layer.X, zoom)),
                     shown.y + s.offsetY + int(layerViewOffset(layer.Y, zoom)), shown.w, shown.h});
        }
        check("edited");
        // An opacity or blend mode the entry was not made with: the entry is made anew.
        s.doc.layers[2].Opacity = 77;
        s.doc.layers[4].Blendmode = 7;
        composeCanvas(canvas, s.scene(), all);
        check("restyled");
    }
}

TEST(Compositing, OpacityAndTransparency) {
    Document doc;
    doc.Width = 8;
    doc.Height = 8;
    const Image paper = *createImage(8, 8, 24);  // black
    Image canvas = *createImage(8, 8, 32);
    ViewCache view;
    const CanvasScene scene{doc, view, paper, 0, 0, 0, GridSettings{}};

    // A Normal layer's opacity acts twice: white at 128 lands with alpha
    // (255 * 128 / 255) * 128 / 255 = 64, about a quarter.
    Layer normal;
    normal.image = *createImage(8, 8, 32);
    {
        Image whole = normal.image.toImage();
        for (uint32_t& p : whole.pixels) p = 0xFFFFFFFFu;
        normal.image = whole;
    }
    normal.Opacity = 128;
    normal.id = 1;
    rebuildDisplay(normal, view);
    doc.layers.push_back(normal);
    composeCanvas(canvas, scene, Rect{0, 0, 8, 8});
    EXPECT_EQ(canvas.at(3, 3), rgba(64, 64, 64, 255));
    doc.layers[0].Visible = 0;  // a hidden layer changes nothing
    composeCanvas(canvas, scene, Rect{0, 0, 8, 8});
    EXPECT_EQ(canvas.at(3, 3), rgba(0, 0, 0, 255));

    // A wholly transparent layer leaves the canvas as it is in every mode (within 1 for the grey
    // backdrops), whatever its opacity.
    std::mt19937 rng(5);
    const Image under = randomImage(rng, 8, 8, 24);
    const CanvasScene overPaper{doc, view, under, 0, 0, 0, GridSettings{}};
    for (int mode = 0; mode < kBlendModeCount; ++mode) {
        Layer clear;
        clear.image = *createImage(8, 8, 32);
        clear.Blendmode = uint8_t(mode);
        clear.Opacity = uint8_t(mode * 17);
        clear.id = 1;
        rebuildDisplay(clear, view);
        doc.layers.assign(1, clear);
        composeCanvas(canvas, overPaper, Rect{0, 0, 8, 8});
        const bool grey = blendMode(mode).backdrop == rgba(128, 128, 128, 255);
        for (size_t i = 0; i < canvas.pixels.size(); ++i)
            for (int shift : {0, 8, 16}) {
                const int got = int(canvas.pixels[i] >> shift & 0xFF);
                const int want = int(under.pixels[i] >> shift & 0xFF);
                ASSERT_LE(std::abs(got - want), grey ? 1 : 0) << blendMode(mode).name;
            }
    }
}

TEST(Compositing, GridBoundsRoundHalvesToEven) {
    struct Case {
        int size, step, bound;
    };
    for (const Case& c : {Case{1024, 32, 32}, Case{100, 40, 2}, Case{140, 40, 4}, Case{100, 201, 0},
                          Case{100, 0, -1}, Case{100, -5, -1}})
        EXPECT_EQ(gridLoopBound(c.size, c.step), c.bound) << c.size << "/" << c.step;

    // 1024 wide with gridW 32: 33 vertical lines (i = 0..32), the last just past the document.
    Document doc;
    doc.Width = 1024;
    doc.Height = 8;
    const Image paper = *createImage(1024, 8, 24);
    Image canvas = *createImage(1100, 20, 32);
    const uint32_t red = rgba(255, 0, 0, 255);
    ViewCache view;
    CanvasScene scene{doc, view, paper, 0, 2, 0xFFFFFF, GridSettings{true, 32, 32, rgb(255, 0, 0)}};
    composeCanvas(canvas, scene, Rect{0, 0, 1100, 20});
    int lines = 0;
    for (int x = 0; x < 1100; ++x) lines += canvas.at(x, 5) == red;
    EXPECT_EQ(lines, 33);
    EXPECT_EQ(canvas.at(1024, 5), red);
    // Height 8 / 32 rounds to 0: only the line at the origin, across the view width.
    for (int y = 0; y < 20; ++y) EXPECT_EQ(canvas.at(1, y) == red, y == 2) << y;

    // A grid step far wider than the document leaves only the origin's line; a zero step none.
    scene.grid.width = 2100;
    composeCanvas(canvas, scene, Rect{0, 0, 1100, 20});
    lines = 0;
    for (int x = 0; x < 1100; ++x) lines += canvas.at(x, 5) == red;
    EXPECT_EQ(lines, 1);
    scene.grid.width = 0;
    composeCanvas(canvas, scene, Rect{0, 0, 1100, 20});
    EXPECT_NE(canvas.at(0, 5), red);
}

// A layer's offset is in document pixels: at 200 % it lies twice as far from the document's
// corner. It shows over the document only, never over the background around it.
TEST(Compositing, AMovedLayerShowsOverTheDocumentOnly) {
    Document doc;
    doc.Width = 20;
    doc.Height = 10;
    Layer layer;
    layer.id = 1;
    layer.image = *createImage(20, 10, 32);
    {
        Image whole = layer.image.toImage();
        for (uint32_t& p : whole.pixels) p = rgba(255, 0, 0, 255);
        layer.image = whole;
    }
    layer.X = 5;
    layer.Y = -3;
    ViewCache view;
    view.zoom = 200;
    rebuildDisplay(layer, view);
    doc.layers.push_back(std::move(layer));
    Image paper = *createImage(40, 20, 24);
    for (uint32_t& p : paper.pixels) p = rgba(0, 0, 0, 255);
    Image canvas = *createImage(60, 40, 32);
    CanvasScene scene{doc, view, paper, 4, 4, rgb(255, 255, 255), GridSettings{}};
    scene.zoom = 200;
    composeCanvas(canvas, scene, Rect{0, 0, 60, 40});
    const uint32_t red = rgba(255, 0, 0, 255), black = rgba(0, 0, 0, 255),
                   white = rgba(255, 255, 255, 255);
    struct Case {
        int x, y;
        uint32_t colour;
    } cases[] = {
        {4 + 10, 4, red},         // document pixel (5, 0): the layer's (0, 3)
        {4 + 39, 4 + 13, red},    // document pixel (19, 6): the layer's (14, 9)
        {4 + 9, 4, black},        // left of the layer: the paper
        {4 + 10, 4 + 14, black},  // below the layer
        {4 + 40, 4, white},       // right of the document: the layer reaches there, unseen
        {4 + 10, 3, white},       // above the document
    };
    for (const Case& c : cases) EXPECT_EQ(canvas.at(c.x, c.y), c.colour) << c.x << "," << c.y;
}

TEST(Compositing, DissolveFollowsTheDocumentPixels) {
    std::mt19937 rng(9);
    Document doc;
    doc.Width = 40;
    doc.Height = 30;
    const int zoom = 200;
    Layer layer = makeLayer(rng, 40, 30, 7, 255);
    {
        Image whole = layer.image.toImage();
        for (uint32_t& p : whole.pixels) p = rgba(250, 0, 0, 128);
        layer.image = whole;
    }
    ViewCache view;
    view.zoom = zoom;
    rebuildDisplay(layer, view);
    doc.layers.push_back(std::move(layer));
    const Image paper = *createImage(80, 60, 24);
    Image a = *createImage(100, 80, 32), b = *createImage(100, 80, 32);
    CanvasScene at{doc, view, paper, 0, 0, 0, GridSettings{}};
    CanvasScene panned{doc, view, paper, 3, 2, 0, GridSettings{}};
    at.zoom = panned.zoom = zoom;
    composeCanvas(a, at, Rect{0, 0, 100, 80});
    composeCanvas(b, panned, Rect{0, 0, 100, 80});
    int landed = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 80; ++x) {
            ASSERT_EQ(a.at(x, y), b.at(x + 3, y + 2));  // panning moves the pattern along
            // At 200 % each document pixel is a 2 x 2 block that lands or not as a whole.
            ASSERT_EQ(a.at(x, y), a.at(x & ~1, y & ~1));
            landed += a.at(x, y) == rgba(250, 0, 0, 255);
        }
    EXPECT_NEAR(landed / 4800.0, 128.0 / 255.0, 0.05);
}

// The same random pixels twice: tile k (row-major) missing when k % 3 == 0, painted when 1,
// present and all 0 when 2; then with every tile present. Some pixels hold colour under alpha 0.
std::pair<TiledImage, TiledImage> sparseAndWhole(std::mt19937& rng, int w, int h) {
    Image pixels = randomImage(rng, w, h);
    for (int i = 0; i < 40; ++i) pixels.at(int(rng() % w), int(rng() % h)) = rng() & 0x00FFFFFFu;
    const int columns = (w + 63) / 64, rows = (h + 63) / 64;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (((y >> 6) * columns + (x >> 6)) % 3 != 1) pixels.at(x, y) = 0;
    TiledImage sparse = tiledFrom(pixels);
    for (int ty = 0; ty < rows; ++ty)
        for (int tx = 0; tx < columns; ++tx)
            if ((ty * columns + tx) % 3 == 2) sparse.writableTile(tx, ty);
    TiledImage whole = sparse;
    for (int ty = 0; ty < rows; ++ty)
        for (int tx = 0; tx < columns; ++tx) whole.writableTile(tx, ty);
    EXPECT_EQ(sparse.tileCount(), size_t(columns * rows - (columns * rows + 2) / 3));
    EXPECT_EQ(whole.tileCount(), size_t(columns * rows));
    EXPECT_EQ(sparse.toImage().pixels, whole.toImage().pixels);
    return {sparse, whole};
}

// A layer stored as tiles leaves out the tiles never painted, and keeps some painted back to
// zero: wherever it shows, in every mode, at every opacity and zoom, it must compose as the same
// layer with every tile present. Under it lies a layer with every pixel painted, so that each
// mode meets varied canvas pixels; the sparse layer's display image must also follow the
// rebuild's steps.
TEST(Compositing, SparseLayersComposeAsWholeOnes) {
    std::mt19937 rng(21);
    constexpr int kW = 200, kH = 150;  // 4 x 3 layer tiles, the last column and row cut
    const auto [sparse, whole] = sparseAndWhole(rng, kW, kH);

    Layer under = makeLayer(rng, kW, kH, 0, 255);
    under.image = tiledFrom(randomImage(rng, kW, kH, 24));
    constexpr int kCanvasW = 150, kCanvasH = 110;
    for (int zoom : {10, 33, 100, 250, 3200}) {
        for (int mode = 0; mode < kBlendModeCount; ++mode) {
            for (int opacity : {0, 1, 128, 255}) {
                SCOPED_TRACE(std::string(blendMode(mode).name) + " at " + std::to_string(zoom) +
                             " %, opacity " + std::to_string(opacity));
                Image canvases[2];
                for (int k = 0; k < 2; ++k) {
                    Document doc;
                    doc.Width = 180;
                    doc.Height = 130;
                    doc.layers.push_back(under);
                    Layer layer;
                    layer.id = under.id + 1;
                    layer.image = k == 0 ? sparse : whole;
                    layer.Blendmode = uint8_t(mode);
                    layer.Opacity = uint8_t(opacity);
                    layer.X = -5;
                    layer.Y = 3;
                    doc.layers.push_back(std::move(layer));
                    ViewCache view;
                    resetDisplays(doc.layers, zoom, view);
                    // The canvas centred on document pixel (63, 70), next to tile corners.
                    CanvasScene scene{doc,
                                      view,
                                      Image{},
                                      kCanvasW / 2 - 63 * zoom / 100,
                                      kCanvasH / 2 - 70 * zoom / 100,
                                      rgb(90, 100, 110),
                                      GridSettings{}};
                    scene.zoom = zoom;
                    canvases[k] = *createImage(kCanvasW, kCanvasH, 32);
                    composeCanvas(canvases[k], scene, Rect{0, 0, kCanvasW, kCanvasH});
                }
                ASSERT_EQ(canvases[0].pixels, canvases[1].pixels);
                if (zoom > 250) continue;
                Layer layer;
                layer.image = sparse;
                layer.Blendmode = uint8_t(mode);
                layer.Opacity = uint8_t(opacity);
                Image display;
                ASSERT_TRUE(buildDisplayImage(layer, zoom, display));
                if (opacity == 128 || opacity == 0) {
                    ASSERT_EQ(display.pixels, displayBySteps(layer, zoom).pixels);
                }
                layer.image = whole;
                Image wholeDisplay;
                ASSERT_TRUE(buildDisplayImage(layer, zoom, wholeDisplay));
                ASSERT_EQ(display.pixels, wholeDisplay.pixels);
            }
        }
    }
}

// Animation frames are drawn from their tiles, skipping the missing ones: frames with missing,
// painted and all-0 tiles, partly off the canvas and with the onion skin's tinted drawings,
// compose as the same frames with every tile present, and as the pixel rules where no onion
// skin shows.
TEST(Compositing, SparseFramesComposeAsWholeOnes) {
    std::mt19937 rng(22);
    const auto [a, aWhole] = sparseAndWhole(rng, 300, 200);
    const auto [b, bWhole] = sparseAndWhole(rng, 130, 70);
    const auto [c, cWhole] = sparseAndWhole(rng, 70, 130);
    const Image paper = randomImage(rng, 250, 180, 24);
    constexpr int kCanvasW = 260, kCanvasH = 190;
    for (bool onion : {false, true}) {
        for (int frame : {1, 2, 3}) {
            SCOPED_TRACE(std::string(onion ? "onion, " : "") + "frame " + std::to_string(frame));
            Image canvases[2];
            for (int k = 0; k < 2; ++k) {
                Document doc;
                doc.Width = 250;
                doc.Height = 180;
                AnimationLayer layer;
                layer.Alpha = 200;
                layer.Frames.push_back({-30, 20, k ? aWhole : a, 1});
                layer.Frames.push_back({70, -10, k ? bWhole : b, 2});
                layer.Frames.push_back({5, 5, k ? cWhole : c, 2});
                layer.Frames.push_back({100, 90, k ? aWhole : a, 3});
                doc.animationLayers["1"] = layer;
                ViewCache view;
                CanvasScene scene{doc, view, paper, 7, -4, rgb(20, 30, 40), GridSettings{}};
                scene.currentFrame = frame;
                if (onion) scene.onion = {&doc.animationLayers["1"], 2, 1};
                canvases[k] = *createImage(kCanvasW, kCanvasH, 32);
                composeCanvas(canvases[k], scene, Rect{0, 0, kCanvasW, kCanvasH});
                if (!onion && k == 0) {
                    ASSERT_EQ(canvases[k].pixels, canvasByPixels(scene, kCanvasW, kCanvasH).pixels);
                }
            }
            ASSERT_EQ(canvases[0].pixels, canvases[1].pixels);
        }
    }
}

// A display tile over missing layer tiles is uniform, and is skipped only where the reference
// arithmetic leaves every canvas pixel as it is: drawn with blendRowReference (Dissolve: with
// dissolvePixel at every noise) over every value of every channel at every alpha, the targets
// stay as they were exactly when the table says the tile may be skipped.
TEST(Compositing, UniformTileSkipsFollowTheReference) {
    std::vector<uint32_t> targets;
    for (uint32_t a = 0; a < 256; ++a)
        for (uint32_t c = 0; c < 256; ++c) targets.push_back(rgba(c, 255 - c, c ^ 0x55, a));
    int skipped = 0;
    for (int mode = 0; mode < kBlendModeCount; ++mode) {
        const uint32_t value = displayUniformValue(mode);
        for (uint32_t opacity : {0u, 1u, 128u, 255u}) {
            bool unchanged = true;
            if (blendMode(mode).rule == BlendRule::Dissolve) {
                for (uint32_t noise = 0; noise < 255 && unchanged; ++noise)
                    for (uint32_t t : targets)
                        if (dissolvePixel(value, t, opacity, noise) != t) unchanged = false;
            } else {
                std::vector<uint32_t> drawn = targets;
                const std::vector<uint32_t> source(targets.size(), value);
                blendRowReference(mode, drawn.data(), source.data(), drawn.size(), opacity);
                unchanged = drawn == targets;
            }
            EXPECT_EQ(uniformTileLeavesCanvas(mode, value, opacity), unchanged)
                << blendMode(mode).name << " at " << opacity;
            skipped += unchanged;
        }
    }
    // Over transparent leaves the canvas at every opacity; some backdrops are only nearly
    // neutral, so not every mode is skipped.
    EXPECT_TRUE(uniformTileLeavesCanvas(0, 0, 77));
    EXPECT_GT(skipped, 4);
    EXPECT_LT(skipped, 4 * kBlendModeCount);
}

// Display tiles take their blocks from the buffer pool and give them back: after one round of
// zoom changes and pans, further rounds take nothing new from the system, and a view dropped
// leaves no block live.
TEST(Compositing, DisplayTilesReuseTheirBlocks) {
    if (kPoolsPassThrough) GTEST_SKIP() << "every block comes from the system's allocator";
    std::mt19937 rng(23);
    Document doc;
    doc.Width = 900;
    doc.Height = 500;
    for (int mode : {0, 1, 4}) doc.layers.push_back(makeLayer(rng, 900, 500, mode, 200));
    const Image paper;
    Image canvas = *createImage(700, 400, 32);
    // The free blocks other tests left are given back, so that the retention leaves room for
    // these.
    setBufferRetention(0);
    trimBufferPool();
    setBufferRetention(size_t(64) << 20);
    const size_t liveBefore = bufferPoolStats().live;
    PoolStats afterFirstRound{};
    {
        ViewCache view;
        auto round = [&] {
            for (int zoom : {100, 50, 250, 100}) {
                resetDisplays(doc.layers, zoom, view);
                for (int offset : {0, -400, -900, 0}) {
                    CanvasScene scene{doc, view, paper, offset, offset / 2, 0, GridSettings{}};
                    scene.zoom = zoom;
                    composeCanvas(canvas, scene, Rect{0, 0, 700, 400});
                }
                ASSERT_GT(view.tileCount(), 0u);
            }
        };
        round();
        afterFirstRound = bufferPoolStats();
        for (int i = 0; i < 3; ++i) round();
        const PoolStats now = bufferPoolStats();
        EXPECT_EQ(now.fromSystem, afterFirstRound.fromSystem);
        EXPECT_EQ(now.live, afterFirstRound.live);
        EXPECT_EQ(now.live, liveBefore + view.tileCount());
    }
    EXPECT_EQ(bufferPoolStats().live, liveBefore);
}

}  // namespace
}  // namespace qm
