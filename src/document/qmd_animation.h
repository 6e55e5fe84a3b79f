// The animation part of the document file: the frame settings, the animation layers and their
// frames. It follows the last [Layer i] section, so a reader that knows only the header keys
// and the layer sections opens the layers of a document with an animation as before:
//
//   [Animation]                 Fps, FrameTotal, FrameStart, FrameEnd, CurrentFrame,
//                               OnionBefore, OnionAfter, AnimationLayerId,
//                               Nb_animation_layer, Nb_frame
//   [AnimationLayer1] ...       Key (the layer's key, 1..255), Name, Order, Kind, Alpha, Color,
//                               Shown, Flag2, Current
//   [Frame1] ...                AnimationLayer (the key of its layer), Frame, Hold, X, Y, Image
//
// Frame images are PNG files in the sub-folder "frames" of the layer folder; "Image" names one
// there. A document whose animation is what opening a file without this part gives (no
// animation layer, or one untouched "Layer Normal1" holding at most one transparent frame, and
// the frame settings of a New document) is written without it, byte for byte as before.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "document/document.h"
#include "document/view_state.h"
#include "platform/key_value_file.h"

namespace qm {

// Animation layers a document file may hold (their keys are 8-bit) and frames (the index of a
// document with more would be more lines than an index may have).
constexpr int kMaxDocumentAnimationLayers = 255;
constexpr int kMaxDocumentFrames = 30000;
// The sub-folder of the layer folder that holds the frame images.
constexpr std::string_view kFrameFolderName = "frames";

// The animation of a document file, not yet the program's.
struct DocumentAnimation {
    // The frame settings (animationSettingFields) and AnimationLayerId; nothing else of it is
    // read or used.
    Document settings;
    ViewState view;
    // Keyed by their keys; frames in file order, ids 0, holds as normalizeHolds leaves them.
    std::map<std::string, AnimationLayer> layers;
};

// Whether the document, shown in `view`, has an animation the file must keep (see above).
bool hasAnimationToSave(const Document& doc, const ViewState& view);

// An animation frame as the file holds it, in the order written.
struct FrameInFile {
    const std::string* key;
    const AnimationLayer* layer;
    const AnimationFrame* frame;
};
// The frames to write: animation layers by Order (then key), each layer's frames in list order.
std::vector<FrameInFile> framesToSave(const Document& doc);
// The file-name stem of a frame's image: its layer's name (made safe) and its frame number.
std::string frameFileStem(const AnimationLayer& layer, const AnimationFrame& frame);

// The animation sections for `doc` shown in `view` (CR LF lines) whose frames (framesToSave) are
// stored in `frameFiles`, one per frame; empty when the document has no animation to save.
std::string animationIndexText(const Document& doc, const ViewState& view,
                               const std::vector<std::string>& frameFiles);

// The sections of an index, each parsed on its own: a file of thousands of sections is read in
// time proportional to its size (the key/value reader looks a key up through the whole file).
class IndexSections {
public:
    explicit IndexSections(std::string_view text);
    // The section's keys in its own group "" (a section named twice is one, keys in file order);
    // null when the index has no such section.
    const KeyValueFile* find(std::string_view name) const;

private:
    std::map<std::string, KeyValueFile, std::less<>> sections_;
};

// A frame whose image is still to be read: where it went in the contents, and its file.
struct FrameImageToRead {
    std::string key;      // its animation layer
    size_t index = 0;     // in that layer's Frames
    std::string file;     // in the frame folder; empty when the section names none it may read
    std::string label;    // how the one message names it when it cannot be read
    std::string refusal;  // why `file` is empty
};
// Reads the animation sections. nullopt without an [Animation] section (a file written before
// documents kept their animation); an error (and nullopt) for counts beyond the limits. Frames
// whose animation layer is not in the file are left out and listed in `notes`. Frame images
// are not read: each frame has an empty image and an entry in `images`.
std::optional<DocumentAnimation> readAnimationSections(const IndexSections& sections,
                                                       std::vector<FrameImageToRead>& images,
                                                       std::vector<std::string>& notes,
                                                       std::string& error);
// The frame image files an index names (as "frames/name", lower case).
std::set<std::string> frameFilesNamed(const IndexSections& sections);

// Gives `doc` and `view` the animation of a file: its frame settings, animation layers (each
// frame gets an id), AnimationLayerId and the per-kind name counters. Without an animation
// layer, the animation a New document starts with: one "Layer Normal1" with a transparent frame
// at the view's CurrentFrame. A file without an animation (nullopt) leaves the frame settings as
// they are. False when an image cannot be made.
bool installAnimation(Document& doc, ViewState& view, std::optional<DocumentAnimation> animation);

}  // namespace qm
