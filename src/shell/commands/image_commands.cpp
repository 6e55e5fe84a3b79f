#include "shell/commands/image_commands.h"

#include <algorithm>
#include <functional>
#include <string>

#include "document/document_ops.h"
#include "io/image_files.h"
#include "platform/paths.h"
#include "raster/draw_image.h"
#include "shell/app.h"
#include "shell/edits.h"
#include "shell/panels/panels.h"
#include "shell/panels/roughboard.h"
#include "shell/panels/swatch.h"
#include "shell/settings/dictionary.h"

namespace qm {

namespace {

constexpr const char* kSavePatterns = "PNG Images|*.png|JPEG Images|*.jpeg|BMP Images|*.bmp";
// JPEG quality of image saves, on the 0..10 scale.
constexpr int kSaveJpegQuality = 7;

}  // namespace

std::string chosenPath(const std::optional<FileChoice>& choice) {
    return choice && !choice->paths.empty() ? choice->paths[0] : std::string();
}

void cannotLoad(App& app, const std::string& path, const std::string& reason) {
    Dictionary& d = app.dictionary;
    app.ui.messageBox(Text(d, "error"), Text(d, "Cannot load image:") + " " + path + "\n" + reason);
}

void cannotSave(App& app, const std::string& path, const std::string& error) {
    Dictionary& d = app.dictionary;
    app.ui.messageBox(Text(d, "Image save"),
                      Text(d, "Cannot save image:") + " " + path + "\n" + error);
}

std::string tooLargeForDocument(App& app, const Image& image) {
    return tooLargeForDocument(app, image.width, image.height);
}

std::string tooLargeForDocument(App& app, int width, int height) {
    return fillIn(Text(app.dictionary, "ImageTooLargeForDocument"),
                  {std::to_string(width), std::to_string(height), std::to_string(kMaxDocumentSide),
                   std::to_string(kMaxDocumentPixels)});
}

void tooBig(App& app) {
    app.ui.messageBox(Text(app.dictionary, "error"),
                      Text(app.dictionary, "UnableToCreateBigImage"));
}

bool mayWrite(App& app, const std::string& title, const std::string& path) {
    return !fileExists(path) ||
           app.ui.askYesNo(title, Text(app.dictionary, "Overwrite this file?") + " " + path);
}

void importOnLayer(App& app) {
    const std::string path = chosenPath(app.ui.openFileRequester(
        {Text(app.dictionary, "Import Image..."), "", kImportPatterns, 0, false}));
    if (!path.empty()) {
        std::string error;
        const auto image = loadImageForDocument(path, error);
        Layer* layer = currentLayer(app.doc);
        if (!image) {
            cannotLoad(app, path, error);
        } else if (layer && !layer->image.empty()) {
            // The file's pixels and alpha replace the layer's where they fall on it.
            ScopedEdit edit(app, "Import Image");
            const Rect r = intersect(Rect{0, 0, image->width, image->height},
                                     Rect{0, 0, layer->image.width, layer->image.height});
            app.history.touchPixels(app.doc, layer->id, r);
            layer->image.forEachWritableTile(r, [&](PixelView tile) {
                return drawImage(tile, *image, 0, 0, DrawMode::AllChannels, 255);
            });
        }
    }
    focusCanvas(app);
}

void saveImageWith(App& app, const std::string& defaultPath,
                   const std::function<std::optional<Image>()>& picture) {
    const auto choice = app.ui.saveFileRequester(
        {Text(app.dictionary, "Save Image..."), defaultPath, kSavePatterns, 0, false});
    const std::string typed = chosenPath(choice);
    if (typed.empty()) return;
    const SaveFormat format = saveFormatFromIndex(choice->patternIndex);
    const std::string path = savePathFor(typed, format);
    if (!mayWrite(app, "", path)) return;
    const auto made = picture();
    std::string error;
    if (!made) {
        tooBig(app);
    } else if (!saveImageFile(*made, path, format, kSaveJpegQuality, error)) {
        cannotSave(app, path, error);
    }
}

void saveImageAs(App& app, int mode) {
    if (mode == 0 || mode == 1) {
        saveImageWith(app, "", [&app, mode] {
            return mode == 1 ? flattenVisibleLayers(app.doc) : currentLayerPicture(app.doc);
        });
    } else if (mode == 2) {
        saveImageWith(app, swatchFolder(app), [&app] { return roughboardPicture(app); });
    }
    focusCanvas(app);
}

}  // namespace qm
