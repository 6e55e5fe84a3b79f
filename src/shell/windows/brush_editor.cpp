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
