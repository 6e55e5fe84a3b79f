#include "shell/tool_commands.h"

#include <algorithm>

#include "shell/app.h"
#include "shell/canvas_frame.h"
#include "shell/ids.h"
#include "shell/panels.h"

namespace qm {

// The stroke painter and the other tools arrive with the brush engine and the tools; until
// then a stroke reaches here and paints nothing.
void applyToolAtPoint(App&, int, int, ToolEvent) {}
void pickColorAtPointer(App&) {}
void sampleMixingColor(App&, int, int) {}
void finishMove(App&, int, int) {}

void highlightToolButton(App& app, int toolCode) {
    for (int c = code(Tool::Brush); c <= code(Tool::Move); ++c)
        app.ui.setGadgetState(c, c == toolCode ? 1 : 0);
}

void clearCurrentLayer(App& app) {
    for (Image* image : {app.doc.CurrentImage, app.doc.CurrentDisplayImage})
        if (image) std::fill(image->pixels.begin(), image->pixels.end(), 0u);
}

namespace {

struct ToolChoice {
    Cmd button;
    Tool tool;
    CursorShape cursor;
};

// Tool-bar buttons and the tool each selects; the brush (51) is also what any other id means.
constexpr ToolChoice kToolChoices[] = {
    {Cmd::Eraser, Tool::Brush, CursorShape::Eraser},
    {Cmd::Line, Tool::Line, CursorShape::Cross},
    {Cmd::RadialSpeedLine, Tool::RadialSpeedLine, CursorShape::Cross},
    {Cmd::StraightSpeedLine, Tool::StraightSpeedLine, CursorShape::Cross},
    {Cmd::Box, Tool::Box, CursorShape::Cross},
    {Cmd::Ellipse, Tool::Ellipse, CursorShape::Cross},
    {Cmd::FillTool, Tool::Fill, CursorShape::Cross},
    {Cmd::Gradient, Tool::Gradient, CursorShape::Cross},
    {Cmd::Pattern, Tool::Pattern, CursorShape::Cross},
    {Cmd::MoveTool, Tool::Move, CursorShape::Move},
    {Cmd::ColorPicker, Tool::ColorPicker, CursorShape::Picker},
    {Cmd::ZoomTool, Tool::Zoom, CursorShape::Cross},
    {Cmd::Hand, Tool::Hand, CursorShape::Hand},
};

}  // namespace

void selectTool(App& app, int commandId) {
    // Tool-bar buttons are toggles: the chosen one pressed, the others released.
    for (int c = id(Cmd::Brush); c <= id(Cmd::Hand); ++c) app.ui.setMenuChecked(c, c == commandId);
    app.ui.setCursor(CursorShape::Cross);
    if (commandId == id(Cmd::ClearTool)) {
        clearCurrentLayer(app);
        recomposeView(app, false);
        return;
    }
    const auto* choice =
        std::find_if(std::begin(kToolChoices), std::end(kToolChoices),
                     [&](const ToolChoice& c) { return id(c.button) == commandId; });
    if (choice == std::end(kToolChoices)) {
        app.CurrentTool = uint8_t(Tool::Brush);
        app.brush.tool = 0;
        app.ui.setGadgetState(id(Gadget::BrushMode), 0);
        return;
    }
    app.CurrentTool = uint8_t(code(choice->tool));
    if (choice->button == Cmd::Eraser) {
        app.brush.tool = 2;
        app.ui.setGadgetState(id(Gadget::BrushMode), 2);
    }
    if (choice->cursor != CursorShape::Cross) app.ui.setCursor(choice->cursor);
}

}  // namespace qm
