#include "document/blend_modes.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "raster/alpha_blend.h"
#include "raster/draw_mode.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QM_BLEND_MODES_X86 1
#endif

namespace qm {

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t kGrey = 0xFF808080u;
constexpr uint32_t kColour = 0x00FFFFFFu;
constexpr uint32_t kAlpha = 0xFF000000u;

// The backdrop makes the transparent parts of a layer neutral for its mode. Invert,
// Difference and Exclusion use black: it is their neutral colour, while grey would flip or
// shift the whole canvas under a transparent layer. ColorLight has no neutral colour at all
// (white turns every non-black target white), so its display image stays transparent and the
// rule itself lays the result over the target by the display alpha.
constexpr std::array<BlendMode, kBlendModeCount> kModes{{
    {0, "Normal", false, 0, BlendRule::Over},
    {1, "Multiply", true, kWhite, BlendRule::Multiply},
    {2, "Add", true, kBlack, BlendRule::Add},
    {3, "Screen", true, kBlack, BlendRule::Screen},
    {4, "Overlay", true, kGrey, BlendRule::Overlay},
    {5, "Invert", true, kBlack, BlendRule::Xor},
    {6, "Color Burn", true, kWhite, BlendRule::ColorBurn},
    {7, "Dissolve", false, 0, BlendRule::Dissolve},
    {8, "Difference", true, kBlack, BlendRule::Difference},
    {9, "Exclusion", true, kBlack, BlendRule::Exclusion},
    {10, "Lighten", true, kBlack, BlendRule::Lighten},
    {11, "Darken", true, kWhite, BlendRule::Darken},
    {12, "HardLight", true, kGrey, BlendRule::HardLight},
    {13, "ClearLight", true, kGrey, BlendRule::Overlay},
    {14, "ColorLight", false, 0, BlendRule::ColorLight},
}};

using ChannelFunction = uint32_t (*)(uint32_t, uint32_t);

ChannelFunction channelFunction(BlendRule rule) {
    switch (rule) {
        case BlendRule::Multiply:
            return multiplyChannel;
        case BlendRule::Add:
            return addChannel;
        case BlendRule::Screen:
            return screenChannel;
        case BlendRule::Overlay:
            return overlayChannel;
        case BlendRule::ColorBurn:
            return colorBurnChannel;
        case BlendRule::Difference:
            return differenceChannel;
        case BlendRule::Exclusion:
            return exclusionChannel;
        case BlendRule::Lighten:
            return lightenChannel;
        case BlendRule::Darken:
            return darkenChannel;
        case BlendRule::HardLight:
            return hardLightChannel;
        case BlendRule::ColorLight:
            return colorLightChannel;
        default:
            return nullptr;
    }
}

uint32_t perChannel(ChannelFunction f, uint32_t s, uint32_t t) {
    return rgba(f(red(s), red(t)), f(green(s), green(t)), f(blue(s), blue(t)), alpha(t));
}

// The ColorLight channel results with the source's alpha: what the rule lays over the target.
uint32_t colorLightSource(uint32_t s, uint32_t t) {
    return (perChannel(colorLightChannel, s, t) & kColour) | (s & kAlpha);
}

}  // namespace

const std::array<BlendMode, kBlendModeCount>& blendModes() {
    return kModes;
}

const BlendMode& blendMode(int index) {
    return kModes[size_t(index >= 0 && index < kBlendModeCount ? index : 0)];
}

uint32_t multiplyChannel(uint32_t sc, uint32_t tc) {
    return sc * tc / 255;
}

uint32_t addChannel(uint32_t sc, uint32_t tc) {
    if (tc >= 255) return 255;
    if (sc < 255) return std::min<uint32_t>(tc * 255 / (255 - sc), 255);
    return std::min<uint32_t>(tc * 255, 255);
}

uint32_t screenChannel(uint32_t sc, uint32_t tc) {
    return 255 - (255 - sc) * (255 - tc) / 255;
}

uint32_t overlayChannel(uint32_t sc, uint32_t tc) {
    if (tc < 128) return (2 * tc) * sc / 255;
    return 255 - (2 * (255 - tc)) * (255 - sc) / 255;
}

