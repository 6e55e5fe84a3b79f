// The brush editor (window 5) and the animated-brush window (window 10).
//
// The editor's "Brush" tab holds the controls of the tip -- shape, size, width, height,
// rotation, hardness -- on the same BrushSettings fields as the tool-options panel: a change
// in either shows in both. The animated-brush window only shows its fields; nothing in it
// changes how the brush paints.
#include <algorithm>
#include <string>

#include "brush/brush_tip.h"
#include "codecs/codecs.h"
#include "platform/paths.h"
#include "raster/draw_image.h"
#include "raster/image_ops.h"
#include "raster/shapes.h"
#include "shell/app.h"
#include "shell/brush_commands.h"
#include "shell/brush_controls.h"
#include "shell/dialogs.h"
#include "shell/dictionary.h"
#include "shell/ids.h"

namespace qm {

namespace {

using K = ControlKind;

constexpr int kEditorPreviewSide = 100;

enum class After { Nothing, RebuildTip, ReloadTips };

struct EditorRow {
    Gadget gadget;
    int min, max;  // as the panel's control of the same field
    void (*store)(BrushSettings&, int state);
    int (*show)(const BrushSettings&);
    After after;
};

const EditorRow kEditorRows[] = {
    {Gadget::EditorShape, 0, 6, [](BrushSettings& b, int v) { b.type = uint8_t(v); },
     [](const BrushSettings& b) { return int(b.type); }, After::ReloadTips},
    {Gadget::EditorSize, 1, 5000, [](BrushSettings& b, int v) { b.size = int16_t(v); },
     [](const BrushSettings& b) { return int(b.size); }, After::RebuildTip},
    {Gadget::EditorWidth, 1, 100, [](BrushSettings& b, int v) { b.sizeX = int16_t(v); },
     [](const BrushSettings& b) { return int(b.sizeX); }, After::RebuildTip},
    {Gadget::EditorHeight, 1, 100, [](BrushSettings& b, int v) { b.sizeY = int16_t(v); },
     [](const BrushSettings& b) { return int(b.sizeY); }, After::RebuildTip},
    {Gadget::EditorRotation, 0, 360, [](BrushSettings& b, int v) { b.rotate = int16_t(v); },
     [](const BrushSettings& b) { return int(b.rotate); }, After::Nothing},
    {Gadget::EditorHard, 0, 1, [](BrushSettings& b, int v) { b.smoth = uint8_t(v); },
     [](const BrushSettings& b) { return b.smoth ? 1 : 0; }, After::RebuildTip},
};

const EditorRow* editorRow(int gadget) {
    for (const EditorRow& row : kEditorRows)
        if (id(row.gadget) == gadget) return &row;
    return nullptr;
}

void showEditorPreview(App& app) {
    auto preview = createImage(kEditorPreviewSide, kEditorPreviewSide, 24);
    if (!preview) return;
    drawRequestedTipPreview(app.tip, *preview);
    app.ui.setGadgetImage(id(Gadget::EditorTipPreview), *preview);
}

void editorChange(App& app, const EditorRow& row) {
    const int state = app.ui.gadgetState(id(row.gadget));
    const int kept = std::clamp(state, row.min, row.max);
    row.store(app.brush, kept);
    if (row.after == After::ReloadTips) reloadBrushTips(app);
    if (row.after == After::RebuildTip) rebuildBrushTip(app);
    showBrushSettings(app);  // the panel follows
    refreshBrushEditor(app);
}

// The first image of the default animated-brush folder over a checkered ground, 80 x 80.
Image animatedBrushPreview(const App& app) {
    constexpr int kSide = 80;
    Image preview = *createImage(kSide, kSide, 32);
    fillBox(preview, 0, 0, kSide, kSide,
            solidPaint(rgba(125, 125, 125, 255), DrawMode::AllChannels));
    if (!app.paperImage10.empty())
        for (int j = 0; j < 3; ++j)
            for (int i = 0; i < 3; ++i)
                drawImage(preview, app.paperImage10, i * 64, j * 64, DrawMode::AlphaBlend, 255);
    std::string error;
    // A missing or unreadable image leaves the preview empty.
    if (auto image = loadImageFile(joinPath(app.workDir, "brush/brushAnim1/1.png"), error))
        if (auto scaled = resizeSmooth(*image, kSide, kSide))
            drawImage(preview, *scaled, 0, 0, DrawMode::AlphaBlend, 255);
    return preview;
}

// The folder button's picture: the layer panel's first button image, or a folder drawn here.
Image folderButtonImage(const App& app) {
    std::string error;
    if (auto image = loadImageFile(joinPath(app.workDir, "data/ui/layerbtn1.jpg"), error))
        return *image;
    Image folder = *createImage(16, 16, 32);
    fillBox(folder, 1, 3, 6, 3, solidPaint(rgba(200, 150, 50, 255), DrawMode::AllChannels));
    fillBox(folder, 1, 5, 14, 9, solidPaint(rgba(230, 180, 70, 255), DrawMode::AllChannels));
    return folder;
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
         .onTop = true});
    showEditorPreview(app);
}

