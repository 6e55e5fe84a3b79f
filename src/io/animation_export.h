// Exporting the animation: the frames of a range as the canvas shows them, their timing from
// the document's Fps, and the files they are written to (GIF, APNG, WebP, video, a flattened
// PNG, a strip or a numbered sequence).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "codecs/animation_encoders.h"
#include "document/document.h"
#include "document/view_state.h"
#include "raster/image.h"

namespace qm {

// When each frame of an animation at `fps` frames per second starts: count + 1 times in
// milliseconds, frame k at round(k x 1000 / fps) (halves to even), the last the end of the
// last frame. Durations are differences of these, so rounding never adds up.
// Empty when count < 0 or fps < 1.
std::vector<int64_t> frameStartsMs(int count, int fps);

// Frame `frame` of the document as the canvas shows it at 100 % zoom, onto a transparent
// document-size picture (or onto `paper`, a document-size picture, when given): the animation
// frames each animation layer shows at that frame, alpha blended with the layer's Alpha, then
// the visible layers through their blend modes, as flattenVisibleLayers lays them. No onion
// skin, no grid, no background. nullopt when the picture cannot be made.
std::optional<Image> composeAnimationFrame(const Document& doc, int frame,
                                           const Image* paper = nullptr);

// The size of a document picture at `percent` of its size: each side rounded (halves to
// even), at least 1.
struct ScaledSize {
    int64_t width = 0, height = 0;
};
ScaledSize scaledSize(int width, int height, int percent);
// `picture` at that size: enlarged nearest-pixel (pixels stay crisp squares), reduced smoothly.
// The picture itself at 100 %. nullopt when the size is not allowed.
std::optional<Image> scalePicture(const Image& picture, int percent);

enum class ExportFormat { Png, Gif, Apng, Webp, Mp4, Webm, Strip, Sequence };

// The format of a file name by its extension, in any letter case: .png (a flattened picture),
// .gif, .apng, .webp, .mp4, .webm. nullopt for any other.
std::optional<ExportFormat> exportFormatFromPath(std::string_view path);
// The format of a name as a user types it: png, gif, apng, webp, mp4, webm, strip, sequence,
// in any letter case.
std::optional<ExportFormat> exportFormatFromName(std::string_view name);
// The name of a format, as exportFormatFromName reads it.
const char* exportFormatName(ExportFormat format);
// The largest side a format's picture may have (GIF 65535; the others as the format or its
// encoder allows, and never more than an image may have).
int64_t maxExportSide(ExportFormat format);

struct AnimationExportOptions {
    std::string path;  // the file; for a sequence, the name its numbered files are made from
    ExportFormat format = ExportFormat::Gif;
    int firstFrame = 1;  // the frames first..last, both included; a PNG takes firstFrame only
    int lastFrame = 1;
    int scalePercent = 100;        // 1..1000
    const Image* paper = nullptr;  // drawn under every frame when given (document size)
    AnimationEncodeOptions encode;
};

// The frames a document has: 1 to the largest of FrameTotal, the view's FrameEnd and the last
// frame an animation frame is held on.
int lastDocumentFrame(const Document& doc, const ViewState& view);

// Exports the frames first..last of the document: checks the range, the scale and the size the
// format allows, composes each frame, merges equal neighbours (GIF, APNG, WebP), times them
// from the document's Fps and writes the file through its format's writer. "" when written,
// otherwise a message for the user; nothing is left behind then (a sequence removes the files
// it had made). `progress` may be empty; returning false from it cancels (message
// kEncodeCancelled).
std::string exportAnimation(const Document& doc, const ViewState& view,
                            const AnimationExportOptions& options,
                            const EncodeProgress& progress = {});

}  // namespace qm
