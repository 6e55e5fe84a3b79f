// The navigator (canvas 116): the whole document in small, with the part the canvas shows
// outlined.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "document/document.h"
#include "document/view_cache.h"
#include "raster/image.h"
#include "raster/tiled_image.h"

namespace qm {

struct App;

// The navigator's width; its height follows the canvas's proportions.
constexpr int kNavigatorWidth = 150;

// Where the document lies in the navigator: fitted whole (its longer side, relative to the
// navigator's shape, fills it) and centred.
struct NavigatorFit {
    int width = kNavigatorWidth, height = kNavigatorWidth;  // the navigator
    int docW = 1, docH = 1;                                 // the document in it
    int x = 0, y = 0;                                       // the document's corner in it
};
NavigatorFit navigatorFit(const App& app);

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

// Draws the navigator in its mode and shows it.
void redrawNavigator(App& app);

// The document composed at w x h navigator pixels, each the composition's pixel at the document
// point under it. The first form samples every image anew; the second reuses what `cache` kept
// from the last call where the images did not change, and gives the same picture.
Image navigatorPicture(const App& app, int w, int h);
Image navigatorPicture(const App& app, int w, int h, NavigatorCache& cache);

}  // namespace qm
