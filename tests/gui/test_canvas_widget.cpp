// The canvas turns Qt input into the shell's events.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointingDevice>
#include <QTabletEvent>
#include <QWheelEvent>
#include <vector>

#include "gui/canvas_widget.h"
#include "shell/menu_table.h"

namespace qm {
namespace {

struct PaintingCanvas {
    PaintingCanvas() {
        canvas.resize(200, 100);
        canvas.setCanvasSink([this](const CanvasEvent& e) { events.push_back(e); });
    }
    void mouse(QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons held,
               Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QMouseEvent event(type, QPointF(p), canvas.mapToGlobal(QPointF(p)), button, held, mods);
        QCoreApplication::sendEvent(&canvas, &event);
    }
    void key(QEvent::Type type, int qtKey, bool repeat = false) {
        QKeyEvent event(type, qtKey, Qt::NoModifier, QString(), repeat);
        QCoreApplication::sendEvent(&canvas, &event);
    }
    void wheel(int angle) {
        QWheelEvent event(QPointF(5, 6), canvas.mapToGlobal(QPointF(5, 6)), QPoint(),
                          QPoint(0, angle), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&canvas, &event);
    }

    CanvasWidget canvas{CanvasWidget::Role::Painting};
    std::vector<CanvasEvent> events;
};

TEST(CanvasWidget, LeftButtonStrokeBecomesDownMovesUp) {
    PaintingCanvas c;
    c.mouse(QEvent::MouseButtonPress, {10, 20}, Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
    c.mouse(QEvent::MouseMove, {11, 22}, Qt::NoButton, Qt::LeftButton, Qt::AltModifier);
    c.mouse(QEvent::MouseButtonRelease, {12, 24}, Qt::LeftButton, Qt::NoButton,
            Qt::ControlModifier);
    // Other buttons are not the painting canvas's business.
    c.mouse(QEvent::MouseButtonPress, {1, 1}, Qt::RightButton, Qt::RightButton);
    ASSERT_EQ(c.events.size(), 3u);
    EXPECT_EQ(c.events[0].type, CanvasEventType::LeftDown);
    EXPECT_EQ(c.events[0].x, 10);
    EXPECT_EQ(c.events[0].y, 20);
    EXPECT_TRUE(c.events[0].shift);
    EXPECT_EQ(c.events[1].type, CanvasEventType::Move);
    EXPECT_TRUE(c.events[1].alt);
    EXPECT_TRUE(c.events[1].leftHeld);  // the shell paints moves only with the button held
    EXPECT_EQ(c.events[2].type, CanvasEventType::LeftUp);
    EXPECT_EQ(c.events[2].y, 24);
    EXPECT_TRUE(c.events[2].ctrl);
}

// A pen and its eraser end, as a tablet driver declares them.
QPointingDevice* penDevice(QPointingDevice::PointerType type) {
    // Never destroyed: a device torn down after the application at exit crashes.
    static auto* pen = new QPointingDevice(
        "pen", 101, QInputDevice::DeviceType::Stylus, QPointingDevice::PointerType::Pen,
        QInputDevice::Capability::Position | QInputDevice::Capability::Pressure |
            QInputDevice::Capability::XTilt | QInputDevice::Capability::YTilt,
        1, 3);
    static auto* eraser = new QPointingDevice(
        "eraser", 102, QInputDevice::DeviceType::Stylus, QPointingDevice::PointerType::Eraser,
        QInputDevice::Capability::Position | QInputDevice::Capability::Pressure, 1, 3);
    return type == QPointingDevice::PointerType::Eraser ? eraser : pen;
}

// Returns whether the canvas took the sample.
bool tablet(CanvasWidget& canvas, QEvent::Type type, QPointF p, double pressure, float tiltX,
            float tiltY, ulong time, Qt::MouseButton button = Qt::LeftButton,
            QPointingDevice::PointerType pointer = QPointingDevice::PointerType::Pen) {
    const Qt::MouseButtons held = type == QEvent::TabletRelease ? Qt::NoButton : button;
    QTabletEvent event(type, penDevice(pointer), p, canvas.mapToGlobal(p), pressure, tiltX, tiltY,
                       0, 0, 0, Qt::NoModifier, type == QEvent::TabletMove ? Qt::NoButton : button,
                       held);
    event.setTimestamp(time);
    event.setAccepted(false);
    QCoreApplication::sendEvent(&canvas, &event);
    return event.isAccepted();
}

TEST(CanvasWidget, PenSamplesPassOnWithPressureTiltTimeAndTheEraserEnd) {
    PaintingCanvas c;
    EXPECT_TRUE(tablet(c.canvas, QEvent::TabletPress, {10.25, 20.75}, 0.1, 30, -20, 1000));
    EXPECT_TRUE(tablet(c.canvas, QEvent::TabletMove, {11.5, 21}, 0.55, 10, 5, 1004));
    EXPECT_TRUE(tablet(c.canvas, QEvent::TabletRelease, {12, 22}, 0, 10, 5, 1008));
    // The barrel's button is a mouse button: the canvas leaves it to the mouse events.
    EXPECT_FALSE(tablet(c.canvas, QEvent::TabletPress, {1, 1}, 0.5, 0, 0, 1010, Qt::RightButton));
    EXPECT_TRUE(tablet(c.canvas, QEvent::TabletPress, {40, 40}, 0.8, 0, 0, 1020, Qt::LeftButton,
                       QPointingDevice::PointerType::Eraser));
    // A mouse event made of a pen's sample repeats it: it is not passed on.
    QMouseEvent twin(QEvent::MouseMove, QPointF(41, 41), c.canvas.mapToGlobal(QPointF(41, 41)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier, penDevice({}));
    QCoreApplication::sendEvent(&c.canvas, &twin);
    ASSERT_EQ(c.events.size(), 4u);
    const CanvasEvent& press = c.events[0];
    EXPECT_EQ(press.type, CanvasEventType::LeftDown);
    EXPECT_TRUE(press.pen);
    EXPECT_EQ(press.x, 10);
    EXPECT_DOUBLE_EQ(press.subX, 0.25);
    EXPECT_EQ(press.y, 21);
    EXPECT_DOUBLE_EQ(press.subY, -0.25);
    EXPECT_NEAR(press.pressure, 0.1, 1e-6);
    EXPECT_DOUBLE_EQ(press.tiltX, 30);
    EXPECT_DOUBLE_EQ(press.tiltY, -20);
    EXPECT_TRUE(press.hasTilt);
    EXPECT_DOUBLE_EQ(press.time, 1000);
    EXPECT_FALSE(press.eraser);
    EXPECT_EQ(c.events[1].type, CanvasEventType::Move);
    EXPECT_TRUE(c.events[1].leftHeld);
    EXPECT_NEAR(c.events[1].pressure, 0.55, 1e-6);
    EXPECT_DOUBLE_EQ(c.events[1].time, 1004);
    EXPECT_EQ(c.events[2].type, CanvasEventType::LeftUp);
    EXPECT_FALSE(c.events[2].leftHeld);
    EXPECT_TRUE(c.events[3].eraser);
    EXPECT_FALSE(c.events[3].hasTilt);  // this end reports no tilt

    // A mouse is a pen that presses fully, upright, on whole pixels.
    c.events.clear();
    c.mouse(QEvent::MouseButtonPress, {5, 6}, Qt::LeftButton, Qt::LeftButton);
    ASSERT_EQ(c.events.size(), 1u);
    EXPECT_FALSE(c.events[0].pen);
    EXPECT_EQ(c.events[0].pressure, 1.0);
    EXPECT_EQ(c.events[0].subX, 0.0);
    EXPECT_FALSE(c.events[0].hasTilt);
}

TEST(CanvasWidget, HeldKeyGivesOnePressAndOneRelease) {
    PaintingCanvas c;
    c.key(QEvent::KeyPress, Qt::Key_Space);
    // Auto-repeat comes as release / press pairs marked as repeats.
    for (int i = 0; i < 3; ++i) {
        c.key(QEvent::KeyRelease, Qt::Key_Space, true);
        c.key(QEvent::KeyPress, Qt::Key_Space, true);
    }
    c.key(QEvent::KeyRelease, Qt::Key_Space);
    c.key(QEvent::KeyPress, Qt::Key_Eacute);  // no code: not sent
    ASSERT_EQ(c.events.size(), 2u);
    EXPECT_EQ(c.events[0].type, CanvasEventType::KeyDown);
    EXPECT_EQ(c.events[0].key, vk::Space);
    EXPECT_EQ(c.events[1].type, CanvasEventType::KeyUp);
}

// Keys released while another window has the keyboard never reach the canvas: losing the
// focus is reported, so the shell forgets the keys it believes held.
TEST(CanvasWidget, LosingTheFocusIsReported) {
    PaintingCanvas c;
    QFocusEvent out(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(&c.canvas, &out);
    ASSERT_EQ(c.events.size(), 1u);
    EXPECT_EQ(c.events[0].type, CanvasEventType::FocusOut);
}

TEST(CanvasWidget, WheelReportsWholeNotches) {
    PaintingCanvas c;
    c.wheel(240);
    c.wheel(60);  // half a notch from a fine-grained wheel: kept for later
    c.wheel(60);
    c.wheel(-120);
    ASSERT_EQ(c.events.size(), 3u);
    EXPECT_EQ(c.events[0].wheel, 2);
    EXPECT_EQ(c.events[1].wheel, 1);
    EXPECT_EQ(c.events[2].wheel, -1);
    EXPECT_EQ(c.events[0].x, 5);
}

TEST(CanvasWidget, PanelCanvasReportsControlEventsUnderItsId) {
    CanvasWidget canvas(CanvasWidget::Role::Panel);
    std::vector<ControlEvent> events;
    canvas.setGadgetId(142);
    canvas.setControlSink([&](const ControlEvent& e) { events.push_back(e); });
    const auto send = [&](QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent event(type, QPointF(7, 8), canvas.mapToGlobal(QPointF(7, 8)), button, held,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(&canvas, &event);
    };
    send(QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton);
    send(QEvent::MouseMove, Qt::NoButton, Qt::RightButton);
    send(QEvent::MouseButtonDblClick, Qt::LeftButton, Qt::LeftButton | Qt::RightButton);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].gadget, 142);
    EXPECT_EQ(events[0].type, ControlEventType::RightDown);
    EXPECT_EQ(events[1].type, ControlEventType::Move);
    EXPECT_TRUE(events[1].rightHeld);
    EXPECT_FALSE(events[1].leftHeld);
    EXPECT_EQ(events[2].type, ControlEventType::LeftDoubleClick);
    EXPECT_EQ(events[2].x, 7);
}

// A painting change is copied and shown for its rectangle alone; a canvas of another size is
// taken whole.
TEST(CanvasWidget, ChangedRectangleIsCopiedAlone) {
    PaintingCanvas p;
    Image before = *createImage(8, 6, 32);
    std::fill(before.pixels.begin(), before.pixels.end(), rgba(200, 0, 0, 255));
    p.canvas.setImage(before);
    Image after = before;
    std::fill(after.pixels.begin(), after.pixels.end(), rgba(0, 0, 200, 0));  // alpha not shown
    p.canvas.setImagePart(after, Rect{2, 1, 3, 2});
    const QImage& shown = p.canvas.image();
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool inside = x >= 2 && x < 5 && y >= 1 && y < 3;
            EXPECT_EQ(shown.pixelColor(x, y), inside ? QColor(0, 0, 200) : QColor(200, 0, 0))
                << x << "," << y;
        }
    p.canvas.setImagePart(after, Rect{-5, -5, 100, 100});  // cut to the image
    EXPECT_EQ(shown.pixelColor(7, 5), QColor(0, 0, 200));
    p.canvas.setImage(before);  // a whole frame of the same size
    EXPECT_EQ(shown.pixelColor(3, 2), QColor(200, 0, 0));

    Image wider = *createImage(9, 6, 32);
    p.canvas.setImagePart(wider, Rect{0, 0, 1, 1});
    EXPECT_EQ(p.canvas.image().width(), 9);
    EXPECT_EQ(p.canvas.image().pixelColor(8, 5), QColor(0, 0, 0));
}

}  // namespace
}  // namespace qm
