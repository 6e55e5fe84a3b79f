#include "shell/tool_commands.h"

#include <algorithm>
#include <iterator>

#include "brush/stroke.h"
#include "document/document_ops.h"
#include "shell/app.h"
#include "shell/brush_commands.h"
#include "shell/canvas_frame.h"
#include "shell/edits.h"
#include "shell/ids.h"
#include "shell/layer_commands.h"
#include "shell/panels.h"

namespace qm {

namespace {

// --- Tools of the later drawing step. They are reached through the table below already, so
// the routing is settled; until they are built they change nothing. ----------------------
void fillAtPoint(App&, int, int) {}
void radialLineTo(App&, int, int) {}
void shapeWithPreview(App&, int, int, ToolEvent) {}

// The current layer as a dab target: each dab's rectangle is declared to the open edit before
// the dab writes it. The layer is looked up by id at every dab, so nothing holds on to it.
DabTarget currentLayerTarget(App& app) {
    const Layer* layer = currentLayer(app.doc);
    if (!layer) return {};
    const uint32_t layerId = layer->id;
    return DabTarget{layer->image.width, layer->image.height,
                     [&app, layerId](const Rect& rect) -> Image* {
                         Layer* target = layerById(app.doc, layerId);
                         if (!target) return nullptr;
                         app.history.touchPixels(app.doc, layerId, rect);
                         return &target->image;
                     }};
}

// The brush (and the eraser, which is the brush in mode 2): one segment from the last painted
// point into the layer; the view then shows what the segment touched, made from the layer.
void paintBrush(App& app, int x, int y, ToolEvent) {
    // The press opened the stroke's edit; an undo in the middle of the stroke closed it, and
    // the rest of the stroke is a step of its own, which the release commits.
    if (!app.history.isOpen()) {
        beginEdit(app, "Stroke");
        app.strokeEdit = true;
    }
    StrokeContext context{app.brush,    app.tip,         currentLayerTarget(app),
                          app.doc.Zoom, app.CurrentTool, app.random,
                          &app.strokeCache};
    paintSegment(context, app.LastX - app.ViewOffsetX, app.LastY - app.ViewOffsetY, x, y);
    showEditChanges(app);
}

void moveTool(App& app, int x, int y, ToolEvent) {
    moveToolDrag(app, x, y, false);
}

void clearTool(App& app, int, int, ToolEvent) {
    clearCurrentLayer(app);
}

void fillTool(App& app, int x, int y, ToolEvent event) {
    if (event == ToolEvent::Down) fillAtPoint(app, x, y);
    recomposeView(app, false);
}

void radialLineTool(App& app, int x, int y, ToolEvent) {
    radialLineTo(app, x, y);
    recomposeView(app, false);
}

void noTool(App&, int, int, ToolEvent) {}

using ToolHandler = void (*)(App&, int, int, ToolEvent);

struct ToolRoute {
    Tool tool;
    ToolHandler handler;
};

// What each tool code does at a point. Codes not listed (line, box, ellipse, gradient and any
// other) draw a shape with a live preview.
constexpr ToolRoute kToolRoutes[] = {
    {Tool::Move, moveTool},     {Tool::Brush, paintBrush},
    {Tool::Eraser, paintBrush}, {Tool::Clear, clearTool},
    {Tool::Fill, fillTool},     {Tool::StraightSpeedLine, noTool},
    {Tool::Pattern, noTool},    {Tool::RadialSpeedLine, radialLineTool},
};

}  // namespace

void applyToolAtPoint(App& app, int x, int y, ToolEvent event) {
    // A hidden layer is never painted, whatever the tool.
    if (!currentVisible(app.doc)) return;
    const auto* route =
        std::find_if(std::begin(kToolRoutes), std::end(kToolRoutes),
                     [&](const ToolRoute& r) { return code(r.tool) == app.CurrentTool; });
    if (route != std::end(kToolRoutes))
        route->handler(app, x, y, event);
    else
        shapeWithPreview(app, x, y, event);
}

// The colour picker arrives with the other tools of the drawing step.
void pickColorAtPointer(App&) {}

void sampleMixingColor(App& app, int x, int y) {
    const Image* layer = currentImage(app.doc);
    if (!layer) return;
    const std::optional<uint32_t> sample = mixingSample(*layer, x, y, app.doc.Zoom);
    if (!sample) return;
    // The mix always starts from the user's colour, so it does not build up from dab to dab.
    app.brush.color = mixedColor(*sample, app.brush.selectedColor, app.brush.mixing);
    colorChanged(app, true);
}

void finishMove(App& app, int x, int y) {
    moveToolDrag(app, x, y, true);
}

void highlightToolButton(App& app, int toolCode) {
    for (int c = code(Tool::Brush); c <= code(Tool::Move); ++c)
        app.ui.setGadgetState(c, c == toolCode ? 1 : 0);
}

void clearCurrentLayer(App& app) {
    Layer* layer = currentLayer(app.doc);
    if (!layer || layer->image.empty()) return;
    ScopedEdit edit(app, "Clear");
    app.history.touchPixels(app.doc, layer->id, Rect{0, 0, layer->image.width, layer->image.height});
    std::fill(layer->image.pixels.begin(), layer->image.pixels.end(), 0u);
}

namespace {

struct ToolChoice {
    Cmd button;
    Tool tool;
    CursorShape cursor;
};

// Tool-bar buttons and the tool each selects; the brush (51) is also what any other id means.
constexpr ToolChoice kToolChoices[] = {
    {Cmd::Eraser, Tool::Brush, CursorShape::Eraser},
    {Cmd::Line, Tool::Line, CursorShape::Cross},
    {Cmd::RadialSpeedLine, Tool::RadialSpeedLine, CursorShape::Cross},
    {Cmd::StraightSpeedLine, Tool::StraightSpeedLine, CursorShape::Cross},
    {Cmd::Box, Tool::Box, CursorShape::Cross},
    {Cmd::Ellipse, Tool::Ellipse, CursorShape::Cross},
    {Cmd::FillTool, Tool::Fill, CursorShape::Cross},
    {Cmd::Gradient, Tool::Gradient, CursorShape::Cross},
    {Cmd::Pattern, Tool::Pattern, CursorShape::Cross},
    {Cmd::MoveTool, Tool::Move, CursorShape::Move},
    {Cmd::ColorPicker, Tool::ColorPicker, CursorShape::Picker},
    {Cmd::ZoomTool, Tool::Zoom, CursorShape::Cross},
    {Cmd::Hand, Tool::Hand, CursorShape::Hand},
};

}  // namespace

void selectTool(App& app, int commandId) {
    // Tool-bar buttons are toggles: the chosen one pressed, the others released.
    for (int c = id(Cmd::Brush); c <= id(Cmd::Hand); ++c) app.ui.setMenuChecked(c, c == commandId);
    app.ui.setCursor(CursorShape::Cross);
    if (commandId == id(Cmd::ClearTool)) {
        clearCurrentLayer(app);
        return;
    }
    const auto* choice =
        std::find_if(std::begin(kToolChoices), std::end(kToolChoices),
                     [&](const ToolChoice& c) { return id(c.button) == commandId; });
    if (choice == std::end(kToolChoices)) {
        app.CurrentTool = uint8_t(Tool::Brush);
        app.brush.tool = 0;
        app.ui.setGadgetState(id(Gadget::BrushMode), 0);
        return;
    }
    app.CurrentTool = uint8_t(code(choice->tool));
    if (choice->button == Cmd::Eraser) {
        app.brush.tool = 2;
        app.ui.setGadgetState(id(Gadget::BrushMode), 2);
    }
    if (choice->cursor != CursorShape::Cross) app.ui.setCursor(choice->cursor);
}

}  // namespace qm