uint32_t colorBurnChannel(uint32_t sc, uint32_t tc) {
    if (sc == 0) return 0;
    const uint32_t q = (255 - tc) * 255 / sc;
    return q >= 255 ? 0 : 255 - q;
}

uint32_t differenceChannel(uint32_t sc, uint32_t tc) {
    return tc >= sc ? tc - sc : sc - tc;
}

uint32_t exclusionChannel(uint32_t sc, uint32_t tc) {
    return tc + sc - 2 * tc * sc / 255;
}

uint32_t lightenChannel(uint32_t sc, uint32_t tc) {
    return std::max(sc, tc);
}

uint32_t darkenChannel(uint32_t sc, uint32_t tc) {
    return std::min(sc, tc);
}

uint32_t hardLightChannel(uint32_t sc, uint32_t tc) {
    if (sc < 128) return (2 * sc) * tc / 255;
    return 255 - (2 * (255 - sc)) * (255 - tc) / 255;
}

uint32_t colorLightChannel(uint32_t sc, uint32_t tc) {
    if (tc == 0) return 0;
    const uint32_t q = (255 - sc) * 255 / tc;
    return q >= 255 ? 0 : 255 - q;
}

uint32_t blendPixel(int mode, uint32_t s, uint32_t t, uint32_t opacity) {
    const BlendRule rule = blendMode(mode).rule;
    switch (rule) {
        case BlendRule::Over:
        case BlendRule::Dissolve:  // without noise it can only be drawn as Normal
            return overPixel(s, t, std::min<uint32_t>(opacity, 255));
        case BlendRule::Xor:
            return t ^ (s & kColour);
        case BlendRule::ColorLight:
            return (overPixel(colorLightSource(s, t), t, 255) & kColour) | (t & kAlpha);
        default:
            return perChannel(channelFunction(rule), s, t);
    }
}

uint32_t dissolvePixel(uint32_t s, uint32_t t, uint32_t opacity, uint32_t noise) {
    const uint32_t a = alpha(s) * std::min<uint32_t>(opacity, 255) / 255;
    return noise < a ? (s & kColour) | kAlpha : t;
}

void blendRowReference(int mode, uint32_t* target, const uint32_t* source, size_t n,
                       uint32_t opacity) {
    for (size_t i = 0; i < n; ++i) target[i] = blendPixel(mode, source[i], target[i], opacity);
}

namespace {
void dissolveRowAvx2(uint32_t* target, const uint32_t* source, const uint8_t* noise, size_t n,
                     uint32_t opacity);
bool dissolveAvx2Available();
}  // namespace

void dissolveRow(uint32_t* target, const uint32_t* source, const uint8_t* noise, size_t n,
                 uint32_t opacity) {
    opacity = std::min<uint32_t>(opacity, 255);
    if (dissolveAvx2Available()) return dissolveRowAvx2(target, source, noise, n, opacity);
    // dissolvePixel without branches, so the loop vectorises.
    for (size_t i = 0; i < n; ++i) {
        const uint32_t s = source[i];
        const uint32_t a = alpha(s) * opacity / 255;
        target[i] = noise[i] < a ? s | kAlpha : target[i];
    }
}

// ---------------------------------------------------------------------------------------------
// AVX2 kernels, 8 pixels per step; the last few pixels of a row go through the reference.
// - Products of two channels run in 16-bit lanes (pixels unpacked to 16 bits per channel) with
//   the exact division by 255 of raster/alpha_blend.h; the alpha lane is computed too and then
//   replaced by the target's.
// - Max, min, difference and XOR run on the bytes directly.
// - The three rules with a division by a channel (Add, Color Burn, ColorLight) run planar, one
//   channel of eight pixels per register of 32-bit lanes, dividing in single precision: the
//   numerator (<= 65025) and the divisor (1..255) are exact there, a non-integer quotient lies
//   at least 1/255 from an integer, and the error of one rounded division of a value below
//   65026 is under 65025 * 2^-24 < 1/255, so truncating the float quotient gives the integer
//   quotient exactly.
#ifdef QM_BLEND_MODES_X86

#define QM_AVX2 __attribute__((target("avx2")))

