// What animation playback keeps between the passes of the main loop (shell/panels/playback.h).
#pragma once

#include <cstdint>
#include <unordered_map>

#include "raster/rect.h"

namespace qm {

// What playback keeps between steps.
struct PlaybackClock {
    bool running = false;   // the frames are being shown by playback (onion skin is off)
    int64_t dueMicros = 0;  // Ui clock time at which the next frame is due, in microseconds
    // The bounds of what each animation frame's image covers (its pixels with alpha), by frame
    // id with the image's revision and size, so a frame step redraws only where frames differ.
    struct Bounds {
        uint64_t revision = 0;  // the image's revision the bounds were found at
        int width = 0, height = 0;
        Rect covered;
    };
    std::unordered_map<uint32_t, Bounds> bounds;
};

// How long a frame lasts in microseconds: 1000000 / Fps (Fps 0 counts as 1), divided by the

}  // namespace qm
