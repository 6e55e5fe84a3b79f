// The image-file commands: open an image as a document, import onto the layer or as animation
// frames, save the layer or the flattened picture, export the animation as a strip or a
// sequence of numbered images, and convert a tileset. Each gives the keyboard focus back to the
// canvas. The commands of the menus are declared in shell/file_commands.h.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "raster/image.h"

namespace qm {

struct App;

// "Export the animation as a sequence of images": frames FrameStart..FrameEnd of the current
// animation layer as name_0001.png, name_0002.png, ...
void exportSequenceImage(App& app);

// "Open an Animation (series of Images)": a new document of the first image's size whose
// animation holds the chosen images as frames 1, 2, ... (the frame import into a new document).
void openAnimation(App& app);

// The save of one picture as a PNG, JPEG or BMP file: the requester (offering `defaultPath`),
// the extension of the chosen format, the overwrite question, then `picture` is made and
// written. Failures are shown; the focus stays where it is.
void saveImageWith(App& app, const std::string& defaultPath,
                   const std::function<std::optional<Image>()>& picture);

}  // namespace qm
