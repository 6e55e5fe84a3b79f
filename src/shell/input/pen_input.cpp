#include "shell/input/pen_input.h"

#include <cmath>

#include "shell/app.h"
#include "shell/commands/pen_commands.h"
#include "shell/events.h"

namespace qm {

namespace {

// A sub-pixel part as the canvas reports it: within -0.5..0.5; a value that is not a number is
// none.
double subPixel(double v) {
    if (!std::isfinite(v)) return 0.0;
    return v < -0.5 ? -0.5 : v > 0.5 ? 0.5 : v;
}

double finiteOr(double v, double otherwise) {
    return std::isfinite(v) ? v : otherwise;
}

PenPhase phaseOf(CanvasEventType type) {
    switch (type) {
        case CanvasEventType::LeftDown:
            return PenPhase::Press;
        case CanvasEventType::Move:
            return PenPhase::Move;
        case CanvasEventType::LeftUp:
            return PenPhase::Release;
        default:
            return PenPhase::Other;
    }
}

}  // namespace

void notePenSample(App& app, const CanvasEvent& e) {
    PenState& pen = app.pen;
    pen.phase = phaseOf(e.type);
    if (pen.phase == PenPhase::Other) return;
    const double subX = subPixel(e.subX), subY = subPixel(e.subY);
    if (pen.phase == PenPhase::Press) {
        pen.pressSubX = subX;
        pen.pressSubY = subY;
        pen.stroke = PenStroke{};
        // A release that never came (the pen left the window) ends the eraser end here.
        if (!(e.pen && e.eraser)) leaveEraserEnd(app);
    }
    PenSample s;
    // A coordinate held on the line through the press keeps the press's sub-pixel part.
    s.x = app.MouseX + (app.MouseX == e.x ? subX : pen.pressSubX);
    s.y = app.MouseY + (app.MouseY == e.y ? subY : pen.pressSubY);
    s.time = finiteOr(e.time, 0.0);
    if (e.pen) {
        s.pressure = e.pressure;
        s.tiltX = finiteOr(e.tiltX, 0.0);
        s.tiltY = finiteOr(e.tiltY, 0.0);
        s.hasTilt = e.hasTilt;
        // A pen lifting off the tablet reports no pressure at its release: the mark ends with
        // the pressure it had.
        if (pen.phase == PenPhase::Release && pen.fromPen && !(e.pressure > 0.0))
            s.pressure = pen.sample.pressure;
    }
    pen.sample = s;
    pen.fromPen = e.pen;
    if (pen.phase == PenPhase::Press && e.pen && e.eraser) takeEraserEnd(app);
}

void endPenEvent(App& app, const CanvasEvent& e) {
    if (e.type != CanvasEventType::LeftUp) return;
    app.pen.stroke = PenStroke{};
    leaveEraserEnd(app);
}

}  // namespace qm
