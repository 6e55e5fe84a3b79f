// Animated PNG, written here on zlib: the PNG signature and IHDR (8-bit RGBA), acTL, then per
// frame an fcTL and its image data (the first frame's in IDAT, so viewers without animation
// show it, the others' in fdAT), each chunk with its CRC and every fcTL and fdAT numbered in one
// sequence from 0.
//
// Each frame is the rectangle of the pixels that changed, and leaves the screen as it is after it
// (dispose "none"), so every frame is rebuilt bit for bit: the rectangle replaces the screen
// there (blend "source"), or, when every pixel that changes becomes opaque, it is laid over the
// screen (blend "over") with the pixels that stay written as transparent, which leave the screen
// as it is and compress to almost nothing. Rows are filtered with Sub and deflated as the program's
// PNG files are; the frames are deflated on two threads.
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>

#include "codecs/animation_encoders.h"
#include "codecs/codecs.h"
#include "platform/file_writer.h"
#include "platform/parallel.h"
#include "raster/rect.h"

namespace qm {

namespace {

constexpr int kMaxDelayMs = 65535;             // one fcTL's delay, in milliseconds (delay_den 1000)
constexpr size_t kMaxChunk = size_t(1) << 20;  // image data is cut into chunks of this size

void put32(std::vector<uint8_t>& out, uint32_t v) {
    const uint8_t b[4] = {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
    out.insert(out.end(), b, b + 4);
}
void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v));
}

// A chunk: length, type, data (an optional 4-byte prefix, then the body), CRC of type + data.
void chunk(std::vector<uint8_t>& out, const char* type, const uint8_t* prefix, size_t prefixSize,
           const uint8_t* data, size_t size) {
    put32(out, uint32_t(prefixSize + size));
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    if (prefixSize) out.insert(out.end(), prefix, prefix + prefixSize);
    if (size) out.insert(out.end(), data, data + size);
    uLong crc = crc32(0, out.data() + start, uInt(out.size() - start));
    put32(out, uint32_t(crc));
}

// One frame's rectangle, deflated.
struct FramePart {
    Rect rect;
    bool over = false;  // blend "over", the pixels that stay transparent
    std::vector<uint8_t> deflated;
    bool ok = false;
};

// Whether every pixel of `rect` that differs between the pictures is opaque in `now`.
bool changesAreOpaque(const Image& before, const Image& now, const Rect& rect) {
    for (int y = rect.y; y < rect.bottom(); ++y) {
        const uint32_t* p = before.row(y) + rect.x;
        const uint32_t* q = now.row(y) + rect.x;
        for (int x = 0; x < rect.w; ++x)
            if (p[x] != q[x] && alpha(q[x]) != 255) return false;
    }
    return true;
}

