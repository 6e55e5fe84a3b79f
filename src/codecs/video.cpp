// Video export: the checks and the file writing. The encoding itself lives in a module of its own
// (video_plugin/video_encoder.cpp), loaded on the first video export, so that the hundred
// libraries FFmpeg's pull in are not loaded at every start of the program.
#include "codecs/video.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <filesystem>
#include <mutex>

#include "codecs/video_plugin/video_module.h"
#include "platform/file_writer.h"

namespace qm {
namespace {

constexpr int kMaxFps = 1000;
// libx264 refuses larger frames, and libvpx cannot allocate them.
constexpr int kMaxVideoSide = 16384;

// The folder of the running program.
std::filesystem::path programFolder() {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return {};
    return std::filesystem::path(std::string(buffer, size_t(n))).parent_path();
}

struct LoadedModule {
    VideoEncodeEntry entry = nullptr;
    VideoModuleState state;
};

// The installed module beside the program (QM_VIDEO_MODULE_RELATIVE, from the program's folder)
// first, then the one of the build tree the program was built in.
const LoadedModule& loadedModule() {
    static const LoadedModule module = [] {
        LoadedModule m;
        std::vector<std::filesystem::path> candidates;
        if (const auto folder = programFolder(); !folder.empty())
            candidates.push_back(folder / QM_VIDEO_MODULE_RELATIVE);
        candidates.emplace_back(QM_VIDEO_MODULE_BUILT);
        std::string reasons;
        for (const auto& path : candidates) {
            std::error_code ec;
            if (!std::filesystem::is_regular_file(path, ec)) continue;
            void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (!handle) {
                const char* why = ::dlerror();
                reasons += std::string(reasons.empty() ? "" : "; ") + (why ? why : path.string());
                continue;
            }
            m.entry = reinterpret_cast<VideoEncodeEntry>(::dlsym(handle, kVideoEncodeEntryName));
            if (!m.entry) {
                reasons += (reasons.empty() ? "" : "; ") + path.string() + " has no encoder";
                ::dlclose(handle);
                continue;
            }
            m.state = {true, path.string()};  // stays loaded for the life of the program
            return m;
        }
        m.state = {false, reasons.empty() ? "the video module (" +
                                                std::filesystem::path(QM_VIDEO_MODULE_BUILT)
                                                    .filename()
                                                    .string() +
                                                ") is not installed"
                                          : reasons};
        return m;
    }();
    return module;
}

}  // namespace

VideoModuleState videoModule() { return loadedModule().state; }

std::string writeVideo(const std::string& path, VideoCodec codec,
                       const std::vector<const Image*>& frames, int fps,
                       const AnimationEncodeOptions& options, const EncodeProgress& progress) {
    std::string message = checkFrameSizes(frames.size(), [&](size_t i) { return frames[i]; });
    if (!message.empty()) return message;
    if (fps < 1 || fps > kMaxFps)
        return "A video needs 1 to " + std::to_string(kMaxFps) + " frames per second, not " +
               std::to_string(fps) + ".";
    if (frames[0]->width > kMaxVideoSide || frames[0]->height > kMaxVideoSide)
        return "A video is at most " + std::to_string(kMaxVideoSide) + " x " +
               std::to_string(kMaxVideoSide) + " pixels; this one is " +
               std::to_string(frames[0]->width) + " x " + std::to_string(frames[0]->height) + ".";
    if (!checkFileWritable(path, message)) return message;
    const LoadedModule& module = loadedModule();
    if (!module.entry) return "Cannot write the video: " + module.state.detail + ".";

    const Image& first = *frames[0];
    std::vector<uint8_t> bytes;
    VideoEncodeJob job;
    job.codec = codec;
    job.frames = &frames;
    // 4:2:0 halves the colour planes: both sides must be even.
    job.width = first.width + (first.width & 1);
    job.height = first.height + (first.height & 1);
    job.fps = fps;
    job.quality = options.quality;
    job.progress = &progress;
    job.bytes = &bytes;
    job.message = &message;
    module.entry(job);
    if (!message.empty()) return message;
    if (!writeFileAtomically(path, std::span<const uint8_t>(bytes), message)) return message;
    return {};
}

}  // namespace qm
