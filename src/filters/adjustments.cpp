#include "filters/adjustments.h"

#include <algorithm>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__SSE2__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define QM_ADJUST_X86 1
#endif

#include "platform/parallel.h"
#include "raster/alpha_blend.h"
#include "raster/rounding.h"

namespace qm {

namespace {

constexpr uint32_t kColour = 0x00FFFFFFu;

// Below this many pixels a second thread costs more than it saves.
constexpr int64_t kParallelPixels = int64_t(1) << 20;
// The rows the threads take at a time: about this many pixels.
constexpr int64_t kBandPixels = int64_t(1) << 16;

int clampedValue(int value) {
    return std::clamp(value, kBrightnessMin, kBrightnessMax);
}

uint32_t brightChannel(uint32_t c, double f) {
    const double v = std::min(double(c) * f, 255.0);
    return uint32_t(roundHalfEven(v));
}

}  // namespace

uint32_t brightnessPixel(uint32_t colour, int value) {
    if (alpha(colour) == 0) return 0;
    const double f = double(clampedValue(value)) / double(kBrightnessNeutral);
    return rgba(brightChannel(red(colour), f), brightChannel(green(colour), f),
                brightChannel(blue(colour), f), alpha(colour));
}

uint32_t invertPixel(uint32_t colour) {
    if (alpha(colour) == 0) return 0;
    return rgba(255 - red(colour), 255 - green(colour), 255 - blue(colour), alpha(colour));
}

uint32_t greyPixel(uint32_t colour) {
    if (alpha(colour) == 0) return 0;
    const uint32_t r = red(colour), g = green(colour), b = blue(colour);
    const uint32_t l = (std::max({r, g, b}) + std::min({r, g, b})) / 2;
    return rgba(l, l, l, alpha(colour));
}

namespace {

#if defined(__SSE2__)
// The colour channels of four pixels as 32-bit lanes, and back.
inline __m128i channel(__m128i c, int shift) {
    return _mm_and_si128(_mm_srli_epi32(c, shift), _mm_set1_epi32(0xFF));
}
// Fully transparent pixels become 0, the others keep their alpha.
inline __m128i withAlphaOf(__m128i colour, __m128i c) {
    const __m128i a = _mm_and_si128(c, _mm_set1_epi32(int(0xFF000000u)));
    const __m128i hidden = _mm_cmpeq_epi32(a, _mm_setzero_si128());
    return _mm_andnot_si128(hidden, _mm_or_si128(colour, a));
}
// min(channel x factor, 255) rounded to the nearest, halves to even (the default rounding of
// the conversion, which the program never changes).
inline __m128i scaled(__m128i ch, __m128 factor) {
    const __m128 v = _mm_min_ps(_mm_mul_ps(_mm_cvtepi32_ps(ch), factor), _mm_set1_ps(255.0f));
    return _mm_cvtps_epi32(v);
}
inline __m128i brightFour(__m128i c, __m128 f) {
    const __m128i rgb = _mm_or_si128(
        _mm_or_si128(scaled(channel(c, 0), f), _mm_slli_epi32(scaled(channel(c, 8), f), 8)),
        _mm_slli_epi32(scaled(channel(c, 16), f), 16));
    return withAlphaOf(rgb, c);
}
#endif

uint32_t brightLookup(uint32_t c, const BrightnessTable& t) {
    const uint32_t out = t.level[c & 0xFFu] | uint32_t(t.level[(c >> 8) & 0xFFu]) << 8 |
                         uint32_t(t.level[(c >> 16) & 0xFFu]) << 16 | (c & ~kColour);
    return c >> 24 ? out : 0u;
}

uint32_t greyOf(uint32_t c) {
    const uint32_t r = c & 0xFFu, g = (c >> 8) & 0xFFu, b = (c >> 16) & 0xFFu;
    const uint32_t hi = std::max(std::max(r, g), b);
    const uint32_t lo = std::min(std::min(r, g), b);
    const uint32_t l = (hi + lo) >> 1;
    const uint32_t keep = uint32_t(0) - uint32_t(c >> 24 != 0);
    return ((l * 0x010101u) | (c & ~kColour)) & keep;
}

#ifdef QM_ADJUST_X86
// AVX2 kernels, 8 pixels per step; the last few pixels of a row go through the plain code.
#define QM_AVX2 __attribute__((target("avx2")))

// Fully transparent pixels become 0, the others keep their alpha.
QM_AVX2 inline __m256i withAlphaOf8(__m256i colour, __m256i c) {
    const __m256i a = _mm256_and_si256(c, _mm256_set1_epi32(int(0xFF000000u)));
    const __m256i hidden = _mm256_cmpeq_epi32(a, _mm256_setzero_si256());
    return _mm256_andnot_si256(hidden, _mm256_or_si256(colour, a));
}

// The same four-pixel byte shuffle in both halves of a register.
QM_AVX2 inline __m256i lanes(char b0, char b1, char b2, char b3, char b4, char b5, char b6, char b7,
                             char b8, char b9, char b10, char b11, char b12, char b13, char b14,
                             char b15) {
    return _mm256_setr_epi8(b0, b1, b2, b3, b4, b5, b6, b7, b8, b9, b10, b11, b12, b13, b14, b15,
                            b0, b1, b2, b3, b4, b5, b6, b7, b8, b9, b10, b11, b12, b13, b14, b15);
}

QM_AVX2 inline __m256i scaled8(__m256i ch, __m256 f) {
    return _mm256_cvtps_epi32(_mm256_mul_ps(_mm256_cvtepi32_ps(ch), f));
}

// Each channel times the single-precision factor, rounded to the nearest, halves to even (the
// conversion's default rounding, which the program never changes); the packing saturates at
// 255, which is the clip of the reference (rounding and the clip at a whole number commute).
// The channel values where this product misses the table are then set from the table.
QM_AVX2 void brightnessRowAvx2(uint32_t* p, size_t n, const BrightnessTable& t) {
    const __m256 f = _mm256_set1_ps(t.factor);
    const char z = -1;  // a zero byte
    const __m256i takeR = lanes(0, z, z, z, 4, z, z, z, 8, z, z, z, 12, z, z, z);
    const __m256i takeG = lanes(1, z, z, z, 5, z, z, z, 9, z, z, z, 13, z, z, z);
    const __m256i takeB = lanes(2, z, z, z, 6, z, z, z, 10, z, z, z, 14, z, z, z);
    // From r0..r3 g0..g3 b0..b3 a0..a3 back to pixels.
    const __m256i interleave = lanes(0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15);
    const __m256i colourBytes = _mm256_set1_epi32(int(kColour));
    const int misses = std::clamp(t.missCount, 0, int(t.misses.size()));
    constexpr size_t kMost = std::tuple_size_v<decltype(BrightnessTable::misses)>;
    __m256i missed[kMost], mended[kMost];  // each missed channel value, and its level
    for (int k = 0; k < misses; ++k) {
        missed[k] = _mm256_set1_epi8(char(t.misses[size_t(k)]));
        mended[k] = _mm256_set1_epi8(char(t.level[t.misses[size_t(k)]]));
    }
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        auto* q = reinterpret_cast<__m256i*>(p + i);
        const __m256i c = _mm256_loadu_si256(q);
        const __m256i r = scaled8(_mm256_shuffle_epi8(c, takeR), f);
        const __m256i g = scaled8(_mm256_shuffle_epi8(c, takeG), f);
        const __m256i b = scaled8(_mm256_shuffle_epi8(c, takeB), f);
        const __m256i a = _mm256_srli_epi32(c, 24);
        const __m256i planes =
            _mm256_packus_epi16(_mm256_packus_epi32(r, g), _mm256_packus_epi32(b, a));
        __m256i out = _mm256_shuffle_epi8(planes, interleave);
        for (int k = 0; k < misses; ++k) {
            const __m256i at = _mm256_and_si256(_mm256_cmpeq_epi8(c, missed[k]), colourBytes);
            out = _mm256_blendv_epi8(out, mended[k], at);
        }
        const __m256i hidden = _mm256_cmpeq_epi32(a, _mm256_setzero_si256());
        _mm256_storeu_si256(q, _mm256_andnot_si256(hidden, out));
    }
    for (; i < n; ++i) p[i] = brightLookup(p[i], t);
}

QM_AVX2 void greyRowAvx2(uint32_t* p, size_t n) {
    size_t i = 0;
    const __m256i low = _mm256_set1_epi32(0xFF);
    for (; i + 8 <= n; i += 8) {
        auto* q = reinterpret_cast<__m256i*>(p + i);
        const __m256i c = _mm256_loadu_si256(q);
        // Byte 0 of each lane: max and min of red, green and blue.
        const __m256i g = _mm256_srli_epi32(c, 8), b = _mm256_srli_epi32(c, 16);
        const __m256i hi = _mm256_and_si256(_mm256_max_epu8(_mm256_max_epu8(c, g), b), low);
        const __m256i lo = _mm256_and_si256(_mm256_min_epu8(_mm256_min_epu8(c, g), b), low);
        // (hi + lo) / 2 in byte 0, spread to bytes 1 and 2.
        const __m256i l = _mm256_srli_epi32(_mm256_add_epi32(hi, lo), 1);
        const __m256i grey =
            _mm256_or_si256(_mm256_or_si256(l, _mm256_slli_epi32(l, 8)), _mm256_slli_epi32(l, 16));
        _mm256_storeu_si256(q, withAlphaOf8(grey, c));
    }
    for (; i < n; ++i) p[i] = greyOf(p[i]);
}

QM_AVX2 void invertRowAvx2(uint32_t* p, size_t n) {
    size_t i = 0;
    const __m256i colour = _mm256_set1_epi32(int(kColour));
    for (; i + 8 <= n; i += 8) {
        auto* q = reinterpret_cast<__m256i*>(p + i);
        const __m256i c = _mm256_loadu_si256(q);
        _mm256_storeu_si256(q, withAlphaOf8(_mm256_andnot_si256(c, colour), c));
    }
    for (; i < n; ++i) p[i] = invertPixel(p[i]);
}

#undef QM_AVX2
#endif  // QM_ADJUST_X86

}  // namespace

