// OpenRaster (.ora): the layered exchange format of painting programs. A zip archive whose
// first entry "mimetype" (stored, uncompressed) holds "image/openraster", a "stack.xml" that
// describes the layers, one PNG per layer under "data/", the flattened picture
// "mergedimage.png" and a small "Thumbnails/thumbnail.png".
//
// Writing: one <layer> per layer of the document, the top of the stack first, with its name,
// file, offset, opacity (0..1), visibility and blend mode as an "svg:" compositing name. A mode
// whose arithmetic has no standard name is written as "svg:src-over" (or as the standard mode
// it computes) with the program's own attribute `quillmoth:blendmode` holding its index; a
// reader takes that attribute first. Group entries have no pixels and are not written. The
// merged picture is the flattened save's picture (flattenVisibleLayers). The pictures are
// encoded on several threads, then the archive is written through the one file writer straight
// into its temporary file, so the previous file stays whole until the new one replaces it.
//
// Reading: nested stacks are flattened into the document's list in their order, their offsets
// added and their opacity and visibility applied to their layers; a layer whose picture is not
// the document's size is placed at its offset on a transparent document-size image (a picture
// at least the document's size keeps its own size and offset, as the program's layers do).
// Blend modes the program does not have open as Normal, listed in one notice.
//
// Nothing from the archive is trusted: its size, the number of entries, each entry's declared
// and actual size, the bytes inflated in all, the names (no absolute paths, no ".."), the XML
// (bounded, no entity expansion), the layer count and the pixels decoded are all checked. A bad
// archive is a message and no document; a file is never extracted to disk.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "document/document.h"
#include "document/qmd_format.h"

namespace qm {

constexpr std::string_view kOpenRasterMimeType = "image/openraster";

// Limits of what an archive may ask of the reader.
constexpr std::size_t kMaxOpenRasterBytes = std::size_t(2) << 30;          // the file
constexpr std::size_t kMaxOpenRasterEntries = 4096;                        // entries in it
constexpr std::size_t kMaxOpenRasterStackBytes = std::size_t(4) << 20;     // stack.xml
constexpr std::size_t kMaxOpenRasterLayerBytes = std::size_t(256) << 20;   // one layer's PNG
constexpr std::size_t kMaxOpenRasterInflatedBytes = std::size_t(3) << 30;  // all read entries
constexpr int64_t kMaxOpenRasterPixels = int64_t(1) << 30;  // all layer pictures decoded

// The blend mode names of the format.
//
// The name written for a Blendmode (an index outside 0..14 is Normal's).
std::string_view compositeOpForBlendmode(int blendmode);
// True when the name written for `blendmode` does not read back as that mode, so the file also
// carries the program's own attribute.
bool blendmodeNeedsOwnAttribute(int blendmode);
// How a composite-op reads.
struct CompositeOpReading {
    int blendmode = 0;
    bool known = true;     // false: a mode the program does not have (read as Normal)
    bool nearest = false;  // the program's nearest mode, not the same arithmetic
};
CompositeOpReading blendmodeForCompositeOp(std::string_view op);

// The path a save writes for the chosen name: ".ora" is appended unless the name ends in it
// (in any letter case).
std::string openRasterPathFor(std::string_view chosen);

struct OpenRasterContents {
    // As readDocumentFile gives a document: layers sorted by Position 1..n, one selected,
    // Frame the given frame, every image at least the document size. unreadableFiles stays
    // empty: a layer that cannot be read refuses the whole file.
    DocumentFileContents document;
    // One message to show after opening, or empty: the layers whose blend modes the program
    // does not have (opened as Normal) or has only approximately.
    std::string notice;
};

// Reads an archive held in memory; `name` is used in messages. `maxPixels` bounds the pixels
// of all layer pictures decoded (each counted at least at the document's size).
std::optional<OpenRasterContents> readOpenRaster(std::span<const uint8_t> bytes,
                                                 std::string_view name, int16_t frame,
                                                 std::string& error,
                                                 int64_t maxPixels = kMaxOpenRasterPixels);
// Reads the file at (the resolution of) `path`.
std::optional<OpenRasterContents> readOpenRasterFile(std::string_view path, int16_t frame,
                                                     std::string& error);

struct OpenRasterSaveOptions {
    int threads = 2;  // pictures are encoded this many at a time
    // Called on the calling thread as pictures are encoded: (done, total).
    std::function<void(int, int)> progress = {};
};

// The archive's bytes for `doc`.
std::optional<std::vector<uint8_t>> encodeOpenRaster(const Document& doc, std::string& error,
                                                     const OpenRasterSaveOptions& options = {});
// Writes the archive at `path` (used as given; see openRasterPathFor). False with a message
// naming the path when it could not be written; the file that was there is then unchanged.
bool writeOpenRasterFile(const Document& doc, std::string_view path, std::string& error,
                         const OpenRasterSaveOptions& options = {});

// The stack.xml text for `doc` whose pictures are `files` (one per written layer, top first).
std::string openRasterStackXml(const Document& doc);

}  // namespace qm
