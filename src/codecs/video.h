// Video through FFmpeg's libraries: H.264 in MP4 and VP9 in WebM.
#pragma once

#include <string>
#include <vector>

#include "codecs/animation_encoders.h"

namespace qm {

// Writes the frames as a video at `path` (through writeFileAtomically: a failed or cancelled
// export leaves no file and keeps a file it would have replaced).
//
// - Exactly `fps` frames per second: the time base is 1/fps and every frame lasts one tick, in
//   order, none merged or dropped.
// - 8-bit 4:2:0, limited range, BT.709 matrix, primaries and transfer, tagged as such in the
//   stream and the container, so players convert back to the colours of the frames.
// - 4:2:0 needs an even width and height: an odd side gets one more column or row, a copy of
//   the last one (nothing is cropped, and no dark edge appears).
// - At most 16384 pixels a side (the encoders' limit).
// - Video has no alpha: a pixel that is not opaque is shown over black (see video.cpp).
// - options.quality 0..100 sets the constant quality (CRF) of the encoder; options.loop does not
//   apply (players loop a video or not).
// - H.264 is libx264's; without it any other H.264 encoder of the libraries that works here.
// - The progress callback is called after each frame; returning false cancels.
// Returns "" on success or a message for the user.
std::string writeVideo(const std::string& path, VideoCodec codec,
                       const std::vector<const Image*>& frames, int fps,
                       const AnimationEncodeOptions& options, const EncodeProgress& progress = {});

// The encoder's constant-quality value (CRF) for a quality of 0..100: 51..12 for H.264,
// 63..10 for VP9 (lower is better in both).
inline int videoCrf(VideoCodec codec, int quality) {
    const int q = quality < 0 ? 0 : quality > 100 ? 100 : quality;
    if (codec == VideoCodec::Vp9Webm) return 63 - (q * 53 + 50) / 100;
    return 51 - (q * 39 + 50) / 100;
}

// Where the video encoder module was found, or a message saying why video cannot be written;
// loads it on the first call (the libraries it needs are loaded with it, not at start-up).
struct VideoModuleState {
    bool loaded = false;
    std::string detail;  // the module's path, or why it could not be loaded
};
VideoModuleState videoModule();

}  // namespace qm
