#include "shell/commands/tool_commands.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "brush/stroke.h"
#include "brush/tool_shapes.h"
#include "document/document_ops.h"
#include "raster/flood_fill.h"
#include "raster/rounding.h"
#include "raster/shapes.h"
#include "shell/app.h"
#include "shell/commands/brush_commands.h"
#include "shell/commands/layer_commands.h"
#include "shell/commands/pen_commands.h"
#include "shell/edits.h"
#include "shell/ids.h"
#include "shell/state/tool_state.h"
#include "shell/view/view.h"

namespace qm {

namespace {

// A view coordinate relative to the document's corner as a layer coordinate: v x 100 / Zoom,
// rounded to the nearest integer, halves away from zero.
int toLayer(const App& app, int v) {
    const int zoom = app.doc.Zoom > 0 ? app.doc.Zoom : 100;
    return int(
        std::clamp<int64_t>(roundHalfAway(double(v) * 100.0 / zoom), INT32_MIN / 2, INT32_MAX / 2));
}

// A view point's layer pixel: the document pixel under it, less the layer's offset (the layer's
// pixel (0, 0) lies over document pixel X, Y), so every tool paints under the pointer.
int toLayerX(const App& app, const Layer& layer, int v) {
    return toLayer(app, v) - layer.X;
}
int toLayerY(const App& app, const Layer& layer, int v) {
    return toLayer(app, v) - layer.Y;
}

// The tool colour (red, green and blue of the selected colour, alpha `alpha`) and drawing mode.
uint32_t toolColor(const App& app) {
    return (app.brush.selectedColor & 0x00FFFFFFu) | (uint32_t(app.brush.alpha) << 24);
}
DrawMode toolMode(const App& app) {
    return app.brush.keepAlpha ? DrawMode::AlphaClip : DrawMode::AlphaBlend;
}

// Keeping alpha leaves transparent pixels transparent; their colour stays 0 too, so that they
// remain one region for the fill and what is stored stays clean.
void clearHiddenColour(Image& image, const Rect& area, DrawMode mode) {
    if (mode != DrawMode::AlphaClip) return;
    const Rect r = intersect(area, Rect{0, 0, image.width, image.height});
    for (int y = r.y; y < r.bottom(); ++y) {
        uint32_t* row = image.row(y);
        for (int x = r.x; x < r.right(); ++x)
            if (alpha(row[x]) == 0) row[x] = 0;
    }
}

// The fill: the region of the seed pixel's colour around the pressed pixel of the layer. Each
// span is declared to the edit before it is painted, so only what the fill covers is kept.
void fillAtPoint(App& app, int x, int y) {
    Layer* layer = currentLayer(app.doc);
    if (!layer || layer->image.empty()) return;
    const int sx = toLayerX(app, *layer, x), sy = toLayerY(app, *layer, y);
    // A layer keeping its alpha shows nothing new on a transparent region.
    if (toolMode(app) == DrawMode::AlphaClip && alpha(point(layer->image, sx, sy)) == 0) return;
    ScopedEdit edit(app, "Fill");
    const uint32_t layerId = layer->id;
    // Rows of one band of history tiles mostly cover the same tiles: a span is declared only
    // when it reaches a tile not kept yet. Each band's bounds are declared at the end, so the
    // view redraws every row the fill changed.
    const int tile = kHistoryTileSide;
    const int columns = (layer->image.width + tile - 1) / tile;
    const int bands = (layer->image.height + tile - 1) / tile;
    std::vector<uint8_t> kept(size_t(columns) * size_t(bands), 0);
    std::vector<Rect> bandBounds(static_cast<size_t>(bands));
    floodFill(layer->image, sx, sy, solidPaint(toolColor(app), toolMode(app)),
              [&](const Rect& span) {
                  const size_t band = size_t(span.y / tile);
                  bandBounds[band] = unite(bandBounds[band], span);
                  uint8_t* row = kept.data() + band * size_t(columns);
                  const int c0 = span.x / tile, c1 = (span.right() - 1) / tile;
                  if (std::all_of(row + c0, row + c1 + 1, [](uint8_t k) { return k != 0; })) return;
                  app.history.touchPixels(app.doc, layerId, span);
                  std::fill(row + c0, row + c1 + 1, uint8_t(1));
              });
    for (const Rect& r : bandBounds)
        if (!r.empty()) app.history.touchPixels(app.doc, layerId, r);
}

// The radial speed line: a line from the press to the point on every event of the drag, none
// taken back, so the drag leaves a fan.
void radialLineTo(App& app, int x, int y) {
    Layer* layer = currentLayer(app.doc);
    if (!layer || layer->image.empty()) return;
    ToolShape line;
    line.kind = ShapeKind::Line;
    line.x0 = toLayerX(app, *layer, app.StartX), line.y0 = toLayerY(app, *layer, app.StartY);
    line.x1 = toLayerX(app, *layer, x), line.y1 = toLayerY(app, *layer, y);
    line.color = toolColor(app);
    line.mode = toolMode(app);
    app.history.touchPixels(app.doc, layer->id, shapeBounds(line));
    clearHiddenColour(layer->image, drawToolShape(layer->image, line), line.mode);
    showEditChanges(app);
}

// The shape of the current tool from the press to (x, y), in view coordinates.
ToolShape viewShape(const App& app, int x, int y) {
    ToolShape shape;
    shape.kind = shapeOfTool(app.CurrentTool);
    shape.x0 = app.StartX, shape.y0 = app.StartY;
    shape.x1 = x, shape.y1 = y;
    shape.constrained =
        app.tools.ctrlHeld && (shape.kind == ShapeKind::Box || shape.kind == ShapeKind::Ellipse);
    shape.color = toolColor(app);
    shape.endColor = app.iface.backgroundColor;
    shape.mode = toolMode(app);
    return shape;
}

// Puts back the canvas pixels under the shape drawn last.
void takeBackPreview(App& app) {
    ToolState& t = app.tools;
    const Rect r =
        intersect(t.previewRect, Rect{0, 0, app.canvasImage.width, app.canvasImage.height});
    if (!r.empty() && t.under.size() >= size_t(r.w) * size_t(r.h)) {
        for (int y = 0; y < r.h; ++y)
            std::memcpy(app.canvasImage.row(r.y + y) + r.x,
                        t.under.data() + size_t(y) * size_t(r.w), size_t(r.w) * sizeof(uint32_t));
    }
    t.previewRect = {};
}

// The preview: the shape drawn over the composed canvas at view scale, under the pointer, where
// the layer shows (the layers are not touched; the canvas pixels under it are kept to take it
// back). Returns the canvas rectangle that changed.
Rect drawPreview(App& app, const ToolShape& shape) {
    ToolState& t = app.tools;
    Image& canvas = app.canvasImage;
    const Layer* layer = currentLayer(app.doc);
    if (!layer || canvas.empty()) return {};
    const ToolShape onCanvas = offsetShape(shape, app.ViewOffsetX, app.ViewOffsetY);
    const Rect r = intersect(shapeBounds(onCanvas), Rect{0, 0, canvas.width, canvas.height});
    if (r.empty()) return {};
    t.under.resize(size_t(r.w) * size_t(r.h));
    for (int y = 0; y < r.h; ++y)
        std::memcpy(t.under.data() + size_t(y) * size_t(r.w), canvas.row(r.y + y) + r.x,
                    size_t(r.w) * sizeof(uint32_t));
    t.previewRect = r;
    // The canvas is opaque: on it, keeping alpha would change nothing, so the preview blends.
    ToolShape blended = onCanvas;
    blended.mode = DrawMode::AlphaBlend;
    drawToolShape(canvas, blended);
    // The layer shows only inside itself and the document, as the compositor draws it: what the
    // shape covered beyond them comes back, and so does what it covered over transparent layer
    // pixels when the layer keeps its alpha.
    const int zoom = app.view.zoom;
    const int originX = app.ViewOffsetX + int(layerViewOffset(layer->X, zoom));
    const int originY = app.ViewOffsetY + int(layerViewOffset(layer->Y, zoom));
    const int64_t viewW = int64_t(layer->image.width) * zoom / 100;
    const int64_t viewH = int64_t(layer->image.height) * zoom / 100;
    const Rect inside = intersect(
        intersect(r, clipToImage(originX, originY, viewW, viewH, canvas.width, canvas.height)),
        documentViewRect(app.doc, app.ViewOffsetX, app.ViewOffsetY, zoom));
    const bool keepAlpha = shape.mode == DrawMode::AlphaClip;
    for (int y = r.y; y < r.bottom(); ++y) {
        uint32_t* row = canvas.row(y) + r.x;
        const uint32_t* kept = t.under.data() + size_t(y - r.y) * size_t(r.w);
        const bool rowInside = !inside.empty() && y >= inside.y && y < inside.bottom();
        const int x0 = rowInside ? inside.x - r.x : r.w,
                  x1 = rowInside ? inside.right() - r.x : r.w;
        std::memcpy(row, kept, size_t(x0) * sizeof(uint32_t));
        std::memcpy(row + x1, kept + x1, size_t(r.w - x1) * sizeof(uint32_t));
        if (!keepAlpha || !rowInside) continue;
        // The layer pixel under each view pixel, as the display image takes it.
        const int64_t j = y - originY;
        const uint32_t* layerRow =
            layer->image.row(int((2 * j + 1) * layer->image.height / (2 * viewH)));
        for (int x = x0; x < x1; ++x) {
            const int64_t i = x + r.x - originX;
            if (alpha(layerRow[(2 * i + 1) * layer->image.width / (2 * viewW)]) == 0)
                row[x] = kept[x];
        }
    }
    return r;
}

// Line, box, ellipse and gradient: while the button is held each event shows the shape from
// the press to the pointer over the canvas; the release draws it into the layer, once.
void shapeWithPreview(App& app, int x, int y, ToolEvent event) {
    ToolState& t = app.tools;
    const ToolShape shape = viewShape(app, x, y);
    const Rect before = t.previewRect;
    takeBackPreview(app);
    if (event == ToolEvent::Down) t.shapeDrag = true;
    if (event != ToolEvent::Up) {
        const Rect now = drawPreview(app, shape);
        const Rect changed = unite(before, now);
        if (!changed.empty()) app.ui.presentCanvasPart(app.canvasImage, changed);
        return;
    }
    t.shapeDrag = false;
    if (!before.empty()) app.ui.presentCanvasPart(app.canvasImage, before);
    Layer* layer = currentLayer(app.doc);
    if (!layer || layer->image.empty() || shape.kind == ShapeKind::None) return;
    ToolShape inLayer = shape;
    inLayer.x0 = toLayerX(app, *layer, shape.x0), inLayer.y0 = toLayerY(app, *layer, shape.y0);
    inLayer.x1 = toLayerX(app, *layer, shape.x1), inLayer.y1 = toLayerY(app, *layer, shape.y1);
    ScopedEdit edit(app, "Shape");
    app.history.touchPixels(app.doc, layer->id, shapeBounds(inLayer));
    clearHiddenColour(layer->image, drawToolShape(layer->image, inLayer), inLayer.mode);
}

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
                     },
                     layer->X, layer->Y};
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
    StrokeContext context{app.brush,       app.tip,    currentLayerTarget(app), app.doc.Zoom,
                          app.CurrentTool, app.random, &app.strokeCache};
    if (!paintPenSample(app, context))
        paintSegment(context, app.LastX - app.ViewOffsetX, app.LastY - app.ViewOffsetY, x, y);
    showEditChanges(app);
}

