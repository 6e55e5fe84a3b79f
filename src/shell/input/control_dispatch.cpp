// Control events of the main window's panels and of the dialog windows. Brush rows and dialog
// controls have tables of their own; the rest is dispatched here. A control without a handler
// gives the keyboard focus back to the canvas.
#include <algorithm>
#include <cmath>

#include "document/document_ops.h"
#include "raster/rounding.h"
#include "shell/app.h"
#include "shell/brush_commands.h"
#include "shell/brush_controls.h"
#include "shell/canvas_frame.h"
#include "shell/edits.h"
#include "shell/dialogs.h"
#include "shell/file_commands.h"
#include "shell/ids.h"
#include "shell/layer_commands.h"
#include "shell/panels.h"
#include "shell/paper_commands.h"
#include "shell/roughboard.h"
#include "shell/swatch.h"
#include "shell/timeline.h"
#include "shell/tool_commands.h"

namespace qm {

namespace {

bool isToolButton(int gadget) {
    return gadget >= code(Tool::Brush) && gadget <= code(Tool::Move) &&
           gadget != code(Tool::RadialSpeedLine) && gadget != code(Tool::StraightSpeedLine);
}

void toolButton(App& app, int gadget) {
    highlightToolButton(app, gadget);
    if (gadget == code(Tool::Eraser)) {
        app.CurrentTool = uint8_t(Tool::Brush);
        app.brush.tool = 2;
        return;
    }
    app.CurrentTool = uint8_t(gadget);
    if (gadget == code(Tool::Brush)) app.brush.tool = 0;
}

void clearButton(App& app) {
    clearCurrentLayer(app);
    highlightToolButton(app, code(Tool::Brush));
    app.CurrentTool = uint8_t(Tool::Brush);
    app.brush.tool = 0;
}

// The largest value of the frame spins.
constexpr int kLastFrameSpin = 10000;
// An onion-skin spin: the count of frames drawn before or after the current one.
void onionSpin(App& app, Gadget gadget, uint8_t Document::*count) {
    const int state = app.ui.gadgetState(id(gadget));
    const int kept = std::clamp(state, 0, kMostOnionFrames);
    if (kept != state) app.ui.setGadgetState(id(gadget), kept);
    app.doc.*count = uint8_t(kept);
    recomposeView(app, false);
}

void foregroundSwatch(App& app) {
    // A cancelled requester answers the colour it was given, and colour changed runs with it:
    // the paint colour returns to the selected colour (undoing what mixing had done to it).
    const uint32_t chosen = app.ui.colorRequester(app.brush.selectedColor).value_or(app.brush.selectedColor);
    app.iface.foregroundActive = 1;
    app.brush.selectedColor = (chosen & 0xFFFFFFu) | (uint32_t(app.brush.alpha) << 24);
    colorChanged(app, false);
    focusCanvas(app);
}

void backgroundSwatch(App& app) {
    const auto chosen = app.ui.colorRequester(app.iface.backgroundColor);
    app.iface.foregroundActive = 0;
    if (chosen)
        app.iface.backgroundColor =
            (*chosen & 0xFFFFFFu) | (app.iface.backgroundColor & 0xFF000000u);
    refreshBackgroundPreview(app);
}

// The timeline: the frame whose cell is under the pointer.
int16_t timelineFrame(const App& app, int x) {
    return timelineFrameAt(x, app.iface.frameCellWidth);
}

// A press sets one marker; a move with buttons held moves the marker of each held button, so
// a drag with two buttons moves two markers. The left button moves the current frame (the
// start of the range with Ctrl alone), the right the end, the middle the start.
void timelineEvent(App& app, const ControlEvent& e) {
    using T = ControlEventType;
    const bool moving = e.type == T::Move;
    const bool left = e.type == T::LeftDown || (moving && e.leftHeld);
    const bool right = e.type == T::RightDown || (moving && e.rightHeld);
    const bool middle = e.type == T::MiddleDown || (moving && e.middleHeld);
    if (!left && !right && !middle) return;
    Document& doc = app.doc;
    const int16_t frame = timelineFrame(app, e.x);
    if (left && e.ctrl && !e.shift && !e.alt) {
        doc.FrameStart = frame;
    } else if (left) {
        doc.CurrentFrame = frame;
        recomposeView(app, false);
    }
    if (right) doc.FrameEnd = frame;
    if (middle) doc.FrameStart = frame;
    redrawTimeline(app);
    refreshPanelControls(app);
}

void animationLayerListEvent(App& app, const ControlEvent& e) {
    int op = -1;
    if (e.type == ControlEventType::LeftDown) op = 0;
    if (e.type == ControlEventType::LeftDoubleClick) op = 1;
    if (e.type == ControlEventType::Move && e.leftHeld) op = 2;
    if (op < 0) return;
    animationLayerListInput(app, e.x, e.y, op);
    redrawAnimationLayerList(app);
}

void addFrame(App& app) {
    const auto found = app.doc.animationLayers.find(currentAnimationLayerKey(app.doc));
    if (found != app.doc.animationLayers.end() &&
        std::any_of(found->second.Frames.begin(), found->second.Frames.end(),
                    [&](auto& f) { return f.Frame == app.doc.CurrentFrame; }))
        return;
    // The frame and its layer are one step.
    ScopedEdit edit(app, "New Frame");
    app.history.animation(app.doc);
    if (addAnimationFrame(app.doc)) addLayerCommand(app);
}

void layerTreeEvent(App& app, const ControlEvent& e) {
    const int row = app.ui.gadgetState(id(Gadget::LayerTree));
    selectLayerRow(app, row);
    // A tick that no longer matches its layer is the user hiding or showing it.
    if (e.type == ControlEventType::Change)
        setLayerVisibility(app, row, app.ui.gadgetItemChecked(id(Gadget::LayerTree), row));
    if (e.type == ControlEventType::LeftDoubleClick) renameLayerRow(app, row);
    focusCanvas(app);
}

void panelEvent(App& app, const ControlEvent& e) {
    const int state = app.ui.gadgetState(e.gadget);
    switch (static_cast<Gadget>(e.gadget)) {
        case Gadget::ColorSwatch:
        case Gadget::ColorForeground:
            return foregroundSwatch(app);
        case Gadget::ColorBackground:
            return backgroundSwatch(app);
        case Gadget::ToolClear:
            return clearButton(app);
        case Gadget::AddnewLayer:
            return addLayerCommand(app);
        case Gadget::DelLayer:
            return deleteLayerCommand(app);
        case Gadget::AddGroup:
            return addGroupCommand(app);
        case Gadget::LayerTree:
            return layerTreeEvent(app, e);
        case Gadget::LayerBlendMode:
            setLayerBlendMode(app, state);
            return focusCanvas(app);
        case Gadget::LayerOpacity:
            setLayerOpacity(app, state);
            return focusCanvas(app);
        case Gadget::MoveLayerTop:
            return moveLayer(app, 1);
        case Gadget::MoveLayerBottom:
            return moveLayer(app, 0);
        case Gadget::PresetTree:
            return loadBrushPresetFromTree(app);
        case Gadget::LoadPreset:
            return reloadPresetTree(app);
        case Gadget::ExportPreset:
            return exportBrushPreset(app, 0);
        case Gadget::SavePreset:
            return exportBrushPreset(app, 1);
        case Gadget::PaperNext:
            return choosePaperVariant(app, 1);
        case Gadget::PaperPrevious:
            return choosePaperVariant(app, -1);
        case Gadget::ColorBG:
            return chooseCanvasBackground(app);
        case Gadget::NavigatorMode:  // three modes
            app.NavigatorMode = uint8_t(std::clamp(state, 0, 2));
            redrawNavigator(app);
            return focusCanvas(app);
        case Gadget::GradientAlpha:  // track bar 0-255
            app.iface.backgroundColor = (app.iface.backgroundColor & 0xFFFFFFu) |
                                        (uint32_t(std::clamp(state, 0, 255)) << 24);
            return;
        case Gadget::SaveRoughBoard:
            return saveRoughboard(app);
        case Gadget::OpenRoughBoard:
            return openRoughboard(app);
        case Gadget::NewRoughBoard:
            return newRoughboard(app);
        case Gadget::Roughboard:
            return roughboardInput(app, e);
        case Gadget::Swatch:
            return swatchInput(app, e);
        case Gadget::NewSwatch:
            return newSwatch(app);
        case Gadget::OpenSwatch:
            return openSwatch(app);
        case Gadget::SaveSwatch:
            return saveSwatch(app);
        case Gadget::ColorStrip:
        case Gadget::ColorSquare:
            return colorPickerInput(app, e);
        case Gadget::Navigator:
            return navigatorInput(app, e);
        case Gadget::Timeline:
            return timelineEvent(app, e);
        case Gadget::AnimationLayerList:
            return animationLayerListEvent(app, e);
        case Gadget::AddLayerAnim:
            return showLayerKindPopup(app);
        case Gadget::AddFrame:
            return addFrame(app);
        case Gadget::DelFrame:
            return deleteFrameCommand(app);
        case Gadget::DelLayerAnim:
            return deleteAnimationLayerCommand(app);
        // The frame spins run 0-10000; a state beyond (a script's) is kept within.
        case Gadget::FrameEnd:
            app.doc.FrameEnd = int16_t(std::clamp(state, 0, kLastFrameSpin));
            return redrawTimeline(app);
        case Gadget::FrameStart:
            app.doc.FrameStart = int16_t(std::clamp(state, 0, kLastFrameSpin));
            return redrawTimeline(app);
        case Gadget::CurrentFrame:
            app.doc.CurrentFrame = int16_t(std::clamp(state, 0, kLastFrameSpin));
            recomposeView(app, false);
            return redrawTimeline(app);
        case Gadget::OnionBefore:
            return onionSpin(app, Gadget::OnionBefore, &Document::OnionBefore);
        case Gadget::OnionAfter:
            return onionSpin(app, Gadget::OnionAfter, &Document::OnionAfter);
        case Gadget::AnimationOptions:
            return openAnimationOptionsDialog(app);
        case Gadget::LoopAnimation:
            app.prefs.AnimationLoop = uint8_t(state);
            return;
        case Gadget::Pause:
            app.prefs.playback = 0;
            return app.ui.setGadgetState(id(Gadget::Play), 0);
        case Gadget::Play:
            app.PlayStartFrame = app.doc.CurrentFrame;
            app.prefs.playback = 1;
            return;
        case Gadget::Stop:
            app.prefs.playback = -1;
            return app.ui.setGadgetState(id(Gadget::Play), 0);
        default:
            if (isToolButton(e.gadget)) return toolButton(app, e.gadget);
            return focusCanvas(app);
    }
}

void controlEvent(App& app, const ControlEvent& event) {
    if (handleDialogControl(app, event)) return;
    if (handleBrushControl(app, event)) return refreshBrushEditor(app);
    panelEvent(app, event);
}

}  // namespace

void onControlEvent(App& app, const ControlEvent& event) {
    runGuarded(app, [&] { controlEvent(app, event); });
}

}  // namespace qm
