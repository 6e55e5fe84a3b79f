#include "io/openraster.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstring>
#include <exception>
#include <mutex>
#include <new>
#include <thread>

#include "codecs/codecs.h"
#include "document/blend_modes.h"
#include "document/document_ops.h"
#include "io/image_files.h"
#include "io/xml_tree.h"
#include "io/zip_archive.h"
#include "platform/file_writer.h"
#include "platform/parallel.h"
#include "platform/file_bytes.h"
#include "platform/paths.h"
#include "raster/image_ops.h"
#include "raster/rounding.h"

namespace qm {

namespace {

// ---- Blend modes ----------------------------------------------------------------------------

// The name written for each Blendmode. "Add" computes a colour dodge and "ClearLight" computes
// Overlay, so they are written under those names; Invert, Dissolve and ColorLight have no
// standard arithmetic and are written as plain "over".
constexpr std::array<std::string_view, kBlendModeCount> kWrittenOps = {
    "svg:src-over",     // 0 Normal
    "svg:multiply",     // 1 Multiply
    "svg:color-dodge",  // 2 Add
    "svg:screen",       // 3 Screen
    "svg:overlay",      // 4 Overlay
    "svg:src-over",     // 5 Invert
    "svg:color-burn",   // 6 Color Burn
    "svg:src-over",     // 7 Dissolve
    "svg:difference",   // 8 Difference
    "svg:exclusion",    // 9 Exclusion
    "svg:lighten",      // 10 Lighten
    "svg:darken",       // 11 Darken
    "svg:hard-light",   // 12 HardLight
    "svg:overlay",      // 13 ClearLight
    "svg:src-over",     // 14 ColorLight
};

struct ReadOp {
    std::string_view op;
    int blendmode;
    bool nearest;
};
// How names read; a name is looked up with its "svg:" prefix (a bare name gets one). Exclusion
// is also written with other prefixes and is matched apart.
constexpr ReadOp kReadOps[] = {
    {"svg:src-over", 0, false},    {"svg:multiply", 1, false}, {"svg:color-dodge", 2, false},
    {"svg:screen", 3, false},      {"svg:overlay", 4, false},  {"svg:color-burn", 6, false},
    {"svg:difference", 8, false},  {"svg:lighten", 10, false}, {"svg:darken", 11, false},
    {"svg:hard-light", 12, false}, {"svg:plus", 2, true},      {"svg:soft-light", 13, true},
};
constexpr int kExclusion = 9;

constexpr std::string_view kOwnModeAttribute = "quillmoth:blendmode";
constexpr std::string_view kOwnNamespace = "urn:x-quillmoth:openraster";

// ---- Numbers and text -------------------------------------------------------------------------

// A decimal number as the format writes them ("1", "0.502", "-12", " 3.0 "); nullopt for
// anything else (no locale, no hexadecimal, no infinities).
std::optional<double> parseNumber(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = 0;
    const auto [end, ec] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string numberText(double value) {
    char buffer[32];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 4);
    return std::string(buffer, result.ptr);
}

// Text as an XML attribute value: markup characters escaped, control characters (which XML
// cannot hold) and bytes that are not UTF-8 replaced, so any reader accepts the file.
std::string xmlAttribute(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = uint8_t(text[i]);
        if (c < 0x80) {
            switch (c) {
                case '&':
                    out += "&amp;";
                    break;
                case '<':
                    out += "&lt;";
                    break;
                case '>':
                    out += "&gt;";
                    break;
                case '"':
                    out += "&quot;";
                    break;
                default:
                    out += c < 0x20 || c == 0x7F ? ' ' : char(c);
            }
            ++i;
            continue;
        }
        // The length of a well-formed sequence starting here, or 0.
        const std::size_t length = c >= 0xC2 && c <= 0xDF   ? 2
                                   : c >= 0xE0 && c <= 0xEF ? 3
                                   : c >= 0xF0 && c <= 0xF4 ? 4
                                                            : 0;
        bool valid = length != 0 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k)
            valid = (uint8_t(text[i + k]) & 0xC0) == 0x80;
        if (valid && length == 3) {
            const auto b = uint8_t(text[i + 1]);
            valid = !(c == 0xE0 && b < 0xA0) && !(c == 0xED && b >= 0xA0);  // overlong, surrogate
        }
        if (valid && length == 4) {
            const auto b = uint8_t(text[i + 1]);
            valid = !(c == 0xF0 && b < 0x90) && !(c == 0xF4 && b >= 0x90);  // overlong, > U+10FFFF
        }
        if (valid) {
            out.append(text.substr(i, length));
            i += length;
        } else {
            out += '?';
            ++i;
        }
    }
    return out;
}

