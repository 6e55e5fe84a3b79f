#include "shell/input/panel_input.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "raster/image_ops.h"
#include "raster/shapes.h"
#include "shell/app.h"
#include "shell/commands/animation_commands.h"
#include "shell/commands/brush_commands.h"
#include "shell/commands/frame_commands.h"
#include "shell/events.h"
#include "shell/ids.h"
#include "shell/panels/colour_panel.h"
#include "shell/panels/navigator.h"
#include "shell/panels/panels.h"
#include "shell/panels/roughboard.h"
#include "shell/panels/timeline.h"
#include "shell/view/canvas_frame.h"

namespace qm {

namespace {

constexpr uint32_t kWhite = 0xFFFFFFu;

// The picker's own choice: the square stays as the picker left it.
void takePickedColour(App& app, uint32_t colour) {
    if (app.iface.foregroundActive) app.pickerColour = colour & kWhite;
    setActiveSwatchColour(app, colour);
}

uint32_t pixelAt(const Image& image, int x, int y) {
    if (image.empty()) return 0;
    x = std::clamp(x, 0, image.width - 1);
    y = std::clamp(y, 0, image.height - 1);
    return image.pixels[size_t(y) * image.width + x];
}

void dot(Image& sheet, int x, int y, uint32_t colour) {
    fillCircle(sheet, x, y, kRoughboardDotRadius, solidPaint(colour, DrawMode::AllChannels));
}

// Dots from the last point of the drag to (x, y), a dot radius apart at most.
void paintTo(App& app, int x, int y) {
    Image& sheet = app.roughboard54;
    // A 24-bit sheet keeps no alpha: the colour is written as red, green and blue alone.
    const uint32_t colour = app.brush.selectedColor & kWhite;
    const int x0 = app.roughboardLastX, y0 = app.roughboardLastY;
    if (x0 < 0 || y0 < 0) {
        dot(sheet, x, y, colour);
    } else {
        const int steps = std::max(1, std::max(std::abs(x - x0), std::abs(y - y0)) /
                                          std::max(1, kRoughboardDotRadius / 2));
        for (int i = 1; i <= steps; ++i)
            dot(sheet, x0 + (x - x0) * i / steps, y0 + (y - y0) * i / steps, colour);
    }
    app.roughboardLastX = x;
    app.roughboardLastY = y;
}

}  // namespace

void colorPickerInput(App& app, const ControlEvent& e) {
    const bool pick =
        e.type == ControlEventType::LeftDown || (e.type == ControlEventType::Move && e.leftHeld);
    if (!pick) return;
    if (e.gadget == id(Gadget::ColorStrip)) {
        // The colour at the stored pick point of the square as it was, then the square of the
        // hue under the pointer.
        if (app.colourSquare55.empty())
            app.colourSquare55 = colourSquareImage(app.brush.selectedColor);
        takePickedColour(app, pixelAt(app.colourSquare55, app.pickPointX, app.pickPointY));
        const int y = std::clamp(e.y, 0, 127);
        const uint32_t hue = pixelAt(colourStripImage(), 0, y * 2);
        app.colourSquare55 = colourSquareImage(hue);
    } else {
        app.pickPointX = std::clamp(e.x, 0, kSquareSide - 1);
        app.pickPointY = std::clamp(e.y, 0, kSquareSide - 1);
        if (app.colourSquare55.empty())
            app.colourSquare55 = colourSquareImage(app.brush.selectedColor);
        takePickedColour(app, pixelAt(app.colourSquare55, app.pickPointX, app.pickPointY));
    }
    showColourSquare(app);
}

void navigatorInput(App& app, const ControlEvent& e) {
    const bool move =
        e.type == ControlEventType::LeftDown || (e.type == ControlEventType::Move && e.leftHeld);
    if (!move) return;
    const NavigatorFit fit = navigatorFit(app);
    // The document point under the pointer comes to the canvas centre.
    const double zoom = std::max(1, int(app.viewState.Zoom)) / 100.0;
    const double docX =
        std::clamp(double(e.x - fit.x) * app.doc.Width / fit.docW, 0.0, double(app.doc.Width));
    const double docY =
        std::clamp(double(e.y - fit.y) * app.doc.Height / fit.docH, 0.0, double(app.doc.Height));
    const auto offset = [](double v) { return int16_t(std::clamp(v, -32768.0, 32767.0)); };
    app.ViewOffsetX = offset(app.iface.canvasWidth / 2.0 - docX * zoom);
    app.ViewOffsetY = offset(app.iface.canvasHeight / 2.0 - docY * zoom);
    recomposeView(app, false);
    redrawNavigator(app);
}

void swatchInput(App& app, const ControlEvent& e) {
    using T = ControlEventType;
    const bool left = e.type == T::LeftDown || (e.type == T::Move && e.leftHeld);
    const bool right = e.type == T::RightDown || (e.type == T::Move && e.rightHeld && !e.leftHeld);
    if ((!left && !right) || !app.swatch53.contains(e.x, e.y)) return;
    const uint32_t colour = app.swatch53.at(e.x, e.y) & kWhite;
    if (right) {
        app.iface.backgroundColor = colour | (app.iface.backgroundColor & 0xFF000000u);
        refreshBackgroundPreview(app);
        return;
    }
    setActiveSwatchColour(app, colour);
}

void roughboardInput(App& app, const ControlEvent& e) {
    using T = ControlEventType;
    if (app.roughboard54.empty()) app.roughboard54 = blankRoughboard();
    if (e.type == T::LeftDown) app.roughboardLastX = app.roughboardLastY = -1;
    if (e.type == T::LeftDown || (e.type == T::Move && e.leftHeld)) {
        // A point far off the sheet (a script may send any) paints as one just past its edge,
        // so the way there stays short.
        const int margin = 2 * kRoughboardDotRadius;
        paintTo(app, std::clamp(e.x, -margin, app.roughboard54.width + margin),
                std::clamp(e.y, -margin, app.roughboard54.height + margin));
        return showRoughboard(app);
    }
    if (e.type == T::RightDown || (e.type == T::Move && e.rightHeld)) {
        if (!app.roughboard54.contains(e.x, e.y)) return;
        // Colour changed gives the picked colour the brush's alpha.
        app.brush.selectedColor = app.roughboard54.at(e.x, e.y) & kWhite;
        colourChanged(app, false);
    }
}

void timelineEvent(App& app, const ControlEvent& e) {
    using T = ControlEventType;
    const TimelineDragStep step = e.type == T::LeftDown ? TimelineDragStep::Press
                                  : e.type == T::Move   ? TimelineDragStep::Move
                                  : e.type == T::LeftUp ? TimelineDragStep::Release
                                                        : TimelineDragStep::Other;
    if (timelineDrawingDrag(app, {step, e.x, e.y, e.alt, e.ctrl, e.shift}))
        return redrawTimeline(app);
    const bool moving = e.type == T::Move;
    const bool left = e.type == T::LeftDown || (moving && e.leftHeld);
    const bool right = e.type == T::RightDown || (moving && e.rightHeld);
    const bool middle = e.type == T::MiddleDown || (moving && e.middleHeld);
    if (!left && !right && !middle) return;
    ViewState& view = app.viewState;
    const int16_t frame = timelineFrameAt(e.x, app.iface.frameCellWidth);
    if (left && e.ctrl && !e.shift && !e.alt) {
        view.FrameStart = frame;
    } else if (left) {
        view.CurrentFrame = frame;
        recomposeView(app, false);
    }
    if (right) view.FrameEnd = frame;
    if (middle) view.FrameStart = frame;
    redrawTimeline(app);
    refreshPanelControls(app);
}

void animationLayerListEvent(App& app, const ControlEvent& e) {
    int op = -1;
    if (e.type == ControlEventType::LeftDown) op = 0;
    if (e.type == ControlEventType::LeftDoubleClick) op = 1;
    if (e.type == ControlEventType::Move && e.leftHeld) op = 2;
    if (op < 0) return;
    animationLayerListInput(app, e.x, e.y, op);
    redrawAnimationLayerList(app);
}

}  // namespace qm
