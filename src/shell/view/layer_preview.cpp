#include "shell/view/layer_preview.h"

#include "document/document_ops.h"
#include "shell/app.h"
#include "shell/ids.h"
#include "shell/state/tool_state.h"

namespace qm {

void dropLayerPreview(App& app) {
    app.tools.layerPreview.reset();
    app.tools.previewView.display.clear();
}

const LayerPreview* activeLayerPreview(App& app) {
    ToolState& t = app.tools;
    if (!t.layerPreview) return nullptr;
    const Layer* layer = layerById(app.doc, t.layerPreview->layerId);
    // The preview lasts while its window is open and its layer is there.
    if (!windowIsOpen(app, id(Window::Brightness)) || !layer) {
        dropLayerPreview(app);
        return nullptr;
    }
    if (t.previewView.zoom != app.view.zoom) {  // zoomed meanwhile: tiles at the new zoom
        t.previewView.zoom = app.view.zoom;
        rebuildDisplay(*layer, t.previewView);
    }
    return &*t.layerPreview;
}

}  // namespace qm
