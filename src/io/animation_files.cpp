#include "io/animation_files.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <new>
#include <vector>

#include "codecs/codecs.h"
#include "codecs/png_rows.h"
#include "document/animation_frames.h"
#include "platform/file_writer.h"
#include "platform/parallel.h"
#include "platform/paths.h"
#include "raster/alpha_blend.h"
#include "raster/draw_image.h"

namespace qm {

bool animationFileAccepted(const std::string& path) {
    const std::string extension = toLowerAscii(fileExtension(path));
    return extension == "png" || extension == "bmp" || extension == "jpg" || extension == "tga";
}

const AnimationLayer* findCurrentAnimationLayer(const Document& doc) {
    const auto found = doc.animationLayers.find(std::to_string(doc.AnimationLayerId));
    return found == doc.animationLayers.end() ? nullptr : &found->second;
}

FrameSize animationFrameSize(const AnimationLayer& layer, int frame) {
    if (layer.Frames.empty()) return {};
    const int shown = shownFrameNumber(layer, frame);
    const auto at = std::find_if(layer.Frames.begin(), layer.Frames.end(),
                                 [&](const AnimationFrame& f) { return f.Frame == shown; });
    const TiledImage& image = at != layer.Frames.end() ? at->image : layer.Frames.back().image;
    return {image.width, image.height};
}

void drawAnimationFrame(Image& out, int x0, const AnimationLayer& layer, int frame, int w, int h) {
    const int shown = shownFrameNumber(layer, frame);
    for (const AnimationFrame& f : layer.Frames) {
        if (f.Frame != shown || f.image.empty()) continue;
        // The frame's offset moves it within its slot; what falls outside the slot is cut, so a
        // frame never spills into its neighbours' slots.
        const Rect slot = intersect(Rect{x0, 0, w, h}, Rect{x0 + f.X, f.Y, f.image.width,
                                                            f.image.height});
        if (slot.empty()) continue;
        const Rect part{slot.x - (x0 + f.X), slot.y - f.Y, slot.w, slot.h};
        drawTiledImagePart(out, f.image, part, slot.x, slot.y, DrawMode::AlphaBlend, layer.Alpha);
    }
}

std::optional<Image> composeStrip(const AnimationLayer& layer, int first, int last, int w, int h) {
    const int64_t frames = int64_t(last) - first + 1;
    if (frames < 1 || !imageSizeAllowed(frames * w, h)) return std::nullopt;
    auto strip = createImage(int(frames * w), h, 32);
    if (!strip) return std::nullopt;
    for (int f = first; f <= last; ++f) drawAnimationFrame(*strip, (f - first) * w, layer, f, w, h);
    return strip;
}

namespace {

// The Frame number each slot of the strip first..last shows.
std::vector<int> shownInSlots(const AnimationLayer& layer, int first, int last) {
    std::vector<int> shown;
    shown.reserve(size_t(int64_t(last) - first + 1));
    for (int64_t f = first; f <= last; ++f) shown.push_back(shownFrameNumber(layer, int(f)));
    return shown;
}

// Pixels sx .. sx + n - 1 of row sy of the image (all inside it) blended over `to` at the
// opacity, straight from each tile; a missing tile is skipped, since "over" of a transparent
// pixel keeps the target.
void blendTiledRow(uint32_t* to, const TiledImage& image, int sy, int sx, int n, uint32_t opacity) {
    const int ty = sy >> kTileShift;
    const size_t rowInTile = size_t(sy & (kTileSide - 1)) * kTileSide;
    for (int x = sx, end = sx + n; x < end;) {
        const int tx = x >> kTileShift;
        const int stop = std::min(end, (tx + 1) * kTileSide);
        if (const TileRef& tile = image.tile(tx, ty))
            blendRowOver(to + (x - sx), tile.pixels() + rowInTile + size_t(x & (kTileSide - 1)),
                         size_t(stop - x), opacity);
        x = stop;
    }
}

void stripRow(const AnimationLayer& layer, const std::vector<int>& shown, int w, int h, int y,
              uint32_t* row) {
    std::fill(row, row + int64_t(shown.size()) * w, 0u);
    if (y < 0 || y >= h) return;
    for (size_t slotIndex = 0; slotIndex < shown.size(); ++slotIndex) {
        for (const AnimationFrame& f : layer.Frames) {
            if (f.Frame != shown[slotIndex] || f.image.empty()) continue;
            const int sy = y - f.Y;
            if (sy < 0 || sy >= f.image.height) continue;
            // As drawAnimationFrame: the frame moved by its offset within its slot, cut to it.
            const int64_t slot = int64_t(slotIndex) * w;
            const int64_t x0 = std::max<int64_t>(slot, slot + f.X);
            const int64_t x1 = std::min<int64_t>(slot + w, slot + f.X + f.image.width);
            if (x1 <= x0) continue;
            blendTiledRow(row + x0, f.image, sy, int(x0 - slot - f.X), int(x1 - x0), layer.Alpha);
        }
    }
}

}  // namespace

void composeStripRow(const AnimationLayer& layer, int first, int last, int w, int h, int y,
                     uint32_t* row) {
    if (int64_t(last) - first + 1 < 1) return;
    stripRow(layer, shownInSlots(layer, first, last), w, h, y, row);
}

bool writeStripPng(const AnimationLayer& layer, int first, int last, int w, int h,
                   const std::string& path, std::string& error, int threads) {
    const int64_t frames = int64_t(last) - first + 1;
    if (frames < 1 || w < 1 || h < 1 || frames * w * 4 + 1 > INT32_MAX) {
        error = "The strip of " + std::to_string(frames) + " frames of " + std::to_string(w) +
                " x " + std::to_string(h) + " is too large for a PNG file.";
        return false;
    }
    // Frames drawn in list order on each row, as on the whole strip.
    EncodedBytes bytes;
    const std::vector<int> shown = shownInSlots(layer, first, last);
    const PngRowSource rows = [&](int y, uint32_t* row) { stripRow(layer, shown, w, h, y, row); };
    return encodePngRows(int(frames * w), h, rows, threads, bytes, error) &&
           writeFileAtomically(path, bytes.bytes(), error);
}

std::string sequenceFramePath(const std::string& typed, int index) {
    std::string base = typed;
    if (endsWithIgnoreCase(base, ".png")) base.resize(base.size() - 4);
    char number[16];
    std::snprintf(number, sizeof number, "_%04d.png", index);
    return base + number;
}

bool writeSequence(const AnimationLayer& layer, int first, int last, int w, int h,
                   const std::string& typed, std::string& error, int threads) {
    if (last < first || !imageSizeAllowed(w, h)) {
        error = "There is no frame to export.";
        return false;
    }
    std::atomic<bool> failed{false};
    std::mutex errorLock;
    int failedAt = last + 1;
    // Writing files: the caller's thread count stands (at most 8), whatever the processor.
    parallelFor(last - first + 1, std::clamp(threads, 1, 8), [&](int item) {
        if (failed) return;  // a frame failed: the frames not yet taken are not written
        const int f = first + item;
        std::string reason;
        bool ok = false;
        try {  // running out of memory is this frame's failure
            if (auto picture = createImage(w, h, 32)) {
                drawAnimationFrame(*picture, 0, layer, f, w, h);
                std::vector<uint8_t> bytes;
                ok = encodePng(*picture, bytes, reason) &&
                     writeFileAtomically(sequenceFramePath(typed, f - first + 1), bytes, reason);
            } else {
                reason = imageSizeError(w, h);
            }
        } catch (const std::bad_alloc&) {
            reason = "Not enough memory to export the frames.";
        }
        if (!ok) {
            const std::lock_guard lock(errorLock);
            if (f < failedAt) failedAt = f, error = reason;
            failed = true;
        }
    });
    return !failed;
}

}  // namespace qm
