// The video encoder: frames to 4:2:0 YUV with libswscale, H.264 (libx264) or VP9 (libvpx) with
// libavcodec, MP4 or WebM with libavformat.
//
// It is built as a module of its own that the program loads on the first video export
// (codecs/video.cpp): FFmpeg's libraries pull in a hundred more, and loading them at every
// start would cost more than the rest of the start-up together. So this file uses nothing of
// the program's libraries beyond headers; the checks and the file writing stay in video.cpp.
//
// The muxer writes into memory through our own AVIOContext (it seeks back to finish the MP4
// index); the caller writes the finished bytes through the one file writer.
//
// Transparency: video has no alpha channel, so every pixel is composited over black before the
// conversion. Paper is part of the picture the caller composes (a frame with paper is opaque and
// unchanged here); what is still transparent then is "nothing", and black is what players show
// where there is no picture (around a letterboxed frame, before the first frame). It is also
// what the pixel means with its alpha applied (colour x alpha), so soft edges fade out rather
// than turning into hard fringes of full colour, which dropping the alpha would give.
//
// The libraries log to stderr by default. Their messages are caught instead: errors are kept
// and added to the message the user sees when an export fails; the rest is dropped.
#include "codecs/video_plugin/video_module.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>


namespace qm {
namespace {

// The file is built in memory; a video past this size is refused rather than exhausting it.
constexpr int64_t kMaxVideoBytes = int64_t(4) << 30;

// ---------------------------------------------------------------------------------------------
// The libraries' log

std::mutex logMutex;
std::string logErrors;  // the latest error lines, newest last, bounded

void onLibavLog(void* avcl, int level, const char* format, va_list args) {
    if (level > AV_LOG_ERROR) return;
    char line[512];
    int printPrefix = 0;  // no "[libx264 @ 0x...]": the message names the encoder itself
    av_log_format_line2(avcl, level, format, args, line, sizeof line, &printPrefix);
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    if (text.empty()) return;
    const std::lock_guard lock(logMutex);
    if (!logErrors.empty()) logErrors += "; ";
    logErrors += text;
    constexpr size_t kKeep = 600;
    if (logErrors.size() > kKeep) logErrors.erase(0, logErrors.size() - kKeep);
}

// Routes the libraries' log to onLibavLog (once per process) and forgets the errors logged so
// far.
void startLogCapture() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_callback(onLibavLog); });
    const std::lock_guard lock(logMutex);
    logErrors.clear();
}

std::string avError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// A failure message with the library's own details, when it gave any.
std::string failure(const std::string& what, int code = 0) {
    std::string message = "Cannot write the video: " + what;
    std::string details;
    {
        const std::lock_guard lock(logMutex);
        details = logErrors;
    }
    if (code < 0) details = details.empty() ? avError(code) : details + "; " + avError(code);
    if (!details.empty()) message += " (" + details + ")";
    return message;
}

// ---------------------------------------------------------------------------------------------
// Ownership of the libraries' objects

struct CodecContextFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FormatContextFree {
    void operator()(AVFormatContext* c) const { avformat_free_context(c); }
};
struct IoContextFree {
    void operator()(AVIOContext* c) const {
        av_freep(&c->buffer);  // the muxer may have replaced the buffer given at creation
        avio_context_free(&c);
    }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct ScalerFree {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};
struct Dictionary {
    AVDictionary* d = nullptr;
    Dictionary() = default;
    Dictionary(const Dictionary&) = delete;
    Dictionary& operator=(const Dictionary&) = delete;
    ~Dictionary() { av_dict_free(&d); }
    void set(const char* key, const std::string& value) { av_dict_set(&d, key, value.c_str(), 0); }
};

using CodecContext = std::unique_ptr<AVCodecContext, CodecContextFree>;
using FormatContext = std::unique_ptr<AVFormatContext, FormatContextFree>;
using IoContext = std::unique_ptr<AVIOContext, IoContextFree>;
using Frame = std::unique_ptr<AVFrame, FrameFree>;
using Packet = std::unique_ptr<AVPacket, PacketFree>;
using Scaler = std::unique_ptr<SwsContext, ScalerFree>;

// ---------------------------------------------------------------------------------------------
// The file in memory

struct MemoryFile {
    std::vector<uint8_t> bytes;
    int64_t position = 0;
};

// The write callback; `Byte` is uint8_t or const uint8_t, as the library version declares it.
template <typename Byte>
int writeToMemory(void* opaque, Byte* data, int size) {
    auto* file = static_cast<MemoryFile*>(opaque);
    if (size <= 0) return 0;
    const int64_t end = file->position + size;
    if (end > kMaxVideoBytes) return AVERROR(EFBIG);
    try {
        if (size_t(end) > file->bytes.size()) file->bytes.resize(size_t(end));
    } catch (const std::bad_alloc&) {
        return AVERROR(ENOMEM);
    }
    std::memcpy(file->bytes.data() + file->position, data, size_t(size));
    file->position = end;
    return size;
}

int64_t seekInMemory(void* opaque, int64_t offset, int whence) {
    auto* file = static_cast<MemoryFile*>(opaque);
    const int64_t size = int64_t(file->bytes.size());
    if (whence & AVSEEK_SIZE) return size;
    int64_t target = 0;
    switch (whence & ~AVSEEK_FORCE) {
        case SEEK_SET:
            target = offset;
            break;
        case SEEK_CUR:
            target = file->position + offset;
            break;
        case SEEK_END:
            target = size + offset;
            break;
        default:
            return AVERROR(EINVAL);
    }
    if (target < 0 || target > kMaxVideoBytes) return AVERROR(EINVAL);
    file->position = target;
    return target;
}

IoContext memoryIo(MemoryFile& file) {
    constexpr int kBufferSize = 1 << 16;
    auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferSize));
    if (!buffer) return nullptr;
    AVIOContext* io =
        avio_alloc_context(buffer, kBufferSize, 1, &file, nullptr, writeToMemory, seekInMemory);
    if (!io) av_free(buffer);
    return IoContext(io);
}

