// The compositor: a layer's display image (the layer at view scale over its mode's backdrop)
// and the canvas frame built from the display images (background, paper, animation frames,
// layers through their blend modes, grid).
//
// Pixel format as in raster/image.h. Everything here works on explicit inputs, so the shell
// only gathers them; a recomposition may be restricted to any rectangle of the canvas and then
// reads the layers, the paper and the frames only inside it, with the same bits as a full one.
#pragma once

#include <cstdint>
#include <vector>

#include "document/document.h"
#include "raster/image.h"
#include "raster/rect.h"

namespace qm {

// Display images (and the view) are limited to 7999 pixels on a side.
constexpr int kMaxViewSide = 7999;

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
    const Image& paper;
    int offsetX = 0;          // ViewOffsetX: canvas position of document pixel (0, 0)
    int offsetY = 0;          // ViewOffsetY
    uint32_t background = 0;  // ColorBG; drawn opaque whatever its alpha byte
    GridSettings grid;
};

// Rebuilds the layer's display image at `zoom`: the layer image scaled nearest-pixel to
// width x zoom / 100 by height x zoom / 100, laid with alpha blending at the layer's Opacity
// over its mode's opaque backdrop, or over transparent (all channels 0) for the modes without
// one. Groups, an empty image, and a view size outside 1..kMaxViewSide change nothing and give
// false.
bool buildDisplayImage(Layer& layer, int zoom);
// buildDisplayImage for every layer; many large layers are shared between two threads, joined
// before returning, with the same results.
void buildDisplayImages(std::vector<Layer>& layers, int zoom);

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
