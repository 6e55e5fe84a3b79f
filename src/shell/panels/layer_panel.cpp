#include "shell/panels/layer_panel.h"

#include "document/document_ops.h"
#include "shell/app.h"
#include "shell/ids.h"

namespace qm {

// The layer operations keep the list sorted by position, so the rows follow it as it is.
void rebuildLayerPanel(App& app) {
    const Document& doc = app.doc;
    const int tree = id(Gadget::LayerTree);
    app.ui.clearGadgetItems(tree);
    for (const Layer& layer : doc.layers) app.ui.addGadgetItem(tree, layer.Name, layer.Groupe);
    // Each row's tick is the layer's visibility.
    for (size_t row = 0; row < doc.layers.size(); ++row)
        app.ui.setGadgetItemChecked(tree, int(row), doc.layers[row].Visible != 0);
    if (const Layer* layer = selectedLayer(doc)) app.ui.setGadgetState(tree, layer->Position - 1);
}

void showLayerProperties(App& app, int row) {
    if (const Layer* layer = layerAtPosition(app.doc, row + 1)) {
        app.ui.setGadgetState(id(Gadget::LayerBlendMode), layer->Blendmode);
        app.ui.setGadgetState(id(Gadget::LayerOpacity), layer->Opacity);
    }
}

}  // namespace qm
