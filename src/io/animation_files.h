// Animation frames and files: which files the frame import takes, the picture of one frame of an
// animation layer, the strip of a range of frames and the numbered images of a sequence.
#pragma once

#include <optional>
#include <string>

#include "document/document.h"
#include "raster/image.h"

namespace qm {

// The frames imported since start-up are counted up to this; at the cap the import stops.
constexpr int kMaxImportedFrames = 1000;

// The frame import takes files ending in png, bmp, jpg or tga, in any letter case.
bool animationFileAccepted(const std::string& path);

// The animation layer under the document's AnimationLayerId, or null (never created here).
const AnimationLayer* findCurrentAnimationLayer(const Document& doc);

// The size of one frame in a strip or sequence: the image of the layer's frame shown at `frame`
// (shownFrameNumber), or of its last frame when none is shown; 0 x 0 for a layer without frames.
struct FrameSize {
    int width = 0;
    int height = 0;
};
FrameSize animationFrameSize(const AnimationLayer& layer, int frame);

// Frame `frame` of the layer on a transparent w x h picture: each of its animation frames shown
// there (shownFrameNumber: a drawing shows over its hold), in list order, alpha blended with the
// layer's Alpha at its X, Y offset. The picture is drawn into `out` at (x0, 0) and cut to that w x
// h slot.
void drawAnimationFrame(Image& out, int x0, const AnimationLayer& layer, int frame, int w, int h);

// The strip of frames first..last side by side, frame f in the slot (f - first) x w. nullopt
// when the range is empty or the strip would be larger than an image may be.
std::optional<Image> composeStrip(const AnimationLayer& layer, int first, int last, int w, int h);

// Row y of that strip (frames x w pixels), as composeStrip makes it; for strips of any width.
void composeStripRow(const AnimationLayer& layer, int first, int last, int w, int h, int y,
                     uint32_t* row);
// The strip as a PNG file written through the one file writer, made row by row (so it may be
// wider than an image may be) and compressed on `threads` threads. False with a reason.
bool writeStripPng(const AnimationLayer& layer, int first, int last, int w, int h,
                   const std::string& path, std::string& error, int threads = 2);

// "base_0001.png" for index 1: the typed name less a ".png" of any case, an underscore, the
// index in four digits or more, ".png".
std::string sequenceFramePath(const std::string& typed, int index);

// Writes frames first..last as numbered PNG files (index 1 for `first`), each composed as the
// strip composes a frame, encoding on `threads` threads. Stops at the first failure with a
// reason in `error`; the files written before it stay.
bool writeSequence(const AnimationLayer& layer, int first, int last, int w, int h,
                   const std::string& typed, std::string& error, int threads = 2);

}  // namespace qm
