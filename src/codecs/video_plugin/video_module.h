// What the program and the video module (video_encoder.cpp, loaded on the first video export)
// hand each other. Both are built from the same sources by the same compiler, so the job may hold
// C++ types; only the entry point has C linkage, to be found by name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "codecs/encoder_support.h"
#include "codecs/video.h"

namespace qm {

struct VideoEncodeJob {
    VideoCodec codec = VideoCodec::H264Mp4;
    const std::vector<const Image*>* frames = nullptr;  // checked: at least one, all one size
    int width = 0, height = 0;                          // even, at least the frames' size
    int fps = 0;                                        // checked: 1..kMaxVideoFps
    int quality = 0;                                    // 0..100
    const EncodeProgress* progress = nullptr;           // may hold an empty function
    std::vector<uint8_t>* bytes = nullptr;              // out: the whole file
    std::string* message = nullptr;                     // out: "" or a message for the user
};

using VideoEncodeEntry = void (*)(VideoEncodeJob&);
inline constexpr const char* kVideoEncodeEntryName = "qmEncodeVideo";

}  // namespace qm