// ---------------------------------------------------------------------------------------------
// Encoders

struct CodecChoice {
    AVCodecID id;
    const char* preferred;  // the encoder we tune for
    const char* name;       // for messages
    const char* container;  // libavformat's short name
};

CodecChoice choiceOf(VideoCodec codec) {
    if (codec == VideoCodec::Vp9Webm) return {AV_CODEC_ID_VP9, "libvpx-vp9", "VP9", "webm"};
    return {AV_CODEC_ID_H264, "libx264", "H.264", "mp4"};
}

bool takesYuv420p(const AVCodec* codec) {
    if (!codec->pix_fmts) return true;  // not declared: the encoder checks on opening
    for (const AVPixelFormat* f = codec->pix_fmts; *f != AV_PIX_FMT_NONE; ++f)
        if (*f == AV_PIX_FMT_YUV420P) return true;
    return false;
}

// The preferred encoder first, then the other software encoders of the format, then those that
// need hardware (which fail to open where there is none).
std::vector<const AVCodec*> encodersFor(const CodecChoice& choice) {
    std::vector<const AVCodec*> software, hardware;
    if (const AVCodec* c = avcodec_find_encoder_by_name(choice.preferred)) software.push_back(c);
    void* state = nullptr;
    while (const AVCodec* c = av_codec_iterate(&state)) {
        if (!av_codec_is_encoder(c) || c->id != choice.id) continue;
        if (std::strcmp(c->name, choice.preferred) == 0 || !takesYuv420p(c)) continue;
        ((c->capabilities & AV_CODEC_CAP_HARDWARE) ? hardware : software).push_back(c);
    }
    software.insert(software.end(), hardware.begin(), hardware.end());
    return software;
}

struct Geometry {
    int width, height, fps;
};

// An opened encoder, or nullptr with the reason in `error`.
CodecContext openEncoder(const AVCodec* codec, const Geometry& g, VideoCodec kind, int quality,
                         bool globalHeader, std::string& error) {
    CodecContext ctx(avcodec_alloc_context3(codec));
    if (!ctx) {
        error = "not enough memory";
        return nullptr;
    }
    ctx->width = g.width;
    ctx->height = g.height;
    ctx->pix_fmt = AV_PIX_FMT_YUV420P;
    ctx->time_base = AVRational{1, g.fps};
    ctx->framerate = AVRational{g.fps, 1};
    ctx->sample_aspect_ratio = AVRational{1, 1};
    ctx->color_range = AVCOL_RANGE_MPEG;
    ctx->colorspace = AVCOL_SPC_BT709;
    ctx->color_primaries = AVCOL_PRI_BT709;
    ctx->color_trc = AVCOL_TRC_BT709;
    ctx->thread_count = 0;  // as many as there are cores
    if (globalHeader) ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

    const std::string crf = std::to_string(videoCrf(kind, quality));
    Dictionary options;
    if (std::strcmp(codec->name, "libx264") == 0) {
        options.set("preset", "medium");
        options.set("tune", "animation");  // flat areas and sharp edges, as drawn frames have
        options.set("crf", crf);
    } else if (std::strcmp(codec->name, "libvpx-vp9") == 0) {
        ctx->bit_rate = 0;  // with a CRF: constant quality, no bit-rate target
        options.set("crf", crf);
        options.set("deadline", "good");
        options.set("cpu-used", "4");
        options.set("row-mt", "1");
    } else {
        // An encoder we know nothing of: a bit rate that grows with the quality.
        const double bitsPerPixel = 0.05 + 0.25 * std::clamp(quality, 0, 100) / 100.0;
        ctx->bit_rate = int64_t(bitsPerPixel * g.width * g.height * g.fps);
    }
    const int result = avcodec_open2(ctx.get(), codec, &options.d);
    if (result < 0) {
        error = failure(std::string("cannot start the encoder ") + codec->name + " for " +
                            std::to_string(g.width) + " x " + std::to_string(g.height) + " pixels",
                        result);
        return nullptr;
    }
    return ctx;
}

