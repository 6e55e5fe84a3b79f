#include "filters/adjustments.h"

#include <algorithm>
#include <system_error>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "raster/rounding.h"

namespace qm {

namespace {

constexpr uint32_t kColour = 0x00FFFFFFu;

// Below this many pixels a second thread costs more than it saves.
constexpr int64_t kParallelPixels = int64_t(1) << 20;

int clampedValue(int value) {
    return std::clamp(value, kBrightnessMin, kBrightnessMax);
}

uint32_t brightChannel(uint32_t c, double f) {
    const double v = std::min(double(c) * f, 255.0);
    return uint32_t(roundHalfEven(v));
}

}  // namespace

uint32_t brightnessPixel(uint32_t color, int value) {
    if (alpha(color) == 0) return 0;
    const double f = double(clampedValue(value)) / double(kBrightnessNeutral);
    return rgba(brightChannel(red(color), f), brightChannel(green(color), f),
                brightChannel(blue(color), f), alpha(color));
}

uint32_t invertPixel(uint32_t color) {
    if (alpha(color) == 0) return 0;
    return rgba(255 - red(color), 255 - green(color), 255 - blue(color), alpha(color));
}

uint32_t greyPixel(uint32_t color) {
    if (alpha(color) == 0) return 0;
    const uint32_t r = red(color), g = green(color), b = blue(color);
    const uint32_t l = (std::max({r, g, b}) + std::min({r, g, b})) / 2;
    return rgba(l, l, l, alpha(color));
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

}  // namespace

BrightnessTable brightnessTable(int value) {
    const double f = double(clampedValue(value)) / double(kBrightnessNeutral);
    BrightnessTable table;
    for (uint32_t c = 0; c < 256; ++c) table.level[c] = uint8_t(brightChannel(c, f));
    table.factor = float(f);
    table.factorExact = false;
#if defined(__SSE2__)
    // The float product rounds like the double one except, at most, on exact halves; the
    // vector path is used only when it gives the whole table.
    alignas(16) uint32_t lanes[4];
    bool exact = true;
    for (uint32_t c = 0; c < 256 && exact; c += 4) {
        const __m128i ch = _mm_setr_epi32(int(c), int(c + 1), int(c + 2), int(c + 3));
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes), scaled(ch, _mm_set1_ps(table.factor)));
        for (uint32_t k = 0; k < 4; ++k) exact = exact && lanes[k] == table.level[c + k];
    }
    table.factorExact = exact;
#endif
    return table;
}

void brightnessRow(uint32_t* p, size_t n, const BrightnessTable& t) {
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

void invertRow(uint32_t* p, size_t n) {
    // Written without branches so that the compiler can work on several pixels at once.
    for (size_t i = 0; i < n; ++i) {
        const uint32_t c = p[i];
        const uint32_t keep = uint32_t(0) - uint32_t(c >> 24 != 0);  // all ones unless alpha 0
        p[i] = (c ^ kColour) & keep;
    }
}

void greyRow(uint32_t* p, size_t n) {
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

void adjustImage(Image& image, const Rect& area, Adjustment adjustment, int value) {
    const Rect r = intersect(area, Rect{0, 0, image.width, image.height});
    if (r.empty()) return;
    const BrightnessTable table =
        adjustment == Adjustment::Brightness ? brightnessTable(value) : BrightnessTable{};
    const size_t n = size_t(r.w);
    auto rows = [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            uint32_t* p = image.row(y) + r.x;
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
    };
    // Every row depends on itself alone, so two threads give the same bits as one.
    if (int64_t(r.w) * r.h >= kParallelPixels && r.h >= 2 &&
        std::thread::hardware_concurrency() >= 2) {
        const int middle = r.y + r.h / 2;
        std::thread lower;
        try {
            lower = std::thread(rows, middle, r.bottom());
        } catch (const std::system_error&) {
            rows(r.y, r.bottom());
            return;
        }
        rows(r.y, middle);
        lower.join();
    } else {
        rows(r.y, r.bottom());
    }
}

}  // namespace qm
