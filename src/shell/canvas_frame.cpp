#include "shell/canvas_frame.h"

#include "document/document_ops.h"
#include "raster/draw_image.h"
#include "raster/image_ops.h"
#include "raster/shapes.h"
#include "shell/app.h"

namespace qm {

namespace {

// The view size of work image 3 (the document size), when a view image of that size may be
// built: within 1..7999 on both sides.
bool viewSize(const App& app, int& w, int& h) {
    w = displaySize(app.workImage3.width, app.doc.Zoom);
    h = displaySize(app.workImage3.height, app.doc.Zoom);
    return w > 0 && h > 0 && w < 8000 && h < 8000;
}

}  // namespace

void updateCanvasSize(App& app) {
    const UiSize size = app.ui.canvasSize();
    app.iface.canvasWidth = size.width;
    app.iface.canvasHeight = size.height;
}

void rebuildDisplayImage(App& app, Layer& layer) {
    int w = 0, h = 0;
    if (layer.IsGroup || layer.image.empty() || !viewSize(app, w, h)) return;
    if (w == layer.image.width && h == layer.image.height) {
        layer.displayImage = layer.image;
    } else if (auto scaled = resizeNearest(layer.image, w, h)) {
        layer.displayImage = std::move(*scaled);
    }
}

bool buildPaperImages(App& app) {
    auto paper = createImage(app.doc.Width, app.doc.Height, 32);
    if (!paper) return false;
    fillBox(*paper, 0, 0, paper->width, paper->height,
            solidPaint(rgba(255, 255, 255, 255), DrawMode::AllChannels));
    app.paperImage8 = *paper;
    app.paperImage10 = std::move(*paper);
    int w = 0, h = 0;
    if (viewSize(app, w, h) && (w != app.paperImage8.width || h != app.paperImage8.height)) {
        if (auto scaled = resizeNearest(app.paperImage8, w, h)) app.paperView9 = std::move(*scaled);
    } else {
        app.paperView9 = app.paperImage8;
    }
    return true;
}

void recomposeView(App& app, bool rebuild) {
    updateCanvasSize(app);
    const int cw = app.iface.canvasWidth, ch = app.iface.canvasHeight;
    if (!imageSizeAllowed(cw, ch)) return;
    if (app.canvasImage.width != cw || app.canvasImage.height != ch) {
        auto image = createImage(cw, ch, 32);
        if (!image) return;
        app.canvasImage = std::move(*image);
    }
    Document& doc = app.doc;
    if (rebuild) {
        for (Layer& layer : doc.layers)
            if (layer.Selected || app.prefs.ScreenRealTime) rebuildDisplayImage(app, layer);
        syncCurrentLayer(doc);
    }

    Image& canvas = app.canvasImage;
    const int ox = app.ViewOffsetX, oy = app.ViewOffsetY;
    // The control is opaque: the background colour is drawn whatever its alpha byte says.
    fillBox(canvas, 0, 0, cw, ch,
            solidPaint(app.prefs.ColorBG | 0xFF000000u, DrawMode::AllChannels));
    drawImage(canvas, app.paperView9, ox, oy, DrawMode::AlphaBlend, 255);
    for (const auto& [key, animationLayer] : doc.animationLayers)
        for (const AnimationFrame& frame : animationLayer.Frames)
            if (frame.Frame == doc.CurrentFrame)
                drawImage(canvas, frame.image, ox + frame.X, oy + frame.Y, DrawMode::AlphaBlend,
                          animationLayer.Alpha);
    for (const Layer& layer : doc.layers)
        if (layer.Visible && !layer.IsGroup)
            drawImage(canvas, layer.displayImage, ox + layer.X, oy + layer.Y, DrawMode::AlphaBlend,
                      layer.Opacity);
    app.ui.presentCanvas(canvas);
}

void recomposeRegion(App& app, const Rect&) {
    // Until the compositor recomposes rectangles of its own, the whole frame is redrawn.
    recomposeView(app, false);
}

}  // namespace qm
