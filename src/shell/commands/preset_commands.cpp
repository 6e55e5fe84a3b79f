#include "shell/commands/preset_commands.h"

#include "brush/brush_preset.h"
#include "platform/paths.h"
#include "shell/app.h"
#include "shell/commands/brush_commands.h"
#include "shell/ids.h"
#include "shell/panels/brush_fields.h"
#include "shell/panels/colour_panel.h"
#include "shell/panels/panels.h"
#include "shell/panels/preset_panel.h"
#include "shell/settings/dictionary.h"

namespace qm {

namespace {

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
    recomputeBrushColour(app);
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
