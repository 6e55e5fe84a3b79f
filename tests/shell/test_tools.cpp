// The other tools on the canvas (fill, lines, shapes, gradient, picker) and the adjustments of
// the Image menu, as the painter reaches them: each is one undo step, and the view always shows
// the layers as they are.
#include <functional>
#include <string>

#include "document/layer_ops.h"
#include "raster/shapes.h"
#include "shell/commands/layer_commands.h"
#include "shell/commands/tool_commands.h"
#include "shell/commands/zoom_commands.h"
#include "shell/edits.h"
#include "shell/panels/layer_panel.h"
#include "shell/panels/view_position.h"
#include "shell/view/canvas_frame.h"
#include "shell/view/view.h"
#include "shell_fixture.h"

namespace qm::test {
namespace {

using T = CanvasEventType;

constexpr uint32_t kRed = rgba(255, 0, 0, 255);

bool same(const Image& a, const Image& b) {
    return a.width == b.width && a.height == b.height && a.pixels == b.pixels;
}

// The bounding rectangle of the pixels that are not transparent (alpha above 0).
Rect paintedBounds(const Image& image) {
    int x0 = image.width, y0 = image.height, x1 = -1, y1 = -1;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (alpha(image.at(x, y))) {
                x0 = std::min(x0, x), x1 = std::max(x1, x);
                y0 = std::min(y0, y), y1 = std::max(y1, y);
            }
    return x1 < 0 ? Rect{} : Rect{x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

class Tools : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        newDocument("200", "150");
        app.brush.selectedColor = kRed;
        app.brush.alpha = 255;
    }
    Layer& layer() { return *currentLayer(app.doc); }
    // Canvas events at view point (x, y) of the document.
    void at(T type, int x, int y, bool ctrl = false) {
        CanvasEvent e;
        e.type = type;
        e.x = x + app.ViewOffsetX;
        e.y = y + app.ViewOffsetY;
        e.ctrl = ctrl;
        e.leftHeld = type == T::Move;
        onCanvasEvent(app, e);
    }
    void drag(int x0, int y0, int x1, int y1, bool ctrl = false) {
        at(T::LeftDown, x0, y0);
        at(T::Move, (x0 + x1) / 2, (y0 + y1) / 2, ctrl);
        at(T::Move, x1, y1, ctrl);
        at(T::LeftUp, x1, y1, ctrl);
    }
    void expectViewShowsLayers() {
        ASSERT_TRUE(ui.lastCanvas());
        EXPECT_TRUE(same(*ui.lastCanvas(), freshCanvas(app)));
        EXPECT_TRUE(same(app.canvasImage, freshCanvas(app)));
    }
};

TEST_F(Tools, ShapesFromPressToRelease) {
    struct Case {
        const char* what;
        Cmd tool;
        int x0, y0, x1, y1;
        bool ctrl;
        Rect painted;
    } cases[] = {
        // Dragged up and to the left: it extends left of and above the press.
        {"box up-left", Cmd::Box, 60, 50, 40, 20, false, {40, 20, 20, 30}},
        {"box with Control is square", Cmd::Box, 10, 10, 30, 90, true, {10, 10, 20, 20}},
        {"box up-left with Control", Cmd::Box, 60, 50, 40, 90, true, {40, 30, 20, 20}},
        {"ellipse", Cmd::Ellipse, 50, 50, 60, 55, false, {40, 45, 21, 11}},
        // The radius is the horizontal distance, whatever the vertical one.
        {"ellipse with Control is a circle", Cmd::Ellipse, 50, 50, 60, 90, true, {40, 40, 21, 21}},
        {"line", Cmd::Line, 30, 40, 10, 20, false, {10, 20, 21, 21}},
        {"gradient", Cmd::Gradient, 10, 10, 50, 40, false, {10, 10, 40, 30}},
        {"straight speed line paints nothing", Cmd::StraightSpeedLine, 10, 10, 50, 40, false, {}},
        {"pattern paints nothing", Cmd::Pattern, 10, 10, 50, 40, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        menu(Cmd::Clear);
        menu(c.tool);
        startHistory(app);
        at(T::LeftDown, c.x0, c.y0);
        at(T::Move, c.x1, c.y1, c.ctrl);
        // The preview is over the canvas only: the layer is untouched until the release.
        EXPECT_EQ(paintedBounds(layer().image.toImage()), Rect{});
        if (!c.painted.empty()) {
            const int cx = c.painted.x + c.painted.w / 2 + app.ViewOffsetX;
            const int cy = c.painted.y + c.painted.h / 2 + app.ViewOffsetY;
            if (c.tool == Cmd::Box || c.tool == Cmd::Ellipse) {
                EXPECT_EQ(ui.lastCanvas()->at(cx, cy), kRed);
            }
        }
        at(T::LeftUp, c.x1, c.y1, c.ctrl);
        EXPECT_EQ(paintedBounds(layer().image.toImage()), c.painted);
        EXPECT_EQ(app.history.undoSteps(), c.painted.empty() ? 0u : 1u);
        expectViewShowsLayers();
    }
}

// The preview shows the shape only where the document is, as the layer will.
TEST_F(Tools, PreviewStaysInsideTheDocument) {
    menu(Cmd::Box);
    const Image before = app.canvasImage;
    at(T::LeftDown, 190, 140);
    at(T::Move, 260, 190);
    Image expected = before;
    fillBox(expected, 190 + app.ViewOffsetX, 140 + app.ViewOffsetY, 10, 10, solidPaint(kRed));
    EXPECT_TRUE(same(*ui.lastCanvas(), expected));
    at(T::LeftUp, 260, 190);
    EXPECT_EQ(paintedBounds(layer().image.toImage()), (Rect{190, 140, 10, 10}));
}

// A layer that keeps its alpha takes the shape only over its painted pixels, in the preview
// as on release.
TEST_F(Tools, KeepAlphaPreviewShowsWhatTheLayerTakes) {
    {
        Image whole = layer().image.toImage();
        fillBox(whole, 20, 20, 10, 10, solidPaint(rgba(0, 0, 255, 255)));
        layer().image = whole;
    }
    rebuildAllDisplayImages(app);
    recomposeView(app, false);
    app.brush.keepAlpha = 1;
    menu(Cmd::Box);
    at(T::LeftDown, 10, 10);
    at(T::Move, 25, 25);
    const int ox = app.ViewOffsetX, oy = app.ViewOffsetY;
    EXPECT_EQ(ui.lastCanvas()->at(ox + 22, oy + 22), kRed);
    EXPECT_EQ(ui.lastCanvas()->at(ox + 12, oy + 12), freshCanvas(app).at(ox + 12, oy + 12));
    at(T::LeftUp, 25, 25);
    EXPECT_EQ(paintedBounds(layer().image.toImage()), (Rect{20, 20, 10, 10}));
    EXPECT_EQ(layer().image.at(22, 22), kRed);
    EXPECT_EQ(layer().image.at(27, 27), rgba(0, 0, 255, 255));
    // The transparent pixels it covered stay all 0, so the fill still sees one region there;
    // and a fill keeping alpha on a transparent region changes nothing.
    EXPECT_EQ(layer().image.at(12, 12), 0u);
    menu(Cmd::FillTool);
    at(T::LeftDown, 5, 5);
    at(T::LeftUp, 5, 5);
    EXPECT_EQ(layer().image.at(5, 5), 0u);
    app.brush.keepAlpha = 0;
    at(T::LeftDown, 5, 5);
    at(T::LeftUp, 5, 5);
    EXPECT_EQ(layer().image.at(12, 12), kRed);
    EXPECT_EQ(layer().image.at(199, 149), kRed);
}

// Moves show a fresh shape each time; what the canvas showed under the last one comes back.
TEST_F(Tools, PreviewFollowsThePointerAndLeavesNoTrace) {
    menu(Cmd::Box);
    const Image before = app.canvasImage;
    at(T::LeftDown, 10, 10);
    at(T::Move, 80, 80);
    at(T::Move, 20, 20);
    Image expected = before;
    fillBox(expected, 10 + app.ViewOffsetX, 10 + app.ViewOffsetY, 10, 10, solidPaint(kRed));
    EXPECT_TRUE(same(*ui.lastCanvas(), expected));
    // Control pressed during the drag constrains the box and picks no colour.
    key(T::KeyDown, 0x11);
    at(T::Move, 30, 90, true);
    at(T::LeftUp, 30, 90, true);
    key(T::KeyUp, 0x11);
    EXPECT_EQ(paintedBounds(layer().image.toImage()), (Rect{10, 10, 20, 20}));
    EXPECT_EQ(app.brush.selectedColor & 0xFFFFFFu, kRed & 0xFFFFFFu);
    expectViewShowsLayers();
}

TEST_F(Tools, GradientDependsOnRowsOnly) {
    app.iface.backgroundColor = rgba(0, 0, 255, 255);
    menu(Cmd::Gradient);
    drag(10, 10, 50, 40);
    const Image narrow = layer().image.toImage();
    menu(Cmd::Clear);
    drag(10, 10, 120, 40);  // only wider
    const Image wide = layer().image.toImage();
    for (int y = 10; y < 40; ++y) {
        EXPECT_EQ(narrow.at(10, y), wide.at(119, y)) << y;
        EXPECT_EQ(narrow.at(49, y), narrow.at(10, y)) << y;
    }
    EXPECT_EQ(narrow.at(10, 10), kRed);  // the tool colour at the press row
    EXPECT_NE(narrow.at(10, 39), narrow.at(10, 10));
    // Row 39 of 10..40 is 29/30 of the way to the background colour: 246.5 rounds to 246.
    EXPECT_EQ(narrow.at(10, 39), rgba(8, 0, 246, 255));
}

TEST_F(Tools, FillSeedsAtTheLayerPixelUnderThePress) {
    // A 4-connected island of blue around layer pixel (50, 30), in a transparent layer.
    {
        Image whole = layer().image.toImage();
        fillBox(whole, 48, 28, 5, 5, solidPaint(rgba(0, 0, 255, 255)));
        layer().image = whole;
    }
    rebuildAllDisplayImages(app);
    setZoomAndApply(app, 200);
    menu(Cmd::FillTool);
    at(T::LeftDown, 100, 60);
    at(T::LeftUp, 100, 60);
    EXPECT_EQ(layer().image.at(50, 30), kRed);
    EXPECT_EQ(paintedBounds(layer().image.toImage()), (Rect{48, 28, 5, 5}));
    EXPECT_EQ(layer().image.at(47, 30), 0u);  // the transparent rest is another region
    EXPECT_EQ(app.history.undoSteps(), 1u);
    expectViewShowsLayers();
}

TEST_F(Tools, RadialSpeedLineLeavesAFanAsOneStep) {
    menu(Cmd::RadialSpeedLine);
    at(T::LeftDown, 100, 100);
    at(T::Move, 150, 100);
    at(T::Move, 100, 140);
    at(T::LeftUp, 60, 100);
    EXPECT_EQ(layer().image.at(150, 100), kRed);
    EXPECT_EQ(layer().image.at(100, 140), kRed);
    EXPECT_EQ(layer().image.at(60, 100), kRed);
    EXPECT_EQ(app.history.undoSteps(), 1u);
    expectViewShowsLayers();
    menu(Cmd::Undo);
    EXPECT_EQ(paintedBounds(layer().image.toImage()), Rect{});
}

// After the move tool, every tool paints where the pointer is, at any zoom: the layer's pixel
// under the pointer is the document pixel less the layer's offset.
TEST_F(Tools, EveryToolPaintsUnderThePointerOnAMovedLayer) {
    struct Case {
        const char* what;
        Cmd tool;
        int x0, y0, x1, y1;  // document pixels under the pointer
        Rect painted;        // in the layer: the document rectangle less the offset (30, 20)
    } cases[] = {
        {"box", Cmd::Box, 60, 50, 80, 70, {30, 30, 20, 20}},
        {"line", Cmd::Line, 60, 50, 80, 70, {30, 30, 21, 21}},
        {"radial speed line", Cmd::RadialSpeedLine, 60, 50, 80, 70, {30, 30, 21, 21}},
        {"gradient", Cmd::Gradient, 60, 50, 80, 70, {30, 30, 20, 20}},
        {"fill of the island", Cmd::FillTool, 50, 40, 50, 40, {10, 10, 20, 20}},
        {"brush", Cmd::Brush, 60, 50, 100, 50, {}},
    };
    for (int zoom : {100, 200, 50}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + " at " + std::to_string(zoom) + " %");
            setZoomAndApply(app, zoom);
            const auto view = [zoom](int v) { return v * zoom / 100; };
            Layer& l = layer();
            l.X = l.Y = 0;
            menu(Cmd::Clear);
            menu(Cmd::MoveTool);
            drag(view(10), view(10), view(40), view(30));
            ASSERT_EQ(l.X, 30);
            ASSERT_EQ(l.Y, 20);
            if (c.tool == Cmd::FillTool) {  // a blue island under document (40..60, 30..50)
                {
                    Image whole = l.image.toImage();
                    fillBox(whole, 10, 10, 20, 20, solidPaint(rgba(0, 0, 255, 255)));
                    l.image = whole;
                }
                rebuildAllDisplayImages(app);
                recomposeView(app, false);
            }
            menu(c.tool);
            at(T::LeftDown, view(c.x0), view(c.y0));
            at(T::Move, view((c.x0 + c.x1) / 2), view((c.y0 + c.y1) / 2));
            at(T::Move, view(c.x1), view(c.y1));
            at(T::LeftUp, view(c.x1), view(c.y1));
            if (c.tool == Cmd::Brush) {
                // Dabs from document x 100 back towards 60 along row 50: row 30 of the layer.
                const Rect painted = paintedBounds(l.image.toImage());
                EXPECT_NEAR(painted.y + painted.h / 2.0, 30.0, 1.0);
                EXPECT_NEAR(painted.x + painted.w / 2.0, 50.0, 3.0);
            } else {
                EXPECT_EQ(paintedBounds(l.image.toImage()), c.painted);
            }
            // The canvas shows it under the pointer.
            const int px = app.ViewOffsetX + view((c.x0 + c.x1) / 2) + 1;
            const int py = app.ViewOffsetY + view((c.y0 + c.y1) / 2) + 1;
            if (app.canvasImage.contains(px, py) && c.tool != Cmd::Gradient) {
                EXPECT_GE(red(ui.lastCanvas()->at(px, py)), 250u);
                EXPECT_EQ(green(ui.lastCanvas()->at(px, py)), 0u);
            }
            expectViewShowsLayers();
        }
    }
}

// The move tool moves the layer over the document: it shows inside the document only, and
// stays over the same document pixels when the zoom changes.
TEST_F(Tools, AMovedLayerShowsOverTheDocumentOnly) {
    {
        Image whole = layer().image.toImage();
        fillBox(whole, 0, 0, 200, 150, solidPaint(kRed));
        layer().image = whole;
    }
    rebuildAllDisplayImages(app);
    menu(Cmd::MoveTool);
    drag(10, 10, 40, 30);  // by (30, 20)
    for (int zoom : {100, 200, 50}) {
        SCOPED_TRACE(zoom);
        setZoomAndApply(app, zoom);
        const Image& shown = *ui.lastCanvas();
        const auto at = [&](int docX, int docY) {
            return shown.at(app.ViewOffsetX + docX * zoom / 100,
                            app.ViewOffsetY + docY * zoom / 100);
        };
        EXPECT_EQ(at(31, 21), kRed);
        EXPECT_EQ(at(199, 149), kRed);
        EXPECT_NE(at(28, 40), kRed);  // left of the layer: the paper
        EXPECT_NE(at(40, 18), kRed);
        // The layer reaches past the document's right and bottom edges; nothing of it shows
        // there.
        const int rightX = app.ViewOffsetX + 200 * zoom / 100 + 2;
        const int belowY = app.ViewOffsetY + 150 * zoom / 100 + 2;
        const uint32_t background = app.prefs.ColorBG | 0xFF000000u;
        if (shown.contains(rightX, app.ViewOffsetY + 100)) {
            EXPECT_EQ(shown.at(rightX, app.ViewOffsetY + 100), background);
        }
        if (shown.contains(app.ViewOffsetX + 100, belowY)) {
            EXPECT_EQ(shown.at(app.ViewOffsetX + 100, belowY), background);
        }
        expectViewShowsLayers();
    }
}

// A hidden layer takes no paint; the status bar says why, until the layer shows again.
TEST_F(Tools, PaintingOnAHiddenLayerSaysSoInTheStatusBar) {
    const std::string note = "The layer is hidden";
    setLayerVisibility(app, 0, false);
    struct Case {
        Cmd tool;
        bool noted;
    } cases[] = {{Cmd::Brush, true},
                 {Cmd::Box, true},
                 {Cmd::FillTool, true},
                 {Cmd::MoveTool, true},
                 {Cmd::Hand, false},
                 {Cmd::ColorPicker, false},
                 {Cmd::StraightSpeedLine, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.tool));
        app.tools.hiddenLayerNoted = false;
        refreshStatusBar(app);
        ASSERT_EQ(ui.statusText(3), "");
        menu(c.tool);
        drag(10, 10, 60, 40);
        EXPECT_EQ(paintedBounds(layer().image.toImage()), Rect{});
        EXPECT_EQ(ui.statusText(3), c.noted ? note : "");  // the release's refresh keeps it
    }
    menu(Cmd::Brush);
    drag(10, 10, 60, 40);
    ASSERT_EQ(ui.statusText(3), note);
    setLayerVisibility(app, 0, true);
    EXPECT_EQ(ui.statusText(3), "");
    drag(10, 10, 60, 40);
    EXPECT_NE(paintedBounds(layer().image.toImage()), Rect{});
    EXPECT_EQ(ui.statusText(3), "");
}

