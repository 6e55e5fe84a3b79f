// The canvas tools in one table: what the tool-bar button, the tool-column button, the menu item
// and the canvas key of each tool select, how its buttons look, and what it does on the canvas.
// The tool bar is built from the table in its order; the tool column places the same rows.
#pragma once

#include <span>

#include "brush/tool_shapes.h"
#include "platform/ui.h"
#include "shell/ids.h"

namespace qm {

struct App;

// A tool's action at a point, in view pixels from the document's top-left corner.
using ToolHandler = void (*)(App&, int x, int y);

struct ToolRow {
    Tool tool;             // the code
    Tool selects;          // what App::CurrentTool becomes (the eraser button: Brush)
    int brushMode = -1;    // BrushSettings::tool it sets: 0 brush, 2 eraser, -1 unchanged
    Cmd command;           // tool-bar button and menu item
    int columnGadget = 0;  // tool-column button, 0 none
    CursorShape cursor = CursorShape::Cross;  // over the canvas once the command chose it
    int shortcut = 0;                         // canvas key ('B'), 0 none
    const char* icon = nullptr;               // in the icon folder; nullptr: no button
    const char* tip = nullptr;                // dictionary key of the buttons' tip
    bool separatorBefore = false;             // on the tool bar
    // Press..release is one edit, and the tool acts through the stroke's frame (press point,
    // last point, the shape preview). The hand, the zoom and the picker do not: they act on
    // the press alone, whatever else is held.
    bool opensStroke = true;
    ShapeKind shape = ShapeKind::None;  // the line, box, ellipse and gradient draw one
    void (*onSelect)(App&) = nullptr;   // the clear button: acts at once, never stays selected
    ToolHandler press = nullptr, move = nullptr, release = nullptr;  // nullptr: nothing
    ToolHandler finish = nullptr;  // the press's stroke is over, whatever ended it
};

std::span<const ToolRow> toolTable();
// The row of a tool code, of a command id (51..65), of a tool-column gadget, of a canvas key;
// nullptr for none.
const ToolRow* toolRow(Tool tool);
const ToolRow* toolOfCommand(int commandId);
const ToolRow* toolOfButton(int gadget);
const ToolRow* toolOfKey(int key);

}  // namespace qm
