// The swatch: a sheet of colours (image 53) to pick the foreground or background colour from,
// made new, opened from an image file or saved to one; and what it shares with the roughboard:
// the swatches folder and the loading of a sheet from an image file.
#pragma once

#include <optional>
#include <string>

#include "raster/image.h"

namespace qm {

struct App;
struct ControlEvent;

// The largest side of a swatch or roughboard sheet opened from a file.
constexpr int kMaxSheetSide = 4096;

// "<working folder>/presets/swatches/", where swatches and roughboards are kept.
std::string swatchFolder(const App& app);
// Asks for a JPEG, PNG or BMP file (requester `title`, offering `defaultPath`) and loads it as
// an opaque sheet: transparent parts become white, as on paper. nullopt on cancel, and on a
// file that cannot be loaded or is too large, after saying so; the caller's sheet is then
// left as it was.
std::optional<Image> askSheetImage(App& app, const std::string& title,
                                   const std::string& defaultPath);
// `image` laid over white as a 24-bit sheet.
Image opaqueSheet(const Image& image);

// The swatch as image gadget 106 shows it.
void showSwatch(App& app);
// The buttons: the default swatch; a swatch from an image file; the swatch to an image file.
void newSwatch(App& app);
void openSwatch(App& app);
void saveSwatch(App& app);
// A press on the swatch, or a move over it with the button held: the left button gives the
// colour under the pointer to the active colour (foreground or background, as the colour
// picker does), the right button to the background colour.
void swatchInput(App& app, const ControlEvent& event);

}  // namespace qm
