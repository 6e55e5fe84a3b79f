// The canvas view: zoom limits, display images after a zoom change, centring, the status bar
// and title, and a composed scene of several layers and modes checked against its expected
// image.
#include "document/compositing.h"
#include "document/document_ops.h"
#include "shell/commands/zoom_commands.h"
#include "shell/panels/view_position.h"
#include "shell/view/canvas_frame.h"
#include "shell/view/view.h"
#include "shell_fixture.h"

namespace qm::test {

namespace {

Image filledImage(int w, int h, uint32_t colour, int depth = 32) {
    Image image = *createImage(w, h, depth);
    for (uint32_t& p : image.pixels) p = colour;
    return image;
}

}  // namespace

TEST_F(ShellTest, ZoomIsClampedToTheDocumentsLimits) {
    // Low documents keep the view images small while the larger side sets the limit.
    struct Case {
        const char* width;
        const char* height;
        int zoom, expected, viewWidth;
    };
    for (const Case& c : {Case{"3000", "1", 300, 266, 7980}, Case{"1024", "1", 800, 781, 7997},
                          Case{"1024", "10", 3, 10, 102}}) {
        newDocument(c.width, c.height);
        setZoomAndApply(app, c.zoom);
        EXPECT_EQ(app.viewState.Zoom, c.expected) << c.width;
        EXPECT_EQ(display(app.doc.layers[0]).width, c.viewWidth) << c.width;
        EXPECT_EQ(app.paperView9.width, c.viewWidth) << c.width;
    }
    // "Zoom-" from 10 asks for 5, which is raised back to 10.
    menu(Cmd::ZoomOut);
    EXPECT_EQ(app.viewState.Zoom, 10);
    // A fixed level above the limit is clamped too.
    newDocument("3000", "1");
    menu(Cmd::Zoom300);
    EXPECT_EQ(app.viewState.Zoom, 266);
}

// After a zoom change every layer has the display image the recomposition's rebuild makes, with
// its backdrop and opacity, whether or not it is selected.
TEST_F(ShellTest, ZoomGivesEveryLayerTheRebuiltDisplayImage) {
    newDocument("60", "40");
    menu(Cmd::NewLayer);
    menu(Cmd::NewLayer);
    Layer& normal = app.doc.layers[0];
    Layer& multiply = app.doc.layers[1];
    normal.image = filledImage(60, 40, rgba(200, 10, 10, 255));
    normal.Opacity = 100;
    multiply.Blendmode = 1;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 60; ++x) multiply.image.at(x, y) = rgba(90, 180, 40, 255);
    for (int zoom : {200, 50, 100}) {
        setZoomAndApply(app, zoom);
        for (const Layer& layer : app.doc.layers) {
            Image expected;
            ASSERT_TRUE(buildDisplayImage(layer, zoom, expected));
            EXPECT_EQ(display(layer).pixels, expected.pixels) << layer.Name << " at " << zoom;
        }
    }
}

// At 266 % a 3000 x 3000 layer is 7980 pixels on a side (255 MB at view scale): the view holds
// only the tiles under the canvas and its margin, wherever the view is moved.
TEST_F(ShellTest, ZoomHoldsOnlyWhatTheCanvasShows) {
    constexpr int kCanvasW = 800, kCanvasH = 600;
    ui.setCanvasSize(kCanvasW, kCanvasH);
    newDocument("3000", "3000");
    menu(Cmd::NewLayer);
    // Painted all over: the view makes no display tile over a layer's unpainted tiles.
    for (Layer& layer : app.doc.layers)
        for (int ty = 0; ty < layer.image.rows(); ++ty)
            for (int tx = 0; tx < layer.image.columns(); ++tx) {
                const PixelView v = layer.image.writableTile(tx, ty);
                for (int y = 0; y < v.height; ++y)
                    std::fill_n(v.pixels + y * v.stride, v.width, rgba(10, 20, 30, 255));
            }
    const size_t layers = app.doc.layers.size();
    const size_t bound = layers *
                         (kCanvasW + 2 * kDisplayTileMargin + 2 * (1 << kDisplayTileShiftX)) *
                         (kCanvasH + 2 * kDisplayTileMargin + 2 * (1 << kDisplayTileShiftY)) * 4;
    for (int zoom : {266, 50, 266}) {
        setZoomAndApply(app, zoom);
        ASSERT_NE(app.view.find(app.doc.layers[0].id), nullptr);
        EXPECT_EQ(app.view.find(app.doc.layers[0].id)->width, 3000 * zoom / 100);
        EXPECT_LE(app.view.tileBytes(), bound) << zoom;
        centerView(app);
        EXPECT_GT(app.view.tileBytes(), 0u);
        EXPECT_LE(app.view.tileBytes(), bound) << zoom << " centred";
    }
    // Panning to each corner of the document drops what the canvas left behind.
    const int far = -3000 * 266 / 100 + kCanvasW;
    for (const auto& [x, y] : {std::pair{0, 0}, {far, 0}, {far, far}, {0, far}}) {
        app.ViewOffsetX = int16_t(x);
        app.ViewOffsetY = int16_t(y);
        recomposeView(app, false);
        EXPECT_LE(app.view.tileBytes(), bound) << x << "," << y;
    }
}

