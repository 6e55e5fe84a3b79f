// The swatch's and the roughboard's buttons: made new, opened from an image file, saved to one.
// Each gives the keyboard focus back to the canvas.
#pragma once

#include <optional>
#include <string>

#include "raster/image.h"

namespace qm {

struct App;

// Asks for a JPEG, PNG or BMP file (requester `title`, offering `defaultPath`) and loads it as
// an opaque sheet: transparent parts become white, as on paper. nullopt on cancel, and on a
// file that cannot be loaded or is too large, after saying so; the caller's sheet is then
// left as it was.
std::optional<Image> askSheetImage(App& app, const std::string& title,
                                   const std::string& defaultPath);
// The buttons: the default swatch; a swatch from an image file; the swatch to an image file.
void newSwatch(App& app);
void openSwatch(App& app);
void saveSwatch(App& app);
void newRoughboard(App& app);
void openRoughboard(App& app);
void saveRoughboard(App& app);

}  // namespace qm
