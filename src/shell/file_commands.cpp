#include "shell/file_commands.h"

#include "shell/brush_commands.h"

#include "shell/app.h"
#include "shell/panels.h"

namespace qm {

// Files, presets, paper and the roughboard arrive with their own steps; until then each
// command only gives the focus back to the canvas, as every file command does when it ends.
// The image commands are in shell/image_commands.cpp, Open and Save in
// shell/document_commands.cpp.
void exportBrushPreset(App& app, int mode) {
    saveBrushPreset(app, mode);
    focusCanvas(app);
}
void loadBrushPresetFromTree(App& app) {
    loadSelectedPreset(app);
    focusCanvas(app);
}
void reloadPresetTree(App& app) {
    refreshPresetTree(app);
    focusCanvas(app);
}
void newRoughboard(App& app) {
    focusCanvas(app);
}
void openRoughboard(App& app) {
    focusCanvas(app);
}
void saveRoughboard(App& app) {
    focusCanvas(app);
}

}  // namespace qm
