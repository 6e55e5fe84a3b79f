#include "shell/windows/pressure_curve_editor.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "brush/pressure_curve.h"
#include "raster/shapes.h"
#include "shell/app.h"
#include "shell/ids.h"
#include "shell/settings/dictionary.h"
#include "shell/windows/window_list.h"

namespace qm {

namespace {

constexpr int kLast = kPressureCurveSide - 1;
constexpr int kGrab = 6;              // pixels from a point that still take it
constexpr double kGap = 1.0 / kLast;  // the least pressure between two points

// Picture pixels of a curve point and back: pressure to the right, brush pressure upwards.
int pixelX(double x) {
    return int(std::lround(x * kLast));
}
int pixelY(double y) {
    return kLast - int(std::lround(y * kLast));
}
double curveX(int x) {
    return std::clamp(double(x) / kLast, 0.0, 1.0);
}
double curveY(int y) {
    return std::clamp(double(kLast - y) / kLast, 0.0, 1.0);
}

PressureCurve currentCurve(const App& app) {
    return pressureCurveFromText(app.prefs.pressureCurve);
}

void storeCurve(App& app, std::vector<CurvePoint> points) {
    if (const auto curve = normalisedPressureCurve(std::move(points)))
        app.prefs.pressureCurve = pressureCurveText(*curve);
    showPressureCurve(app);
}

// The point within kGrab pixels of (x, y), the nearest; -1 for none.
int pointAt(const PressureCurve& curve, int x, int y) {
    int found = -1;
    int64_t best = int64_t(kGrab) * kGrab + 1;
    for (size_t i = 0; i < curve.points.size(); ++i) {
        const int64_t dx = pixelX(curve.points[i].x) - int64_t(x);
        const int64_t dy = pixelY(curve.points[i].y) - int64_t(y);
        if (dx * dx + dy * dy < best) {
            best = dx * dx + dy * dy;
            found = int(i);
        }
    }
    return found;
}

void press(App& app, int x, int y) {
    PressureCurve curve = currentCurve(app);
    int at = pointAt(curve, x, y);
    if (at < 0) {
        // A new point where the press is, when there is room for it between two others.
        const double px = curveX(x);
        auto& pts = curve.points;
        const auto next =
            std::find_if(pts.begin(), pts.end(), [&](const CurvePoint& p) { return p.x > px; });
        const bool room = pts.size() < PressureCurve::kMaxCurvePoints && next != pts.begin() &&
                          next != pts.end() && px - std::prev(next)->x >= kGap &&
                          next->x - px >= kGap;
        if (!room) return;
        at = int(next - pts.begin());
        pts.insert(next, {px, curveY(y)});
        storeCurve(app, pts);
    }
    app.pen.curvePoint = at;
}

void drag(App& app, int x, int y) {
    PressureCurve curve = currentCurve(app);
    auto& pts = curve.points;
    const int at = app.pen.curvePoint;
    if (at < 0 || size_t(at) >= pts.size()) return;
    CurvePoint& p = pts[size_t(at)];
    // The ends keep their pressure; the others stay between their neighbours.
    if (at > 0 && size_t(at) + 1 < pts.size())
        p.x = std::clamp(curveX(x), pts[size_t(at) - 1].x + kGap, pts[size_t(at) + 1].x - kGap);
    p.y = curveY(y);
    storeCurve(app, pts);
}

void removeAt(App& app, int x, int y) {
    PressureCurve curve = currentCurve(app);
    const int at = pointAt(curve, x, y);
    if (at <= 0 || size_t(at) + 1 >= curve.points.size()) return;
    curve.points.erase(curve.points.begin() + at);
    storeCurve(app, curve.points);
}

}  // namespace

std::vector<ControlDescription> pressureCurveControls(App& app, const std::string& tab) {
    Dictionary& d = app.dictionary;
    return {
        {.id = id(Gadget::PrefPressureCurveLabel),
         .kind = ControlKind::Label,
         .caption = Text(d, "PressureCurve"),
         .tab = tab,
         .x = 10,
         .y = 8,
         .width = 200,
         .height = 20},
        {.id = id(Gadget::PrefPressureCurve),
         .kind = ControlKind::Canvas,
         .tab = tab,
         .x = 10,
         .y = 32,
         .width = kPressureCurveSide,
         .height = kPressureCurveSide,
         .tooltip = Text(d, "PressureCurveTip")},
        {.id = id(Gadget::PrefPressureCurveLinear),
         .kind = ControlKind::Button,
         .caption = Text(d, "Linear"),
         .tab = tab,
         .x = 175,
         .y = 32,
         .width = 90,
         .height = 24},
    };
}

void showPressureCurve(App& app) {
    auto picture = createImage(kPressureCurveSide, kPressureCurveSide, 32);
    if (!picture) return;
    Image& img = *picture;
    std::fill(img.pixels.begin(), img.pixels.end(), rgba(255, 255, 255, 255));
    const Paint grid = solidPaint(rgba(220, 220, 220, 255));
    for (int i = 1; i < 4; ++i) {
        const int at = i * kLast / 4;
        drawLine(img, at, 0, at, kLast, grid);
        drawLine(img, 0, at, kLast, at, grid);
    }
    drawLine(img, 0, kLast, kLast, 0, solidPaint(rgba(190, 190, 235, 255)));  // the straight line
    const PressureCurve curve = currentCurve(app);
    // The curve as the brush takes it, column by column.
    const Paint ink = solidPaint(rgba(0, 0, 0, 255));
    int lastY = pixelY(applyPressureCurve(curve, 0.0));
    for (int x = 1; x <= kLast; ++x) {
        const int y = pixelY(applyPressureCurve(curve, curveX(x)));
        drawLine(img, x - 1, lastY, x, y, ink);
        lastY = y;
    }
    for (size_t i = 0; i < curve.points.size(); ++i) {
        const bool held = int(i) == app.pen.curvePoint;
        fillBox(img, pixelX(curve.points[i].x) - 3, pixelY(curve.points[i].y) - 3, 7, 7,
                solidPaint(held ? rgba(220, 30, 30, 255) : rgba(40, 40, 200, 255)));
    }
    app.ui.setGadgetImage(id(Gadget::PrefPressureCurve), img);
}

bool handlePressureCurveControl(App& app, int gadget, CurvePointer pointer, int x, int y) {
    const bool curve = gadget == id(Gadget::PrefPressureCurve);
    if (!curve && gadget != id(Gadget::PrefPressureCurveLinear) &&
        gadget != id(Gadget::PrefPressureCurveLabel))
        return false;
    if (!windowIsOpen(app, id(Window::Preferences))) return true;
    if (gadget == id(Gadget::PrefPressureCurveLinear)) {
        app.pen.curvePoint = -1;
        app.prefs.pressureCurve = pressureCurveText(linearPressureCurve());
        showPressureCurve(app);
        return true;
    }
    if (!curve) return true;
    switch (pointer) {
        case CurvePointer::Press:
            press(app, x, y);
            break;
        case CurvePointer::Drag:
            drag(app, x, y);
            break;
        case CurvePointer::Release:
            app.pen.curvePoint = -1;
            break;
        case CurvePointer::Remove:
            removeAt(app, x, y);
            break;
        case CurvePointer::Other:
            return true;
    }
    showPressureCurve(app);
    return true;
}

}  // namespace qm