TEST_F(ShellTest, CentreAndResetTheView) {
    ui.setCanvasSize(1200, 800);
    newDocument("3000", "2000");
    setZoomAndApply(app, 100);
    centerView(app);
    EXPECT_EQ(app.ViewOffsetX, 600 - 1500);  // wider than the canvas: negative
    EXPECT_EQ(app.ViewOffsetY, 400 - 1000);
    setZoomAndApply(app, 25);
    centerView(app);
    EXPECT_EQ(app.ViewOffsetX, 600 - 375);
    EXPECT_EQ(app.ViewOffsetY, 400 - 250);
    resetView(app);
    EXPECT_EQ(app.ViewOffsetX, 0);
    EXPECT_EQ(app.ViewOffsetY, 0);
}

TEST_F(ShellTest, StatusBarAndTitle) {
    newDocument("60", "40");
    setZoomAndApply(app, 50);
    EXPECT_EQ(ui.statusText(0), "Zoom : 50%");
    EXPECT_EQ(ui.statusText(1), "Doc Width : 60/Height : 40");
    app.pointerX = 7;
    app.pointerY = -1;
    refreshStatusBar(app);
    EXPECT_EQ(ui.statusText(0), "Zoom : 50 %");
    EXPECT_EQ(ui.statusText(1), "Doc : 60/40");
    EXPECT_EQ(ui.statusText(2), "Mouse : 7/-1");
    EXPECT_EQ(ui.statusText(3), "");
    setInitialTitle(app);
    EXPECT_EQ(ui.windowTitle(), "Quillmoth 0.2987 [Untitled]");
}

// A 40 x 30 document on a grey paper at (12, 9) of a 64 x 48 canvas, with
//   Layer1 Normal: red (200, 0, 0) on its left half;
//   Layer2 Multiply: (128, 255, 64) on its top half, transparent below;
//   Layer3 Screen at opacity 128: opaque blue 200 everywhere, so its display image is
//          (0, 0, 100) (200 * 128 / 255 over the black backdrop);
//   Layer4 Difference, hidden;
// and the grid every 20 pixels in black. The expected colours are worked by hand from the
// rules: e.g. top right = paper 100 multiplied by (128, 255, 64) = (50, 100, 25), then screened
// by (0, 0, 100): blue 255 - 155 * 230 / 255 = 116.
TEST_F(ShellTest, ComposedSceneEqualsItsExpectedImage) {
    ui.setCanvasSize(64, 48);
    newDocument("40", "30");
    for (int i = 0; i < 3; ++i) menu(Cmd::NewLayer);
    ASSERT_EQ(app.doc.layers.size(), 4u);
    app.prefs.ColorBG = rgb(150, 150, 150);
    app.prefs.grid = 1;
    app.prefs.gridW = 20;
    app.prefs.gridH = 20;
    app.prefs.gridColor = 0;
    app.paperImage8 = filledImage(40, 30, rgba(100, 100, 100, 255), 24);
    auto& layers = app.doc.layers;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            if (x < 20) layers[0].image.at(x, y) = rgba(200, 0, 0, 255);
            if (y < 15) layers[1].image.at(x, y) = rgba(128, 255, 64, 255);
            layers[2].image.at(x, y) = rgba(0, 0, 200, 255);
            layers[3].image.at(x, y) = rgba(255, 255, 255, 255);
        }
    layers[1].Blendmode = 1;
    layers[2].Blendmode = 3;
    layers[2].Opacity = 128;
    layers[3].Blendmode = 8;
    layers[3].Visible = 0;
    app.ViewOffsetX = 12;
    app.ViewOffsetY = 9;
    setZoomAndApply(app, 100);

    Image expected = filledImage(64, 48, rgba(150, 150, 150, 255));
    const uint32_t quarter[2][2] = {{rgba(100, 0, 100, 255), rgba(50, 100, 116, 255)},
                                    {rgba(200, 0, 100, 255), rgba(100, 100, 161, 255)}};
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) expected.at(12 + x, 9 + y) = quarter[y >= 15][x >= 20];
    for (int x : {12, 32, 52})  // i = 0..40/20
        for (int y = 9; y < 39; ++y) expected.at(x, y) = rgba(0, 0, 0, 255);
    for (int y : {9, 29})  // j = 0..round(1.5) = 2; the third line lies below the canvas
        for (int x = 12; x < 52; ++x) expected.at(x, y) = rgba(0, 0, 0, 255);

    ASSERT_TRUE(ui.lastCanvas());
    const Image& shown = *ui.lastCanvas();
    ASSERT_EQ(shown.width, 64);
    ASSERT_EQ(shown.height, 48);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) ASSERT_EQ(shown.at(x, y), expected.at(x, y)) << x << "," << y;

    // At 200 % the same colours cover twice the area, the non-selected Multiply layer included,
    // and a recomposed rectangle changes nothing when nothing changed.
    ui.setCanvasSize(90, 70);
    app.ViewOffsetX = 0;
    app.ViewOffsetY = 0;
    app.prefs.grid = 0;
    setZoomAndApply(app, 200);
    const Image before = *ui.lastCanvas();
    for (int y = 0; y < 60; y += 7)
        for (int x = 0; x < 80; x += 5)
            ASSERT_EQ(before.at(x, y), quarter[y >= 30][x >= 40]) << x << "," << y;
    recomposeRegion(app, Rect{30, 20, 20, 20});
    EXPECT_EQ(ui.lastCanvas()->pixels, before.pixels);
    // Only that rectangle is shown anew, cut to the canvas.
    EXPECT_EQ(ui.lastCanvasPart(), (Rect{30, 20, 20, 20}));
    recomposeRegion(app, Rect{80, 60, 20, 20});
    EXPECT_EQ(ui.lastCanvasPart(), (Rect{80, 60, 10, 10}));
}

}  // namespace qm::test
