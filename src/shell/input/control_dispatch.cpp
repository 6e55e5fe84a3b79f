// Control events of the main window's panels and of the dialog windows. Brush rows and dialog
// controls have tables of their own; the rest is dispatched here. A control without a handler
// gives the keyboard focus back to the canvas.
#include <algorithm>
#include <cmath>

#include "document/document_ops.h"
#include "raster/rounding.h"
#include "shell/app.h"
#include "shell/commands/animation_commands.h"
#include "shell/commands/brush_commands.h"
#include "shell/commands/layer_commands.h"
#include "shell/commands/paper_commands.h"
#include "shell/commands/preset_commands.h"
#include "shell/commands/sheet_commands.h"
#include "shell/commands/tool_commands.h"
#include "shell/commands/tool_table.h"
#include "shell/edits.h"
#include "shell/events.h"
#include "shell/gadget_table.h"
#include "shell/ids.h"
#include "shell/input/panel_input.h"
#include "shell/menu_table.h"
#include "shell/panels/brush_fields.h"
#include "shell/panels/colour_panel.h"
#include "shell/panels/navigator.h"
#include "shell/panels/panels.h"
#include "shell/panels/preset_panel.h"
#include "shell/panels/timeline.h"
#include "shell/state/preferences.h"
#include "shell/view/canvas_frame.h"
#include "shell/windows/animation_options_dialog.h"
#include "shell/windows/dialog_controls.h"
#include "shell/windows/pressure_curve_editor.h"

namespace qm {

namespace {

// A tool-column button: its tool becomes current and the button shows pressed. The clear
// button clears the layer at once and gives the tool it selects (the brush) back.
void toolButton(App& app, const ToolRow& row) {
    if (row.onSelect) row.onSelect(app);
    highlightToolButton(app, row.onSelect ? row.selects : row.tool);
    app.CurrentTool = row.selects;
    if (row.brushMode >= 0) app.brush.tool = uint8_t(row.brushMode);
}

// An onion-skin spin: the count of frames drawn before or after the current one.
void onionSpin(App& app, Gadget gadget, uint8_t ViewState::*count) {
    app.viewState.*count = uint8_t(keptState(app.ui, gadget));
    recomposeView(app, false);
}

void foregroundSwatch(App& app) {
    // A cancelled requester answers the colour it was given, and colour changed runs with it:
    // the paint colour returns to the selected colour (undoing what mixing had done to it).
    const uint32_t chosen =
        app.ui.colourRequester(app.brush.selectedColor).value_or(app.brush.selectedColor);
    app.iface.foregroundActive = 1;
    app.brush.selectedColor = (chosen & 0xFFFFFFu) | (uint32_t(app.brush.alpha) << 24);
    colourChanged(app, false);
    focusCanvas(app);
}

void backgroundSwatch(App& app) {
    const auto chosen = app.ui.colourRequester(app.iface.backgroundColor);
    app.iface.foregroundActive = 0;
    if (chosen)
        app.iface.backgroundColor =
            (*chosen & 0xFFFFFFu) | (app.iface.backgroundColor & 0xFF000000u);
    refreshBackgroundPreview(app);
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

// Shows popup menu 1 (animation-layer kinds) under the add-layer-kind button and adds an
// animation layer of the kind chosen.
void showLayerKindPopup(App& app) {
    const std::optional<int> chosen = app.ui.popupMenu(1, id(Gadget::AddLayerAnim));
    // Only the popup's own items are acted on, whatever a port answers.
    const auto items = layerKindPopupTable();
    if (chosen && std::any_of(items.begin(), items.end(), [&](const MenuEntry& e) {
            return e.kind == MenuEntry::Kind::Item && e.id == *chosen;
        }))
        onMenuCommand(app, *chosen);
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
            return loadSelectedPreset(app);
        case Gadget::LoadPreset:
            return refreshPresetTree(app);
        case Gadget::ExportPreset:
            return saveBrushPreset(app, 0);
        case Gadget::SavePreset:
            return saveBrushPreset(app, 1);
        case Gadget::PaperNext:
            return choosePaperVariant(app, 1);
        case Gadget::PaperPrevious:
            return choosePaperVariant(app, -1);
        case Gadget::ColorBG:
            return chooseCanvasBackground(app);
        case Gadget::NavigatorMode:
            app.NavigatorMode = uint8_t(keptState(app.ui, Gadget::NavigatorMode));
            redrawNavigator(app);
            return focusCanvas(app);
        case Gadget::GradientAlpha:
            app.iface.backgroundColor = (app.iface.backgroundColor & 0xFFFFFFu) |
                                        (uint32_t(keptState(app.ui, Gadget::GradientAlpha)) << 24);
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
            return addFrameCommand(app);
        case Gadget::DelFrame:
            return deleteFrameCommand(app);
        case Gadget::DelLayerAnim:
            return deleteAnimationLayerCommand(app);
        // A state beyond a spin's range (a script's) is kept within.
        case Gadget::FrameEnd:
            app.viewState.FrameEnd = int16_t(keptState(app.ui, Gadget::FrameEnd));
            return redrawTimeline(app);
        case Gadget::FrameStart:
            app.viewState.FrameStart = int16_t(keptState(app.ui, Gadget::FrameStart));
            return redrawTimeline(app);
        case Gadget::CurrentFrame:
            app.viewState.CurrentFrame = int16_t(keptState(app.ui, Gadget::CurrentFrame));
            recomposeView(app, false);
            return redrawTimeline(app);
        case Gadget::OnionBefore:
            return onionSpin(app, Gadget::OnionBefore, &ViewState::OnionBefore);
        case Gadget::OnionAfter:
            return onionSpin(app, Gadget::OnionAfter, &ViewState::OnionAfter);
        case Gadget::AnimationOptions:
            return openAnimationOptionsDialog(app);
        case Gadget::LoopAnimation:
            app.prefs.AnimationLoop = uint8_t(state);
            return;
        case Gadget::Pause:
            app.prefs.playback = 0;
            return app.ui.setGadgetState(id(Gadget::Play), 0);
        case Gadget::Play:
            app.PlayStartFrame = app.viewState.CurrentFrame;
            app.prefs.playback = 1;
            return;
        case Gadget::Stop:
            app.prefs.playback = -1;
            return app.ui.setGadgetState(id(Gadget::Play), 0);
        default:
            if (const ToolRow* row = toolOfButton(e.gadget)) return toolButton(app, *row);
            return focusCanvas(app);
    }
}

// The pointer on the pressure curve's picture.
CurvePointer curvePointer(const ControlEvent& e) {
    switch (e.type) {
        case ControlEventType::LeftDown:
        case ControlEventType::LeftDoubleClick:
            return CurvePointer::Press;
        case ControlEventType::Move:
            return e.leftHeld ? CurvePointer::Drag : CurvePointer::Other;
        case ControlEventType::LeftUp:
            return CurvePointer::Release;
        case ControlEventType::RightDown:
            return CurvePointer::Remove;
        default:
            return CurvePointer::Other;
    }
}

void controlEvent(App& app, const ControlEvent& event) {
    if (handlePressureCurveControl(app, event.gadget, curvePointer(event), event.x, event.y))
        return;
    if (handleDialogControl(app, event.gadget)) return;
    if (handleBrushControl(app, event.gadget)) return refreshBrushEditor(app);
    panelEvent(app, event);
}

}  // namespace

void onControlEvent(App& app, const ControlEvent& event) {
    runGuarded(app, [&] { controlEvent(app, event); });
}

}  // namespace qm
