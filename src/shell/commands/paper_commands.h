// The paper as the shell keeps it: image 8 (the texture at document size), image 9 (image 8 at
// view scale), image 10 (the checkerboard), the choice of the paper file and the canvas
// background colour.
#pragma once

namespace qm {

struct App;

// Fits the paper to the document size: image 8 is the texture of the document's paper file
// (black when it does not load), image 9 follows it at view scale, image 10 is the
// checkerboard. Used at start-up, by "New", "Open" and the document resizes; a paper file that
// does not load is not reported here. False when an image cannot be created.
bool fitPaperToDocument(App& app);
// fitPaperToDocument unless the paper images were made from the document's paper file for its
// size and zoom already (start-up makes them before the first document; a resize makes them
// before its commit follows the new size).
bool fitPaperIfNeeded(App& app);

// Choosing the paper: variant 0 asks for a file (PNG or JPEG), +1 takes the next preset paper,
// -1 the previous one. The paper is rebuilt and the view redrawn; a file that does not load
// leaves a black paper and is reported in a message box.
void choosePaperVariant(App& app, int variant);

// The colour requester on the canvas background colour (ColorBG); the view is redrawn. A
// cancelled requester keeps the colour.
void chooseCanvasBackground(App& app);

}  // namespace qm
