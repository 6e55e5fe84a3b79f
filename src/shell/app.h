// The program's state. One App owns every record, the interaction state of the canvas and the
// standing images; it talks to the user only through the Ui port, so it runs the same with real
// widgets or headless. Its ways in (menu commands, control events, canvas events) are in
// shell/events.h.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "brush/brush_settings.h"
#include "brush/brush_tip.h"
#include "brush/stroke.h"
#include "document/compositing.h"
#include "document/document.h"
#include "document/history.h"
#include "document/view_state.h"
#include "platform/random.h"
#include "platform/ui.h"
#include "raster/image.h"
#include "raster/tiled_image.h"
#include "shell/ids.h"
#include "shell/state/navigator_cache.h"
#include "shell/state/pen_state.h"
#include "shell/state/playback_clock.h"
#include "shell/state/preferences.h"
#include "shell/state/recovery_state.h"
#include "shell/state/tileset_state.h"
#include "shell/state/timeline_state.h"
#include "shell/state/tool_state.h"

namespace qm {

struct App {
    explicit App(Ui& ui) : ui(ui) {}
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    Ui& ui;
    std::string workDir = ".";  // data/, presets/ and pref.ini are found here
    Random random;

    Document doc;
    // How the document is shown: zoom, frame, playback range, onion skins. It is held once,
    // here; the history puts back only the frame fields an animation edit moved.
    ViewState viewState;
    History history;              // every change of the document goes through it (shell/edits.h)
    bool Modified = false;        // changed since it was made, opened or saved
    uint64_t editGeneration = 0;  // counts the changes shown; recovery copies follow it
    std::string documentPath;     // the .qmd it was opened from or last saved to; "" for a new one
    std::string windowTitle;      // the window's title, without the mark of unsaved changes
    // The edit generation at which the user agreed to replace the document from the New dialog;
    // the dialog's OK asks again when the document changed since.
    uint64_t newDocumentAgreed = 0;
    RecoveryState recovery;  // automatic recovery copies (shell/commands/recovery.h)
    ViewCache view;          // the layers at view scale, by layer id
    BrushSettings brush;
    Preferences prefs;
    InterfaceOptions iface;
    std::map<std::string, std::string> dictionary;

    // Interaction state of the canvas.
    bool QuitRequested = false;
    int PlayStartFrame = 1;
    Tool CurrentTool = Tool::Brush;
    uint8_t TempPickMode = 0;
    int8_t ZoomDirection = 1;
    bool StrokeActive = false;
    bool strokeEdit = false;  // the press opened an edit that the release commits
    // Opacity changes of a drag of the bar make one step (Ui clock, milliseconds).
    int64_t lastOpacityChange = INT64_MIN / 2;
    int opacityDrag = 0;
    bool LeftDown = false;
    bool Panning = false;
    int32_t MouseX = 0, MouseY = 0;
    int32_t StartX = 0, StartY = 0;
    uint8_t NavigatorMode = 1;  // "Mode Zoom": the view outlined
    // The colour picker's pick point on the colour square and the square as last built.
    int32_t pickPointX = 128, pickPointY = 0;
    Image colourSquare55;
    // The foreground colour (red, green, blue) the picker last showed: a different one was set
    // elsewhere, and the square follows it.
    uint32_t pickerColour = 0;
    // The swatch (image 53) and the roughboard (image 54), with the roughboard's last painted
    // point while the left button is held on it.
    Image swatch53, roughboard54;
    int32_t roughboardLastX = -1, roughboardLastY = -1;
    int16_t LastX = 0, LastY = 0;
    int16_t ViewOffsetX = 0, ViewOffsetY = 0;
    int32_t PanBaseX = 0, PanBaseY = 0;
    int32_t dragCanvasX = 0, dragCanvasY = 0;  // canvas position of the press that began a drag
    int32_t pointerX = -1, pointerY = -1;      // last "Mouse : x/y" readout (main window)

    // Windows. The main window is 0; dialogs are opened and closed by the shell, which keeps
    // the list so that a close event can close "the active window".
    std::vector<int> openWindows{0};
    int activeWindow = 0;
    // Values the dialogs' fields held when they last changed (read again on OK).
    int newDocWidth = 0, newDocHeight = 0;
    int sizeDialogWidth = 0, sizeDialogHeight = 0, sizeDialogQuality = 0;
    int sizeDialogMode = 0;       // 0 "Image Size", 1 "Canvas Size"
    int brightnessPreview = 150;  // the brightness the layer shows as a preview (150: none)
    // Set by a fatal failure: the run ends at once and the preferences are not written.
    bool fatalEnd = false;
    // pref.ini exists but could not be read at start-up: it is left as it is at the end.
    bool keepPreferencesFile = false;

    // Standing images (numbered as the program refers to them).
    TiledImage workImage2, workImage3, workImage4;
    Image paperImage8, paperView9, paperImage10;
    Image brushPreviewSource13, brushPreview18;
    Image canvasImage;  // the composed canvas control image, as presented

    // --- Compositing, view and paper ---------------------------------------------------
    int32_t paperIndex = 0;     // index of the presets paper last chosen by next/previous
    std::string paperMadeFrom;  // the paper file images 8 to 10 were last made from

    // --- Layer operations (move tool) ---------------------------------------------------
    bool moveDragging = false;
    int16_t moveStartX = 0, moveStartY = 0;

    // --- Brush engine ---------------------------------------------------------------
    BrushTip tip;
    // The preset tree's items in the order shown: {group, preset}, preset "" for a group item.
    std::vector<std::pair<std::string, std::string>> presetItems;

    // --- Stroke painting ----------------------------------------------------------------
    StrokeCache strokeCache;  // rotated tips reused from dab to dab
    PenState pen;             // the pen's last sample and the pen stroke under way

    // --- Other tools and adjustments ------------------------------------------------------
    ToolState tools;
    // --- Image files, animation and tilesets ----------------------------------------------
    int importedFrames = 0;  // frames imported since start-up (not reset by New), up to 1000
    PlaybackClock playback;
    TimelineState timeline;
    TilesetDialog tileset;

    // --- The navigator ------------------------------------------------------------------
    NavigatorCache navigatorCache;  // its samples, kept while their images stay as they are
};

// Whether window `window` is open (the main window always is).
inline bool windowIsOpen(const App& app, int window) {
    return std::find(app.openWindows.begin(), app.openWindows.end(), window) !=
           app.openWindows.end();
}

}  // namespace qm
