// The canvas control's image: what the view shows at the current offsets and zoom. The
// composition itself (display images, blend modes, the grid) is document/compositing.h; this
// file gathers its inputs from the App and presents the result.
#pragma once

#include "document/compositing.h"
#include "document/document.h"
#include "document/view_state.h"
#include "raster/rect.h"

namespace qm {

struct App;

// The recompose-view operation: with `rebuild`, the current layer's display entry (every
// layer's with ScreenRealTime) is made anew first; then the whole frame is composed into
// App::canvasImage (background ColorBG, paper view image 9 at the offsets, the animation frames
// of CurrentFrame, the visible layers through their blend modes, the grid) and presented.
void recomposeView(App& app, bool rebuild);

// Recomposes only `canvasRect` (canvas-control pixels) from the display images as they are,
// and presents the canvas; the rest of the canvas keeps its pixels. Edits call it with the
// rectangle they touched. When the control changed size, the whole frame is recomposed.
void recomposeRegion(App& app, const Rect& canvasRect);

// Makes a layer's display entry anew at the zoom the view's entries were made at
// (rebuildDisplay; applyZoom brings them all to the view state's zoom): its tiles, the layer at
// view scale over its mode's backdrop at its opacity, are made from the layer when the canvas
// shows them. A layer whose view size is not within 1..7999 on both sides has no entry.
void rebuildDisplayImage(App& app, const Layer& layer);
// Every layer's entry anew at the current zoom (resetDisplays).
void rebuildAllDisplayImages(App& app);

// The canvas control's size as the Ui reports it, kept in InterfaceOptions.
void updateCanvasSize(App& app);

// The onion skin of the document: the view's OnionBefore and OnionAfter frames of the current
// animation layer (none when it does not exist).
OnionSkin onionSkinOf(const Document& doc, const ViewState& view);

}  // namespace qm