TEST_F(Tools, PickerAndControlPickTakeTheColourShown) {
    {
        Image whole = layer().image.toImage();
        fillBox(whole, 0, 0, 20, 20, solidPaint(rgba(10, 200, 30, 255)));
        layer().image = whole;
    }
    rebuildAllDisplayImages(app);
    recomposeView(app, false);
    struct Case {
        const char* what;
        bool controlKey;
    } cases[] = {{"picker tool", false}, {"Control held", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        app.brush.selectedColor = kRed;
        menu(c.controlKey ? Cmd::Box : Cmd::ColorPicker);
        if (c.controlKey) key(T::KeyDown, 0x11);
        at(T::LeftDown, 5, 5, c.controlKey);
        at(T::LeftUp, 5, 5, c.controlKey);
        if (c.controlKey) key(T::KeyUp, 0x11);
        EXPECT_EQ(app.brush.selectedColor & 0xFFFFFFu, rgb(10, 200, 30));
        EXPECT_EQ(app.brush.color & 0xFFFFFFu, rgb(10, 200, 30));
        EXPECT_EQ(app.history.undoSteps(), 0u);  // nothing drawn
    }
}

// The brightness window shows the adjusted layer without changing it; OK changes it, closing
// without OK leaves it as it was.
TEST_F(Tools, BrightnessPreviewThenOkOrClose) {
    {
        Image whole = layer().image.toImage();
        fillBox(whole, 0, 0, 200, 150, solidPaint(rgba(100, 50, 20, 255)));
        layer().image = whole;
    }
    rebuildAllDisplayImages(app);
    recomposeView(app, false);
    const Image original = layer().image.toImage();
    const Image shownBefore = *ui.lastCanvas();
    const int px = 10 + app.ViewOffsetX, py = 10 + app.ViewOffsetY;

    menu(Cmd::Brightness);
    control(Gadget::BrightnessTrack, 300);
    EXPECT_TRUE(same(layer().image.toImage(), original));
    EXPECT_EQ(ui.lastCanvas()->at(px, py), rgba(200, 100, 40, 255));
    control(Gadget::BrightnessTrack, 0);
    EXPECT_EQ(ui.lastCanvas()->at(px, py), rgba(0, 0, 0, 255));
    onCloseWindow(app, id(Window::Brightness));
    EXPECT_TRUE(same(layer().image.toImage(), original));
    EXPECT_TRUE(same(*ui.lastCanvas(), shownBefore));
    EXPECT_EQ(app.history.undoSteps(), 0u);

    menu(Cmd::Brightness);
    control(Gadget::BrightnessTrack, 225);
    control(Gadget::BrightnessOk, 0, ControlEventType::Click);
    EXPECT_EQ(layer().image.at(5, 5), rgba(150, 75, 30, 255));
    EXPECT_EQ(app.history.undoSteps(), 1u);
    expectViewShowsLayers();
    // A state beyond the slider's range is taken at its end.
    menu(Cmd::Brightness);
    control(Gadget::BrightnessTrack, 100000);
    control(Gadget::BrightnessOk, 0, ControlEventType::Click);
    EXPECT_EQ(layer().image.at(5, 5), rgba(255, 150, 60, 255));
}

// Moving the slider makes the shown tiles again in place and drops the others: after moves and
// scrolls the canvas is the one a fresh preview at the last value shows.
TEST_F(Tools, BrightnessPreviewStepsShowWhatAFreshPreviewShows) {
    newDocument("1500", "700");  // wider than the canvas (1200), in tiles of 256 view pixels
    for (int y = 0; y < 700; ++y)
        for (int x = 0; x < 1500; ++x)
            layer().image.at(x, y) = rgba(x & 255, y & 255, (x + y) & 255, 1 + (x * 7 + y) % 255);
    rebuildAllDisplayImages(app);
    const int left = app.ViewOffsetX;
    auto scrollTo = [&](int offsetX) {
        app.ViewOffsetX = int16_t(offsetX);
        recomposeView(app, false);
    };
    menu(Cmd::Brightness);
    control(Gadget::BrightnessTrack, 300);
    scrollTo(left - 700);
    control(Gadget::BrightnessTrack, 40);
    scrollTo(left);  // the tiles dropped meanwhile are made at 40
    const Image stepped = *ui.lastCanvas();
    onCloseWindow(app, id(Window::Brightness));
    menu(Cmd::Brightness);
    control(Gadget::BrightnessTrack, 40);
    EXPECT_TRUE(same(stepped, *ui.lastCanvas()));
    EXPECT_FALSE(same(stepped, freshCanvas(app)));  // the preview shows
}

TEST_F(Tools, PasteDrawsWhatFitsFromTheTopLeft) {
    Image clip = *createImage(300, 200, 32);
    for (int y = 0; y < clip.height; ++y)
        for (int x = 0; x < clip.width; ++x) clip.at(x, y) = rgba(x & 255, y, 7, 255);
    ui.setClipboardImage(clip);
    menu(Cmd::Paste);
    for (const auto& [x, y] : {std::pair{0, 0}, {199, 149}, {120, 77}})
        EXPECT_EQ(layer().image.at(x, y), clip.at(x, y));
    EXPECT_EQ(app.history.undoSteps(), 1u);
    expectViewShowsLayers();
    // Nothing on the clipboard: nothing changes.
    ui.setClipboardImage(std::nullopt);
    menu(Cmd::Paste);
    EXPECT_EQ(app.history.undoSteps(), 1u);
}

// Every tool action and adjustment is one step: undo gives the layer back, redo the result,
// and the view follows.
TEST_F(Tools, EachActionIsOneUndoStep) {
    Image clip = *createImage(40, 30, 32);
    std::fill(clip.pixels.begin(), clip.pixels.end(), rgba(0, 90, 0, 200));
    ui.setClipboardImage(clip);
    struct Case {
        const char* what;
        std::function<void()> act;
    } cases[] = {
        {"line", [&] { menu(Cmd::Line), drag(5, 5, 90, 60); }},
        {"box", [&] { menu(Cmd::Box), drag(30, 30, 10, 10); }},
        {"ellipse", [&] { menu(Cmd::Ellipse), drag(60, 60, 70, 80); }},
        {"gradient", [&] { menu(Cmd::Gradient), drag(0, 100, 200, 140); }},
        // Around the shapes above: rows of several spans, some tiles with holes.
        {"fill", [&] { menu(Cmd::FillTool), at(T::LeftDown, 150, 10), at(T::LeftUp, 150, 10); }},
        {"radial line", [&] { menu(Cmd::RadialSpeedLine), drag(100, 20, 180, 60); }},
        {"invert", [&] { menu(Cmd::InverseColor); }},
        {"grey", [&] { menu(Cmd::ColorToGrey); }},
        {"brightness",
         [&] {
             menu(Cmd::Brightness);
             control(Gadget::BrightnessTrack, 200);
             control(Gadget::BrightnessOk, 0, ControlEventType::Click);
         }},
        {"paste", [&] { menu(Cmd::Paste); }},
    };
    app.brush.selectedColor = rgba(200, 40, 90, 0);
    app.brush.alpha = 180;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Image before = layer().image.toImage();
        const size_t steps = app.history.undoSteps();
        c.act();
        const Image after = layer().image.toImage();
        EXPECT_FALSE(same(after, before));
        EXPECT_EQ(app.history.undoSteps(), std::min<size_t>(steps + 1, app.prefs.Undo));
        menu(Cmd::Undo);
        EXPECT_TRUE(same(layer().image.toImage(), before));
        expectViewShowsLayers();
        menu(Cmd::Redo);
        EXPECT_TRUE(same(layer().image.toImage(), after));
        expectViewShowsLayers();
    }
}

