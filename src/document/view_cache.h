// The view cache: each layer at view scale (its display image: the layer scaled to the zoom
// over its mode's backdrop at its opacity), held by tiles that are made from the layer only
// where the canvas shows them. The compositor (compositing.h) draws the canvas from them.
//
// Pixel format as in raster/image.h. Everything here works on explicit inputs.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "document/document.h"
#include "raster/buffer_pool.h"
#include "raster/image.h"
#include "raster/rect.h"

namespace qm {

// Display images (and the view) are limited to 7999 pixels on a side.
constexpr int kMaxViewSide = 7999;

// A display image is held in tiles of 2^tileShiftX x 2^tileShiftY view pixels (the last column
// and row of tiles are cut to the image), made from the layer only where the canvas shows it.
// Wide, low tiles keep a canvas row reading few long runs (one page per tile row of 1024
// pixels), as a whole image would, and keep the rows made near those shown.
constexpr int kDisplayTileShiftX = 10;
constexpr int kDisplayTileShiftY = 6;
// Tiles further than this many view pixels outside the canvas are dropped when the view moves.
constexpr int kDisplayTileMargin = 256;

// A layer at view scale: its display image (the layer scaled to the zoom over its mode's
// backdrop at its opacity) as far as the view has needed it, by tiles. Each tile holds exactly
// the pixels the whole image has there.
struct DisplayEntry {
    int width = 0;  // the whole display image's size
    int height = 0;
    uint8_t opacity = 255;  // the layer's Opacity and Blendmode it is made with
    uint8_t blendmode = 0;
    int shiftX = kDisplayTileShiftX;  // the tile size
    int shiftY = kDisplayTileShiftY;
    int columns = 0;  // tiles across and down
    int rows = 0;
    // Row-major, columns x rows; empty where the tile is not made. A tile's rows are
    // tileWidth(column) pixels long, without padding. The blocks come from the buffer pool and
    // go back to it when the tile is dropped, so making tiles in steady state takes warm memory.
    std::vector<PooledBuffer> tiles;
    // A tile whose layer pixels all lie in missing layer tiles is not made: it holds `uniform`
    // everywhere (the backdrop, or transparent: displayUniformValue), and `uniformTiles` marks
    // it (row-major as `tiles`). Edits under it clear the mark (updateDisplayTiles).
    uint32_t uniform = 0;
    std::vector<uint8_t> uniformTiles;
    Rect keptFor;  // the display rectangle the tiles were last cut to (kDisplayTileMargin)

    int tileWidth(int column) const { return std::min(1 << shiftX, width - (column << shiftX)); }
    int tileHeight(int row) const { return std::min(1 << shiftY, height - (row << shiftY)); }
    const uint32_t* tile(int column, int row) const {
        return reinterpret_cast<const uint32_t*>(
            tiles[size_t(row) * size_t(columns) + size_t(column)].data());
    }
    bool isUniform(int column, int row) const {
        return uniformTiles[size_t(row) * size_t(columns) + size_t(column)] != 0;
    }
    size_t tileCount() const;  // tiles made
};

// The pixel of a display image over transparent layer pixels: the mode's backdrop, or
// transparent for the modes without one.
uint32_t displayUniformValue(int blendmode);

// The layers at view scale, one entry per layer id, at `zoom`. The view owns them, apart from
// the document, so saving and history never copy them; a layer without an entry (a group, or a
// view size out of range) is not drawn. The compositor makes the tiles it needs.
struct ViewCache {
    int zoom = 100;
    int tileShiftX = kDisplayTileShiftX;  // the size of the tiles of entries made from now on
    int tileShiftY = kDisplayTileShiftY;
    std::unordered_map<uint32_t, DisplayEntry> display;
    // The blocks of tiles dropped since the last composition (entries made anew at another zoom,
    // tiles that left the margin). The next composition makes its missing tiles in them before it
    // asks the pool, so a zoom change moves the blocks from the old tiles to the new ones however
    // many the pool keeps; the blocks it does not use go back to the pool when it ends.
    std::vector<PooledBuffer> spare;

