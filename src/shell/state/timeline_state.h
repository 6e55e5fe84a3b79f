// What the animation panel's pictures keep between redraws (shell/panels/timeline.h).
#pragma once

#include <cstdint>
#include <string>

#include "raster/image.h"
#include "raster/rect.h"

namespace qm {

// The interface images the animation panel's pictures are drawn with: the range markers
// (ledgreen.png for the start, ledred.png for the end) and the eye and lock of the list's header,
// as read from the icon folder (a black 25 x 25 square for a file that cannot be read), and the
// markers at the size the timeline's cells give them.
struct TimelineImages {
    Image startMarker, endMarker, eye, lock;
};
struct TimelineMarkers {
    Image start, end;  // (cell width - 4) x 16
};

// The ruler the timeline is drawn on, kept until the width or the cell width changes; the
// timeline without its current-frame marks, kept while the frames, range and rows stay; and
// the picture last shown, whose marks alone are redrawn when only the current frame moves.
struct TimelineState {
    Image ruler;
    int width = -1;
    int cellWidth = -1;
    TimelineImages images;
    TimelineMarkers markers;  // made with the ruler
    Image base;
    uint64_t baseKey = 0;
    Image shown;
    Rect marked;  // where the shown picture differs from the base
    // An Alt+left drag of a drawing along its row: the animation layer, the frame pressed and
    // whether a copy is dropped (Ctrl).
    bool drawingDrag = false;
    std::string dragLayer;
    int dragFrom = 0;
    bool dragCopy = false;
};

}  // namespace qm
