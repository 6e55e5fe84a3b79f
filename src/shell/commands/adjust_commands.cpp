#include "shell/commands/adjust_commands.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "document/document_ops.h"
#include "filters/adjustments.h"
#include "raster/draw_image.h"
#include "shell/app.h"
#include "shell/edits.h"
#include "shell/paint_target.h"
#include "shell/state/tool_state.h"
#include "shell/view/canvas_frame.h"
#include "shell/view/layer_preview.h"

namespace qm {

namespace {

// The preview's tiles are 2^8 view pixels wide at most.
constexpr int kPreviewTileShiftX = 8;

// One adjustment of the whole current layer, one undo step. Only its present tiles are declared
// and adjusted (a transparent pixel stays 0 through every adjustment), so the commit redraws the
// view where they lie.
void adjustCurrentLayer(App& app, Adjustment adjustment, int value, const char* label) {
    ScopedEdit edit(app, label);
    const PaintTarget layer = paintTarget(app);
    if (!layer) return;
    const Rect whole{0, 0, layer.width, layer.height};
    TiledImage& image = *layer.image;
    std::vector<Rect> present;
    image.forEachTile(
        whole, [&](int, int, const ConstPixelView& tile) { present.push_back(tile.rect()); });
    for (const Rect& r : present) touchTarget(app, layer, r);
    adjustTiles(image, adjustment, value, whole);
}

// The canvas rectangle where a layer's display image lies at the view's zoom, cut to the canvas.
Rect layerCanvasRect(const App& app, const Layer& layer) {
    const int zoom = app.view.zoom;
    const int64_t x0 = int64_t(app.ViewOffsetX) + layerViewOffset(layer.X, zoom);
    const int64_t y0 = int64_t(app.ViewOffsetY) + layerViewOffset(layer.Y, zoom);
    const int64_t x1 = x0 + scaled(layer.image.width, zoom);
    const int64_t y1 = y0 + scaled(layer.image.height, zoom);
    const auto clampX = [&](int64_t v) {
        return int(std::clamp<int64_t>(v, 0, app.iface.canvasWidth));
    };
    const auto clampY = [&](int64_t v) {
        return int(std::clamp<int64_t>(v, 0, app.iface.canvasHeight));
    };
    return Rect{clampX(x0), clampY(y0), clampX(x1) - clampX(x0), clampY(y1) - clampY(y0)};
}

// Where the brightness preview shows its layer on the canvas; empty without a preview.
Rect previewCanvasRect(const App& app) {
    if (!app.tools.layerPreview) return {};
    const Layer* layer = layerById(app.doc, app.tools.layerPreview->layerId);
    return layer ? layerCanvasRect(app, *layer) : Rect{};
}

}  // namespace

void pasteClipboard(App& app) {
    std::optional<Image> clip = app.ui.clipboardImage();
    if (clip && !clip->empty()) {
        ScopedEdit edit(app, "Paste");
        if (const PaintTarget layer = paintTarget(app)) {
            // Only the part that fits the layer, from its top-left corner.
            const Rect r = intersect(Rect{0, 0, clip->width, clip->height},
                                     Rect{0, 0, layer.width, layer.height});
            touchTarget(app, layer, r);
            layer.image->forEachWritableTile(r, [&](PixelView tile) {
                return drawImage(tile, *clip, 0, 0, DrawMode::AlphaBlend, 255);
            });
            return;
        }
    }
    recomposeView(app, false);
}

void inverseColors(App& app) {
    adjustCurrentLayer(app, Adjustment::Invert, 0, "InverseColor");
}

void colorToGrey(App& app) {
    adjustCurrentLayer(app, Adjustment::Grey, 0, "ColorToGrey");
}

void previewBrightness(App& app, int value) {
    const Layer* layer = currentLayer(app.doc);
    // The preview shows a layer through the view; a drawing is seen when the value is applied.
    if (!layer || layer->image.empty() || paintsAnimation(app.doc)) return;
    const BrightnessTable table =
        brightnessTable(std::clamp(value, kBrightnessMin, kBrightnessMax));
    ToolState& t = app.tools;
    // The canvas changes only where the layer lies, and where a preview of another layer lay.
    Rect changed =
        t.layerPreview && t.layerPreview->layerId != layer->id ? previewCanvasRect(app) : Rect{};
    // The same layer at the same zoom: the tiles in view are made again in their memory, the
    // others dropped (the compositor makes them when shown). Otherwise the entry is made anew,
    // at the view's zoom and tile size, and its tiles where shown.
    // The preview's tiles are narrower than the view's, so that little is made beyond the
    // canvas's right edge.
    const int shiftX = std::min(app.view.tileShiftX, kPreviewTileShiftX);
    const bool sameEntry = t.layerPreview && t.layerPreview->layerId == layer->id &&
                           t.previewView.zoom == app.view.zoom &&
                           t.previewView.tileShiftX == shiftX &&
                           t.previewView.tileShiftY == app.view.tileShiftY;
    t.layerPreview = LayerPreview{
        layer->id, [table](uint32_t* pixels, size_t n) { brightnessRow(pixels, n, table); },
        &t.previewView};
    updateCanvasSize(app);
    if (!sameEntry || !remakeDisplayTiles(*layer, t.previewView, app.ViewOffsetX, app.ViewOffsetY,
                                          Rect{0, 0, app.iface.canvasWidth, app.iface.canvasHeight},
                                          t.layerPreview->change)) {
        t.previewView.zoom = app.view.zoom;
        t.previewView.tileShiftX = shiftX;
        t.previewView.tileShiftY = app.view.tileShiftY;
        t.previewView.display.clear();
        rebuildDisplay(*layer, t.previewView);
    }
    recomposeRegion(app, unite(changed, layerCanvasRect(app, *layer)));
}

void applyBrightness(App& app, int value) {
    value = std::clamp(value, kBrightnessMin, kBrightnessMax);
    // The commit redraws what the step changed. A preview that showed other pixels than the step
    // makes (of another layer or value, or while a drawing is painted) is taken back where it
    // lay.
    const Layer* current = currentLayer(app.doc);
    const bool previewDiffers =
        app.tools.layerPreview && (!current || app.tools.layerPreview->layerId != current->id ||
                                   app.brightnessPreview != value || paintsAnimation(app.doc));
    const Rect previewed = previewDiffers ? previewCanvasRect(app) : Rect{};
    dropLayerPreview(app);
    adjustCurrentLayer(app, Adjustment::Brightness, value, "Brightness");
    if (!previewed.empty()) recomposeRegion(app, previewed);
}

}  // namespace qm