// The adjustments and Clear work on the tiles the layer has: a missing tile stays missing, a
// clear leaves none, and undo gives the tiles back. A preview of another layer than the one the
// step adjusts is taken back where it showed.
TEST_F(Tools, AdjustmentsAndClearKeepMissingTilesMissing) {
    {
        Image whole = layer().image.toImage();
        fillBox(whole, 10, 10, 40, 30, solidPaint(rgba(100, 50, 20, 255)));
        fillBox(whole, 150, 100, 20, 20, solidPaint(rgba(40, 50, 60, 0), DrawMode::AllChannels));
        layer().image = whole;
    }
    const size_t tiles = layer().image.tileCount();
    ASSERT_EQ(tiles, 2u);
    menu(Cmd::InverseColor);
    EXPECT_EQ(layer().image.tileCount(), 1u);  // colour under alpha 0 became 0: dropped
    EXPECT_EQ(layer().image.at(10, 10), rgba(155, 205, 235, 255));
    expectViewShowsLayers();
    menu(Cmd::Undo);
    EXPECT_EQ(layer().image.tileCount(), tiles);
    EXPECT_EQ(layer().image.at(150, 100), rgba(40, 50, 60, 0));
    menu(Cmd::Clear);
    EXPECT_EQ(layer().image.tileCount(), 0u);
    expectViewShowsLayers();
    menu(Cmd::Undo);
    EXPECT_EQ(layer().image.tileCount(), tiles);
    menu(Cmd::Clear);
    menu(Cmd::Clear);  // an empty layer: still no tile
    EXPECT_EQ(layer().image.tileCount(), 0u);
    menu(Cmd::Undo);
    menu(Cmd::Undo);
    expectViewShowsLayers();

    // The preview shows the first layer; the second is current when the step is applied.
    menu(Cmd::NewLayer);
    {
        Image whole = layer().image.toImage();
        fillBox(whole, 60, 60, 50, 50, solidPaint(rgba(20, 200, 20, 255)));
        layer().image = whole;
    }
    ASSERT_TRUE(selectLayerRow(app.doc, 0));
    menu(Cmd::Brightness);
    control(Gadget::BrightnessTrack, 300);
    EXPECT_FALSE(same(*ui.lastCanvas(), freshCanvas(app)));  // the preview shows
    ASSERT_TRUE(selectLayerRow(app.doc, 1));
    control(Gadget::BrightnessOk, 0, ControlEventType::Click);
    EXPECT_EQ(layer().image.at(60, 60), rgba(40, 255, 40, 255));
    expectViewShowsLayers();
}

TEST_F(Tools, HiddenLayerTakesNoToolAndNoPreview) {
    layer().Visible = 0;
    for (const Cmd tool : {Cmd::Box, Cmd::FillTool, Cmd::RadialSpeedLine}) {
        menu(tool);
        drag(10, 10, 60, 60);
        EXPECT_EQ(paintedBounds(layer().image.toImage()), Rect{});
    }
    EXPECT_EQ(app.history.undoSteps(), 0u);
}

}  // namespace
}  // namespace qm::test