namespace {

QM_AVX2 inline __m256i div255x16(__m256i x) {
    return _mm256_srli_epi16(_mm256_mulhi_epu16(x, _mm256_set1_epi16(short(0x8081))), 7);
}

// 16-bit lane rules: s and t hold channel values 0..255.
struct MultiplyOp {
    QM_AVX2 static __m256i apply(__m256i s, __m256i t) {
        return div255x16(_mm256_mullo_epi16(s, t));
    }
};

struct ScreenOp {
    QM_AVX2 static __m256i apply(__m256i s, __m256i t) {
        const __m256i k255 = _mm256_set1_epi16(255);
        return _mm256_sub_epi16(k255, div255x16(_mm256_mullo_epi16(_mm256_sub_epi16(k255, s),
                                                                   _mm256_sub_epi16(k255, t))));
    }
};

// Overlay chosen by `chooser` (the target for Overlay, the source for HardLight). The branch
// not taken may overflow its 16-bit product; its lanes are discarded.
QM_AVX2 inline __m256i lightRule(__m256i chooser, __m256i other) {
    const __m256i k255 = _mm256_set1_epi16(255);
    const __m256i low = div255x16(_mm256_mullo_epi16(_mm256_add_epi16(chooser, chooser), other));
    const __m256i inv = _mm256_sub_epi16(k255, chooser);
    const __m256i high = _mm256_sub_epi16(
        k255,
        div255x16(_mm256_mullo_epi16(_mm256_add_epi16(inv, inv), _mm256_sub_epi16(k255, other))));
    const __m256i isLow = _mm256_cmpgt_epi16(_mm256_set1_epi16(128), chooser);
    return _mm256_blendv_epi8(high, low, isLow);
}

struct OverlayOp {
    QM_AVX2 static __m256i apply(__m256i s, __m256i t) { return lightRule(t, s); }
};

struct HardLightOp {
    QM_AVX2 static __m256i apply(__m256i s, __m256i t) { return lightRule(s, t); }
};

// t + s - 2*t*s/255 with p = t*s = 255*q + r: 2p/255 = 2q + (r >= 128 ? 1 : 0).
struct ExclusionOp {
    QM_AVX2 static __m256i apply(__m256i s, __m256i t) {
        const __m256i p = _mm256_mullo_epi16(s, t);
        const __m256i q = div255x16(p);
        const __m256i r = _mm256_sub_epi16(p, _mm256_mullo_epi16(q, _mm256_set1_epi16(255)));
        const __m256i roundUp = _mm256_cmpgt_epi16(r, _mm256_set1_epi16(127));  // -1 or 0
        return _mm256_add_epi16(_mm256_sub_epi16(_mm256_add_epi16(s, t), _mm256_add_epi16(q, q)),
                                roundUp);
    }
};

template <class Op>
QM_AVX2 void wideRowAvx2(int mode, uint32_t* t, const uint32_t* s, size_t n) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i alphaMask = _mm256_set1_epi32(int(kAlpha));
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
        __m256i* tp = reinterpret_cast<__m256i*>(t + i);
        const __m256i tv = _mm256_loadu_si256(tp);
        const __m256i lo =
            Op::apply(_mm256_unpacklo_epi8(sv, zero), _mm256_unpacklo_epi8(tv, zero));
        const __m256i hi =
            Op::apply(_mm256_unpackhi_epi8(sv, zero), _mm256_unpackhi_epi8(tv, zero));
        _mm256_storeu_si256(tp, _mm256_blendv_epi8(_mm256_packus_epi16(lo, hi), tv, alphaMask));
    }
    if (i < n) blendRowReference(mode, t + i, s + i, n - i, 255);
}

// Byte rules: the whole pixel at once, alpha restored from the target.
struct LightenOp {
    QM_AVX2 static __m256i apply(__m256i s, __m256i t) { return _mm256_max_epu8(s, t); }
};
struct DarkenOp {
    QM_AVX2 static __m256i apply(__m256i s, __m256i t) { return _mm256_min_epu8(s, t); }
};
struct DifferenceOp {
    QM_AVX2 static __m256i apply(__m256i s, __m256i t) {
        return _mm256_or_si256(_mm256_subs_epu8(t, s), _mm256_subs_epu8(s, t));
    }
};
struct XorOp {
    QM_AVX2 static __m256i apply(__m256i s, __m256i t) { return _mm256_xor_si256(s, t); }
};

