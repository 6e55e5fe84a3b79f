#include "shell/commands/pen_commands.h"

#include "brush/pressure_curve.h"
#include "brush/stroke.h"
#include "shell/app.h"
#include "shell/commands/brush_commands.h"
#include "shell/ids.h"

namespace qm {

namespace {

constexpr uint8_t kEraserMode = 2;

// The pen state's sample relative to the document's on-screen corner, as the painter takes it.
PenSample viewSample(const App& app) {
    PenSample s = app.pen.sample;
    s.x -= app.ViewOffsetX;
    s.y -= app.ViewOffsetY;
    return s;
}

}  // namespace

bool paintPenSample(App& app, StrokeContext& context) {
    PenState& pen = app.pen;
    if (pen.phase == PenPhase::Press) {
        if (!pen.fromPen && app.brush.stabiliser == 0) return false;
        // The curve is the one of the preferences when the stroke begins.
        const PressureCurve curve = pressureCurveFromText(app.prefs.pressureCurve);
        pen.stroke.begin(viewSample(app), app.brush, pen.fromPen ? &curve : nullptr);
        return true;
    }
    if (!pen.stroke.active()) return false;
    pen.stroke.moveTo(context, viewSample(app));
    if (pen.phase == PenPhase::Release) pen.stroke.finish(context);
    return true;
}

void takeEraserEnd(App& app) {
    PenState& pen = app.pen;
    if (pen.eraserEnd) return;
    pen.eraserEnd = true;
    pen.toolBefore = app.CurrentTool;
    pen.brushModeBefore = app.brush.tool;
    pen.colourBefore = app.brush.color;
    pen.selectedColourBefore = app.brush.selectedColor;
    app.CurrentTool = Tool::Brush;
    app.brush.tool = kEraserMode;
    recomputeBrushColour(app);
    rebuildBrushTip(app);
}

void leaveEraserEnd(App& app) {
    PenState& pen = app.pen;
    if (!pen.eraserEnd) return;
    pen.eraserEnd = false;
    app.CurrentTool = pen.toolBefore;
    app.brush.tool = pen.brushModeBefore;
    app.brush.color = pen.colourBefore;
    app.brush.selectedColor = pen.selectedColourBefore;
    rebuildBrushTip(app);
}

}  // namespace qm
