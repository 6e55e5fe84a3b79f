#include "shell/layer_commands.h"

#include "document/document_ops.h"
#include "shell/app.h"
#include "shell/canvas_frame.h"
#include "shell/ids.h"

namespace qm {

void rebuildLayerPanel(App& app) {
    const int tree = id(Gadget::LayerTree);
    app.ui.clearGadgetItems(tree);
    for (const Layer& layer : app.doc.layers) app.ui.addGadgetItem(tree, layer.Name, layer.Groupe);
}

void showLayerProperties(App& app, int row) {
    if (const Layer* layer = layerAtPosition(app.doc, row + 1)) {
        app.ui.setGadgetState(id(Gadget::LayerBlendMode), layer->Blendmode);
        app.ui.setGadgetState(id(Gadget::LayerOpacity), layer->Opacity);
    }
}

void addLayerCommand(App& app) {
    if (!addLayer(app.doc)) return;
    showLayerProperties(app, app.doc.layers.back().Position - 1);
    rebuildLayerPanel(app);
    recomposeView(app, false);
}

void selectLayerRow(App& app, int row) {
    Layer* chosen = layerAtPosition(app.doc, row + 1);
    if (!chosen) return;
    for (Layer& layer : app.doc.layers) layer.Selected = &layer == chosen ? 1 : 0;
    syncCurrentLayer(app.doc);
    showLayerProperties(app, row);
}

void setLayerVisibility(App& app, int row, bool visible) {
    if (Layer* layer = layerAtPosition(app.doc, row + 1)) {
        layer->Visible = visible ? 1 : 0;
        syncCurrentLayer(app.doc);
        recomposeView(app, false);
    }
}

void renameLayerRow(App& app, int row) {
    Layer* layer = layerAtPosition(app.doc, row + 1);
    if (!layer) return;
    const auto name = app.ui.inputText("Modify", "Name of the Layer", "");
    if (!name || name->empty()) return;
    layer->Name = *name;
    rebuildLayerPanel(app);
}

void setLayerOpacity(App& app, int opacity) {
    if (Layer* layer = selectedLayer(app.doc)) {
        layer->Opacity = uint8_t(opacity);
        recomposeView(app, false);
    }
}

void setLayerBlendMode(App& app, int mode) {
    if (Layer* layer = selectedLayer(app.doc); layer && mode >= 0 && mode <= 14) {
        layer->Blendmode = uint8_t(mode);
        recomposeView(app, false);
    }
}

// The remaining operations of the layer stack arrive with the layer operations.
void deleteLayerCommand(App&) {}
void copyLayerCommand(App&) {}
void addGroupCommand(App&) {}
void moveLayer(App&, int) {}
void resizeLayers(App&, int, int) {}

}  // namespace qm
