// Building the document: the reset, the default "new document", adding layers, animation layers
// and animation frames, and finding the current layer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "document/document.h"
#include "raster/image.h"

namespace qm {

// Document sizes the program accepts. A document keeps about ten images of its size alive
// (layers, display images, work and paper images), so the area is bounded well below what a
// single image may be.
constexpr int kMaxDocumentSide = 16000;
constexpr int64_t kMaxDocumentPixels = 25'000'000;
bool documentSizeAllowed(int64_t width, int64_t height);

// The document-size work images that the reset recreates (slots 2, 4 and 3).
struct DocumentWorkImages {
    TiledImage& image2;
    TiledImage& image4;
    TiledImage& image3;
};

// Releases every layer and animation frame, empties both lists, and creates the three work
// images at the document size (32-bit, transparent), in the order 2, 4, 3. False when an image
// cannot be created (the document size is not allowed); the lists are empty then.
bool resetDocument(Document& doc, DocumentWorkImages work);

// The default document: frame counters reset, the reset, one animation layer of kind 0 with
// one empty frame at frame 1, and one layer at frame 1 (a new document is shown from frame 1).
// False when the reset failed.
bool newDocument(Document& doc, DocumentWorkImages work);

// Appends a layer of the document size at the top of the stack and selects it: name "Layer" +
// the incremented LayerCounter, Frame = `frame` (the frame shown), a new id.
// False (nothing changed) when the image cannot be created or the stack is full (255 layers,
// since Position is 8-bit).
bool addLayer(Document& doc, int16_t frame);

// The size of the display image of a w x h image at the view's zoom (size x Zoom / 100).
int displaySize(int size, int zoom);

// Animation-layer kinds: name prefix and row colour.
struct AnimationLayerKind {
    const char* prefix;
    uint32_t colour;  // red, green, blue; alpha 0
};
constexpr int kAnimationLayerKinds = 6;
const AnimationLayerKind& animationLayerKind(int kind);

// The key of the current animation layer: AnimationLayerId in decimal.
std::string currentAnimationLayerKey(const Document& doc);
// The current animation layer; a missing entry is created zero-filled (Alpha 0), which is what
// looking it up has always done.
AnimationLayer& currentAnimationLayer(Document& doc);

// Adds an animation layer of `kind` (0..5) under the key AnimationLayerId + 1 and makes it the
// current one. False (nothing changed) for a kind outside 0..5 or when the 8-bit id is used up.
bool addAnimationLayer(Document& doc, int kind);

// Appends a frame at `frame` (the frame shown) to the current animation layer: `image` when
// given, else a new transparent image of the document size. Then re-mirrors the current layer.
// False when the image cannot be created.
bool addAnimationFrame(Document& doc, int16_t frame,
                       std::optional<TiledImage> image = std::nullopt);

// The selected layer, or null. The current layer is always found this way: the document keeps
// no pointers into its own list, which moves its layers when it grows or is sorted.
Layer* selectedLayer(Document& doc);
const Layer* selectedLayer(const Document& doc);
// The current layer: the painting target. It is the selected layer, except right after a group
// was added (the group is selected, painting stays on the layer it was on); null without one.
Layer* currentLayer(Document& doc);
const Layer* currentLayer(const Document& doc);
// The current layer's image, or null.
TiledImage* currentImage(Document& doc);
const TiledImage* currentImage(const Document& doc);
// The current layer's visibility; 0 without a current layer.
uint8_t currentVisible(const Document& doc);
// The layer at `position` (1 = bottom), or null.
Layer* layerAtPosition(Document& doc, int position);
// The layer with `id`, or null.
Layer* layerById(Document& doc, uint32_t id);
const Layer* layerById(const Document& doc, uint32_t id);
// A new layer id of the document.
uint32_t takeLayerId(Document& doc);

}  // namespace qm
