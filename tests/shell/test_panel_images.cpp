// The panels' images and inputs as the shell draws and handles them: the colour picker's strip
// and square, the default swatch, the navigator, and the layer list's visibility ticks.
#include <gtest/gtest.h>

#include "shell/panels.h"
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

TEST_F(PanelInput, NavigatorClickCentresTheViewOnThatPoint) {
    press(Gadget::Navigator, 0, 0);
    EXPECT_EQ(app.ViewOffsetX, app.iface.canvasWidth / 2);
    EXPECT_EQ(app.ViewOffsetY, app.iface.canvasHeight / 2);
    // Far outside the navigator: the document's far corner, never beyond.
    press(Gadget::Navigator, 10000, 10000);
    EXPECT_EQ(app.ViewOffsetX, app.iface.canvasWidth / 2 - app.doc.Width * app.doc.Zoom / 100);
    ASSERT_NE(ui.gadgetImage(id(Gadget::Navigator)), nullptr);
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
