#include "shell/commands/tool_commands.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>
#include <utility>
#include <vector>

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
#include "shell/commands/tool_table.h"
#include "shell/edits.h"
#include "shell/ids.h"
#include "shell/paint_target.h"
#include "shell/state/tool_state.h"
#include "shell/view/view.h"

namespace qm {

namespace {

// A view coordinate relative to the document's corner as a layer coordinate: v x 100 / Zoom,
// rounded to the nearest integer, halves away from zero.
int toLayer(int zoom, int v) {
    return int(
        std::clamp<int64_t>(roundHalfAway(double(v) * 100.0 / zoom), INT32_MIN / 2, INT32_MAX / 2));
}

// A view point's layer pixel: the document pixel under it, less the layer's offset (the layer's
// pixel (0, 0) lies over document pixel X, Y), so every tool paints under the pointer.
int toLayerX(const App&, const PaintTarget& layer, int v) {
    return toLayer(layer.zoom, v) - layer.X;
}
int toLayerY(const App&, const PaintTarget& layer, int v) {
    return toLayer(layer.zoom, v) - layer.Y;
}

// The tool colour (red, green and blue of the selected colour, alpha `alpha`) and drawing mode.
uint32_t toolColour(const App& app) {
    return (app.brush.selectedColor & 0x00FFFFFFu) | (uint32_t(app.brush.alpha) << 24);
}
DrawMode toolMode(const App& app) {
    return app.brush.keepAlpha ? DrawMode::AlphaClip : DrawMode::AlphaBlend;
}

// Keeping alpha leaves transparent pixels transparent; their colour stays 0 too, so that they
// remain one region for the fill and what is stored stays clean.
void clearHiddenColour(PixelView image, const Rect& area, DrawMode mode) {
    if (mode != DrawMode::AlphaClip) return;
    const Rect r = intersect(area, image.rect());
    for (int y = r.y; y < r.bottom(); ++y) {
        uint32_t* row = image.at(r.x, y);
        for (int x = 0; x < r.w; ++x)
            if (alpha(row[x]) == 0) row[x] = 0;
    }
}

// Draws the shape into every tile of the image under its bounds, then clears the hidden colour
// over the whole rectangle the shape drew, as drawing into the whole image does.
void drawShapeIntoTiles(TiledImage& image, const ToolShape& shape) {
    const Rect drawn = image.forEachWritableTile(
        shapeBounds(shape), [&](PixelView tile) { return drawToolShape(tile, shape); });
    if (shape.mode != DrawMode::AlphaClip || drawn.empty()) return;
    image.forEachWritableTile(drawn, [&](PixelView tile) {
        clearHiddenColour(tile, tile.rect(), shape.mode);
        return Rect{};
    });
}

}  // namespace

// The fill: the region of the seed pixel's colour around the pressed pixel of the layer. Each
// span is declared to the edit before it is painted, so only what the fill covers is kept. The
// view shows what the fill changed as its edit declared it.
void fillAtPoint(App& app, int x, int y) {
    ScopedEdit edit(app, "Fill");
    // A layer keeping its alpha shows nothing new on a transparent region (a drawing not made yet).
    const PaintTarget layer = paintTarget(app, toolMode(app) != DrawMode::AlphaClip);
    if (!layer) return;
    const int sx = toLayerX(app, layer, x), sy = toLayerY(app, layer, y);
    const TiledImage& before = *layer.image;
    if (toolMode(app) == DrawMode::AlphaClip &&
        alpha(before.contains(sx, sy) ? before.at(sx, sy) : 0u) == 0)
        return;
    // Rows of one band of history tiles mostly cover the same tiles: a span is declared only
    // when it reaches a tile not kept yet. Each band's bounds are declared at the end, so the
    // view redraws every row the fill changed.
    const int tile = kHistoryTileSide;
    const int columns = (layer.width + tile - 1) / tile;
    const int bands = (layer.height + tile - 1) / tile;
    std::vector<uint8_t> kept(size_t(columns) * size_t(bands), 0);
    std::vector<Rect> bandBounds(static_cast<size_t>(bands));
    // The fill runs on the whole image, and what it painted is written back into the tiles.
    Image whole;
    try {
        whole = before.toImage();
    } catch (const std::bad_alloc&) {
        return;
    }
    const Rect painted =
        floodFill(whole, sx, sy, solidPaint(toolColour(app), toolMode(app)), [&](const Rect& span) {
            const size_t band = size_t(span.y / tile);
            bandBounds[band] = unite(bandBounds[band], span);
            uint8_t* row = kept.data() + band * size_t(columns);
            const int c0 = span.x / tile, c1 = (span.right() - 1) / tile;
            if (std::all_of(row + c0, row + c1 + 1, [](uint8_t k) { return k != 0; })) return;
            touchTarget(app, layer, span);
            std::fill(row + c0, row + c1 + 1, uint8_t(1));
        });
    if (TiledImage* image = targetImage(app, layer); image && !painted.empty())
        image->forEachWritableTile(painted, [&](PixelView tile) {
            for (int row = tile.y; row < tile.y + tile.height; ++row)
                std::memcpy(tile.at(tile.x, row), whole.row(row) + tile.x,
                            size_t(tile.width) * sizeof(uint32_t));
        });
    for (const Rect& r : bandBounds)
        if (!r.empty()) touchTarget(app, layer, r);
}

// The radial speed line: a line from the press to the point on every event of the drag, none
// taken back, so the drag leaves a fan.
void radialLineTo(App& app, int x, int y) {
    // The press may have been another tool's, or an undo in the drag closed the edit: the rest
    // of the drag is a step of its own.
    openStrokeEdit(app);
    const PaintTarget layer = paintTarget(app);
    if (!layer) return;
    ToolShape line;
    line.kind = ShapeKind::Line;
    line.x0 = toLayerX(app, layer, app.StartX), line.y0 = toLayerY(app, layer, app.StartY);
    line.x1 = toLayerX(app, layer, x), line.y1 = toLayerY(app, layer, y);
    line.colour = toolColour(app);
    line.mode = toolMode(app);
    touchTarget(app, layer, shapeBounds(line));
    drawShapeIntoTiles(*layer.image, line);
    showEditChanges(app);
}

namespace {

// The shape of the current tool from the press to (x, y), in view coordinates.
ToolShape viewShape(const App& app, int x, int y) {
    ToolShape shape;
    shape.kind = currentToolRow(app).shape;
    shape.x0 = app.StartX, shape.y0 = app.StartY;
    shape.x1 = x, shape.y1 = y;
    shape.constrained =
        app.tools.ctrlHeld && (shape.kind == ShapeKind::Box || shape.kind == ShapeKind::Ellipse);
    shape.colour = toolColour(app);
    shape.endColour = app.iface.backgroundColor;
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
    const PaintTarget layer = paintTarget(app, false);
    if (layer.width <= 0 || canvas.empty()) return {};
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
    const int zoom = layer.frame ? layer.zoom : app.view.zoom;
    const int originX = app.ViewOffsetX + int(layerViewOffset(layer.X, zoom));
    const int originY = app.ViewOffsetY + int(layerViewOffset(layer.Y, zoom));
    const int64_t viewW = int64_t(layer.width) * zoom / 100;
    const int64_t viewH = int64_t(layer.height) * zoom / 100;
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
        // The layer pixel under each view pixel, as the display image takes it (a drawing not
        // made yet is all transparent).
        const int64_t j = y - originY;
        const TiledImage* image = layer ? layer.image : nullptr;
        const int layerRow = image ? int((2 * j + 1) * layer.height / (2 * viewH)) : 0;
        for (int x = x0; x < x1; ++x) {
            const int64_t i = x + r.x - originX;
            if (!image || alpha(std::as_const(*image).at(
                              int((2 * i + 1) * layer.width / (2 * viewW)), layerRow)) == 0)
                row[x] = kept[x];
        }
    }
    return r;
}

}  // namespace

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
    if (shape.kind == ShapeKind::None) return;
    ScopedEdit edit(app, "Shape");
    const PaintTarget layer = paintTarget(app);
    if (!layer) return;
    ToolShape inLayer = shape;
    inLayer.x0 = toLayerX(app, layer, shape.x0), inLayer.y0 = toLayerY(app, layer, shape.y0);
    inLayer.x1 = toLayerX(app, layer, shape.x1), inLayer.y1 = toLayerY(app, layer, shape.y1);
    touchTarget(app, layer, shapeBounds(inLayer));
    drawShapeIntoTiles(*layer.image, inLayer);
}

