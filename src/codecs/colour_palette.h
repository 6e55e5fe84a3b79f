// Palettes for indexed formats (GIF): the Oklab colour space, a histogram of the colours of many
// pictures, a palette chosen from it (exact when the colours fit, else median cut in Oklab
// refined by k-means), the nearest palette colour of any colour, and the mapping of a picture's
// rectangle to palette indices with or without dithering.
//
// Pixel format as in raster/image.h; a pixel counts as opaque when its alpha is 128 or more,
// and its colour is then its red, green and blue alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "raster/image.h"
#include "raster/rect.h"

namespace qm {

// Oklab: L is lightness 0..1, a and b the two colour axes (about -0.3..0.3 for sRGB colours).
// Euclidean distance in it follows perceived colour difference closely.
struct Oklab {
    float L = 0, a = 0, b = 0;
};
Oklab oklabFromRgb(uint32_t colour);    // the red, green and blue of `colour`
uint32_t rgbFromOklab(const Oklab& c);  // rounded, clamped to 0..255, alpha 255
inline float distanceSquared(const Oklab& x, const Oklab& y) {
    const float dL = x.L - y.L, da = x.a - y.a, db = x.b - y.b;
    return dL * dL + da * da + db * db;
}

// The opaque colours of many pictures: exactly while there are at most kExactColours distinct
// ones, and in bins of 6 bits per channel with each bin's count and mean colour always.
class ColourHistogram {
public:
    static constexpr int kExactColours = 256;
    ColourHistogram();
    void add(const uint32_t* pixels, size_t count);
    void merge(const ColourHistogram& other);
    // The distinct opaque colours (red, green, blue, alpha 255) while they are at most
    // kExactColours; empty with exact() false once there were more.
    bool exact() const { return exact_; }
    std::vector<uint32_t> exactColours() const;
    uint64_t opaquePixels() const { return opaque_; }

    struct Bin {
        uint64_t count = 0;
        uint64_t sumR = 0, sumG = 0, sumB = 0;
    };
    const std::vector<Bin>& bins() const { return bins_; }

private:
    void addExact(uint32_t rgb);
    std::vector<Bin> bins_;
    std::vector<uint32_t> exactTable_;  // open addressing, 0xFFFFFFFF = empty slot
    int exactCount_ = 0;
    bool exact_ = true;
    uint64_t opaque_ = 0;
};

// At most `maxColours` colours (1..256, alpha 255) for the histogram's pictures: its colours
// themselves when they fit, else a median cut of the bins in Oklab (each box split where it
// halves the weight along its widest axis) refined by weighted k-means. Empty for a histogram
// without opaque pixels.
std::vector<uint32_t> choosePalette(const ColourHistogram& histogram, int maxColours);

// The nearest palette colour in Oklab of any colour, through a grid of the Oklab box holding
// every sRGB colour: each cell keeps the palette entries that can be nearest to a point in it,
// found when first asked. Exact within the box; a point outside is first clamped to it.
class NearestColour {
public:
    explicit NearestColour(std::vector<Oklab> palette);
    int nearest(const Oklab& c);
    // The colour moved into the grid's box.
    Oklab clamp(const Oklab& c) const;
    const std::vector<Oklab>& palette() const { return palette_; }

private:
    static constexpr int kCells = 32;  // per axis
    const std::vector<uint16_t>& candidates(int cell);
    std::vector<Oklab> palette_;
    Oklab low_, high_, scale_;
    std::vector<int32_t> cellStart_;  // index into cellLists_ + 1, 0 = not made yet
    std::vector<std::vector<uint16_t>> cellLists_;
};

enum class Dithering { None, Ordered, Diffusion };

// Maps pictures to palette indices. Index `transparentIndex` is the transparent one (not a
// colour of the palette). With an exact palette every opaque colour maps to its own entry and
// no dithering is done.
class PaletteMapper {
public:
    PaletteMapper(const std::vector<uint32_t>& palette, int transparentIndex, bool exact);
    // Maps `rect` of a width-wide picture into `out` (the same layout). Pixels whose colour is
    // the same as in `previous` (when given; both opaque with the same colour, or both
    // transparent) keep their index from `previousOut`, so still parts never flicker; the
    // dithering error spreads from them as from the others. Pixels outside `rect` are not read
    // or written.
    void map(const uint32_t* pixels, int width, const Rect& rect, Dithering dithering,
             const uint32_t* previous, const uint8_t* previousOut, uint8_t* out);
    int transparentIndex() const { return transparent_; }

private:
    int nearestIndex(const Oklab& c) { return nearest_.nearest(c); }
    std::vector<uint32_t> palette_;
    std::vector<Oklab> lab_;  // of the entries
    int transparent_;
    bool exact_;
    NearestColour nearest_;
    std::vector<uint32_t> exactKeys_;  // open addressing of the exact palette's colours
    std::vector<uint8_t> exactValues_;
    float orderedSpread_ = 16;  // sRGB levels each side
};

// A pixel as a GIF shows it: 0 when transparent (alpha below 128), else its colour, alpha 255.
constexpr uint32_t gifPixel(uint32_t p) {
    return (p >> 24) < 128 ? 0u : (p | 0xFF000000u);
}

}  // namespace qm
