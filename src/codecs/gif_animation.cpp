// Animated GIF through giflib, with the program's own palette (codecs/colour_palette.h).
//
// The screen is kept as palette indices. Each frame is mapped to indices where its pixels
// changed (still pixels keep the index they had, so dithering never flickers), and is written as
// the rectangle where the screen changes, with the pixels that stay as they are written as the
// transparent index (which leaves them). A pixel that turns transparent cannot be drawn: the
// frame before then gets the disposal "restore to background" over a rectangle that covers it,
// so the screen is cleared there before the frame is drawn. A frame waits until the next one is
// known, since the next decides its disposal.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "codecs/animation_encoders.h"
#include "codecs/colour_palette.h"
#include "platform/file_writer.h"
#include "platform/parallel.h"
#include "raster/rect.h"

namespace qm {

namespace {

constexpr int kMaxGifSide = 65535;
constexpr int kMaxGifDelay = 65535;  // centiseconds in one frame's delay

int writeToVector(GifFileType* gif, const GifByteType* data, int length) {
    auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
    try {
        out->insert(out->end(), data, data + length);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return length;
}

// Halves to even, in integers: the centisecond nearest to `ms` milliseconds.
int64_t centisecondsOf(int64_t ms) {
    const int64_t q = ms / 10, r = ms % 10;
    return r > 5 || (r == 5 && (q & 1)) ? q + 1 : q;
}

// The bounding box of the pixels of `area` where the predicate holds.
template <typename Differs>
Rect boundingBox(int width, const Rect& area, Differs differs) {
    int x0 = area.right(), y0 = area.bottom(), x1 = area.x - 1, y1 = area.y - 1;
    for (int y = area.y; y < area.bottom(); ++y) {
        const size_t row = size_t(y) * size_t(width);
        int first = -1, last = -1;
        for (int x = area.x; x < area.right(); ++x) {
            if (differs(row + size_t(x))) {
                first = x;
                break;
            }
        }
        if (first < 0) continue;
        for (int x = area.right() - 1; x >= first; --x) {
            if (differs(row + size_t(x))) {
                last = x;
                break;
            }
        }
        x0 = std::min(x0, first);
        x1 = std::max(x1, last);
        y0 = std::min(y0, y);
        y1 = y;
    }
    if (x1 < x0) return {};
    return {x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

struct GifFile {
    GifFileType* gif = nullptr;
    ~GifFile() {
        if (gif) {
            int error = 0;
            EGifCloseFile(gif, &error);
        }
    }
};

std::string gifError(int code) {
    const char* text = GifErrorString(code);
    return std::string("GIF: ") + (text ? text : "the file could not be made");
}

class GifWriter {
public:
    GifWriter(int width, int height, int transparent)
        : width_(width), height_(height), t_(transparent) {}

    bool open(const std::vector<uint32_t>& palette, int tableSize, bool loop, std::string& error) {
        int code = 0;
        file_.gif = EGifOpen(&bytes_, writeToVector, &code);
        if (!file_.gif) return error = gifError(code), false;
        EGifSetGifVersion(file_.gif, true);
        std::vector<GifColorType> colours(size_t(tableSize), GifColorType{0, 0, 0});
        for (size_t i = 0; i < palette.size(); ++i)
            colours[i] = {GifByteType(red(palette[i])), GifByteType(green(palette[i])),
                          GifByteType(blue(palette[i]))};
        ColorMapObject* map = GifMakeMapObject(tableSize, colours.data());
        if (!map) return error = "GIF: not enough memory", false;
        const int put = EGifPutScreenDesc(file_.gif, width_, height_, 8, t_, map);
        GifFreeMapObject(map);
        if (put == GIF_ERROR) return error = gifError(file_.gif->Error), false;
        if (loop) {
            // The application extension that makes viewers repeat: loop count 0, for ever.
            const GifByteType repeat[3] = {1, 0, 0};
            if (EGifPutExtensionLeader(file_.gif, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
                EGifPutExtensionBlock(file_.gif, 11, "NETSCAPE2.0") == GIF_ERROR ||
                EGifPutExtensionBlock(file_.gif, 3, repeat) == GIF_ERROR ||
                EGifPutExtensionTrailer(file_.gif) == GIF_ERROR)
                return error = gifError(file_.gif->Error), false;
        }
        return true;
    }

    // Writes the frame that turns `before` into `after` over `rect`, shown for `delay`
    // centiseconds and then disposed of by `disposal`. A delay longer than one GIF delay is
    // written as the frame followed by frames over the same rectangle that change nothing, the
    // last of which carries the disposal.
    bool frame(const uint8_t* before, const uint8_t* after, const Rect& rect, int disposal,
               int64_t delay, std::string& error) {
        line_.resize(size_t(rect.w) * size_t(rect.h));
        uint8_t* p = line_.data();
        for (int y = rect.y; y < rect.bottom(); ++y) {
            const size_t row = size_t(y) * size_t(width_);
            for (int x = rect.x; x < rect.right(); ++x) {
                const size_t i = row + size_t(x);
                *p++ = after[i] == before[i] ? uint8_t(t_) : after[i];
            }
        }
        if (!put(rect, delay > kMaxGifDelay ? DISPOSE_DO_NOT : disposal,
                 int(std::min<int64_t>(delay, kMaxGifDelay)), error))
            return false;
        for (delay -= kMaxGifDelay; delay > 0; delay -= kMaxGifDelay) {
            std::fill(line_.begin(), line_.end(), uint8_t(t_));
            if (!put(rect, delay > kMaxGifDelay ? DISPOSE_DO_NOT : disposal,
                     int(std::min<int64_t>(delay, kMaxGifDelay)), error))
                return false;
        }
        return true;
    }

    bool close(std::string& error) {
        int code = 0;
        GifFileType* gif = file_.gif;
        file_.gif = nullptr;
        if (EGifCloseFile(gif, &code) == GIF_ERROR) return error = gifError(code), false;
        return true;
    }

    std::vector<uint8_t>& bytes() { return bytes_; }

private:
    bool put(const Rect& rect, int disposal, int delay, std::string& error) {
        GraphicsControlBlock control{};
        control.DisposalMode = disposal;
        control.UserInputFlag = false;
        control.DelayTime = delay;
        control.TransparentColor = t_;
        GifByteType extension[4];
        EGifGCBToExtension(&control, extension);
        if (EGifPutExtension(file_.gif, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_ERROR ||
            EGifPutImageDesc(file_.gif, rect.x, rect.y, rect.w, rect.h, false, nullptr) ==
                GIF_ERROR ||
            EGifPutLine(file_.gif, line_.data(), int(line_.size())) == GIF_ERROR)
            return error = gifError(file_.gif->Error), false;
        return true;
    }

    int width_, height_, t_;
    std::vector<uint8_t> bytes_;  // before file_: closing an unfinished file still writes here
    GifFile file_;
    std::vector<uint8_t> line_;
};

// The colours of every frame, counted on two threads: each takes every other frame.
ColourHistogram histogramOf(const std::vector<TimedFrame>& frames) {
    ColourHistogram halves[2];
    const int parts = frames.size() > 1 ? 2 : 1;
    parallelFor(parts, computeThreads(2), [&](int part) {
        for (size_t i = size_t(part); i < frames.size(); i += size_t(parts))
            halves[part].add(frames[i].image->pixels.data(), frames[i].image->pixels.size());
    });
    if (parts == 2) halves[0].merge(halves[1]);
    return std::move(halves[0]);
}

std::string checkFrames(const std::vector<TimedFrame>& frames) {
    if (frames.empty()) return "GIF: there is no frame to write.";
    const Image* first = frames[0].image;
    if (!first || first->empty()) return "GIF: a frame has no picture.";
    if (first->width > kMaxGifSide || first->height > kMaxGifSide)
        return "GIF: a picture of " + std::to_string(first->width) + " x " +
               std::to_string(first->height) + " is larger than a GIF file can hold (" +
               std::to_string(kMaxGifSide) + " pixels on a side).";
    for (const TimedFrame& f : frames) {
        if (!f.image || f.image->width != first->width || f.image->height != first->height ||
            f.image->pixels.size() != size_t(first->width) * size_t(first->height))
            return "GIF: the frames do not all have the same size.";
        if (f.durationMs < 0) return "GIF: a frame has a negative duration.";
    }
    return "";
}

std::string encodeGif(const std::vector<TimedFrame>& frames, const AnimationEncodeOptions& options,
                      const EncodeProgress& progress, std::vector<uint8_t>& out) {
    if (std::string problem = checkFrames(frames); !problem.empty()) return problem;
    const int width = frames[0].image->width, height = frames[0].image->height;
    const size_t n = size_t(width) * size_t(height);
    const Rect whole{0, 0, width, height};

    const ColourHistogram histogram = histogramOf(frames);
    const std::vector<uint32_t> palette = choosePalette(histogram, 255);
    const bool exact = histogram.exact() && palette.size() == histogram.exactColours().size();
    const int t = int(palette.size());  // the transparent index follows the colours
    int tableSize = 2;
    while (tableSize < t + 1) tableSize *= 2;
    PaletteMapper mapper(palette, t, exact);
    const Dithering dithering = options.dither == GifDither::None      ? Dithering::None
                                : options.dither == GifDither::Ordered ? Dithering::Ordered
                                                                       : Dithering::Diffusion;

    GifWriter writer(width, height, t);
    std::string error;
    if (!writer.open(palette, tableSize, options.loop, error)) return error;

    // Delays: the frames' start times in centiseconds, each rounded from the exact start, and
    // the differences of those.
    int64_t startMs = 0;
    auto delayOf = [&](const TimedFrame& f) {
        const int64_t from = centisecondsOf(startMs);
        startMs += f.durationMs;
        return centisecondsOf(startMs) - from;
    };

    std::vector<uint8_t> before(n, uint8_t(t));  // the screen before the waiting frame
    std::vector<uint8_t> waiting(n), next(n);    // the screen after it, after the next
    mapper.map(frames[0].image->pixels.data(), width, whole, dithering, nullptr, nullptr,
               waiting.data());
    Rect waitingRect = whole;  // the first frame covers the screen
    int64_t waitingDelay = delayOf(frames[0]);
    const int total = int(frames.size());
    if (progress && !progress(1, total)) return kEncodeCancelled;

    for (size_t k = 1; k < frames.size(); ++k) {
        const uint32_t* pixels = frames[k].image->pixels.data();
        const uint32_t* previous = frames[k - 1].image->pixels.data();
        const Rect changed = boundingBox(
            width, whole, [&](size_t i) { return gifPixel(pixels[i]) != gifPixel(previous[i]); });
        next = waiting;
        if (!changed.empty())
            mapper.map(pixels, width, changed, dithering, previous, waiting.data(), next.data());
        // Pixels that turn transparent: the waiting frame clears its rectangle after it.
        const Rect cleared = changed.empty() ? Rect{} : boundingBox(width, changed, [&](size_t i) {
            return next[i] == t && waiting[i] != t;
        });
        const int disposal = cleared.empty() ? DISPOSE_DO_NOT : DISPOSE_BACKGROUND;
        waitingRect = unite(waitingRect, cleared);
        if (!writer.frame(before.data(), waiting.data(), waitingRect, disposal, waitingDelay,
                          error))
            return error;
        // The screen once the waiting frame is gone.
        before = waiting;
        if (disposal == DISPOSE_BACKGROUND)
            for (int y = waitingRect.y; y < waitingRect.bottom(); ++y)
                std::fill_n(
                    before.begin() + ptrdiff_t(size_t(y) * size_t(width) + size_t(waitingRect.x)),
                    waitingRect.w, uint8_t(t));
        const Rect mayDiffer =
            disposal == DISPOSE_BACKGROUND ? unite(changed, waitingRect) : changed;
        waitingRect = mayDiffer.empty() ? Rect{} : boundingBox(width, mayDiffer, [&](size_t i) {
            return next[i] != before[i];
        });
        if (waitingRect.empty()) waitingRect = {0, 0, 1, 1};  // a frame that changes nothing
        std::swap(waiting, next);
        waitingDelay = delayOf(frames[k]);
        if (progress && !progress(int(k) + 1, total)) return kEncodeCancelled;
    }
    if (!writer.frame(before.data(), waiting.data(), waitingRect, DISPOSE_DO_NOT, waitingDelay,
                      error) ||
        !writer.close(error))
        return error;
    out = std::move(writer.bytes());
    return "";
}

}  // namespace

std::string writeGifAnimation(const std::string& path, const std::vector<TimedFrame>& frames,
                              const AnimationEncodeOptions& options,
                              const EncodeProgress& progress) {
    std::vector<uint8_t> bytes;
    try {
        if (std::string problem = encodeGif(frames, options, progress, bytes); !problem.empty())
            return problem;
    } catch (const std::bad_alloc&) {
        return "GIF: not enough memory to make the file.";
    }
    std::string error;
    if (!writeFileAtomically(path, bytes, error)) return error;
    return "";
}

}  // namespace qm
