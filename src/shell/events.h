// The shell's ways in, as the window calls them: the event records of the canvas and of the
// controls, start-up and shut-down, the menu, control, canvas and close events, and the idle
// pass of the main loop. They are defined in shell/input/.
#pragma once

namespace qm {

struct App;

// Canvas events, in canvas-control pixels.
// FocusOut: the canvas lost the keyboard focus (a dialog or another window took it).
enum class CanvasEventType { LeftDown, LeftUp, Move, KeyDown, KeyUp, Wheel, FocusOut };

struct CanvasEvent {
    CanvasEventType type = CanvasEventType::Move;
    int x = 0, y = 0;
    bool shift = false, ctrl = false, alt = false;  // as this event reports them
    int key = 0;            // virtual key code (0x11 Control, 0x20 Space, 0x42 "B", ...)
    int wheel = 0;          // notches, positive away from the user
    bool leftHeld = false;  // the left button is held (moves only)
    // Pen input (presses, moves and releases). A mouse leaves these as they are: pressure 1,
    // no tilt, whole pixels, never the eraser.
    bool pen = false;             // a pen sample: pressure and tilt are the device's
    double subX = 0, subY = 0;    // the pointer is at x + subX, y + subY (each within -0.5..0.5)
    double pressure = 1.0;        // 0..1
    double tiltX = 0, tiltY = 0;  // degrees, -90..90, as in PenSample
    bool hasTilt = false;         // the device reports its tilt
    double time = 0;              // milliseconds, from the device; only differences count
    bool eraser = false;          // the pen's eraser end touches the tablet
};

// What happened to a control (gadget). "Change" is the usual event of spins, track bars,
// combos, check boxes and text fields; buttons send "Click".
enum class ControlEventType {
    Change,
    Click,
    LeftDown,
    LeftUp,
    LeftDoubleClick,
    RightDown,
    RightUp,
    MiddleDown,
    Move
};

struct ControlEvent {
    int gadget = 0;
    ControlEventType type = ControlEventType::Change;
    int x = 0, y = 0;  // pointer inside the control, for canvases
    bool shift = false, ctrl = false, alt = false;
    bool leftHeld = false, rightHeld = false, middleHeld = false;
};

// Start-up up to the main loop: preferences, work images, the default document. Returns false
// after a fatal failure (already shown to the user); the caller then ends without writing the
// preferences.
bool startUp(App& app);
// After the loop: writes the preferences.
void shutDown(App& app);

void onMenuCommand(App& app, int commandId);
void onControlEvent(App& app, const ControlEvent& event);
void onCanvasEvent(App& app, const CanvasEvent& event);
// The canvas control changed size: the view keeps the document point at its centre and redraws.
void onCanvasResized(App& app);
// A close request of window `window` (0 = the main window).
void onCloseWindow(App& app, int window);
// One pass of the loop without an event: the playback step and the pointer readout
// ("Mouse : x/y", -1/-1 outside the client area).
void idlePass(App& app, int pointerX, int pointerY);
// How long the loop may wait for events before the next idle pass is due (a playback frame, an
// automatic recovery copy): milliseconds, 0 for at once, -1 when nothing is due until an event
// arrives. The loop sleeps otherwise, so an idle program costs nothing.
int idleWaitMs(const App& app);

}  // namespace qm
