// The shell's side of the brush engine: what the panel rows, keys and menu commands call when
// the brush changes. The tip builder, preview and colour rules live in the brush engine.
#pragma once

namespace qm {

struct App;

// Rebuilds the current brush tip from BrushSettings (document and view scale).
void rebuildBrushTip(App& app);
// Reloads the tip images for the current zoom and tip folder.
void reloadBrushTips(App& app);
// Redraws the brush preview (image 18) and shows it in the preview gadget.
void refreshBrushPreview(App& app);
// The selected colour's alpha from the brush alpha and mode.
void recomputeBrushColor(App& app);
// The selected colour changed: the paint colour follows it unless `keepPaintColor`.
void colorChanged(App& app, bool keepPaintColor);
// "PreviousBrush" / "NextBrush": the tip index within the tip folder.
void previousBrush(App& app);
void nextBrush(App& app);
// The highest tip index of the current tip folder.
int countBrushTips(App& app);

}  // namespace qm
