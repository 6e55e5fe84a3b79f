#include "shell/layer_commands.h"

#include <string>

#include "document/document_ops.h"
#include "document/layer_ops.h"
#include "raster/image_ops.h"
#include "shell/app.h"
#include "shell/canvas_frame.h"
#include "shell/dictionary.h"
#include "shell/ids.h"
#include "shell/paper_commands.h"

namespace qm {

namespace {

MoveDrag moveDrag(App& app) {
    return {app.moveDragging, app.moveStartX, app.moveStartY};
}

// The panel shows the properties of the layer that is current after a structural change.
void showSelectedProperties(App& app) {
    if (const Layer* layer = selectedLayer(app.doc)) showLayerProperties(app, layer->Position - 1);
}

void unableToCreateImage(App& app) {
    app.ui.messageBox(Text(app.dictionary, "error"), Text(app.dictionary, "UnableToCreateImage"));
}

// A document-size work image made anew, transparent; an unchanged size keeps the image.
bool recreateWorkImage(App& app, Image& image) {
    auto fresh = createImage(app.doc.Width, app.doc.Height, 32);
    if (!fresh) return false;
    image = std::move(*fresh);
    return true;
}

}  // namespace

void rebuildLayerPanel(App& app) {
    sortLayers(app.doc);
    const int tree = id(Gadget::LayerTree);
    app.ui.clearGadgetItems(tree);
    for (const Layer& layer : app.doc.layers) app.ui.addGadgetItem(tree, layer.Name, layer.Groupe);
    if (const Layer* layer = selectedLayer(app.doc))
        app.ui.setGadgetState(tree, layer->Position - 1);
}

void showLayerProperties(App& app, int row) {
    if (const Layer* layer = layerAtPosition(app.doc, row + 1)) {
        app.ui.setGadgetState(id(Gadget::LayerBlendMode), layer->Blendmode);
        app.ui.setGadgetState(id(Gadget::LayerOpacity), layer->Opacity);
    }
}

void addLayerCommand(App& app) {
    if (!addLayer(app.doc)) return;
    showSelectedProperties(app);
    rebuildLayerPanel(app);
    recomposeView(app, false);
}

void deleteLayerCommand(App& app) {
    if (!deleteSelectedLayer(app.doc)) return;
    showSelectedProperties(app);
    rebuildLayerPanel(app);
    recomposeView(app, false);
}

void addGroupCommand(App& app) {
    if (!addGroup(app.doc)) return;
    showSelectedProperties(app);
    rebuildLayerPanel(app);
    recomposeView(app, false);
}

void copyLayerCommand(App& app) {
    if (!copySelectedLayer(app.doc)) return;
    showSelectedProperties(app);
    rebuildLayerPanel(app);
    // The copy's display image takes its opacity and backdrop in the rebuild.
    recomposeView(app, true);
}

void selectLayerRow(App& app, int row) {
    if (selectLayerRow(app.doc, row)) showLayerProperties(app, row);
}

void setLayerVisibility(App& app, int row, bool visible) {
    if (setLayerVisible(app.doc, row, visible)) recomposeView(app, false);
}

void renameLayerRow(App& app, int row) {
    if (!layerAtPosition(app.doc, row + 1)) return;
    const auto name = app.ui.inputText("Modify", "Name of the Layer", "");
    if (name && renameLayer(app.doc, row, *name)) rebuildLayerPanel(app);
}

void setLayerOpacity(App& app, int opacity) {
    if (setSelectedOpacity(app.doc, opacity)) recomposeView(app, true);
}

void setLayerBlendMode(App& app, int mode) {
    if (setSelectedBlendmode(app.doc, mode)) recomposeView(app, true);
}

void moveLayer(App& app, int direction) {
    if (!moveSelectedLayer(app.doc, direction)) return;
    rebuildLayerPanel(app);
    recomposeView(app, false);
}

void moveToolDrag(App& app, int x, int y, bool release) {
    if (release) {
        endLayerDrag(moveDrag(app));
    } else {
        dragSelectedLayer(app.doc, moveDrag(app), x, y, app.brush.pressX, app.brush.pressY);
    }
    recomposeView(app, false);
}

void resizeLayers(App& app, int quality, int mode) {
    Document& doc = app.doc;
    bool complete = fitPaperToDocument(app);
    if (mode == 0) {
        // Work image 2 keeps its content, scaled; 3 starts afresh.
        std::optional<Image> scaled;
        if (!app.workImage2.empty())
            scaled = quality == 1 ? resizeNearest(app.workImage2, doc.Width, doc.Height)
                                  : resizeSmooth(app.workImage2, doc.Width, doc.Height);
        if (scaled) {
            app.workImage2 = std::move(*scaled);
        } else {
            complete = recreateWorkImage(app, app.workImage2) && complete;
        }
    }
    // Image 3 is the reference of the view size and the zoom limits, so it follows the document
    // in both modes.
    complete = recreateWorkImage(app, app.workImage3) && complete;
    complete = resizeLayerImages(doc, quality, mode) == 0 && complete;
    if (mode == 1 && doc.CurrentImage) app.workImage4 = *doc.CurrentImage;
    rebuildAllDisplayImages(app);
    syncCurrentLayer(doc);
    if (!complete) unableToCreateImage(app);
}

}  // namespace qm
