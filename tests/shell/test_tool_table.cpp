// The tool table: one row per tool code, each command, button, icon and key used once, and the
// tools whose press or release does more than paint: the clear button, the move tool's release
// and the picker while the view is panned.
#include <set>
#include <string>

#include "raster/shapes.h"
#include "shell/commands/tool_table.h"
#include "shell/menu_table.h"
#include "shell/settings/dictionary.h"
#include "shell_fixture.h"

namespace qm::test {
namespace {

using T = CanvasEventType;

TEST(ToolTable, EveryToolCodeHasOneRow) {
    for (int c = code(Tool::Brush); c <= code(Tool::Clear); ++c) {
        const ToolRow* row = toolRow(Tool(c));
        ASSERT_NE(row, nullptr) << c;
        EXPECT_EQ(row->tool, Tool(c));
    }
    EXPECT_EQ(toolTable().size(), size_t(code(Tool::Clear) - code(Tool::Brush) + 1));
    EXPECT_EQ(toolRow(Tool(3)), nullptr);
}

TEST(ToolTable, CommandsButtonsIconsAndKeysAreUsedOnce) {
    std::set<int> commands, gadgets, keys;
    std::set<std::string> icons;
    for (const ToolRow& row : toolTable()) {
        SCOPED_TRACE(code(row.tool));
        const int command = id(row.command);
        EXPECT_GE(command, id(Cmd::Brush));
        EXPECT_LE(command, id(Cmd::Hand));
        EXPECT_TRUE(commands.insert(command).second);
        EXPECT_EQ(toolOfCommand(command), &row);
        if (row.columnGadget) {
            EXPECT_TRUE(gadgets.insert(row.columnGadget).second);
            EXPECT_EQ(toolOfButton(row.columnGadget), &row);
        }
        if (row.icon) {
            EXPECT_TRUE(icons.insert(row.icon).second);
        }
        if (row.shortcut) {
            EXPECT_TRUE(keys.insert(row.shortcut).second);
            EXPECT_EQ(toolOfKey(row.shortcut), &row);
        }
    }
    // The menu hands the whole tool-bar range to the table: every id in it has its row.
    EXPECT_EQ(commands.size(), size_t(id(Cmd::Hand) - id(Cmd::Brush) + 1));
    EXPECT_EQ(toolOfButton(0), nullptr);
    EXPECT_EQ(toolOfKey(0), nullptr);
}

// A key the window's accelerators take never reaches the canvas, and the canvas's own keys
// (Control, Space, the size and zoom keys) come before the tools'.
TEST(ToolTable, KeysLeaveTheAcceleratorsAndTheCanvasKeysAlone) {
    const std::set<int> canvasKeys = {vk::Control,  vk::Space, vk::OemClose,
                                      vk::OemTilde, vk::Add,   vk::Subtract};
    for (const ToolRow& row : toolTable()) {
        if (!row.shortcut) continue;
        SCOPED_TRACE(char(row.shortcut));
        EXPECT_EQ(canvasKeys.count(row.shortcut), 0u);
        for (const Accelerator& a : acceleratorTable())
            if (!a.ctrl && !a.alt && !a.shift) {
                EXPECT_NE(a.key, row.shortcut) << a.id;
            }
    }
}

TEST(ToolTable, EveryButtonHasATipInTheDictionary) {
    Dictionary dictionary;
    loadBuiltinDictionary(dictionary);
    for (const ToolRow& row : toolTable()) {
        SCOPED_TRACE(code(row.tool));
        if (row.icon || row.columnGadget) {
            ASSERT_NE(row.tip, nullptr);
        }
        if (row.tip) {
            EXPECT_EQ(dictionary.count(row.tip), 1u) << row.tip;
        }
    }
}

class ToolActions : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        newDocument("64", "48");
    }
    Layer& layer() { return *currentLayer(app.doc); }
    // Canvas events at view point (x, y) of the document.
    void at(T type, int x, int y, bool ctrl = false) {
        canvas(type, x + app.ViewOffsetX, y + app.ViewOffsetY, false, false, type == T::Move, ctrl);
    }
};

// Both empty the layer at once, as one step, and neither stays selected: the button gives the
// brush back, the command leaves the tool that was current.
TEST_F(ToolActions, ClearButtonAndCommandActAtOnce) {
    for (const bool button : {true, false}) {
        SCOPED_TRACE(button ? "button" : "command");
        control(Gadget::ToolFill, 1, ControlEventType::Click);
        layer().image.at(3, 3) = rgba(1, 2, 3, 255);
        const size_t steps = app.history.undoSteps();
        if (button)
            control(Gadget::ToolClear, 1, ControlEventType::Click);
        else
            menu(Cmd::ClearTool);
        EXPECT_EQ(layer().image.at(3, 3), 0u);
        EXPECT_EQ(app.history.undoSteps(), steps + 1);
        EXPECT_EQ(app.CurrentTool, button ? Tool::Brush : Tool::Fill);
        EXPECT_EQ(ui.gadgetState(id(Gadget::ToolBrush)), button ? 1 : 0);
        EXPECT_EQ(ui.gadgetState(id(Gadget::ToolFill)), button ? 0 : 1);
    }
}

// The move tool's drag ends with its stroke, also when the release does not reach the tool
// (Control held picks instead): the next drag moves the layer on from where it is.
TEST_F(ToolActions, MoveDragEndsWithItsStrokeWhateverTheRelease) {
    menu(Cmd::MoveTool);
    const int x0 = layer().X;
    at(T::LeftDown, 10, 10);
    at(T::Move, 20, 10);
    at(T::LeftUp, 20, 10, true);
    const int travel = layer().X - x0;
    ASSERT_NE(travel, 0);
    at(T::LeftDown, 30, 10);
    at(T::Move, 40, 10);
    at(T::LeftUp, 40, 10);
    EXPECT_EQ(layer().X, x0 + 2 * travel);
}

// While Space pans the view a press of the picker picks nothing; the zoom tool still zooms.
TEST_F(ToolActions, SpacePanHoldsThePickerButNotTheZoom) {
    {
        Image whole = layer().image.toImage();
        fillBox(whole, 0, 0, 64, 48, solidPaint(rgba(10, 200, 30, 255)));
        layer().image = whole;
    }
    rebuildAllDisplayImages(app);
    recomposeView(app, false);
    app.brush.selectedColor = rgba(255, 0, 0, 255);
    menu(Cmd::ColorPicker);
    at(T::Move, 5, 5);
    key(T::KeyDown, vk::Space);
    at(T::LeftDown, 5, 5);
    at(T::LeftUp, 5, 5);
    EXPECT_EQ(app.brush.selectedColor & 0xFFFFFFu, rgb(255, 0, 0));
    menu(Cmd::ZoomTool);
    const int zoom = app.viewState.Zoom;
    at(T::LeftDown, 5, 5);
    at(T::LeftUp, 5, 5);
    EXPECT_EQ(app.viewState.Zoom, zoom + 10);
    key(T::KeyUp, vk::Space);
    menu(Cmd::ColorPicker);
    at(T::LeftDown, 5, 5);
    at(T::LeftUp, 5, 5);
    EXPECT_EQ(app.brush.selectedColor & 0xFFFFFFu, rgb(10, 200, 30));
}

}  // namespace
}  // namespace qm::test