// ---- Running pictures on several threads -------------------------------------------------------

// ---- Writing ---------------------------------------------------------------------------------

// The layers a file holds, bottom first: every entry with pixels (groups have none).
std::vector<const Layer*> writtenLayers(const Document& doc) {
    std::vector<const Layer*> layers;
    for (const Layer& layer : doc.layers)
        if (!layer.IsGroup) layers.push_back(&layer);
    return layers;
}

std::string layerEntryName(std::size_t bottomIndex) {
    return "data/layer" + std::to_string(bottomIndex) + ".png";
}

// The merged picture reduced to fit 256 x 256 (an image that fits is kept).
std::optional<Image> thumbnailOf(const Image& merged) {
    const int side = std::max(merged.width, merged.height);
    if (side <= 256) return merged;
    const int w = std::max(1, int(int64_t(merged.width) * 256 / side));
    const int h = std::max(1, int(int64_t(merged.height) * 256 / side));
    return resizeSmooth(merged, w, h);
}

// ---- Reading ---------------------------------------------------------------------------------

// A layer as the stack describes it, with the offsets, opacity and visibility of the stacks
// around it applied.
struct StackLayer {
    std::string name;
    std::string src;
    int64_t x = 0, y = 0;
    double opacity = 1;
    bool visible = true;
    bool selected = false;
    std::string op;
    CompositeOpReading mode;
};

struct StackPlacement {
    int64_t x = 0, y = 0;
    double opacity = 1;
    bool visible = true;
};

int64_t offsetAttribute(const XmlElement& element, std::string_view name) {
    const std::string* text = element.attribute(name);
    const auto value = text ? parseNumber(*text) : std::nullopt;
    return value ? roundHalfEven(std::clamp(*value, -1e9, 1e9)) : 0;
}

double opacityAttribute(const XmlElement& element) {
    const std::string* text = element.attribute("opacity");
    const auto value = text ? parseNumber(*text) : std::nullopt;
    return value ? std::clamp(*value, 0.0, 1.0) : 1.0;
}

bool visibleAttribute(const XmlElement& element) {
    const std::string* text = element.attribute("visibility");
    return !text || *text != "hidden";
}

StackPlacement inside(const StackPlacement& outer, const XmlElement& element) {
    return {outer.x + offsetAttribute(element, "x"), outer.y + offsetAttribute(element, "y"),
            outer.opacity * opacityAttribute(element), outer.visible && visibleAttribute(element)};
}

