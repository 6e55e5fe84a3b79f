// The document: a fixed-size stack of raster layers plus the animation layers whose images are
// tied to frame numbers. How it is looked at (zoom, the frame shown, the playback range, the
// onion skins) is the view state (view_state.h), held beside it. Field names and widths are the
// program's own (they are also the keys of the .qmd file).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "raster/image.h"
#include "raster/tiled_image.h"

namespace qm {

// Everything a layer is apart from its pixels: what history keeps of a structural change.
struct LayerProperties {
    // Stable identity: given when the layer is made and never changed while it lives (Position
    // changes with the stack). History and the view cache name layers by it. 0 is no layer.
    uint32_t id = 0;
    int16_t X = 0, Y = 0;            // offset in document pixels (the move tool)
    int16_t Width = 0, Height = 0;   // size given at creation or load; a lower bound on resize
    uint8_t Position = 0;            // 1 = bottom; the list stays sorted by it, 1..n
    std::string Name;
    uint16_t Groupe = 0;             // indent level in the layer panel's tree
    uint8_t Selected = 0;            // exactly one layer is selected
    uint8_t IsGroup = 0;             // a group has no image
    int16_t Frame = 1;               // frame the layer belongs to
    uint8_t Blendmode = 0;           // 0..14
    uint8_t Opacity = 255;
    uint8_t Visible = 1;
    uint8_t Locked = 0;              // kept and saved only
    uint8_t LockAlpha = 0;           // kept and saved only
    uint8_t Paint = 0;               // kept and saved only

    bool operator==(const LayerProperties&) const = default;
};

struct Layer : LayerProperties {
    TiledImage image;  // the layer's pixels (its view-scale image belongs to the view)
};

struct AnimationFrame {
    int16_t X = 0, Y = 0;
    TiledImage image;
    int16_t Frame = 1;
    uint32_t id = 0;  // stable identity while the frame lives, as for layers; 0 until given
    // Frames it stays on screen, from Frame on (at least 1). Frames of one layer on one Frame
    // number are one drawing (shown together, in list order) and share their hold.
    int16_t Hold = 1;
};

struct AnimationLayer {
    uint8_t Order = 0;
    uint8_t Kind = 0;                // 0..5
    uint32_t Color = 0;
    uint8_t Current = 0;
    uint8_t Shown = 0;
    uint8_t Flag2 = 0;
    uint8_t Alpha = 0;
    std::string Name;
    std::vector<AnimationFrame> Frames;
};

struct Document {
    int16_t Width = 0, Height = 0;
    uint8_t GroupCount = 0;
    uint8_t AnimationLayerId = 1;
    int16_t FrameTotal = 120;
    uint8_t Fps = 12;
    int32_t LayerCounter = 0;
    uint32_t nextLayerId = 1;        // the id the next new layer gets
    uint32_t nextFrameId = 1;        // the id the next animation frame gets
    // The painting target when it is not the selected entry: adding a group selects the group
    // but leaves painting on the layer it was on. 0: the selected layer is the target.
    uint32_t paintTarget = 0;
    // Painting goes into the drawing shown at the current frame of the current animation layer
    // (AnimationLayerId) instead of a layer; choosing a layer in the layer list ends it.
    uint8_t paintsAnimation = 0;
    std::string paper;               // paper texture file

    std::vector<Layer> layers;                        // sorted ascending by Position
    std::map<std::string, AnimationLayer> animationLayers;  // keyed by decimal text
    int kindCounters[6] = {0, 0, 0, 0, 0, 0};         // per-kind name counters of animation layers
};

}  // namespace qm
