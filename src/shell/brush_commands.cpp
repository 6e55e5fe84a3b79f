#include "shell/brush_commands.h"

#include "shell/app.h"
#include "shell/ids.h"

namespace qm {

// The tip builder and the colour rules arrive with the brush engine; until then a change of
// the settings has nothing to rebuild.
void rebuildBrushTip(App&) {}
void reloadBrushTips(App&) {}
void recomputeBrushColor(App&) {}

void refreshBrushPreview(App& app) {
    if (!app.brushPreview18.empty())
        app.ui.setGadgetImage(id(Gadget::BrushPreview), app.brushPreview18);
}

void colorChanged(App& app, bool keepPaintColor) {
    if (!keepPaintColor) app.brush.color = app.brush.selectedColor;
}

int countBrushTips(App&) {
    return 0;
}

void previousBrush(App& app) {
    if (app.brush.brush > 0) --app.brush.brush;
    rebuildBrushTip(app);
    refreshBrushPreview(app);
}

void nextBrush(App& app) {
    if (app.brush.brush < countBrushTips(app)) ++app.brush.brush;
    rebuildBrushTip(app);
    refreshBrushPreview(app);
}

}  // namespace qm
