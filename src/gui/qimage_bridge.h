// Moving pixels between the program's Image and Qt's QImage. Both use the byte order R, G, B, A
// (Image's R | G<<8 | B<<16 | A<<24 on a little-endian machine is QImage::Format_RGBA8888), so
// the bridge only copies rows; it never converts pixels.
#pragma once

#include <QImage>
#include <optional>

#include "raster/image.h"
#include "raster/rect.h"

namespace qm {

// A QImage sharing no memory with `image`. Opaque surfaces (the canvas, 24-bit images) are
// RGBX with the X byte set to 255, so an alpha byte of 0 -- a colour built from red, green and
// blue alone -- does not make them see-through.
QImage toQImage(const Image& image, bool opaque = false);

// Copies the rectangle r of `image` into `out`, an image toQImage made from an image of the same
// size, and gives the part of r that lies inside the image. nullopt, leaving `out` as it was,
// when the sizes differ or `out` is of another kind.
std::optional<Rect> copyIntoQImage(const Image& image, const Rect& r, QImage& out);

// A 32-bit Image with straight alpha from any QImage; converts only when the QImage is in
// another format.
Image fromQImage(const QImage& image);

}  // namespace qm
