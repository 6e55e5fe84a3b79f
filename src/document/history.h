// The one way the document changes, and its history.
//
// Every change of the document is an edit: it is opened, declares what it is about to touch,
// writes, and is committed. Declaring is what saves the "before" state:
//   - touchPixels(layer, rect) before writing a rectangle of a layer's pixels: the first time an
//     edit touches a tile of a layer, a reference to the tile is kept (the layer copies it when it
//     writes there, so a small stroke on a large layer keeps a few tiles, not the layer, and
//     touching reads no pixel); touchFramePixels(frame, rect) does the same for the image of an
//     animation frame (painting into a drawing);
//   - structure() before a structural change: layers added, deleted, copied, moved, renamed,
//     shown or hidden, their opacity, blend mode, offsets or lock flags, groups, the document
//     size. The layers' properties are kept; an image that leaves the stack is kept whole (with
//     its layer's identity), never copied;
//   - replaceImage(layer, image) to give a layer a new image (resizing): the old one is kept;
//   - animation() before changing animation layers or frames (the frames' places are kept, a
//     frame's image only when the frame leaves the document).
// The commit compares each kept tile with the image's: a tile the edit left as it was (the same
// block, or the same pixels) is no change, and the image gets the kept block back, so it shares
// what it shared before; a tile made during the edit that stayed all 0 goes missing again.
// A committed edit is one history step: undo and redo replay it through the same records, so a
// step is its own inverse (each record swaps the document's state with the one it holds).
//
// Joining the path: a new operation opens an edit (in the program, the shell's ScopedEdit or,
// for a stroke that spans events, beginEdit/commitEdit), calls the declaration that fits before
// each write, and changes the document as it likes. What it declared is also what the view
// redraws (EditChanges), so an undeclared write is both lost to undo and missing from the screen.
// Within one edit the records are replayed in reverse order on undo, so declarations may come in
// any order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <variant>
#include <vector>

#include "document/document.h"
#include "document/view_state.h"
#include "raster/image.h"
#include "raster/rect.h"
#include "raster/tile_pool.h"

namespace qm {

// Side of the square tiles in which pixels are kept.
constexpr int kHistoryTileSide = 64;

// What changed, for the view: the pixels of layers by rectangle, or more.
struct EditChanges {
    // Layer rectangles whose pixels changed (layer coordinates), one rectangle per layer id.
    std::map<uint32_t, Rect> pixels;
    // The same for the images of animation frames, by frame id (frame image coordinates).
    std::map<uint32_t, Rect> framePixels;
    // Layers whose view-scale image must be made again whole (new, replaced, or with another
    // opacity or blend mode).
    std::set<uint32_t> relook;
    bool structure = false;  // the stack or a layer's properties changed: panel and whole view
    bool resized = false;    // the document size changed
    bool animation = false;  // animation layers or frames changed

    void addPixels(uint32_t layer, const Rect& rect);
    void addFramePixels(uint32_t frame, const Rect& rect);
    bool empty() const;
};

// The records of a step. Applying one swaps the document's state with the state it holds.
// A tile is kept as a reference to the image's block, never as a copy: keeping it makes the
// block shared, so the first write after it copies the block (copy on write) and the record
// keeps the old one. Undo and redo exchange references, so they copy no pixel and put back the
// very blocks.
struct KeptTile {
    int tx = 0, ty = 0;  // tile column and row
    TileRef before;      // the image's block (null: the tile was missing, transparent)
};
// Pixels of one layer, or of one animation frame's image, by tiles.
struct TileRecord {
    uint32_t layer = 0;  // the layer's id, or the frame's when `frame` is set
    std::vector<KeptTile> tiles;
    bool frame = false;
    int width = 0, height = 0;  // the image's size, for the bytes the kept tiles count
};
// A layer's whole image.
struct ImageRecord {
    uint32_t layer = 0;
    TiledImage image;
};
// The stack: the document size, the counters and every layer's properties in list order, plus
// the images of layers that are not in the document's stack (deleted, or not yet added).
struct StackRecord {
    int16_t Width = 0, Height = 0;
    int32_t LayerCounter = 0;
    uint8_t GroupCount = 0;
    uint32_t paintTarget = 0;
    std::vector<LayerProperties> layers;
    std::map<uint32_t, TiledImage> images;
};
// The animation layers and their counters, with every frame's place but not its image, and the
// view's CurrentFrame and FrameEnd; the images of frames that are not in the document's state
// (added or removed) are kept here, so a new frame costs its own image, not a copy of every
// frame.
struct AnimationRecord {
    uint8_t AnimationLayerId = 1;
    // Of the view state, where the frames stood: an import moves both, and undoing it puts them
    // back. The rest of the view (zoom, range start, onion skins) is not the edit's.
    int16_t CurrentFrame = 1, FrameEnd = 1;
    int kindCounters[6] = {0, 0, 0, 0, 0, 0};
    std::map<std::string, AnimationLayer> layers;  // frames without images
    std::map<uint32_t, TiledImage> images;         // by frame id
};
using EditRecord = std::variant<TileRecord, ImageRecord, StackRecord, AnimationRecord>;

struct HistoryStep {
    std::string label;
    std::string mergeKey;  // consecutive steps with the same non-empty key become one
    std::vector<EditRecord> records;
    size_t bytes = 0;
};

class History {
public:
    static constexpr size_t kDefaultMaxBytes = size_t(512) << 20;

