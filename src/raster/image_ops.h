// Whole-image operations that make a new image: copy, grab a rectangle, resize.
// Pixel format as in raster/image.h. Every function refuses a result size outside
// imageSizeAllowed with nullopt; the source is never changed.
#pragma once

#include <optional>

#include "raster/image.h"

namespace qm {

// An independent copy (the same as copying the value; named for the places that mean it).
inline Image copyImage(const Image& source) {
    return source;
}

// The w x h image whose pixel (i, j) is the source pixel (x + i, y + j). Parts outside the source
// are transparent (all channels 0); a 24-bit source gives a 24-bit image, black there instead.
std::optional<Image> grabRect(const Image& source, int x, int y, int w, int h);

// Nearest-pixel resize: destination pixel i takes source pixel floor((i + 0.5) * sw / dw), the
// source pixel under the destination pixel's centre. No smoothing; the depth is kept. An empty
// source gives nullopt.
std::optional<Image> resizeNearest(const Image& source, int w, int h);

// Smooth resize with a separable triangle (tent) filter: enlarging it is bilinear interpolation
// between the four nearest source pixels; reducing it widens the tent to the reduction factor so
// every source pixel contributes (no skipped pixels, no moire). Pixel centres are aligned as in
// resizeNearest, and the edges repeat the border pixels. Colours are weighted by their alpha, so
// the colour of transparent pixels never bleeds into the result (no dark fringes); a fully
// transparent result pixel is 0. Weights are multiples of 2^-16 and sums run in a fixed order in
// single precision, so an opaque source stays exactly opaque and a uniform colour stays exactly
// that colour. The depth is kept. An empty source gives nullopt.
std::optional<Image> resizeSmooth(const Image& source, int w, int h);

}  // namespace qm
