// Whole-layer adjustments: brightness, invert colours, colour to grey. Pixel format as in
// raster/image.h (straight alpha).
//
// Each adjustment changes red, green and blue and keeps alpha, except that a fully transparent
// pixel (alpha 0) comes out with all four channels 0, whatever colour it carried. The *Pixel
// functions are the reference arithmetic for one pixel; the row and image functions are the
// fast paths and give the same bits.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "raster/alpha_blend.h"
#include "raster/image.h"
#include "raster/pixel_view.h"
#include "raster/rect.h"
#include "raster/tiled_image.h"

namespace qm {

// The brightness slider: 0..300, 150 leaves the colours as they are.
constexpr int kBrightnessMin = 0;
constexpr int kBrightnessMax = 300;
constexpr int kBrightnessNeutral = 150;

// Channel c becomes min(c * value / 150, 255) computed in doubles and rounded to the nearest
// integer, halves to even. A value outside 0..300 is taken as the nearest end.
uint32_t brightnessPixel(uint32_t colour, int value);
// (255 - R, 255 - G, 255 - B).
uint32_t invertPixel(uint32_t colour);
// L = (max(R, G, B) + min(R, G, B)) / 2, truncated: (L, L, L).
uint32_t greyPixel(uint32_t colour);

// The brightness of every channel value, for the row functions. `factor` is value / 150 as a
// float: the SSE2 path multiplies by it only where it gives every entry of `level`
// (factorExact, checked when the table is made), otherwise it looks `level` up; the AVX2 path
// multiplies by it and then sets the few channel values where the product misses `level`
// (`misses`, `missCount` of them; -1 when there are too many, and `level` is looked up).
struct BrightnessTable {
    std::array<uint8_t, 256> level{};
    float factor = 1.0f;
    bool factorExact = false;
    std::array<uint8_t, 8> misses{};
    int missCount = -1;
};
BrightnessTable brightnessTable(int value);

// Rows in place (n pixels), with the fastest kernel the processor has (activeBlendKernel).
void brightnessRow(uint32_t* pixels, size_t n, const BrightnessTable& table);
void invertRow(uint32_t* pixels, size_t n);
void greyRow(uint32_t* pixels, size_t n);
// The same with a chosen kernel, for tests and benchmarks; one the processor lacks falls back to
// Scalar (the per-pixel arithmetic).
void brightnessRowWith(BlendKernel kernel, uint32_t* pixels, size_t n,
                       const BrightnessTable& table);
void invertRowWith(BlendKernel kernel, uint32_t* pixels, size_t n);
void greyRowWith(BlendKernel kernel, uint32_t* pixels, size_t n);

enum class Adjustment { Brightness, Invert, Grey };

// Applies the adjustment to the rectangle `area` of the image (clipped to its view; coordinates
// of the whole image); `value` is the brightness slider value (ignored by the others). Large
// areas are split over two threads, with the same bits. A 24-bit image keeps alpha 255.
void adjustImage(PixelView image, const Rect& area, Adjustment adjustment, int value = 150);
// The same on the present tiles of a tiled image under `area`, the tiles shared among two
// threads when they are many: the pixels adjustImage gives on the whole image. A missing tile
// stays missing (a transparent pixel stays 0 through every adjustment), and a tile that comes
// out all 0 is dropped. Returns the union of the present tiles' rectangles under `area`.
Rect adjustTiles(TiledImage& image, Adjustment adjustment, int value, const Rect& area);

}  // namespace qm
