// The pixels of a tiled image read whole, for tests that compare layers and frames as a whole.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/image.h"
#include "raster/tiled_image.h"

namespace qm::test {

inline auto pixelsOf(const TiledImage& image) {
    return image.toImage().pixels;
}

}  // namespace qm::test

namespace qm {
using test::pixelsOf;
}  // namespace qm
