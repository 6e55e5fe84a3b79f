// The canvas tools as the main loop calls them: selecting a tool, applying the current tool at
// a point, the colour picker, clearing the layer and the move tool's release.
#pragma once

namespace qm {

struct App;

enum class ToolEvent { Down, Move, Up };

// Applies the current tool at (x, y), relative to the document's on-screen top-left corner in
// view pixels (the tool divides by the zoom).
void applyToolAtPoint(App& app, int x, int y, ToolEvent event);
// Selects the tool of tool-bar button `commandId` (51..65); 61 clears the layer instead.
void selectTool(App& app, int commandId);
// Shows the tool-column button of tool `code` pressed and the others released.
void highlightToolButton(App& app, int toolCode);
// Every pixel of the current layer's image and display image becomes transparent.
void clearCurrentLayer(App& app);
// The colour picker: the colour shown under the pointer becomes the selected colour.
void pickColorAtPointer(App& app);
// True from the press of a line, box, ellipse or gradient drag to its release.
bool shapeDragUnderway(const App& app);
// Takes the shape shown over the canvas back without drawing it (a drag that cannot finish).
void cancelShapePreview(App& app);
// Mixing: samples the layer colour under the point before a move is painted.
void sampleMixingColor(App& app, int x, int y);
// The move tool's release at (x, y).
void finishMove(App& app, int x, int y);

}  // namespace qm
