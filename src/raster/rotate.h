// Rotation of a brush tip about its centre with bilinear sampling. Pixel format as in
// raster/image.h.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "raster/image.h"
#include "raster/rect.h"

namespace qm {

// Returns the tip turned by `degrees`, as a 32-bit N x N image, N = ceil(sqrt(W^2 + H^2)) for a
// W x H source, so every angle fits. The arithmetic is single precision throughout:
//   theta = degrees * pi / 180, co = cos theta, si = sin theta;
//   destination (x, y): a = 2y - (N - 1), b = 2x - (N - 1),
//     sx = ((W - 1) + b co - a si) / 2, sy = ((H - 1) + b si + a co) / 2;
//   x0 = floor(sx), y0 = floor(sy), fx = sx - x0, fy = sy - y0; the pixel is 0 when
//   x0 + 1 < 0, x0 > W - 1, y0 + 1 < 0 or y0 > H - 1; otherwise each channel is
//   (x0, y0)(1-fx)(1-fy) + (x0, y0+1)(1-fx)fy + (x0+1, y0)fx(1-fy) + (x0+1, y0+1)fx fy, with
//   neighbours outside the source read as 0, rounded to the nearest integer, halves to even (as
//   roundHalfEven).
// At 0 degrees with N - W odd the source lands centred and every pixel is the average of a 2 x 2
// block. A source of a 24-bit image is read with its alpha of 255. A non-finite angle gives a
// transparent image. An empty source, or one whose diagonal exceeds the image size limits, gives
// an empty image (width and height 0). The caller sets its tip extent from the result's size.
Image rotateTip(const Image& src, double degrees);

// The side N of the square rotateTip makes of a w x h source; 0 when it would make none.
int rotatedTipSide(int w, int h);

// Where a tip is one colour: the tip cut into kTile x kTile tiles (the last ones smaller), and for
// each tile whether all its pixels are equal, and to what. Made once per tip; it lets a turned
// block that reads only such tiles take their colour without sampling each pixel.
struct UniformTiles {
    static constexpr int kTile = 16;
    int width = 0, height = 0;  // of the tip it was made from
    int columns = 0, rows = 0;  // tiles across and down
    std::vector<uint8_t> uniform;
    std::vector<uint32_t> value;
};
UniformTiles uniformTiles(const Image& src);
// The tiles of a w x h source whose pixels are not known yet: every tile counts as mixed, until
// updateUniformTiles looks at it.
UniformTiles mixedTiles(int w, int h);
// Looks again at the tiles that lie wholly inside `part` of `src` (and those cut by its right
// and bottom edges when they are the source's own), as uniformTiles would.
void updateUniformTiles(UniformTiles& tiles, const Image& src, const Rect& part);

// Some pixels of rotateTip(src, degrees) without making the rest: pixel (i, j) of the result is
// the turned tip's pixel (columns[i], rows[j]), computed exactly as rotateTip computes it, so a
// part of a dab (the part that lands on an image), or a part resized by picking columns and rows,
// costs only its own pixels. Indexes outside 0 .. N-1 give transparent pixels. Empty when
// rotateTip would give an empty image or a list is empty.
// With `tiles` (made from src), blocks of the result whose source samples all fall in tiles of
// one colour are that colour, which is exactly what sampling them gives: four equal neighbours
// give their own value.
Image rotateTipPart(const Image& src, double degrees, std::span<const int> columns,
                    std::span<const int> rows, const UniformTiles* tiles = nullptr);
// The source pixels rotateTipPart reads (as neighbours of a sample too) for the result columns
// c0 .. c1 and rows r0 .. r1 of a w x h source turned by `degrees`: a rectangle that holds them
// all, widened for single precision and cut to the source.
Rect rotateTipSourceRect(int w, int h, double degrees, int c0, int c1, int r0, int r1);
// The same into `out`, reusing its memory (a scratch image kept from dab to dab); `out` is left
// empty where the other gives an empty image.
void rotateTipPart(const Image& src, double degrees, std::span<const int> columns,
                   std::span<const int> rows, const UniformTiles* tiles, Image& out);

}  // namespace qm
