// Image files and the document: the formats images are saved in, the file name a save really
// writes, loading with the program's limits, and the flattened picture of the document.
#pragma once

#include <optional>
#include <string>

#include "document/document.h"
#include "raster/image.h"

namespace qm {

// The formats of the save requesters, in the order of their pattern lists.
enum class SaveFormat { Png = 0, Jpeg = 1, Bmp = 2 };

// The requester's pattern index as a format; an index outside the list is PNG.
SaveFormat saveFormatFromIndex(int patternIndex);
// ".png", ".jpg" or ".bmp".
const char* saveExtension(SaveFormat format);

// The path a save writes for the name the user typed: every occurrence of the format's
// extension, in lower case exactly, is removed from the file name (never from the folders of
// the path), then the extension is appended. "b.png.old" -> "b.old.png"; "picture.PNG" with
// JPEG -> "picture.PNG.jpg".
std::string savePathFor(const std::string& typed, SaveFormat format);

// Encodes and writes through the one file writer. JPEG at `jpegQuality` (0..10); JPEG and BMP
// keep no alpha.
bool saveImageFile(const Image& image, const std::string& path, SaveFormat format,
                   int jpegQuality, std::string& error);

// Loads an image file through the path resolver; nullopt with a reason that can be shown.
std::optional<Image> loadImageForDocument(const std::string& path, std::string& error);
// The same, straight into tiles (codecs.h, loadImageFileTiles): for a layer or a frame.
std::optional<TiledImage> loadImageTilesForDocument(const std::string& path, std::string& error);

// The picture of the visible layers as the canvas composes it at 100 % zoom, onto a
// transparent document-size image instead of the background and the paper: each visible layer
// is laid at its offset through its blend mode at its opacity (display image and blend rule as
// the compositor's); where the picture below a pixel is still transparent, the layer's pixel is
// laid as a Normal layer lays it. Hidden layers and groups are left out. nullopt when the image
// cannot be made.
std::optional<Image> flattenVisibleLayers(const Document& doc);
// Lays one layer onto `picture` as flattenVisibleLayers lays each visible layer, from the
// layer's display image at 100 % (document/compositing.h, buildDisplayImage), so a caller that
// lays the same layer on many pictures makes that image once.
void layLayerDisplay(Image& picture, const Layer& layer, const Image& display);

// The current layer's image over a transparent document-size image (the layer save).
std::optional<Image> currentLayerPicture(const Document& doc);

}  // namespace qm
