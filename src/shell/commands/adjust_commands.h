// The adjustments of the current layer as the menus and the brightness window call them.
#pragma once

namespace qm {

struct App;
struct LayerPreview;

void pasteClipboard(App& app);
void inverseColors(App& app);
void colorToGrey(App& app);
// The brightness window's slider (0..300, 150 = no change): preview, then apply on OK.
void previewBrightness(App& app, int value);
void applyBrightness(App& app, int value);
// The layer the canvas shows changed (the brightness preview while its window is open), or
// null. A preview whose window closed or whose layer went is dropped here, so closing the
// window without OK leaves the layer shown as it is.
const LayerPreview* activeLayerPreview(App& app);

}  // namespace qm
