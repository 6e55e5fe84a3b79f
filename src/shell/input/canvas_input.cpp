// The canvas control's events: the interaction state machine that links the pointer and the
// keys to the tools, the view and the brush size.
#include <algorithm>
#include <cstdint>

#include "document/document_ops.h"
#include "shell/app.h"
#include "shell/commands/brush_commands.h"
#include "shell/commands/tool_commands.h"
#include "shell/commands/tool_table.h"
#include "shell/commands/zoom_commands.h"
#include "shell/edits.h"
#include "shell/events.h"
#include "shell/ids.h"
#include "shell/input/pen_input.h"
#include "shell/menu_table.h"
#include "shell/panels/navigator.h"
#include "shell/panels/view_position.h"
#include "shell/view/view.h"

namespace qm {

namespace {

// The pointer position the event stands for: Shift alone keeps a drag on the vertical line
// through its press, Alt alone on the horizontal line.
void trackPointer(App& app, const CanvasEvent& e) {
    const bool move = e.type == CanvasEventType::Move;
    app.MouseX = move && e.shift && !e.ctrl && !e.alt ? app.dragCanvasX : e.x;
    app.MouseY = move && e.alt && !e.ctrl && !e.shift ? app.dragCanvasY : e.y;
}

// Brush-size steps of the size keys: finer for small sizes.
int sizeStep(int size) {
    if (size <= 20) return 1;
    if (size <= 60) return 2;
    if (size <= 150) return 5;
    if (size <= 500) return 10;
    if (size <= 2000) return 50;
    return 100;
}

int grownSize(int size) {
    return size > 8091 ? size : size + sizeStep(size);
}
int shrunkSize(int size) {
    return size < 3 ? size : size - sizeStep(size);
}

void setBrushSize(App& app, int size) {
    app.brush.size = int16_t(size);
    app.ui.setGadgetState(id(Gadget::BrushSizeTrack), app.brush.size);
    app.ui.setGadgetState(id(Gadget::BrushSize), app.brush.size);
    rebuildBrushTip(app);  // records the size and redraws the preview; no tip is made yet
}

int pointX(const App& app) {
    return app.MouseX - app.ViewOffsetX;
}
int pointY(const App& app) {
    return app.MouseY - app.ViewOffsetY;
}

void leftDown(App& app) {
    app.LeftDown = true;
    app.StrokeActive = true;
    const ToolRow& tool = currentToolRow(app);
    // The hand, the zoom and the picker act on the press alone.
    if (!tool.opensStroke) {
        if (tool.press) tool.press(app, pointX(app), pointY(app));
        return;
    }
    if (app.Panning) return;
    if (app.TempPickMode == 2) {
        pickColourAtPointer(app);
        return;
    }
    app.StartX = pointX(app);
    app.StartY = pointY(app);
    app.brush.pressX = int16_t(app.StartX);
    app.brush.pressY = int16_t(app.StartY);
    app.LastX = int16_t(app.MouseX);
    app.LastY = int16_t(app.MouseY);
    if (app.TempPickMode == 0) {
        // Everything from the press to the release is one step.
        if (!app.strokeEdit) {
            beginEdit(app, "Stroke");
            app.strokeEdit = true;
        }
        applyToolAtPoint(app, pointX(app), pointY(app), ToolEvent::Down);
    }
}

void endStrokeEdit(App& app) {
    if (!app.strokeEdit) return;
    app.strokeEdit = false;
    commitEdit(app);
}

void pointerMoved(App& app, const CanvasEvent& e) {
    const ToolRow& tool = currentToolRow(app);
    if (app.Panning) {
        panTo(app);
        redrawNavigator(app);
    } else if (shapeDragUnderway(app)) {
        // Control during a shape drag constrains the shape instead of picking colours.
        if (e.leftHeld && app.LeftDown) {
            applyToolAtPoint(app, pointX(app), pointY(app), ToolEvent::Move);
            app.LastX = int16_t(app.MouseX);
            app.LastY = int16_t(app.MouseY);
        }
    } else if (app.TempPickMode == 2) {
        if (app.StrokeActive) pickColourAtPointer(app);
    } else if (!tool.opensStroke && tool.move) {
        tool.move(app, pointX(app), pointY(app));  // the picker
    } else if (e.leftHeld) {
        if (app.brush.mixing >= 1) sampleMixingColour(app, pointX(app), pointY(app));
        if (app.LeftDown) {
            applyToolAtPoint(app, pointX(app), pointY(app), ToolEvent::Move);
            app.LastX = int16_t(app.MouseX);
            app.LastY = int16_t(app.MouseY);
        }
    }
}

void leftUp(App& app) {
    const ToolRow& tool = currentToolRow(app);
    if (!tool.opensStroke) {
        if (tool.release) tool.release(app, pointX(app), pointY(app));
    } else if (!app.Panning && (app.TempPickMode == 0 || shapeDragUnderway(app))) {
        applyToolAtPoint(app, pointX(app), pointY(app), ToolEvent::Up);
        applyZoom(app);
        redrawNavigator(app);
    }
    cancelShapePreview(app);  // a drag the release did not finish (the layer was hidden)
    app.LeftDown = false;
    if (app.StrokeActive) {
        if (tool.finish) tool.finish(app, pointX(app), pointY(app));
        app.StrokeActive = false;
        app.brush.strokeAlpha = 255.0;
        app.brush.strokeSizeFactor = 100.0;
        refreshStatusBar(app);
    }
    endStrokeEdit(app);
}

// The keys of Undo and Redo in the accelerator table (Ctrl+Z, Ctrl+Shift+Z, Ctrl+Y), for key
// events that reach the canvas (scripts; in the window the accelerators take them first). They
// are read before the key latch, which the Control key itself has just set.
bool historyKey(App& app, const CanvasEvent& e) {
    for (const Accelerator& a : acceleratorTable()) {
        if (a.id != id(Cmd::Undo) && a.id != id(Cmd::Redo)) continue;
        if (a.key != e.key || a.ctrl != e.ctrl || a.shift != e.shift || a.alt != e.alt) continue;
        a.id == id(Cmd::Undo) ? undoCommand(app) : redoCommand(app);
        return true;
    }
    return false;
}

void pressControl(App& app) {
    app.ZoomDirection = -1;
    if (!app.Panning) app.TempPickMode = 2;
}

// True when the key is one the canvas handles (the latch is then set).
bool keyDown(App& app, int key) {
    switch (key) {
        case vk::Control:
            pressControl(app);
            return true;
        case vk::Space:
            app.tools.spaceHeld = true;
            app.ui.setCursor(CursorShape::Hand);
            app.dragCanvasX = app.MouseX;
            app.dragCanvasY = app.MouseY;
            startPan(app);
            return true;
        case vk::OemClose:
            setBrushSize(app, grownSize(app.brush.size));
            return true;
        case vk::OemTilde:
            setBrushSize(app, shrunkSize(app.brush.size));
            return true;
        case vk::Add:
            setZoomAndApply(app, app.viewState.Zoom + 10);
            return true;
        case vk::Subtract:
            setZoomAndApply(app, app.viewState.Zoom - 10);
            return true;
        default:
            break;
    }
    // The tools' keys.
    const ToolRow* tool = toolOfKey(key);
    if (!tool) return false;
    selectTool(app, *tool);
    highlightToolButton(app, tool->tool);
    return true;
}

void keyUp(App& app, int key) {
    app.iface.KeyLatch = 0;
    if (key == vk::Space) {
        app.tools.spaceHeld = false;
        app.ui.setCursor(CursorShape::Cross);
        endPan(app);
    } else if (key == vk::Control) {
        app.ZoomDirection = 1;
        app.TempPickMode = 0;
    }
}

// Control as a pointer event reports it. A press or release the canvas did not see (the release
// of a Ctrl shortcut goes to the dialog the shortcut opened) is caught up on here, so the
// temporary picker lasts exactly as long as Control is held.
void followControl(App& app, bool held) {
    const bool known = app.ZoomDirection < 0;  // -1 exactly while Control is held
    if (held == known) return;
    if (held)
        pressControl(app);
    else
        keyUp(app, vk::Control);
}

// The canvas lost the keyboard: the releases of the keys held now go elsewhere, so they are
// taken as released.
void forgetHeldKeys(App& app) {
    if (app.ZoomDirection < 0 || app.TempPickMode != 0) keyUp(app, vk::Control);
    if (app.tools.spaceHeld) keyUp(app, vk::Space);
    app.iface.KeyLatch = 0;
}

// The wheel has its own clamp (5 .. 800000 / the larger side, within the 16-bit Zoom) and its
// own size check.
void wheel(App& app, int notches) {
    const int zoom = std::clamp(app.viewState.Zoom + 5 * std::clamp(notches, -100000, 100000), 5,
                                std::clamp(maxZoom(app), 5, int(INT16_MAX)));
    app.viewState.Zoom = int16_t(zoom);
    const int64_t w = int64_t(app.workImage3.width) * (zoom / 100);
    const int64_t h = int64_t(app.workImage3.height) * (zoom / 100);
    if (w < 8000 && h < 8000) applyZoom(app);
}

void canvasEvent(App& app, const CanvasEvent& e) {
    if (e.type == CanvasEventType::FocusOut) return forgetHeldKeys(app);
    trackPointer(app, e);
    notePenSample(app, e);
    if (e.type == CanvasEventType::LeftDown || e.type == CanvasEventType::Move ||
        e.type == CanvasEventType::LeftUp) {
        followControl(app, e.ctrl);
        app.tools.ctrlHeld = e.ctrl || app.TempPickMode == 2;
    }
    switch (e.type) {
        case CanvasEventType::LeftDown:
            app.dragCanvasX = e.x;
            app.dragCanvasY = e.y;
            return leftDown(app);
        case CanvasEventType::Move:
            return pointerMoved(app, e);
        case CanvasEventType::LeftUp:
            leftUp(app);
            return endPenEvent(app, e);
        case CanvasEventType::KeyDown:
            if (historyKey(app, e)) return;
            if (!app.iface.KeyLatch && keyDown(app, e.key)) app.iface.KeyLatch = 1;
            return;
        case CanvasEventType::KeyUp:
            return keyUp(app, e.key);
        case CanvasEventType::Wheel:
            return wheel(app, e.wheel);
        case CanvasEventType::FocusOut:
            return;
    }
}

}  // namespace

void onCanvasEvent(App& app, const CanvasEvent& e) {
    runGuarded(app, [&] { canvasEvent(app, e); });
}

void onCanvasResized(App& app) {
    followCanvasSize(app);
}

}  // namespace qm