template <class Op>
QM_AVX2 void byteRowAvx2(int mode, uint32_t* t, const uint32_t* s, size_t n) {
    const __m256i alphaMask = _mm256_set1_epi32(int(kAlpha));
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
        __m256i* tp = reinterpret_cast<__m256i*>(t + i);
        const __m256i tv = _mm256_loadu_si256(tp);
        _mm256_storeu_si256(tp, _mm256_blendv_epi8(Op::apply(sv, tv), tv, alphaMask));
    }
    if (i < n) blendRowReference(mode, t + i, s + i, n - i, 255);
}

// Planar rules: s and t hold one channel of eight pixels in 32-bit lanes.
QM_AVX2 inline __m256i truncDiv(__m256i num, __m256i den) {
    return _mm256_cvttps_epi32(_mm256_div_ps(_mm256_cvtepi32_ps(num), _mm256_cvtepi32_ps(den)));
}

// min(tc*255 / max(255-sc, 1), 255): the divisor 1 for sc = 255 gives min(tc*255, 255), and
// tc = 255 gives at least 255, which are the rule's two special cases.
struct AddOp {
    QM_AVX2 static __m256i apply(__m256i s, __m256i t) {
        const __m256i k255 = _mm256_set1_epi32(255);
        const __m256i den = _mm256_max_epi32(_mm256_sub_epi32(k255, s), _mm256_set1_epi32(1));
        return _mm256_min_epi32(truncDiv(_mm256_mullo_epi32(t, k255), den), k255);
    }
};

// max(255 - (255-b)*255/d, 0), and 0 where d = 0 (Color Burn: d = sc, b = tc; ColorLight:
// d = tc, b = sc). All in floats: d = 0 gives a quotient of +inf (or NaN for 0/0), and
// max_ps returns its second operand 0 for both, which is the rule's result there.
QM_AVX2 inline __m256i burnRule(__m256i d, __m256i b) {
    const __m256 k255 = _mm256_set1_ps(255.0f);
    const __m256 num =
        _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_sub_epi32(_mm256_set1_epi32(255), b)), k255);
    const __m256 q = _mm256_round_ps(_mm256_div_ps(num, _mm256_cvtepi32_ps(d)),
                                     _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
    return _mm256_cvttps_epi32(_mm256_max_ps(_mm256_sub_ps(k255, q), _mm256_setzero_ps()));
}

struct ColorBurnOp {
    QM_AVX2 static __m256i apply(__m256i s, __m256i t) { return burnRule(s, t); }
};
struct ColorLightOp {
    QM_AVX2 static __m256i apply(__m256i s, __m256i t) { return burnRule(t, s); }
};

// The three channels of eight pixels through Op; the alpha of `alphaFrom` is kept.
template <class Op>
QM_AVX2 inline __m256i planarPixels(__m256i sv, __m256i tv, __m256i alphaFrom) {
    const __m256i byte = _mm256_set1_epi32(0xFF);
    const __m256i r = Op::apply(_mm256_and_si256(sv, byte), _mm256_and_si256(tv, byte));
    const __m256i g = Op::apply(_mm256_and_si256(_mm256_srli_epi32(sv, 8), byte),
                                _mm256_and_si256(_mm256_srli_epi32(tv, 8), byte));
    const __m256i b = Op::apply(_mm256_and_si256(_mm256_srli_epi32(sv, 16), byte),
                                _mm256_and_si256(_mm256_srli_epi32(tv, 16), byte));
    return _mm256_or_si256(
        _mm256_or_si256(r, _mm256_slli_epi32(g, 8)),
        _mm256_or_si256(_mm256_slli_epi32(b, 16),
                        _mm256_and_si256(alphaFrom, _mm256_set1_epi32(int(kAlpha)))));
}

// Add: a black source (the backdrop of the layer's transparent parts) gives
// min(tc*255/255, 255) = tc in every channel, so groups of eight black pixels leave the target
// as it is and are skipped; the others run through the planar rule.
QM_AVX2 void addRowAvx2(int mode, uint32_t* t, const uint32_t* s, size_t n) {
    const __m256i colourMask = _mm256_set1_epi32(int(kColour));
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
        if (_mm256_testz_si256(sv, colourMask)) continue;
        __m256i* tp = reinterpret_cast<__m256i*>(t + i);
        const __m256i tv = _mm256_loadu_si256(tp);
        _mm256_storeu_si256(tp, planarPixels<AddOp>(sv, tv, tv));
    }
    if (i < n) blendRowReference(mode, t + i, s + i, n - i, 255);
}