// The layers of `stack` and of the stacks inside it, top first.
bool collectLayers(const XmlElement& stack, const StackPlacement& placement,
                   std::vector<StackLayer>& out, std::string& why) {
    for (const XmlElement& child : stack.children) {
        if (child.name == "stack") {
            if (!collectLayers(child, inside(placement, child), out, why)) return false;
            continue;
        }
        if (child.name != "layer") continue;  // text, filters: not in the baseline, not read
        if (out.size() >= size_t(kMaxDocumentLayers)) {
            why = "it has more than " + std::to_string(kMaxDocumentLayers) + " layers";
            return false;
        }
        const std::string* src = child.attribute("src");
        if (!src || src->empty()) {
            why = "a layer names no file";
            return false;
        }
        StackLayer layer;
        const StackPlacement own = inside(placement, child);
        layer.src = *src;
        if (const std::string* name = child.attribute("name")) layer.name = *name;
        layer.x = own.x;
        layer.y = own.y;
        layer.opacity = own.opacity;
        layer.visible = own.visible;
        const std::string* selected = child.attribute("selected");
        layer.selected = selected && *selected == "true";
        const std::string* op = child.attribute("composite-op");
        layer.op = op ? *op : "svg:src-over";
        layer.mode = blendmodeForCompositeOp(layer.op);
        if (const std::string* own = child.attribute(kOwnModeAttribute)) {
            const auto index = parseNumber(*own);
            if (index && *index >= 0 && *index < kBlendModeCount && *index == std::floor(*index))
                layer.mode = {int(*index), true, false};
        }
        out.push_back(std::move(layer));
    }
    return true;
}

// The width and height in a PNG's header; nullopt when the data is not a PNG.
std::optional<std::pair<uint32_t, uint32_t>> pngHeaderSize(std::span<const uint8_t> data) {
    static constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (data.size() < 24 || std::memcmp(data.data(), kSignature, 8) != 0 ||
        std::memcmp(data.data() + 12, "IHDR", 4) != 0)
        return std::nullopt;
    auto be32 = [&](std::size_t at) {
        return uint32_t(data[at]) << 24 | uint32_t(data[at + 1]) << 16 |
               uint32_t(data[at + 2]) << 8 | uint32_t(data[at + 3]);
    };
    return std::pair{be32(16), be32(20)};
}

// The layer's picture as the document holds it. A picture at least the document's size keeps
// its size at its offset (when the offset fits the layer's fields); any other is laid at its
// offset on a transparent document-size image, cut where it leaves the document.
std::optional<TiledImage> placePicture(TiledImage picture, int64_t x, int64_t y, int width,
                                       int height, LayerProperties& layer) {
    const bool fitsFields = x >= INT16_MIN && x <= INT16_MAX && y >= INT16_MIN && y <= INT16_MAX;
    if (picture.width >= width && picture.height >= height && fitsFields) {
        layer.X = int16_t(x);
        layer.Y = int16_t(y);
        return picture;
    }
    auto placed = TiledImage::create(width, height);
    if (!placed) return std::nullopt;
    layer.X = layer.Y = 0;
    const int64_t x0 = std::max<int64_t>(x, 0), x1 = std::min<int64_t>(x + picture.width, width);
    const int64_t y0 = std::max<int64_t>(y, 0), y1 = std::min<int64_t>(y + picture.height, height);
    if (x1 <= x0 || y1 <= y0) return placed;
    // Each tile of the placed image under the picture gets its rows read from the picture's
    // tiles; one left all transparent stays missing.
    placed->forEachWritableTile(
        Rect{int(x0), int(y0), int(x1 - x0), int(y1 - y0)}, [&](PixelView v) -> Rect {
            bool painted = false;
            for (int ty = v.y; ty < v.y + v.height; ++ty) {
                uint32_t* row = v.at(v.x, ty);
                picture.readRow(int(ty - y), int(v.x - x), v.width, row);
                painted = painted || std::any_of(row, row + v.width, [](uint32_t p) { return p; });
            }
            return painted ? Rect{v.x, v.y, v.width, v.height} : Rect{};
        });
    return placed;
}

std::string quoted(const std::string& name) {
    return "\"" + name + "\"";
}

