// The layer operations as the menu, the layer panel and the move tool call them: each changes
// the document (document/layer_ops.h), keeps the panel in step and redraws.
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
// Asks "Modify" / "Name of the Layer", starting from the layer's name; an empty, unchanged or
// cancelled answer changes nothing.
void renameLayerRow(App& app, int row);
void setLayerOpacity(App& app, int opacity);
void setLayerBlendMode(App& app, int mode);
// direction 1 = up, 0 = down; the first row up and the last row down are refused.
void moveLayer(App& app, int direction);
// The move tool at (x, y), view pixels relative to the view origin: while the button is held
// the selected layer's offset follows the pointer from the press; `release` ends the drag.
void moveToolDrag(App& app, int x, int y, bool release);
// The document's Width and Height become width x height (a size documentSizeAllowed accepts),
// as one edit: quality 0 smooth, 1 nearest pixel; mode 0 image size (layers scaled), 1 canvas
// size (layers laid at their offset). The paper and the document-size work images follow the
// new size.
void resizeDocument(App& app, int width, int height, int quality, int mode);

}  // namespace qm
