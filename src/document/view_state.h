// How the open document is looked at: the zoom, the frame shown, the playback range and the
// onion skins. None of it is the document's content, so editing it is no edit; the history
// restores the frame fields an import moves, and says so where it does.
#pragma once

#include <cstdint>

namespace qm {

struct ViewState {
    int16_t Zoom = 100;                       // percent
    int16_t CurrentFrame = 1;                 // the frame shown and painted
    int16_t FrameStart = 1, FrameEnd = 120;   // the playback range
    uint8_t OnionBefore = 0, OnionAfter = 0;  // onion-skin drawings before and after
};

}  // namespace qm