std::string modesNotice(const std::vector<StackLayer>& layers) {
    std::string unknown, nearest;
    for (const StackLayer& layer : layers) {
        if (!layer.mode.known) {
            unknown += (unknown.empty() ? "" : ", ") + quoted(layer.name) + " (" + layer.op + ")";
        } else if (layer.mode.nearest) {
            nearest += (nearest.empty() ? "" : ", ") + quoted(layer.name) + " (" + layer.op +
                       " as " + blendMode(layer.mode.blendmode).name + ")";
        }
    }
    std::string notice;
    if (!unknown.empty())
        notice =
            "These layers use blend modes that Quillmoth does not have; they open as "
            "Normal: " +
            unknown + ".";
    if (!nearest.empty())
        notice += (notice.empty() ? "" : "\n") +
                  std::string("These layers open in the nearest blend mode Quillmoth has: ") +
                  nearest + ".";
    return notice;
}

}  // namespace

// ---- Blend modes ------------------------------------------------------------------------------

std::string_view compositeOpForBlendmode(int blendmode) {
    return kWrittenOps[size_t(blendMode(blendmode).index)];
}

bool blendmodeNeedsOwnAttribute(int blendmode) {
    const int index = blendMode(blendmode).index;
    return blendmodeForCompositeOp(kWrittenOps[size_t(index)]).blendmode != index;
}

CompositeOpReading blendmodeForCompositeOp(std::string_view op) {
    const std::string lower = toLowerAscii(op);
    const std::size_t colon = lower.find(':');
    if (lower.substr(colon == std::string::npos ? 0 : colon + 1) == "exclusion")
        return {kExclusion, true, false};
    const std::string name = colon == std::string::npos ? "svg:" + lower : lower;
    for (const ReadOp& read : kReadOps)
        if (read.op == name) return {read.blendmode, true, read.nearest};
    return {0, false, false};
}

std::string openRasterPathFor(std::string_view chosen) {
    std::string path(chosen);
    if (!endsWithIgnoreCase(path, ".ora") || fileName(path).size() <= 4) path += ".ora";
    return path;
}

// ---- Writing ------------------------------------------------------------------------------

std::string openRasterStackXml(const Document& doc) {
    const std::vector<const Layer*> layers = writtenLayers(doc);
    std::string xml = "<?xml version='1.0' encoding='UTF-8'?>\n";
    xml += "<image version=\"0.0.3\" w=\"" + std::to_string(doc.Width) + "\" h=\"" +
           std::to_string(doc.Height) + "\" xmlns:quillmoth=\"" + std::string(kOwnNamespace) +
           "\">\n <stack>\n";
    for (std::size_t k = layers.size(); k-- > 0;) {
        const Layer& layer = *layers[k];
        xml += "  <layer name=\"" + xmlAttribute(layer.Name) + "\" src=\"" + layerEntryName(k) +
               "\" x=\"" + std::to_string(layer.X) + "\" y=\"" + std::to_string(layer.Y) +
               "\" opacity=\"" + numberText(layer.Opacity / 255.0) + "\" visibility=\"" +
               (layer.Visible ? "visible" : "hidden") + "\" composite-op=\"" +
               std::string(compositeOpForBlendmode(layer.Blendmode)) + "\"";
        if (blendmodeNeedsOwnAttribute(layer.Blendmode))
            xml += " " + std::string(kOwnModeAttribute) + "=\"" +
                   std::to_string(blendMode(layer.Blendmode).index) + "\"";
        if (layer.Selected) xml += " selected=\"true\"";
        xml += "/>\n";
    }
    xml += " </stack>\n</image>\n";
    return xml;
}

namespace {

// The encoded pictures and the stack of a file, and its entries (which point into them).
struct OpenRasterParts {
    std::string stack;
    std::vector<std::vector<uint8_t>> layers;
    std::vector<uint8_t> merged, thumbnail;

    std::vector<ZipEntry> entries() const {
        const auto asBytes = [](std::string_view text) {
            return std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()),
                                            text.size());
        };
        std::vector<ZipEntry> list;
        list.push_back({"mimetype", asBytes(kOpenRasterMimeType), false});
        list.push_back({"stack.xml", asBytes(stack), true});
        for (std::size_t k = 0; k < layers.size(); ++k)
            list.push_back({layerEntryName(k), layers[k], false});
        list.push_back({"Thumbnails/thumbnail.png", thumbnail, false});
        list.push_back({"mergedimage.png", merged, false});
        return list;
    }
};

