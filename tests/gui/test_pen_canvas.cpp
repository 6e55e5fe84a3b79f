// The whole program under a pen: hand-made tablet events on the main window's canvas paint the
// layer through the shell, with the size following the pressure and the eraser end erasing.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPointingDevice>
#include <QTabletEvent>

#include "document/document_ops.h"
#include "gui/canvas_widget.h"
#include "shell/commands/brush_commands.h"
#include "shell/commands/zoom_commands.h"
#include "support/plain_brush.h"
#include "test_program.h"

namespace qm {
namespace {

struct PenProgram : test::TestProgram {
    PenProgram() : TestProgram("pen") {
        startUp();
        driver.start();
        QCoreApplication::processEvents();
        setZoomAndApply(app, 100);
        // A plain round brush whose size follows the pressure.
        test::setPlainRoundBrush(app.brush, rgba(0, 0, 255, 255));
        app.brush.sizeVsPressure = 1;
        colourChanged(app, false);
    }

    // A sample at document point (x, y) of the view at 100 %.
    void pen(QEvent::Type type, double x, double y, double pressure,
             QPointingDevice::PointerType end = QPointingDevice::PointerType::Pen) {
        // Never destroyed: a device torn down after the application at exit crashes.
        static auto* tip = new QPointingDevice(
            "pen", 201, QInputDevice::DeviceType::Stylus, QPointingDevice::PointerType::Pen,
            QInputDevice::Capability::Position | QInputDevice::Capability::Pressure |
                QInputDevice::Capability::XTilt | QInputDevice::Capability::YTilt,
            1, 2);
        static auto* eraser = new QPointingDevice(
            "eraser", 202, QInputDevice::DeviceType::Stylus, QPointingDevice::PointerType::Eraser,
            QInputDevice::Capability::Position | QInputDevice::Capability::Pressure, 1, 2);
        const QPointF at(x + app.ViewOffsetX, y + app.ViewOffsetY);
        CanvasWidget& canvas = window.canvas();
        const bool move = type == QEvent::TabletMove;
        QTabletEvent event(type, end == QPointingDevice::PointerType::Eraser ? eraser : tip, at,
                           canvas.mapToGlobal(at), pressure, 0, 0, 0, 0, 0, Qt::NoModifier,
                           move ? Qt::NoButton : Qt::LeftButton,
                           type == QEvent::TabletRelease ? Qt::NoButton : Qt::LeftButton);
        event.setTimestamp(time += 4);
        QCoreApplication::sendEvent(&canvas, &event);
    }
    const TiledImage& layer() { return currentLayer(app.doc)->image; }
    int paintedHeight(int x, int y0, int y1) {
        int n = 0;
        for (int y = y0; y < y1; ++y) n += alpha(layer().at(x, y)) > 0;
        return n;
    }

    ulong time = 1000;
};

TEST(PenCanvas, TabletSamplesTaperTheStrokeAndTheEraserEndErases) {
    PenProgram p;
    ASSERT_EQ(p.app.viewState.Zoom, 100);
    // The stroke runs over canvas pixels 400..600 of row 300: document pixels from (x0, y0).
    const int x0 = 400 - p.app.ViewOffsetX, y0 = 300 - p.app.ViewOffsetY;
    ASSERT_TRUE(p.window.canvas().image().rect().contains(QRect(400, 270, 201, 61)));
    p.pen(QEvent::TabletPress, x0 + 0.25, y0 + 0.5, 0.1);
    for (int i = 1; i <= 20; ++i)
        p.pen(QEvent::TabletMove, x0 + 0.25 + 10 * i, y0 + 0.5, 0.1 + 0.045 * i);
    p.pen(QEvent::TabletRelease, x0 + 200.25, y0 + 0.5, 0.0);
    const int start = p.paintedHeight(x0 + 10, y0 - 30, y0 + 30);
    const int end = p.paintedHeight(x0 + 190, y0 - 30, y0 + 30);
    EXPECT_GE(start, 1);
    EXPECT_LE(start, 5);
    EXPECT_GE(end, 18);
    // The screen shows the stroke.
    EXPECT_EQ(p.window.canvas().image().pixelColor(590, 300), QColor(0, 0, 255));

    // The eraser end crosses it; then the brush is the brush again.
    const auto eraser = QPointingDevice::PointerType::Eraser;
    p.pen(QEvent::TabletPress, x0 + 100, y0 - 30, 1.0, eraser);
    p.pen(QEvent::TabletMove, x0 + 100, y0, 1.0, eraser);
    p.pen(QEvent::TabletMove, x0 + 100, y0 + 30, 1.0, eraser);
    p.pen(QEvent::TabletRelease, x0 + 100, y0 + 30, 0.0, eraser);
    EXPECT_EQ(p.paintedHeight(x0 + 100, y0 - 30, y0 + 30), 0);
    EXPECT_GT(p.paintedHeight(x0 + 150, y0 - 30, y0 + 30), 0);
    EXPECT_NE(p.window.canvas().image().pixelColor(500, 300), QColor(0, 0, 255));
    EXPECT_EQ(p.app.brush.tool, 0);
    EXPECT_EQ(p.app.CurrentTool, Tool::Brush);
}

}  // namespace
}  // namespace qm
