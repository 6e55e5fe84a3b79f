// The preset commands: a preset loaded from the tree, the brush saved as a preset. Each gives
// the keyboard focus back to the canvas.
#pragma once

namespace qm {

struct App;

// Loads the preset of the selected tree item (a group item opens nothing), then shows the
// settings in every brush control whatever happened.
void loadSelectedPreset(App& app);
// mode 0: saves under a name chosen with a requester; 1: over the selected tree item.
void saveBrushPreset(App& app, int mode);

}  // namespace qm