std::optional<OpenRasterParts> encodeParts(const Document& doc, std::string& error,
                                           const OpenRasterSaveOptions& options) {
    if (!documentSizeAllowed(doc.Width, doc.Height)) {
        error = "the document's size " + std::to_string(doc.Width) + " x " +
                std::to_string(doc.Height) + " cannot be saved";
        return std::nullopt;
    }
    const std::vector<const Layer*> layers = writtenLayers(doc);
    if (layers.size() > size_t(kMaxDocumentLayers)) {
        error = "it has " + std::to_string(layers.size()) + " layers";
        return std::nullopt;
    }
    OpenRasterParts parts;
    parts.layers.resize(layers.size());
    // Item 0 is the merged picture and its thumbnail (the longest: flattening, then encoding),
    // items 1..n the layers.
    const int count = int(layers.size()) + 1;
    std::vector<std::string> failures(static_cast<size_t>(count));
    const bool enoughMemory = forEachItem(
        count, options.threads,
        [&](int i) {
            std::string& why = failures[size_t(i)];
            if (i == 0) {
                const auto picture = flattenVisibleLayers(doc);
                const auto small = picture ? thumbnailOf(*picture) : std::nullopt;
                if (!picture || !small) throw std::bad_alloc();
                if (encodePng(*picture, parts.merged, why)) encodePng(*small, parts.thumbnail, why);
                return;
            }
            const Layer& layer = *layers[size_t(i - 1)];
            if (layer.image.empty()) {  // a group: a transparent image
                const auto blank = TiledImage::create(doc.Width, doc.Height);
                if (!blank) throw std::bad_alloc();
                encodePngOfTiles(*blank, parts.layers[size_t(i - 1)], why);
            } else {
                encodePngOfTiles(layer.image, parts.layers[size_t(i - 1)], why);
            }
        },
        [&](int done) {
            if (options.progress) options.progress(done, count);
        });
    if (!enoughMemory) {
        error = "not enough memory";
        return std::nullopt;
    }
    for (const std::string& why : failures) {
        if (!why.empty()) {
            error = why;
            return std::nullopt;
        }
    }
    parts.stack = openRasterStackXml(doc);
    return parts;
}

}  // namespace

std::optional<std::vector<uint8_t>> encodeOpenRaster(const Document& doc, std::string& error,
                                                     const OpenRasterSaveOptions& options) {
    const auto parts = encodeParts(doc, error, options);
    if (!parts) return std::nullopt;
    return makeZipArchive(parts->entries(), error);
}

bool writeOpenRasterFile(const Document& doc, std::string_view path, std::string& error,
                         const OpenRasterSaveOptions& options) {
    std::string why;
    bool written = false;
    try {
        // The archive goes straight into the file writer's temporary file.
        if (const auto parts = encodeParts(doc, why, options)) {
            const std::vector<ZipEntry> entries = parts->entries();
            written = writeFileAtomicallyWith(
                path,
                [&](int fd, std::string& fault) { return writeZipArchive(fd, entries, fault); },
                why);
        }
    } catch (const std::bad_alloc&) {
        why = "not enough memory";
    }
    if (!written) error = "Cannot save " + std::string(path) + " as OpenRaster: " + why;
    return written;
}

// ---- Reading ------------------------------------------------------------------------------

