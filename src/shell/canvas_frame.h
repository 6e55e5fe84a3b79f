// The canvas control's image: what the view shows at the current offsets and zoom. The layer
// composition inside it (blend modes, backdrops, the grid) belongs to the compositor; this file
// is where the shell asks for it.
#pragma once

#include "document/document.h"
#include "raster/rect.h"

namespace qm {

struct App;

// The recompose-view operation: with `rebuild`, the current layer's display image (every
// layer's with ScreenRealTime) is rebuilt first; then the frame is drawn into App::canvasImage
// (background ColorBG, paper view image 9 at the offsets, the animation frames of CurrentFrame,
// the visible layers in stacking order) and presented.
void recomposeView(App& app, bool rebuild);

// Recomposes only `canvasRect` (canvas-control pixels) from the display images as they are,
// and presents the canvas. Painting calls it with the rectangle a segment touched.
void recomposeRegion(App& app, const Rect& canvasRect);

// Rebuilds a layer's display image at the view size of the current zoom (work image 3's size
// scaled). Nothing changes when that size is not within 1..7999 on both sides.
void rebuildDisplayImage(App& app, Layer& layer);

// Creates paper images 8 and 10 at the document size and 9, the paper at view scale. The paper
// textures are laid in by the paper routine; until then the paper is plain white. False when
// the images cannot be created.
bool buildPaperImages(App& app);

// The canvas control's size as the Ui reports it, kept in InterfaceOptions.
void updateCanvasSize(App& app);

}  // namespace qm
