// Start-up, shut-down and the idle pass of the main loop.
#include "brush/brush_colour.h"
#include "document/document_ops.h"
#include "shell/app.h"
#include "shell/commands/brush_commands.h"
#include "shell/commands/document_commands.h"
#include "shell/commands/recovery.h"
#include "shell/commands/tool_commands.h"
#include "shell/commands/tool_table.h"
#include "shell/events.h"
#include "shell/ids.h"
#include "shell/panels/brush_fields.h"
#include "shell/panels/colour_panel.h"
#include "shell/panels/navigator.h"
#include "shell/panels/panels.h"
#include "shell/panels/playback.h"
#include "shell/panels/preset_panel.h"
#include "shell/panels/timeline.h"
#include "shell/panels/view_position.h"
#include "shell/settings/dictionary.h"
#include "shell/settings/preferences_file.h"
#include "shell/view/canvas_frame.h"
#include "shell/view/paper.h"
#include "shell/view/view.h"

namespace qm {

namespace {

// The work images that live as long as the document's size. The document-size ones fail only for a
// document size the program refuses, which is fatal like the failure of the document reset.
bool createWorkImages(App& app) {
    auto image3 = TiledImage::create(app.doc.Width, app.doc.Height);
    auto image4 = TiledImage::create(app.doc.Width, app.doc.Height);
    if (!documentSizeAllowed(app.doc.Width, app.doc.Height) || !image3 || !image4) return false;
    app.workImage3 = std::move(*image3);
    app.workImage4 = std::move(*image4);
    // The preview source follows the brush size; a size outside the tip range leaves it empty.
    const int size = app.brush.size;
    if (size >= 1 && size <= 5000) {
        if (auto source = createImage(size, size, 32))
            app.brushPreviewSource13 = std::move(*source);
    }
    if (auto preview = createImage(60, 60, 24)) app.brushPreview18 = std::move(*preview);
    refreshBrushPreview(app);
    return fitPaperToDocument(app);
}

void fatal(App& app) {
    app.ui.messageBox(Text(app.dictionary, "error"),
                      Text(app.dictionary, "unable To create the content image"));
    app.fatalEnd = true;
    app.QuitRequested = true;
}

// Opening the main window: the second reading of the preferences and the panel controls. The
// window itself and its furniture are the Ui's.
void openMainWindow(App& app) {
    readPreferences(app);
    loadTimelineImages(app);
    app.tip.tipFolder = app.brush.brushdir;
    updateCanvasSize(app);
    refreshPanelControls(app);
    refreshPresetTree(app);
}

bool initialDocument(App& app) {
    refreshPanelControls(app);
    if (!makeNewDocument(app, app.doc.Width, app.doc.Height)) return false;
    // Without "pref.ini" the paint colour starts as 0, which has alpha 0: the first stroke of a
    // fresh install would paint nothing. The paint colour takes the brush alpha before the tip
    // is built, as it does whenever the colour or the mode changes.
    refreshPaintColour(app.brush);
    rebuildBrushTip(app);
    app.CurrentTool = Tool::Brush;
    app.ui.setMenuChecked(id(Cmd::Grid), app.prefs.grid != 0);
    centerView(app);
    focusCanvas(app);
    setInitialTitle(app);
    refreshStatusBar(app);
    refreshBackgroundPreview(app);
    showPanelImages(app);
    redrawTimeline(app);
    redrawNavigator(app);
    return true;
}

}  // namespace

bool startUp(App& app) {
    app.dictionary.clear();
    app.doc.layers.clear();
    app.doc.animationLayers.clear();
    app.view.display.clear();
    readPreferences(app);
    setStartValues(app);
    if (!createWorkImages(app)) {
        fatal(app);
        return false;
    }
    openMainWindow(app);
    if (!initialDocument(app)) return false;
    app.ui.setMenuChecked(id(Cmd::ShowAnimationPanel), app.iface.animationPanel != 0);
    // The pattern tool does nothing yet: its tool-bar and tool-column buttons are disabled.
    app.ui.setMenuEnabled(id(Cmd::Pattern), false);
    app.ui.enableGadget(id(Gadget::ToolPattern), false);
    selectTool(app, *toolRow(Tool::Brush));
    highlightToolButton(app, Tool::Brush);
    recomposeView(app, false);
    app.ZoomDirection = 1;
    offerRecovery(app);
    return true;
}

void shutDown(App& app) {
    if (!app.fatalEnd) writePreferences(app);
    if (!app.fatalEnd) removeRecoveryCopy(app);
}

void idlePass(App& app, int pointerX, int pointerY) {
    playbackStep(app, app.PlayStartFrame);
    recoveryStep(app);
    app.pointerX = pointerX;
    app.pointerY = pointerY;
    if (app.iface.statusBar)
        app.ui.setStatusText(2, Text(app.dictionary, "Mouse :") + " " + std::to_string(pointerX) +
                                    "/" + std::to_string(pointerY));
}

int idleWaitMs(const App& app) {
    int wait = -1;
    for (const int ms : {playbackWaitMs(app), recoveryWaitMs(app)})
        if (ms >= 0 && (wait < 0 || ms < wait)) wait = ms;
    return wait;
}

}  // namespace qm
