// The compositor: a layer's display image (the layer at view scale over its mode's backdrop)
// and the canvas frame built from the display images (background, paper, animation frames,
// layers through their blend modes, grid).
//
// Pixel format as in raster/image.h. Everything here works on explicit inputs, so the shell
// only gathers them; a recomposition may be restricted to any rectangle of the canvas and then
// reads the layers, the paper and the frames only inside it, with the same bits as a full one.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "document/document.h"
#include "raster/image.h"
#include "raster/rect.h"

namespace qm {

// Display images (and the view) are limited to 7999 pixels on a side.
constexpr int kMaxViewSide = 7999;

// The layers at view scale: the images the compositor draws, one per layer id, at `zoom`. The
// view owns them, apart from the document, so saving and history never copy them; a layer
// without an entry (a group, or a view size out of range) is not drawn.
struct DisplayEntry {
    Image image;
    uint8_t opacity = 255;  // the layer's Opacity and Blendmode it was made with
    uint8_t blendmode = 0;
};
struct ViewCache {
    int zoom = 100;
    std::unordered_map<uint32_t, DisplayEntry> display;

    const Image* find(uint32_t id) const {
        const auto it = display.find(id);
        return it == display.end() ? nullptr : &it->second.image;
    }
    // True when the entry of the layer shows it as it is now (size, opacity, blend mode).
    bool current(const Layer& layer) const;
};

struct GridSettings {
    bool on = false;
    int width = 32;   // gridW, document pixels
    int height = 32;  // gridH
    uint32_t color = 0;
};

// What the canvas shows. The document gives the layers, the animation frames of CurrentFrame,
// the size and the zoom; the paper is work image 9 (the paper at view scale).
struct CanvasScene {
    const Document& doc;
    const ViewCache& view;
    const Image& paper;
    int offsetX = 0;          // ViewOffsetX: canvas position of document pixel (0, 0)
    int offsetY = 0;          // ViewOffsetY
    uint32_t background = 0;  // ColorBG; drawn opaque whatever its alpha byte
    GridSettings grid;
};

// Rebuilds a layer's display image at `zoom`: the layer image scaled nearest-pixel to
// width x zoom / 100 by height x zoom / 100, laid with alpha blending at the layer's Opacity
// over its mode's opaque backdrop, or over transparent (all channels 0) for the modes without
// one. Groups, an empty image, and a view size outside 1..kMaxViewSide change nothing and give
// false.
bool buildDisplayImage(const Layer& layer, int zoom, Image& display);
// Makes again, from the layer, the display pixels that show the layer pixels of `layerRect`:
// the same bits as a whole rebuild there. The display image must have the size the layer has
// at `zoom` (else nothing is done). Returns the display rectangle remade.
Rect updateDisplayImage(const Layer& layer, int zoom, Image& display, const Rect& layerRect);
// The display images of every layer at `zoom`, made anew; entries of layers not in the list are
// dropped. Many large layers are shared between two threads, joined before returning, with the
// same results.
void buildDisplayImages(const std::vector<Layer>& layers, int zoom, ViewCache& view);
// The display image of one layer made anew in the cache (or dropped when it cannot be made).
void rebuildDisplay(const Layer& layer, ViewCache& view);
// Makes the entries of layers that are not current() and drops those of layers not in the list.
void refreshDisplays(const std::vector<Layer>& layers, ViewCache& view);

// Draws the part `area` of the canvas (clipped to it):
//   1. the background colour, opaque;
//   2. the paper at the offsets, alpha blended;
//   3. every frame of every animation layer whose Frame is CurrentFrame, unscaled, at the
//      offsets plus its X, Y, alpha blended with the animation layer's Alpha;
//   4. every visible layer's display image in stacking order at the offsets plus its X, Y,
//      through its blend mode with its Opacity (blend_modes.h);
//   5. the grid: with nx = width / gridW and ny = height / gridH rounded halves to even, the
//      1-pixel lines x = offsetX + i * gridW * zoom / 100 (i = 0..nx) over the document's view
//      height and y = offsetY + j * gridH * zoom / 100 (j = 0..ny) over its view width, in the
//      grid colour, opaque. A grid size <= 0 draws no lines along that axis.
// A large area is composed on two threads (joined before returning, same bits) unless
// `threads` is 1. Returns the rectangle drawn.
Rect composeCanvas(Image& canvas, const CanvasScene& scene, const Rect& area, int threads = 2);

// The grid's loop bound along one axis: documentSize / gridSize rounded halves to even, -1
// (no lines) when gridSize <= 0.
int gridLoopBound(int documentSize, int gridSize);

}  // namespace qm
