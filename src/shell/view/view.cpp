#include "shell/view/view.h"

#include <algorithm>

#include "document/document_ops.h"
#include "shell/app.h"
#include "shell/paint_target.h"
#include "shell/settings/dictionary.h"
#include "shell/view/canvas_frame.h"

namespace qm {

namespace {

// Field 3 without a note: what is painted when it is a drawing (a layer shows as selected in its
// panel, and says nothing here).
std::string paintedText(App& app) {
    const std::string key = paintedAnimationKey(app.doc);
    if (key.empty()) return {};
    return fillIn(
        Text(app.dictionary, "PaintingDrawing"),
        {app.doc.animationLayers.at(key).Name, std::to_string(app.viewState.CurrentFrame)});
}

}  // namespace

int maxZoom(const App& app) {
    // The height when both sides are equal.
    const int m = app.doc.Width > app.doc.Height ? app.doc.Width : app.doc.Height;
    return m > 0 ? 800000 / m : 800000;
}

void startPan(App& app) {
    app.Panning = true;
    app.StartX = app.MouseX;
    app.StartY = app.MouseY;
    app.PanBaseX = app.ViewOffsetX;
    app.PanBaseY = app.ViewOffsetY;
}

void panTo(App& app) {
    app.ViewOffsetX = int16_t(app.PanBaseX + app.MouseX - app.StartX);
    app.ViewOffsetY = int16_t(app.PanBaseY + app.MouseY - app.StartY);
    recomposeView(app, false);
}

void endPan(App& app) {
    app.Panning = false;
    app.PanBaseX += app.MouseX - app.StartX;
    app.PanBaseY += app.MouseY - app.StartY;
}

void refreshStatusBar(App& app) {
    if (!app.iface.statusBar) return;
    const Document& doc = app.doc;
    Dictionary& d = app.dictionary;
    app.ui.setStatusText(0, Text(d, "Zoom :") + " " + std::to_string(app.viewState.Zoom) + " %");
    app.ui.setStatusText(
        1, Text(d, "Doc :") + " " + std::to_string(doc.Width) + "/" + std::to_string(doc.Height));
    app.ui.setStatusText(2, Text(d, "Mouse :") + " " + std::to_string(app.pointerX) + "/" +
                                std::to_string(app.pointerY));
    if (!app.tools.hiddenLayerNoted) app.ui.setStatusText(3, paintedText(app));
    refreshStatusNote(app);
}

void refreshStatusNote(App& app) {
    if (!app.tools.hiddenLayerNoted) return;
    if (currentLayer(app.doc) && !paintTargetVisible(app)) {
        if (app.iface.statusBar) app.ui.setStatusText(3, Text(app.dictionary, "LayerHidden"));
        return;
    }
    app.tools.hiddenLayerNoted = false;
    if (app.iface.statusBar) app.ui.setStatusText(3, paintedText(app));
}

std::string initialTitle(const App& app) {
    return app.prefs.programName + " " + app.prefs.version + " [Untitled]";
}

void setInitialTitle(App& app) {
    setDocumentTitle(app, initialTitle(app));
}

void setDocumentTitle(App& app, const std::string& title) {
    app.windowTitle = title;
    refreshWindowTitle(app);
}

void refreshWindowTitle(App& app) {
    app.ui.setWindowTitle(app.Modified ? "*" + app.windowTitle : app.windowTitle);
}

}  // namespace qm
