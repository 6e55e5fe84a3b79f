#include "shell/image_commands.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "document/document_ops.h"
#include "io/animation_files.h"
#include "io/image_files.h"
#include "platform/paths.h"
#include "raster/draw_image.h"
#include "shell/app.h"
#include "shell/canvas_frame.h"
#include "shell/dialogs.h"
#include "shell/dictionary.h"
#include "shell/document_commands.h"
#include "shell/edits.h"
#include "shell/file_commands.h"
#include "shell/layer_commands.h"
#include "shell/panels.h"
#include "shell/paper_commands.h"
#include "shell/roughboard.h"
#include "shell/swatch.h"
#include "shell/tileset_dialog.h"
#include "shell/view.h"

namespace qm {

namespace {

constexpr const char* kOpenAsPatterns =
    "BMP Image|*.BMP;*.bmp|ICO Images|*.ico;*.ICO|JPEG Images|*.jpeg;*.jpg;*.JPG;*.JPEG|"
    "JPG2000 Images|*.jpg2000|PNG Images|*.png;*.PNG|TGA Images|*.tga;*.TGA|"
    "TIFF Images|*.tiff;*.TIFF|OpenRaster|*.ora;*.ORA|All Files|*.*";
constexpr const char* kImportPatterns =
    "PNG Images|*.png;*.PNG|JPG Images|*.jpeg;*.jpg;*.JPG;*.JPEG|BMP Images|*.bmp;*.BMP|"
    "TIFF Images|*.tiff|TGA Images|*.tga;*.TGA|Ico Images|*.ico|All Files|*.*";
constexpr const char* kSavePatterns = "PNG Images|*.png|JPEG Images|*.jpeg|BMP Images|*.bmp";
constexpr const char* kStripTitle = "Export (SpriteSheet/AnimStrip)";
constexpr const char* kStripPatterns = "Image PNG|*.png|Image JPG|*.jpg|Image BMP|*.bmp";
constexpr const char* kSequenceTitle = "Export the animation as a sequence of images";
// JPEG quality of image saves and of the strip, on the 0..10 scale.
constexpr int kSaveJpegQuality = 7;
constexpr int kStripJpegQuality = 8;

// The one path of a requester's answer, or "" on cancel.
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

// Why an image cannot become a document of its size.
std::string tooLargeForDocument(App& app, const Image& image) {
    return fillIn(Text(app.dictionary, "ImageTooLargeForDocument"),
                  {std::to_string(image.width), std::to_string(image.height),
                   std::to_string(kMaxDocumentSide), std::to_string(kMaxDocumentPixels)});
}

void tooBig(App& app) {
    app.ui.messageBox(Text(app.dictionary, "error"),
                      Text(app.dictionary, "UnableToCreateBigImage"));
}

// True when `path` may be written: it does not exist, or the user agreed to replace it.
bool mayWrite(App& app, const std::string& title, const std::string& path) {
    return !fileExists(path) ||
           app.ui.askYesNo(title, Text(app.dictionary, "Overwrite this file?") + " " + path);
}

// The document rebuilt as one layer holding `image`. False (the document as it was) when the
// document cannot be made.
bool documentFromImage(App& app, Image image) {
    Document previous = std::move(app.doc);
    app.doc = Document{};
    app.doc.OnionBefore = previous.OnionBefore;
    app.doc.OnionAfter = previous.OnionAfter;
    app.doc.paper = previous.paper;
    app.doc.Zoom = 100;
    app.doc.Width = int16_t(image.width);
    app.doc.Height = int16_t(image.height);
    if (!newDocument(app.doc, {app.workImage2, app.workImage4, app.workImage3}) ||
        !fitPaperIfNeeded(app)) {
        app.doc = std::move(previous);
        for (Image* work : {&app.workImage2, &app.workImage3, &app.workImage4})
            if (auto fresh = createImage(app.doc.Width, app.doc.Height, 32))
                *work = std::move(*fresh);
        fitPaperIfNeeded(app);
        return false;
    }
    // The file's pixels and alpha replace the layer's: the layer is the decoded image itself.
    // (Work image 4 stays as the reset made it: no step reads it back, and copying a large
    // image into it would cost as much as a tenth of the opening.)
    image.depth = 32;
    *currentImage(app.doc) = std::move(image);
    return true;
}

void showNewDocument(App& app) {
    rebuildAllDisplayImages(app);
    startHistory(app);
    app.documentPath.clear();  // the image is no document file: Save asks for a name
    rebuildLayerPanel(app);
    showLayerProperties(app, 0);
    refreshPanelControls(app);
    setInitialTitle(app);
    centerView(app);
    refreshStatusBar(app);
    redrawTimeline(app);
    redrawAnimationLayerList(app);
    redrawNavigator(app);
}

const AnimationLayer* exportLayer(App& app, const char* title) {
    const AnimationLayer* layer = findCurrentAnimationLayer(app.doc);
    Dictionary& d = app.dictionary;
    if (!layer || layer->Frames.empty()) {
        app.ui.messageBox(Text(d, title), Text(d, "NoFrameToExport"));
        return nullptr;
    }
    if (app.doc.FrameEnd < app.doc.FrameStart) {
        app.ui.messageBox(Text(d, title), fillIn(Text(d, "RangeEndBeforeStart"),
                                                 {std::to_string(app.doc.FrameEnd),
                                                  std::to_string(app.doc.FrameStart)}));
        return nullptr;
    }
    return layer;
}

void exportStrip(App& app) {
    if (app.importedFrames < 2) {
        app.ui.messageBox(Text(app.dictionary, kStripTitle),
                          Text(app.dictionary, "StripNeedsImportedFrames"));
        return;
    }
    const AnimationLayer* layer = exportLayer(app, kStripTitle);
    if (!layer) return;
    const auto choice =
        app.ui.saveFileRequester({Text(app.dictionary, kStripTitle), "", kStripPatterns, 0, false});
    std::string path = chosenPath(choice);
    if (path.empty()) return;
    const SaveFormat format = saveFormatFromIndex(choice->patternIndex);
    // A name without an extension takes the filter's; one with an extension keeps it.
    if (fileExtension(path).empty()) path += saveExtension(format);
    if (!mayWrite(app, "", path)) return;
    const Document& doc = app.doc;
    const FrameSize size = animationFrameSize(*layer, doc.CurrentFrame);
    std::string error;
    if (format == SaveFormat::Png) {
        // Row by row on two threads: a long strip may be wider than an image may be.
        if (!writeStripPng(*layer, doc.FrameStart, doc.FrameEnd, size.width, size.height, path,
                           error))
            cannotSave(app, path, error);
        return;
    }
    const auto strip = composeStrip(*layer, doc.FrameStart, doc.FrameEnd, size.width, size.height);
    if (!strip) return tooBig(app);
    if (!saveImageFile(*strip, path, format, kStripJpegQuality, error))
        cannotSave(app, path, error);
}

}  // namespace

bool openImageFileAsDocument(App& app, const std::string& path) {
    std::string error;
    auto image = loadImageForDocument(path, error);
    if (!image) {
        cannotLoad(app, path, error);
    } else if (!documentSizeAllowed(image->width, image->height)) {
        cannotLoad(app, path, tooLargeForDocument(app, *image));
    } else if (!documentFromImage(app, std::move(*image))) {
        tooBig(app);
    } else {
        showNewDocument(app);
        return true;
    }
    return false;
}

void openImageAsDocument(App& app) {
    if (!mayReplaceDocument(app)) return focusCanvas(app);
    const std::string path = chosenPath(app.ui.openFileRequester(
        {Text(app.dictionary, "Load Image..."), "", kOpenAsPatterns, 0, false}));
    // An OpenRaster file keeps its layers.
    if (isOpenRasterPath(path))
        openDocumentFile(app, path);
    else if (!path.empty())
        openImageFileAsDocument(app, path);
    focusCanvas(app);
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
            drawImage(layer->image, *image, 0, 0, DrawMode::AllChannels, 255);
        }
    }
    focusCanvas(app);
}

