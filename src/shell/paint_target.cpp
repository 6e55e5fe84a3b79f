#include "shell/paint_target.h"

#include <algorithm>

#include "document/animation_frames.h"
#include "document/document_ops.h"
#include "document/frame_ops.h"
#include "shell/app.h"

namespace qm {

namespace {

NewDrawingMode newDrawingMode(const App& app) {
    return NewDrawingMode(std::min<int>(app.prefs.AnimNewDrawing, 2));
}

PaintTarget layerTarget(App& app) {
    Layer* layer = currentLayer(app.doc);
    if (!layer) return {};
    const int zoom = app.viewState.Zoom > 0 ? app.viewState.Zoom : 100;
    return PaintTarget{layer->id, false, &layer->image,      layer->X,
                       layer->Y,  zoom,  layer->image.width, layer->image.height};
}

PaintTarget frameTarget(AnimationFrame& frame) {
    return PaintTarget{frame.id, true, &frame.image,      frame.X,
                       frame.Y,  100,  frame.image.width, frame.image.height};
}

// The frame that painting at CurrentFrame would go into without making anything, or null.
AnimationFrame* shownFrameToPaint(App& app, const std::string& key) {
    Document& doc = app.doc;
    AnimationLayer& layer = doc.animationLayers.at(key);
    const auto shown = shownDrawing(layer, app.viewState.CurrentFrame);
    if (!shown) return nullptr;
    if (shown->start != app.viewState.CurrentFrame &&
        newDrawingMode(app) != NewDrawingMode::PaintHeld)
        return nullptr;
    // The last frame of the drawing is painted (it is drawn on top), as drawingToPaint gives it.
    for (auto it = layer.Frames.rbegin(); it != layer.Frames.rend(); ++it)
        if (it->Frame == shown->start) return &*it;
    return nullptr;
}

}  // namespace

bool paintsAnimation(const Document& doc) {
    return doc.paintsAnimation != 0 &&
           doc.animationLayers.count(currentAnimationLayerKey(doc)) != 0;
}

std::string paintedAnimationKey(const Document& doc) {
    return paintsAnimation(doc) ? currentAnimationLayerKey(doc) : std::string();
}

PaintTarget paintTarget(App& app, bool make) {
    const std::string key = paintedAnimationKey(app.doc);
    if (key.empty()) return layerTarget(app);
    AnimationFrame* frame =
        make ? drawingToPaint(app.doc, app.viewState, app.history, key, newDrawingMode(app))
             : shownFrameToPaint(app, key);
    if (frame) return frameTarget(*frame);
    PaintTarget none;
    none.frame = true;
    none.width = app.doc.Width;
    none.height = app.doc.Height;
    return none;
}

TiledImage* targetImage(App& app, const PaintTarget& target) {
    if (target.frame) {
        AnimationFrame* frame = target.id != 0 ? frameById(app.doc, target.id) : nullptr;
        return frame ? &frame->image : nullptr;
    }
    Layer* layer = layerById(app.doc, target.id);
    return layer ? &layer->image : nullptr;
}

void touchTarget(App& app, const PaintTarget& target, const Rect& rect) {
    if (target.frame)
        app.history.touchFramePixels(app.doc, target.id, rect);
    else
        app.history.touchPixels(app.doc, target.id, rect);
}

bool paintTargetVisible(const App& app) {
    return paintsAnimation(app.doc) || currentVisible(app.doc) != 0;
}

}  // namespace qm
