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

// One adjustment of the whole current layer, one undo step; the view is made again from the
// layer by the commit.
void adjustCurrentLayer(App& app, Adjustment adjustment, int value, const char* label) {
    ScopedEdit edit(app, label);
    const PaintTarget layer = paintTarget(app);
    if (!layer) return;
    const Rect whole{0, 0, layer.width, layer.height};
    touchTarget(app, layer, whole);
    // A missing tile stays as it is: a transparent pixel stays 0 through every adjustment.
    TiledImage& image = *layer.image;
    std::vector<std::pair<int, int>> present;
    image.forEachTile(whole,
                      [&](int tx, int ty, const ConstPixelView&) { present.emplace_back(tx, ty); });
    for (const auto& [tx, ty] : present)
        adjustImage(image.writableTile(tx, ty), whole, adjustment, value);
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
    recomposeView(app, false);
}

void applyBrightness(App& app, int value) {
    dropLayerPreview(app);
    adjustCurrentLayer(app, Adjustment::Brightness,
                       std::clamp(value, kBrightnessMin, kBrightnessMax), "Brightness");
    recomposeView(app, false);
}

}  // namespace qm