// Color Burn: a white source (the backdrop of the layer's transparent parts) gives
// 255 - (255-tc)*255/255 = tc in every channel, so groups of eight white pixels leave the
// target as it is and are skipped; the others run through the planar rule.
QM_AVX2 void colorBurnRowAvx2(int mode, uint32_t* t, const uint32_t* s, size_t n) {
    const __m256i alphaMask = _mm256_set1_epi32(int(kAlpha));
    const __m256i ones = _mm256_set1_epi32(-1);
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
        if (_mm256_testc_si256(_mm256_or_si256(sv, alphaMask), ones)) continue;
        __m256i* tp = reinterpret_cast<__m256i*>(t + i);
        const __m256i tv = _mm256_loadu_si256(tp);
        _mm256_storeu_si256(tp, planarPixels<ColorBurnOp>(sv, tv, tv));
    }
    if (i < n) blendRowReference(mode, t + i, s + i, n - i, 255);
}

// One channel of ColorLight laid over an opaque target, for eight pixels in 32-bit lanes:
// c = max(255 - (255-sc)*255/tc, 0) and then (c*a + tc*(255-a)) / 255, where `weights` holds a
// in the low and 255 - a in the high 16 bits of each lane, so one multiply-add forms the sum.
// The quotient is truncated in single precision, exact as in burnRule; tc = 0 gives +inf or
// NaN, which convert to INT32_MIN, and 255 minus that wraps to a negative number that the max
// turns into the rule's 0. floor(v / 255) = (v + 1 + (v >> 8)) >> 8 for v <= 65025.
template <int Shift>
QM_AVX2 inline __m256i colorLightOverOpaque(__m256i sv, __m256i tv, __m256i weights) {
    const __m256i byte = _mm256_set1_epi32(0xFF);
    const __m256i sc = _mm256_and_si256(_mm256_srli_epi32(sv, Shift), byte);
    const __m256i tc = _mm256_and_si256(_mm256_srli_epi32(tv, Shift), byte);
    const __m256 num =
        _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_sub_epi32(byte, sc)), _mm256_set1_ps(255.0f));
    const __m256i q = _mm256_cvttps_epi32(_mm256_div_ps(num, _mm256_cvtepi32_ps(tc)));
    const __m256i c = _mm256_max_epi32(_mm256_sub_epi32(byte, q), _mm256_setzero_si256());
    const __m256i v = _mm256_madd_epi16(_mm256_or_si256(c, _mm256_slli_epi32(tc, 16)), weights);
    const __m256i quotient = _mm256_srli_epi32(
        _mm256_add_epi32(v, _mm256_add_epi32(_mm256_srli_epi32(v, 8), _mm256_set1_epi32(1))), 8);
    return _mm256_slli_epi32(quotient, Shift);
}

// ColorLight in one pass: the channel results c of eight pixels are laid over the target by the
// source alpha a, keeping the target's alpha. A transparent source leaves the target as it is,
// so such groups are skipped. Onto an opaque target (the canvas) the over rule reduces to
// (c*a*255 + tc*(255-a)*255) / (255*255) = (c*a + tc*(255-a)) / 255, computed per channel in
// 32-bit lanes; groups with a non-opaque target go through the over kernel.
QM_AVX2 void colorLightRowAvx2(int mode, uint32_t* t, const uint32_t* s, size_t n) {
    const __m256i alphaMask = _mm256_set1_epi32(int(kAlpha));
    const __m256i byte = _mm256_set1_epi32(0xFF);
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
        if (_mm256_testz_si256(sv, alphaMask)) continue;
        __m256i* tp = reinterpret_cast<__m256i*>(t + i);
        const __m256i tv = _mm256_loadu_si256(tp);
        if (!_mm256_testc_si256(tv, alphaMask)) {
            alignas(32) uint32_t block[8];  // colour results with the alpha of s
            _mm256_store_si256(reinterpret_cast<__m256i*>(block),
                               planarPixels<ColorLightOp>(sv, tv, sv));
            blendRowOver(t + i, block, 8, 255, true);
            continue;
        }
        const __m256i a = _mm256_srli_epi32(sv, 24);
        const __m256i weights =
            _mm256_or_si256(a, _mm256_slli_epi32(_mm256_sub_epi32(byte, a), 16));
        const __m256i rg = _mm256_or_si256(colorLightOverOpaque<0>(sv, tv, weights),
                                           colorLightOverOpaque<8>(sv, tv, weights));
        const __m256i bAlpha = _mm256_or_si256(colorLightOverOpaque<16>(sv, tv, weights),
                                               _mm256_and_si256(tv, alphaMask));
        _mm256_storeu_si256(tp, _mm256_or_si256(rg, bAlpha));
    }
    if (i < n) blendRowReference(mode, t + i, s + i, n - i, 255);
}

