// What the animation writers share: the frames with their durations, the options, progress.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "raster/image.h"

namespace qm {

// One picture of an animation and how long it stays on screen. Every frame has the same size,
// 32-bit straight alpha (the program's Image format).
struct TimedFrame {
    const Image* image = nullptr;
    int durationMs = 0;
};

enum class GifDither { None = 0, Ordered = 1, Diffusion = 2 };
struct AnimationEncodeOptions {
    bool loop = true;
    GifDither dither = GifDither::Diffusion;  // GIF only
    bool lossless = true;                     // WebP only
    int quality = 90;                         // WebP lossy / video: 0..100
};
// Called after each frame is encoded; returning false cancels. May be empty.
using EncodeProgress = std::function<bool(int done, int total)>;

// Video at an exact frame rate (fps frames per second, every frame one 1/fps tick, no merging).
enum class VideoCodec { H264Mp4, Vp9Webm };

}  // namespace qm
