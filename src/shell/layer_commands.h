// The layer operations as the menu and the layer panel call them: each changes the document,
// keeps the current-layer mirror and the panel in step, and redraws.
#pragma once

namespace qm {

struct App;

void addLayerCommand(App& app);
void deleteLayerCommand(App& app);
void copyLayerCommand(App& app);
void addGroupCommand(App& app);
// Panel rows: row r is the layer at Position r + 1.
void selectLayerRow(App& app, int row);
void setLayerVisibility(App& app, int row, bool visible);
void renameLayerRow(App& app, int row);
void setLayerOpacity(App& app, int opacity);
void setLayerBlendMode(App& app, int mode);
// direction 1 = up, 0 = down.
void moveLayer(App& app, int direction);
// quality 0 smooth, 1 nearest pixel; mode 0 image size, 1 canvas size.
void resizeLayers(App& app, int quality, int mode);
// The panel's layer tree from the layer list.
void rebuildLayerPanel(App& app);
// The blend-mode combo and opacity track bar show the layer of `row`.
void showLayerProperties(App& app, int row);

}  // namespace qm
