// Animated WebP through libwebp's animation encoder (libwebpmux).
//
// The encoder compares each frame with the canvas before it and stores only the rectangle that
// changed, choosing per frame whether the previous one is disposed and whether the new pixels are
// blended over it. In lossless mode it blends only where the result is exact, so the decoded
// canvas equals the input at every frame.
//
// Lossless mode sets libwebp's `exact` when any frame has a pixel that is not opaque. Without it
// libwebp may give a fully transparent pixel whatever colour compresses best (the decoder then
// returns that colour with alpha 0), so a frame would no longer decode to its own pixels: the
// program keeps transparent pixels at 0 in all four channels, and a round trip keeps them so.
// When every pixel of every frame is opaque, the only transparent pixels are the encoder's own
// marks for "unchanged, keep the pixel below", which the decoder blends away whatever their
// colour: leaving `exact` off there lets them take the colour of their neighbours, which saves
// about an eighth of the file on a painted paper, and the frames still decode exactly.
// Lossy mode leaves it off: its colours are approximate anyway, and alpha stays lossless.
//
// Effort: method 3 at quality 70 takes half the time of libwebp's defaults for lossless
// (method 4, the same quality) and makes files within about 2 % of their size.
#include "codecs/webp_animation.h"

#include <webp/encode.h>
#include <webp/mux.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>

#include "codecs/encoder_support.h"
#include "platform/file_writer.h"

namespace qm {
namespace {

// The frame duration field of the format is 24 bits wide.
constexpr int kMaxFrameDurationMs = (1 << 24) - 1;

constexpr float kLosslessEffort = 70;
constexpr int kMethod = 3;

struct EncoderDelete {
    void operator()(WebPAnimEncoder* e) const { WebPAnimEncoderDelete(e); }
};
using Encoder = std::unique_ptr<WebPAnimEncoder, EncoderDelete>;

struct Picture {
    WebPPicture pic;
    Picture() { WebPPictureInit(&pic); }
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;
    ~Picture() { WebPPictureFree(&pic); }
};

struct Data {
    WebPData data;
    Data() { WebPDataInit(&data); }
    Data(const Data&) = delete;
    Data& operator=(const Data&) = delete;
    ~Data() { WebPDataClear(&data); }
};

std::string checkDurations(const std::vector<TimedFrame>& frames) {
    int64_t total = 0;
    for (size_t i = 0; i < frames.size(); ++i) {
        const int d = frames[i].durationMs;
        if (d < 1 || d > kMaxFrameDurationMs)
            return "Frame " + std::to_string(i + 1) + " cannot last " + std::to_string(d) +
                   " ms in a WebP animation (1 to " + std::to_string(kMaxFrameDurationMs) + " ms).";
        total += d;
    }
    if (total > INT_MAX) return "The animation is too long for a WebP file.";
    return {};
}

bool allOpaque(const std::vector<TimedFrame>& frames) {
    for (const TimedFrame& f : frames) {
        if (!f.image->hasAlpha()) continue;
        for (uint32_t p : f.image->pixels)
            if (alpha(p) != 255) return false;
    }
    return true;
}

std::string encoderFailure(WebPAnimEncoder* encoder) {
    const char* why = WebPAnimEncoderGetError(encoder);
    return std::string("Cannot encode the WebP animation: ") +
           (why && *why ? why : "libwebp reported an error");
}

}  // namespace

std::string writeWebpAnimation(const std::string& path, const std::vector<TimedFrame>& frames,
                               const AnimationEncodeOptions& options,
                               const EncodeProgress& progress) {
    std::string message = checkFrameSizes(frames.size(), [&](size_t i) { return frames[i].image; });
    if (!message.empty()) return message;
    const int width = frames[0].image->width, height = frames[0].image->height;
    if (width > WEBP_MAX_DIMENSION || height > WEBP_MAX_DIMENSION)
        return "A WebP animation is at most " + std::to_string(WEBP_MAX_DIMENSION) + " x " +
               std::to_string(WEBP_MAX_DIMENSION) + " pixels; this one is " +
               std::to_string(width) + " x " + std::to_string(height) + ".";
    message = checkDurations(frames);
    if (!message.empty()) return message;
    if (!checkFileWritable(path, message)) return message;

    WebPAnimEncoderOptions encoderOptions;
    WebPConfig config;
    if (!WebPAnimEncoderOptionsInit(&encoderOptions) || !WebPConfigInit(&config))
        return "Cannot encode the WebP animation: the WebP library does not match this program.";
    encoderOptions.anim_params.loop_count = options.loop ? 0 : 1;  // 0 is forever
    encoderOptions.anim_params.bgcolor = 0;  // transparent, as the canvas starts out
    config.method = kMethod;
    if (options.lossless) {
        config.lossless = 1;
        config.exact = allOpaque(frames) ? 0 : 1;
        config.quality = kLosslessEffort;
    } else {
        config.quality = float(std::clamp(options.quality, 0, 100));
    }
    if (!WebPValidateConfig(&config)) return "Cannot encode the WebP animation: bad settings.";

    Encoder encoder(WebPAnimEncoderNew(width, height, &encoderOptions));
    if (!encoder) return "Not enough memory to encode the WebP animation.";
    Picture picture;
    picture.pic.use_argb = 1;
    picture.pic.width = width;
    picture.pic.height = height;

    int timestamp = 0;
    const int total = int(frames.size());
    for (int i = 0; i < total; ++i) {
        const Image& img = *frames[size_t(i)].image;
        const auto* bytes = reinterpret_cast<const uint8_t*>(img.pixels.data());
        // A 24-bit image's alpha byte is 255 by convention; RGBX does not rely on it.
        const int imported = img.hasAlpha() ? WebPPictureImportRGBA(&picture.pic, bytes, width * 4)
                                            : WebPPictureImportRGBX(&picture.pic, bytes, width * 4);
        if (!imported) return "Not enough memory to encode the WebP animation.";
        if (!WebPAnimEncoderAdd(encoder.get(), &picture.pic, timestamp, &config))
            return encoderFailure(encoder.get());
        timestamp += frames[size_t(i)].durationMs;
        if (progress && !progress(i + 1, total)) return kExportCancelled;
    }
    // The end time gives the last frame its duration.
    if (!WebPAnimEncoderAdd(encoder.get(), nullptr, timestamp, nullptr))
        return encoderFailure(encoder.get());
    Data webp;
    if (!WebPAnimEncoderAssemble(encoder.get(), &webp.data)) return encoderFailure(encoder.get());
    encoder.reset();
    if (!writeFileAtomically(path, std::span<const uint8_t>(webp.data.bytes, webp.data.size),
                             message))
        return message;
    return {};
}

}  // namespace qm
