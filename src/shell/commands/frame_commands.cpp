#include "shell/commands/frame_commands.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>

#include "document/animation_frames.h"
#include "document/document_ops.h"
#include "document/frame_ops.h"
#include "raster/rounding.h"
#include "shell/app.h"
#include "shell/edits.h"
#include "shell/ids.h"
#include "shell/panels/navigator.h"
#include "shell/panels/panels.h"
#include "shell/panels/timeline.h"
#include "shell/settings/dictionary.h"
#include "shell/view/canvas_frame.h"
#include "shell/view/view.h"

namespace qm {

namespace {

// What follows a change of the current frame alone (not an edit, so no commit shows it).
void showFrame(App& app) {
    recomposeView(app, false);
    redrawTimeline(app);
    refreshAnimationPanel(app);
    redrawNavigator(app);
    refreshStatusBar(app);
}

using Move = bool (*)(Document&, ViewState&, std::string_view);
using Edit = bool (*)(Document&, const ViewState&, History&, std::string_view);

bool nextFrameOf(Document& doc, ViewState& view, std::string_view) {
    return nextFrame(doc, view);
}
bool previousFrameOf(Document& doc, ViewState& view, std::string_view) {
    return previousFrame(doc, view);
}

struct FrameCommand {
    Cmd command;
    Move move = nullptr;  // moves through frames: not an edit
    Edit edit = nullptr;  // one undo step
    const char* label = "";
};

constexpr FrameCommand kFrameCommands[] = {
    {Cmd::NextFrame, nextFrameOf},
    {Cmd::PreviousFrame, previousFrameOf},
    {Cmd::NextDrawing, nextDrawing},
    {Cmd::PreviousDrawing, previousDrawing},
    {Cmd::NewBlankDrawing, nullptr, newBlankDrawing, "New Drawing"},
    {Cmd::CopyDrawing, nullptr, copyShownDrawing, "Copy Drawing"},
    {Cmd::HoldLonger, nullptr, holdLonger, "Hold Longer"},
    {Cmd::HoldShorter, nullptr, holdShorter, "Hold Shorter"},
    {Cmd::InsertFrame, nullptr, insertFrame, "Insert Frame"},
    {Cmd::RemoveFrame, nullptr, removeFrame, "Remove Frame"},
    {Cmd::DeleteDrawing, nullptr, deleteShownDrawing, "Delete Drawing"},
};

const FrameCommand* frameCommandOf(int commandId) {
    const auto* row =
        std::find_if(std::begin(kFrameCommands), std::end(kFrameCommands),
                     [&](const FrameCommand& c) { return id(c.command) == commandId; });
    return row == std::end(kFrameCommands) ? nullptr : row;
}

// A status-bar note (field 3) until the next refresh.
void note(App& app, const std::string& text) {
    if (app.iface.statusBar) app.ui.setStatusText(3, text);
}

// The animation layer whose row holds y on the timeline (the list's rows), or "".
std::string layerAtRow(const Document& doc, int y) {
    for (const auto& [key, layer] : doc.animationLayers) {
        const int top = layer.Order * kTimelineCellHeight + 20;
        if (y >= top && y < top + kTimelineCellHeight) return key;
    }
    return {};
}

}  // namespace

bool isFrameCommand(int commandId) {
    return frameCommandOf(commandId) != nullptr;
}

void frameCommand(App& app, int commandId) {
    const FrameCommand* c = frameCommandOf(commandId);
    if (!c) return;
    const std::string key = currentAnimationLayerKey(app.doc);
    if (c->move) {
        if (c->move(app.doc, app.viewState, key)) showFrame(app);
        return focusCanvas(app);
    }
    bool done = false;
    {
        // The commit shows the change: canvas, timeline, spins, list and navigator.
        ScopedEdit edit(app, c->label);
        done = c->edit(app.doc, app.viewState, app.history, key);
    }
    refreshStatusBar(app);
    // A refused command (no drawing shown, one starting there already, the last frame reached)
    // says so instead of doing nothing without a word.
    if (!done)
        note(app, fillIn(Text(app.dictionary, "FrameUnchanged"),
                         {std::to_string(app.viewState.CurrentFrame)}));
    focusCanvas(app);
}

void moveDrawingDrag(App& app, int x, int y, bool release) {
    ScopedEdit edit(app, "Move");
    if (release) {
        app.moveDragging = false;
        return;
    }
    Document& doc = app.doc;
    const auto found = doc.animationLayers.find(currentAnimationLayerKey(doc));
    if (found == doc.animationLayers.end()) return;
    AnimationLayer& layer = found->second;
    const auto shown = shownDrawing(layer, app.viewState.CurrentFrame);
    if (!shown) return;
    // The drawing's frames move together; the last one (drawn on top) leads.
    const auto top = std::find_if(layer.Frames.rbegin(), layer.Frames.rend(),
                                  [&](const AnimationFrame& f) { return f.Frame == shown->start; });
    if (!app.moveDragging) {
        app.moveDragging = true;
        app.moveStartX = top->X;
        app.moveStartY = top->Y;
        app.history.animation(doc, app.viewState);
    }
    // Frames are shown unscaled: a view pixel of travel is a pixel of the drawing.
    const auto clampTo16 = [](int64_t v) { return int16_t(std::clamp<int64_t>(v, -32768, 32767)); };
    const int dx = clampTo16(int64_t(app.moveStartX) + x - app.brush.pressX) - top->X;
    const int dy = clampTo16(int64_t(app.moveStartY) + y - app.brush.pressY) - top->Y;
    if (dx == 0 && dy == 0) return;
    for (AnimationFrame& f : layer.Frames) {
        if (f.Frame != shown->start) continue;
        f.X = clampTo16(int64_t(f.X) + dx);
        f.Y = clampTo16(int64_t(f.Y) + dy);
    }
}

bool timelineDrawingDrag(App& app, const TimelineDragEvent& e) {
    using T = TimelineDragStep;
    TimelineState& t = app.timeline;
    Document& doc = app.doc;
    const int frame = timelineFrameAt(e.x, app.iface.frameCellWidth);
    if (e.step == T::Press && e.alt && !e.shift) {
        t.drawingDrag = false;
        const std::string key = layerAtRow(doc, e.y);
        if (key.empty() || !frameOccupied(doc.animationLayers.at(key), frame)) return true;
        t.drawingDrag = true;
        t.dragLayer = key;
        t.dragFrom = frame;
        t.dragCopy = e.ctrl;
        return true;
    }
    if (!t.drawingDrag || (e.step != T::Move && e.step != T::Release)) return false;
    if (e.step == T::Move) return true;  // the drop decides; the row stays as it is meanwhile
    t.drawingDrag = false;
    const auto found = doc.animationLayers.find(t.dragLayer);
    if (found == doc.animationLayers.end()) return true;
    const auto source = shownDrawing(found->second, t.dragFrom);
    if (!source || frame == t.dragFrom) return true;
    // The drawing moves by the drag's travel: the frame grabbed lands under the release.
    const int to = source->start + frame - t.dragFrom;
    const auto there = shownDrawing(found->second, to);
    // A move may land on its own frames; a copy may not.
    if (there && (t.dragCopy || there->start != source->start)) {
        note(app, fillIn(Text(app.dictionary, "FrameOccupied"), {std::to_string(to)}));
        return true;
    }
    bool done = false;
    {
        ScopedEdit edit(app, t.dragCopy ? "Copy Drawing" : "Move Drawing");
        done = t.dragCopy
                   ? copyDrawing(doc, app.viewState, app.history, t.dragLayer, t.dragFrom, to)
                   : moveDrawing(doc, app.viewState, app.history, t.dragLayer, t.dragFrom, to);
    }
    if (!done) note(app, fillIn(Text(app.dictionary, "DrawingNotMoved"), {std::to_string(to)}));
    return true;
}

}  // namespace qm
