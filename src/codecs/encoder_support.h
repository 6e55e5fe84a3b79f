// Pieces the animation and video writers share: the cancellation message and the check of the
// frames they are given.
#pragma once

#include <cstddef>
#include <string>

#include "raster/image.h"

namespace qm {

// What a writer returns when its progress callback asked it to stop (no file is written then).
inline constexpr const char* kExportCancelled = "The export was cancelled.";

// "" when every frame exists and has the size of the first, otherwise a message for the user.
// `imageOf(i)` gives frame i's image or nullptr.
template <typename ImageOf>
std::string checkFrameSizes(size_t count, ImageOf imageOf) {
    if (count == 0) return "There are no frames to export.";
    const Image* first = imageOf(0);
    for (size_t i = 0; i < count; ++i) {
        const Image* img = imageOf(i);
        if (!img || img->empty()) return "Frame " + std::to_string(i + 1) + " has no picture.";
        if (img->width != first->width || img->height != first->height ||
            img->pixels.size() != size_t(img->width) * size_t(img->height))
            return "Frame " + std::to_string(i + 1) + " is not the size of the first frame.";
    }
    return {};
}

}  // namespace qm
