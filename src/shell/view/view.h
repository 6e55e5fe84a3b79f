// The canvas view: zoom, offsets, status bar and window title.
#pragma once

#include <string>

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
// The largest zoom the document allows: 800000 / its larger side.
int maxZoom(const App& app);

// Centres the document in the canvas control (offsets may be negative) and redraws.
void centerView(App& app);
// Offsets 0, 0 and redraws.
void resetView(App& app);
// The canvas control changed size (the window or its panels did): the view keeps the document
// point at the canvas's centre where it was, and redraws the canvas and the navigator.
void followCanvasSize(App& app);

// Writes the four status-bar fields.
void refreshStatusBar(App& app);
// Field 3 while a tool was pressed on the current layer and it is still hidden: the dictionary
// text "LayerHidden" (why nothing was painted); empty again once the current layer shows.
void refreshStatusNote(App& app);
// The main window's title for a new (unsaved) document.
std::string initialTitle(const App& app);
void setInitialTitle(App& app);
// The main window shows `title` for the document, with a "*" before it while the document has
// unsaved changes.
void setDocumentTitle(App& app, const std::string& title);
// Shows the title again after the document's Modified flag changed.
void refreshWindowTitle(App& app);

}  // namespace qm