namespace {

// False (after saying so) when no more frames may be imported while the program runs.
bool framesLeftToImport(App& app) {
    if (app.importedFrames < kMaxImportedFrames) return true;
    app.ui.messageBox(Text(app.dictionary, "error"),
                      fillIn(Text(app.dictionary, "ImportedFramesLimit"),
                             {std::to_string(kMaxImportedFrames)}));
    return false;
}

// False (after saying so) when the first file chosen is not of a kind frames are made from.
bool frameFileAccepted(App& app, const std::string& first) {
    if (animationFileAccepted(first)) return true;
    app.ui.messageBox(Text(app.dictionary, "error"), Text(app.dictionary, "OnlyImageFilesAllowed"));
    return false;
}

// The chosen files as animation frames of the current animation layer from CurrentFrame on,
// one undo step; files that do not load are named afterwards.
void importFrames(App& app, const std::vector<std::string>& paths) {
    Document& doc = app.doc;
    std::vector<std::string> failed;
    int imported = 0;
    {
        ScopedEdit edit(app, "Import Frames");
        app.history.animation(doc);
        for (const std::string& path : paths) {
            if (app.importedFrames >= kMaxImportedFrames) break;
            std::string error;
            auto image = loadImageForDocument(path, error);
            // A file that does not load takes no frame; it is named in the message after.
            if (!image || !addAnimationFrame(doc, std::move(*image))) {
                failed.push_back(path + (error.empty() ? "" : ": " + error));
                continue;
            }
            ++doc.CurrentFrame;
            ++app.importedFrames;
            ++imported;
        }
        if (imported > 0) doc.FrameEnd = int16_t(doc.FrameStart + imported - 1);
    }
    refreshAnimationPanel(app);
    if (!failed.empty()) {
        std::string list;
        for (const std::string& f : failed) list += "\n" + f;
        app.ui.messageBox(Text(app.dictionary, "error"),
                          Text(app.dictionary, "FilesSkipped") + list);
    }
}

}  // namespace

