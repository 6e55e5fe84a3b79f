// The canvas view's furniture: the zoom's limit, the pan, the status bar and the window title.
#pragma once

#include <string>

namespace qm {

struct App;

// The largest zoom the document allows: 800000 / its larger side.
int maxZoom(const App& app);

// The pan drag (the hand tool, or Space held): it starts at the pointer and continues from
// where the view is now, so a view that was centred or zoomed does not jump when it begins;
// each move puts the view where the pointer's travel takes it and recomposes it.
void startPan(App& app);
void panTo(App& app);
void endPan(App& app);

// Writes the four status-bar fields.
void refreshStatusBar(App& app);
// Field 3 while a tool was pressed on the current layer and it is still hidden: the dictionary
// text "LayerHidden" (why nothing was painted); once the current layer shows, what is painted
// when it is a drawing of an animation layer ("PaintingDrawing"), else empty.
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
