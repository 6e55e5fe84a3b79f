// The panels as the shell refreshes them: the keyboard focus, the controls that show the
// records' values, and the panel images made at start-up.
#pragma once

namespace qm {

struct App;

// Gives the keyboard focus back to the canvas.
void focusCanvas(App& app);
// Every panel control shows the current BrushSettings and Document values.
void refreshPanelControls(App& app);
// The animation panel's spins show the document's frame values.
void refreshAnimationPanel(App& app);
// The panel images made at start-up: the default swatch, the colour picker's value strip and
// colour square (with the fields of the foreground colour), and the roughboard.
void showPanelImages(App& app);

}  // namespace qm
