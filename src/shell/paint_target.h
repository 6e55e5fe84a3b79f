// The image that painting goes into. Every tool and adjustment asks here, so that painting a
// layer and painting a drawing of an animation layer take the same path.
//
// Painting normally goes into the current layer. After a click on an animation layer's row in the
// animation-layer list, it goes into that animation layer's drawing shown at CurrentFrame instead
// (Document::paintsAnimation), until a layer is chosen in the layer list. Where the animation
// layer shows no drawing, or the AnimNewDrawing preference asks for a drawing of its own at this
// frame, painting makes it, within the edit that paints.
#pragma once

#include <cstdint>
#include <string>

#include "raster/rect.h"
#include "raster/tiled_image.h"

namespace qm {

struct App;
struct Document;

struct PaintTarget {
    uint32_t id = 0;         // the layer's id, or the animation frame's
    bool frame = false;      // a drawing of an animation layer rather than a layer
    TiledImage* image = nullptr;  // null: no layer, or the drawing is not made yet
    int X = 0, Y = 0;        // document position of the image's pixel (0, 0)
    // View pixels per 100 image pixels: the document's zoom for a layer; animation frames are
    // shown unscaled.
    int zoom = 100;
    int width = 0, height = 0;  // the image's size, or the size a new drawing gets

    explicit operator bool() const { return image != nullptr && !image->empty(); }
};

// Whether painting goes into an animation layer (the flag is set and the layer exists).
bool paintsAnimation(const Document& doc);
// The key of the animation layer painted, "" when painting layers.
std::string paintedAnimationKey(const Document& doc);

// The image to paint. With `make`, inside an open edit, a drawing that has to be made for the
// current frame is made (and declared to the history); without it nothing changes, and a drawing
// not made yet is a target without image whose size is the document's.
PaintTarget paintTarget(App& app, bool make = true);
// The target's image looked up again by its id (the document may have moved it since), or null.
TiledImage* targetImage(App& app, const PaintTarget& target);
// Declares `rect` (image coordinates) of the target to the open edit before it is written.
void touchTarget(App& app, const PaintTarget& target, const Rect& rect);
// Whether the target shows: a layer's Visible; an animation layer always paints.
bool paintTargetVisible(const App& app);

}  // namespace qm
