#include "shell/commands/zoom_commands.h"

#include <algorithm>

#include "document/document_ops.h"
#include "raster/image_ops.h"
#include "shell/app.h"
#include "shell/commands/brush_commands.h"
#include "shell/panels/navigator.h"
#include "shell/settings/dictionary.h"
#include "shell/view/canvas_frame.h"
#include "shell/view/view.h"

namespace qm {

void setZoomAndApply(App& app, int zoom) {
    app.viewState.Zoom = int16_t(std::clamp(zoom, -32768, 32767));
    applyZoom(app);
}

void applyZoom(App& app) {
    Document& doc = app.doc;
    if (app.viewState.Zoom < 10) {
        app.viewState.Zoom = 10;
    } else if (app.viewState.Zoom > maxZoom(app)) {
        app.viewState.Zoom = int16_t(maxZoom(app));
    }
    rebuildBrushTip(app);
    const int w = displaySize(app.workImage3.width, app.viewState.Zoom);
    const int h = displaySize(app.workImage3.height, app.viewState.Zoom);
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
        app.ui.setStatusText(0, Text(d, "Zoom :") + " " + std::to_string(app.viewState.Zoom) + "%");
    }
}

}  // namespace qm
