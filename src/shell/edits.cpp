#include "shell/edits.h"

#include <algorithm>
#include <exception>
#include <new>

#include "document/animation_frames.h"
#include "document/compositing.h"
#include "document/document_ops.h"
#include "shell/app.h"
#include "shell/ids.h"
#include "shell/panels/layer_panel.h"
#include "shell/panels/navigator.h"
#include "shell/panels/panels.h"
#include "shell/panels/timeline.h"
#include "shell/settings/dictionary.h"
#include "shell/view/canvas_frame.h"
#include "shell/view/paper.h"
#include "shell/view/view.h"

namespace qm {

namespace {

// The canvas rectangle that shows a display rectangle of a layer: the compositor draws the
// display image at the view offset plus the layer's own offset at the zoom.
Rect canvasRectOf(const App& app, const Layer& layer, const Rect& displayRect) {
    return Rect{displayRect.x + app.ViewOffsetX + int(layerViewOffset(layer.X, app.view.zoom)),
                displayRect.y + app.ViewOffsetY + int(layerViewOffset(layer.Y, app.view.zoom)),
                displayRect.w, displayRect.h};
}

// The document changed size: the document-size work images and the paper follow it.
void followDocumentSize(App& app) {
    for (TiledImage* image : {&app.workImage2, &app.workImage3, &app.workImage4}) {
        if (image->width == app.doc.Width && image->height == app.doc.Height) continue;
        if (auto fresh = TiledImage::create(app.doc.Width, app.doc.Height))
            *image = std::move(*fresh);
    }
    fitPaperIfNeeded(app);
}

// A step was made, undone or redone: the document differs from what was saved, and the
// recovery copy follows it.
void markModified(App& app) {
    ++app.editGeneration;
    if (app.Modified) return;
    app.Modified = true;
    refreshWindowTitle(app);
}

}  // namespace

void showEditChanges(App& app) {
    EditChanges changes = app.history.takeChanges();
    if (changes.empty()) return;
    Document& doc = app.doc;
    if (changes.resized) {
        followDocumentSize(app);
        refreshStatusBar(app);  // an undone resize shows the size it gave back
    }
    const bool whole = changes.structure || changes.animation || changes.resized;
    // Replaced images first: their entries may have the right size and still be stale.
    for (uint32_t id : changes.relook)
        if (const Layer* layer = layerById(doc, id)) rebuildDisplay(*layer, app.view);
    if (whole) refreshDisplays(doc.layers, app.view);
    Rect canvas;
    for (const auto& [id, rect] : changes.pixels) {
        const Layer* layer = layerById(doc, id);
        if (!layer || changes.relook.count(id)) continue;
        if (!app.view.find(id) || !app.view.current(*layer)) {
            rebuildDisplay(*layer, app.view);
            canvas = Rect{0, 0, app.iface.canvasWidth, app.iface.canvasHeight};
            continue;
        }
        const Rect shown = updateDisplayTiles(*layer, app.view, rect);
        if (!shown.empty() && layer->Visible)
            canvas = unite(canvas, canvasRectOf(app, *layer, shown));
    }
    // Painted drawings: frames are drawn unscaled, at the view offset plus their own.
    for (const auto& [id, rect] : changes.framePixels) {
        if (const AnimationFrame* frame = frameById(doc, id))
            canvas =
                unite(canvas, intersect(Rect{rect.x + app.ViewOffsetX + frame->X,
                                             rect.y + app.ViewOffsetY + frame->Y, rect.w, rect.h},
                                        Rect{0, 0, app.iface.canvasWidth, app.iface.canvasHeight}));
    }
    if (whole) {
        if (changes.structure) {
            rebuildLayerPanel(app);
            if (const Layer* layer = selectedLayer(doc))
                showLayerProperties(app, layer->Position - 1);
        }
        if (changes.animation) {
            refreshAnimationPanel(app);  // the frame fields: an undone import moves them back
            redrawAnimationLayerList(app);
            redrawTimeline(app);
        }
        recomposeView(app, false);
        redrawNavigator(app);
        refreshStatusNote(app);  // the current layer shown again, or another one current
    } else if (!canvas.empty()) {
        recomposeRegion(app, canvas);
    }
}

void beginEdit(App& app, const std::string& label, const std::string& mergeKey) {
    app.history.begin(label, mergeKey);
}

void openStrokeEdit(App& app) {
    if (app.history.isOpen()) return;
    beginEdit(app, "Stroke");
    app.strokeEdit = true;
}

void commitEdit(App& app) {
    showEditChanges(app);
    redrawNavigator(app);  // once per step: strokes show on the canvas as they are painted
    // Only a step marks the document: a refused action (the top layer moved up) or paint that
    // changed nothing leaves it as it was.
    if (app.history.commit(app.doc, app.viewState)) markModified(app);
    refreshUndoMenu(app);
}

ScopedEdit::ScopedEdit(App& app, const std::string& label, const std::string& mergeKey)
    : app_(app), exceptions_(std::uncaught_exceptions()) {
    beginEdit(app, label, mergeKey);
}

namespace {

// What follows an action that ran out of memory: its open edits are put back.
void recoverFromOutOfMemory(App& app) {
    try {
        app.history.abandon(app.doc, app.viewState);
        app.strokeEdit = false;
        showEditChanges(app);
        refreshUndoMenu(app);
    } catch (const std::bad_alloc&) {
        // Even the redraw could not be had: the document is back as it was, and the view
        // follows with the next redraw.
    }
    app.ui.messageBox(Text(app.dictionary, "error"), Text(app.dictionary, "NoMemoryForAction"));
}

}  // namespace

ScopedEdit::~ScopedEdit() {
    // Unwinding: the guard of the event puts the document back (runGuarded).
    if (std::uncaught_exceptions() > exceptions_) return;
    // The commit redraws, which may itself run out of memory; nothing may leave a destructor.
    try {
        commitEdit(app_);
    } catch (const std::bad_alloc&) {
        recoverFromOutOfMemory(app_);
    }
}

void runGuarded(App& app, const std::function<void()>& handle) {
    try {
        handle();
    } catch (const std::bad_alloc&) {
        recoverFromOutOfMemory(app);
    }
}

void undoCommand(App& app) {
    showEditChanges(app);
    if (app.history.undo(app.doc, app.viewState)) markModified(app);
    showEditChanges(app);
    redrawNavigator(app);
    refreshUndoMenu(app);
}

void redoCommand(App& app) {
    showEditChanges(app);
    if (app.history.redo(app.doc, app.viewState)) markModified(app);
    showEditChanges(app);
    redrawNavigator(app);
    refreshUndoMenu(app);
}

void startHistory(App& app) {
    app.history.clear();
    app.history.takeChanges();
    app.Modified = false;
    refreshWindowTitle(app);
    applyHistoryLimits(app);
    refreshUndoMenu(app);
}

void refreshUndoMenu(App& app) {
    app.ui.setMenuEnabled(id(Cmd::Undo), app.history.canUndo());
    app.ui.setMenuEnabled(id(Cmd::Redo), app.history.canRedo());
}

void applyHistoryLimits(App& app) {
    app.history.setLimits(app.prefs.Undo, History::kDefaultMaxBytes);
}

}  // namespace qm
