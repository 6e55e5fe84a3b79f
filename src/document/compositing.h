// The compositor: the canvas frame (background, paper, animation frames, the layers' display
// images from the view cache through their blend modes, grid).
//
// Pixel format as in raster/image.h. Everything here works on explicit inputs, so the shell
// only gathers them; a recomposition may be restricted to any rectangle of the canvas and then
// reads the layers, the paper and the frames only inside it, with the same bits as a full one.
#pragma once

#include <cstdint>

#include "document/document.h"
#include "document/view_cache.h"
#include "raster/image.h"
#include "raster/rect.h"

namespace qm {

struct GridSettings {
    bool on = false;
    int width = 32;   // gridW, document pixels
    int height = 32;  // gridH
    uint32_t colour = 0;
};

// Onion skin: the drawings of one animation layer next to the one it shows at the scene's frame
// (a held drawing counts once), drawn under the frames of that frame with their colour replaced by
// a tint, `before` drawings back in red and `after` drawings on in blue. The drawing at distance
// d of n is laid with alpha Alpha x 128 x (n + 1 - d) / (n x 255), farthest first, so the nearest
// show strongest. Off without a layer.
struct OnionSkin {
    const AnimationLayer* layer = nullptr;
    int before = 0;
    int after = 0;
};

// What the canvas shows. The document gives the layers, the animation frames and the size; the
// view state gives the frame shown and the zoom; the paper is work image 9 (the paper at view
// scale).
// The compositor makes the display tiles it draws from and drops those far outside the canvas, so
// the scene holds the view cache for writing.
struct CanvasScene {
    const Document& doc;
    ViewCache& view;
    const Image& paper;
    int offsetX = 0;          // ViewOffsetX: canvas position of document pixel (0, 0)
    int offsetY = 0;          // ViewOffsetY
    uint32_t background = 0;  // ColorBG; drawn opaque whatever its alpha byte
    GridSettings grid;
    const LayerPreview* preview = nullptr;  // a layer shown changed, or none
    OnionSkin onion = {};
    int zoom = 100;        // the view's Zoom (the grid, the noise of Dissolve)
    int currentFrame = 1;  // the view's CurrentFrame: the animation frames shown
};

// The canvas rectangle the document covers (document pixel (0, 0) at offsetX, offsetY, the
// document's size at the zoom), cut to the int range; the layers show inside it only.
Rect documentViewRect(const Document& doc, int offsetX, int offsetY, int zoom);

// Draws the part `area` of the canvas (clipped to it):
//   1. the background colour, opaque;
//   2. the paper at the offsets, alpha blended;
//   3. the onion skin (OnionSkin), then every frame of every animation layer whose Frame is
//      the scene's currentFrame, unscaled, at the
//      offsets plus its X, Y, alpha blended with the animation layer's Alpha;
//   4. every visible layer's display image in stacking order at the offsets plus its X, Y at
//      the view's zoom (layerViewOffset), through its blend mode with its Opacity
//      (blend_modes.h), inside the document's rectangle only (documentViewRect);
//   5. the grid: with nx = width / gridW and ny = height / gridH rounded halves to even, the
//      1-pixel lines x = offsetX + i * gridW * zoom / 100 (i = 0..nx) over the document's view
//      height and y = offsetY + j * gridH * zoom / 100 (j = 0..ny) over its view width, in the
//      grid colour, opaque. A grid size <= 0 draws no lines along that axis.
// The display tiles under `area` that the cache lacks are made first, from the layers; entries
// that no longer match their layer (size, opacity, blend mode) are made anew, and tiles further
// than kDisplayTileMargin outside the canvas are dropped. A large area is composed (and its
// missing tiles made) on two threads, joined before returning, with the same bits, unless
// `threads` is 1. Returns the rectangle drawn.
Rect composeCanvas(Image& canvas, const CanvasScene& scene, const Rect& area, int threads = 2);

// Whether a display tile of pixels all `value` (displayUniformValue) leaves every canvas pixel
// as it is when drawn in blend mode `mode` at `opacity`, by the reference arithmetic
// (blendPixel; dissolvePixel at every noise), for every value of every channel at every alpha.
// The compositor skips such tiles and draws the others from a constant row. Computed once per
// mode and opacity.
bool uniformTileLeavesCanvas(int mode, uint32_t value, uint32_t opacity);

// The grid's loop bound along one axis: documentSize / gridSize rounded halves to even, -1
// (no lines) when gridSize <= 0.
int gridLoopBound(int documentSize, int gridSize);

}  // namespace qm
