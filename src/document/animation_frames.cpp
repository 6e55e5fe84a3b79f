#include "document/animation_frames.h"

#include <algorithm>
#include <climits>
#include <map>

namespace qm {

namespace {

// A hold as the rule reads it: below 1 counts as 1.
int holdOf(const AnimationFrame& frame) {
    return std::max<int>(frame.Hold, 1);
}

}  // namespace

int shownFrameNumber(const AnimationLayer& layer, int frame) {
    int shown = INT_MIN;
    for (const AnimationFrame& f : layer.Frames)
        if (f.Frame <= frame && frame < f.Frame + holdOf(f)) shown = std::max<int>(shown, f.Frame);
    return shown == INT_MIN ? frame : shown;
}

std::optional<Drawing> shownDrawing(const AnimationLayer& layer, int frame) {
    const int start = shownFrameNumber(layer, frame);
    // Every frame of the drawing counts, even one whose own hold ends before `frame`.
    int hold = 0;
    for (const AnimationFrame& f : layer.Frames)
        if (f.Frame == start) hold = std::max(hold, holdOf(f));
    if (hold == 0 || frame >= start + hold) return std::nullopt;
    return Drawing{start, hold};
}

std::vector<Drawing> drawingsOf(const AnimationLayer& layer) {
    std::map<int, int> holds;
    for (const AnimationFrame& f : layer.Frames) {
        int& hold = holds[f.Frame];
        hold = std::max(hold, holdOf(f));
    }
    std::vector<Drawing> out;
    out.reserve(holds.size());
    for (const auto& [start, hold] : holds) out.push_back({start, hold});
    return out;
}

void normalizeHolds(AnimationLayer& layer) {
    for (AnimationFrame& f : layer.Frames) {
        f.Frame = int16_t(std::clamp<int>(f.Frame, 1, kLastFrameNumber));
        f.Hold = int16_t(std::clamp<int>(f.Hold, 1, kLastFrameNumber - f.Frame + 1));
    }
    const std::vector<Drawing> drawings = drawingsOf(layer);
    std::map<int, int> holds;
    for (size_t i = 0; i < drawings.size(); ++i) {
        int hold = drawings[i].hold;
        if (i + 1 < drawings.size())
            hold = std::min(hold, drawings[i + 1].start - drawings[i].start);
        holds[drawings[i].start] = hold;
    }
    for (AnimationFrame& f : layer.Frames) f.Hold = int16_t(holds[f.Frame]);
}

AnimationFrame* frameById(Document& doc, uint32_t id) {
    if (id == 0) return nullptr;
    for (auto& [key, layer] : doc.animationLayers)
        for (AnimationFrame& frame : layer.Frames)
            if (frame.id == id) return &frame;
    return nullptr;
}

const AnimationFrame* frameById(const Document& doc, uint32_t id) {
    return frameById(const_cast<Document&>(doc), id);
}

}  // namespace qm
