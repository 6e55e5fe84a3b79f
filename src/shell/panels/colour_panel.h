// The colour panels: the colour picker's value strip and colour square with the fields of the
// foreground colour, the foreground and background colour previews, and the "Infos" tab.
#pragma once

#include <cstdint>

#include "raster/image.h"

namespace qm {

struct App;

// The colour square's side, in pixels.
constexpr int kSquareSide = 129;

// The value strip (20 x 256): the hue circle in steps of 6 from (255, 6, 0) downward.
Image colourStripImage();
// The colour square of `colour` (129 x 129): white to the colour across, darkening downward.
Image colourSquareImage(uint32_t colour);
// The colour square with the pick point ringed, the fields of the foreground colour and the
// "Infos" tab.
void showColourSquare(App& app);
// The colour square follows a foreground colour set elsewhere than in the picker (the colour
// picker tool, the swatch, the colour requester, a preset): it is rebuilt for the colour's hue
// with the pick point on the colour. After the picker's own picks it is left as it is.
void keepColourSquareInStep(App& app);
// The background colour preview (image 22).
void refreshBackgroundPreview(App& app);
// The foreground and background colour previews (and the tool column's colour cell) as the
// colours are now.
void showColourPreviews(App& app);
// The foreground previews (and the background's while it is not the active colour) after the
// selected colour changed; the colour square follows it.
void showSwatchPreviews(App& app);

}  // namespace qm