namespace {

// The painted image as a dab target: each dab's rectangle is declared to the open edit before
// the dab writes it. The image is looked up by id at every dab, so nothing holds on to it.
DabTarget currentLayerTarget(App& app, const PaintTarget& layer) {
    if (!layer) return {};
    return DabTarget{layer.width,
                     layer.height,
                     nullptr,
                     layer.X,
                     layer.Y,
                     [&app, layer](const Rect& rect) -> TiledImage* {
                         TiledImage* image = targetImage(app, layer);
                         if (!image) return nullptr;
                         touchTarget(app, layer, rect);
                         return image;
                     }};
}

}  // namespace

// The brush (and the eraser, which is the brush in mode 2): one segment from the last painted
// point into the layer; the view then shows what the segment touched, made from the layer.
void paintToPoint(App& app, int x, int y) {
    // The press opened the stroke's edit; an undo in the middle of the stroke closed it, and
    // the rest of the stroke is a step of its own, which the release commits.
    if (!app.history.isOpen()) {
        beginEdit(app, "Stroke");
        app.strokeEdit = true;
    }
    const PaintTarget layer = paintTarget(app);
    StrokeContext context{app.brush,
                          app.tip,
                          currentLayerTarget(app, layer),
                          layer.zoom,
                          code(app.CurrentTool),
                          app.random,
                          &app.strokeCache};
    if (!paintPenSample(app, context))
        paintSegment(context, app.LastX - app.ViewOffsetX, app.LastY - app.ViewOffsetY, x, y);
    showEditChanges(app);
}

