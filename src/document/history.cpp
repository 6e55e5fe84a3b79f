#include "document/history.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "document/animation_frames.h"
#include "document/document_ops.h"

namespace qm {

namespace {

constexpr int kTile = kHistoryTileSide;

// The key of a layer's or a frame's kept tiles (their ids are counted apart).
uint64_t imageKey(uint32_t id, bool frame) {
    return (frame ? uint64_t(1) << 32 : 0) | id;
}

// The image a tile record keeps tiles of, or null when it is not in the document.
TiledImage* recordImage(const TileRecord& record, Document& doc) {
    if (record.frame) {
        AnimationFrame* frame = frameById(doc, record.layer);
        return frame ? &frame->image : nullptr;
    }
    Layer* layer = layerById(doc, record.layer);
    return layer ? &layer->image : nullptr;
}

// The rectangle of tile (tx, ty) of an image, cut at its edges.
static_assert(kTile == kTileSide, "the history keeps the images' own tiles");

Rect tileRect(const TiledImage& image, int tx, int ty) {
    return intersect(Rect{tx * kTile, ty * kTile, kTile, kTile},
                     Rect{0, 0, image.width, image.height});
}

size_t imageBytes(const TiledImage& image) {
    return size_t(image.width) * size_t(image.height) * sizeof(uint32_t);
}

// Whether two blocks of a tile hold the same pixels: the same block first, then the pixels (a
// missing tile reads as the zero tile; the pixels of an edge tile outside the image are 0 in
// every block).
bool sameTile(const TileRef& a, const TileRef& b) {
    if (a.identity() == b.identity()) return true;
    const uint32_t* pa = a ? a.pixels() : TiledImage::zeroTile();
    const uint32_t* pb = b ? b.pixels() : TiledImage::zeroTile();
    return std::memcmp(pa, pb, kTileBytes) == 0;
}

StackRecord captureStack(const Document& doc) {
    StackRecord record;
    record.Width = doc.Width;
    record.Height = doc.Height;
    record.LayerCounter = doc.LayerCounter;
    record.GroupCount = doc.GroupCount;
    record.paintTarget = doc.paintTarget;
    record.layers.reserve(doc.layers.size());
    for (const Layer& layer : doc.layers) record.layers.push_back(layer);
    return record;
}

// The animation layers without their frames' images. Frames that have no id yet get one, so
// that their images can be told apart.
AnimationRecord captureAnimation(Document& doc, const ViewState& view) {
    AnimationRecord record;
    record.AnimationLayerId = doc.AnimationLayerId;
    record.CurrentFrame = view.CurrentFrame;
    record.FrameEnd = view.FrameEnd;
    std::copy(std::begin(doc.kindCounters), std::end(doc.kindCounters), record.kindCounters);
    for (auto& [key, layer] : doc.animationLayers) {
        AnimationLayer copy;
        {
            // The layer's own fields, copied without the frames (which stay in place).
            std::vector<AnimationFrame> frames;
            frames.swap(layer.Frames);
            struct Restore {
                std::vector<AnimationFrame>& into;
                std::vector<AnimationFrame>& from;
                ~Restore() { into.swap(from); }
            } restore{layer.Frames, frames};
            copy = layer;
        }
        copy.Frames.reserve(layer.Frames.size());
        for (AnimationFrame& frame : layer.Frames) {
            if (frame.id == 0) frame.id = doc.nextFrameId++;
            AnimationFrame place;
            place.X = frame.X;
            place.Y = frame.Y;
            place.Frame = frame.Frame;
            place.id = frame.id;
            place.Hold = frame.Hold;
            copy.Frames.push_back(std::move(place));
        }
        record.layers.emplace(key, std::move(copy));
    }
    return record;
}

// --- Applying records (each its own inverse) ---------------------------------------------------

void apply(TileRecord& record, Document& doc, ViewState&, EditChanges& changes) {
    TiledImage* image = recordImage(record, doc);
    if (!image) return;
    for (KeptTile& tile : record.tiles) {
        if (tile.tx >= image->columns() || tile.ty >= image->rows()) continue;
        tile.before = image->exchangeTile(tile.tx, tile.ty, std::move(tile.before));
        const Rect r = tileRect(*image, tile.tx, tile.ty);
        if (record.frame)
            changes.addFramePixels(record.layer, r);
        else
            changes.addPixels(record.layer, r);
    }
}

void apply(ImageRecord& record, Document& doc, ViewState&, EditChanges& changes) {
    Layer* layer = layerById(doc, record.layer);
    if (!layer) return;
    std::swap(layer->image, record.image);
    changes.relook.insert(record.layer);
    changes.structure = true;
}

void apply(StackRecord& record, Document& doc, ViewState&, EditChanges& changes) {
    StackRecord current = captureStack(doc);
    std::map<uint32_t, TiledImage> images;
    for (Layer& layer : doc.layers) images[layer.id] = std::move(layer.image);
    std::map<uint32_t, const LayerProperties*> before;
    for (const LayerProperties& p : current.layers) before[p.id] = &p;

    std::vector<Layer> layers;
    layers.reserve(record.layers.size());
    for (const LayerProperties& properties : record.layers) {
        Layer layer;
        static_cast<LayerProperties&>(layer) = properties;
        if (auto it = images.find(layer.id); it != images.end()) {
            layer.image = std::move(it->second);
            images.erase(it);
        } else if (auto kept = record.images.find(layer.id); kept != record.images.end()) {
            layer.image = std::move(kept->second);
            record.images.erase(kept);
        }
        const auto was = before.find(layer.id);
        if (was == before.end() || was->second->Opacity != layer.Opacity ||
            was->second->Blendmode != layer.Blendmode)
            changes.relook.insert(layer.id);
        layers.push_back(std::move(layer));
    }
    // Layers that leave the stack keep their images here, with their identity.
    current.images = std::move(images);
    for (auto& [id, image] : record.images) current.images.emplace(id, std::move(image));

    changes.structure = true;
    if (doc.Width != record.Width || doc.Height != record.Height) changes.resized = true;
    doc.layers = std::move(layers);
    doc.Width = record.Width;
    doc.Height = record.Height;
    doc.LayerCounter = record.LayerCounter;
    doc.GroupCount = record.GroupCount;
    doc.paintTarget = record.paintTarget;
    record = std::move(current);
}

void apply(AnimationRecord& record, Document& doc, ViewState& view, EditChanges& changes) {
    AnimationRecord current = captureAnimation(doc, view);
    std::map<uint32_t, TiledImage> images;
    for (auto& [key, layer] : doc.animationLayers)
        for (AnimationFrame& frame : layer.Frames) images[frame.id] = std::move(frame.image);
    for (auto& [key, layer] : record.layers) {
        for (AnimationFrame& frame : layer.Frames) {
            if (auto it = images.find(frame.id); it != images.end()) {
                frame.image = std::move(it->second);
                images.erase(it);
            } else if (auto kept = record.images.find(frame.id); kept != record.images.end()) {
                frame.image = std::move(kept->second);
                record.images.erase(kept);
            }
        }
    }
    // Frames that leave the document keep their images here, with their identity.
    current.images = std::move(images);
    for (auto& [id, image] : record.images) current.images.emplace(id, std::move(image));
    doc.animationLayers = std::move(record.layers);
    doc.AnimationLayerId = record.AnimationLayerId;
    view.CurrentFrame = record.CurrentFrame;
    view.FrameEnd = record.FrameEnd;
    std::copy(std::begin(record.kindCounters), std::end(record.kindCounters), doc.kindCounters);
    record = std::move(current);
    changes.animation = true;
}

// --- Whether a record holds anything else than the document's state --------------------------

bool changed(const TileRecord& record, const Document& doc, const ViewState&) {
    const TiledImage* image = recordImage(record, const_cast<Document&>(doc));
    if (!image) return true;
    for (const KeptTile& tile : record.tiles) {
        if (tile.tx >= image->columns() || tile.ty >= image->rows()) return true;
        if (!sameTile(tile.before, image->tile(tile.tx, tile.ty))) return true;
    }
    return false;
}

// Drops the kept tiles the edit left as they were, giving the image the kept block back where
// its own is another block of the same pixels: the image shares again what it shared before,
// and a tile made during the edit that stayed all 0 goes missing. Only for a record whose image
// is the one the document holds at the end of the step (no later record replaced it).
void dropUnchangedTiles(TileRecord& record, Document& doc) {
    TiledImage* image = recordImage(record, doc);
    if (!image) return;
    auto kept = record.tiles.begin();
    for (KeptTile& tile : record.tiles) {
        if (tile.tx < image->columns() && tile.ty < image->rows()) {
            const TileRef& now = image->tile(tile.tx, tile.ty);
            if (now.identity() == tile.before.identity()) continue;
            if (sameTile(tile.before, now)) {
                image->exchangeTile(tile.tx, tile.ty, std::move(tile.before));
                continue;
            }
        }
        if (&*kept != &tile) *kept = std::move(tile);
        ++kept;
    }
    record.tiles.erase(kept, record.tiles.end());
}

bool changed(const ImageRecord& record, const Document& doc, const ViewState&) {
    const Layer* layer = layerById(doc, record.layer);
    return !layer || !(layer->image == record.image);
}

bool changed(const StackRecord& record, const Document& doc, const ViewState&) {
    if (record.Width != doc.Width || record.Height != doc.Height ||
        record.LayerCounter != doc.LayerCounter || record.GroupCount != doc.GroupCount ||
        record.paintTarget != doc.paintTarget || record.layers.size() != doc.layers.size())
        return true;
    for (size_t i = 0; i < doc.layers.size(); ++i)
        if (!(record.layers[i] == static_cast<const LayerProperties&>(doc.layers[i]))) return true;
    return false;
}

bool changed(const AnimationRecord& record, const Document& doc, const ViewState& view) {
    if (record.AnimationLayerId != doc.AnimationLayerId ||
        record.CurrentFrame != view.CurrentFrame || record.FrameEnd != view.FrameEnd ||
        !std::equal(std::begin(record.kindCounters), std::end(record.kindCounters),
                    std::begin(doc.kindCounters)) ||
        record.layers.size() != doc.animationLayers.size())
        return true;
    for (const auto& [key, layer] : doc.animationLayers) {
        const auto it = record.layers.find(key);
        if (it == record.layers.end() || it->second.Frames.size() != layer.Frames.size() ||
            it->second.Name != layer.Name)
            return true;
        const AnimationLayer& kept = it->second;
        // The row, the flags and the look of the layer are changes of their own (the panel
        // toggles and drags them).
        if (kept.Order != layer.Order || kept.Kind != layer.Kind || kept.Color != layer.Color ||
            kept.Shown != layer.Shown || kept.Flag2 != layer.Flag2 || kept.Alpha != layer.Alpha)
            return true;
        for (size_t i = 0; i < layer.Frames.size(); ++i) {
            const AnimationFrame& a = kept.Frames[i];
            const AnimationFrame& b = layer.Frames[i];
            if (a.id != b.id || a.Frame != b.Frame || a.Hold != b.Hold || a.X != b.X || a.Y != b.Y)
                return true;
        }
    }
    return false;
}

size_t recordBytes(const EditRecord& record) {
    struct Bytes {
        // A kept block counts the part of its tile inside the image, shared or not; a missing
        // tile costs nothing.
        size_t operator()(const TileRecord& r) const {
            size_t n = sizeof(r) + r.tiles.size() * sizeof(KeptTile);
            const Rect whole{0, 0, r.width, r.height};
            for (const KeptTile& t : r.tiles) {
                if (!t.before) continue;
                const Rect c = intersect(Rect{t.tx * kTile, t.ty * kTile, kTile, kTile}, whole);
                n += size_t(c.w) * size_t(c.h) * sizeof(uint32_t);
            }
            return n;
        }
        size_t operator()(const ImageRecord& r) const { return sizeof(r) + imageBytes(r.image); }
        size_t operator()(const StackRecord& r) const {
            size_t n = sizeof(r) + r.layers.size() * sizeof(LayerProperties);
            for (const LayerProperties& p : r.layers) n += p.Name.size();
            for (const auto& [id, image] : r.images) n += imageBytes(image);
            return n;
        }
        size_t operator()(const AnimationRecord& r) const {
            size_t n = sizeof(r);
            for (const auto& [key, layer] : r.layers)
                n += sizeof(layer) + key.size() + layer.Name.size() +
                     layer.Frames.size() * sizeof(AnimationFrame);
            for (const auto& [id, image] : r.images) n += imageBytes(image);
            return n;
        }
    };
    return std::visit(Bytes{}, record);
}

size_t stepBytes(const HistoryStep& step) {
    size_t n = sizeof(step) + step.label.size();
    for (const EditRecord& r : step.records) n += recordBytes(r);
    return n;
}

void applyRecord(EditRecord& record, Document& doc, ViewState& view, EditChanges& changes) {
    std::visit([&](auto& r) { apply(r, doc, view, changes); }, record);
}

}  // namespace

// --- EditChanges ------------------------------------------------------------------------------

void EditChanges::addPixels(uint32_t layer, const Rect& rect) {
    if (rect.empty()) return;
    Rect& r = pixels[layer];
    r = unite(r, rect);
}

void EditChanges::addFramePixels(uint32_t frame, const Rect& rect) {
    if (rect.empty()) return;
    Rect& r = framePixels[frame];
    r = unite(r, rect);
}

bool EditChanges::empty() const {
    return pixels.empty() && framePixels.empty() && relook.empty() && !structure && !resized &&
           !animation;
}

// --- History ----------------------------------------------------------------------------------

void History::requireOpenEdit(const char* what) const {
    if (depth_ > 0) return;
    std::fprintf(stderr, "%s: no edit is open; the change would belong to no history step\n", what);
    std::fflush(stderr);
    std::abort();
}

void History::setLimits(size_t maxSteps, size_t maxBytes) {
    maxSteps_ = maxSteps;
    maxBytes_ = maxBytes;
    enforceLimits();
}

void History::clear() {
    undo_.clear();
    redo_.clear();
    bytes_ = 0;
    depth_ = 0;
    open_ = HistoryStep{};
    forgetKeptTiles();
    mergeable_ = false;
}

void History::begin(const std::string& label, const std::string& mergeKey) {
    if (depth_++ == 0) {
        open_ = HistoryStep{};
        open_.label = label;
        open_.mergeKey = mergeKey;
        forgetKeptTiles();
    }
}

TileRecord& History::tileRecordFor(uint32_t id, bool frame) {
    if (!open_.records.empty()) {
        if (auto* last = std::get_if<TileRecord>(&open_.records.back());
            last && last->layer == id && last->frame == frame)
            return *last;
    }
    open_.records.emplace_back(TileRecord{id, {}, frame});
    return std::get<TileRecord>(open_.records.back());
}

void History::keepTiles(const TiledImage& image, uint32_t id, bool frame, const Rect& r) {
    // A stroke declares every dab on the same image: the last image's flags are at hand.
    const uint64_t key = imageKey(id, frame);
    if (!lastKept_ || lastKeptKey_ != key) {
        lastKept_ = &keptTiles_[key];
        lastKeptKey_ = key;
    }
    KeptFlags& flags = *lastKept_;
    if (flags.columns != image.columns() || flags.rows != image.rows()) {
        // First touch of this image in the edit, or its grid changed size: the flags follow it.
        std::vector<uint8_t> kept(size_t(image.columns()) * size_t(image.rows()), 0);
        for (int ty = 0; ty < std::min(flags.rows, image.rows()); ++ty)
            for (int tx = 0; tx < std::min(flags.columns, image.columns()); ++tx)
                kept[size_t(ty) * size_t(image.columns()) + size_t(tx)] =
                    flags.kept[size_t(ty) * size_t(flags.columns) + size_t(tx)];
        flags = KeptFlags{image.columns(), image.rows(), std::move(kept)};
    }
    TileRecord* record = nullptr;
    for (int ty = r.y / kTile; ty <= (r.bottom() - 1) / kTile; ++ty) {
        uint8_t* row = flags.kept.data() + size_t(ty) * size_t(flags.columns);
        for (int tx = r.x / kTile; tx <= (r.right() - 1) / kTile; ++tx) {
            if (row[tx]) continue;
            row[tx] = 1;
            if (!record) {
                record = &tileRecordFor(id, frame);
                record->width = image.width;
                record->height = image.height;
            }
            record->tiles.push_back(KeptTile{tx, ty, image.tile(tx, ty)});
        }
    }
}

void History::touchPixels(Document& doc, uint32_t layerId, const Rect& layerRect) {
    requireOpenEdit("History::touchPixels");
    Layer* layer = layerById(doc, layerId);
    if (!layer || layer->image.empty()) return;
    const TiledImage& image = layer->image;
    const Rect r = intersect(layerRect, Rect{0, 0, image.width, image.height});
    if (r.empty()) return;
    keepTiles(image, layerId, false, r);
    changes_.addPixels(layerId, r);
}

void History::touchFramePixels(Document& doc, uint32_t frameId, const Rect& rect) {
    requireOpenEdit("History::touchFramePixels");
    AnimationFrame* frame = frameById(doc, frameId);
    if (!frame || frame->image.empty()) return;
    const TiledImage& image = frame->image;
    const Rect r = intersect(rect, Rect{0, 0, image.width, image.height});
    if (r.empty()) return;
    keepTiles(image, frameId, true, r);
    changes_.addFramePixels(frameId, r);
}

void History::structure(Document& doc) {
    requireOpenEdit("History::structure");
    changes_.structure = true;
    // Nothing happened since the last stack record: it already holds this state.
    if (!open_.records.empty() && std::holds_alternative<StackRecord>(open_.records.back())) return;
    open_.records.emplace_back(captureStack(doc));
}

void History::keepImage(uint32_t layerId, TiledImage image) {
    if (open_.records.empty() || !std::holds_alternative<StackRecord>(open_.records.back()))
        return;  // structure() must come first; without it there is no stack to restore
    std::get<StackRecord>(open_.records.back()).images[layerId] = std::move(image);
}

void History::replaceImage(Document& doc, uint32_t layerId, TiledImage image) {
    requireOpenEdit("History::replaceImage");
    Layer* layer = layerById(doc, layerId);
    if (!layer) return;
    open_.records.emplace_back(ImageRecord{layerId, std::move(layer->image)});
    layer->image = std::move(image);
    // Later writes land on the new image: its tiles are kept anew.
    keptTiles_.erase(imageKey(layerId, false));
    lastKept_ = nullptr;
    changes_.relook.insert(layerId);
    changes_.structure = true;
}

void History::animation(Document& doc, const ViewState& view) {
    requireOpenEdit("History::animation");
    open_.records.emplace_back(captureAnimation(doc, view));
    changes_.animation = true;
}

void History::keepFrameImage(uint32_t frameId, TiledImage image) {
    if (open_.records.empty() || !std::holds_alternative<AnimationRecord>(open_.records.back()))
        return;  // animation() must come first
    std::get<AnimationRecord>(open_.records.back()).images[frameId] = std::move(image);
}

bool History::commit(Document& doc, const ViewState& view) {
    if (depth_ == 0) return false;
    if (--depth_ > 0) return false;
    forgetKeptTiles();
    HistoryStep step = std::move(open_);
    open_ = HistoryStep{};
    // Tiles left as they were are no change. A tile record followed by a record of another kind
    // may concern an image the document no longer holds (replaced, or moved out with its layer
    // or frame): it stays whole, and replaying it is exact either way.
    for (size_t i = step.records.size(); i-- > 0;) {
        if (!std::holds_alternative<TileRecord>(step.records[i])) break;
        dropUnchangedTiles(std::get<TileRecord>(step.records[i]), doc);
    }
    std::erase_if(step.records, [](const EditRecord& r) {
        const auto* t = std::get_if<TileRecord>(&r);
        return t && t->tiles.empty();
    });
    // A step that changed nothing (a layer moved up at the top, paint of alpha 0) is not kept:
    // undoing it would seem to do nothing.
    // Only the first stack and animation records hold the state before the edit; the later ones
    // hold states within it (a layer copied, then deleted, is no change).
    bool firstStack = true, firstAnimation = true;
    const bool anyChange =
        std::any_of(step.records.begin(), step.records.end(), [&](const EditRecord& r) {
            if (std::holds_alternative<StackRecord>(r) && !std::exchange(firstStack, false))
                return false;
            if (std::holds_alternative<AnimationRecord>(r) && !std::exchange(firstAnimation, false))
                return false;
            return std::visit([&](const auto& record) { return changed(record, doc, view); }, r);
        });
    if (!anyChange) return false;
    step.bytes = stepBytes(step);
    for (const HistoryStep& s : redo_) bytes_ -= s.bytes;
    redo_.clear();
    if (mergeable_ && !step.mergeKey.empty() && !undo_.empty() &&
        undo_.back().mergeKey == step.mergeKey) {
        HistoryStep& top = undo_.back();
        for (EditRecord& r : step.records) top.records.push_back(std::move(r));
        bytes_ += step.bytes;
        top.bytes += step.bytes;
    } else {
        bytes_ += step.bytes;
        undo_.push_back(std::move(step));
    }
    mergeable_ = true;
    enforceLimits();
    return true;
}

void History::commitAll(Document& doc, const ViewState& view) {
    if (depth_ == 0) return;
    depth_ = 1;
    commit(doc, view);
}

void History::abandon(Document& doc, ViewState& view) {
    if (depth_ == 0) return;
    for (auto it = open_.records.rbegin(); it != open_.records.rend(); ++it)
        applyRecord(*it, doc, view, changes_);
    open_ = HistoryStep{};
    forgetKeptTiles();
    depth_ = 0;
}

EditChanges History::takeChanges() {
    return std::exchange(changes_, EditChanges{});
}

bool History::undo(Document& doc, ViewState& view) {
    commitAll(doc, view);
    if (undo_.empty()) return false;
    HistoryStep step = std::move(undo_.back());
    undo_.pop_back();
    bytes_ -= step.bytes;
    for (auto it = step.records.rbegin(); it != step.records.rend(); ++it)
        applyRecord(*it, doc, view, changes_);
    step.bytes = stepBytes(step);
    bytes_ += step.bytes;
    redo_.push_back(std::move(step));
    mergeable_ = false;
    enforceLimits();
    return true;
}

bool History::redo(Document& doc, ViewState& view) {
    commitAll(doc, view);
    if (redo_.empty()) return false;
    HistoryStep step = std::move(redo_.back());
    redo_.pop_back();
    bytes_ -= step.bytes;
    for (EditRecord& record : step.records) applyRecord(record, doc, view, changes_);
    step.bytes = stepBytes(step);
    bytes_ += step.bytes;
    undo_.push_back(std::move(step));
    mergeable_ = false;
    enforceLimits();
    return true;
}

size_t History::bytes() const {
    return bytes_;
}

void History::forgetKeptTiles() {
    keptTiles_.clear();
    lastKept_ = nullptr;
}

void History::enforceLimits() {
    while (!undo_.empty() && (undo_.size() > maxSteps_ || bytes_ > maxBytes_)) {
        bytes_ -= undo_.front().bytes;
        undo_.pop_front();
    }
    // Still too much: the steps farthest from being redone go.
    while (!redo_.empty() && bytes_ > maxBytes_) {
        bytes_ -= redo_.front().bytes;
        redo_.erase(redo_.begin());
    }
}

}  // namespace qm
