#include "io/animation_export.h"

#include <algorithm>
#include <filesystem>
#include <new>
#include <system_error>
#include <utility>

#include "codecs/codecs.h"
#include "codecs/video.h"
#include "codecs/webp_animation.h"
#include "document/animation_frames.h"
#include "document/compositing.h"
#include "io/animation_files.h"
#include "io/image_files.h"
#include "codecs/png_rows.h"
#include "platform/file_writer.h"
#include "platform/paths.h"
#include "raster/draw_image.h"
#include "raster/image_ops.h"

namespace qm {

namespace {

// The pictures an export holds at once (all its frames, after merging) stay below this.
constexpr int64_t kMaxHeldBytes = int64_t(4) << 30;
constexpr int kMaxScalePercent = 1000;

// n / d rounded, halves to even, for n >= 0 and d > 0.
int64_t roundedQuotient(int64_t n, int64_t d) {
    const int64_t q = n / d, r = n % d;
    return 2 * r > d || (2 * r == d && (q & 1)) ? q + 1 : q;
}

// Composes frames of one document: the visible layers' display images are made once.
class FrameComposer {
public:
    FrameComposer(const Document& doc, const Image* paper) : doc_(doc), paper_(paper) {
        for (const Layer& layer : doc.layers) {
            if (!layer.Visible || layer.IsGroup) continue;
            Image display;
            if (buildDisplayImage(layer, 100, display))
                displays_.emplace_back(&layer, std::move(display));
        }
    }

    // The animation frames shown at `frame` with their layers, in drawing order. Frames that
    // show the same ones are the same picture.
    using Shown = std::vector<std::pair<const AnimationLayer*, const AnimationFrame*>>;
    Shown shownAt(int frame) const {
        Shown shown;
        for (const auto& [key, layer] : doc_.animationLayers) {
            const int number = shownFrameNumber(layer, frame);
            for (const AnimationFrame& f : layer.Frames)
                if (f.Frame == number && !f.image.empty()) shown.emplace_back(&layer, &f);
        }
        return shown;
    }

