// What the navigator keeps between its drawings (its samples of the document's images).
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "document/view_cache.h"
#include "raster/tiled_image.h"

namespace qm {

// What the navigator keeps from one drawing to the next, so that a drawing after an edit samples
// only the images that changed. A sample depends on the image's content (its revision, which a
// copy shares and every write changes), its place and size, and the sampling grid; the display
// entries of the small layers depend on the samples and the layers' opacity and blend mode.
struct NavigatorCache {
    struct Sample {
        uint64_t revision = 0;
        int x = 0, y = 0, width = 0, height = 0;
        TiledImage image;  // the image sampled at the grid's pixels
        bool matches(const TiledImage& source, int sx, int sy) const {
            return revision == source.revision() && x == sx && y == sy && width == source.width &&
                   height == source.height;
        }
    };
    // The grid the samples were taken on: the picture's size and the document's.
    int width = 0, height = 0, docWidth = 0, docHeight = 0;
    std::vector<int> xs, ys;
    std::unordered_map<uint32_t, Sample> layers;  // by layer id
    std::vector<Sample> frames;                   // the frames shown at the last drawing
    ViewCache view;                               // the small layers at scale 100
};

}  // namespace qm
