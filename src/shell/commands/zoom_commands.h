// The zoom as the menus, keys and wheel change it.
#pragma once

namespace qm {

struct App;

// Clamps the zoom to 10 .. 800000 / the larger document side, reloads the brush tips, sets every
// layer's display entry and the paper view image to the new scale and redraws (only when the
// view size is within 1..7999 on both sides; the redraw makes the display tiles the canvas
// shows, so the cost follows the canvas, not the document), and writes status-bar fields 0
// and 1.
void applyZoom(App& app);
// Sets the zoom (in a wide type, so no step can overflow the 16-bit field) and applies it.
void setZoomAndApply(App& app, int zoom);

}  // namespace qm