// ---------------------------------------------------------------------------------------------
// Pixels

// The pixel shown over black, opaque.
inline uint32_t overBlack(uint32_t p) {
    const uint32_t a = alpha(p);
    if (a == 255) return p;
    const auto scale = [a](uint32_t c) { return (c * a + 127) / 255; };
    return rgba(scale(red(p)), scale(green(p)), scale(blue(p)), 255);
}

// The frame composited over black into `out` (width x height, the even size), the last column
// and row repeated where the even size is larger than the image.
void prepareFrame(const Image& img, int width, int height, std::vector<uint32_t>& out) {
    for (int y = 0; y < height; ++y) {
        const uint32_t* src = img.row(std::min(y, img.height - 1));
        uint32_t* dst = out.data() + size_t(y) * size_t(width);
        if (img.hasAlpha())
            for (int x = 0; x < img.width; ++x) dst[x] = overBlack(src[x]);
        else
            for (int x = 0; x < img.width; ++x) dst[x] = src[x] | 0xFF000000u;
        for (int x = img.width; x < width; ++x) dst[x] = dst[img.width - 1];
    }
}

// RGB (full range) to limited-range BT.709 YUV 4:2:0, the matrix the stream is tagged with.
Scaler makeScaler(int width, int height) {
    Scaler scaler(sws_getContext(width, height, AV_PIX_FMT_RGBA, width, height, AV_PIX_FMT_YUV420P,
                                 SWS_BICUBIC | SWS_ACCURATE_RND, nullptr, nullptr, nullptr));
    if (!scaler) return nullptr;
    const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
    if (sws_setColorspaceDetails(scaler.get(), bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16) < 0)
        return nullptr;
    return scaler;
}

// ---------------------------------------------------------------------------------------------
// The export

class VideoWriter {
public:
    VideoWriter(VideoCodec kind, const Geometry& g) : kind_(kind), choice_(choiceOf(kind)), g_(g) {}

    // Sets up the container, the encoder and the conversion; "" or a message.
    std::string open(int quality) {
        AVFormatContext* raw = nullptr;
        if (avformat_alloc_output_context2(&raw, nullptr, choice_.container, nullptr) < 0 || !raw)
            return failure(std::string("this build cannot write ") + choice_.container + " files");
        format_.reset(raw);
        io_ = memoryIo(file_);
        if (!io_) return failure("not enough memory");
        format_->pb = io_.get();
        format_->flags |= AVFMT_FLAG_CUSTOM_IO;

        const auto encoders = encodersFor(choice_);
        const std::string missing = std::string(" (") + choice_.preferred +
                                    " is missing from the FFmpeg libraries of this system)";
        const bool preferredFound =
            !encoders.empty() && std::strcmp(encoders[0]->name, choice_.preferred) == 0;
        if (encoders.empty())
            return std::string("Cannot write the video: there is no ") + choice_.name + " encoder" +
                   missing + ".";
        const bool globalHeader = format_->oformat->flags & AVFMT_GLOBALHEADER;
        std::string firstError;
        for (const AVCodec* codec : encoders) {
            std::string error;
            encoder_ = openEncoder(codec, g_, kind_, quality, globalHeader, error);
            if (encoder_) break;
            if (firstError.empty()) firstError = error;
            startLogCapture();  // the next encoder's errors are its own
        }
        if (!encoder_ && !preferredFound)
            return std::string("Cannot write the video: no ") + choice_.name +
                   " encoder works here" + missing +
                   "; the first one tried: " + firstError.substr(firstError.find(": ") + 2);
        if (!encoder_) return firstError;
        startLogCapture();  // what the encoders that failed said is no longer of interest

        stream_ = avformat_new_stream(format_.get(), nullptr);
        if (!stream_) return failure("not enough memory");
        stream_->time_base = encoder_->time_base;
        stream_->avg_frame_rate = stream_->r_frame_rate = encoder_->framerate;
        int result = avcodec_parameters_from_context(stream_->codecpar, encoder_.get());
        if (result < 0) return failure("cannot set up the stream", result);

        Dictionary muxerOptions;
        if (kind_ == VideoCodec::H264Mp4) muxerOptions.set("movflags", "+write_colr");
        result = avformat_write_header(format_.get(), &muxerOptions.d);
        if (result < 0) return failure("cannot start the file", result);

        frame_.reset(av_frame_alloc());
        packet_.reset(av_packet_alloc());
        if (!frame_ || !packet_) return failure("not enough memory");
        frame_->format = AV_PIX_FMT_YUV420P;
        frame_->width = g_.width;
        frame_->height = g_.height;
        frame_->color_range = AVCOL_RANGE_MPEG;
        frame_->colorspace = AVCOL_SPC_BT709;
        frame_->color_primaries = AVCOL_PRI_BT709;
        frame_->color_trc = AVCOL_TRC_BT709;
        result = av_frame_get_buffer(frame_.get(), 0);
        if (result < 0) return failure("not enough memory", result);
        scaler_ = makeScaler(g_.width, g_.height);
        if (!scaler_) return failure("cannot set up the colour conversion");
        try {
            rgba_.resize(size_t(g_.width) * size_t(g_.height));
        } catch (const std::bad_alloc&) {
            return failure("not enough memory");
        }
        return {};
    }

