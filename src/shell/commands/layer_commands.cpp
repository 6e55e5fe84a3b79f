#include "shell/commands/layer_commands.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "document/blend_modes.h"
#include "document/document_ops.h"
#include "document/layer_ops.h"
#include "raster/image_ops.h"
#include "raster/rounding.h"
#include "shell/app.h"
#include "shell/commands/frame_commands.h"
#include "shell/edits.h"
#include "shell/paint_target.h"
#include "shell/panels/layer_panel.h"
#include "shell/panels/timeline.h"
#include "shell/settings/dictionary.h"
#include "shell/view/paper.h"
#include "shell/view/view.h"

namespace qm {

namespace {

MoveDrag moveDrag(App& app) {
    return {app.moveDragging, app.moveStartX, app.moveStartY};
}

void unableToCreateImage(App& app) {
    app.ui.messageBox(Text(app.dictionary, "error"), Text(app.dictionary, "UnableToCreateImage"));
}

// A document-size work image made anew, transparent; an unchanged size keeps the image.
bool recreateWorkImage(App& app, TiledImage& image) {
    auto fresh = TiledImage::create(app.doc.Width, app.doc.Height);
    if (!fresh) return false;
    image = std::move(*fresh);
    return true;
}

}  // namespace

void addLayerCommand(App& app) {
    ScopedEdit edit(app, "New Layer");
    app.history.structure(app.doc);
    addLayer(app.doc, app.viewState.CurrentFrame);
}

void deleteLayerCommand(App& app) {
    ScopedEdit edit(app, "Delete Layer");
    app.history.structure(app.doc);
    Layer removed;
    // The layer's image stays with the step, so undoing the delete brings it back whole.
    if (deleteSelectedLayer(app.doc, &removed))
        app.history.keepImage(removed.id, std::move(removed.image));
}

void addGroupCommand(App& app) {
    ScopedEdit edit(app, "New Group");
    app.history.structure(app.doc);
    addGroup(app.doc, app.viewState.CurrentFrame);
}

void copyLayerCommand(App& app) {
    ScopedEdit edit(app, "Copy Layer");
    app.history.structure(app.doc);
    copySelectedLayer(app.doc);
}

void selectLayerRow(App& app, int row) {
    if (selectLayerRow(app.doc, row)) showLayerProperties(app, row);
    if (app.doc.paintsAnimation) {  // a layer chosen: layers are painted again
        app.doc.paintsAnimation = 0;
        redrawAnimationLayerList(app);
        refreshStatusBar(app);
    }
    refreshStatusNote(app);
}

void setLayerVisibility(App& app, int row, bool visible) {
    const Layer* layer = layerAtPosition(app.doc, row + 1);
    if (!layer || (layer->Visible != 0) == visible) return;
    ScopedEdit edit(app, visible ? "Show Layer" : "Hide Layer");
    app.history.structure(app.doc);
    setLayerVisible(app.doc, row, visible);
}

void renameLayerRow(App& app, int row) {
    const Layer* layer = layerAtPosition(app.doc, row + 1);
    if (!layer) return;
    // The box starts with the current name, to be edited rather than typed again.
    const auto name = app.ui.inputText(Text(app.dictionary, "Modify"),
                                       Text(app.dictionary, "Name of the Layer"), layer->Name);
    if (!name || name->empty() || *name == layerAtPosition(app.doc, row + 1)->Name) return;
    ScopedEdit edit(app, "Rename Layer");
    app.history.structure(app.doc);
    renameLayer(app.doc, row, *name);
}

void setLayerOpacity(App& app, int opacity) {
    const Layer* layer = selectedLayer(app.doc);
    if (!layer || layer->Opacity == std::clamp(opacity, 0, 255)) return;
    // A drag of the opacity bar is one step, however many values it passes through: changes of
    // one layer's opacity less than a second apart join the step before; a later change of the
    // same layer is a step of its own.
    const int64_t now = app.ui.clockMilliseconds();
    const bool sameDrag = now - app.lastOpacityChange < 1000;
    app.lastOpacityChange = now;
    ScopedEdit edit(app, "Layer Opacity",
                    "opacity " + std::to_string(layer->id) + " " +
                        std::to_string(sameDrag ? app.opacityDrag : ++app.opacityDrag));
    app.history.structure(app.doc);
    setSelectedOpacity(app.doc, opacity);
}

void setLayerBlendMode(App& app, int mode) {
    const Layer* layer = selectedLayer(app.doc);
    if (!layer || mode < 0 || mode >= kBlendModeCount || layer->Blendmode == mode) return;
    ScopedEdit edit(app, "Blend Mode");
    app.history.structure(app.doc);
    setSelectedBlendmode(app.doc, mode);
}

void moveLayer(App& app, int direction) {
    ScopedEdit edit(app, "Move Layer");
    app.history.structure(app.doc);
    moveSelectedLayer(app.doc, direction);
}

void moveToolDrag(App& app, int x, int y, bool release) {
    if (paintsAnimation(app.doc)) return moveDrawingDrag(app, x, y, release);
    // The drag is part of the edit its press opened: the layer's place before the drag is kept
    // once, and the whole drag is one step.
    ScopedEdit edit(app, "Move");
    if (release) {
        endLayerDrag(moveDrag(app));
    } else {
        // The layer's offset is in document pixels: it moves by the pointer's travel since the
        // press at the zoom, so the pixel taken stays under the pointer.
        const double zoom = app.viewState.Zoom > 0 ? app.viewState.Zoom : 100;
        const auto travel = [zoom](int v, int press) {
            return int(std::clamp<int64_t>(roundHalfAway((double(v) - press) * 100.0 / zoom),
                                           INT32_MIN / 2, INT32_MAX / 2));
        };
        app.history.structure(app.doc);
        dragSelectedLayer(app.doc, moveDrag(app), travel(x, app.brush.pressX),
                          travel(y, app.brush.pressY), 0, 0);
    }
}

void resizeDocument(App& app, int width, int height, int quality, int mode) {
    Document& doc = app.doc;
    ScopedEdit edit(app, mode == 0 ? "Image Size" : "Canvas Size");
    app.history.structure(doc);
    const int oldWidth = doc.Width, oldHeight = doc.Height;
    doc.Width = int16_t(width);
    doc.Height = int16_t(height);
    bool complete = fitPaperToDocument(app);
    if (mode == 0) {
        // Work image 2 keeps its content, scaled; 3 starts afresh.
        std::optional<Image> scaled;
        if (!app.workImage2.empty()) {
            const Image whole = app.workImage2.toImage();
            scaled = quality == 1 ? resizeNearest(whole, doc.Width, doc.Height)
                                  : resizeSmooth(whole, doc.Width, doc.Height);
        }
        if (scaled) {
            app.workImage2.assign(*scaled);
        } else {
            complete = recreateWorkImage(app, app.workImage2) && complete;
        }
    }
    // Image 3 is the reference of the view size and the zoom limits, so it follows the document
    // in both modes.
    complete = recreateWorkImage(app, app.workImage3) && complete;
    for (Layer& layer : doc.layers) {
        if (layer.IsGroup || layer.image.empty()) continue;
        if (std::optional<Image> resized =
                resizedLayerImage(doc, layer, oldWidth, oldHeight, quality, mode)) {
            TiledImage tiled;
            tiled.assign(*resized);
            app.history.replaceImage(doc, layer.id, std::move(tiled));
            // The image size scales the picture: the layer's place and size go with it.
            if (mode == 0) scaleLayerPlacement(layer, oldWidth, oldHeight, width, height);
        } else {
            complete = false;
        }
    }
    if (const TiledImage* current = currentImage(doc); mode == 1 && current)
        app.workImage4 = *current;
    if (!complete) unableToCreateImage(app);
}

}  // namespace qm
