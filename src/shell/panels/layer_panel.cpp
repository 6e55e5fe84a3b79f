#include "shell/panels/layer_panel.h"

#include "document/document_ops.h"
#include "document/layer_ops.h"
#include "shell/app.h"
#include "shell/ids.h"

namespace qm {

void rebuildLayerPanel(App& app) {
    sortLayers(app.doc);
    const int tree = id(Gadget::LayerTree);
    app.ui.clearGadgetItems(tree);
    for (const Layer& layer : app.doc.layers) app.ui.addGadgetItem(tree, layer.Name, layer.Groupe);
    // Each row's tick is the layer's visibility.
    for (size_t row = 0; row < app.doc.layers.size(); ++row)
        app.ui.setGadgetItemChecked(tree, int(row), app.doc.layers[row].Visible != 0);
    if (const Layer* layer = selectedLayer(app.doc))
        app.ui.setGadgetState(tree, layer->Position - 1);
}

void showLayerProperties(App& app, int row) {
    if (const Layer* layer = layerAtPosition(app.doc, row + 1)) {
        app.ui.setGadgetState(id(Gadget::LayerBlendMode), layer->Blendmode);
        app.ui.setGadgetState(id(Gadget::LayerOpacity), layer->Opacity);
    }
}

}  // namespace qm
