#include "shell/view/canvas_frame.h"

#include "document/compositing.h"
#include "document/document_ops.h"
#include "shell/app.h"
#include "shell/view/layer_preview.h"

namespace qm {

namespace {

// The inputs of the compositor as the App holds them.
CanvasScene sceneOf(App& app) {
    const GridSettings grid{app.prefs.grid != 0, app.prefs.gridW, app.prefs.gridH,
                            app.prefs.gridColor};
    CanvasScene scene{app.doc,         app.view,          app.paperView9, app.ViewOffsetX,
                      app.ViewOffsetY, app.prefs.ColorBG, grid,           activeLayerPreview(app)};
    // The onion skin shows on the canvas, never while playing.
    if (!app.playback.running) scene.onion = onionSkinOf(app.doc, app.viewState);
    scene.zoom = app.viewState.Zoom;
    scene.currentFrame = app.viewState.CurrentFrame;
    return scene;
}

// Makes the canvas image the size of the control; false when that size cannot be drawn.
bool fitCanvasImage(App& app) {
    const int cw = app.iface.canvasWidth, ch = app.iface.canvasHeight;
    if (!imageSizeAllowed(cw, ch)) return false;
    if (app.canvasImage.width != cw || app.canvasImage.height != ch) {
        auto image = createImage(cw, ch, 32);
        if (!image) return false;
        app.canvasImage = std::move(*image);
    }
    return true;
}

}  // namespace

void updateCanvasSize(App& app) {
    const UiSize size = app.ui.canvasSize();
    app.iface.canvasWidth = size.width;
    app.iface.canvasHeight = size.height;
}

void rebuildDisplayImage(App& app, const Layer& layer) {
    rebuildDisplay(layer, app.view);
}

void rebuildAllDisplayImages(App& app) {
    resetDisplays(app.doc.layers, app.viewState.Zoom, app.view);
}

void recomposeView(App& app, bool rebuild) {
    updateCanvasSize(app);
    Document& doc = app.doc;
    if (rebuild) {
        for (const Layer& layer : doc.layers)
            if (layer.Selected || app.prefs.ScreenRealTime) rebuildDisplayImage(app, layer);
    }
    if (!fitCanvasImage(app)) return;
    Image& canvas = app.canvasImage;
    composeCanvas(canvas, sceneOf(app), Rect{0, 0, canvas.width, canvas.height});
    app.ui.presentCanvas(canvas);
}

void recomposeRegion(App& app, const Rect& canvasRect) {
    updateCanvasSize(app);
    Image& canvas = app.canvasImage;
    // A control that changed size needs the whole frame anew.
    if (canvas.width != app.iface.canvasWidth || canvas.height != app.iface.canvasHeight) {
        recomposeView(app, false);
        return;
    }
    const Rect drawn = composeCanvas(canvas, sceneOf(app), canvasRect);
    if (drawn.empty()) return;
    app.ui.presentCanvasPart(canvas, drawn);
}

OnionSkin onionSkinOf(const Document& doc, const ViewState& view) {
    const auto found = doc.animationLayers.find(currentAnimationLayerKey(doc));
    if (found == doc.animationLayers.end()) return {};
    return {&found->second, view.OnionBefore, view.OnionAfter};
}

}  // namespace qm
