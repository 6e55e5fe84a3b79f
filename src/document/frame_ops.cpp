#include "document/frame_ops.h"

#include <algorithm>
#include <climits>
#include <new>
#include <string>
#include <vector>

namespace qm {

namespace {

AnimationLayer* layerOf(Document& doc, std::string_view key) {
    const auto found = doc.animationLayers.find(std::string(key));
    return found == doc.animationLayers.end() ? nullptr : &found->second;
}

// The last frame of the document's timeline.
int lastFrame(const Document& doc) {
    return std::clamp<int>(doc.FrameTotal, 1, kLastFrameNumber);
}

bool inRange(const Document& doc, int frame) {
    return frame >= 1 && frame <= lastFrame(doc);
}

uint32_t takeFrameId(Document& doc) {
    if (doc.nextFrameId == 0) doc.nextFrameId = 1;  // 0 names no frame
    return doc.nextFrameId++;
}

void setHold(AnimationLayer& layer, int start, int hold) {
    for (AnimationFrame& f : layer.Frames)
        if (f.Frame == start) f.Hold = int16_t(hold);
}

// Frames of drawings starting after `after` move by `by` frames.
void shiftAfter(AnimationLayer& layer, int after, int by) {
    for (AnimationFrame& f : layer.Frames)
        if (f.Frame > after) f.Frame = int16_t(f.Frame + by);
}

// Whether every drawing starting after `after` still ends within the timeline when moved
// `by` frames right.
bool laterFit(const Document& doc, const AnimationLayer& layer, int after, int by) {
    for (const Drawing& d : drawingsOf(layer))
        if (d.start > after && d.end() + by > lastFrame(doc)) return false;
    return true;
}

// The first drawing start after `frame`, ignoring the drawing at `except`; INT_MAX for none.
int nextStartAfter(const AnimationLayer& layer, int frame, int except) {
    int next = INT_MAX;
    for (const AnimationFrame& f : layer.Frames)
        if (f.Frame > frame && f.Frame != except) next = std::min<int>(next, f.Frame);
    return next;
}

// Whether a drawing other than the one starting at `except` shows at `frame`.
bool occupiedByAnother(const AnimationLayer& layer, int frame, int except) {
    const auto shown = shownDrawing(layer, frame);
    return shown && shown->start != except;
}

// Takes the drawing starting at `start` out of the layer; its images go to the history.
void removeDrawing(AnimationLayer& layer, History& history, int start) {
    for (AnimationFrame& f : layer.Frames)
        if (f.Frame == start) history.keepFrameImage(f.id, std::move(f.image));
    std::erase_if(layer.Frames, [&](const AnimationFrame& f) { return f.Frame == start; });
}

// Copies of the frames of the drawing at `start`, placed at `to` with `hold`; empty when
// memory runs out.
std::vector<AnimationFrame> copiesOf(const AnimationLayer& layer, int start, int to, int hold) {
    std::vector<AnimationFrame> copies;
    try {
        for (const AnimationFrame& f : layer.Frames) {
            if (f.Frame != start) continue;
            AnimationFrame copy;
            copy.X = f.X;
            copy.Y = f.Y;
            copy.image = f.image;
            copy.Frame = int16_t(to);
            copy.Hold = int16_t(hold);
            copies.push_back(std::move(copy));
        }
    } catch (const std::bad_alloc&) {
        copies.clear();
    }
    return copies;
}

// Puts new frames into the layer, each with a new id.
void addFrames(Document& doc, AnimationLayer& layer, std::vector<AnimationFrame> frames) {
    for (AnimationFrame& f : frames) {
        f.id = takeFrameId(doc);
        layer.Frames.push_back(std::move(f));
    }
}

// The frame painting goes into: the last frame of the drawing at `start` (drawn on top).
AnimationFrame* topFrame(Document& doc, AnimationLayer& layer, int start) {
    for (auto it = layer.Frames.rbegin(); it != layer.Frames.rend(); ++it) {
        if (it->Frame != start) continue;
        if (it->id == 0) it->id = takeFrameId(doc);
        return &*it;
    }
    return nullptr;
}

}  // namespace

bool nextFrame(const Document& doc, ViewState& view) {
    if (view.CurrentFrame >= lastFrame(doc)) return false;
    view.CurrentFrame = int16_t(std::max(view.CurrentFrame + 1, 1));
    return true;
}

bool previousFrame(const Document& doc, ViewState& view) {
    if (view.CurrentFrame <= 1) return false;
    view.CurrentFrame = int16_t(std::min(view.CurrentFrame - 1, lastFrame(doc)));
    return true;
}

bool nextDrawing(Document& doc, ViewState& view, std::string_view key) {
    const AnimationLayer* layer = layerOf(doc, key);
    if (!layer) return false;
    for (const Drawing& d : drawingsOf(*layer)) {
        if (d.start <= view.CurrentFrame || !inRange(doc, d.start)) continue;
        view.CurrentFrame = int16_t(d.start);
        return true;
    }
    return false;
}

bool previousDrawing(Document& doc, ViewState& view, std::string_view key) {
    const AnimationLayer* layer = layerOf(doc, key);
    if (!layer) return false;
    const auto shown = shownDrawing(*layer, view.CurrentFrame);
    const int before = shown ? shown->start : view.CurrentFrame;
    const std::vector<Drawing> drawings = drawingsOf(*layer);
    for (auto d = drawings.rbegin(); d != drawings.rend(); ++d) {
        if (d->start >= before || !inRange(doc, d->start)) continue;
        view.CurrentFrame = int16_t(d->start);
        return true;
    }
    return false;
}

bool newBlankDrawing(Document& doc, const ViewState& view, History& history, std::string_view key) {
    AnimationLayer* layer = layerOf(doc, key);
    const int f = view.CurrentFrame;
    if (!layer || !inRange(doc, f)) return false;
    const auto shown = shownDrawing(*layer, f);
    if (shown && shown->start == f) return false;
    auto image = TiledImage::create(doc.Width, doc.Height);
    if (!image) return false;
    std::vector<AnimationFrame> frames(1);
    frames[0].image = std::move(*image);
    frames[0].Frame = int16_t(f);
    frames[0].Hold = int16_t(shown ? shown->end() - f + 1 : 1);
    history.animation(doc, view);
    if (shown) setHold(*layer, shown->start, f - shown->start);
    addFrames(doc, *layer, std::move(frames));
    return true;
}

bool copyShownDrawing(Document& doc, const ViewState& view, History& history,
                      std::string_view key) {
    AnimationLayer* layer = layerOf(doc, key);
    const int f = view.CurrentFrame;
    if (!layer || !inRange(doc, f)) return false;
    const auto shown = shownDrawing(*layer, f);
    if (!shown || shown->start == f) return false;
    std::vector<AnimationFrame> copies = copiesOf(*layer, shown->start, f, shown->end() - f + 1);
    if (copies.empty()) return false;
    history.animation(doc, view);
    setHold(*layer, shown->start, f - shown->start);
    addFrames(doc, *layer, std::move(copies));
    return true;
}

bool holdLonger(Document& doc, const ViewState& view, History& history, std::string_view key) {
    AnimationLayer* layer = layerOf(doc, key);
    if (!layer) return false;
    const auto shown = shownDrawing(*layer, view.CurrentFrame);
    if (!shown || shown->end() + 1 > lastFrame(doc) || !laterFit(doc, *layer, shown->start, 1))
        return false;
    history.animation(doc, view);
    shiftAfter(*layer, shown->start, 1);
    setHold(*layer, shown->start, shown->hold + 1);
    return true;
}

bool holdShorter(Document& doc, const ViewState& view, History& history, std::string_view key) {
    AnimationLayer* layer = layerOf(doc, key);
    if (!layer) return false;
    const auto shown = shownDrawing(*layer, view.CurrentFrame);
    if (!shown || shown->hold <= 1) return false;
    history.animation(doc, view);
    setHold(*layer, shown->start, shown->hold - 1);
    shiftAfter(*layer, shown->start, -1);
    return true;
}

bool insertFrame(Document& doc, const ViewState& view, History& history, std::string_view key) {
    AnimationLayer* layer = layerOf(doc, key);
    const int f = view.CurrentFrame;
    if (!layer || !inRange(doc, f)) return false;
    const auto shown = shownDrawing(*layer, f);
    const bool longer = shown && shown->start < f;
    const bool moves = std::any_of(layer->Frames.begin(), layer->Frames.end(),
                                   [&](const AnimationFrame& a) { return a.Frame >= f; });
    if (!longer && !moves) return false;
    if ((longer && shown->end() + 1 > lastFrame(doc)) || !laterFit(doc, *layer, f - 1, 1))
        return false;
    history.animation(doc, view);
    shiftAfter(*layer, f - 1, 1);
    if (longer) setHold(*layer, shown->start, shown->hold + 1);
    return true;
}

bool removeFrame(Document& doc, const ViewState& view, History& history, std::string_view key) {
    AnimationLayer* layer = layerOf(doc, key);
    const int f = view.CurrentFrame;
    if (!layer || !inRange(doc, f)) return false;
    const auto shown = shownDrawing(*layer, f);
    const bool moves = std::any_of(layer->Frames.begin(), layer->Frames.end(),
                                   [&](const AnimationFrame& a) { return a.Frame > f; });
    if (!shown && !moves) return false;
    history.animation(doc, view);
    if (shown && shown->hold > 1)
        setHold(*layer, shown->start, shown->hold - 1);
    else if (shown)
        removeDrawing(*layer, history, shown->start);
    shiftAfter(*layer, f, -1);
    return true;
}

bool deleteShownDrawing(Document& doc, const ViewState& view, History& history,
                        std::string_view key) {
    AnimationLayer* layer = layerOf(doc, key);
    if (!layer) return false;
    const auto shown = shownDrawing(*layer, view.CurrentFrame);
    if (!shown) return false;
    history.animation(doc, view);
    removeDrawing(*layer, history, shown->start);
    return true;
}

bool frameOccupied(const AnimationLayer& layer, int frame) {
    return shownDrawing(layer, frame).has_value();
}

bool moveDrawing(Document& doc, const ViewState& view, History& history, std::string_view key,
                 int from, int to) {
    AnimationLayer* layer = layerOf(doc, key);
    if (!layer || !inRange(doc, to)) return false;
    const auto source = shownDrawing(*layer, from);
    if (!source || source->start == to || occupiedByAnother(*layer, to, source->start))
        return false;
    const int next = nextStartAfter(*layer, to, source->start);
    const int hold = std::min({source->hold, next - to, lastFrame(doc) - to + 1});
    history.animation(doc, view);
    for (AnimationFrame& f : layer->Frames) {
        if (f.Frame != source->start) continue;
        f.Frame = int16_t(to);
        f.Hold = int16_t(hold);
    }
    return true;
}

bool copyDrawing(Document& doc, const ViewState& view, History& history, std::string_view key,
                 int from, int to) {
    AnimationLayer* layer = layerOf(doc, key);
    if (!layer || !inRange(doc, to)) return false;
    const auto source = shownDrawing(*layer, from);
    if (!source || frameOccupied(*layer, to)) return false;
    const int next = nextStartAfter(*layer, to, INT_MIN);
    const int hold = std::min({source->hold, next - to, lastFrame(doc) - to + 1});
    std::vector<AnimationFrame> copies = copiesOf(*layer, source->start, to, hold);
    if (copies.empty()) return false;
    history.animation(doc, view);
    addFrames(doc, *layer, std::move(copies));
    return true;
}

AnimationFrame* drawingToPaint(Document& doc, const ViewState& view, History& history,
                               std::string_view key, NewDrawingMode mode) {
    AnimationLayer* layer = layerOf(doc, key);
    const int f = view.CurrentFrame;
    if (!layer || !inRange(doc, f)) return nullptr;
    const auto shown = shownDrawing(*layer, f);
    if (shown && (shown->start == f || mode == NewDrawingMode::PaintHeld))
        return topFrame(doc, *layer, shown->start);
    const bool made = shown && mode == NewDrawingMode::CopyHeld
                          ? copyShownDrawing(doc, view, history, key)
                          : newBlankDrawing(doc, view, history, key);
    return made ? topFrame(doc, *layer, f) : nullptr;
}

}  // namespace qm
