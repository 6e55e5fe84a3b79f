#include "shell/panels.h"

#include "shell/app.h"
#include "shell/brush_controls.h"
#include "shell/ids.h"
#include "shell/view.h"

namespace qm {

void focusCanvas(App& app) {
    app.ui.setFocus(id(Gadget::Canvas));
}

void refreshAnimationPanel(App& app) {
    const Document& doc = app.doc;
    app.ui.setGadgetState(id(Gadget::CurrentFrame), doc.CurrentFrame);
    app.ui.setGadgetState(id(Gadget::FrameStart), doc.FrameStart);
    app.ui.setGadgetState(id(Gadget::FrameEnd), doc.FrameEnd);
    app.ui.setGadgetState(id(Gadget::OnionBefore), doc.OnionBefore);
    app.ui.setGadgetState(id(Gadget::OnionAfter), doc.OnionAfter);
    app.ui.setGadgetState(id(Gadget::LoopAnimation), app.prefs.AnimationLoop);
}

void refreshPanelControls(App& app) {
    showBrushSettings(app);
    refreshAnimationPanel(app);
}

void rebuildStatusBar(App& app) {
    refreshStatusBar(app);
}

// The navigator is drawn by the navigator step (the timeline and the animation-layer list by
// shell/timeline.cpp, with the list's input); the interface furniture is rebuilt by the window itself.
void redrawNavigator(App&) {}
void rebuildToolPanel(App&) {}
void rebuildToolbar(App&) {}
void resetTooltips(App&) {}
void rebuildAnimationPanel(App&) {}
void refreshBackgroundPreview(App&) {}
void showLayerKindPopup(App&) {}

}  // namespace qm
