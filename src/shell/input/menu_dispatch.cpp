// Menu commands: one table from command id to its handler. Ids without an entry (the inert
// items, the blend-mode popup) do nothing.
#include <algorithm>
#include <string>

#include "document/document_ops.h"
#include "platform/paths.h"
#include "shell/adjust_commands.h"
#include "shell/app.h"
#include "shell/brush_commands.h"
#include "shell/canvas_frame.h"
#include "shell/dialogs.h"
#include "shell/dictionary.h"
#include "shell/edits.h"
#include "shell/export_dialog.h"
#include "shell/file_commands.h"
#include "shell/ids.h"
#include "shell/image_commands.h"
#include "shell/layer_commands.h"
#include "shell/panels.h"
#include "shell/paper_commands.h"
#include "shell/quit.h"
#include "shell/tool_commands.h"
#include "shell/view.h"

namespace qm {

namespace {

void notFinished(App& app) {
    app.ui.messageBox("", Text(app.dictionary, "not finished"));
}

// "Update": the version running and where newer ones come from (there is no page to open).
void showUpdateInfo(App& app) {
    auto& d = app.dictionary;
    app.ui.messageBox(Text(d, "msg_update"), app.prefs.programName + " " + app.prefs.version +
                                                 " (" + Text(d, "msg_revision") + " " +
                                                 app.prefs.revision + ")\n\n" +
                                                 Text(d, "msg_updateSource"));
}

// A help file of the working folder, opened with the program the system has for it; a file
// that is not there, or that nothing opens, is said.
void openHelpFile(App& app, const std::string& relative) {
    const std::string path = joinPath(app.workDir, relative);
    auto& d = app.dictionary;
    if (!fileExists(path)) {
        app.ui.messageBox(Text(d, "error"), Text(d, "msg_helpMissing") + " : " + path);
    } else if (!app.ui.openWithShell(resolvePath(path))) {
        app.ui.messageBox(Text(d, "error"), Text(d, "msg_helpNotOpened") + " : " + path);
    }
}

void zoomIn(App& app) {
    if (app.doc.Zoom < 1200) setZoomAndApply(app, app.doc.Zoom + 5);
}
void zoomOut(App& app) {
    if (app.doc.Zoom > 5) setZoomAndApply(app, app.doc.Zoom - 5);
}
template <int Zoom>
void zoomTo(App& app) {
    setZoomAndApply(app, Zoom);
}

void toggleGrid(App& app) {
    app.prefs.grid = app.prefs.grid ? 0 : 1;
    app.ui.setMenuChecked(id(Cmd::Grid), app.prefs.grid != 0);
    recomposeView(app, false);
}

void clearLayer(App& app) {
    clearCurrentLayer(app);
    redrawNavigator(app);
}

void toggleFullscreen(App& app) {
    app.iface.fullscreen = app.iface.fullscreen ? 0 : 1;
    rebuildLayerPanel(app);
    resetTooltips(app);
    recomposeView(app, false);
}

void setWorkSpace(App& app, uint8_t mode) {
    app.iface.Interface = mode;
    rebuildToolPanel(app);
    rebuildToolbar(app);
    resetTooltips(app);
}

void toggleAnimationPanel(App& app) {
    app.iface.animationPanel = app.iface.animationPanel ? 0 : 1;
    app.ui.setMenuChecked(id(Cmd::ShowAnimationPanel), app.iface.animationPanel != 0);
    rebuildAnimationPanel(app);
    if (app.iface.animationPanel) refreshAnimationPanel(app);
}

void toggleStatusBar(App& app) {
    app.iface.statusBar = app.iface.statusBar ? 0 : 1;
    rebuildStatusBar(app);
    refreshStatusBar(app);
}

void addAnimationLayerOfKind(App& app, int commandId) {
    const int kind = commandId - id(Cmd::AnimLayer);
    if (kind < 0 || kind >= kAnimationLayerKinds || app.doc.AnimationLayerId == 255) return;
    ScopedEdit edit(app, "New Animation Layer");
    app.history.animation(app.doc);
    addAnimationLayer(app.doc, kind);
}

using Handler = void (*)(App&);

struct CommandRow {
    Cmd command;
    Handler handler;
};

constexpr CommandRow kCommands[] = {
    {Cmd::New, openNewDocumentDialog},
    {Cmd::Open, openDocument},
    {Cmd::OpenAs, openImageAsDocument},
    {Cmd::ConvertTileSet, convertTileSet},
    {Cmd::OpenGroupImageAsAnimation, openAnimation},
    {Cmd::ImportOnLayer, importOnLayer},
    {Cmd::ImportImageOnAnimation, importImageOnAnimation},
    {Cmd::Save, saveDocument},
    {Cmd::SaveDocumentAs, saveDocumentAs},
    {Cmd::SaveOpenRaster, saveOpenRaster},
    {Cmd::SaveAs, [](App& app) { saveImageAs(app, 1); }},
    {Cmd::SaveLayerAs, [](App& app) { saveImageAs(app, 0); }},
    {Cmd::ExportBrush, [](App& app) { exportBrushPreset(app, 0); }},
    {Cmd::ExportAnimStrip, exportAnimStrip},
    {Cmd::ExportAnimationAsVideo, openExportDialog},
    {Cmd::ExportSequenceImage, exportSequenceImage},
    {Cmd::Quit, askQuit},
    {Cmd::Undo, undoCommand},
    {Cmd::Redo, redoCommand},
    {Cmd::Cut, notFinished},
    {Cmd::Copy, notFinished},
    {Cmd::FillEdit, notFinished},
    {Cmd::Paste, pasteClipboard},
    {Cmd::Clear, clearLayer},
    {Cmd::Preferences, openPreferencesDialog},
    {Cmd::Brightness, openBrightnessDialog},
    {Cmd::InverseColor,
     [](App& app) {
         inverseColors(app);
         recomposeView(app, false);
     }},
    {Cmd::ColorToGrey,
     [](App& app) {
         colorToGrey(app);
         recomposeView(app, false);
     }},
    {Cmd::ImageSize, [](App& app) { openSizeDialog(app, 0); }},
    {Cmd::CanvasSize, [](App& app) { openSizeDialog(app, 1); }},
    {Cmd::Paper, [](App& app) { choosePaperVariant(app, 0); }},
    {Cmd::Grid, toggleGrid},
    {Cmd::ResetView, resetView},
    {Cmd::CenterView, centerView},
    {Cmd::ZoomIn, zoomIn},
    {Cmd::ZoomOut, zoomOut},
    {Cmd::Zoom500, zoomTo<500>},
    {Cmd::Zoom400, zoomTo<400>},
    {Cmd::Zoom300, zoomTo<300>},
    {Cmd::Zoom200, zoomTo<200>},
    {Cmd::Zoom100, zoomTo<100>},
    {Cmd::Zoom50, zoomTo<50>},
    {Cmd::Zoom25, zoomTo<25>},
    {Cmd::NewLayer, addLayerCommand},
    {Cmd::Deletelayer, deleteLayerCommand},
    {Cmd::CopyLayer, copyLayerCommand},
    {Cmd::PreviousBrush, previousBrush},
    {Cmd::NextBrush, nextBrush},
    {Cmd::Fullscreen, toggleFullscreen},
    {Cmd::BrushEditor, openBrushEditor},
    {Cmd::BrushAnimated, openBrushAnimated},
    {Cmd::WorkSpacePaint, [](App& app) { setWorkSpace(app, 1); }},
    {Cmd::WorkSpaceClassic, [](App& app) { setWorkSpace(app, 0); }},
    {Cmd::OpenAnimationWindow, openAnimationOptionsDialog},
    {Cmd::ShowAnimationPanel, toggleAnimationPanel},
    {Cmd::StatusBar, toggleStatusBar},
    {Cmd::Infos,
     [](App& app) {
         app.ui.messageBox(Text(app.dictionary, "Infos"), Text(app.dictionary, "msg_infos"));
     }},
    {Cmd::About, openAboutDialog},
    {Cmd::Update, showUpdateInfo},
    {Cmd::HelpChm, [](App& app) { openHelpFile(app, "help/quillmoth.chm"); }},
    {Cmd::HelpTxt, [](App& app) { openHelpFile(app, "help/help_" + app.prefs.lang + ".rtf"); }},
};

void menuCommand(App& app, int commandId) {
    if (commandId >= id(Cmd::Brush) && commandId <= id(Cmd::Hand)) {
        selectTool(app, commandId);
        return;
    }
    if (commandId >= id(Cmd::AnimLayer) && commandId <= id(Cmd::AnimLight)) {
        addAnimationLayerOfKind(app, commandId);
        return;
    }
    const auto* row = std::find_if(std::begin(kCommands), std::end(kCommands),
                                   [&](const CommandRow& r) { return id(r.command) == commandId; });
    if (row != std::end(kCommands)) row->handler(app);
}

}  // namespace

void onMenuCommand(App& app, int commandId) {
    runGuarded(app, [&] { menuCommand(app, commandId); });
}

}  // namespace qm