void refreshBrushEditor(App& app) {
    if (!windowIsOpen(app, id(Window::BrushEditor))) return;
    for (const EditorRow& row : kEditorRows)
        app.ui.setGadgetState(id(row.gadget), std::clamp(row.show(app.brush), row.min, row.max));
    showEditorPreview(app);
}

void openBrushAnimated(App& app) {
    Dictionary& d = app.dictionary;
    auto spin = [](Gadget gadget, int y) {
        return ControlDescription{.id = id(gadget),
                                  .kind = K::Spin,
                                  .min = 1,
                                  .max = 100,
                                  .x = 130,
                                  .y = y,
                                  .width = 55,
                                  .height = 20,
                                  .value = 1};
    };
    auto rightLabel = [](Gadget gadget, std::string text, int y) {
        return ControlDescription{.id = id(gadget),
                                  .kind = K::Label,
                                  .caption = std::move(text),
                                  .x = 0,
                                  .y = y,
                                  .width = 100,
                                  .height = 20,
                                  .alignRight = true};
    };
    showDialog(app,
               {.number = id(Window::BrushAnimated),
                .title = Text(d, "Brush Animated"),
                .width = 400,
                .height = 300,
                .controls =
                    {
                        {.id = id(Gadget::AnimBrushPreview),
                         .kind = K::Image,
                         .x = 10,
                         .y = 10,
                         .width = 80,
                         .height = 80},
                        // The fields start a little further right than their labels' places
                        // would have them, so that the labels show whole.
                        {.id = id(Gadget::AnimBrushNameLabel),
                         .kind = K::Label,
                         .caption = Text(d, "Nom :"),
                         .x = 100,
                         .y = 10,
                         .width = 40,
                         .height = 20},
                        {.id = id(Gadget::AnimBrushName),
                         .kind = K::TextField,
                         .x = 140,
                         .y = 7,
                         .width = 140,
                         .height = 20},
                        {.id = id(Gadget::AnimBrushFolderLabel),
                         .kind = K::Label,
                         .caption = Text(d, "Directory :"),
                         .x = 100,
                         .y = 35,
                         .width = 72,
                         .height = 20},
                        {.id = id(Gadget::AnimBrushFolder),
                         .kind = K::TextField,
                         .caption = "brush\\brushAnim1\\",
                         .x = 172,
                         .y = 35,
                         .width = 108,
                         .height = 20},
                        {.id = id(Gadget::AnimBrushFolderButton),
                         .kind = K::ImageButton,
                         .x = 280,
                         .y = 35,
                         .width = 20,
                         .height = 20},
                        {.id = id(Gadget::AnimBrushPreviewAnim),
                         .kind = K::CheckBox,
                         .caption = Text(d, "Preview Anim"),
                         .x = 100,
                         .y = 55,
                         .width = 110,
                         .height = 20},
                        {.id = id(Gadget::AnimBrushRandom),
                         .kind = K::CheckBox,
                         .caption = Text(d, "Lecture Random"),
                         .x = 100,
                         .y = 75,
                         .width = 130,
                         .height = 20},
                        {.id = id(Gadget::AnimBrushProperties),
                         .kind = K::Frame,
                         .caption = Text(d, "Properties"),
                         .x = 10,
                         .y = 110,
                         .width = 300,
                         .height = 130},
                        rightLabel(Gadget::AnimBrushCountLabel, Text(d, "Nb of images :"), 135),
                        spin(Gadget::AnimBrushCount, 135),
                        rightLabel(Gadget::AnimBrushSpeedLabel, Text(d, "Speed :"), 165),
                        spin(Gadget::AnimBrushSpeed, 165),
                        {.id = id(Gadget::AnimBrushOk),
                         .kind = K::Button,
                         .caption = Text(d, "BtnOk"),
                         .x = 320,
                         .y = 20,
                         .width = 70,
                         .height = 25},
                        {.id = id(Gadget::AnimBrushCancel),
                         .kind = K::Button,
                         .caption = Text(d, "BtnCancel"),
                         .x = 320,
                         .y = 50,
                         .width = 70,
                         .height = 25},
                    },
                .modal = true});
    app.ui.setGadgetImage(id(Gadget::AnimBrushPreview), animatedBrushPreview(app));
    app.ui.setGadgetImage(id(Gadget::AnimBrushFolderButton), folderButtonImage(app));
}

bool handleBrushWindowControl(App& app, const ControlEvent& event) {
    if (const EditorRow* row = editorRow(event.gadget)) {
        editorChange(app, *row);
        return true;
    }
    switch (static_cast<Gadget>(event.gadget)) {
        case Gadget::AnimBrushOk:
        case Gadget::AnimBrushCancel:
            closeWindow(app, id(Window::BrushAnimated));
            return true;
        case Gadget::BrushEditorPanel:
        case Gadget::EditorTipPreview:
            return true;
        default:
            // The animated-brush window's other controls only show what they hold.
            return event.gadget >= id(Gadget::AnimBrushPreview) &&
                   event.gadget <= id(Gadget::AnimBrushCancel);
    }
}

}  // namespace qm
