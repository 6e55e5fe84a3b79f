#include "document/qmd_format.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <filesystem>
#include <mutex>
#include <new>
#include <set>
#include <thread>

#include "codecs/codecs.h"
#include "codecs/encoded_bytes.h"
#include "document/document_fields.h"
#include "document/document_ops.h"
#include "platform/file_bytes.h"
#include "platform/key_value_file.h"
#include "platform/parallel.h"
#include "platform/paths.h"

namespace qm {

namespace {

constexpr std::string_view kIndexExtension = ".qmd";
constexpr size_t kMaxStemBytes = 120;
// A layer file is at most a document-size image; even an incompressible one is below this.
constexpr size_t kMaxLayerFileBytes = size_t(512) << 20;

void removeQuietly(const std::string& path) {
    std::error_code ec;
    std::filesystem::remove(resolvePath(path), ec);
}

bool isSymbolicLink(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_symlink(resolvePath(path), ec);
}

// A value as one line of the index.
std::string oneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\r', ' ');
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

// A file of a document as the save and its lists name it, relative to the layer folder: a layer
// file, or "frames/" and a frame image.
bool isStoredFile(std::string_view name) {
    const std::string prefix = std::string(kFrameFolderName) + "/";
    if (name.size() > prefix.size() && toLowerAscii(name.substr(0, prefix.size())) == prefix)
        name.remove_prefix(prefix.size());
    return isPlainFileName(name);
}

std::string frameFilePath(std::string_view name) {
    return std::string(kFrameFolderName) + "/" + std::string(name);
}

// The file a section names inside the layer folder: its "Image" key when that is a file of the
// folder, else Name + ".png". Empty when neither may be read without leaving the folder.
std::string sectionFile(const KeyValueFile& index, const std::string& folder,
                        const std::string& name) {
    if (index.hasKey("Image")) {
        const std::string image = index.readText("Image");
        if (isPlainFileName(image) && fileExists(joinPath(folder, image))) return image;
    }
    const std::string byName = name + ".png";
    return isPlainFileName(byName) ? byName : std::string();
}

// Whether a loaded index is a document at all (the test readDocumentFile makes).
bool looksLikeDocument(KeyValueFile& index) {
    index.selectGroup("");
    return index.hasKey("Nb_layer") || index.hasKey("Doc_w") || index.hasKey("Doc_h") ||
           index.hasGroup("Layer1");
}

// The files (lower case, as isStoredFile has them) that the document index at `indexPath`
// stores its layers and frames in: each layer section's "Image" key, or Name + ".png" for a
// section written without one, and each frame section's image. Sections the index does not
// have name nothing, and neither does a file that is not a document.
std::set<std::string> filesNamedBy(const std::string& indexPath) {
    std::set<std::string> named;
    std::string error;
    auto index = KeyValueFile::load(indexPath, error);
    if (!index || !looksLikeDocument(*index)) return named;
    const int64_t count =
        std::clamp<int64_t>(index->readInteger("Nb_layer", 1), 1, kMaxDocumentLayers);
    for (int64_t i = 1; i <= count; ++i) {
        const std::string section = "Layer" + std::to_string(i);
        if (!index->hasGroup(section)) continue;
        index->selectGroup(section);
        const std::string file = index->hasKey("Image") ? index->readText("Image")
                                                        : index->readText("Name", section) + ".png";
        if (isPlainFileName(file)) named.insert(toLowerAscii(file));
    }
    if (index->hasGroup("Animation")) {
        const std::set<std::string> frames = frameFilesNamed(IndexSections(index->text()));
        named.insert(frames.begin(), frames.end());
    }
    return named;
}

// The hidden list, in the layer folder, of the layer files a save of `indexPath` writes or is to
// remove: when a save is cut off, the files it wrote may be named by no index, or the replaced
// document's may be left, and the list is how the next save knows they are its own to remove.
std::string pendingListPath(const std::string& folder, const std::string& indexPath) {
    return joinPath(folder, "." + fileName(indexPath) + ".saving");
}

// The names in a pending list (lower case); none when there is no list.
std::set<std::string> readPendingList(const std::string& listPath) {
    std::set<std::string> names;
    std::string error;
    const auto contents = readFileLimited(listPath, size_t(1) << 20, error);
    if (!contents) return names;
    std::string_view text(*contents);
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        if (isStoredFile(line)) names.insert(toLowerAscii(line));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return names;
}

// Writes the pending list; an empty set removes it.
bool writePendingList(const std::string& listPath, const std::set<std::string>& names,
                      std::string& error) {
    if (names.empty()) {
        removeQuietly(listPath);
        return true;
    }
    std::string text;
    for (const std::string& name : names) text += name + "\n";
    return writeFileAtomically(listPath, text, error);
}

// A temporary file that the file writer left in the folder when a save was cut off: "." + the
// name of a layer file or of the pending list + ".tmp" + process id + "-" + counter.
bool isLeftoverTemporary(std::string_view lower) {
    const size_t tmp = lower.rfind(".tmp");
    if (!lower.starts_with(".") || tmp == std::string_view::npos) return false;
    const std::string_view base = lower.substr(1, tmp - 1);
    const std::string_view number = lower.substr(tmp + 4);
    const size_t dash = number.find('-');
    auto digits = [](std::string_view s) {
        return !s.empty() &&
               std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    return (base.ends_with(".png") || base.ends_with(".saving")) &&
           dash != std::string_view::npos && digits(number.substr(0, dash)) &&
           digits(number.substr(dash + 1));
}

// The image size in a PNG header, when the data starts like a PNG.
std::optional<std::pair<uint32_t, uint32_t>> pngSize(std::span<const uint8_t> data) {
    if (data.size() < 24 || std::memcmp(data.data() + 12, "IHDR", 4) != 0) return std::nullopt;
    auto be32 = [&](size_t at) {
        return uint32_t(data[at]) << 24 | uint32_t(data[at + 1]) << 16 |
               uint32_t(data[at + 2]) << 8 | uint32_t(data[at + 3]);
    };
    return std::pair{be32(16), be32(20)};
}

// A layer's image from its file (a frame's, which may be of any size an image may have, when
// `frame`), straight into tiles; nullopt with the reason.
std::optional<TiledImage> loadLayerImage(const std::string& path, std::string& reason,
                                         bool frame = false) {
    if (!fileExists(path)) {
        reason = "missing";
        return std::nullopt;
    }
    if (isSymbolicLink(path)) {
        reason = "a link, not read";
        return std::nullopt;
    }
    std::string error;
    const auto file = FileBytes::open(path, kMaxLayerFileBytes, error);
    if (!file) {
        reason = error;
        return std::nullopt;
    }
    const auto data = file->bytes();
    if (const auto size = pngSize(data);
        size && !frame && !documentSizeAllowed(size->first, size->second)) {
        reason = "its image (" + std::to_string(size->first) + " x " +
                 std::to_string(size->second) + ") is larger than a document may be";
        return std::nullopt;
    }
    auto image = decodePngTiles(data, error);
    if (!image) reason = error;
    return image;
}

// The image grown to at least w x h (transparent where it had no pixels): no pixel is copied.
bool growToAtLeast(TiledImage& image, int w, int h) {
    return image.grow(std::max(image.width, w), std::max(image.height, h));
}

}  // namespace

std::string documentIndexPath(std::string_view chosen) {
    std::string path(chosen);
    if (!path.ends_with(kIndexExtension) || fileName(path) == kIndexExtension)
        path += kIndexExtension;
    return path;
}

std::string layerFolderOf(std::string_view indexPath) {
    std::string name = fileName(indexPath);
    for (size_t at = name.find(kIndexExtension); at != std::string::npos;
         at = name.find(kIndexExtension, at))
        name.erase(at, kIndexExtension.size());
    if (name.empty()) return {};
    return joinPath(parentFolder(indexPath), name);
}

std::string safeLayerFileStem(std::string_view name) {
    std::string stem;
    for (const char c : name.substr(0, kMaxStemBytes)) {
        const bool unsafe =
            uint8_t(c) < 0x20 || std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos;
        stem += unsafe ? '_' : c;
    }
    // Cutting may have split a UTF-8 sequence: drop a dangling lead or continuation byte.
    if (name.size() > kMaxStemBytes)
        while (!stem.empty() && (uint8_t(stem.back()) & 0x80) &&
               !((uint8_t(stem.back()) & 0xC0) == 0x80 && stem.size() >= 2 &&
                 (uint8_t(stem[stem.size() - 2]) & 0x80) == 0))
            stem.pop_back();
    if (stem.empty()) return "Layer";
    if (stem.front() == '.') stem.front() = '_';
    return stem;
}

std::string documentIndexText(const Document& doc, const ViewState& view,
                              const std::vector<std::string>& files,
                              const std::vector<std::string>& frameFiles) {
    std::string text;
    auto line = [&](const std::string& s) { text += s + "\r\n"; };
    line("; Fichier quillmoth ");
    line("Nb_layer = " + std::to_string(doc.layers.size()));
    for (const DocumentField& field : documentFields())
        line(std::string(field.key) + " = " +
             withField(doc, field.member, [](const auto& v) { return fieldText(v); }));
    for (size_t i = 0; i < doc.layers.size(); ++i) {
        const LayerProperties& layer = doc.layers[i];
        line("[Layer" + std::to_string(i + 1) + "]");
        for (const LayerField& field : layerFields())
            line(std::string(field.key) + " = " +
                 oneLine(
                     withField(layer, field.member, [](const auto& v) { return fieldText(v); })));
        line("Image = " + files[i]);
    }
    return text + animationIndexText(doc, view, frameFiles);
}

std::optional<DocumentFileContents> readDocumentFile(std::string_view indexPath, int16_t frame,
                                                     std::string& error) {
    const std::string path(indexPath);
    std::string why;
    auto index = KeyValueFile::load(path, why);
    if (!index) {
        error = "Cannot open the document " + path + ": " + why;
        return std::nullopt;
    }
    if (!looksLikeDocument(*index)) {
        error = path + " is not a Quillmoth document.";
        return std::nullopt;
    }
    const std::string folder = layerFolderOf(path);
    if (folder.empty()) {
        error = "Cannot open the document " + path + ": its name leaves no layer folder.";
        return std::nullopt;
    }

    DocumentFileContents doc;
    // The size is checked at full width before it is kept in the 16-bit fields.
    int64_t size[2] = {0, 0};
    int at = 0;
    for (const DocumentField& field : documentFields()) {
        const auto value = parseLenientInteger(index->readText(field.key));
        size[at++] = value ? *value : std::get<int64_t>(field.absent);
    }
    if (!documentSizeAllowed(size[0], size[1])) {
        error = "Cannot open the document " + path + ": its size " + std::to_string(size[0]) +
                " x " + std::to_string(size[1]) + " is not allowed (1 to " +
                std::to_string(kMaxDocumentSide) + " pixels a side, at most " +
                std::to_string(kMaxDocumentPixels / 1'000'000) + " million pixels).";
        return std::nullopt;
    }
    doc.Width = int16_t(size[0]);
    doc.Height = int16_t(size[1]);

    const int64_t count = index->readInteger("Nb_layer", 1);
    if (count > kMaxDocumentLayers) {
        error = "Cannot open the document " + path + ": it has " + std::to_string(count) +
                " layers, at most " + std::to_string(kMaxDocumentLayers) + " are allowed.";
        return std::nullopt;
    }
    const int layers = int(std::max<int64_t>(count, 1));  // a document has at least one layer

    std::vector<std::string> files(static_cast<size_t>(layers));
    doc.layers.resize(size_t(layers));
    for (int i = 0; i < layers; ++i) {
        Layer& layer = doc.layers[size_t(i)];
        const std::string section = "Layer" + std::to_string(i + 1);
        index->selectGroup(section);
        layer.Name = "Layer" + std::to_string(i + 1);
        layer.Position = uint8_t(i + 1);
        for (const LayerField& field : layerFields())
            withField(static_cast<LayerProperties&>(layer), field.member,
                      [&](auto& member) { readField(*index, field.key, field.absent, member); });
        layer.Frame = frame;
        layer.Width = doc.Width;
        layer.Height = doc.Height;
        layer.Selected = 0;
        layer.IsGroup = 0;
        // A document written with fewer sections than Nb_layer says, or with none (Nb_layer
        // below 1), gets empty layers without a message.
        if (count >= 1 && index->hasGroup(section))
            files[size_t(i)] = sectionFile(*index, folder, layer.Name);
    }
    doc.layers.back().Selected = 1;  // the last read is the current layer

    // The animation, when the index has one. Its frames' images are read with the layers'.
    std::vector<FrameImageToRead> frameImages;
    std::vector<std::string> notes;
    if (index->hasGroup("Animation")) {
        std::string problem;
        doc.animation =
            readAnimationSections(IndexSections(index->text()), frameImages, notes, problem);
        if (!problem.empty()) {
            error = "Cannot open the document " + path + ": " + problem;
            return std::nullopt;
        }
    }
    const std::string frameFolder = joinPath(folder, kFrameFolderName);
    const bool frameFolderLinked = !frameImages.empty() && isSymbolicLink(frameFolder);

    const int frames = int(frameImages.size());
    std::vector<std::string> reasons(static_cast<size_t>(layers + frames));
    const bool enoughMemory = forEachItem(
        layers + frames, 2,
        [&](int i) {
            if (i >= layers) {
                const FrameImageToRead& read = frameImages[size_t(i - layers)];
                std::string reason = read.refusal;
                std::optional<TiledImage> image;
                if (frameFolderLinked)
                    reason = "the frame folder is a link, not read";
                else if (!read.file.empty())
                    image = loadLayerImage(joinPath(frameFolder, read.file), reason, true);
                if (!image) {
                    reasons[size_t(i)] =
                        read.label + " (" + (reason.empty() ? "out of memory" : reason) + ")";
                    image = TiledImage::create(doc.Width, doc.Height);
                }
                if (!image) throw std::bad_alloc();
                doc.animation->layers.at(read.key).Frames[read.index].image = std::move(*image);
                return;
            }
            Layer& layer = doc.layers[size_t(i)];
            const std::string& file = files[size_t(i)];
            std::optional<TiledImage> image;
            if (!file.empty()) {
                std::string reason;
                image = loadLayerImage(joinPath(folder, file), reason);
                if (image && !growToAtLeast(*image, doc.Width, doc.Height)) image.reset();
                if (!image)
                    reasons[size_t(i)] =
                        file + " (" + (reason.empty() ? "out of memory" : reason) + ")";
            } else if (count >= 1 && index->hasGroup("Layer" + std::to_string(i + 1))) {
                reasons[size_t(i)] = "\"" + layer.Name + "\" (outside the layer folder, not read)";
            }
            if (!image) image = TiledImage::create(doc.Width, doc.Height);
            if (!image) throw std::bad_alloc();
            layer.image = std::move(*image);
        },
        [](int) {});
    if (!enoughMemory) {
        error = "Cannot open the document " + path + ": not enough memory.";
        return std::nullopt;
    }
    for (std::string& reason : reasons)
        if (!reason.empty()) doc.unreadableFiles.push_back(std::move(reason));
    for (std::string& note : notes) doc.unreadableFiles.push_back(std::move(note));

    std::stable_sort(doc.layers.begin(), doc.layers.end(),
                     [](const Layer& a, const Layer& b) { return a.Position < b.Position; });
    for (size_t i = 0; i < doc.layers.size(); ++i) doc.layers[i].Position = uint8_t(i + 1);
    return doc;
}

bool writeDocumentFile(const Document& doc, const ViewState& view, std::string_view indexPath,
                       std::string& error, const DocumentSaveOptions& options) {
    const std::string path(indexPath);
    const std::string folder = layerFolderOf(path);
    if (folder.empty() || !pathIsUsable(path)) {
        error = "Cannot save the document " + path + ": choose another name.";
        return false;
    }
    if (doc.layers.empty() || doc.layers.size() > size_t(kMaxDocumentLayers)) {
        error = "Cannot save the document " + path + ": it has " +
                std::to_string(doc.layers.size()) + " layers.";
        return false;
    }
    const std::vector<FrameInFile> frames =
        hasAnimationToSave(doc, view) ? framesToSave(doc) : std::vector<FrameInFile>();
    if (frames.size() > size_t(kMaxDocumentFrames)) {
        error = "Cannot save the document " + path + ": it has " + std::to_string(frames.size()) +
                " animation frames, at most " + std::to_string(kMaxDocumentFrames) +
                " are allowed.";
        return false;
    }
    std::string why;
    if (!createFolders(folder, why)) {
        error = "Cannot create the layer folder " + folder + ": " + why;
        return false;
    }
    // Frame images go into a sub-folder, never through a link to somewhere else.
    const std::string frameFolder = joinPath(folder, kFrameFolderName);
    if (!frames.empty() && (isSymbolicLink(frameFolder) || !createFolders(frameFolder, why))) {
        error = "Cannot create the frame folder " + frameFolder + ": " +
                (why.empty() ? "it is a link" : why);
        return false;
    }

    // What this save may remove once it is committed: the files the index it replaces names,
    // and those that saves of this index cut off before their commit wrote. Nothing else in the
    // folder is ours (the folder may hold the user's own pictures).
    std::set<std::string> replaced = filesNamedBy(path);
    const std::string pendingList = pendingListPath(folder, path);
    const std::set<std::string> pendingBefore = readPendingList(pendingList);
    replaced.insert(pendingBefore.begin(), pendingBefore.end());

    // New names only: the files of the document on disk stay as they are until the new index
    // has replaced the old one. Names are compared without case, as paths are resolved.
    std::set<std::string> taken;
    for (EntryKind kind : {EntryKind::Files, EntryKind::Folders}) {
        for (const std::string& name : listFolder(folder, "*", kind))
            taken.insert(toLowerAscii(name));
        if (!frames.empty())
            for (const std::string& name : listFolder(frameFolder, "*", kind))
                taken.insert(toLowerAscii(frameFilePath(name)));
    }
    // A new name for a file: the stem, else the stem numbered from 2.
    auto newName = [&](const std::string& stem, bool frame) {
        auto stored = [&](const std::string& name) {
            return toLowerAscii(frame ? frameFilePath(name) : name);
        };
        std::string name = stem + ".png";
        for (int k = 2; taken.count(stored(name)); ++k)
            name = stem + "-" + std::to_string(k) + ".png";
        taken.insert(stored(name));
        return name;
    };
    std::vector<std::string> files, frameFiles;
    for (const Layer& layer : doc.layers)
        files.push_back(newName(safeLayerFileStem(layer.Name), false));
    for (const FrameInFile& f : frames)
        frameFiles.push_back(newName(frameFileStem(*f.layer, *f.frame), true));
    std::set<std::string> named;
    for (const std::string& file : files) named.insert(toLowerAscii(file));
    for (const std::string& file : frameFiles) named.insert(toLowerAscii(frameFilePath(file)));
    // The list names what this save writes and what it will remove, so that a save cut off
    // after its commit leaves the next one everything to tidy.
    std::set<std::string> pending = replaced;
    pending.insert(named.begin(), named.end());
    if (!writePendingList(pendingList, pending, why)) {
        error = "Cannot save the document " + path + ": " + why;
        return false;
    }

    // Layers first, then frames: item i is layer i, or frame i - layers.
    const int layers = int(doc.layers.size());
    const int count = layers + int(frames.size());
    auto storedPath = [&](int i) {
        return i < layers ? joinPath(folder, files[size_t(i)])
                          : joinPath(frameFolder, frameFiles[size_t(i - layers)]);
    };
    std::vector<std::string> failures(static_cast<size_t>(count));
    std::vector<char> written(static_cast<size_t>(count), 0);
    const bool enoughMemory = forEachItem(
        count, options.threads,
        [&](int i) {
            if (options.cancelled && options.cancelled()) {
                failures[size_t(i)] = "cancelled";
                return;
            }
            const TiledImage& tiles =
                i < layers ? doc.layers[size_t(i)].image : frames[size_t(i - layers)].frame->image;
            EncodedBytes bytes;
            std::string reason;
            bool encoded = false;
            if (tiles.empty()) {  // a group (or an empty frame): kept as a transparent image
                const auto blank = TiledImage::create(doc.Width, doc.Height);
                if (!blank) throw std::bad_alloc();
                encoded = encodePngOfTiles(*blank, bytes, reason);
            } else {
                encoded = encodePngOfTiles(tiles, bytes, reason);
            }
            if (!encoded || !writeFileAtomically(storedPath(i), bytes.bytes(), reason)) {
                failures[size_t(i)] = reason;
                return;
            }
            written[size_t(i)] = 1;
        },
        [&](int done) {
            if (options.progress) options.progress(done, count);
        });
    std::string failure = enoughMemory ? std::string() : "not enough memory";
    for (const std::string& f : failures)
        if (failure.empty() && !f.empty()) failure = f;
    if (failure.empty() &&
        !writeFileAtomically(path, documentIndexText(doc, view, files, frameFiles), failure) &&
        failure.empty())
        failure = "the index could not be written";
    if (!failure.empty()) {
        for (int i = 0; i < count; ++i)
            if (written[size_t(i)]) removeQuietly(storedPath(i));
        std::string ignored;
        writePendingList(pendingList, pendingBefore, ignored);
        error = "Cannot save the document " + path + ": " + failure;
        return false;
    }
    if (options.progress) options.progress(count, count);

    // Committed. The files of the replaced document and of cut-off saves go, unless the new
    // index names them, or another index whose name differs only by ".qmd" shares the folder
    // and names them.
    const std::string parent = parentFolder(path);
    const std::string ownFolder = toLowerAscii(resolvePath(folder));
    for (const std::string& other :
         listFolder(parent.empty() ? "." : parent, "*.qmd", EntryKind::Files)) {
        const std::string otherPath = joinPath(parent, other);
        if (toLowerAscii(fileName(resolvePath(otherPath))) ==
            toLowerAscii(fileName(resolvePath(path))))
            continue;
        const std::string otherFolder = layerFolderOf(otherPath);
        if (!otherFolder.empty() && toLowerAscii(resolvePath(otherFolder)) == ownFolder) {
            const std::set<std::string> theirs = filesNamedBy(otherPath);
            named.insert(theirs.begin(), theirs.end());
        }
    }
    for (const std::string& name : listFolder(folder, "*", EntryKind::Files)) {
        const std::string lower = toLowerAscii(name);
        if ((replaced.count(lower) && !named.count(lower)) || isLeftoverTemporary(lower))
            removeQuietly(joinPath(folder, name));
    }
    bool framesReplaced = false;
    for (const std::string& stored : replaced) framesReplaced |= stored != fileName(stored);
    if (!isSymbolicLink(frameFolder) && (framesReplaced || !frames.empty())) {
        for (const std::string& name : listFolder(frameFolder, "*", EntryKind::Files)) {
            const std::string lower = toLowerAscii(frameFilePath(name));
            if ((replaced.count(lower) && !named.count(lower)) ||
                isLeftoverTemporary(toLowerAscii(name)))
                removeQuietly(joinPath(frameFolder, name));
        }
        // The folder goes when this save emptied it (only empty folders are removed).
        if (frames.empty()) {
            std::error_code ec;
            std::filesystem::remove(resolvePath(frameFolder), ec);
        }
    }
    removeQuietly(pendingList);
    return true;
}

}  // namespace qm
