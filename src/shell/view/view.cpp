#include "shell/view.h"

#include <algorithm>

#include "document/document_ops.h"
#include "raster/image_ops.h"
#include "shell/app.h"
#include "shell/brush_commands.h"
#include "shell/canvas_frame.h"
#include "shell/dictionary.h"
#include "shell/panels.h"

namespace qm {

int maxZoom(const App& app) {
    // The height when both sides are equal.
    const int m = app.doc.Width > app.doc.Height ? app.doc.Width : app.doc.Height;
    return m > 0 ? 800000 / m : 800000;
}

void setZoomAndApply(App& app, int zoom) {
    app.doc.Zoom = int16_t(std::clamp(zoom, -32768, 32767));
    applyZoom(app);
}

void applyZoom(App& app) {
    Document& doc = app.doc;
    if (doc.Zoom < 10) {
        doc.Zoom = 10;
    } else if (doc.Zoom > maxZoom(app)) {
        doc.Zoom = int16_t(maxZoom(app));
    }
    reloadBrushTips(app);
    const int w = displaySize(app.workImage3.width, doc.Zoom);
    const int h = displaySize(app.workImage3.height, doc.Zoom);
    if (w > 0 && h > 0 && w < 8000 && h < 8000) {
        // Every layer's entry is made anew at the new zoom: its tiles are made by the redraw
        // from the layer, backdrop and opacity included (a bare resize of the old tiles would
        // leave a Multiply layer black where it is transparent).
        rebuildAllDisplayImages(app);
        if (w == app.paperImage8.width && h == app.paperImage8.height) {
            app.paperView9 = app.paperImage8;
        } else if (auto scaled = resizeNearest(app.paperImage8, w, h)) {
            app.paperView9 = std::move(*scaled);
        }
        // Every entry is fresh, so the redraw need not make the current one again.
        recomposeView(app, false);
        redrawNavigator(app);
    }
    if (app.iface.statusBar) {
        Dictionary& d = app.dictionary;
        app.ui.setStatusText(1, Text(d, "Doc Width :") + " " + std::to_string(doc.Width) +
                                    Text(d, "/Height :") + " " + std::to_string(doc.Height));
        app.ui.setStatusText(0, Text(d, "Zoom :") + " " + std::to_string(doc.Zoom) + "%");
    }
}

void centerView(App& app) {
    updateCanvasSize(app);
    const Document& doc = app.doc;
    app.ViewOffsetX = int16_t(app.iface.canvasWidth / 2 - displaySize(doc.Width, doc.Zoom) / 2);
    app.ViewOffsetY = int16_t(app.iface.canvasHeight / 2 - displaySize(doc.Height, doc.Zoom) / 2);
    recomposeView(app, false);
    redrawNavigator(app);
}

void followCanvasSize(App& app) {
    const int oldWidth = app.iface.canvasWidth, oldHeight = app.iface.canvasHeight;
    updateCanvasSize(app);
    if (oldWidth > 0 && oldHeight > 0) {
        const auto shifted = [](int offset, int oldSide, int newSide) {
            return int16_t(std::clamp(offset + newSide / 2 - oldSide / 2, -32768, 32767));
        };
        app.ViewOffsetX = shifted(app.ViewOffsetX, oldWidth, app.iface.canvasWidth);
        app.ViewOffsetY = shifted(app.ViewOffsetY, oldHeight, app.iface.canvasHeight);
    }
    recomposeView(app, false);
    redrawNavigator(app);
}

void resetView(App& app) {
    app.ViewOffsetX = 0;
    app.ViewOffsetY = 0;
    recomposeView(app, false);
    redrawNavigator(app);
}

void refreshStatusBar(App& app) {
    if (!app.iface.statusBar) return;
    const Document& doc = app.doc;
    Dictionary& d = app.dictionary;
    app.ui.setStatusText(0, Text(d, "Zoom :") + " " + std::to_string(doc.Zoom) + " %");
    app.ui.setStatusText(
        1, Text(d, "Doc :") + " " + std::to_string(doc.Width) + "/" + std::to_string(doc.Height));
    app.ui.setStatusText(2, Text(d, "Mouse :") + " " + std::to_string(app.pointerX) + "/" +
                                std::to_string(app.pointerY));
    if (!app.tools.hiddenLayerNoted) app.ui.setStatusText(3, "");
    refreshStatusNote(app);
}

void refreshStatusNote(App& app) {
    if (!app.tools.hiddenLayerNoted) return;
    if (currentLayer(app.doc) && !currentVisible(app.doc)) {
        if (app.iface.statusBar) app.ui.setStatusText(3, Text(app.dictionary, "LayerHidden"));
        return;
    }
    app.tools.hiddenLayerNoted = false;
    if (app.iface.statusBar) app.ui.setStatusText(3, "");
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