#undef QM_AVX2

bool hasAvx2() {
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return has;
}

// The fast kernel of a rule; false when it has none here (the caller uses the reference).
[[gnu::always_inline]] inline bool blendRowFast(int mode, BlendRule rule, uint32_t* t,
                                                const uint32_t* s, size_t n) {
    if (!hasAvx2()) return false;
    switch (rule) {
        case BlendRule::Multiply:
            wideRowAvx2<MultiplyOp>(mode, t, s, n);
            return true;
        case BlendRule::Screen:
            wideRowAvx2<ScreenOp>(mode, t, s, n);
            return true;
        case BlendRule::Overlay:
            wideRowAvx2<OverlayOp>(mode, t, s, n);
            return true;
        case BlendRule::HardLight:
            wideRowAvx2<HardLightOp>(mode, t, s, n);
            return true;
        case BlendRule::Exclusion:
            wideRowAvx2<ExclusionOp>(mode, t, s, n);
            return true;
        case BlendRule::Lighten:
            byteRowAvx2<LightenOp>(mode, t, s, n);
            return true;
        case BlendRule::Darken:
            byteRowAvx2<DarkenOp>(mode, t, s, n);
            return true;
        case BlendRule::Difference:
            byteRowAvx2<DifferenceOp>(mode, t, s, n);
            return true;
        case BlendRule::Xor:
            byteRowAvx2<XorOp>(mode, t, s, n);
            return true;
        case BlendRule::Add:
            addRowAvx2(mode, t, s, n);
            return true;
        case BlendRule::ColorBurn:
            colorBurnRowAvx2(mode, t, s, n);
            return true;
        case BlendRule::ColorLight:
            colorLightRowAvx2(mode, t, s, n);
            return true;
        default:
            return false;
    }
}

}  // namespace

#else

namespace {
bool blendRowFast(int, BlendRule, uint32_t*, const uint32_t*, size_t) {
    return false;
}
}  // namespace

#endif  // QM_BLEND_MODES_X86

namespace {

// blendRow for one mode, with the mode's rule known when compiling: the dispatch on the rule
// folds away, which matters for the many short rows of a recomposition.
template <int Mode>
void blendRowOfMode(uint32_t* target, const uint32_t* source, size_t n, uint32_t opacity) {
    constexpr BlendRule rule = kModes[Mode].rule;
    opacity = std::min<uint32_t>(opacity, 255);
    if constexpr (rule == BlendRule::Over || rule == BlendRule::Dissolve) {
        blendRowOver(target, source, n, opacity);
    } else if (!blendRowFast(Mode, rule, target, source, n)) {
        blendRowReference(Mode, target, source, n, opacity);
    }
}

template <size_t... Modes>
constexpr std::array<BlendRowFunction, kBlendModeCount> rowFunctions(
    std::index_sequence<Modes...>) {
    return {&blendRowOfMode<int(Modes)>...};
}

}  // namespace

BlendRowFunction blendRowFunction(int mode) {
    static constexpr auto functions = rowFunctions(std::make_index_sequence<kBlendModeCount>());
    return functions[size_t(blendMode(mode).index)];
}

void blendRow(int mode, uint32_t* target, const uint32_t* source, size_t n, uint32_t opacity) {
    blendRowFunction(mode)(target, source, n, opacity);
}