BrightnessTable brightnessTable(int value) {
    const double f = double(clampedValue(value)) / double(kBrightnessNeutral);
    BrightnessTable table;
    for (uint32_t c = 0; c < 256; ++c) table.level[c] = uint8_t(brightChannel(c, f));
    table.factor = float(f);
    table.factorExact = false;
    table.missCount = -1;
#if defined(__SSE2__)
    // The float product rounds like the double one except, at most, on or near exact halves:
    // the channel values where it does not are listed.
    alignas(16) uint32_t lanes[4];
    int misses = 0;
    for (uint32_t c = 0; c < 256; c += 4) {
        const __m128i ch = _mm_setr_epi32(int(c), int(c + 1), int(c + 2), int(c + 3));
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes), scaled(ch, _mm_set1_ps(table.factor)));
        for (uint32_t k = 0; k < 4; ++k) {
            if (lanes[k] == table.level[c + k]) continue;
            if (misses < int(table.misses.size())) table.misses[size_t(misses)] = uint8_t(c + k);
            ++misses;
        }
    }
    table.factorExact = misses == 0;
    table.missCount = misses <= int(table.misses.size()) ? misses : -1;
#endif
    return table;
}

namespace {

void brightnessRowSse2(uint32_t* p, size_t n, const BrightnessTable& t) {
    size_t i = 0;
#if defined(__SSE2__)
    if (t.factorExact) {
        const __m128 f = _mm_set1_ps(t.factor);
        for (; i + 4 <= n; i += 4) {
            auto* q = reinterpret_cast<__m128i*>(p + i);
            _mm_storeu_si128(q, brightFour(_mm_loadu_si128(q), f));
        }
    }
#endif
    for (; i < n; ++i) p[i] = brightLookup(p[i], t);
}

void invertRowPlain(uint32_t* p, size_t n) {
    // Written without branches so that the compiler can work on several pixels at once.
    for (size_t i = 0; i < n; ++i) {
        const uint32_t c = p[i];
        const uint32_t keep = uint32_t(0) - uint32_t(c >> 24 != 0);  // all ones unless alpha 0
        p[i] = (c ^ kColour) & keep;
    }
}

void greyRowSse2(uint32_t* p, size_t n) {
    size_t i = 0;
#if defined(__SSE2__)
    for (; i + 4 <= n; i += 4) {
        auto* q = reinterpret_cast<__m128i*>(p + i);
        const __m128i c = _mm_loadu_si128(q);
        // Byte 0 of each lane: max and min of red, green and blue.
        const __m128i g = _mm_srli_epi32(c, 8), b = _mm_srli_epi32(c, 16);
        const __m128i low = _mm_set1_epi32(0xFF);
        const __m128i hi = _mm_and_si128(_mm_max_epu8(_mm_max_epu8(c, g), b), low);
        const __m128i lo = _mm_and_si128(_mm_min_epu8(_mm_min_epu8(c, g), b), low);
        const __m128i l = _mm_srli_epi32(_mm_add_epi32(hi, lo), 1);
        const __m128i grey =
            _mm_or_si128(_mm_or_si128(l, _mm_slli_epi32(l, 8)), _mm_slli_epi32(l, 16));
        _mm_storeu_si128(q, withAlphaOf(grey, c));
    }
#endif
    for (; i < n; ++i) p[i] = greyOf(p[i]);
}

}  // namespace