void moveTool(App& app, int x, int y, ToolEvent) {
    moveToolDrag(app, x, y, false);
}

void clearTool(App& app, int, int, ToolEvent) {
    clearCurrentLayer(app);
}

// The view shows what the fill and the line changed as their edits declared it.
void fillTool(App& app, int x, int y, ToolEvent event) {
    if (event == ToolEvent::Down) fillAtPoint(app, x, y);
}

void radialLineTool(App& app, int x, int y, ToolEvent) {
    radialLineTo(app, x, y);
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
    const auto* route =
        std::find_if(std::begin(kToolRoutes), std::end(kToolRoutes),
                     [&](const ToolRoute& r) { return code(r.tool) == app.CurrentTool; });
    // A hidden layer is never painted, whatever the tool; the press of a tool that would change
    // it says why nothing happens.
    if (!currentVisible(app.doc)) {
        const bool paints = route == std::end(kToolRoutes) || route->handler != noTool;
        if (event == ToolEvent::Down && paints && currentLayer(app.doc)) {
            app.tools.hiddenLayerNoted = true;
            refreshStatusNote(app);
        }
        return;
    }
    if (route != std::end(kToolRoutes))
        route->handler(app, x, y, event);
    else
        shapeWithPreview(app, x, y, event);
}

// The colour picker reads the canvas as it is shown, under the pointer.
void pickColorAtPointer(App& app) {
    const Image& canvas = app.canvasImage;
    if (!canvas.contains(app.MouseX, app.MouseY)) return;
    // Colour changed gives the picked colour the brush's alpha.
    app.brush.selectedColor = canvas.at(app.MouseX, app.MouseY) & 0x00FFFFFFu;
    colorChanged(app, false);
}

bool shapeDragUnderway(const App& app) {
    return app.tools.shapeDrag;
}

void cancelShapePreview(App& app) {
    if (!app.tools.shapeDrag) return;
    const Rect shown = app.tools.previewRect;
    takeBackPreview(app);
    app.tools.shapeDrag = false;
    if (!shown.empty()) app.ui.presentCanvasPart(app.canvasImage, shown);
}

void sampleMixingColor(App& app, int x, int y) {
    const Layer* layer = currentLayer(app.doc);
    if (!layer) return;
    const std::optional<uint32_t> sample =
        mixingSample(layer->image, x, y, app.doc.Zoom, layer->X, layer->Y);
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
    app.history.touchPixels(app.doc, layer->id,
                            Rect{0, 0, layer->image.width, layer->image.height});
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
