// The tiled decoders against the whole-image ones they replace: decodeImageTiles must give what
// TiledImage::assign makes of decodeImage's image (all-zero tiles missing, every other tile
// equal), or fail with the same message.
#pragma once

#include <gtest/gtest.h>

#include <span>
#include <string>

#include "codecs/codecs.h"

namespace qm {

inline testing::AssertionResult tilesDecodeAsWhole(std::span<const uint8_t> bytes,
                                                   const std::string& nameHint = {}) {
    std::string wholeError, tilesError;
    const std::optional<Image> whole = decodeImage(bytes, wholeError, nameHint);
    const std::optional<TiledImage> tiles = decodeImageTiles(bytes, tilesError, nameHint);
    if (!whole || !tiles) {
        if (whole.has_value() != tiles.has_value())
            return testing::AssertionFailure()
                   << (whole ? "only the whole decode succeeded; tiles: " + tilesError
                             : "only the tiled decode succeeded; whole: " + wholeError);
        if (wholeError != tilesError)
            return testing::AssertionFailure()
                   << "messages differ: \"" << wholeError << "\" vs \"" << tilesError << "\"";
        return testing::AssertionSuccess();
    }
    const TiledImage expected = tiledFrom(*whole);
    if (!(*tiles == expected))
        return testing::AssertionFailure()
               << "pixels differ (" << whole->width << " x " << whole->height << ")";
    for (int ty = 0; ty < expected.rows(); ++ty)
        for (int tx = 0; tx < expected.columns(); ++tx)
            if (bool(expected.tile(tx, ty)) != bool(tiles->tile(tx, ty)))
                return testing::AssertionFailure()
                       << "tile (" << tx << ", " << ty << ") is "
                       << (tiles->tile(tx, ty) ? "present" : "missing") << " in the tiled decode";
    return testing::AssertionSuccess();
}

}  // namespace qm