// The rectangle where two pictures of the same size differ; empty when they are equal.
Rect changedRect(const Image& a, const Image& b) {
    const int w = a.width;
    int x0 = w, y0 = a.height, x1 = -1, y1 = -1;
    for (int y = 0; y < a.height; ++y) {
        const uint32_t* p = a.row(y);
        const uint32_t* q = b.row(y);
        if (std::memcmp(p, q, size_t(w) * 4) == 0) continue;
        int first = 0, last = w - 1;
        while (p[first] == q[first]) ++first;
        while (p[last] == q[last]) --last;
        x0 = std::min(x0, first);
        x1 = std::max(x1, last);
        y0 = std::min(y0, y);
        y1 = y;
    }
    if (x1 < 0) return {};
    return {x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

// The rows of `rect`, Sub-filtered, as one zlib stream; with `over`, the pixels equal in
// `before` as transparent.
void deflateRect(const Image& image, const Image* before, FramePart& part) {
    try {
        const Rect r = part.rect;
        const size_t rowBytes = size_t(r.w) * 4;
        std::vector<uint8_t> filtered(rowBytes + 1);
        std::vector<uint32_t> kept(part.over ? size_t(r.w) : 0);
        z_stream z{};
        if (deflateInit2(&z, kPngCompressionLevel, Z_DEFLATED, 15, 8, Z_FILTERED) != Z_OK) return;
        part.deflated.resize(deflateBound(&z, uLong((rowBytes + 1) * size_t(r.h))) + 64);
        z.next_out = part.deflated.data();
        z.avail_out = uInt(part.deflated.size());
        bool ok = true;
        for (int y = r.y; y < r.bottom() && ok; ++y) {
            const uint32_t* row = image.row(y) + r.x;
            if (part.over) {
                const uint32_t* old = before->row(y) + r.x;
                for (int x = 0; x < r.w; ++x) kept[size_t(x)] = row[x] == old[x] ? 0u : row[x];
                row = kept.data();
            }
            const uint8_t* b = reinterpret_cast<const uint8_t*>(row);
            filtered[0] = 1;  // Sub: each byte less the byte of the pixel to its left
            std::memcpy(filtered.data() + 1, b, 4);
            for (size_t i = 4; i < rowBytes; ++i) filtered[i + 1] = uint8_t(b[i] - b[i - 4]);
            z.next_in = filtered.data();
            z.avail_in = uInt(filtered.size());
            ok = deflate(&z, y + 1 == r.bottom() ? Z_FINISH : Z_NO_FLUSH) != Z_STREAM_ERROR &&
                 z.avail_in == 0;
        }
        ok = ok && z.avail_out > 0;
        part.deflated.resize(part.deflated.size() - z.avail_out);
        deflateEnd(&z);
        part.ok = ok;
    } catch (const std::bad_alloc&) {
        part.ok = false;
    }
}

std::string checkFrames(const std::vector<TimedFrame>& frames) {
    if (frames.empty()) return "APNG: there is no frame to write.";
    const Image* first = frames[0].image;
    if (!first || first->empty()) return "APNG: a frame has no picture.";
    for (const TimedFrame& f : frames) {
        if (!f.image || f.image->width != first->width || f.image->height != first->height ||
            f.image->pixels.size() != size_t(first->width) * size_t(first->height))
            return "APNG: the frames do not all have the same size.";
        if (f.durationMs < 0) return "APNG: a frame has a negative duration.";
    }
    return "";
}

class ApngWriter {
public:
    ApngWriter(std::vector<uint8_t>& out) : out_(out) {}

    void header(int width, int height, uint32_t frames, bool loop) {
        static const uint8_t signature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
        out_.insert(out_.end(), signature, signature + 8);
        std::vector<uint8_t> ihdr;
        put32(ihdr, uint32_t(width));
        put32(ihdr, uint32_t(height));
        ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});  // 8-bit RGBA, deflate, adaptive, no interlace
        chunk(out_, "IHDR", nullptr, 0, ihdr.data(), ihdr.size());
        std::vector<uint8_t> actl;
        put32(actl, frames);
        put32(actl, loop ? 0 : 1);  // plays: 0 is for ever
        chunk(out_, "acTL", nullptr, 0, actl.data(), actl.size());
    }

    // A frame control (fcTL) for `rect`, shown `delayMs`, replacing its rectangle or laid over
    // it.
    void control(const Rect& rect, int delayMs, bool over) {
        std::vector<uint8_t> fctl;
        put32(fctl, sequence_++);
        put32(fctl, uint32_t(rect.w));
        put32(fctl, uint32_t(rect.h));
        put32(fctl, uint32_t(rect.x));
        put32(fctl, uint32_t(rect.y));
        put16(fctl, uint32_t(delayMs));
        put16(fctl, 1000);
        fctl.push_back(0);             // dispose: none
        fctl.push_back(over ? 1 : 0);  // blend: over or source
        chunk(out_, "fcTL", nullptr, 0, fctl.data(), fctl.size());
    }

    // The frame's image data: IDAT for the first frame, numbered fdAT after.
    void data(const std::vector<uint8_t>& deflated, bool first) {
        for (size_t at = 0; at < deflated.size() || at == 0; at += kMaxChunk) {
            const size_t size = std::min(kMaxChunk, deflated.size() - at);
            if (first) {
                chunk(out_, "IDAT", nullptr, 0, deflated.data() + at, size);
            } else {
                uint8_t number[4] = {uint8_t(sequence_ >> 24), uint8_t(sequence_ >> 16),
                                     uint8_t(sequence_ >> 8), uint8_t(sequence_)};
                ++sequence_;
                chunk(out_, "fdAT", number, 4, deflated.data() + at, size);
            }
            if (deflated.empty()) break;
        }
    }

    void end() { chunk(out_, "IEND", nullptr, 0, nullptr, 0); }

private:
    std::vector<uint8_t>& out_;
    uint32_t sequence_ = 0;
};