std::optional<OpenRasterContents> readOpenRaster(std::span<const uint8_t> bytes,
                                                 std::string_view name, int16_t frame,
                                                 std::string& error, int64_t maxPixels) {
    const std::string fileLabel(name);
    auto refuse = [&](const std::string& why) {
        error = "Cannot open " + fileLabel + " as OpenRaster: " + why + ".";
        return std::nullopt;
    };
    if (bytes.size() > kMaxOpenRasterBytes) return refuse("the file is too large");
    if (bytes.size() < 22) return refuse("it is not a zip archive (too short)");
    std::string why;
    if (!zipDirectoryWithinLimits(bytes, kMaxOpenRasterEntries, why)) return refuse(why);
    auto archive = ZipReader::open(bytes, why);
    if (!archive) return refuse("it is not a zip archive (" + why + ")");

    if (archive->entryCount() > kMaxOpenRasterEntries) return refuse("it has too many entries");
    for (std::size_t i = 0; i < archive->entryCount(); ++i) {
        const auto entry = archive->entryName(i, why);
        if (!entry) return refuse(why);
        if (zipNameEscapes(*entry)) return refuse("it holds a file outside itself: " + *entry);
    }

    std::atomic<uint64_t> budget{kMaxOpenRasterInflatedBytes};
    std::vector<uint8_t> data;
    // The mimetype entry is optional for the reader, but when present it must be ours.
    if (const auto mimetype = archive->find("mimetype")) {
        if (!archive->read(*mimetype, 256, budget, data, why)) return refuse("mimetype: " + why);
        std::string type(data.begin(), data.end());
        while (!type.empty() && (type.back() == '\n' || type.back() == '\r' || type.back() == ' '))
            type.pop_back();
        if (type != kOpenRasterMimeType) return refuse("its type is \"" + type + "\"");
    }
    const auto stackEntry = archive->find("stack.xml");
    if (!stackEntry) return refuse("it has no stack.xml");
    if (!archive->read(*stackEntry, kMaxOpenRasterStackBytes, budget, data, why))
        return refuse("stack.xml: " + why);
    const auto root =
        parseXml(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()), why);
    if (!root) return refuse("stack.xml: " + why);
    if (root->name != "image") return refuse("stack.xml does not describe an image");

    const auto width = root->attribute("w") ? parseNumber(*root->attribute("w")) : std::nullopt;
    const auto height = root->attribute("h") ? parseNumber(*root->attribute("h")) : std::nullopt;
    if (!width || !height) return refuse("stack.xml gives no size");
    if (*width != std::floor(*width) || *height != std::floor(*height) ||
        !documentSizeAllowed(int64_t(std::clamp(*width, -1.0, 1e9)),
                             int64_t(std::clamp(*height, -1.0, 1e9))))
        return refuse("its size " + numberText(*width) + " x " + numberText(*height) +
                      " is not allowed (1 to " + std::to_string(kMaxDocumentSide) +
                      " pixels a side, at most " + std::to_string(kMaxDocumentPixels / 1'000'000) +
                      " million pixels)");
    const int docW = int(*width), docH = int(*height);

    std::vector<StackLayer> stack;
    const auto top = std::find_if(root->children.begin(), root->children.end(),
                                  [](const XmlElement& e) { return e.name == "stack"; });
    if (top != root->children.end() && !collectLayers(*top, inside({}, *top), stack, why))
        return refuse(why);

    // Every file the stack names is checked before any is read.
    std::vector<std::size_t> entries(stack.size());
    for (std::size_t i = 0; i < stack.size(); ++i) {
        if (zipNameEscapes(stack[i].src))
            return refuse("a layer's file is outside the archive: " + stack[i].src);
        const auto entry = archive->find(zipEntryNameOf(stack[i].src));
        if (!entry) return refuse("the layer file " + stack[i].src + " is missing");
        entries[i] = *entry;
    }

    OpenRasterContents contents;
    DocumentFileContents& doc = contents.document;
    doc.Width = int16_t(docW);
    doc.Height = int16_t(docH);
    const std::size_t n = stack.size();
    doc.layers.resize(std::max<std::size_t>(n, 1));
    std::atomic<int64_t> pixelsLeft{maxPixels};
    std::vector<std::string> failures(n);
    std::mutex zipLock;  // the library reads one entry at a time
    const bool enoughMemory = forEachItem(
        int(n), 2,
        [&](int i) {
            const StackLayer& from = stack[size_t(i)];
            std::string& fault = failures[size_t(i)];
            std::vector<uint8_t> png;
            {
                std::lock_guard lock(zipLock);
                if (!archive->read(entries[size_t(i)], kMaxOpenRasterLayerBytes, budget, png,
                                   fault)) {
                    fault = from.src + ": " + fault;
                    return;
                }
            }
            const auto size = pngHeaderSize(png);
            if (!size) {
                fault = from.src + " is not a PNG image";
                return;
            }
            if (!documentSizeAllowed(size->first, size->second)) {
                fault = from.src + " is " + std::to_string(size->first) + " x " +
                        std::to_string(size->second) + " pixels, larger than a document may be";
                return;
            }
            const int64_t cost =
                std::max<int64_t>(int64_t(size->first) * size->second, int64_t(docW) * docH);
            if (pixelsLeft.fetch_sub(cost) < cost) {
                fault = "its layers hold more than " + std::to_string(maxPixels) + " pixels";
                return;
            }
            auto picture = decodePngTiles(png, fault);
            if (!picture) {
                if (fault.empty()) throw std::bad_alloc();
                fault = from.src + ": " + fault;
                return;
            }
            png = {};
            Layer& layer = doc.layers[n - 1 - size_t(i)];  // the stack lists the top first
            auto placed = placePicture(std::move(*picture), from.x, from.y, docW, docH, layer);
            if (!placed) throw std::bad_alloc();
            layer.image = std::move(*placed);
        },
        [](int) {});
    if (!enoughMemory) return refuse("not enough memory");
    for (const std::string& fault : failures)
        if (!fault.empty()) return refuse(fault);

    bool anySelected = false;
    for (std::size_t i = 0; i < n; ++i) {
        StackLayer& from = stack[i];
        Layer& layer = doc.layers[n - 1 - i];
        if (from.name.empty()) from.name = "Layer" + std::to_string(n - i);
        layer.Name = from.name;
        layer.Blendmode = uint8_t(from.mode.blendmode);
        layer.Opacity = uint8_t(std::clamp<int64_t>(roundHalfEven(from.opacity * 255), 0, 255));
        layer.Visible = from.visible ? 1 : 0;
        layer.Selected = from.selected && !anySelected ? 1 : 0;
        anySelected = anySelected || layer.Selected;
    }
    if (n == 0) {  // a document has at least one layer
        auto blank = TiledImage::create(docW, docH);
        if (!blank) return refuse("not enough memory");
        doc.layers[0].image = std::move(*blank);
        doc.layers[0].Name = "Layer1";
    }
    for (std::size_t i = 0; i < doc.layers.size(); ++i) {
        Layer& layer = doc.layers[i];
        layer.Position = uint8_t(i + 1);
        layer.Frame = frame;
        layer.Width = doc.Width;
        layer.Height = doc.Height;
        layer.Paint = 1;
    }
    if (!anySelected) doc.layers.back().Selected = 1;  // the top layer
    contents.notice = modesNotice(stack);
    return contents;
}

std::optional<OpenRasterContents> readOpenRasterFile(std::string_view path, int16_t frame,
                                                     std::string& error) {
    std::string why;
    const auto file = FileBytes::open(path, kMaxOpenRasterBytes, why);
    if (!file) {
        error = "Cannot open " + std::string(path) + " as OpenRaster: " + why;
        return std::nullopt;
    }
    try {
        return readOpenRaster(file->bytes(), path, frame, error);
    } catch (const std::bad_alloc&) {
        error = "Cannot open " + std::string(path) + " as OpenRaster: not enough memory.";
        return std::nullopt;
    }
}

}  // namespace qm
