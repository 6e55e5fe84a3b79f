// The stroke painter: a segment of the pointer's path becomes dabs of the brush tip, each drawn
// into the layer at document scale through a dab target, which learns each dab's rectangle
// before the dab is written (so history can keep what it covers, and the view can redraw it).
// Also the colour pick-up of mixing.
//
// Pixel format as in raster/image.h. Coordinates given to the painter are view coordinates
// (pixels relative to the document's on-screen top-left corner at the current zoom); document
// coordinates are view coordinates x 100 / zoom. Reals become integers halves-to-even
// (roundHalfEven) throughout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <unordered_map>
#include <vector>

#include "brush/brush_settings.h"
#include "brush/brush_tip.h"
#include "brush/pen_sample.h"
#include "platform/random.h"
#include "raster/image.h"
#include "raster/pixel_view.h"
#include "raster/rect.h"
#include "raster/tiled_image.h"

namespace qm {

// How one dab lands on an image: an optional water pass, then the paint pass chosen by the
// brush mode (BrushSettings::tool).
struct DabPasses {
    int waterOpacity = 0;  // > 0: first erase with this constant opacity (brush tool with water)
    int tool = 0;          // 0 brush, 1 pencil, 2 eraser, 3 water, 4 smudge, other: as 3
    bool keepAlpha = false;
    int opacity = 255;  // constant opacity of the paint pass, 0..255
};

// The per-pixel filters of the eraser and the smudge mode, for source (dab) s and target t.
// The dab alpha is first combined with the constant opacity: As' = As x opacity / 255
// (truncated), the same product the blend modes use, so an eraser at half opacity removes half.
//   erase:  RGB of t, alpha max(0, At - As').
//   smudge: At >= As': RGB = Rs x Rt / 255 (each, truncated), alpha At - As';
//           At < As':  RGB of t, alpha 0.
uint32_t eraseFilterPixel(uint32_t s, uint32_t t, uint32_t opacity);
uint32_t smudgeFilterPixel(uint32_t s, uint32_t t, uint32_t opacity);

// Draws a dab with its pixel (0, 0) at (x, y), clipped to the target's view (of the dab, only its
// view is drawn, as drawImage does). Returns the rectangle of the target the passes drew (empty
// when none could change anything).
Rect drawDab(PixelView target, ConstPixelView dab, int x, int y, const DabPasses& passes);

// As drawDab of the dab resized (nearest pixel, as resizeNearest) to w x h, but only the part of
// the resized dab that lies inside the target's view is made. Sizes below 1 draw nothing.
Rect drawDabResized(PixelView target, const Image& dab, int w, int h, int x, int y,
                    const DabPasses& passes);

// Memory for resized dabs, kept from dab to dab: the source column of each resized column, and
// the part of the resized dab that is drawn.
struct ResizedDabMemory {
    std::vector<int> columns;
    Image part;
};

// What the painter keeps between segments and strokes to avoid per-dab work: rotations of the
// current tip by whole degrees (a dab's angle is always a whole number of degrees), checked
// against the tip at the start of every rotated segment. Only tips whose turned square is at
// most kCachedSide wide are kept; a larger dab turns only the part of itself that lands on the
// image. Bounded in memory; when the budget is reached it starts over.
class StrokeCache {
public:
    static constexpr size_t kBudgetBytes = size_t(64) << 20;
    static constexpr int kCachedSide = 256;

    // A turned tip: as rotateTip makes it, and cut to the box of its pixels with alpha above 0
    // (placed at trimX, trimY inside it). Pixels of alpha 0 change nothing in the blend and
    // erase passes, so those may draw the cut image: most of a turned square is empty corners.
    struct Turn {
        Image image;
        Image trimmed;  // empty when every pixel has alpha 0
        int trimX = 0, trimY = 0;
    };

