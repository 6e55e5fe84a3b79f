// The shell's side of the brush engine: what the panel rows, keys and menu commands call when
// the brush changes. The tip builder, preview and colour rules live in the brush engine.
#pragma once

namespace qm {

struct App;

// Asks for the brush tip of the current BrushSettings (made when painting needs it) and
// refreshes the preview, which is made from a tip no larger than itself.
void rebuildBrushTip(App& app);
// Reloads the tip images for the current shape and tip folder (the same rebuild).
void reloadBrushTips(App& app);
// Redraws the brush preview (image 18) and shows it in the preview gadget.
void refreshBrushPreview(App& app);
// After the opacity or mode changed: the selected colour's alpha and the paint colour. The
// caller rebuilds the tip.
void recomputeBrushColor(App& app);
// The selected colour changed: the paint colour follows it unless `keepPaintColor`; the swatch
// previews show it and the tip is rebuilt.
void colorChanged(App& app, bool keepPaintColor);
// The foreground and background colour previews (and the tool column's colour cell) as the
// colours are now.
void showColourPreviews(App& app);
// "PreviousBrush" / "NextBrush": the tip index within the tip folder.
void previousBrush(App& app);
void nextBrush(App& app);
// Counts the tip files of the tip folder in use; returns the highest tip index (-1 for none).
int countBrushTips(App& app);

// The preset panel. The tree lists the groups of the preset root with their presets.
void refreshPresetTree(App& app);
// Loads the preset of the selected tree item (a group item opens nothing), then shows the
// settings in every brush control whatever happened.
void loadSelectedPreset(App& app);
// mode 0: saves under a name chosen with a requester; 1: over the selected tree item.
void saveBrushPreset(App& app, int mode);

}  // namespace qm
