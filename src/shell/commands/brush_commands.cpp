#include "shell/commands/brush_commands.h"

#include <algorithm>

#include "brush/brush_colour.h"
#include "brush/brush_tip.h"
#include "shell/app.h"
#include "shell/gadget_table.h"
#include "shell/ids.h"
#include "shell/panels/brush_fields.h"
#include "shell/panels/colour_panel.h"
#include "shell/state/preferences.h"

namespace qm {

namespace {

constexpr uint32_t kWhite = 0xFFFFFFu;

}  // namespace

void rebuildBrushTip(App& app) {
    requestTip(app.tip, app.brush, app.workDir);
    refreshBrushPreview(app);
}

void recomputeBrushColour(App& app) {
    recomputeSelectedAlpha(app.brush);
    refreshPaintColour(app.brush);
}

void colourChanged(App& app, bool keepPaintColour) {
    applyColourChange(app.brush, keepPaintColour);
    showSwatchPreviews(app);
    rebuildBrushTip(app);
}

int countBrushTips(App& app) {
    app.tip.highestTipIndex = countTipFiles(app.workDir, app.tip.tipFolder);
    return app.tip.highestTipIndex;
}

void previousBrush(App& app) {
    if (app.brush.brush > 0) --app.brush.brush;
    rebuildBrushTip(app);
}

void nextBrush(App& app) {
    if (app.brush.brush < countBrushTips(app)) ++app.brush.brush;
    rebuildBrushTip(app);
}

void setActiveSwatchColour(App& app, uint32_t colour) {
    colour &= kWhite;
    if (app.iface.foregroundActive) {
        app.brush.selectedColor = colour | (uint32_t(app.brush.alpha) << 24);
        colourChanged(app, false);
    } else {
        app.iface.backgroundColor = colour | (app.iface.backgroundColor & 0xFF000000u);
        refreshBackgroundPreview(app);
    }
}

bool handleBrushControl(App& app, int gadget) {
    const BrushRow* row = brushRow(gadget);
    if (!row) return false;
    // A state beyond the control's range (a script can send any) is taken as the nearest end,
    // as the widget itself would show it.
    row->store(app.brush, keptState(app.ui, row->gadget));
    if (row->after & kRecomputeColour) recomputeBrushColour(app);
    if (row->after & kRebuildTip) rebuildBrushTip(app);
    if (row->after & kPreview) refreshBrushPreview(app);
    if (row->partner != row->gadget) {
        const int value = row->show(app.brush);
        app.ui.setGadgetState(id(row->gadget), value);
        app.ui.setGadgetState(id(row->partner), value);
    }
    return true;
}

}  // namespace qm
