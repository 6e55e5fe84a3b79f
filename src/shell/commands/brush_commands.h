// The shell's side of the brush engine: what the panel rows, keys and menu commands call when
// the brush changes. The tip builder, preview and colour rules live in the brush engine.
#pragma once

#include <cstdint>

namespace qm {

struct App;

// Asks for the brush tip of the current BrushSettings (made when painting needs it) and
// refreshes the preview, which is made from a tip no larger than itself.
void rebuildBrushTip(App& app);
// After the opacity or mode changed: the selected colour's alpha and the paint colour. The
// caller rebuilds the tip.
void recomputeBrushColour(App& app);
// The selected colour changed: the paint colour follows it unless `keepPaintColour`; the swatch
// previews show it and the tip is rebuilt.
void colourChanged(App& app, bool keepPaintColour);
// The colour the colour picker or the swatch picked becomes the active one's: the foreground
// colour (with the brush's alpha, through colour changed) or the background colour (keeping
// its transparency).
void setActiveSwatchColour(App& app, uint32_t colour);
// "PreviousBrush" / "NextBrush": the tip index within the tip folder.
void previousBrush(App& app);
void nextBrush(App& app);
// Counts the tip files of the tip folder in use; returns the highest tip index (-1 for none).
int countBrushTips(App& app);
// Handles a control event of a brush row of the panel; false when the gadget is not one.
bool handleBrushControl(App& app, int gadget);

}  // namespace qm
