// Operations on the layer stack and on the properties of its layers. Each keeps the stack's
// invariants: the list sorted by Position with positions 1..n and exactly one layer selected.
// Adding a plain layer is addLayer (document_ops.h). These change the document directly; the
// program calls them inside an edit (see document/edit.h), which is what makes them undoable.
//
// Rows are the layer panel's: row r is the layer at Position r + 1. An operation addressed by a
// row that no layer has changes nothing and returns false.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "document/document.h"

namespace qm {

// Sorts the list ascending by Position.
void sortLayers(Document& doc);

// Removes the selected layer and its images, decrements LayerCounter and renumbers the layers
// above it. The layer before it in the list becomes current, or the one after it when it was
// the first. Refused (false) while the document has one layer or none is selected.
// The removed layer is moved into `removed` when given.
bool deleteSelectedLayer(Document& doc, Layer* removed = nullptr);

// Appends a group entry ("Group" + the incremented GroupCount) on top and selects it. A group
// has no image; its Frame is `frame` (the frame shown). False when the stack is full.
bool addGroup(Document& doc, int16_t frame);

// Appends a copy of the current layer's pixels on top of the stack and selects it: opacity,
// visibility and frame from the source, name = source name + "Copy" + the incremented
// LayerCounter; blend mode, offset and the lock flags start at 0. The copy has the document
// size (a larger source is cut at the document's edges). False when the image cannot be
// created or the stack is full.
bool copySelectedLayer(Document& doc);

// Selects the layer of `row` and makes it the painting target, whatever its Frame: a layer of
// another frame can be painted while it is chosen, rather than the choice silently painting a
// layer the user did not pick.
bool selectLayerRow(Document& doc, int row);
// Shows or hides the layer of `row`.
bool setLayerVisible(Document& doc, int row, bool visible);
// Renames the layer of `row`; an empty name changes nothing.
bool renameLayer(Document& doc, int row, const std::string& name);
// Opacity (clamped to 0..255) and blend mode (0..14, others refused) of the selected layer.
bool setSelectedOpacity(Document& doc, int opacity);
bool setSelectedBlendmode(Document& doc, int mode);

// Moves the selected layer one place: direction 1 = up (toward the first row, the bottom of the
// composition), 0 = down. Refused (false) for the first row up and the last row down, which
// have no partner to swap with.
bool moveSelectedLayer(Document& doc, int direction);

// The move tool's own state: the dragging flag and the layer offset captured when the drag
// started (owned by the caller, which keeps it between events).
struct MoveDrag {
    bool& dragging;
    int16_t& startX;
    int16_t& startY;
};

// Drag phase of the move tool: the first call after a press captures the selected layer's
// offset; every call sets the offset to start + (x, y) - (pressX, pressY), all in document
// pixels. False without a selected layer.
bool dragSelectedLayer(Document& doc, MoveDrag drag, int x, int y, int pressX, int pressY);
// Release phase: the next drag starts afresh.
inline void endLayerDrag(MoveDrag drag) {
    drag.dragging = false;
}

// Resizes the layer images after the document's Width and Height were set to the new size;
// `oldWidth` x `oldHeight` is the size it had before.
//   mode 0 (image size): the picture is scaled with the document, smoothly (quality 0) or
//   nearest-pixel (1): each layer image by new size / old size on each side (so a layer larger
//   than the document stays as much larger), and its offset X, Y and its Width, Height with it
//   (see scaleLayerPlacement);
//   mode 1 (canvas size): each layer image becomes max(layer Width, document width) x
//   max(layer Height, document height), with the old image laid on it at the layer's offset
//   (X, Y); Width, Height, X and Y stay unchanged, so shrinking the canvas never makes a layer
//   smaller than its size at creation.
// Groups are skipped. Returns the number of layers whose new size could not be allocated (they
// keep their image and place).
int resizeLayerImages(Document& doc, int oldWidth, int oldHeight, int quality, int mode);
// The image resizeLayerImages gives one layer, or nullopt (a group, or no image to be had).
std::optional<Image> resizedLayerImage(const Document& doc, const Layer& layer, int oldWidth,
                                       int oldHeight, int quality, int mode);
// The image size: offset X, Y and size Width, Height of a layer scaled as its picture is when
// the document goes from `oldWidth` x `oldHeight` to its new size (sizes at least 1).
void scaleLayerPlacement(LayerProperties& layer, int oldWidth, int oldHeight, int newWidth,
                         int newHeight);

}  // namespace qm