    const DisplayEntry* find(uint32_t id) const {
        const auto it = display.find(id);
        return it == display.end() ? nullptr : &it->second;
    }
    // True when the entry of the layer shows it as it is now (size, opacity, blend mode).
    bool current(const Layer& layer) const;
    // Tiles held over all entries, and their bytes.
    size_t tileCount() const;
    size_t tileBytes() const;
};

// A layer shown with its pixels changed, without changing the layer (the live preview of an
// adjustment): the compositor draws layer `layerId` from the entry `view` holds for it, whose
// tiles it makes from the layer's pixels passed through `change` (a row of n pixels, in place)
// before they are scaled and laid over the backdrop. The shell keeps `view` at the zoom of the
// main view and makes the entry anew whenever `change` changes.
struct LayerPreview {
    uint32_t layerId = 0;
    std::function<void(uint32_t* pixels, size_t n)> change;
    ViewCache* view = nullptr;
};

// Where a layer's display image lies on the canvas relative to the document's corner: the
// layer's X or Y (document pixels) at the zoom, rounded down, so the layer stays over the same
// document pixels whatever the zoom.
inline int64_t layerViewOffset(int offset, int zoom) {
    const int64_t v = int64_t(offset) * zoom;
    return v >= 0 ? v / 100 : -((-v + 99) / 100);
}

// A length of document pixels at the zoom (a percentage), rounded toward zero.
inline int64_t scaled(int64_t v, int zoom) {
    return v * zoom / 100;
}

// Areas of at least this many pixels are composed, and their missing tiles made, on two
// threads.
inline constexpr int64_t kParallelPixels = int64_t(1) << 18;

// The view holding the layer's display entry: the preview's for a layer shown changed, else
// `view`.
inline ViewCache& viewOf(ViewCache& view, const LayerPreview* preview, const Layer& layer) {
    return preview && preview->view && preview->change && preview->layerId == layer.id
               ? *preview->view
               : view;
}

// The whole display image of a layer at `zoom`, the reference of every tile: the layer image
// scaled nearest-pixel to width x zoom / 100 by height x zoom / 100, laid with alpha blending at
// the layer's Opacity over its mode's opaque backdrop, or over transparent (all channels 0) for
// the modes without one. Groups, an empty image, and a view size outside 1..kMaxViewSide change
// nothing and give false.
bool buildDisplayImage(const Layer& layer, int zoom, Image& display);
// Makes again, from the layer, the display pixels that show the layer pixels of `layerRect`:
// the same bits as a whole rebuild there. The display image must have the size the layer has
// at `zoom` (else nothing is done). Returns the display rectangle remade.
Rect updateDisplayImage(const Layer& layer, int zoom, Image& display, const Rect& layerRect);

// The entries of every layer at `zoom`, anew and without tiles (the compositor makes those it
// shows); entries of layers not in the list or not drawable at that zoom are dropped.
void resetDisplays(const std::vector<Layer>& layers, int zoom, ViewCache& view);
// The entry of one layer anew, without tiles (or dropped when the layer cannot be drawn).
void rebuildDisplay(const Layer& layer, ViewCache& view);
// Makes again, in place, the tiles the layer's entry holds that show part of `canvasRect` (a
// canvas with document pixel (0, 0) at offsetX, offsetY, as in CanvasScene), from the layer's
// pixels passed through `change`, on two threads unless `threads` is 1; the other tiles it
// holds are dropped. For a live preview whose change changed: the tiles' memory serves again.
// False, and nothing done, when the layer has no entry that matches it (rebuildDisplay then).
bool remakeDisplayTiles(const Layer& layer, ViewCache& view, int offsetX, int offsetY,
                        const Rect& canvasRect,
                        const std::function<void(uint32_t*, size_t)>& change, int threads = 2);
// Makes the entries of layers that are not current() anew and drops those of layers not in the
// list.
void refreshDisplays(const std::vector<Layer>& layers, ViewCache& view);
// Makes again, from the layer, the tiles it holds that show the layer pixels of `layerRect`
// (updateDisplayImage on each). Returns the display rectangle that shows them, whether or not
// its tiles are held (an absent tile is made from the layer when shown); empty when the layer
// has no current entry.
Rect updateDisplayTiles(const Layer& layer, ViewCache& view, const Rect& layerRect);
// The layer's whole display image as the view shows it: the tiles it holds, and the pixels it
// would make for the others. Empty when the layer has no entry. For tests and inspection: it
// costs the whole image.
Image wholeDisplayImage(const ViewCache& view, const Layer& layer);

// Before composing `area` of a canvas of the rectangle `canvasRect` (document pixel (0, 0) at
// offsetX, offsetY): every entry of `layers` matches its layer (or is dropped when the layer
// cannot be drawn), tiles further than kDisplayTileMargin outside the canvas are dropped, and
// the tiles of visible layers under the area are made, on two threads when they are many and
// `threads` is not 1. A layer `preview` shows changed has its entry in the preview's view.
void prepareDisplayTiles(const std::vector<Layer>& layers, ViewCache& view,
                         const LayerPreview* preview, int offsetX, int offsetY,
                         const Rect& canvasRect, const Rect& area, int threads = 2);

}  // namespace qm
