#include "shell/brush_commands.h"

#include "brush/brush_color.h"
#include "brush/brush_preset.h"
#include "brush/brush_tip.h"
#include "platform/paths.h"
#include "raster/shapes.h"
#include "shell/app.h"
#include "shell/brush_controls.h"
#include "shell/dialogs.h"
#include "shell/dictionary.h"
#include "shell/ids.h"
#include "shell/panels.h"

namespace qm {

namespace {

constexpr int kSwatchPreviewSide = 30;

// The foreground swatch preview: a 30 x 30 image of the selected colour. Its alpha byte is not
// an opacity to show (it carries the wrap of the colour rules), so the swatch is opaque.
void showForegroundPreview(App& app) {
    if (auto swatch = createImage(kSwatchPreviewSide, kSwatchPreviewSide, 24)) {
        fillBox(*swatch, 0, 0, swatch->width, swatch->height,
                solidPaint(app.brush.selectedColor | 0xFF000000u, DrawMode::AllChannels));
        app.ui.setGadgetImage(id(Gadget::ColorForeground), *swatch);
        app.ui.setGadgetImage(id(Gadget::ColorSwatch), *swatch);  // the tool column's
    }
}

void showSwatchPreviews(App& app) {
    showForegroundPreview(app);
    if (!app.iface.foregroundActive) refreshBackgroundPreview(app);
    keepColourSquareInStep(app);
}

std::string presetRoot(const App& app) {
    return joinPath(app.workDir, app.prefs.presetdir);
}

// The {group, preset} of the selected tree item, if an item is selected.
const std::pair<std::string, std::string>* selectedPresetItem(const App& app) {
    const int index = app.ui.gadgetState(id(Gadget::PresetTree));
    if (index < 0 || size_t(index) >= app.presetItems.size()) return nullptr;
    return &app.presetItems[size_t(index)];
}

void showSaveError(App& app, const std::string& error) {
    app.ui.messageBox(Text(app.dictionary, "error"), error);
}

// A requester's answer is taken relative to the working folder unless it is absolute.
std::string inWorkDir(const App& app, const std::string& path) {
    const std::string normal = normalizeSeparators(path);
    return !normal.empty() && normal.front() == '/' ? normal : joinPath(app.workDir, normal);
}

}  // namespace

void showColourPreviews(App& app) {
    showForegroundPreview(app);
    refreshBackgroundPreview(app);
}

void rebuildBrushTip(App& app) {
    requestTip(app.tip, app.brush, app.workDir);
    refreshBrushPreview(app);
}

void reloadBrushTips(App& app) {
    rebuildBrushTip(app);
}

void refreshBrushPreview(App& app) {
    refreshBrushEditor(app);
    if (app.brushPreview18.empty()) return;
    drawRequestedTipPreview(app.tip, app.brushPreview18);
    app.ui.setGadgetImage(id(Gadget::BrushPreview), app.brushPreview18);
}

void recomputeBrushColor(App& app) {
    recomputeSelectedAlpha(app.brush);
    refreshPaintColor(app.brush);
}

void colorChanged(App& app, bool keepPaintColor) {
    applyColorChange(app.brush, keepPaintColor);
    showSwatchPreviews(app);
    rebuildBrushTip(app);
}

int countBrushTips(App& app) {
    app.tip.highestTipIndex = countTipFiles(app.workDir, app.tip.tipFolder);
    return app.tip.highestTipIndex;
}

void previousBrush(App& app) {
    if (app.brush.brush > 0) --app.brush.brush;
    rebuildBrushTip(app);
}

void nextBrush(App& app) {
    if (app.brush.brush < countBrushTips(app)) ++app.brush.brush;
    rebuildBrushTip(app);
}

void refreshPresetTree(App& app) {
    const int tree = id(Gadget::PresetTree);
    app.ui.clearGadgetItems(tree);
    app.presetItems.clear();
    for (const PresetGroup& group : listPresetTree(presetRoot(app))) {
        app.ui.addGadgetItem(tree, group.name, 0);
        app.presetItems.emplace_back(group.name, "");
        for (const std::string& preset : group.presets) {
            app.ui.addGadgetItem(tree, preset, 1);
            app.presetItems.emplace_back(group.name, preset);
        }
    }
    focusCanvas(app);
}

void loadSelectedPreset(App& app) {
    if (const auto* item = selectedPresetItem(app)) {
        const auto& [group, preset] = *item;
        if (const auto path = presetFilePath(presetRoot(app), group, preset)) {
            readPresetFile(*path, preset.empty() ? group : preset, app.brush, app.tip.tipFolder,
                           [&app] { showSwatchPreviews(app); });
        }
    }
    // Whatever the file held (or if it could not be opened), the panel shows the settings.
    countBrushTips(app);
    recomputeBrushColor(app);
    rebuildBrushTip(app);
    showBrushSettings(app);
    focusCanvas(app);
}

void saveBrushPreset(App& app, int mode) {
    std::string path;
    if (mode == 0) {
        FileRequest request;
        request.title = Text(app.dictionary, "Save a Brush Preset");
        request.defaultPath = "presets\\brushPresets\\Preset.qmb";
        request.patterns = "*.qmb";
        const auto choice = app.ui.saveFileRequester(request);
        if (!choice || choice->paths.empty() || choice->paths.front().empty()) {
            focusCanvas(app);
            return;
        }
        path = inWorkDir(app, presetSaveName(choice->paths.front()));
        if (fileName(path) == ".qmb") {
            showSaveError(app, "A brush preset needs a name: " + path);
            focusCanvas(app);
            return;
        }
    } else {
        // Nothing selected: there is no preset to save over.
        const auto* item = selectedPresetItem(app);
        const auto target =
            item ? presetFilePath(presetRoot(app), item->first, item->second) : std::nullopt;
        if (!target) {
            focusCanvas(app);
            return;
        }
        path = *target;
    }
    std::string error;
    if (!writePresetFile(path, app.brush, app.prefs.brushPresetsavecolor != 0, error))
        showSaveError(app, error);
    focusCanvas(app);
}

}  // namespace qm
