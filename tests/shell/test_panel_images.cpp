// The panels' images and inputs as the shell draws and handles them: the colour picker's strip
// and square, the default swatch, the navigator, and the layer list's visibility ticks.
#include <gtest/gtest.h>

#include "raster/shapes.h"
#include "shell/commands/animation_commands.h"
#include "shell/commands/brush_commands.h"
#include "shell/commands/zoom_commands.h"
#include "shell/panels/colour_panel.h"
#include "shell/panels/navigator.h"
#include "shell/panels/panels.h"
#include "shell/panels/swatch.h"
#include "shell/panels/timeline.h"
#include "shell/panels/view_position.h"
#include "shell/view/view.h"
#include "shell_fixture.h"

namespace qm::test {
namespace {

uint32_t at(const Image& img, int x, int y) {
    return img.pixels[size_t(y) * img.width + x] & 0xFFFFFFu;
}

TEST(PanelImages, StripSquareAndSwatch) {
    const Image strip = colourStripImage();
    ASSERT_EQ(strip.width, 20);
    ASSERT_EQ(strip.height, 256);
    EXPECT_EQ(at(strip, 0, 0), rgb(255, 6, 0));  // the first step is taken before row 0
    EXPECT_EQ(at(strip, 19, 0), rgb(255, 6, 0));
    EXPECT_EQ(at(strip, 0, 42), rgb(255, 255, 0));  // green reached its end: red falls next
    EXPECT_EQ(at(strip, 0, 43), rgb(249, 255, 0));

    const Image square = colourSquareImage(rgb(0, 0, 255));
    ASSERT_EQ(square.width, 129);
    ASSERT_EQ(square.height, 129);
    EXPECT_EQ(at(square, 0, 0), rgb(255, 255, 255));  // white at the top left
    EXPECT_EQ(at(square, 128, 0), rgb(0, 0, 255));    // the colour at the top right
    EXPECT_EQ(at(square, 0, 128), rgb(0, 0, 0));      // black at the bottom

    const Image swatch = defaultSwatchImage();
    ASSERT_EQ(swatch.width, 200);
    EXPECT_EQ(at(swatch, 0, 0), rgb(255, 255, 255));  // grid line
    EXPECT_EQ(at(swatch, 12 * 3 + 5, 12 * 2 + 5), rgb(45, 30, 30));
    EXPECT_EQ(at(swatch, 12 * 16 + 5, 12 * 16 + 5), rgb(240, 240, 240));  // the cut last cell
}

class PanelInput : public ShellTest {
protected:
    void press(Gadget gadget, int x, int y) {
        ControlEvent e;
        e.gadget = id(gadget);
        e.type = ControlEventType::LeftDown;
        e.x = x;
        e.y = y;
        onControlEvent(app, e);
    }
};

TEST_F(PanelInput, StripTakesTheColourOfTheOldSquareThenShowsTheNewHue) {
    app.colourSquare55 = colourSquareImage(rgb(0, 255, 0));
    app.pickPointX = 128;
    app.pickPointY = 0;
    const uint32_t before = at(app.colourSquare55, 128, 0);
    press(Gadget::ColorStrip, 3, 0);  // red at the strip's top
    EXPECT_EQ(app.brush.selectedColor & 0xFFFFFFu, before);
    EXPECT_EQ(at(app.colourSquare55, 128, 0), at(colourSquareImage(rgb(255, 6, 0)), 128, 0));
    EXPECT_EQ(ui.gadgetText(121), std::to_string(red(before)));

    // A press on the square picks there and keeps the point; outside it is kept within.
    press(Gadget::ColorSquare, 500, -3);
    EXPECT_EQ(app.pickPointX, 128);
    EXPECT_EQ(app.pickPointY, 0);
    EXPECT_EQ(app.brush.selectedColor & 0xFFFFFFu, at(app.colourSquare55, 128, 0));

    // With the background swatch active the background colour takes it, keeping its alpha.
    app.iface.foregroundActive = 0;
    app.iface.backgroundColor = 0x80FFFFFFu;
    press(Gadget::ColorSquare, 0, 128);
    EXPECT_EQ(app.iface.backgroundColor, 0x80000000u);
    EXPECT_EQ(ui.gadgetText(id(Gadget::InfoBackground)), "R :0/ G :0/ B :0");
}

TEST_F(PanelInput, GradientAlphaBarShowsTheBackgroundAlpha) {
    const int bar = id(Gadget::GradientAlpha);
    EXPECT_EQ(ui.gadgetState(bar), 255);  // from start-up: the background colour is opaque
    control(Gadget::GradientAlpha, 90);
    EXPECT_EQ(app.iface.backgroundColor >> 24, 90u);
    // A colour picked for the background keeps its alpha, and the bar shows it again.
    app.iface.foregroundActive = 0;
    app.iface.backgroundColor = 0x40FFFFFFu;
    press(Gadget::ColorSquare, 0, 128);
    EXPECT_EQ(ui.gadgetState(bar), 0x40);
}

TEST_F(PanelInput, NavigatorClickCentresTheViewOnThatPoint) {
    press(Gadget::Navigator, 0, 0);
    EXPECT_EQ(app.ViewOffsetX, app.iface.canvasWidth / 2);
    EXPECT_EQ(app.ViewOffsetY, app.iface.canvasHeight / 2);
    // Far outside the navigator: the document's far corner, never beyond.
    press(Gadget::Navigator, 10000, 10000);
    EXPECT_EQ(app.ViewOffsetX,
              app.iface.canvasWidth / 2 - app.doc.Width * app.viewState.Zoom / 100);
    ASSERT_NE(ui.gadgetImage(id(Gadget::Navigator)), nullptr);
}

// The navigator of a 300 x 120 document on the fake's 1200 x 800 canvas: 150 x 100, the
// document fitted across its width (150 x 60) and centred, from y 20.
class NavigatorTest : public PanelInput {
protected:
    static constexpr int kTop = 20, kDocW = 150, kDocH = 60;
    void SetUp() override {
        PanelInput::SetUp();
        newDocument("300", "120");
    }
    const Image& navigator() {
        const Image* image = ui.gadgetImage(id(Gadget::Navigator));
        EXPECT_NE(image, nullptr);
        static const Image none;
        return image ? *image : none;
    }
    // What the navigator must show of the document: the canvas's composition of the whole
    // document at its own size, and the pixel of it under each navigator pixel.
    Image reference() const {
        Document doc = app.doc;
        ViewCache view;
        resetDisplays(doc.layers, 100, view);
        Image whole = *createImage(doc.Width, doc.Height, 32);
        CanvasScene scene{doc, view, app.paperImage8, 0, 0, app.prefs.ColorBG, GridSettings{}};
        scene.currentFrame = app.viewState.CurrentFrame;
        composeCanvas(whole, scene, Rect{0, 0, doc.Width, doc.Height}, 1);
        Image out = *createImage(kDocW, kDocH, 32);
        for (int y = 0; y < kDocH; ++y)
            for (int x = 0; x < kDocW; ++x)
                out.at(x, y) = whole.at(x * doc.Width / kDocW, y * doc.Height / kDocH);
        return out;
    }
    void setMode(int mode) { control(Gadget::NavigatorMode, mode); }
};

TEST_F(NavigatorTest, ShowsTheDocumentComposedAsTheCanvasComposesIt) {
    EXPECT_EQ(app.NavigatorMode, 1);  // "Mode Zoom" from the start
    EXPECT_EQ(ui.gadgetState(id(Gadget::NavigatorMode)), 1);
    // Paper, a frame of the current frame (and one of another frame, not shown), a red layer,
    // and above it a moved, half-opaque Multiply layer.
    {
        Image whole = app.doc.layers[0].image.toImage();
        fillBox(whole, 20, 10, 120, 60, solidPaint(rgba(220, 30, 30, 255)));
        app.doc.layers[0].image = whole;
    }
    ASSERT_TRUE(addLayer(app.doc, app.viewState.CurrentFrame));
    Layer& top = app.doc.layers.back();
    {
        Image whole = top.image.toImage();
        fillBox(whole, 0, 0, 100, 100, solidPaint(rgba(40, 200, 240, 200)));
        top.image = whole;
    }
    top.Blendmode = 1;
    top.Opacity = 128;
    top.X = 90;
    top.Y = 30;
    Image frame = *createImage(300, 120, 32);
    fillBox(frame, 200, 0, 60, 120, solidPaint(rgba(0, 160, 0, 255)));
    ASSERT_TRUE(addAnimationFrame(app.doc, app.viewState.CurrentFrame, tiledFrom(frame)));
    app.viewState.CurrentFrame = 2;
    fillBox(frame, 0, 0, 300, 120, solidPaint(rgba(255, 0, 255, 255)));
    ASSERT_TRUE(addAnimationFrame(app.doc, app.viewState.CurrentFrame, tiledFrom(frame)));
    app.viewState.CurrentFrame = 1;
    setMode(0);  // the picture alone

    const Image& shown = navigator();
    ASSERT_EQ(shown.width, 150);
    ASSERT_EQ(shown.height, 100);
    const Image expected = reference();
    for (int y = 0; y < kDocH; ++y)
        for (int x = 0; x < kDocW; ++x)
            ASSERT_EQ(shown.at(x, y + kTop) & 0xFFFFFFu, expected.at(x, y) & 0xFFFFFFu)
                << x << ", " << y;
    // Grey above and below the document.
    EXPECT_EQ(shown.at(75, kTop - 1) & 0xFFFFFFu, rgb(125, 125, 125));
    EXPECT_EQ(shown.at(75, kTop + kDocH) & 0xFFFFFFu, rgb(125, 125, 125));
    // The red layer, the green frame of frame 1, and the Multiply layer over both.
    EXPECT_EQ(shown.at(20, kTop + 10) & 0xFFFFFFu, rgb(220, 30, 30));
    EXPECT_EQ(shown.at(140, kTop + 5) & 0xFFFFFFu, expected.at(140, 5) & 0xFFFFFFu);
    EXPECT_NE(shown.at(50, kTop + 25), shown.at(40, kTop + 25));
}

TEST_F(NavigatorTest, ModesOutlineTheViewOverThePictureOrHideTheRest) {
    app.viewState.Zoom = 100;
    app.ViewOffsetX = -100;
    app.ViewOffsetY = 0;
    setMode(1);
    const Image picture = reference();
    const uint32_t red = rgb(255, 0, 0), grey = rgb(125, 125, 125);
    auto at = [&](int x, int y) { return navigator().at(x, y) & 0xFFFFFFu; };
    // The canvas shows document columns 100-299 (navigator 50-149), every row.
    EXPECT_EQ(at(50, kTop), red);
    EXPECT_EQ(at(50, kTop + 30), red);
    EXPECT_EQ(at(149, kTop + 30), red);
    EXPECT_EQ(at(100, kTop), red);
    EXPECT_EQ(at(100, kTop + kDocH - 1), red);
    EXPECT_EQ(at(100, kTop + 30), picture.at(100, 30) & 0xFFFFFFu);  // inside: the picture
    EXPECT_EQ(at(20, kTop + 30), picture.at(20, 30) & 0xFFFFFFu);    // outside too
    EXPECT_EQ(at(20, kTop - 1), grey);                               // off the document

    setMode(2);  // only the part under the view
    EXPECT_EQ(at(20, kTop + 30), grey);
    EXPECT_EQ(at(100, kTop + 30), picture.at(100, 30) & 0xFFFFFFu);
    EXPECT_EQ(at(50, kTop + 30), red);

    setMode(0);  // no outline
    EXPECT_EQ(at(50, kTop + 30), picture.at(50, 30) & 0xFFFFFFu);

    // Panning and centring move the outline.
    setMode(1);
    centerView(app);
    EXPECT_NE(at(50, kTop + 30), red);
}

TEST_F(NavigatorTest, FollowsUndoAndANewDocument) {
    const Image before = navigator();
    // A fill is one step: the navigator shows it, and shows it gone after Undo.
    app.CurrentTool = Tool::Fill;
    app.brush.selectedColor = rgba(0, 0, 255, 255);
    canvas(CanvasEventType::LeftDown, app.ViewOffsetX + 150, app.ViewOffsetY + 60);
    canvas(CanvasEventType::LeftUp, app.ViewOffsetX + 150, app.ViewOffsetY + 60);
    ASSERT_TRUE(app.history.canUndo());
    EXPECT_NE(navigator().pixels, before.pixels);
    menu(Cmd::Undo);
    EXPECT_EQ(navigator().pixels, before.pixels);
    menu(Cmd::Redo);
    EXPECT_NE(navigator().pixels, before.pixels);

    // A new document of another shape: 200 x 200 fits the height (100 x 100 from x 25).
    newDocument("200", "200");
    const Image& fresh = navigator();
    EXPECT_EQ(fresh.at(24, 50) & 0xFFFFFFu, rgb(125, 125, 125));
    EXPECT_EQ(fresh.at(125, 50) & 0xFFFFFFu, rgb(125, 125, 125));
    for (int x : {25, 75, 124}) EXPECT_NE(fresh.at(x, 50) & 0xFFFFFFu, rgb(125, 125, 125)) << x;
}

// The navigator keeps each image's sample while the image stays as it is; after any sequence of
// edits its picture is the one a drawing that samples everything anew gives, and an edit of one
// layer leaves the other layers' samples as they were.
TEST_F(NavigatorTest, KeptSamplesGiveTheFreshPictureAfterEveryEdit) {
    setMode(0);
    Random random(20261211);
    const auto pick = [&](int n) { return random(n - 1); };  // 0 .. n - 1
    const auto someLayer = [&]() -> Layer& {
        return app.doc.layers[size_t(pick(int(app.doc.layers.size())))];
    };
    const auto paintBox = [&](Layer& layer) {
        Image whole = layer.image.toImage();
        fillBox(whole, pick(300) - 50, pick(120) - 30, 10 + pick(120), 5 + pick(60),
                solidPaint(rgba(uint32_t(pick(256)), uint32_t(pick(256)), uint32_t(pick(256)),
                                uint32_t(pick(256)))));
        layer.image = whole;
    };
    menu(Cmd::NewLayer);
    menu(Cmd::NewLayer);
    for (Layer& layer : app.doc.layers) paintBox(layer);
    for (int step = 0; step < 120; ++step) {
        const int kind = pick(10);
        switch (kind) {
            case 0: {  // a stroke on the current layer
                app.CurrentTool = Tool::Brush;
                app.brush.color = rgba(uint32_t(pick(256)), 90, 40, 255);
                const int x = app.ViewOffsetX + pick(300), y = app.ViewOffsetY + pick(120);
                canvas(CanvasEventType::LeftDown, x, y);
                canvas(CanvasEventType::Move, x + pick(80), y + pick(40), false, false, true);
                canvas(CanvasEventType::LeftUp, x + pick(80), y + pick(40));
                break;
            }
            case 1:
                paintBox(someLayer());
                break;
            case 2: {
                Layer& layer = someLayer();
                layer.X = int16_t(pick(200) - 100);
                layer.Y = int16_t(pick(80) - 40);
                break;
            }
            case 3: {
                Layer& layer = someLayer();
                layer.Opacity = uint8_t(pick(256));
                layer.Blendmode = uint8_t(pick(15));
                break;
            }
            case 4: {
                Layer& layer = someLayer();
                layer.Visible = uint8_t(layer.Visible ? 0 : 1);
                break;
            }
            case 5:
                menu(pick(2) == 0 ? Cmd::CopyLayer : Cmd::NewLayer);
                break;
            case 6:
                menu(Cmd::Deletelayer);
                break;
            case 7:
                menu(pick(2) == 0 ? Cmd::Undo : Cmd::Redo);
                break;
            case 8: {
                Image frame = *createImage(300, 120, 32);
                fillBox(frame, pick(300), pick(120), 30, 30, solidPaint(rgba(0, 160, 0, 255)));
                addAnimationFrame(app.doc, int16_t(1 + pick(3)), tiledFrom(frame));
                break;
            }
            default:
                app.viewState.CurrentFrame = int16_t(1 + pick(3));
                break;
        }
        redrawNavigator(app);
        const Image fresh = navigatorPicture(app, kDocW, kDocH);
        const Image& shown = navigator();
        ASSERT_EQ(shown.width, 150) << step;
        for (int y = 0; y < kDocH; ++y)
            for (int x = 0; x < kDocW; ++x)
                ASSERT_EQ(shown.at(x, y + kTop), fresh.at(x, y) | 0xFF000000u)
                    << "step " << step << " (kind " << kind << ") at " << x << ", " << y;
    }

    // A layer painted on its own: the other layers keep their samples (the same tiles).
    Layer& painted = app.doc.layers.front();
    Layer& unchanged = app.doc.layers.back();
    for (Layer* layer : {&painted, &unchanged}) {
        layer->Visible = 1;
        layer->X = layer->Y = 0;
        layer->image.at(0, 0) = rgba(200, 100, 50, 255);
    }
    redrawNavigator(app);
    const uint32_t other = unchanged.id;
    ASSERT_NE(other, painted.id);
    const auto tileOf = [&](uint32_t layerId) {
        return app.navigatorCache.layers.at(layerId).image.tile(0, 0).pixels();
    };
    const uint32_t* kept = tileOf(other);
    const uint32_t* before = tileOf(painted.id);
    ASSERT_NE(kept, nullptr);
    painted.image.at(0, 0) = rgba(1, 2, 3, 255);
    redrawNavigator(app);
    EXPECT_EQ(tileOf(other), kept);
    EXPECT_NE(tileOf(painted.id), before);
}

TEST_F(PanelInput, LayerTickHidesAndShowsTheLayerAsOneStep) {
    const int tree = id(Gadget::LayerTree);
    ASSERT_TRUE(ui.gadgetItemChecked(tree, 0));
    const size_t steps = app.history.undoSteps();
    // A click on the row that leaves the tick as it is changes nothing.
    control(Gadget::LayerTree, 0);
    EXPECT_EQ(app.history.undoSteps(), steps);

    ui.setGadgetItemChecked(tree, 0, false);
    control(Gadget::LayerTree, 0);
    EXPECT_EQ(app.doc.layers[0].Visible, 0);
    EXPECT_EQ(app.history.undoSteps(), steps + 1);
    EXPECT_FALSE(ui.gadgetItemChecked(tree, 0));  // the rebuilt list shows it

    ui.setGadgetItemChecked(tree, 0, true);
    control(Gadget::LayerTree, 0);
    EXPECT_EQ(app.doc.layers[0].Visible, 1);
    EXPECT_TRUE(ui.gadgetItemChecked(tree, 0));
}

}  // namespace
}  // namespace qm::test