void importImageOnAnimation(App& app) {
    if (!framesLeftToImport(app)) return focusCanvas(app);
    const auto choice =
        app.ui.openFileRequester({Text(app.dictionary, "Importer image(s)"), "", "", 0, true});
    const std::string first = chosenPath(choice);
    if (!first.empty() && frameFileAccepted(app, first)) importFrames(app, choice->paths);
    focusCanvas(app);
}

void openAnimation(App& app) {
    if (!framesLeftToImport(app) || !mayReplaceDocument(app)) return focusCanvas(app);
    const auto choice = app.ui.openFileRequester(
        {Text(app.dictionary, "OpenGroupImageAsAnimation"), "", kImportPatterns, 0, true});
    const std::string first = chosenPath(choice);
    if (first.empty() || !frameFileAccepted(app, first)) return focusCanvas(app);
    // The document takes the first image's size, with one empty layer to paint on.
    std::string error;
    const auto image = loadImageForDocument(first, error);
    if (!image) {
        cannotLoad(app, first, error);
        return focusCanvas(app);
    }
    if (!documentSizeAllowed(image->width, image->height)) {
        cannotLoad(app, first, tooLargeForDocument(app, *image));
        return focusCanvas(app);
    }
    auto empty = createImage(image->width, image->height, 32);
    if (!empty || !documentFromImage(app, std::move(*empty))) {
        tooBig(app);
        return focusCanvas(app);
    }
    app.documentPath.clear();
    showNewDocument(app);
    importFrames(app, choice->paths);
    // The frames are what was opened: the history and the modified mark start after them.
    startHistory(app);
    setInitialTitle(app);
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

void exportAnimStrip(App& app) {
    exportStrip(app);
    focusCanvas(app);
}

void exportSequenceImage(App& app) {
    if (const AnimationLayer* layer = exportLayer(app, kSequenceTitle)) {
        const auto choice = app.ui.saveFileRequester(
            {Text(app.dictionary, kSequenceTitle), "", "Image PNG|*.png", 0, false});
        const std::string typed = chosenPath(choice);
        const Document& doc = app.doc;
        const int count = doc.FrameEnd - doc.FrameStart + 1;
        std::string existing;
        for (int i = 1; i <= count && !typed.empty() && existing.empty(); ++i)
            if (fileExists(sequenceFramePath(typed, i))) existing = sequenceFramePath(typed, i);
        if (!typed.empty() &&
            (existing.empty() ||
             app.ui.askYesNo("", fillIn(Text(app.dictionary, "OverwriteSequence"), {existing})))) {
            const FrameSize size = animationFrameSize(*layer, doc.CurrentFrame);
            std::string error;
            // Four threads on the two cores: while one waits for its file to reach the disk,
            // another encodes.
            if (!writeSequence(*layer, doc.FrameStart, doc.FrameEnd, size.width, size.height,
                               typed, error, 4))
                app.ui.messageBox(Text(app.dictionary, "Image save"),
                                  Text(app.dictionary, "Cannot save the sequence:") + " " + error);
        }
    }
    focusCanvas(app);
}

void convertTileSet(App& app) {
    openTilesetDialog(app);
}

}  // namespace qm
