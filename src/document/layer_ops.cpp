#include "document/layer_ops.h"

#include <algorithm>
#include <limits>
#include <new>
#include <optional>

#include "document/document_ops.h"
#include "raster/draw_image.h"
#include "raster/image_ops.h"
#include "raster/rounding.h"

namespace qm {

namespace {

// Position is 8-bit, so the stack holds at most this many entries.
constexpr size_t kMaxLayers = 255;

int16_t clampToInt16(int64_t v) {
    return int16_t(std::clamp<int64_t>(v, std::numeric_limits<int16_t>::min(),
                                       std::numeric_limits<int16_t>::max()));
}

}  // namespace

void sortLayers(Document& doc) {
    std::stable_sort(doc.layers.begin(), doc.layers.end(),
                     [](const Layer& a, const Layer& b) { return a.Position < b.Position; });
}

bool deleteSelectedLayer(Document& doc, Layer* removed) {
    if (doc.layers.size() <= 1) return false;
    const auto it = std::find_if(doc.layers.begin(), doc.layers.end(),
                                 [](const Layer& l) { return l.Selected != 0; });
    if (it == doc.layers.end()) return false;
    const uint8_t position = it->Position;
    const size_t index = size_t(it - doc.layers.begin());
    if (removed) *removed = std::move(*it);
    doc.layers.erase(it);
    --doc.LayerCounter;
    // The layer below the removed one in the list takes over; the first has none below it.
    for (Layer& layer : doc.layers) layer.Selected = 0;
    doc.layers[index == 0 ? 0 : index - 1].Selected = 1;
    doc.paintTarget = 0;
    for (Layer& layer : doc.layers)
        if (layer.Position > position) --layer.Position;
    sortLayers(doc);
    return true;
}

bool addGroup(Document& doc, int16_t frame) {
    if (doc.layers.size() >= kMaxLayers) return false;
    ++doc.GroupCount;
    // The group is selected, but painting stays on the layer it was on.
    if (const Layer* target = currentLayer(doc)) doc.paintTarget = target->id;
    for (Layer& layer : doc.layers) layer.Selected = 0;
    Layer group;
    group.Position = uint8_t(doc.layers.size() + 1);
    group.Selected = 1;
    group.Visible = 1;
    group.IsGroup = 1;
    group.Name = "Group" + std::to_string(doc.GroupCount);
    group.Frame = frame;
    group.id = takeLayerId(doc);
    doc.layers.push_back(std::move(group));
    return true;
}

namespace {

// Whether a tile holds a pixel of alpha 0 whose colour is not 0.
bool colourUnderZeroAlpha(const uint32_t* tile) {
    return std::any_of(tile, tile + kTileSide * kTileSide,
                       [](uint32_t p) { return p != 0 && (p >> 24) == 0; });
}

}  // namespace

bool copySelectedLayer(Document& doc) {
    // What the copy takes from its source; without a selected layer these stay 0 and empty.
    uint8_t opacity = 0, visible = 0;
    std::string name;
    int16_t frame = 0;
    if (const Layer* source = selectedLayer(doc)) {
        opacity = source->Opacity;
        visible = source->Visible;
        name = source->Name;
        frame = source->Frame;
    }
    // The source pixels are copied before addLayer moves the list.
    std::optional<TiledImage> pixels;
    if (const TiledImage* source = currentImage(doc); source && !source->empty()) pixels = *source;
    if (!addLayer(doc, frame)) return false;

    Layer& copy = doc.layers.back();
    if (pixels) {
        // The source drawn over transparent: a pixel of alpha 0 comes out 0, any other as it is.
        // A source tile without colour under alpha 0, cut to the same rectangle in both images,
        // is therefore the copy's tile: it is shared, not drawn.
        const TiledImage& source = *pixels;
        TiledImage& target = copy.image;
        const int columns = std::min(target.columns(), source.columns());
        const int rows = std::min(target.rows(), source.rows());
        for (int ty = 0; ty < rows; ++ty)
            for (int tx = 0; tx < columns; ++tx) {
                const TileRef& tile = source.tile(tx, ty);
                if (!tile) continue;
                const Rect r = target.tileRect(tx, ty);
                if (r == source.tileRect(tx, ty) && !colourUnderZeroAlpha(tile.pixels())) {
                    target.exchangeTile(tx, ty, tile);
                    continue;
                }
                target.forEachWritableTile(r, [&](PixelView part) {
                    return drawTiledImage(part, source, 0, 0, DrawMode::AlphaBlend, 255);
                });
            }
    }
    copy.Opacity = opacity;
    copy.Visible = visible;
    copy.Name = name + "Copy" + std::to_string(doc.LayerCounter);
    copy.Frame = frame;
    return true;
}

bool selectLayerRow(Document& doc, int row) {
    Layer* chosen = layerAtPosition(doc, row + 1);
    if (!chosen) return false;
    for (Layer& layer : doc.layers) layer.Selected = &layer == chosen ? 1 : 0;
    doc.paintTarget = 0;
    return true;
}

bool setLayerVisible(Document& doc, int row, bool visible) {
    Layer* layer = layerAtPosition(doc, row + 1);
    if (!layer) return false;
    layer->Visible = visible ? 1 : 0;
    return true;
}

bool renameLayer(Document& doc, int row, const std::string& name) {
    Layer* layer = layerAtPosition(doc, row + 1);
    if (!layer || name.empty()) return false;
    layer->Name = name;
    return true;
}

bool setSelectedOpacity(Document& doc, int opacity) {
    Layer* layer = selectedLayer(doc);
    if (!layer) return false;
    layer->Opacity = uint8_t(std::clamp(opacity, 0, 255));
    return true;
}

bool setSelectedBlendmode(Document& doc, int mode) {
    Layer* layer = selectedLayer(doc);
    if (!layer || mode < 0 || mode > 14) return false;
    layer->Blendmode = uint8_t(mode);
    return true;
}

bool moveSelectedLayer(Document& doc, int direction) {
    Layer* selected = selectedLayer(doc);
    if (!selected) return false;
    const int target = selected->Position + (direction == 1 ? -1 : 1);
    Layer* partner = layerAtPosition(doc, target);
    if (!partner) return false;  // first row up or last row down
    partner->Position = selected->Position;
    selected->Position = uint8_t(target);
    sortLayers(doc);
    return true;
}

bool dragSelectedLayer(Document& doc, MoveDrag drag, int x, int y, int pressX, int pressY) {
    Layer* layer = selectedLayer(doc);
    if (!layer) return false;
    if (!drag.dragging) {
        drag.dragging = true;
        drag.startX = layer->X;
        drag.startY = layer->Y;
    }
    layer->X = clampToInt16(int64_t(x) + drag.startX - pressX);
    layer->Y = clampToInt16(int64_t(y) + drag.startY - pressY);
    return true;
}

namespace {

// A length of the old document scaled to the new one, halves to even.
int64_t scaledLength(int64_t length, int oldSide, int newSide) {
    if (oldSide <= 0) return length;
    return roundHalfEven(double(length) * newSide / oldSide);
}

}  // namespace

std::optional<Image> resizedLayerImage(const Document& doc, const Layer& layer, int oldWidth,
                                       int oldHeight, int quality, int mode) {
    if (layer.IsGroup || layer.image.empty()) return std::nullopt;
    if (mode == 0) {
        const int64_t w =
            std::max<int64_t>(1, scaledLength(layer.image.width, oldWidth, doc.Width));
        const int64_t h =
            std::max<int64_t>(1, scaledLength(layer.image.height, oldHeight, doc.Height));
        if (!documentSizeAllowed(w, h)) return std::nullopt;
        try {
            const Image whole = layer.image.toImage();
            return quality == 1 ? resizeNearest(whole, int(w), int(h))
                                : resizeSmooth(whole, int(w), int(h));
        } catch (const std::bad_alloc&) {
            return std::nullopt;
        }
    }
    const int w = std::max<int>(layer.Width, doc.Width);
    const int h = std::max<int>(layer.Height, doc.Height);
    // A Width or Height read from a file may be absurd: such a layer keeps its image.
    if (!documentSizeAllowed(w, h)) return std::nullopt;
    std::optional<Image> resized = createImage(w, h, 32);
    if (resized) drawTiledImage(*resized, layer.image, layer.X, layer.Y, DrawMode::AlphaBlend, 255);
    return resized;
}

void scaleLayerPlacement(LayerProperties& layer, int oldWidth, int oldHeight, int newWidth,
                         int newHeight) {
    layer.X = clampToInt16(scaledLength(layer.X, oldWidth, newWidth));
    layer.Y = clampToInt16(scaledLength(layer.Y, oldHeight, newHeight));
    layer.Width = clampToInt16(std::max<int64_t>(1, scaledLength(layer.Width, oldWidth, newWidth)));
    layer.Height =
        clampToInt16(std::max<int64_t>(1, scaledLength(layer.Height, oldHeight, newHeight)));
}

int resizeLayerImages(Document& doc, int oldWidth, int oldHeight, int quality, int mode) {
    int failures = 0;
    for (Layer& layer : doc.layers) {
        if (layer.IsGroup || layer.image.empty()) continue;
        std::optional<Image> resized =
            resizedLayerImage(doc, layer, oldWidth, oldHeight, quality, mode);
        if (!resized) {
            ++failures;
            continue;
        }
        layer.image = std::move(*resized);
        if (mode == 0) scaleLayerPlacement(layer, oldWidth, oldHeight, doc.Width, doc.Height);
    }
    return failures;
}

}  // namespace qm
