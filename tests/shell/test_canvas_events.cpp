// The canvas state machine: pointer constraints, panning, the temporary picker, keys and the
// wheel.
#include "shell_fixture.h"

namespace qm::test {

using T = CanvasEventType;

TEST_F(ShellTest, ShiftAndAltConstrainADragToItsPress) {
    struct Case {
        bool shift, alt;
        int mouseX, mouseY;
    } cases[] = {
        {true, false, 100, 180},  // vertical line through the press
        {false, true, 150, 100},  // horizontal line through the press
        {true, true, 150, 180},   // both: no constraint
        {false, false, 150, 180},
    };
    for (const Case& c : cases) {
        canvas(T::LeftDown, 100, 100);
        canvas(T::Move, 150, 180, c.shift, c.alt, true);
        EXPECT_EQ(app.MouseX, c.mouseX) << c.shift << c.alt;
        EXPECT_EQ(app.MouseY, c.mouseY) << c.shift << c.alt;
        canvas(T::LeftUp, 150, 180);
    }
    // A press always takes the real position, even with Shift held.
    canvas(T::LeftDown, 30, 40, true);
    EXPECT_EQ(app.MouseX, 30);
    EXPECT_EQ(app.StartX, 30 - app.ViewOffsetX);
    EXPECT_EQ(app.brush.pressY, 40 - app.ViewOffsetY);
}

TEST_F(ShellTest, StrokeStateFromPressToRelease) {
    app.brush.strokeAlpha = 12.0;
    canvas(T::LeftDown, 10, 20);
    EXPECT_TRUE(app.LeftDown);
    EXPECT_TRUE(app.StrokeActive);
    EXPECT_EQ(app.LastX, 10);
    canvas(T::Move, 15, 25, false, false, true);
    EXPECT_EQ(app.LastX, 15);
    EXPECT_EQ(app.LastY, 25);
    canvas(T::Move, 40, 40);  // button not held: nothing painted, LastX stays
    EXPECT_EQ(app.LastX, 15);
    canvas(T::LeftUp, 40, 40);
    EXPECT_FALSE(app.LeftDown);
    EXPECT_FALSE(app.StrokeActive);
    EXPECT_DOUBLE_EQ(app.brush.strokeAlpha, 255.0);
    EXPECT_DOUBLE_EQ(app.brush.strokeSizeFactor, 100.0);
}

TEST_F(ShellTest, HandToolPansFromTheCurrentView) {
    const int x0 = app.ViewOffsetX, y0 = app.ViewOffsetY;
    menu(Cmd::Hand);
    EXPECT_EQ(app.CurrentTool, Tool::Hand);
    canvas(T::LeftDown, 10, 10);
    EXPECT_TRUE(app.Panning);
    canvas(T::Move, 60, 30, false, false, true);
    EXPECT_EQ(app.ViewOffsetX, x0 + 50);
    EXPECT_EQ(app.ViewOffsetY, y0 + 20);
    canvas(T::LeftUp, 60, 30);
    EXPECT_FALSE(app.Panning);
    EXPECT_EQ(app.PanBaseX, x0 + 50);
    EXPECT_EQ(app.PanBaseY, y0 + 20);
    // A second drag continues from there.
    canvas(T::LeftDown, 100, 100);
    canvas(T::Move, 90, 100, false, false, true);
    canvas(T::LeftUp, 90, 100);
    EXPECT_EQ(app.ViewOffsetX, x0 + 40);
    EXPECT_EQ(app.PanBaseX, x0 + 40);
}

TEST_F(ShellTest, SpacePansWithAnyToolAndPaintsNothing) {
    const int x0 = app.ViewOffsetX;
    canvas(T::Move, 200, 200);
    key(T::KeyDown, 0x20);
    EXPECT_TRUE(app.Panning);
    EXPECT_EQ(ui.cursor(), CursorShape::Hand);
    canvas(T::Move, 230, 190);
    EXPECT_EQ(app.ViewOffsetX, x0 + 30);
    canvas(T::LeftDown, 230, 190);  // a press while panning starts no stroke point
    EXPECT_EQ(app.LastX, 0);
    canvas(T::LeftUp, 230, 190);
    key(T::KeyUp, 0x20);
    EXPECT_FALSE(app.Panning);
    EXPECT_EQ(ui.cursor(), CursorShape::Cross);
    EXPECT_EQ(app.PanBaseX, x0 + 30);
}

TEST_F(ShellTest, ControlIsTheTemporaryPickerAndZoomsOut) {
    menu(Cmd::ZoomTool);
    key(T::KeyDown, 0x11);
    EXPECT_EQ(app.TempPickMode, 2);
    EXPECT_EQ(app.ZoomDirection, -1);
    canvas(T::LeftDown, 5, 5, false, false, false, true);
    EXPECT_EQ(app.viewState.Zoom, 90);
    canvas(T::LeftUp, 5, 5, false, false, false, true);
    key(T::KeyUp, 0x11);
    EXPECT_EQ(app.TempPickMode, 0);
    EXPECT_EQ(app.ZoomDirection, 1);
    canvas(T::LeftDown, 5, 5);
    EXPECT_EQ(app.viewState.Zoom, 100);
}

// The release of a Ctrl shortcut goes to the dialog it opened; the canvas never sees it. The
// next pointer event says Control is up: the brush paints, and the keys work again.
TEST_F(ShellTest, PointerEventsTellWhetherControlIsHeld) {
    const int x = app.ViewOffsetX + 30, y = app.ViewOffsetY + 30;
    const uint32_t colour = app.brush.selectedColor;
    canvas(T::Move, x, y);
    key(T::KeyDown, 0x11);  // Ctrl of Ctrl+N; the N and both releases go elsewhere
    ASSERT_EQ(app.TempPickMode, 2);
    canvas(T::LeftDown, x, y);
    EXPECT_EQ(app.TempPickMode, 0);
    EXPECT_EQ(app.ZoomDirection, 1);
    canvas(T::Move, x + 20, y, false, false, true);
    canvas(T::LeftUp, x + 20, y);
    EXPECT_EQ(app.history.undoSteps(), 1u);  // a stroke, not a pick
    EXPECT_EQ(app.brush.selectedColor, colour);
    EXPECT_NE(app.doc.layers[0].image.at(35, 30), 0u);
    key(T::KeyDown, 'E');  // the latch the Control press set is gone
    EXPECT_EQ(app.brush.tool, 2);
    key(T::KeyUp, 'E');

    // Control pressed while the canvas did not have the keyboard: the pointer says it is held.
    menu(Cmd::ZoomTool);
    canvas(T::LeftDown, x, y, false, false, false, true);
    EXPECT_EQ(app.TempPickMode, 2);
    EXPECT_EQ(app.viewState.Zoom, 90);
    canvas(T::LeftUp, x, y, false, false, false, true);
    canvas(T::Move, x, y);
    EXPECT_EQ(app.TempPickMode, 0);
    // Control pressed during a pan is held, not the picker, and stays so after the pan.
    menu(Cmd::Hand);
    canvas(T::LeftDown, x, y);
    key(T::KeyDown, 0x11);
    canvas(T::LeftUp, x, y, false, false, false, true);
    canvas(T::Move, x, y, false, false, false, true);
    EXPECT_EQ(app.ZoomDirection, -1);
    EXPECT_EQ(app.TempPickMode, 0);
}

// The canvas loses the focus to a dialog or another window: the keys held then are released
// where the canvas cannot see it.
TEST_F(ShellTest, LosingTheFocusForgetsTheHeldKeys) {
    const int x0 = app.ViewOffsetX;
    key(T::KeyDown, 0x11);
    CanvasEvent focusOut;
    focusOut.type = T::FocusOut;
    onCanvasEvent(app, focusOut);
    EXPECT_EQ(app.TempPickMode, 0);
    EXPECT_EQ(app.ZoomDirection, 1);
    EXPECT_EQ(app.iface.KeyLatch, 0);

    canvas(T::Move, 100, 100);
    key(T::KeyDown, 0x20);
    canvas(T::Move, 130, 100);
    ASSERT_TRUE(app.Panning);
    onCanvasEvent(app, focusOut);
    EXPECT_FALSE(app.Panning);
    EXPECT_EQ(ui.cursor(), CursorShape::Cross);
    EXPECT_EQ(app.PanBaseX, x0 + 30);
    canvas(T::Move, 160, 100);  // the view stays where the pan left it
    EXPECT_EQ(app.ViewOffsetX, x0 + 30);

    // A pan with the hand tool is the button's: it goes on.
    menu(Cmd::Hand);
    canvas(T::LeftDown, 10, 10);
    onCanvasEvent(app, focusOut);
    EXPECT_TRUE(app.Panning);
    canvas(T::LeftUp, 10, 10);
}

TEST_F(ShellTest, KeyLatchSuppressesAutoRepeat) {
    EXPECT_EQ(app.brush.size, 20);
    key(T::KeyDown, 0xDD);
    key(T::KeyDown, 0xDD);  // auto-repeat: ignored
    EXPECT_EQ(app.brush.size, 21);
    EXPECT_EQ(ui.gadgetState(id(Gadget::BrushSizeTrack)), 21);
    key(T::KeyUp, 0xDD);
    key(T::KeyDown, 0xDD);
    EXPECT_EQ(app.brush.size, 23);
    // An unhandled key does not latch.
    key(T::KeyUp, 0xDD);
    key(T::KeyDown, 'Q');
    key(T::KeyDown, 0xC0);
    EXPECT_EQ(app.brush.size, 21);
}

TEST_F(ShellTest, BrushSizeSteps) {
    struct Case {
        int size, grown, shrunk;
    } cases[] = {
        {1, 2, 1},          {2, 3, 2},          {3, 4, 2},          {20, 21, 19},
        {21, 23, 19},       {60, 62, 58},       {61, 66, 56},       {150, 155, 145},
        {151, 161, 141},    {500, 510, 490},    {501, 551, 451},    {2000, 2050, 1950},
        {2001, 2101, 1901}, {8091, 8191, 7991}, {8092, 8092, 7992},
    };
    for (const Case& c : cases) {
        app.brush.size = int16_t(c.size);
        keyPress(0xDD);
        EXPECT_EQ(app.brush.size, c.grown) << c.size;
        app.brush.size = int16_t(c.size);
        keyPress(0xC0);
        EXPECT_EQ(app.brush.size, c.shrunk) << c.size;
    }
}

TEST_F(ShellTest, ToolKeys) {
    keyPress('E');
    EXPECT_EQ(app.CurrentTool, Tool::Brush);
    EXPECT_EQ(app.brush.tool, 2);
    keyPress('K');
    EXPECT_EQ(app.CurrentTool, Tool::Fill);
    keyPress('V');
    EXPECT_EQ(app.CurrentTool, Tool::Move);
    keyPress('B');
    EXPECT_EQ(app.CurrentTool, Tool::Brush);
    EXPECT_EQ(app.brush.tool, 0);
}

TEST_F(ShellTest, WheelAndKeypadZoom) {
    // 3000 x 3000: the wheel stops at 800000 / 3000 = 266.
    CanvasEvent e;
    e.type = T::Wheel;
    e.wheel = 100;
    onCanvasEvent(app, e);
    EXPECT_EQ(app.viewState.Zoom, 266);
    e.wheel = -1;
    onCanvasEvent(app, e);
    EXPECT_EQ(app.viewState.Zoom, 261);
    // Far down: the wheel's own floor is 5, which applying the zoom raises to 10.
    e.wheel = -10000;
    onCanvasEvent(app, e);
    EXPECT_EQ(app.viewState.Zoom, 10);
    keyPress(0x6B);
    EXPECT_EQ(app.viewState.Zoom, 20);
    keyPress(0x6D);
    keyPress(0x6D);
    EXPECT_EQ(app.viewState.Zoom, 10);
}

}  // namespace qm::test