    History() = default;
    // One history per document: it keeps a pointer into its own tables while an edit is open.
    History(const History&) = delete;
    History& operator=(const History&) = delete;
    History(History&&) = default;
    History& operator=(History&&) = default;

    // The last `maxSteps` steps and at most `maxBytes` of kept state; beyond either the oldest
    // steps go.
    void setLimits(size_t maxSteps, size_t maxBytes = kDefaultMaxBytes);
    // Forgets every step (New, Open). An open edit is forgotten too.
    void clear();

    // --- Building a step -------------------------------------------------------------------
    // Opens an edit; edits opened while one is open join it (depth counted), so a command made
    // of other commands is one step. `mergeKey`: see HistoryStep. The declarations below need an
    // open edit: one made without it would belong to no step, so the program stops there with
    // the operation's name (in every build).
    void begin(const std::string& label, const std::string& mergeKey = {});
    bool isOpen() const { return depth_ > 0; }
    // Before writing `layerRect` of the layer's pixels.
    void touchPixels(Document& doc, uint32_t layerId, const Rect& layerRect);
    // Before writing `rect` of the image of the animation frame `frameId` (frameById). A frame
    // made within the same edit needs no pixels kept (its whole image leaves with it on undo),
    // but touching it is harmless.
    void touchFramePixels(Document& doc, uint32_t frameId, const Rect& rect);
    // Before a structural change of the layer stack or the document size.
    void structure(Document& doc);
    // A layer leaving the stack within this edit (after structure()): its image is kept with
    // the stack record, so undoing brings the layer back with its pixels and identity.
    void keepImage(uint32_t layerId, TiledImage image);
    // Gives the layer a new image, keeping the old one.
    void replaceImage(Document& doc, uint32_t layerId, TiledImage image);
    // Before changing animation layers or frames, or the view's CurrentFrame and FrameEnd with
    // them (kept from `view`). A frame that leaves the document within the edit gives its image
    // to keepFrameImage, as a deleted layer does to keepImage.
    void animation(Document& doc, const ViewState& view);
    void keepFrameImage(uint32_t frameId, TiledImage image);
    // Closes one level; the outermost commit pushes the step (when it holds anything) and drops
    // the steps that could have been redone. False while still nested or when nothing was kept.
    // The view state is compared with what animation() kept of it.
    bool commit(Document& doc, const ViewState& view);
    // Commits whatever is open, whatever the depth (before undo, redo, New, Open).
    void commitAll(Document& doc, const ViewState& view);
    // Puts back what the open edit changed and forgets it, whatever the depth (an edit that
    // could not be finished, such as one that ran out of memory). The view's CurrentFrame and
    // FrameEnd go back with the animation.
    void abandon(Document& doc, ViewState& view);
    // What changed since the last call (declared writes, committed or not, undo and redo).
    EditChanges takeChanges();

    // --- Replaying -------------------------------------------------------------------------
    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }
    // Replaying a step that holds an animation record puts the view's CurrentFrame and FrameEnd
    // where they stood.
    bool undo(Document& doc, ViewState& view);
    bool redo(Document& doc, ViewState& view);

    size_t undoSteps() const { return undo_.size(); }
    size_t redoSteps() const { return redo_.size(); }
    size_t bytes() const;  // kept by the committed steps
    size_t lastStepBytes() const { return undo_.empty() ? 0 : undo_.back().bytes; }

private:
    TileRecord& tileRecordFor(uint32_t id, bool frame);
    // Keeps the tiles of `image` (the layer's or frame's `id`) under `rect` not kept yet.
    void keepTiles(const TiledImage& image, uint32_t id, bool frame, const Rect& rect);
    void enforceLimits();
    void forgetKeptTiles();
    // Stops the program when no edit is open, naming `what`.
    void requireOpenEdit(const char* what) const;

    std::deque<HistoryStep> undo_;
    std::vector<HistoryStep> redo_;
    size_t maxSteps_ = 8;
    size_t maxBytes_ = kDefaultMaxBytes;
    size_t bytes_ = 0;  // undo_ and redo_

    int depth_ = 0;
    bool mergeable_ = false;  // the top step was pushed last (not undone or redone since)
    HistoryStep open_;
    // Tiles of the open step already kept, by layer (frames: 1 << 32 | frame id): a flag per
    // tile of the image's grid.
    struct KeptFlags {
        int columns = 0, rows = 0;
        std::vector<uint8_t> kept;  // row by row
    };
    std::unordered_map<uint64_t, KeptFlags> keptTiles_;
    KeptFlags* lastKept_ = nullptr;  // the flags keepTiles used last (of lastKeptKey_)
    uint64_t lastKeptKey_ = 0;
    EditChanges changes_;
};

}  // namespace qm