    // Forgets every rotation unless the tip is the one the rotations were made from.
    void useTip(const Image& documentTip);
    // The tip turned by `degrees`.
    const Turn& rotated(int degrees);
    // The tip turned by `degrees` (not turned when negative) and then resized to w x h (nearest
    // pixel, as resizeNearest), cut to its painted box like a turn. For dabs whose size follows
    // the pen's pressure, which changes little from dab to dab. Sides above 4 x kCachedSide
    // are not kept (an empty image). The cut image is widened with transparent columns on its
    // right to a multiple of kBlendBlock: the blend works on that many pixels at a time and
    // takes a slower path for the rest of a row, and a pixel of alpha 0 changes nothing in the
    // passes that draw the cut image.
    const Turn& resized(int degrees, int w, int h);
    static constexpr int kBlendBlock = 8;
    // penLean of a tilt. A segment's previous sample is the one before's new sample, so its
    // lean is the one computed then.
    double lean(double tiltDegrees);
    size_t entries() const { return turns_.size(); }
    // Memory for the turned part of a large dab, no larger than the image it landed on.
    Image& scratch() { return scratch_; }
    // Memory for resized dabs.
    ResizedDabMemory& resizedDabs() { return resized_; }

private:
    Image source_;
    std::map<int, Turn> turns_;
    std::unordered_map<uint64_t, Turn> sized_;  // by angle and sides (see resized)
    // The last kept resized dab: the next dab is often the same. A copied or moved cache starts
    // without it (it points into the kept dabs of the cache it was found in).
    struct LastSized {
        uint64_t key = 0;
        const Turn* turn = nullptr;
        LastSized() = default;
        LastSized(const LastSized&) {}
        LastSized& operator=(const LastSized&) {
            turn = nullptr;
            return *this;
        }
    };
    LastSized lastSized_;
    struct Lean {
        double tilt = 0, lean = 0;
    };
    Lean leans_[4];  // the last tilts, both axes of two samples
    int nextLean_ = 0;
    Turn uncached_;  // a rotation too large for the budget
    Image scratch_;
    ResizedDabMemory resized_;
    size_t bytes_ = 0;
};

// Where dabs land: an image of width x height pixels that the painter never holds. Before each
// dab, `reserve` is given the rectangle the dab will write (already cut to the image) and answers
// the image to draw into, or null to skip the dab. A width or height below 1 paints nothing.
// The image's pixel (0, 0) lies over document pixel (originX, originY) (a moved layer): a dab
// lands on the image pixels under the document pixels it covers. A tiled target answers through
// `reserveTiles` instead (a layer or a drawing): the dab is drawn into each tile under it, and a
// missing tile where it draws nothing stays missing.
struct DabTarget {
    int width = 0, height = 0;
    std::function<Image*(const Rect&)> reserve;
    int originX = 0, originY = 0;
    std::function<TiledImage*(const Rect&)> reserveTiles;
};

// A dab target straight onto an image the caller owns (tests, benchmarks, previews).
DabTarget imageDabTarget(Image& image);

// Everything a segment reads and changes, borrowed from the program's state for one call.
struct StrokeContext {
    BrushSettings& brush;  // settings; the decay counters strokeAlpha/strokeSizeFactor
    BrushTip& tip;         // the tip, made here first if asked for; a rotated dab sets
                           // tipWidth/tipHeight
    DabTarget target;      // the layer, at document scale
    int zoom = 100;        // percent
    int currentTool = 4;   // the canvas tool: water only works with the brush (4)
    Random& random;
    StrokeCache* cache = nullptr;  // optional; without it every rotated dab is rotated anew
};

// What a segment painted: the rectangle it drew in the layer image, and the number of dabs it
// placed (drawn or outside the image).
struct SegmentResult {
    Rect layerRect;
    int dabs = 0;
};

// Paints the segment from the previous point (px, py) to the new point (qx, qy), both in view
// coordinates: opacity and size decay once, then dabs from the new point towards the previous
// one, which gets none. A segment of length 0 paints nothing. The random draws of each dab come
// in a fixed order: scatter x pair, scatter y pair, rotation (rotated path), size pair (jitter).
// A dab costs what lands on the image: only that part of it is turned, resized and drawn, with
// the pixels of the whole dab made and then cut to the image.
SegmentResult paintSegment(StrokeContext& ctx, int px, int py, int qx, int qy);

// The same from one pen sample to the next, at sub-pixel positions (bounded to the mouse's
// range of view coordinates). Along the segment the pressure and the lean run from the new
// sample's to the previous one's (a previous sample without a lean leans as the new one), so
// the dabs between two samples change smoothly. With the brush's sizeVsPressure the dab size
// is sizemini % of size at pressure 0 up to size at 1, and the dabs come closer together as they
// shrink; with alphaVsPressure the dab opacity is the stroke's times the pressure; with
// rotateVsTilt and a sample that reports its lean, every dab takes the rotated path and turns
// with the pen's azimuth on top of its own angle. A mouse sample (pressure 1, no lean) paints
// exactly what the integer form paints. `decayCounters` false leaves the opacity and size decay
// out (a stroke's catch-up after the release is no move of its own).
SegmentResult paintSegment(StrokeContext& ctx, const PenSample& from, const PenSample& to,
                           bool decayCounters = true);

// Spacing between dabs for the settings and the current size factor: s pixels are skipped after
// each dab (0 = a dab at every pixel).
int dabSpacing(const BrushSettings& brush);

// Mixing. The pixel under view point (x, y) of the layer as the point read gives it: its red,
// green and blue without alpha, 0 for a fully transparent pixel; nullopt when the point is
// outside 1 .. width-1 / 1 .. height-1 in the layer's coordinates (the document pixel less the
// layer's origin, as in DabTarget), or when that value is 0 (black or transparent: nothing to
// mix).
std::optional<uint32_t> mixingSample(const Image& layer, int x, int y, int zoom, int originX = 0,
                                     int originY = 0);
std::optional<uint32_t> mixingSample(const TiledImage& layer, int x, int y, int zoom,
                                     int originX = 0, int originY = 0);
// The selected colour laid over the sampled one: mixing % of the sample, the rest from
// `selectedColor`; `mixing` above 100 counts as 100.
uint32_t mixedColour(uint32_t sample, uint32_t selectedColor, int mixing);

}  // namespace qm
