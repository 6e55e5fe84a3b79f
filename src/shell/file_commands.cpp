#include "shell/file_commands.h"

#include "shell/brush_commands.h"

#include "shell/app.h"
#include "shell/panels.h"

namespace qm {

// Files, presets, paper and the roughboard arrive with their own steps; until then each
// command only gives the focus back to the canvas, as every file command does when it ends.
void openImageAsDocument(App& app) {
    focusCanvas(app);
}
void convertTileSet(App& app) {
    focusCanvas(app);
}
void importOnLayer(App& app) {
    focusCanvas(app);
}
void importImageOnAnimation(App& app) {
    focusCanvas(app);
}
void saveImageAs(App& app, int) {
    focusCanvas(app);
}
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
void exportAnimStrip(App& app) {
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
