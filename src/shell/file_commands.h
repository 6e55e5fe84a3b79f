// The file commands of the menus and panels: documents, images, animation frames, presets,
// paper, swatches and the roughboard. Each gives the keyboard focus back to the canvas.
#pragma once

#include <string>

namespace qm {

struct App;

void openDocument(App& app);
void openImageAsDocument(App& app);
// Opens the image file at `path` as a new document (Open as without its requester); false, with
// the message shown, when it cannot.
bool openImageFileAsDocument(App& app, const std::string& path);
// A file named on the command line: a document (.qmd, .ora) opens as Open opens it, any other
// file as Open as opens an image. A file that cannot be opened gives the usual message.
void openFileFromCommandLine(App& app, const std::string& path);
// Writes the document as an OpenRaster file (layers, modes, the merged picture) for other
// painting programs; the document keeps its own file and modified state.
void saveOpenRaster(App& app);
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
