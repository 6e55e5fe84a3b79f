#include "raster/image_ops.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace qm {
namespace {

// Source index under the centre of destination index i when n source pixels become m.
inline int nearestIndex(int64_t i, int64_t n, int64_t m) {
    return int(((2 * i + 1) * n) / (2 * m));
}

// The tent filter of one axis: for each destination index a run of source indices with integer
// weights that add up to exactly kOne, so an opaque source stays exactly opaque.
constexpr int kWeightBits = 16;
constexpr uint32_t kOne = 1u << kWeightBits;

struct Taps {
    int stride = 0;                 // weights per destination index (the widest run)
    std::vector<int> first;         // first source index of each run
    std::vector<int> count;         // length of each run
    std::vector<uint32_t> weights;  // stride entries per destination index
};

Taps makeTaps(int srcLen, int dstLen) {
    const double scale = double(srcLen) / double(dstLen);
    const double radius = std::max(1.0, scale);
    Taps taps;
    taps.stride = std::min(srcLen, int(std::ceil(radius)) * 2 + 1);
    taps.first.resize(size_t(dstLen));
    taps.count.resize(size_t(dstLen));
    taps.weights.assign(size_t(dstLen) * size_t(taps.stride), 0);
    std::vector<double> w(size_t(taps.stride));
    for (int i = 0; i < dstLen; ++i) {
        const double centre = (i + 0.5) * scale - 0.5;
        const int lo = int(std::floor(centre - radius)) + 1;
        const int hi = int(std::ceil(centre + radius)) - 1;
        const int first = std::clamp(lo, 0, srcLen - 1);
        const int last = std::clamp(hi, 0, srcLen - 1);
        const int count = last - first + 1;
        std::fill(w.begin(), w.end(), 0.0);
        double total = 0;
        for (int j = lo; j <= hi; ++j) {
            const double wj = std::max(0.0, 1.0 - std::fabs(j - centre) / radius);
            w[size_t(std::clamp(j, first, last) - first)] += wj;  // edges repeat the border
            total += wj;
        }
        // Cumulative rounding: every weight is >= 0 and the run adds up to exactly kOne.
        uint32_t* out = taps.weights.data() + size_t(i) * size_t(taps.stride);
        double cum = 0;
        uint32_t prev = 0;
        for (int k = 0; k < count; ++k) {
            cum += w[size_t(k)];
            const uint32_t next = k + 1 == count ? kOne : uint32_t(std::lround(cum / total * kOne));
            out[k] = next - std::min(prev, next);
            prev = std::max(prev, next);
        }
        taps.first[size_t(i)] = first;
        taps.count[size_t(i)] = count;
    }
    return taps;
}

// One source row filtered horizontally: per destination pixel the sums of w*a*c for c = r, g, b
// and of w*a, with w the tap weight as a fraction (weight / kOne, exact in a float). The SSE2
// loop does the same multiplications and additions in the same order as the plain one.
void filterRow(const uint32_t* src, const Taps& taps, float* out, int dstW) {
    constexpr float kUnit = 1.0f / float(kOne);
    for (int x = 0; x < dstW; ++x) {
        const uint32_t* w = taps.weights.data() + size_t(x) * size_t(taps.stride);
        const uint32_t* s = src + taps.first[size_t(x)];
        const int n = taps.count[size_t(x)];
#ifdef __SSE2__
        const __m128i zero = _mm_setzero_si128();
        const __m128 alphaLane = _mm_castsi128_ps(_mm_set_epi32(-1, 0, 0, 0));
        const __m128 oneInAlpha = _mm_set_ps(1.0f, 0.0f, 0.0f, 0.0f);
        __m128 sum = _mm_setzero_ps();
        for (int k = 0; k < n; ++k) {
            const uint32_t p = s[k];
            // w * a is an integer below 2^24: exact, so sums over an opaque run stay exact.
            const __m128 wa = _mm_set1_ps(float(w[k] * alpha(p)) * kUnit);
            const __m128i px =
                _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(int(p)), zero), zero);
            const __m128 c = _mm_or_ps(_mm_andnot_ps(alphaLane, _mm_cvtepi32_ps(px)), oneInAlpha);
            sum = _mm_add_ps(sum, _mm_mul_ps(wa, c));
        }
        _mm_storeu_ps(out + 4 * x, sum);
#else
        float sr = 0, sg = 0, sb = 0, sa = 0;
        for (int k = 0; k < n; ++k) {
            const uint32_t p = s[k];
            const float wa = float(w[k] * alpha(p)) * kUnit;
            sr += wa * float(red(p));
            sg += wa * float(green(p));
            sb += wa * float(blue(p));
            sa += wa * 1.0f;
        }
        out[4 * x] = sr;
        out[4 * x + 1] = sg;
        out[4 * x + 2] = sb;
        out[4 * x + 3] = sa;
#endif
    }
}

}  // namespace

