#include "shell/windows/brush_editor.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui.h"
#include "shell/app.h"
#include "shell/commands/brush_commands.h"
#include "shell/ids.h"
#include "shell/panels/brush_fields.h"
#include "shell/settings/dictionary.h"
#include "shell/windows/window_list.h"

namespace qm {

namespace {

using K = ControlKind;

// The pen's settings on their own page: the tool options' gadgets (brush rows), which the
// window shows as well, so a change in either is the same change.
std::vector<ControlDescription> penControls(App& app, int panel, const std::string& tab) {
    Dictionary& d = app.dictionary;
    std::vector<ControlDescription> out;
    int y = 10;
    for (const auto& [gadget, key] : {std::pair{Gadget::SizeVsPressure, "SizeVsPressure"},
                                      {Gadget::AlphaVsPressure, "AlphaVsPressure"},
                                      {Gadget::RotateVsTilt, "RotateVsTilt"}}) {
        out.push_back({.id = id(gadget),
                       .kind = K::CheckBox,
                       .caption = Text(d, key),
                       .tab = tab,
                       .x = 10,
                       .y = y,
                       .width = 250,
                       .height = 22,
                       .value = brushRow(id(gadget))->show(app.brush),
                       .container = panel});
        y += 30;
    }
    const BrushRow& steady = *brushRow(id(Gadget::Stabiliser));
    out.push_back({.kind = K::Label,
                   .caption = Text(d, "Stabiliser"),
                   .tab = tab,
                   .x = 10,
                   .y = y + 2,
                   .width = 110,
                   .height = 20,
                   .container = panel});
    out.push_back({.id = id(steady.gadget),
                   .kind = K::TrackBar,
                   .min = steady.min,
                   .max = steady.max,
                   .tab = tab,
                   .x = 125,
                   .y = y,
                   .width = 150,
                   .height = 22,
                   .value = steady.show(app.brush),
                   .tooltip = Text(d, "StabiliserTip"),
                   .container = panel});
    return out;
}

void editorChange(App& app, const EditorRow& row) {
    const int state = app.ui.gadgetState(id(row.gadget));
    const int kept = std::clamp(state, row.min, row.max);
    row.store(app.brush, kept);
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
    auto control = [&](Gadget gadget, ControlKind kind, int y, int width) {
        const EditorRow& row = *editorRow(id(gadget));
        return ControlDescription{.id = id(gadget),
                                  .kind = kind,
                                  .min = row.min,
                                  .max = row.max,
                                  .tab = tab,
                                  .x = 200,
                                  .y = y,
                                  .width = width,
                                  .height = 22,
                                  .value = row.show(app.brush),
                                  .container = panel};
    };
    ControlDescription shape = control(Gadget::EditorShape, K::Combo, 10, 150);
    for (const char* key : {"Circle Hard", "Box", "Ellipse", "BrushCustom", "Circle Shine",
                            "Circle Soft", "Circle Custom"})
        shape.items.push_back(Text(d, key));
    ControlDescription hard = control(Gadget::EditorHard, K::CheckBox, 160, 150);
    hard.caption = Text(d, "Hard");
    const std::vector<ControlDescription> pen = penControls(app, panel, Text(d, "Pen"));
    WindowDescription window{.number = id(Window::BrushEditor),
                             .title = Text(d, "Brush Editor"),
                             .width = 400,
                             .height = 300,
                             .controls =
                                 {
                                     // Without a place: the panel fills the window less its margin,
                                     // however the window is sized.
                                     {.id = panel,
                                      .kind = K::Panel,
                                      .value = 1,
                                      .items = {Text(d, "General"), tab, Text(d, "Pen")}},
                                     {.id = id(Gadget::EditorTipPreview),
                                      .kind = K::Image,
                                      .tab = tab,
                                      .x = 10,
                                      .y = 10,
                                      .width = kEditorPreviewSide,
                                      .height = kEditorPreviewSide,
                                      .container = panel},
                                     label(Text(d, "Shape"), 10),
                                     shape,
                                     label(Text(d, "Size"), 40),
                                     control(Gadget::EditorSize, K::Spin, 40, 80),
                                     label(Text(d, "Width %"), 70),
                                     control(Gadget::EditorWidth, K::Spin, 70, 80),
                                     label(Text(d, "Height %"), 100),
                                     control(Gadget::EditorHeight, K::Spin, 100, 80),
                                     label(Text(d, "Rotation"), 130),
                                     control(Gadget::EditorRotation, K::TrackBar, 128, 150),
                                     hard,
                                 },
                             .resizable = true,
                             .onTop = true};
    window.controls.insert(window.controls.end(), pen.begin(), pen.end());
    showDialog(app, window);
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