    std::string addFrame(const Image& img, int64_t index) {
        prepareFrame(img, g_.width, g_.height, rgba_);
        int result = av_frame_make_writable(frame_.get());
        if (result < 0) return failure("not enough memory", result);
        const uint8_t* planes[1] = {reinterpret_cast<const uint8_t*>(rgba_.data())};
        const int strides[1] = {g_.width * 4};
        sws_scale(scaler_.get(), planes, strides, 0, g_.height, frame_->data, frame_->linesize);
        frame_->pts = index;
        result = avcodec_send_frame(encoder_.get(), frame_.get());
        if (result < 0) return failure("the encoder refused a frame", result);
        return drain();
    }

    // Flushes the encoder, finishes the file and gives its bytes.
    std::string finish(std::vector<uint8_t>& bytes) {
        int result = avcodec_send_frame(encoder_.get(), nullptr);
        if (result < 0) return failure("cannot finish the encoding", result);
        if (std::string message = drain(); !message.empty()) return message;
        result = av_write_trailer(format_.get());
        if (result < 0) return failure("cannot finish the file", result);
        avio_flush(io_.get());
        if (io_->error < 0) return failure("cannot finish the file", io_->error);
        bytes = std::move(file_.bytes);
        return {};
    }

private:
    // Moves every packet the encoder has ready into the file.
    std::string drain() {
        for (;;) {
            int result = avcodec_receive_packet(encoder_.get(), packet_.get());
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return {};
            if (result < 0) return failure("the encoder failed", result);
            packet_->stream_index = stream_->index;
            av_packet_rescale_ts(packet_.get(), encoder_->time_base, stream_->time_base);
            result = av_interleaved_write_frame(format_.get(), packet_.get());
            if (result < 0) return failure("cannot store the encoded frames", result);
        }
    }

    VideoCodec kind_;
    CodecChoice choice_;
    Geometry g_;
    MemoryFile file_;
    // Declared in the order they may be released: the container before its I/O.
    IoContext io_;
    FormatContext format_;
    CodecContext encoder_;
    AVStream* stream_ = nullptr;  // owned by format_
    Frame frame_;
    Packet packet_;
    Scaler scaler_;
    std::vector<uint32_t> rgba_;
};

}  // namespace
}  // namespace qm

// The module's one entry point (see video_module.h).
extern "C" __attribute__((visibility("default"))) void qmEncodeVideo(qm::VideoEncodeJob& job) {
    using namespace qm;
    startLogCapture();
    VideoWriter writer(job.codec, Geometry{job.width, job.height, job.fps});
    std::string& message = *job.message;
    message = writer.open(job.quality);
    if (!message.empty()) return;
    const auto& frames = *job.frames;
    const int total = int(frames.size());
    for (int i = 0; i < total; ++i) {
        message = writer.addFrame(*frames[size_t(i)], i);
        if (!message.empty()) return;
        if (*job.progress && !(*job.progress)(i + 1, total)) {
            message = kExportCancelled;
            return;
        }
    }
    message = writer.finish(*job.bytes);
}