void brightnessRowWith(BlendKernel kernel, uint32_t* p, size_t n, const BrightnessTable& t) {
    if (!blendKernelAvailable(kernel)) kernel = BlendKernel::Scalar;
    switch (kernel) {
        case BlendKernel::Scalar:
            for (size_t i = 0; i < n; ++i) p[i] = brightLookup(p[i], t);
            return;
        case BlendKernel::Sse2:
            return brightnessRowSse2(p, n, t);
        case BlendKernel::Avx2:
#ifdef QM_ADJUST_X86
            if (t.missCount >= 0) return brightnessRowAvx2(p, n, t);
#endif
            break;
    }
    brightnessRowSse2(p, n, t);
}

void invertRowWith(BlendKernel kernel, uint32_t* p, size_t n) {
    if (!blendKernelAvailable(kernel)) kernel = BlendKernel::Scalar;
    switch (kernel) {
        case BlendKernel::Scalar:
            for (size_t i = 0; i < n; ++i) p[i] = invertPixel(p[i]);
            return;
        case BlendKernel::Sse2:
            break;
        case BlendKernel::Avx2:
#ifdef QM_ADJUST_X86
            return invertRowAvx2(p, n);
#endif
            break;
    }
    invertRowPlain(p, n);
}

void greyRowWith(BlendKernel kernel, uint32_t* p, size_t n) {
    if (!blendKernelAvailable(kernel)) kernel = BlendKernel::Scalar;
    switch (kernel) {
        case BlendKernel::Scalar:
            for (size_t i = 0; i < n; ++i) p[i] = greyPixel(p[i]);
            return;
        case BlendKernel::Sse2:
            break;
        case BlendKernel::Avx2:
#ifdef QM_ADJUST_X86
            return greyRowAvx2(p, n);
#endif
            break;
    }
    greyRowSse2(p, n);
}

