// Menu commands: one table from command id to its handler. Ids without an entry (the inert
// items, the blend-mode popup) do nothing.
#include <algorithm>
#include <string>

#include "document/document_ops.h"
#include "platform/paths.h"
#include "shell/app.h"
#include "shell/commands/adjust_commands.h"
#include "shell/commands/animation_commands.h"
#include "shell/commands/brush_commands.h"
#include "shell/commands/document_commands.h"
#include "shell/commands/frame_commands.h"
#include "shell/commands/image_commands.h"
#include "shell/commands/layer_commands.h"
#include "shell/commands/paper_commands.h"
#include "shell/commands/preset_commands.h"
#include "shell/commands/tool_commands.h"
#include "shell/commands/tool_table.h"
#include "shell/commands/zoom_commands.h"
#include "shell/edits.h"
#include "shell/events.h"
#include "shell/ids.h"
#include "shell/input/quit.h"
#include "shell/panels/layer_panel.h"
#include "shell/panels/navigator.h"
#include "shell/panels/panels.h"
#include "shell/panels/view_position.h"
#include "shell/settings/dictionary.h"
#include "shell/view/canvas_frame.h"
#include "shell/view/view.h"
#include "shell/windows/about_box.h"
#include "shell/windows/animation_options_dialog.h"
#include "shell/windows/brightness_dialog.h"
#include "shell/windows/brush_animated.h"
#include "shell/windows/brush_editor.h"
#include "shell/windows/export_dialog.h"
#include "shell/windows/new_document_dialog.h"
#include "shell/windows/preferences_dialog.h"
#include "shell/windows/size_dialog.h"
#include "shell/windows/tileset_dialog.h"

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
    if (app.viewState.Zoom < 1200) setZoomAndApply(app, app.viewState.Zoom + 5);
}
void zoomOut(App& app) {
    if (app.viewState.Zoom > 5) setZoomAndApply(app, app.viewState.Zoom - 5);
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
    recomposeView(app, false);
}

void setWorkSpace(App& app, uint8_t mode) {
    app.iface.Interface = mode;
}

void toggleAnimationPanel(App& app) {
    app.iface.animationPanel = app.iface.animationPanel ? 0 : 1;
    app.ui.setMenuChecked(id(Cmd::ShowAnimationPanel), app.iface.animationPanel != 0);
    if (app.iface.animationPanel) refreshAnimationPanel(app);
}

void toggleStatusBar(App& app) {
    app.iface.statusBar = app.iface.statusBar ? 0 : 1;
    refreshStatusBar(app);
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
    {Cmd::ConvertTileSet, openTilesetDialog},
    {Cmd::OpenGroupImageAsAnimation, openAnimation},
    {Cmd::ImportOnLayer, importOnLayer},
    {Cmd::ImportImageOnAnimation, importImageOnAnimation},
    {Cmd::Save, saveDocument},
    {Cmd::SaveDocumentAs, saveDocumentAs},
    {Cmd::SaveOpenRaster, saveOpenRaster},
    {Cmd::SaveAs, [](App& app) { saveImageAs(app, 1); }},
    {Cmd::SaveLayerAs, [](App& app) { saveImageAs(app, 0); }},
    {Cmd::ExportBrush, [](App& app) { saveBrushPreset(app, 0); }},
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
    if (const ToolRow* tool = toolOfCommand(commandId)) return selectTool(app, *tool);
    if (commandId >= id(Cmd::AnimLayer) && commandId <= id(Cmd::AnimLight)) {
        addAnimationLayerOfKind(app, commandId);
        return;
    }
    if (isFrameCommand(commandId)) return frameCommand(app, commandId);
    const auto* row = std::find_if(std::begin(kCommands), std::end(kCommands),
                                   [&](const CommandRow& r) { return id(r.command) == commandId; });
    if (row != std::end(kCommands)) row->handler(app);
}

}  // namespace

void onMenuCommand(App& app, int commandId) {
    runGuarded(app, [&] { menuCommand(app, commandId); });
}

}  // namespace qm
