// The navigator (canvas 116): the whole document in small, with the part the canvas shows
// outlined.
#pragma once

#include <cstdint>

#include "document/document.h"
#include "raster/image.h"
#include "shell/state/navigator_cache.h"

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

// Draws the navigator in its mode and shows it.
void redrawNavigator(App& app);

// The document composed at w x h navigator pixels, each the composition's pixel at the document
// point under it. The first form samples every image anew; the second reuses what `cache` kept
// from the last call where the images did not change, and gives the same picture.
Image navigatorPicture(const App& app, int w, int h);
Image navigatorPicture(const App& app, int w, int h, NavigatorCache& cache);

}  // namespace qm
