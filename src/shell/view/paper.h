// The paper as the view shows it: image 8 (the texture at document size), image 9 (image 8 at
// view scale) and image 10 (the checkerboard, cut to the document), fitted to the document.
#pragma once

#include <string>

namespace qm {

struct App;

// Fits the paper to the document size: image 8 is the texture of the document's paper file
// (black when it does not load), image 9 follows it at view scale, image 10 is the
// checkerboard's 488 x 488 pixels cut to the document. Used at start-up, by "New", "Open" and the
// document resizes; a paper file that does not load is not reported here. False when an image
// cannot be created.
bool fitPaperToDocument(App& app);
// fitPaperToDocument unless the paper images were made from the document's paper file for its
// size and zoom already (start-up makes them before the first document; a resize makes them
// before its commit follows the new size).
bool fitPaperIfNeeded(App& app);
// A stored paper path is relative to the working folder unless it is absolute (a file chosen
// with the requester).
std::string paperFilePath(const App& app);
// Image 9: image 8 scaled to the view, nearest-pixel. A view size the canvas could not show
// (outside 1..7999) keeps the paper at document scale, as zooming there is refused anyway.
void rebuildPaperView(App& app);
// Builds images 8 and 9 from the paper file. False only when the paper image cannot be made;
// a file that does not load gives a black paper and its reason in `loadError`.
bool buildPaperTexture(App& app, std::string& loadError);

}  // namespace qm
