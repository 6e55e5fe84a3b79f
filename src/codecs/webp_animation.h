// Animated WebP through libwebp's animation encoder.
#pragma once

#include <string>
#include <vector>

#include "codecs/animation_encoders.h"

namespace qm {

// Writes the frames as an animated WebP at `path` (through writeFileAtomically: a failed or
// cancelled export leaves no file and keeps a file it would have replaced). Lossless mode is
// exact: every frame decodes to the input pixels, all four channels, the colour under a
// transparent pixel included. Lossy mode uses options.quality (0..100) for the colour and keeps
// alpha lossless. options.loop plays the animation forever, otherwise once. Identical
// neighbouring frames may be stored as one longer frame, as the format allows.
// Returns "" on success or a message for the user.
std::string writeWebpAnimation(const std::string& path, const std::vector<TimedFrame>& frames,
                               const AnimationEncodeOptions& options,
                               const EncodeProgress& progress = {});

}  // namespace qm
