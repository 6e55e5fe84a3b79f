// Where the document lies in the canvas: moving the view redraws the canvas and the navigator,
// which outlines the view.
#pragma once

namespace qm {

struct App;

// Centres the document in the canvas control (offsets may be negative) and redraws.
void centerView(App& app);
// Offsets 0, 0 and redraws.
void resetView(App& app);
// The canvas control changed size (the window or its panels did): the view keeps the document
// point at the canvas's centre where it was, and redraws the canvas and the navigator.
void followCanvasSize(App& app);

}  // namespace qm
