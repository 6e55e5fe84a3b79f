// The image-file commands: open an image as a document, import onto the layer or as animation
// frames, save the layer or the flattened picture, export the animation as a strip or a
// sequence of numbered images, and convert a tileset. Each gives the keyboard focus back to the
// canvas. The commands of the menus are declared in shell/file_commands.h.
#pragma once

namespace qm {

struct App;

// "Export the animation as a sequence of images": frames FrameStart..FrameEnd of the current
// animation layer as name_0001.png, name_0002.png, ...
void exportSequenceImage(App& app);

}  // namespace qm
