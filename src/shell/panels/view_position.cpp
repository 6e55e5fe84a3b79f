#include "shell/panels/view_position.h"

#include <algorithm>

#include "document/document_ops.h"
#include "shell/app.h"
#include "shell/panels/navigator.h"
#include "shell/view/canvas_frame.h"

namespace qm {

void centerView(App& app) {
    updateCanvasSize(app);
    const Document& doc = app.doc;
    app.ViewOffsetX =
        int16_t(app.iface.canvasWidth / 2 - displaySize(doc.Width, app.viewState.Zoom) / 2);
    app.ViewOffsetY =
        int16_t(app.iface.canvasHeight / 2 - displaySize(doc.Height, app.viewState.Zoom) / 2);
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

}  // namespace qm
