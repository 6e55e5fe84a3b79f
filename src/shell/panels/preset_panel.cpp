#include "shell/panels/preset_panel.h"

#include "brush/brush_preset.h"
#include "platform/paths.h"
#include "shell/app.h"
#include "shell/ids.h"
#include "shell/panels/panels.h"

namespace qm {

std::string presetRoot(const App& app) {
    return joinPath(app.workDir, app.prefs.presetdir);
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

}  // namespace qm
