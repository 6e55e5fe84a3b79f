#include "codecs/colour_palette.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <numeric>

namespace qm {

namespace {

// sRGB's transfer function, decoded: the linear light of each 8-bit level.
const std::array<float, 256>& linearOfLevel() {
    static const std::array<float, 256> table = [] {
        std::array<float, 256> t{};
        for (int i = 0; i < 256; ++i) {
            const double c = i / 255.0;
            t[size_t(i)] = float(c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
        }
        return t;
    }();
    return table;
}

// Cube root of x >= 0: a first guess from the float's exponent, then two Halley steps
// (relative error below 1e-7, well within a float's precision for colour work).
inline float cubeRoot(float x) {
    if (x <= 0) return 0;
    uint32_t bits;
    std::memcpy(&bits, &x, 4);
    bits = bits / 3 + 709921077u;
    float y;
    std::memcpy(&y, &bits, 4);
    for (int i = 0; i < 2; ++i) {
        const float y3 = y * y * y;
        y = y * (y3 + 2 * x) / (2 * y3 + x);
    }
    return y;
}

inline Oklab oklabFromLinear(float r, float g, float b) {
    const float l = cubeRoot(0.4122214708f * r + 0.5363325363f * g + 0.0514459929f * b);
    const float m = cubeRoot(0.2119034982f * r + 0.6806995451f * g + 0.1073969566f * b);
    const float s = cubeRoot(0.0883024619f * r + 0.2817188376f * g + 0.6299787005f * b);
    return {0.2104542553f * l + 0.7936177850f * m - 0.0040720468f * s,
            1.9779984951f * l - 2.4285922050f * m + 0.4505937099f * s,
            0.0259040371f * l + 0.7827717662f * m - 0.8086757660f * s};
}

uint32_t levelOfLinear(double c) {
    c = std::clamp(c, 0.0, 1.0);
    const double v = c <= 0.0031308 ? c * 12.92 : 1.055 * std::pow(c, 1 / 2.4) - 0.055;
    return uint32_t(std::clamp(std::lround(v * 255.0), 0L, 255L));
}

// The box of Oklab that holds every sRGB colour, with a small margin.
constexpr Oklab kLow{-0.01f, -0.245f, -0.322f};
constexpr Oklab kHigh{1.01f, 0.287f, 0.209f};

// Squared distance from a point to the nearest and the farthest point of a box.
float nearestInBox(const Oklab& p, const Oklab& lo, const Oklab& hi) {
    auto axis = [](float v, float a, float b) { return v < a ? a - v : (v > b ? v - b : 0.0f); };
    const float dL = axis(p.L, lo.L, hi.L), da = axis(p.a, lo.a, hi.a), db = axis(p.b, lo.b, hi.b);
    return dL * dL + da * da + db * db;
}
float farthestInBox(const Oklab& p, const Oklab& lo, const Oklab& hi) {
    auto axis = [](float v, float a, float b) {
        return std::max(std::abs(v - a), std::abs(v - b));
    };
    const float dL = axis(p.L, lo.L, hi.L), da = axis(p.a, lo.a, hi.a), db = axis(p.b, lo.b, hi.b);
    return dL * dL + da * da + db * db;
}

inline uint32_t hashColour(uint32_t rgb) {
    return (rgb * 2654435761u) >> 16;
}

// The 8 x 8 Bayer matrix: thresholds 0..63 in an order that spreads them evenly.
constexpr uint8_t kBayer[8][8] = {{0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
                                  {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
                                  {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
                                  {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21}};

}  // namespace

Oklab oklabFromRgb(uint32_t colour) {
    const auto& lin = linearOfLevel();
    return oklabFromLinear(lin[red(colour)], lin[green(colour)], lin[blue(colour)]);
}

uint32_t rgbFromOklab(const Oklab& c) {
    const double l_ = c.L + 0.3963377774 * c.a + 0.2158037573 * c.b;
    const double m_ = c.L - 0.1055613458 * c.a - 0.0638541728 * c.b;
    const double s_ = c.L - 0.0894841775 * c.a - 1.2914855480 * c.b;
    const double l = l_ * l_ * l_, m = m_ * m_ * m_, s = s_ * s_ * s_;
    const double r = 4.0767416621 * l - 3.3077115913 * m + 0.2309699292 * s;
    const double g = -1.2684380046 * l + 2.6097574011 * m - 0.3413193965 * s;
    const double b = -0.0041960863 * l - 0.7034186147 * m + 1.7076147010 * s;
    return levelOfLinear(r) | levelOfLinear(g) << 8 | levelOfLinear(b) << 16 | 0xFF000000u;
}

// ---------------------------------------------------------------------------------------------
// Histogram

ColourHistogram::ColourHistogram() : bins_(size_t(1) << 18), exactTable_(1024, 0xFFFFFFFFu) {}

void ColourHistogram::addExact(uint32_t rgb) {
    const size_t mask = exactTable_.size() - 1;
    for (size_t i = hashColour(rgb) & mask;; i = (i + 1) & mask) {
        if (exactTable_[i] == rgb) return;
        if (exactTable_[i] == 0xFFFFFFFFu) {
            if (++exactCount_ > kExactColours) {
                exact_ = false;
                return;
            }
            exactTable_[i] = rgb;
            return;
        }
    }
}

void ColourHistogram::add(const uint32_t* pixels, size_t count) {
    size_t i = 0;
    while (i < count) {
        const uint32_t p = pixels[i];
        size_t run = 1;
        while (i + run < count && pixels[i + run] == p) ++run;
        i += run;
        if (alpha(p) < 128) continue;
        const uint32_t rgb = p & 0x00FFFFFFu;
        if (exact_) addExact(rgb);
        Bin& bin = bins_[size_t((red(p) >> 2) << 12 | (green(p) >> 2) << 6 | (blue(p) >> 2))];
        bin.count += run;
        bin.sumR += uint64_t(red(p)) * run;
        bin.sumG += uint64_t(green(p)) * run;
        bin.sumB += uint64_t(blue(p)) * run;
        opaque_ += run;
    }
}

void ColourHistogram::merge(const ColourHistogram& other) {
    for (size_t i = 0; i < bins_.size(); ++i) {
        const Bin& o = other.bins_[i];
        if (!o.count) continue;
        bins_[i].count += o.count;
        bins_[i].sumR += o.sumR;
        bins_[i].sumG += o.sumG;
        bins_[i].sumB += o.sumB;
    }
    opaque_ += other.opaque_;
    if (!other.exact_) exact_ = false;
    for (uint32_t c : other.exactTable_)
        if (exact_ && c != 0xFFFFFFFFu) addExact(c);
}

std::vector<uint32_t> ColourHistogram::exactColours() const {
    std::vector<uint32_t> colours;
    if (!exact_) return colours;
    for (uint32_t c : exactTable_)
        if (c != 0xFFFFFFFFu) colours.push_back(c | 0xFF000000u);
    std::sort(colours.begin(), colours.end());
    return colours;
}

// ---------------------------------------------------------------------------------------------
// Choosing the palette

namespace {

struct WeightedPoint {
    Oklab c;
    double w;
};

float axisValue(const Oklab& c, int axis) {
    return axis == 0 ? c.L : (axis == 1 ? c.a : c.b);
}

struct CutBox {
    size_t begin, end;  // points[begin, end)
    double error = 0;   // weighted sum of squared distances to the mean
    int axis = 0;       // the axis of greatest spread
};

void measure(CutBox& box, const std::vector<WeightedPoint>& points) {
    double w = 0, s[3] = {}, q[3] = {};
    for (size_t i = box.begin; i < box.end; ++i) {
        const WeightedPoint& p = points[i];
        w += p.w;
        for (int a = 0; a < 3; ++a) {
            const double v = axisValue(p.c, a);
            s[a] += p.w * v;
            q[a] += p.w * v * v;
        }
    }
    box.error = 0;
    double widest = -1;
    for (int a = 0; a < 3; ++a) {
        const double spread = w > 0 ? q[a] - s[a] * s[a] / w : 0;
        box.error += spread;
        if (spread > widest) widest = spread, box.axis = a;
    }
    if (box.end - box.begin < 2) box.error = 0;
}

Oklab weightedMean(const std::vector<WeightedPoint>& points, size_t begin, size_t end) {
    double w = 0, L = 0, a = 0, b = 0;
    for (size_t i = begin; i < end; ++i) {
        const WeightedPoint& p = points[i];
        w += p.w;
        L += p.w * p.c.L;
        a += p.w * p.c.a;
        b += p.w * p.c.b;
    }
    if (w <= 0) return points[begin].c;
    return {float(L / w), float(a / w), float(b / w)};
}

}  // namespace

std::vector<uint32_t> choosePalette(const ColourHistogram& histogram, int maxColours) {
    maxColours = std::clamp(maxColours, 1, 256);
    if (histogram.exact()) {
        std::vector<uint32_t> colours = histogram.exactColours();
        if (int(colours.size()) <= maxColours) return colours;
    }
    std::vector<WeightedPoint> points;
    for (const ColourHistogram::Bin& bin : histogram.bins()) {
        if (!bin.count) continue;
        const double n = double(bin.count);
        const uint32_t mean = uint32_t(std::lround(double(bin.sumR) / n)) |
                              uint32_t(std::lround(double(bin.sumG) / n)) << 8 |
                              uint32_t(std::lround(double(bin.sumB) / n)) << 16;
        points.push_back({oklabFromRgb(mean), n});
    }
    if (points.empty()) return {};

    // Median cut: the box with the largest error is split at the weighted median of its widest
    // axis until there are maxColours boxes or none can be split.
    std::vector<CutBox> boxes{{0, points.size()}};
    measure(boxes[0], points);
    while (int(boxes.size()) < maxColours) {
        const auto worst =
            std::max_element(boxes.begin(), boxes.end(),
                             [](const CutBox& x, const CutBox& y) { return x.error < y.error; });
        if (worst->error <= 0) break;
        CutBox box = *worst;
        const int axis = box.axis;
        std::sort(points.begin() + ptrdiff_t(box.begin), points.begin() + ptrdiff_t(box.end),
                  [axis](const WeightedPoint& p, const WeightedPoint& q) {
                      return axisValue(p.c, axis) < axisValue(q.c, axis);
                  });
        double total = 0;
        for (size_t i = box.begin; i < box.end; ++i) total += points[i].w;
        double below = 0;
        size_t cut = box.begin + 1;
        for (size_t i = box.begin; i + 1 < box.end; ++i) {
            below += points[i].w;
            cut = i + 1;
            if (below >= total / 2) break;
        }
        CutBox low{box.begin, cut}, high{cut, box.end};
        measure(low, points);
        measure(high, points);
        *worst = low;
        boxes.push_back(high);
    }
    std::vector<Oklab> centres;
    for (const CutBox& box : boxes) centres.push_back(weightedMean(points, box.begin, box.end));

    // k-means: each point goes to its nearest centre, each centre to the weighted mean of its
    // points, until nothing moves (or enough rounds have passed).
    std::vector<uint16_t> owner(points.size(), 0xFFFF);
    for (int round = 0; round < 12; ++round) {
        NearestColour nearest(centres);
        size_t moved = 0;
        std::vector<double> w(centres.size()), L(centres.size()), a(centres.size()),
            b(centres.size());
        for (size_t i = 0; i < points.size(); ++i) {
            const int k = nearest.nearest(points[i].c);
            if (owner[i] != k) ++moved, owner[i] = uint16_t(k);
            const WeightedPoint& p = points[i];
            w[size_t(k)] += p.w;
            L[size_t(k)] += p.w * p.c.L;
            a[size_t(k)] += p.w * p.c.a;
            b[size_t(k)] += p.w * p.c.b;
        }
        for (size_t k = 0; k < centres.size(); ++k)
            if (w[k] > 0) centres[k] = {float(L[k] / w[k]), float(a[k] / w[k]), float(b[k] / w[k])};
        if (moved * 1000 <= points.size()) break;  // fewer than one point in a thousand moved
    }
    std::vector<uint32_t> palette;
    for (const Oklab& c : centres) palette.push_back(rgbFromOklab(c));
    std::sort(palette.begin(), palette.end());
    palette.erase(std::unique(palette.begin(), palette.end()), palette.end());
    return palette;
}

// ---------------------------------------------------------------------------------------------
// Nearest colour

NearestColour::NearestColour(std::vector<Oklab> palette)
    : palette_(std::move(palette)),
      low_(kLow),
      high_(kHigh),
      scale_{kCells / (kHigh.L - kLow.L), kCells / (kHigh.a - kLow.a), kCells / (kHigh.b - kLow.b)},
      cellStart_(size_t(kCells) * kCells * kCells, 0) {}

Oklab NearestColour::clamp(const Oklab& c) const {
    return {std::clamp(c.L, low_.L, high_.L), std::clamp(c.a, low_.a, high_.a),
            std::clamp(c.b, low_.b, high_.b)};
}

const std::vector<uint16_t>& NearestColour::candidates(int cell) {
    int32_t& start = cellStart_[size_t(cell)];
    if (start) return cellLists_[size_t(start - 1)];
    const int iL = cell / (kCells * kCells), ia = cell / kCells % kCells, ib = cell % kCells;
    const Oklab lo{low_.L + iL / scale_.L, low_.a + ia / scale_.a, low_.b + ib / scale_.b};
    const Oklab hi{lo.L + 1 / scale_.L, lo.a + 1 / scale_.a, lo.b + 1 / scale_.b};
    float bound = std::numeric_limits<float>::max();
    for (const Oklab& p : palette_) bound = std::min(bound, farthestInBox(p, lo, hi));
    std::vector<uint16_t> list;
    // A small allowance for rounding: a candidate too many costs a comparison, one too few
    // would give a wrong answer.
    for (size_t i = 0; i < palette_.size(); ++i)
        if (nearestInBox(palette_[i], lo, hi) <= bound * 1.0001f + 1e-9f)
            list.push_back(uint16_t(i));
    cellLists_.push_back(std::move(list));
    start = int32_t(cellLists_.size());
    return cellLists_.back();
}

int NearestColour::nearest(const Oklab& raw) {
    if (palette_.empty()) return 0;
    const Oklab c = clamp(raw);
    auto index = [&](float v, float lo, float scale) {
        return std::clamp(int((v - lo) * scale), 0, kCells - 1);
    };
    const int cell =
        (index(c.L, low_.L, scale_.L) * kCells + index(c.a, low_.a, scale_.a)) * kCells +
        index(c.b, low_.b, scale_.b);
    const std::vector<uint16_t>& list = candidates(cell);
    int best = list.empty() ? 0 : list[0];
    float bestDistance = std::numeric_limits<float>::max();
    for (uint16_t i : list) {
        const float d = distanceSquared(c, palette_[i]);
        if (d < bestDistance) bestDistance = d, best = i;
    }
    return best;
}

// ---------------------------------------------------------------------------------------------
// Mapping pictures

namespace {

std::vector<Oklab> labOf(const std::vector<uint32_t>& palette) {
    std::vector<Oklab> lab;
    for (uint32_t c : palette) lab.push_back(oklabFromRgb(c));
    return lab;
}

}  // namespace

PaletteMapper::PaletteMapper(const std::vector<uint32_t>& palette, int transparentIndex, bool exact)
    : palette_(palette),
      lab_(labOf(palette)),
      transparent_(transparentIndex),
      exact_(exact),
      nearest_(lab_) {
    if (exact_) {
        exactKeys_.assign(1024, 0xFFFFFFFFu);
        exactValues_.assign(1024, 0);
        for (size_t i = 0; i < palette.size(); ++i) {
            const uint32_t rgb = palette[i] & 0x00FFFFFFu;
            size_t at = hashColour(rgb) & 1023;
            while (exactKeys_[at] != 0xFFFFFFFFu && exactKeys_[at] != rgb) at = (at + 1) & 1023;
            exactKeys_[at] = rgb;
            exactValues_[at] = uint8_t(i);
        }
    }
    // Ordered dithering spreads each colour by about the distance between neighbouring palette
    // colours: the median, over the entries, of the distance to the nearest other entry, in
    // sRGB levels per channel.
    std::vector<float> gaps;
    for (size_t i = 0; i < palette.size(); ++i) {
        float best = std::numeric_limits<float>::max();
        for (size_t j = 0; j < palette.size(); ++j) {
            if (i == j) continue;
            const float dr = float(red(palette[i])) - float(red(palette[j]));
            const float dg = float(green(palette[i])) - float(green(palette[j]));
            const float db = float(blue(palette[i])) - float(blue(palette[j]));
            best = std::min(best, std::sqrt((dr * dr + dg * dg + db * db) / 3));
        }
        if (best < std::numeric_limits<float>::max()) gaps.push_back(best);
    }
    if (!gaps.empty()) {
        std::nth_element(gaps.begin(), gaps.begin() + ptrdiff_t(gaps.size() / 2), gaps.end());
        orderedSpread_ = std::clamp(gaps[gaps.size() / 2], 2.0f, 48.0f);
    }
}

void PaletteMapper::map(const uint32_t* pixels, int width, const Rect& rect, Dithering dithering,
                        const uint32_t* previous, const uint8_t* previousOut, uint8_t* out) {
    const uint8_t t = uint8_t(transparent_);
    // The index a pixel keeps from the previous picture, or -1.
    auto kept = [&](size_t i, uint32_t p) -> int {
        if (!previous || gifPixel(previous[i]) != p) return -1;
        return previousOut[i];
    };
    if (exact_ || palette_.empty()) {
        for (int y = rect.y; y < rect.bottom(); ++y) {
            for (int x = rect.x; x < rect.right(); ++x) {
                const size_t i = size_t(y) * size_t(width) + size_t(x);
                const uint32_t p = gifPixel(pixels[i]);
                if (!p || palette_.empty()) {
                    out[i] = t;
                    continue;
                }
                const uint32_t rgb = p & 0x00FFFFFFu;
                size_t at = hashColour(rgb) & 1023;
                while (exactKeys_[at] != rgb && exactKeys_[at] != 0xFFFFFFFFu) at = (at + 1) & 1023;
                out[i] = exactKeys_[at] == rgb ? exactValues_[at]
                                               : uint8_t(nearestIndex(oklabFromRgb(p)));
            }
        }
        return;
    }
    if (dithering != Dithering::Diffusion) {
        // A small cache of colour -> index for the colours of still areas and flat fills.
        std::vector<uint32_t> cacheKey(size_t(1) << 16, 0);
        std::vector<uint8_t> cacheIndex(size_t(1) << 16, 0);
        for (int y = rect.y; y < rect.bottom(); ++y) {
            for (int x = rect.x; x < rect.right(); ++x) {
                const size_t i = size_t(y) * size_t(width) + size_t(x);
                const uint32_t p = gifPixel(pixels[i]);
                if (!p) {
                    out[i] = t;
                    continue;
                }
                if (const int k = kept(i, p); k >= 0) {
                    out[i] = uint8_t(k);
                    continue;
                }
                uint32_t c = p;
                if (dithering == Dithering::Ordered) {
                    const float bias =
                        ((kBayer[y & 7][x & 7] + 0.5f) / 64.0f - 0.5f) * 2 * orderedSpread_;
                    auto level = [&](uint32_t v) {
                        return uint32_t(std::clamp(int(std::lround(float(v) + bias)), 0, 255));
                    };
                    c = level(red(p)) | level(green(p)) << 8 | level(blue(p)) << 16 | 0xFF000000u;
                }
                const size_t slot = hashColour(c) & 0xFFFF;
                if (cacheKey[slot] != c) {
                    cacheKey[slot] = c;
                    cacheIndex[slot] = uint8_t(nearestIndex(oklabFromRgb(c)));
                }
                out[i] = cacheIndex[slot];
            }
        }
        return;
    }
    // Floyd-Steinberg error diffusion in Oklab, along the rows in alternating directions. The
    // error of a pixel goes 7/16 ahead, 3/16 below behind, 5/16 below and 1/16 below ahead;
    // transparent pixels neither take nor pass on any.
    const int w = rect.w;
    std::vector<Oklab> errorRows(size_t(w + 2) * 2);
    Oklab* here = errorRows.data() + 1;
    Oklab* below = errorRows.data() + (w + 2) + 1;
    for (int y = rect.y; y < rect.bottom(); ++y) {
        std::fill(below - 1, below + w + 1, Oklab{});
        const bool forward = ((y - rect.y) & 1) == 0;
        const int step = forward ? 1 : -1;
        for (int n = 0; n < w; ++n) {
            const int j = forward ? n : w - 1 - n;  // column within the rectangle
            const size_t i = size_t(y) * size_t(width) + size_t(rect.x + j);
            const uint32_t p = gifPixel(pixels[i]);
            if (!p) {
                out[i] = t;
                continue;
            }
            const Oklab own = oklabFromRgb(p);
            const Oklab e = here[j];
            const Oklab want = nearest_.clamp({own.L + e.L, own.a + e.a, own.b + e.b});
            const int k = kept(i, p);
            const int index = k >= 0 ? k : nearestIndex(want);
            out[i] = uint8_t(index);
            const Oklab& got = lab_[size_t(index)];
            const Oklab err{want.L - got.L, want.a - got.a, want.b - got.b};
            auto spread = [](Oklab& to, const Oklab& e, float f) {
                to.L += e.L * f;
                to.a += e.a * f;
                to.b += e.b * f;
            };
            spread(here[j + step], err, 7.0f / 16);
            spread(below[j - step], err, 3.0f / 16);
            spread(below[j], err, 5.0f / 16);
            spread(below[j + step], err, 1.0f / 16);
        }
        std::swap(here, below);
    }
}

}  // namespace qm
