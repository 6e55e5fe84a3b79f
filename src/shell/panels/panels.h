// The panels as the shell refreshes them: the controls that show the records' values, and the
// redraws of the timeline, navigator and animation-layer list.
#pragma once

#include <cstdint>

#include "raster/image.h"

namespace qm {

struct App;
struct ControlEvent;

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
// The panel images made at start-up: the default swatch, the colour picker's value strip and
// colour square (with the fields of the foreground colour), and the roughboard.
void showPanelImages(App& app);
// A press on the colour picker's value strip (119) or colour square (120), or a move over it
// with the left button held: picks the foreground or background colour.
void colorPickerInput(App& app, const ControlEvent& event);
// The colour the colour picker or the swatch picked becomes the active one's: the foreground
// colour (with the brush's alpha, through colour changed) or the background colour (keeping
// its transparency).
void setActiveSwatchColour(App& app, uint32_t colour);
// The colour square follows a foreground colour set elsewhere than in the picker (the colour
// picker tool, the swatch, the colour requester, a preset): it is rebuilt for the colour's hue
// with the pick point on the colour. After the picker's own picks it is left as it is.
void keepColourSquareInStep(App& app);
// A press or a drag in the navigator (116): the view centres on that point of the document.
void navigatorInput(App& app, const ControlEvent& event);

// The images themselves.
// Default swatch (200 x 200): 12 x 12 cells, red 15 i, green and blue 15 j, white grid lines.
Image defaultSwatchImage();
// The value strip (20 x 256): the hue circle in steps of 6 from (255, 6, 0) downward.
Image colourStripImage();
// The colour square of `colour` (129 x 129): white to the colour across, darkening downward.
Image colourSquareImage(uint32_t colour);
// The navigator's width and height for a canvas, and its image of the document.
constexpr int kNavigatorWidth = 150;

// Shows popup menu 1 (animation-layer kinds) under the add-layer-kind button and adds an
// animation layer of the kind chosen.
void showLayerKindPopup(App& app);

}  // namespace qm
