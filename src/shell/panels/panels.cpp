#include "shell/panels/panels.h"

#include "raster/image_ops.h"
#include "shell/app.h"
#include "shell/ids.h"
#include "shell/panels/brush_fields.h"
#include "shell/panels/colour_panel.h"
#include "shell/panels/navigator.h"
#include "shell/panels/roughboard.h"
#include "shell/panels/swatch.h"

namespace qm {

void focusCanvas(App& app) {
    app.ui.setFocus(id(Gadget::Canvas));
}

void refreshAnimationPanel(App& app) {
    const ViewState& view = app.viewState;
    app.ui.setGadgetState(id(Gadget::CurrentFrame), view.CurrentFrame);
    app.ui.setGadgetState(id(Gadget::FrameStart), view.FrameStart);
    app.ui.setGadgetState(id(Gadget::FrameEnd), view.FrameEnd);
    app.ui.setGadgetState(id(Gadget::OnionBefore), view.OnionBefore);
    app.ui.setGadgetState(id(Gadget::OnionAfter), view.OnionAfter);
    app.ui.setGadgetState(id(Gadget::LoopAnimation), app.prefs.AnimationLoop);
}

void refreshPanelControls(App& app) {
    showBrushSettings(app);
    refreshAnimationPanel(app);
}

void showPanelImages(App& app) {
    app.swatch53 = defaultSwatchImage();
    showSwatch(app);
    app.ui.setGadgetImage(id(Gadget::ColorStrip), *resizeNearest(colourStripImage(), 20, 128));
    showColourPreviews(app);
    app.colourSquare55 = Image{};
    keepColourSquareInStep(app);
    loadStartRoughboard(app);
    app.ui.setGadgetState(id(Gadget::NavigatorMode), app.NavigatorMode);
    redrawNavigator(app);
}

}  // namespace qm