void brightnessRow(uint32_t* p, size_t n, const BrightnessTable& t) {
    brightnessRowWith(activeBlendKernel(), p, n, t);
}

void invertRow(uint32_t* p, size_t n) {
    invertRowWith(activeBlendKernel(), p, n);
}

void greyRow(uint32_t* p, size_t n) {
    greyRowWith(activeBlendKernel(), p, n);
}

namespace {

// Rows y0 .. y1 - 1 of r (within the view) adjusted in place.
void adjustRows(const PixelView& image, const Rect& r, int y0, int y1, Adjustment adjustment,
                const BrightnessTable& table) {
    const size_t n = size_t(r.w);
    for (int y = y0; y < y1; ++y) {
        uint32_t* p = image.at(r.x, y);
        switch (adjustment) {
            case Adjustment::Brightness:
                brightnessRow(p, n, table);
                break;
            case Adjustment::Invert:
                invertRow(p, n);
                break;
            case Adjustment::Grey:
                greyRow(p, n);
                break;
        }
    }
}

}  // namespace

void adjustImage(PixelView image, const Rect& area, Adjustment adjustment, int value) {
    const Rect r = intersect(area, image.rect());
    if (r.empty()) return;
    const BrightnessTable table =
        adjustment == Adjustment::Brightness ? brightnessTable(value) : BrightnessTable{};
    auto rows = [&](int y0, int y1) { adjustRows(image, r, y0, y1, adjustment, table); };
    // Every row depends on itself alone, so two threads give the same bits as one. They take
    // bands of rows in turn, so that a second thread that starts late (the processor busy
    // elsewhere) leaves the rest to the first instead of holding it up.
    const int threads = int64_t(r.w) * r.h >= kParallelPixels && r.h >= 2 ? computeThreads(2) : 1;
    if (threads < 2) {
        rows(r.y, r.bottom());
        return;
    }
    const int band = std::max(1, int(kBandPixels / r.w));
    const int bands = (r.h + band - 1) / band;
    parallelFor(bands, threads, [&](int b) {
        const int y = r.y + b * band;
        rows(y, std::min(y + band, r.bottom()));
    });
}

