// A plain round brush for tests that measure strokes: size 20 (from 10 % when it follows the
// pressure), full opacity, no jitter, decay or scatter.
#pragma once

#include <cstdint>

#include "brush/brush_settings.h"

namespace qm::test {

inline void setPlainRoundBrush(BrushSettings& b, uint32_t colour) {
    b.selectedColor = colour;
    b.alpha = 255;
    b.size = 20;
    b.sizemini = 10;
    b.type = 0;
    b.tool = 0;
    b.scatter = 0;
    b.randRot = 0;
    b.randSiz = 0;
    b.alphaVsTime = 0;
    b.sizeVsTime = 0;
}

}  // namespace qm::test
