// Which pictures of an animation layer are shown at a frame of the document. The canvas, the
// animation export and everything else that shows a frame ask here, so the rule is in one place.
//
// A drawing is what an animation layer holds on one Frame number: usually one animation frame,
// sometimes several, which are then shown together in list order and held together. A drawing
// stays on screen for its hold: at document frame f a layer shows the drawing whose
// Frame <= f < Frame + Hold. The drawings of a layer do not overlap (the frame operations and
// the document reader keep them so); where they do all the same (a frame imported into the
// middle of a hold), the drawing that starts last wins.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "document/document.h"

namespace qm {

// The largest frame number and the longest hold: Frame and Hold are 16-bit.
constexpr int kLastFrameNumber = 32767;

// The Frame number whose animation frames `layer` shows at document frame `frame`. When the
// layer shows nothing there, `frame` itself, which then no frame of the layer has.
int shownFrameNumber(const AnimationLayer& layer, int frame);

// A drawing's place on its row: frames start .. start + hold - 1.
struct Drawing {
    int start = 0;
    int hold = 0;
    int end() const { return start + hold - 1; }
    bool operator==(const Drawing&) const = default;
};

// The drawing shown at `frame`, if any.
std::optional<Drawing> shownDrawing(const AnimationLayer& layer, int frame);
// Every drawing of the layer by start; the hold of a drawing is the longest of its frames'.
std::vector<Drawing> drawingsOf(const AnimationLayer& layer);

// Makes the layer's holds what the rule expects, for frames that come from elsewhere (a file):
// frame numbers within 1..kLastFrameNumber, every hold at least 1, the frames of one drawing
// with one hold (the longest), and no drawing held into the next one's start.
void normalizeHolds(AnimationLayer& layer);

// The animation frame with `id` (not 0) in any animation layer, or null.
AnimationFrame* frameById(Document& doc, uint32_t id);
const AnimationFrame* frameById(const Document& doc, uint32_t id);

}  // namespace qm
