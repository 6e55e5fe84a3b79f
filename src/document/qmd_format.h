// The document file: a ".qmd" index (key/value text, CR LF) and, beside it, a folder with one
// PNG file per layer. The fields are those of document_fields.h, in their order.
//
// Saving never destroys the document already on disk: the layer files are written under names
// that no file in the folder has yet, each section names its file in its "Image" key, the index
// is replaced last (through the one file writer, so it is the old index or the new one), and
// only then are the replaced document's files removed. Killed at any moment, the folder holds a
// whole old document or a whole new one.
//
// Saving removes only files it wrote: those the replaced index named that the new one does not,
// and those that an earlier save of the same index wrote before it was cut off (a hidden list in
// the folder names them while a save is under way). Every other file in the folder stays: saving
// "photos.qmd" beside a folder "photos" of pictures keeps every picture.
//
// Reading never leaves the layer folder: a layer's file is its "Image" key when that names a
// file in the folder, else its Name + ".png" (files written without "Image" keys); a name that
// would reach outside the folder is refused for that layer, which then opens empty.
//
// The animation (frame settings, animation layers, frames with their holds) follows the layer
// sections; its frame images are PNG files in the sub-folder "frames" of the layer folder,
// written, tidied and confined as the layer files are (qmd_animation.h). A document without an
// animation to keep is written exactly as before it had one.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/document.h"
#include "document/qmd_animation.h"

namespace qm {

// Layers a document file may hold (Position is 8-bit).
constexpr int kMaxDocumentLayers = 255;

// The index path for a name the user chose: ".qmd" is appended unless the name already ends in
// ".qmd" (exactly that case; "a.QMD" becomes "a.QMD.qmd"), so the layer folder never has the
// index file's own name.
std::string documentIndexPath(std::string_view chosen);
// The layer folder of an index: the index's folder, and its file name with every ".qmd"
// removed ("my.qmd.files/a.qmd" -> "my.qmd.files/a"; the folder the user chose is kept).
// Empty when nothing is left of the name (".qmd").
std::string layerFolderOf(std::string_view indexPath);
// A file-name stem for a layer name that stays inside the layer folder: separators, drive
// colons and control characters become "_", a leading "." becomes "_" (so neither "." nor ".."
// nor a hidden file), an empty name becomes "Layer", and the stem is at most 120 bytes.
std::string safeLayerFileStem(std::string_view name);

// A document as read from a file, not yet the program's.
struct DocumentFileContents {
    int16_t Width = 0, Height = 0;
    // Sorted by Position with positions 1..n; the last section read is selected. Ids are 0,
    // Frame is the frame given to the reader, Width and Height are the document size, and
    // every image is at least the document size.
    std::vector<Layer> layers;
    // Layer and frame files that were missing, unreadable or refused, each with the reason
    // (their layers and frames are transparent), and frames left out.
    std::vector<std::string> unreadableFiles;
    // The animation, when the file has one (installAnimation gives it to a document).
    std::optional<DocumentAnimation> animation;
};

// Reads a document. nullopt with a message naming the path for an index that cannot be read,
// is not a document, or gives a size or layer count the program refuses. `frame` is the Frame
// every layer gets (the document's current frame).
std::optional<DocumentFileContents> readDocumentFile(std::string_view indexPath, int16_t frame,
                                                     std::string& error);

struct DocumentSaveOptions {
    int threads = 2;  // layers and frames are encoded this many at a time
    // Called on the calling thread as layers and frames are written: (written, total).
    std::function<void(int, int)> progress = {};
    // Asked before each layer and frame, on the threads that encode them: true stops the save,
    // which fails and leaves what was on disk.
    std::function<bool()> cancelled = {};
};

// Writes the document, with the frame settings of `view`, at `indexPath` (already a ".qmd"
// path, see documentIndexPath) and its layer folder. False with a message when it could not be
// written; the document that was on disk is then still whole.
bool writeDocumentFile(const Document& doc, const ViewState& view, std::string_view indexPath,
                       std::string& error, const DocumentSaveOptions& options = {});

// The index text for `doc` shown in `view` (the frame settings the file keeps) whose layers are
// stored in the given files (one per layer) and its animation frames (framesToSave) in
// `frameFiles`.
std::string documentIndexText(const Document& doc, const ViewState& view,
                              const std::vector<std::string>& files,
                              const std::vector<std::string>& frameFiles = {});

}  // namespace qm