std::optional<Image> grabRect(const Image& source, int x, int y, int w, int h) {
    std::optional<Image> out = createImage(w, h, source.depth == 24 ? 24 : 32);
    if (!out) return std::nullopt;
    // The overlap, in source coordinates.
    const int64_t x0 = std::max<int64_t>(x, 0), y0 = std::max<int64_t>(y, 0);
    const int64_t x1 = std::min<int64_t>(int64_t(x) + w, source.width);
    const int64_t y1 = std::min<int64_t>(int64_t(y) + h, source.height);
    if (x1 <= x0 || y1 <= y0) return out;
    for (int64_t sy = y0; sy < y1; ++sy)
        std::memcpy(out->row(int(sy - y)) + (x0 - x), source.row(int(sy)) + x0,
                    size_t(x1 - x0) * sizeof(uint32_t));
    return out;
}

std::optional<Image> resizeNearest(const Image& source, int w, int h) {
    if (source.empty()) return std::nullopt;
    std::optional<Image> out = createImage(w, h, source.depth == 24 ? 24 : 32);
    if (!out) return std::nullopt;
    std::vector<int> xs(static_cast<size_t>(w));
    for (int i = 0; i < w; ++i) xs[size_t(i)] = nearestIndex(i, source.width, w);
    int prevSy = -1;
    for (int j = 0; j < h; ++j) {
        const int sy = nearestIndex(j, source.height, h);
        uint32_t* d = out->row(j);
        if (sy == prevSy) {  // enlarging repeats rows: copy the one just made
            std::memcpy(d, out->row(j - 1), size_t(w) * sizeof(uint32_t));
            continue;
        }
        const uint32_t* s = source.row(sy);
        for (int i = 0; i < w; ++i) d[i] = s[xs[size_t(i)]];
        prevSy = sy;
    }
    return out;
}

std::optional<Image> resizeSmooth(const Image& source, int w, int h) {
    if (source.empty()) return std::nullopt;
    std::optional<Image> out = createImage(w, h, source.depth == 24 ? 24 : 32);
    if (!out) return std::nullopt;
    const Taps hTaps = makeTaps(source.width, w);
    const Taps vTaps = makeTaps(source.height, h);

    // Horizontally filtered source rows are kept in a small ring (slot = row % size), since
    // neighbouring destination rows share most of their source rows. The ring is bounded, so a
    // huge reduction recomputes rows instead of holding thousands of them.
    const int ringSize = std::min(vTaps.stride, 16);
    const size_t rowLen = size_t(w) * 4;
    std::vector<float> ring(rowLen * size_t(ringSize));
    std::vector<int> ringRow(size_t(ringSize), -1);
    std::vector<float> acc(rowLen);

    for (int y = 0; y < h; ++y) {
        std::fill(acc.begin(), acc.end(), 0.0f);
        const uint32_t* vw = vTaps.weights.data() + size_t(y) * size_t(vTaps.stride);
        const int first = vTaps.first[size_t(y)];
        for (int k = 0, n = vTaps.count[size_t(y)]; k < n; ++k) {
            const int sy = first + k;
            const auto slot = size_t(sy % ringSize);
            float* filtered = ring.data() + slot * rowLen;
            if (ringRow[slot] != sy) {
                filterRow(source.row(sy), hTaps, filtered, w);
                ringRow[slot] = sy;
            }
            const float wk = float(vw[k]) / float(kOne);
            for (size_t i = 0; i < rowLen; ++i) acc[i] += wk * filtered[i];
        }
        uint32_t* d = out->row(y);
        for (int x = 0; x < w; ++x) {
            const float* p = acc.data() + 4 * size_t(x);  // r, g, b sums, then alpha
            const auto a = std::min(uint32_t(p[3] + 0.5f), 255u);
            if (a == 0) {
                d[x] = 0;
                continue;
            }
            // Colour = alpha-weighted mean, rounded to nearest.
            const float inv = 1.0f / p[3];
            const auto mean = [&](int c) { return std::min(uint32_t(p[c] * inv + 0.5f), 255u); };
            d[x] = rgba(mean(0), mean(1), mean(2), a);
        }
    }
    return out;
}

}  // namespace qm
