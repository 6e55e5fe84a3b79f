// The gadget table: one row per gadget, ranges the widgets can offer, combo items and tool tips
// the dictionary knows, a row for every brush and editor field, and states kept within it.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/fake_ui.h"
#include "shell/gadget_table.h"
#include "shell/panels/brush_fields.h"
#include "shell/settings/dictionary.h"

namespace qm {
namespace {

TEST(GadgetTable, RowsAreUniqueWithRangesTheirKindCanOffer) {
    std::set<int> seen;
    for (const GadgetRow& row : gadgetTable()) {
        SCOPED_TRACE("gadget " + std::to_string(id(row.gadget)));
        EXPECT_TRUE(seen.insert(id(row.gadget)).second);
        EXPECT_EQ(gadgetRow(row.gadget), &row);
        EXPECT_LE(row.min, row.max);
        if (row.kind == ControlKind::Combo) {
            EXPECT_FALSE(row.items.empty());
            EXPECT_EQ(row.min, 0);
            EXPECT_EQ(row.max, int(row.items.size()) - 1);
        } else {
            EXPECT_TRUE(row.items.empty());
        }
        if (row.kind == ControlKind::CheckBox) {
            EXPECT_EQ(row.min, 0);
            EXPECT_EQ(row.max, 1);
        }
        if (!isRanged(row)) {
            EXPECT_EQ(row.min, row.max);
        }
    }
    EXPECT_EQ(gadgetRow(id(Gadget::Canvas)), nullptr);
}

TEST(GadgetTable, TipsAndItemsAreBuiltInDictionaryKeys) {
    Dictionary builtIn;
    loadBuiltinDictionary(builtIn);
    for (const GadgetRow& row : gadgetTable()) {
        SCOPED_TRACE("gadget " + std::to_string(id(row.gadget)));
        const std::string tip = row.tip;
        if (!tip.empty() && tip.front() != '=') {
            EXPECT_TRUE(builtIn.count(tip)) << tip;
        }
        for (const char* item : row.items) EXPECT_TRUE(builtIn.count(item)) << item;
    }
}

// The shell stores a brush or editor field only within a row of the table; the editor's
// controls offer what the panel's controls of the same fields offer.
TEST(GadgetTable, EveryBrushAndEditorFieldHasARangedRow) {
    int brushRows = 0, editorRows = 0;
    for (int g = 0; g < 1000; ++g) {
        if (!brushRow(g) && !editorRow(g)) continue;
        SCOPED_TRACE("gadget " + std::to_string(g));
        brushRows += brushRow(g) != nullptr;
        editorRows += editorRow(g) != nullptr;
        const GadgetRow* row = gadgetRow(g);
        ASSERT_NE(row, nullptr);
        EXPECT_TRUE(isRanged(*row));
    }
    EXPECT_GT(brushRows, 30);
    EXPECT_EQ(editorRows, 6);

    const struct {
        Gadget editor, panel;
    } sameField[] = {
        {Gadget::EditorShape, Gadget::BrushType},   {Gadget::EditorSize, Gadget::BrushSize},
        {Gadget::EditorWidth, Gadget::BrushWidth},  {Gadget::EditorHeight, Gadget::BrushHeight},
        {Gadget::EditorRotation, Gadget::Rotation}, {Gadget::EditorHard, Gadget::Hard},
    };
    for (const auto& pair : sameField) {
        const GadgetRow& editor = *gadgetRow(pair.editor);
        const GadgetRow& panel = *gadgetRow(pair.panel);
        EXPECT_EQ(editor.min, panel.min) << id(pair.editor);
        EXPECT_EQ(editor.max, panel.max) << id(pair.editor);
    }
}

// A state beyond the row's range is taken as the nearest end and shown; a state within it, or
// of a gadget without a ranged row, is left as it is.
TEST(GadgetTable, KeptStateTakesTheNearestEndAndShowsIt) {
    const struct {
        Gadget gadget;
        int sent, kept;
    } cases[] = {
        {Gadget::OpacityJitterFactor, 0, 1},
        {Gadget::OpacityJitterFactor, 16, 15},
        {Gadget::OpacityJitterFactor, 7, 7},
        {Gadget::BrushSize, -5, 1},
        {Gadget::BrushSizeTrack, 301, 300},
        {Gadget::KeepAlpha, 2, 1},
        {Gadget::BrushMode, -1, 0},  // a combo with nothing selected
        {Gadget::BrushType, 7, 6},
        {Gadget::NavigatorMode, 3, 2},
        {Gadget::GradientAlpha, 256, 255},
        {Gadget::FrameEnd, 10001, 10000},
        {Gadget::OnionBefore, 11, 10},
        {Gadget::FrameTotal, INT32_MIN, 1},
        {Gadget::FrameTotal, INT32_MAX, INT16_MAX},
        {Gadget::PrefCellWidth, 3, 4},
        {Gadget::TilesPerRow, 51, 50},
        {Gadget::BrightnessTrack, 301, 300},
        {Gadget::AddnewLayer, 5, 5},  // a button: no range
        {Gadget::Canvas, -3, -3},     // no row
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("gadget " + std::to_string(id(c.gadget)) + " sent " + std::to_string(c.sent));
        FakeUi ui;
        ui.setGadgetState(id(c.gadget), c.sent);
        ui.clearCalls();
        EXPECT_EQ(keptState(ui, c.gadget), c.kept);
        EXPECT_EQ(ui.gadgetState(id(c.gadget)), c.kept);
        // Written back only when it changed.
        EXPECT_EQ(ui.calls().size(), c.sent == c.kept ? 0u : 1u);
    }
}

}  // namespace
}  // namespace qm