Rect adjustTiles(TiledImage& image, Adjustment adjustment, int value, const Rect& area) {
    const Rect cut = intersect(area, Rect{0, 0, image.width, image.height});
    struct Part {
        int tx, ty;
        PixelView view;
        bool zero;
    };
    std::vector<Part> parts;
    Rect bounds;
    image.forEachTile(cut, [&](int tx, int ty, const ConstPixelView&) {
        parts.push_back(Part{tx, ty, {}, false});
    });
    // Made writable here, one after another (copy on write takes from the pool); then each
    // worker writes only its own tiles.
    for (Part& part : parts) {
        part.view = image.writableTile(part.tx, part.ty);
        bounds = unite(bounds, intersect(part.view.rect(), cut));
    }
    const BrightnessTable table =
        adjustment == Adjustment::Brightness ? brightnessTable(value) : BrightnessTable{};
    const auto adjust = [&](int i) {
        Part& part = parts[size_t(i)];
        const PixelView& v = part.view;
        const Rect r = intersect(cut, v.rect());
        // Rows as wide as the tile's follow each other in memory: one run of pixels (each pixel
        // is adjusted on its own, so the bits are the same).
        if (r.w == int(v.stride))
            adjustRows(PixelView(v.at(r.x, r.y), r.x, r.y, r.w * r.h, 1, r.w * r.h, 32),
                       Rect{r.x, r.y, r.w * r.h, 1}, r.y, r.y + 1, adjustment, table);
        else
            adjustRows(v, r, r.y, r.bottom(), adjustment, table);
        bool zero = true;
        for (int y = v.y; y < v.y + v.height && zero; ++y) {
            const uint32_t* row = v.at(v.x, y);
            zero = std::all_of(row, row + v.width, [](uint32_t p) { return p == 0; });
        }
        part.zero = zero;
    };
    const int64_t pixels = int64_t(parts.size()) * kTileSide * kTileSide;
    const int threads = pixels >= kParallelPixels && parts.size() >= 2 ? computeThreads(2) : 1;
    if (threads < 2) {
        for (size_t i = 0; i < parts.size(); ++i) adjust(int(i));
    } else {
        // The threads take runs of tiles in turn (about kBandPixels each).
        const int run = int(std::max<int64_t>(1, kBandPixels / (kTileSide * kTileSide)));
        const int count = int(parts.size());
        parallelFor((count + run - 1) / run, threads, [&](int b) {
            for (int i = b * run; i < std::min(count, (b + 1) * run); ++i) adjust(i);
        });
    }
    for (const Part& part : parts)
        if (part.zero) image.exchangeTile(part.tx, part.ty, TileRef{});
    return bounds;
}

}  // namespace qm
