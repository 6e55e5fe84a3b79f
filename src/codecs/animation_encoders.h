// Animated files from a list of pictures: what every animation writer takes (the frames with
// their durations, the options, the progress and cancel callback) and the GIF and APNG writers.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "codecs/encoder_support.h"
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

// Each writer writes `path` through the one file writer (platform/file_writer.h: atomic, no
// partial file on failure or cancel) and returns "" on success or a message for the user.
//
// GIF: one palette for the whole animation, exact when its opaque colours number 255 or fewer,
// otherwise chosen in Oklab from the colours of all frames; a pixel is transparent (the one
// transparent index) when its alpha is below 128, else opaque. Each frame is stored as the
// rectangle that changed; delays are in centiseconds from the frames' start times, so they add
// up to the whole animation's length.
std::string writeGifAnimation(const std::string& path, const std::vector<TimedFrame>& frames,
                              const AnimationEncodeOptions& options,
                              const EncodeProgress& progress = {});
// APNG: 8-bit RGBA, lossless (every frame decodes to exactly its pixels); each frame after the
// first is stored as the rectangle that changed.
std::string writeApng(const std::string& path, const std::vector<TimedFrame>& frames,
                      const AnimationEncodeOptions& options, const EncodeProgress& progress = {});

// The message of a writer that was cancelled through its progress callback (one text for every
// writer).
inline constexpr const char* kEncodeCancelled = kExportCancelled;

// Video at an exact frame rate (fps frames per second, every frame one 1/fps tick, no merging).
enum class VideoCodec { H264Mp4, Vp9Webm };

}  // namespace qm
