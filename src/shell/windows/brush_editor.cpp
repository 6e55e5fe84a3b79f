#include "shell/windows/brush_editor.h"

#include <algorithm>
#include <string>

#include "platform/ui.h"
#include "shell/app.h"
#include "shell/commands/brush_commands.h"
#include "shell/gadget_table.h"
#include "shell/ids.h"
#include "shell/panels/brush_fields.h"
#include "shell/settings/dictionary.h"
#include "shell/windows/dialog_fields.h"
#include "shell/windows/window_list.h"

namespace qm {

namespace {

using K = ControlKind;

// The pen's settings, on the "General" page: the tool options' gadgets (brush rows), which the
// window shows as well, so that a change in either is the same change. `row` places the control
// on the page (0, 1, ...); the steady line's track bar sits beside its caption.
ControlDescription penControl(App& app, Gadget gadget, int row) {
    Dictionary& d = app.dictionary;
    const BrushRow& brush = *brushRow(id(gadget));
    const bool track = gadget == Gadget::Stabiliser;
    const char* caption = gadget == Gadget::SizeVsPressure    ? "SizeVsPressure"
                          : gadget == Gadget::AlphaVsPressure ? "AlphaVsPressure"
                                                              : "RotateVsTilt";
    return {.id = id(gadget),
            .kind = track ? K::TrackBar : K::CheckBox,
            .caption = track ? "" : Text(d, caption),
            .min = gadgetRow(gadget)->min,
            .max = gadgetRow(gadget)->max,
            .tab = Text(d, "General"),
            .x = track ? 125 : 10,
            .y = 10 + 30 * row,
            .width = track ? 150 : 250,
            .height = 22,
            .value = brush.show(app.brush),
            .container = id(Gadget::BrushEditorPanel)};
}

ControlDescription penLabel(App& app, const char* key, int row) {
    Dictionary& d = app.dictionary;
    return {.kind = K::Label,
            .caption = Text(d, key),
            .tab = Text(d, "General"),
            .x = 10,
            .y = 12 + 30 * row,
            .width = 110,
            .height = 20,
            .container = id(Gadget::BrushEditorPanel)};
}

void editorChange(App& app, const EditorRow& row) {
    row.store(app.brush, keptState(app.ui, row.gadget));
    if (row.after == EditorAfter::RebuildTip) rebuildBrushTip(app);
    showBrushSettings(app);  // the panel follows
    refreshBrushEditor(app);
}

}  // namespace

void openBrushEditor(App& app) {
    const int panel = id(Gadget::BrushEditorPanel);
    Dictionary& d = app.dictionary;
    const std::string tab = Text(d, "Brush");
    auto label = [&](std::string text, int y) {
        return ControlDescription{.kind = K::Label,
                                  .caption = std::move(text),
                                  .tab = tab,
                                  .x = 125,
                                  .y = y,
                                  .width = 70,
                                  .height = 20,
                                  .container = panel};
    };
    // Kind, range and items from the gadget table.
    auto control = [&](Gadget gadget, int y, int width) {
        ControlDescription c = describedControl(d, gadget);
        c.tab = tab;
        c.x = 200;
        c.y = y;
        c.width = width;
        c.height = 22;
        c.value = editorRow(id(gadget))->show(app.brush);
        c.container = panel;
        return c;
    };
    ControlDescription hard = control(Gadget::EditorHard, 160, 150);
    hard.caption = Text(d, "Hard");
    showDialog(
        app,
        {.number = id(Window::BrushEditor),
         .title = Text(d, "Brush Editor"),
         .width = 400,
         .height = 300,
         .controls =
             {
                 // Without a place: the panel fills the window less its margin,
                 // however the window is sized.
                 {.id = panel, .kind = K::Panel, .value = 1, .items = {Text(d, "General"), tab}},
                 {.id = id(Gadget::EditorTipPreview),
                  .kind = K::Image,
                  .tab = tab,
                  .x = 10,
                  .y = 10,
                  .width = kEditorPreviewSide,
                  .height = kEditorPreviewSide,
                  .container = panel},
                 label(Text(d, "Shape"), 10),
                 control(Gadget::EditorShape, 10, 150),
                 label(Text(d, "Size"), 40),
                 control(Gadget::EditorSize, 40, 80),
                 label(Text(d, "Width %"), 70),
                 control(Gadget::EditorWidth, 70, 80),
                 label(Text(d, "Height %"), 100),
                 control(Gadget::EditorHeight, 100, 80),
                 label(Text(d, "Rotation"), 130),
                 control(Gadget::EditorRotation, 128, 150),
                 hard,
                 penControl(app, Gadget::SizeVsPressure, 0),
                 penControl(app, Gadget::AlphaVsPressure, 1),
                 penControl(app, Gadget::RotateVsTilt, 2),
                 penLabel(app, "Stabiliser", 3),
                 penControl(app, Gadget::Stabiliser, 3),
             },
         .resizable = true,
         .onTop = true});
    showEditorPreview(app);
}

bool handleBrushEditorControl(App& app, int gadget) {
    if (const EditorRow* row = editorRow(gadget)) {
        editorChange(app, *row);
        return true;
    }
    return gadget == id(Gadget::BrushEditorPanel) || gadget == id(Gadget::EditorTipPreview);
}

}  // namespace qm
