#include "shell/file_commands.h"

#include "shell/brush_commands.h"

#include "shell/app.h"
#include "shell/panels.h"

namespace qm {

// The preset commands; each gives the focus back to the canvas, as every file command does when
// it ends. The image commands are in shell/image_commands.cpp, Open and Save in
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
// The roughboard's commands are in shell/roughboard.cpp.

}  // namespace qm
