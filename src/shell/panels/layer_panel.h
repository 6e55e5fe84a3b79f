// The layer panel: the layer tree and the current layer's blend mode and opacity.
#pragma once

namespace qm {

struct App;

// The panel's layer tree from the layer list, the current layer's row selected. It only reads
// the document.
void rebuildLayerPanel(App& app);
// The blend-mode combo and opacity track bar show the layer of `row`.
void showLayerProperties(App& app, int row);

}  // namespace qm
