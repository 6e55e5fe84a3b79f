// The adjustments of the current layer as the menus and the brightness window call them.
#pragma once

namespace qm {

struct App;

void pasteClipboard(App& app);
void inverseColors(App& app);
void colorToGrey(App& app);
// The brightness window's slider (0..300, 150 = no change): preview, then apply on OK.
void previewBrightness(App& app, int value);
void applyBrightness(App& app, int value);

}  // namespace qm
