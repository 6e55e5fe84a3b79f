// The image-file commands: import onto the layer, save the layer, the flattened picture or a
// sheet; and the requester answers and messages the file commands share. Each menu command gives
// the keyboard focus back to the canvas.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/ui.h"
#include "raster/image.h"

namespace qm {

struct App;

// The requester's patterns of the image files that can be imported.
constexpr const char* kImportPatterns =
    "PNG Images|*.png;*.PNG|JPG Images|*.jpeg;*.jpg;*.JPG;*.JPEG|BMP Images|*.bmp;*.BMP|"
    "TIFF Images|*.tiff|TGA Images|*.tga;*.TGA|Ico Images|*.ico|All Files|*.*";

void importOnLayer(App& app);
// mode 1: the flattened image ("SaveAs"); 0: the current layer; 2: the roughboard.
void saveImageAs(App& app, int mode);

// The save of one picture as a PNG, JPEG or BMP file: the requester (offering `defaultPath`),
// the extension of the chosen format, the overwrite question, then `picture` is made and
// written. Failures are shown; the focus stays where it is.
void saveImageWith(App& app, const std::string& defaultPath,
                   const std::function<std::optional<Image>()>& picture);

// The one path of a requester's answer, or "" on cancel.
std::string chosenPath(const std::optional<FileChoice>& choice);
// The messages of an image that cannot be loaded or saved.
void cannotLoad(App& app, const std::string& path, const std::string& reason);
void cannotSave(App& app, const std::string& path, const std::string& error);
// Why an image cannot become a document of its size.
std::string tooLargeForDocument(App& app, const Image& image);
std::string tooLargeForDocument(App& app, int width, int height);
// The message of an image too large to be made.
void tooBig(App& app);
// True when `path` may be written: it does not exist, or the user agreed to replace it.
bool mayWrite(App& app, const std::string& title, const std::string& path);

}  // namespace qm
