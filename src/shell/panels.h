// The panels as the shell refreshes them: the controls that show the records' values, and the
// redraws of the timeline, navigator and animation-layer list.
#pragma once

namespace qm {

struct App;

// Gives the keyboard focus back to the canvas.
void focusCanvas(App& app);
// Every panel control shows the current BrushSettings and Document values.
void refreshPanelControls(App& app);
// The animation panel's spins show the document's frame values.
void refreshAnimationPanel(App& app);

// Redraws that belong to the panels' own steps (timeline, navigator, animation-layer list).
void redrawTimeline(App& app);
void redrawNavigator(App& app);
void redrawAnimationLayerList(App& app);
// The animation-layer list's input: op 0 left press, 1 double click, 2 move with the button.
void animationLayerListInput(App& app, int x, int y, int op);
// Rebuilds of interface furniture after a work-space, status-bar or panel switch.
void rebuildToolPanel(App& app);
void rebuildToolbar(App& app);
void resetTooltips(App& app);
void rebuildAnimationPanel(App& app);
void rebuildStatusBar(App& app);
// The background colour preview (image 22).
void refreshBackgroundPreview(App& app);
// Shows popup menu 1 (animation-layer kinds) under the add-layer-kind button.
void showLayerKindPopup(App& app);

}  // namespace qm