std::string encodeApng(const std::vector<TimedFrame>& frames, const AnimationEncodeOptions& options,
                       const EncodeProgress& progress, std::vector<uint8_t>& out) {
    if (std::string problem = checkFrames(frames); !problem.empty()) return problem;
    const int width = frames[0].image->width, height = frames[0].image->height;
    if (int64_t(width) * 4 + 1 > INT32_MAX) return "APNG: the pictures are too wide.";
    const size_t count = frames.size();

    // The frames are deflated on two threads, each taking the next frame not yet taken; this
    // thread writes them in order as they are ready (after each frame it deflated, and the
    // rest at the end) and reports the progress.
    std::vector<FramePart> parts(count);
    std::vector<std::atomic<bool>> ready(count);
    std::atomic<bool> stop{false};
    auto deflateFrame = [&](int item) {
        if (stop.load(std::memory_order_relaxed)) return;  // failed or cancelled
        const size_t k = size_t(item);
        FramePart& part = parts[k];
        part.rect = k == 0 ? Rect{0, 0, width, height}
                           : changedRect(*frames[k - 1].image, *frames[k].image);
        if (part.rect.empty()) part.rect = {0, 0, 1, 1};  // a frame that changes nothing
        const Image* before = k == 0 ? nullptr : frames[k - 1].image;
        part.over = before && changesAreOpaque(*before, *frames[k].image, part.rect);
        deflateRect(*frames[k].image, before, part);
        ready[k].store(true, std::memory_order_release);
    };

    // Frames longer than one fcTL's delay continue in frames of one unchanged pixel.
    uint32_t fcTLs = 0;
    for (const TimedFrame& f : frames)
        fcTLs += 1 + uint32_t(std::max(0, f.durationMs - 1) / kMaxDelayMs);
    ApngWriter writer(out);
    writer.header(width, height, fcTLs, options.loop);
    size_t written = 0;
    std::string problem;
    auto writeReady = [&] {
        for (; problem.empty() && written < count && ready[written].load(std::memory_order_acquire);
             ++written) {
            const size_t k = written;
            FramePart& part = parts[k];
            if (!part.ok) {
                problem = "APNG: a frame could not be compressed (not enough memory?)";
                break;
            }
            int remaining = frames[k].durationMs;
            writer.control(part.rect, std::min(remaining, kMaxDelayMs), part.over);
            writer.data(part.deflated, k == 0);
            std::vector<uint8_t>().swap(part.deflated);
            for (remaining -= kMaxDelayMs; remaining > 0; remaining -= kMaxDelayMs) {
                // One pixel written again as it is: the frame stays on screen.
                FramePart still;
                still.rect = {0, 0, 1, 1};
                deflateRect(*frames[k].image, nullptr, still);
                writer.control(still.rect, std::min(remaining, kMaxDelayMs), false);
                writer.data(still.deflated, false);
            }
            if (progress && !progress(int(k) + 1, int(count))) problem = kEncodeCancelled;
        }
        if (!problem.empty()) stop = true;
    };
    parallelFor(int(count), computeThreads(2), deflateFrame, [&](int) { writeReady(); });
    writeReady();
    if (!problem.empty()) return problem;
    writer.end();
    return "";
}

}  // namespace

std::string writeApng(const std::string& path, const std::vector<TimedFrame>& frames,
                      const AnimationEncodeOptions& options, const EncodeProgress& progress) {
    std::vector<uint8_t> bytes;
    try {
        if (std::string problem = encodeApng(frames, options, progress, bytes); !problem.empty())
            return problem;
    } catch (const std::bad_alloc&) {
        return "APNG: not enough memory to make the file.";
    }
    std::string error;
    if (!writeFileAtomically(path, bytes, error)) return error;
    return "";
}

}  // namespace qm
