// The brush editor (window 5). Its "Brush" tab holds the controls of the tip -- shape, size,
// width, height, rotation, hardness -- on the same BrushSettings fields as the tool-options
// panel: a change in either shows in both.
#pragma once

namespace qm {

struct App;

void openBrushEditor(App& app);
// Handles a control of the editor; false when the gadget is not one of its own.
bool handleBrushEditorControl(App& app, int gadget);

}  // namespace qm
