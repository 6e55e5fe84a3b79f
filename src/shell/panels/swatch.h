// The swatch: a sheet of colours (image 53) to pick the foreground or background colour from,
// and what it shares with the roughboard: the swatches folder and the sheet laid over white.
#pragma once

#include <string>

#include "raster/image.h"

namespace qm {

struct App;

// The largest side of a swatch or roughboard sheet opened from a file.
constexpr int kMaxSheetSide = 4096;

// "<working folder>/presets/swatches/", where swatches and roughboards are kept.
std::string swatchFolder(const App& app);
// `image` laid over white as a 24-bit sheet.
Image opaqueSheet(const Image& image);

// The swatch as image gadget 106 shows it.
void showSwatch(App& app);
// Default swatch (200 x 200): 12 x 12 cells, red 15 i, green and blue 15 j, white grid lines.
Image defaultSwatchImage();

}  // namespace qm
