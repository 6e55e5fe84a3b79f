// The roughboard: a sheet beside the canvas (image 54, shown by canvas 111) to try colours on.
// The left button paints round dots of the foreground colour on it, the right button picks a
// colour from it. Its changes are not document edits: they have no undo and do not mark the
// document modified.
#pragma once

#include <optional>

#include "raster/image.h"

namespace qm {

struct App;

constexpr int kRoughboardWidth = 140;
constexpr int kRoughboardHeight = 250;
// The radius of the dot the left button paints.
constexpr int kRoughboardDotRadius = 4;

// A white sheet of the default size.
Image blankRoughboard();
// The roughboard as the program starts: "presets/swatches/rb.png", or a white sheet when that
// file is missing or unreadable.
void loadStartRoughboard(App& app);
void showRoughboard(App& app);
// The picture a save writes: the sheet's colours, opaque, at its size.
std::optional<Image> roughboardPicture(const App& app);

}  // namespace qm
