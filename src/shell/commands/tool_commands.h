// The canvas tools as the main loop calls them: selecting a tool, applying the current tool at
// a point, the colour picker, clearing the layer and the move tool's release. The tool table
// (tool_table.h) names the actions below as its rows' handlers.
#pragma once

#include "shell/ids.h"

namespace qm {

struct App;
struct ToolRow;

enum class ToolEvent { Down, Move, Up };

// The row of the current tool (the brush's for a code without one).
const ToolRow& currentToolRow(const App& app);
// Applies the current tool at (x, y), relative to the document's on-screen top-left corner in
// view pixels (the tool divides by the zoom).
void applyToolAtPoint(App& app, int x, int y, ToolEvent event);
// The tool-bar button or menu item of `row`: the one shown pressed, the others released; its
// tool becomes current, or, for the clear button, the layer is cleared instead.
void selectTool(App& app, const ToolRow& row);
// Shows the tool-column button of `tool` pressed and the others released.
void highlightToolButton(App& app, Tool tool);
// Every pixel of the current layer's image and display image becomes transparent.
void clearCurrentLayer(App& app);
// The colour picker: the colour shown under the pointer becomes the selected colour.
void pickColourAtPointer(App& app);
// True from the press of a line, box, ellipse or gradient drag to its release.
bool shapeDragUnderway(const App& app);
// Takes the shape shown over the canvas back without drawing it (a drag that cannot finish).
void cancelShapePreview(App& app);
// Mixing: samples the layer colour under the point before a move is painted.
void sampleMixingColour(App& app, int x, int y);
// The move tool's release at (x, y).
void finishMove(App& app, int x, int y);

// The tools' actions at a point (view pixels from the document's corner).
// The brush and the eraser: one segment from the last painted point to (x, y).
void paintToPoint(App& app, int x, int y);
// The fill of the region around the pressed pixel.
void fillAtPoint(App& app, int x, int y);
// The radial speed line: a line from the press to the point, none taken back.
void radialLineTo(App& app, int x, int y);
// Line, box, ellipse and gradient: the shape from the press to the point shown over the canvas
// while the button is held, drawn into the layer on the release.
void shapeWithPreview(App& app, int x, int y, ToolEvent event);

}  // namespace qm
