#include "shell/commands/tool_table.h"

#include <algorithm>

#include "shell/app.h"
#include "shell/commands/layer_commands.h"
#include "shell/commands/tool_commands.h"
#include "shell/commands/zoom_commands.h"
#include "shell/view/view.h"

namespace qm {

namespace {

void paint(App& app, int x, int y) {
    paintToPoint(app, x, y);
}

void shapePress(App& app, int x, int y) {
    shapeWithPreview(app, x, y, ToolEvent::Down);
}
void shapeMove(App& app, int x, int y) {
    shapeWithPreview(app, x, y, ToolEvent::Move);
}
void shapeRelease(App& app, int x, int y) {
    shapeWithPreview(app, x, y, ToolEvent::Up);
}

void dragLayer(App& app, int x, int y) {
    moveToolDrag(app, x, y, false);
}

void clearLayer(App& app, int, int) {
    clearCurrentLayer(app);
}

// The picker acts on the press unless the view is being panned (Space held), and picks again
// at every move until the release.
void pickOnPress(App& app, int, int) {
    if (!app.Panning) pickColourAtPointer(app);
}
void pickWhileHeld(App& app, int, int) {
    if (app.StrokeActive) pickColourAtPointer(app);
}

// One zoom step in, or out while Control is held.
void zoomStep(App& app, int, int) {
    setZoomAndApply(app, app.viewState.Zoom + 10 * app.ZoomDirection);
}

void panPress(App& app, int, int) {
    startPan(app);
}
void panRelease(App& app, int, int) {
    endPan(app);
}

// In the tool bar's order; the two speed lines have no button (menu items only).
constexpr ToolRow kTools[] = {
    {.tool = Tool::Brush,
     .selects = Tool::Brush,
     .brushMode = 0,
     .command = Cmd::Brush,
     .columnGadget = id(Gadget::ToolBrush),
     .shortcut = 'B',
     .icon = "brush.png",
     .tip = "Brush",
     .press = paint,
     .move = paint,
     .release = paint},
    {.tool = Tool::Line,
     .selects = Tool::Line,
     .command = Cmd::Line,
     .columnGadget = id(Gadget::ToolLine),
     .icon = "line.png",
     .tip = "Line",
     .separatorBefore = true,
     .shape = ShapeKind::Line,
     .press = shapePress,
     .move = shapeMove,
     .release = shapeRelease},
    {.tool = Tool::Box,
     .selects = Tool::Box,
     .command = Cmd::Box,
     .columnGadget = id(Gadget::ToolBox),
     .icon = "square.png",
     .tip = "Box",
     .shape = ShapeKind::Box,
     .press = shapePress,
     .move = shapeMove,
     .release = shapeRelease},
    {.tool = Tool::Ellipse,
     .selects = Tool::Ellipse,
     .command = Cmd::Ellipse,
     .columnGadget = id(Gadget::ToolEllipse),
     .icon = "ellipse.png",
     .tip = "Ellipse",
     .shape = ShapeKind::Ellipse,
     .press = shapePress,
     .move = shapeMove,
     .release = shapeRelease},
    {.tool = Tool::Fill,
     .selects = Tool::Fill,
     .command = Cmd::FillTool,
     .columnGadget = id(Gadget::ToolFill),
     .shortcut = 'K',
     .icon = "fill.png",
     .tip = "FillTool",
     .separatorBefore = true,
     .press = fillAtPoint},
    {.tool = Tool::Gradient,
     .selects = Tool::Gradient,
     .command = Cmd::Gradient,
     .columnGadget = id(Gadget::ToolGradient),
     .icon = "gradient.png",
     .tip = "Gradient",
     .shape = ShapeKind::Gradient,
     .press = shapePress,
     .move = shapeMove,
     .release = shapeRelease},
    {.tool = Tool::Pattern,
     .selects = Tool::Pattern,
     .command = Cmd::Pattern,
     .columnGadget = id(Gadget::ToolPattern),
     .icon = "pattern.png",
     .tip = "Pattern"},
    {.tool = Tool::Clear,
     .selects = Tool::Brush,
     .brushMode = 0,
     .command = Cmd::ClearTool,
     .columnGadget = id(Gadget::ToolClear),
     .icon = "clear.png",
     .tip = "Clear",
     .separatorBefore = true,
     .onSelect = clearCurrentLayer,
     .press = clearLayer},
    {.tool = Tool::Eraser,
     .selects = Tool::Brush,
     .brushMode = 2,
     .command = Cmd::Eraser,
     .columnGadget = id(Gadget::ToolEraser),
     .cursor = CursorShape::Eraser,
     .shortcut = 'E',
     .icon = "eraser.png",
     .tip = "Eraser",
     .press = paint,
     .move = paint,
     .release = paint},
    {.tool = Tool::Move,
     .selects = Tool::Move,
     .command = Cmd::MoveTool,
     .columnGadget = id(Gadget::ToolMove),
     .cursor = CursorShape::Move,
     .shortcut = 'V',
     .icon = "move.png",
     .tip = "MoveTool",
     .separatorBefore = true,
     .press = dragLayer,
     .move = dragLayer,
     .release = dragLayer,
     .finish = finishMove},
    {.tool = Tool::ColorPicker,
     .selects = Tool::ColorPicker,
     .command = Cmd::ColorPicker,
     .columnGadget = id(Gadget::ToolColorPicker),
     .cursor = CursorShape::Picker,
     .icon = "color_picker.png",
     .tip = "ColorPicker",
     .opensStroke = false,
     .press = pickOnPress,
     .move = pickWhileHeld},
    {.tool = Tool::Zoom,
     .selects = Tool::Zoom,
     .command = Cmd::ZoomTool,
     .columnGadget = id(Gadget::ToolZoom),
     .icon = "zoom.png",
     .tip = "Zoom",
     .separatorBefore = true,
     .opensStroke = false,
     .press = zoomStep},
    {.tool = Tool::Hand,
     .selects = Tool::Hand,
     .command = Cmd::Hand,
     .columnGadget = id(Gadget::ToolHand),
     .cursor = CursorShape::Hand,
     .icon = "hand.png",
     .tip = "Hand",
     .opensStroke = false,
     .press = panPress,
     .release = panRelease},
    {.tool = Tool::RadialSpeedLine,
     .selects = Tool::RadialSpeedLine,
     .command = Cmd::RadialSpeedLine,
     .tip = "Radial Speed Line",
     .press = radialLineTo,
     .move = radialLineTo,
     .release = radialLineTo},
    {.tool = Tool::StraightSpeedLine,
     .selects = Tool::StraightSpeedLine,
     .command = Cmd::StraightSpeedLine,
     .tip = "Straigt Speed Line"},
};

template <typename Matches>
const ToolRow* findRow(Matches matches) {
    const auto* row = std::find_if(std::begin(kTools), std::end(kTools), matches);
    return row == std::end(kTools) ? nullptr : row;
}

}  // namespace

std::span<const ToolRow> toolTable() {
    return kTools;
}

const ToolRow* toolRow(Tool tool) {
    return findRow([&](const ToolRow& r) { return r.tool == tool; });
}

const ToolRow* toolOfCommand(int commandId) {
    return findRow([&](const ToolRow& r) { return id(r.command) == commandId; });
}

const ToolRow* toolOfButton(int gadget) {
    if (gadget == 0) return nullptr;
    return findRow([&](const ToolRow& r) { return r.columnGadget == gadget; });
}

const ToolRow* toolOfKey(int key) {
    if (key == 0) return nullptr;
    return findRow([&](const ToolRow& r) { return r.shortcut == key; });
}

}  // namespace qm