#ifdef QM_BLEND_MODES_X86
namespace {

// dissolveNoise on eight lanes: the same 32-bit multiplies, shifts and xors.
__attribute__((target("avx2"))) void dissolveNoiseRowAvx2(const int* docX, int docY, uint8_t* noise,
                                                          size_t n) {
    const __m256i yTerm = _mm256_set1_epi32(int((uint32_t(docY) + 0x7F4A7C15u) * 0x85EBCA77u));
    const __m256i k1 = _mm256_set1_epi32(int(0x9E3779B1u));
    const __m256i k2 = _mm256_set1_epi32(int(0x2C1B3C6Du));
    const __m256i k3 = _mm256_set1_epi32(int(0x297A2D39u));
    const __m256i k255 = _mm256_set1_epi32(255);
    const __m256i zero = _mm256_setzero_si256();
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(docX + i));
        __m256i h = _mm256_xor_si256(_mm256_mullo_epi32(x, k1), yTerm);
        h = _mm256_xor_si256(h, _mm256_srli_epi32(h, 15));
        h = _mm256_mullo_epi32(h, k2);
        h = _mm256_xor_si256(h, _mm256_srli_epi32(h, 12));
        h = _mm256_mullo_epi32(h, k3);
        h = _mm256_xor_si256(h, _mm256_srli_epi32(h, 15));
        const __m256i v = _mm256_srli_epi32(_mm256_mullo_epi32(_mm256_srli_epi32(h, 16), k255), 16);
        // Values are 0..254: pack the eight lanes to bytes (lanes 0-3 land in the low half of
        // the first 128 bits, 4-7 in the second).
        const __m256i bytes = _mm256_packus_epi16(_mm256_packus_epi32(v, v), zero);
        const uint32_t low = uint32_t(_mm256_extract_epi32(bytes, 0));
        const uint32_t high = uint32_t(_mm256_extract_epi32(bytes, 4));
        std::memcpy(noise + i, &low, 4);
        std::memcpy(noise + i + 4, &high, 4);
    }
    for (; i < n; ++i) noise[i] = uint8_t(dissolveNoise(docX[i], docY));
}

// dissolvePixel on eight lanes: a = alpha x opacity / 255 with the exact division by 255
// ((x * 0x8081) >> 23 for x <= 65025); a pixel lands, opaque, where its noise is below a.
__attribute__((target("avx2"))) void dissolveRowAvx2Impl(uint32_t* t, const uint32_t* s,
                                                         const uint8_t* noise, size_t n,
                                                         uint32_t opacity) {
    const __m256i alphaMask = _mm256_set1_epi32(int(kAlpha));
    const __m256i op = _mm256_set1_epi32(int(opacity));
    const __m256i magic = _mm256_set1_epi32(0x8081);
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
        __m256i* tp = reinterpret_cast<__m256i*>(t + i);
        const __m256i nz =
            _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(noise + i)));
        __m256i a = _mm256_srli_epi32(sv, 24);
        if (opacity != 255)
            a = _mm256_srli_epi32(_mm256_mullo_epi32(_mm256_mullo_epi32(a, op), magic), 23);
        const __m256i lands = _mm256_cmpgt_epi32(a, nz);
        const __m256i tv = _mm256_loadu_si256(tp);
        _mm256_storeu_si256(tp, _mm256_blendv_epi8(tv, _mm256_or_si256(sv, alphaMask), lands));
    }
    for (; i < n; ++i) t[i] = dissolvePixel(s[i], t[i], opacity, noise[i]);
}

}  // namespace
#endif  // QM_BLEND_MODES_X86

namespace {
bool dissolveAvx2Available() {
#ifdef QM_BLEND_MODES_X86
    return hasAvx2();
#else
    return false;
#endif
}
void dissolveRowAvx2(uint32_t* target, const uint32_t* source, const uint8_t* noise, size_t n,
                     uint32_t opacity) {
#ifdef QM_BLEND_MODES_X86
    dissolveRowAvx2Impl(target, source, noise, n, opacity);
#else
    (void)target, (void)source, (void)noise, (void)n, (void)opacity;
#endif
}
}  // namespace

void dissolveNoiseRow(const int* docX, int docY, uint8_t* noise, size_t n) {
#ifdef QM_BLEND_MODES_X86
    if (hasAvx2()) return dissolveNoiseRowAvx2(docX, docY, noise, n);
#endif
    for (size_t i = 0; i < n; ++i) noise[i] = uint8_t(dissolveNoise(docX[i], docY));
}

}  // namespace qm
