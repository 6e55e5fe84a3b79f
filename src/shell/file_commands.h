// The file commands of the menus and panels: documents, images, animation frames, presets,
// paper, swatches and the roughboard. Each gives the keyboard focus back to the canvas.
#pragma once

namespace qm {

struct App;

void openDocument(App& app);
void openImageAsDocument(App& app);
void convertTileSet(App& app);
void importOnLayer(App& app);
void importImageOnAnimation(App& app);
// Save: to the document's own file when it has one, else through the requester.
void saveDocument(App& app);
// Save Document As: always through the requester, which proposes the document's file.
void saveDocumentAs(App& app);
// mode 1: the flattened image ("SaveAs"); 0: the current layer; 2: the roughboard.
void saveImageAs(App& app, int mode);
void exportBrushPreset(App& app, int mode);  // 0: with a requester; 1: over the selected preset
void loadBrushPresetFromTree(App& app);
void reloadPresetTree(App& app);
void exportAnimStrip(App& app);
void newRoughboard(App& app);
void openRoughboard(App& app);
void saveRoughboard(App& app);

}  // namespace qm