    std::optional<Image> compose(const Shown& shown) const {
        auto picture = createImage(doc_.Width, doc_.Height, 32);
        if (!picture) return std::nullopt;
        if (paper_ && !paper_->empty())
            drawImage(*picture, *paper_, 0, 0, DrawMode::AlphaBlend, 255);
        for (const auto& [layer, f] : shown)
            drawTiledImage(*picture, f->image, f->X, f->Y, DrawMode::AlphaBlend, layer->Alpha);
        for (const auto& [layer, display] : displays_) layLayerDisplay(*picture, *layer, display);
        return picture;
    }
    std::optional<Image> compose(int frame) const { return compose(shownAt(frame)); }

private:
    const Document& doc_;
    const Image* paper_;
    std::vector<std::pair<const Layer*, Image>> displays_;
};

using TimedWriter = std::string (*)(const std::string&, const std::vector<TimedFrame>&,
                                    const AnimationEncodeOptions&, const EncodeProgress&);
using VideoWriter = std::string (*)(const std::string&, const std::vector<const Image*>&, int fps,
                                    const AnimationEncodeOptions&, const EncodeProgress&);

// The writers of this build, one line per format; a format without one says it is not
// available.
TimedWriter timedWriterOf(ExportFormat format) {
    switch (format) {
        case ExportFormat::Gif:
            return writeGifAnimation;
        case ExportFormat::Apng:
            return writeApng;
        case ExportFormat::Webp:
            return writeWebpAnimation;
        default:
            return nullptr;
    }
}
VideoWriter videoWriterOf(ExportFormat format) {
    switch (format) {
        case ExportFormat::Mp4:
            return [](const std::string& path, const std::vector<const Image*>& frames, int fps,
                      const AnimationEncodeOptions& options, const EncodeProgress& progress) {
                return writeVideo(path, VideoCodec::H264Mp4, frames, fps, options, progress);
            };
        case ExportFormat::Webm:
            return [](const std::string& path, const std::vector<const Image*>& frames, int fps,
                      const AnimationEncodeOptions& options, const EncodeProgress& progress) {
                return writeVideo(path, VideoCodec::Vp9Webm, frames, fps, options, progress);
            };
        default:
            return nullptr;
    }
}

bool writtenHere(ExportFormat format) {
    switch (format) {
        case ExportFormat::Png:
        case ExportFormat::Strip:
        case ExportFormat::Sequence:
            return true;
        case ExportFormat::Gif:
        case ExportFormat::Apng:
        case ExportFormat::Webp:
            return timedWriterOf(format) != nullptr;
        case ExportFormat::Mp4:
        case ExportFormat::Webm:
            return videoWriterOf(format) != nullptr;
    }
    return false;
}

const char* displayName(ExportFormat format) {
    switch (format) {
        case ExportFormat::Png:
            return "PNG";
        case ExportFormat::Gif:
            return "GIF";
        case ExportFormat::Apng:
            return "APNG";
        case ExportFormat::Webp:
            return "WebP";
        case ExportFormat::Mp4:
            return "MP4";
        case ExportFormat::Webm:
            return "WebM";
        case ExportFormat::Strip:
            return "strip";
        case ExportFormat::Sequence:
            return "sequence";
    }
    return "";
}

std::string sizeText(int64_t w, int64_t h) {
    return std::to_string(w) + " x " + std::to_string(h);
}

// Everything that can be told before a frame is composed.
std::string checkExport(const Document& doc, const ViewState& view,
                        const AnimationExportOptions& o) {
    const ExportFormat format = o.format;
    if (!writtenHere(format))
        return std::string(displayName(format)) +
               " files cannot be written: not available in this build.";
    if (!pathIsUsable(o.path)) return "No file name was given for the export.";
    if (folderExists(o.path)) return "Cannot write " + o.path + ": it is a folder.";
    const std::string folder = parentFolder(normalizeSeparators(o.path));
    if (!folder.empty() && !folderExists(folder))
        return "Cannot write " + o.path + ": the folder " + folder + " does not exist.";
    if (doc.Width < 1 || doc.Height < 1) return "The document has no size to export.";
    if (doc.Fps < 1)
        return "The document's frame rate is 0: it must be 1 frame per second or more.";
    const int last = lastDocumentFrame(doc, view);
    if (o.firstFrame > o.lastFrame)
        return "The frames " + std::to_string(o.firstFrame) + "-" + std::to_string(o.lastFrame) +
               " are no range: the first comes after the last.";
    if (o.firstFrame < 1 || o.lastFrame > last)
        return "The frames " + std::to_string(o.firstFrame) + "-" + std::to_string(o.lastFrame) +
               " are not all in the document, whose frames are 1-" + std::to_string(last) + ".";
    if (format == ExportFormat::Png && o.firstFrame != o.lastFrame)
        return "A PNG file holds one frame: choose one frame, an animated format, a strip or a "
               "sequence.";
    if (o.scalePercent < 1 || o.scalePercent > kMaxScalePercent)
        return "The scale must be 1 to " + std::to_string(kMaxScalePercent) + " percent, not " +
               std::to_string(o.scalePercent) + ".";
    const ScaledSize size = scaledSize(doc.Width, doc.Height, o.scalePercent);
    const int64_t side = maxExportSide(format);
    if (size.width > side || size.height > side)
        return std::string("A ") + displayName(format) + " picture may be at most " +
               std::to_string(side) + " pixels on a side; the frames at " +
               std::to_string(o.scalePercent) + " % would be " + sizeText(size.width, size.height) +
               ".";
    if (!imageSizeAllowed(size.width, size.height))
        return "The frames at " + std::to_string(o.scalePercent) +
               " % would be too large: " + imageSizeError(size.width, size.height);
    const int64_t count = int64_t(o.lastFrame) - o.firstFrame + 1;
    if (format == ExportFormat::Strip && count * size.width * 4 + 1 > INT32_MAX)
        return "A strip of " + std::to_string(count) + " frames of " +
               sizeText(size.width, size.height) + " is too wide for a PNG file.";
    if (format == ExportFormat::Gif && doc.Fps > 50)
        return "A GIF file shows at most 50 frames per second; the document has " +
               std::to_string(doc.Fps) + ".";
    return "";
}

// Progress over the whole export: composing the frames is the first half, writing the second.
struct SplitProgress {
    const EncodeProgress& progress;
    int frames;
    bool composed(int done) const { return !progress || progress(done, 2 * frames); }
    EncodeProgress writing() const {
        if (!progress) return {};
        const EncodeProgress& p = progress;
        const int n = frames;
        return [&p, n](int done, int total) {
            return p(n + int(int64_t(done) * n / std::max(total, 1)), 2 * n);
        };
    }
};

std::string outOfMemory() {
    return "Not enough memory to export the frames: export fewer frames or at a smaller scale.";
}

std::string tooManyBytes() {
    return "The frames of this export would take more than " + std::to_string(kMaxHeldBytes >> 30) +
           " GB of memory: export fewer frames or at a smaller scale.";
}

// A frame composed and scaled, or a message.
std::optional<Image> frameAt(const FrameComposer& composer, const FrameComposer::Shown& shown,
                             int frame, int percent, std::string& error) {
    auto picture = composer.compose(shown);
    if (picture && percent != 100) picture = scalePicture(*picture, percent);
    if (!picture) error = "The frame " + std::to_string(frame) + " could not be made (too large?).";
    return picture;
}
std::optional<Image> frameAt(const FrameComposer& composer, int frame, int percent,
                             std::string& error) {
    return frameAt(composer, composer.shownAt(frame), frame, percent, error);
}

std::string writeSinglePng(const FrameComposer& composer, const AnimationExportOptions& o) {
    std::string error;
    auto picture = frameAt(composer, o.firstFrame, o.scalePercent, error);
    if (!picture) return error;
    if (!savePngFile(*picture, o.path, error)) return error;
    return "";
}

void removeQuietly(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove(resolvePath(path), ignored);
}

std::string writeSequenceFiles(const FrameComposer& composer, const AnimationExportOptions& o,
                               const EncodeProgress& progress) {
    const int count = o.lastFrame - o.firstFrame + 1;
    std::vector<std::string> made;  // files this export created (not those it replaced)
    auto fail = [&](std::string message) {
        for (const std::string& path : made) removeQuietly(path);
        return message;
    };
    for (int i = 0; i < count; ++i) {
        std::string error;
        auto picture = frameAt(composer, o.firstFrame + i, o.scalePercent, error);
        if (!picture) return fail(error);
        const std::string path = sequenceFramePath(o.path, i + 1);
        const bool existed = fileExists(path);
        if (!savePngFile(*picture, path, error)) return fail(error);
        if (!existed) made.push_back(path);
        if (progress && !progress(i + 1, count)) return fail(kEncodeCancelled);
    }
    return "";
}

// The pictures side by side, slot i holding pictures[slots[i]].
std::string writeStripFile(const std::vector<Image>& pictures, const std::vector<size_t>& slots,
                           const std::string& path) {
    const int w = pictures[0].width, h = pictures[0].height;
    const PngRowSource rows = [&](int y, uint32_t* row) {
        for (size_t i = 0; i < slots.size(); ++i)
            std::copy_n(pictures[slots[i]].row(y), w, row + i * size_t(w));
    };
    EncodedBytes bytes;
    std::string error;
    if (!encodePngRows(int(slots.size()) * w, h, rows, 2, bytes, error) ||
        !writeFileAtomically(path, bytes.bytes(), error))
        return error;
    return "";
}

std::string exportFrames(const Document& doc, const AnimationExportOptions& o,
                         const EncodeProgress& progress) {
    const FrameComposer composer(doc, o.paper);
    if (o.format == ExportFormat::Png) return writeSinglePng(composer, o);
    if (o.format == ExportFormat::Sequence) return writeSequenceFiles(composer, o, progress);

    const int count = o.lastFrame - o.firstFrame + 1;
    const SplitProgress split{progress, count};
    const std::vector<int64_t> starts = frameStartsMs(count, doc.Fps);
    // The pictures are held once per run of equal frames: frames that show the same animation
    // frames are not composed again, and a composed picture equal to the one before is dropped.
    // A GIF, APNG or WebP shows the run as one frame lasting as long as its frames; a strip or a
    // video shows the held picture in each frame of the run.
    std::vector<Image> pictures;
    std::vector<int> durations;     // per held picture, its run's
    std::vector<size_t> pictureOf;  // per frame
    FrameComposer::Shown lastShown;
    int64_t heldBytes = 0;
    for (int i = 0; i < count; ++i) {
        const int frame = o.firstFrame + i;
        const int duration = int(starts[size_t(i) + 1] - starts[size_t(i)]);
        FrameComposer::Shown shown = composer.shownAt(frame);
        bool same = !pictures.empty() && shown == lastShown;
        if (!same) {
            std::string error;
            auto picture = frameAt(composer, shown, frame, o.scalePercent, error);
            if (!picture) return error;
            same = !pictures.empty() && picture->pixels == pictures.back().pixels;
            if (!same) {
                heldBytes += int64_t(picture->pixels.size()) * 4;
                if (heldBytes > kMaxHeldBytes) return tooManyBytes();
                pictures.push_back(std::move(*picture));
                durations.push_back(0);
            }
            lastShown = std::move(shown);
        }
        durations.back() += duration;
        pictureOf.push_back(pictures.size() - 1);
        if (!split.composed(i + 1)) return kEncodeCancelled;
    }
    if (o.format == ExportFormat::Strip) return writeStripFile(pictures, pictureOf, o.path);
    if (const TimedWriter write = timedWriterOf(o.format)) {
        std::vector<TimedFrame> timed;
        for (size_t i = 0; i < pictures.size(); ++i) timed.push_back({&pictures[i], durations[i]});
        return write(o.path, timed, o.encode, split.writing());
    }
    if (const VideoWriter write = videoWriterOf(o.format)) {
        std::vector<const Image*> frames;
        for (size_t index : pictureOf) frames.push_back(&pictures[index]);
        return write(o.path, frames, doc.Fps, o.encode, split.writing());
    }
    return std::string(displayName(o.format)) +
           " files cannot be written: not available in this build.";
}

}  // namespace

std::vector<int64_t> frameStartsMs(int count, int fps) {
    std::vector<int64_t> starts;
    if (count < 0 || fps < 1) return starts;
    starts.reserve(size_t(count) + 1);
    for (int64_t k = 0; k <= count; ++k) starts.push_back(roundedQuotient(k * 1000, fps));
    return starts;
}

std::optional<Image> composeAnimationFrame(const Document& doc, int frame, const Image* paper) {
    try {
        return FrameComposer(doc, paper).compose(frame);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

ScaledSize scaledSize(int width, int height, int percent) {
    auto side = [percent](int v) {
        return std::max<int64_t>(
            1, roundedQuotient(int64_t(std::max(v, 0)) * std::max(percent, 0), 100));
    };
    return {side(width), side(height)};
}

std::optional<Image> scalePicture(const Image& picture, int percent) {
    if (percent == 100) return picture;
    const ScaledSize size = scaledSize(picture.width, picture.height, percent);
    if (!imageSizeAllowed(size.width, size.height)) return std::nullopt;
    return percent > 100 ? resizeNearest(picture, int(size.width), int(size.height))
                         : resizeSmooth(picture, int(size.width), int(size.height));
}

std::optional<ExportFormat> exportFormatFromPath(std::string_view path) {
    const std::string extension = toLowerAscii(fileExtension(path));
    if (extension == "png") return ExportFormat::Png;
    if (extension == "gif") return ExportFormat::Gif;
    if (extension == "apng") return ExportFormat::Apng;
    if (extension == "webp") return ExportFormat::Webp;
    if (extension == "mp4") return ExportFormat::Mp4;
    if (extension == "webm") return ExportFormat::Webm;
    return std::nullopt;
}

std::optional<ExportFormat> exportFormatFromName(std::string_view name) {
    const std::string lower = toLowerAscii(name);
    for (ExportFormat f :
         {ExportFormat::Png, ExportFormat::Gif, ExportFormat::Apng, ExportFormat::Webp,
          ExportFormat::Mp4, ExportFormat::Webm, ExportFormat::Strip, ExportFormat::Sequence})
        if (lower == exportFormatName(f)) return f;
    return std::nullopt;
}

const char* exportFormatName(ExportFormat format) {
    switch (format) {
        case ExportFormat::Png:
            return "png";
        case ExportFormat::Gif:
            return "gif";
        case ExportFormat::Apng:
            return "apng";
        case ExportFormat::Webp:
            return "webp";
        case ExportFormat::Mp4:
            return "mp4";
        case ExportFormat::Webm:
            return "webm";
        case ExportFormat::Strip:
            return "strip";
        case ExportFormat::Sequence:
            return "sequence";
    }
    return "";
}

int64_t maxExportSide(ExportFormat format) {
    switch (format) {
        case ExportFormat::Gif:
            return 65535;  // the GIF screen's 16-bit sides
        case ExportFormat::Webp:
            return 16383;  // WebP's 14-bit sides
        case ExportFormat::Mp4:
            return 8192;  // H.264's largest level
        case ExportFormat::Webm:
            return 16384;  // VP9's largest level
        default:
            return kMaxImageSide;  // PNG: what an image may be
    }
}

int lastDocumentFrame(const Document& doc, const ViewState& view) {
    int last = std::max<int>(doc.FrameTotal, view.FrameEnd);
    for (const auto& [key, layer] : doc.animationLayers)
        for (const AnimationFrame& f : layer.Frames)
            last = std::max<int>(last, f.Frame + std::max<int>(f.Hold, 1) - 1);
    return std::max(last, 1);
}

std::string exportAnimation(const Document& doc, const ViewState& view,
                            const AnimationExportOptions& options, const EncodeProgress& progress) {
    if (std::string problem = checkExport(doc, view, options); !problem.empty()) return problem;
    try {
        return exportFrames(doc, options, progress);
    } catch (const std::bad_alloc&) {
        return outOfMemory();
    }
}

}  // namespace qm