const ToolRow& currentToolRow(const App& app) {
    const ToolRow* row = toolRow(app.CurrentTool);
    return row ? *row : *toolRow(Tool::Brush);
}

void applyToolAtPoint(App& app, int x, int y, ToolEvent event) {
    const ToolRow& row = currentToolRow(app);
    // A hidden layer is never painted, whatever the tool; the press of a tool that would change
    // it says why nothing happens.
    if (!paintTargetVisible(app)) {
        if (event == ToolEvent::Down && row.press && currentLayer(app.doc)) {
            app.tools.hiddenLayerNoted = true;
            refreshStatusNote(app);
        }
        return;
    }
    // The hand, the zoom or the picker chosen in the middle of another tool's drag has no
    // shape: the shape that drag showed is taken back.
    if (!row.opensStroke) return shapeWithPreview(app, x, y, event);
    const ToolHandler handler = event == ToolEvent::Down   ? row.press
                                : event == ToolEvent::Move ? row.move
                                                           : row.release;
    if (handler) handler(app, x, y);
}

// The colour picker reads the canvas as it is shown, under the pointer.
void pickColourAtPointer(App& app) {
    const Image& canvas = app.canvasImage;
    if (!canvas.contains(app.MouseX, app.MouseY)) return;
    // Colour changed gives the picked colour the brush's alpha.
    app.brush.selectedColor = canvas.at(app.MouseX, app.MouseY) & 0x00FFFFFFu;
    colourChanged(app, false);
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

void sampleMixingColour(App& app, int x, int y) {
    const PaintTarget layer = paintTarget(app, false);
    if (!layer) return;
    const std::optional<uint32_t> sample =
        mixingSample(*layer.image, x, y, layer.zoom, layer.X, layer.Y);
    if (!sample) return;
    // The mix always starts from the user's colour, so it does not build up from dab to dab.
    app.brush.color = mixedColour(*sample, app.brush.selectedColor, app.brush.mixing);
    colourChanged(app, true);
}

void finishMove(App& app, int x, int y) {
    moveToolDrag(app, x, y, true);
}

void highlightToolButton(App& app, Tool tool) {
    // The clear button acts at once and is never shown pressed.
    for (const ToolRow& row : toolTable())
        if (row.columnGadget && !row.onSelect)
            app.ui.setGadgetState(row.columnGadget, row.tool == tool ? 1 : 0);
}

void clearCurrentLayer(App& app) {
    ScopedEdit edit(app, "Clear");
    const PaintTarget layer = paintTarget(app);
    if (!layer) return;
    // Only the present tiles hold pixels: they are declared, then every tile goes missing.
    std::vector<Rect> present;
    layer.image->forEachTile(
        Rect{0, 0, layer.width, layer.height},
        [&](int, int, const ConstPixelView& tile) { present.push_back(tile.rect()); });
    for (const Rect& r : present) touchTarget(app, layer, r);
    layer.image->clear();
}

void selectTool(App& app, const ToolRow& row) {
    // Tool-bar buttons are toggles: the chosen one pressed, the others released.
    for (const ToolRow& other : toolTable())
        app.ui.setMenuChecked(id(other.command), &other == &row);
    app.ui.setCursor(CursorShape::Cross);
    if (row.onSelect) return row.onSelect(app);
    app.CurrentTool = row.selects;
    if (row.brushMode >= 0) {
        app.brush.tool = uint8_t(row.brushMode);
        app.ui.setGadgetState(id(Gadget::BrushMode), row.brushMode);
    }
    if (row.cursor != CursorShape::Cross) app.ui.setCursor(row.cursor);
}

}  // namespace qm
