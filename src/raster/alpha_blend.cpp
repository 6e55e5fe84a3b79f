#include "raster/alpha_blend.h"

#include <algorithm>

#include "raster/draw_mode.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QM_BLEND_X86 1
#endif

namespace qm {
namespace {

void blendRowScalar(uint32_t* t, const uint32_t* s, size_t n, uint32_t opacity, bool keep) {
    for (size_t i = 0; i < n; ++i) {
        if ((s[i] >> 24) == 0) continue;  // a == 0 whatever the opacity
        const uint32_t r = overPixel(s[i], t[i], opacity);
        t[i] = keep ? (r & 0x00FFFFFFu) | (t[i] & 0xFF000000u) : r;
    }
}

#ifdef QM_BLEND_X86

// ---------------------------------------------------------------------------------------------
// SSE2: 4 pixels per step. The opaque-target rule runs in 16-bit lanes (two pixels per register).
// The general rule runs planar: one 32-bit lane per pixel and one register per channel, so the
// per-pixel weights need no shuffling and three divisions serve four pixels.

inline __m128i div255Sse2(__m128i x) {
    return _mm_srli_epi16(_mm_mulhi_epu16(x, _mm_set1_epi16(short(0x8081))), 7);
}

// Each pixel's alpha (16-bit lanes 3 and 7) copied to its four lanes.
inline __m128i spreadAlphaSse2(__m128i px16) {
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(px16, 0xFF), 0xFF);
}

// One channel of four pixels (values 0..255 in 32-bit lanes): (sc*ws + tc*wt) / den.
inline __m128i channelSse2(__m128i sc, __m128i tc, __m128 ws, __m128 wt, __m128 den) {
    const __m128 num =
        _mm_add_ps(_mm_mul_ps(_mm_cvtepi32_ps(sc), ws), _mm_mul_ps(_mm_cvtepi32_ps(tc), wt));
    return _mm_cvttps_epi32(_mm_div_ps(num, den));
}

// The general rule for four pixels; a holds the effective source alphas (32-bit lanes).
// Lanes with a == 0 are garbage (0/0) and are replaced by the caller.
inline __m128i overGeneralSse2(__m128i sv, __m128i tv, __m128i a, bool keep) {
    const __m128i byte = _mm_set1_epi32(0xFF);
    const __m128 k255 = _mm_set1_ps(255.0f);
    const __m128 af = _mm_cvtepi32_ps(a);
    const __m128 df = _mm_cvtepi32_ps(_mm_srli_epi32(tv, 24));
    const __m128 ws = _mm_mul_ps(af, k255);
    const __m128 wt = _mm_mul_ps(_mm_sub_ps(k255, af), df);
    const __m128 den = _mm_add_ps(ws, wt);
    const __m128i r = channelSse2(_mm_and_si128(sv, byte), _mm_and_si128(tv, byte), ws, wt, den);
    const __m128i g = channelSse2(_mm_and_si128(_mm_srli_epi32(sv, 8), byte),
                                  _mm_and_si128(_mm_srli_epi32(tv, 8), byte), ws, wt, den);
    const __m128i b = channelSse2(_mm_and_si128(_mm_srli_epi32(sv, 16), byte),
                                  _mm_and_si128(_mm_srli_epi32(tv, 16), byte), ws, wt, den);
    // New alpha = den / 255 (den <= 65025 fits the 16-bit exact division; upper halves are 0).
    const __m128i outA =
        keep ? _mm_srli_epi32(tv, 24)
             : _mm_srli_epi32(_mm_mulhi_epu16(_mm_cvttps_epi32(den), _mm_set1_epi32(0x8081)), 7);
    return _mm_or_si128(_mm_or_si128(r, _mm_slli_epi32(g, 8)),
                        _mm_or_si128(_mm_slli_epi32(b, 16), _mm_slli_epi32(outA, 24)));
}

// The general rule where source and target have the same colour (or the source alpha is 0, which
// the caller handles): each channel is sc * den / den = sc, so only the alpha changes, to
// den / 255. Strokes mostly paint over their own earlier dabs, so this is the common case of a
// translucent dab. False (and r untouched) when some pixel's colours differ.
inline bool overSameColourSse2(__m128i sv, __m128i tv, __m128i a, __m128i aZero, bool keep,
                               __m128i& r) {
    const __m128i colour = _mm_set1_epi32(0x00FFFFFF);
    const __m128i same =
        _mm_cmpeq_epi32(_mm_and_si128(_mm_xor_si128(sv, tv), colour), _mm_setzero_si128());
    if (_mm_movemask_epi8(_mm_or_si128(same, aZero)) != 0xFFFF) return false;
    if (keep) {
        r = tv;
        return true;
    }
    // den = a*255 + (255-a)*d <= 65025: 16-bit products in the low half of each 32-bit lane.
    const __m128i k255 = _mm_set1_epi32(255);
    const __m128i d = _mm_srli_epi32(tv, 24);
    const __m128i den =
        _mm_add_epi32(_mm_mullo_epi16(a, k255), _mm_mullo_epi16(_mm_sub_epi32(k255, a), d));
    const __m128i outA = _mm_srli_epi32(_mm_mulhi_epu16(den, _mm_set1_epi32(0x8081)), 7);
    r = _mm_or_si128(_mm_and_si128(tv, colour), _mm_slli_epi32(outA, 24));
    return true;
}

void blendRowSse2(uint32_t* t, const uint32_t* s, size_t n, uint32_t opacity, bool keep) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i alphaMask = _mm_set1_epi32(int(0xFF000000u));
    const __m128i k255 = _mm_set1_epi16(255);
    const __m128i op = _mm_set1_epi16(short(opacity));
    const __m128i op32 = _mm_set1_epi32(int(opacity));
    const __m128i magic32 = _mm_set1_epi32(0x8081);
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i sA = _mm_and_si128(sv, alphaMask);
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(sA, zero)) == 0xFFFF) continue;
        __m128i* tp = reinterpret_cast<__m128i*>(t + i);
        const __m128i tv = _mm_loadu_si128(tp);
        if (opacity == 255 && _mm_movemask_epi8(_mm_cmpeq_epi32(sA, alphaMask)) == 0xFFFF) {
            _mm_storeu_si128(tp, keep ? _mm_or_si128(_mm_andnot_si128(alphaMask, sv),
                                                     _mm_and_si128(alphaMask, tv))
                                      : sv);
            continue;
        }
        const __m128i tA = _mm_and_si128(tv, alphaMask);
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(tA, alphaMask)) == 0xFFFF) {
            // Opaque target: (sc*a + tc*(255-a)) / 255, alpha 255. a == 0 gives tc back.
            const __m128i sLo = _mm_unpacklo_epi8(sv, zero);
            const __m128i sHi = _mm_unpackhi_epi8(sv, zero);
            __m128i aLo = spreadAlphaSse2(sLo);
            __m128i aHi = spreadAlphaSse2(sHi);
            if (opacity != 255) {
                aLo = div255Sse2(_mm_mullo_epi16(aLo, op));
                aHi = div255Sse2(_mm_mullo_epi16(aHi, op));
            }
            const __m128i tLo = _mm_unpacklo_epi8(tv, zero);
            const __m128i tHi = _mm_unpackhi_epi8(tv, zero);
            const __m128i xLo = _mm_add_epi16(_mm_mullo_epi16(sLo, aLo),
                                              _mm_mullo_epi16(tLo, _mm_sub_epi16(k255, aLo)));
            const __m128i xHi = _mm_add_epi16(_mm_mullo_epi16(sHi, aHi),
                                              _mm_mullo_epi16(tHi, _mm_sub_epi16(k255, aHi)));
            const __m128i r =
                _mm_or_si128(_mm_packus_epi16(div255Sse2(xLo), div255Sse2(xHi)), alphaMask);
            _mm_storeu_si128(tp, r);
            continue;
        }
        // Effective source alpha, one 32-bit lane per pixel: sa * opacity / 255 (the products
        // fit the low 16 bits of each lane, whose upper 16 bits stay 0).
        __m128i a = _mm_srli_epi32(sv, 24);
        if (opacity != 255)
            a = _mm_srli_epi32(_mm_mulhi_epu16(_mm_mullo_epi16(a, op32), magic32), 7);
        const __m128i aZero = _mm_cmpeq_epi32(a, zero);
        __m128i r;
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(tA, zero)) == 0xFFFF) {
            // Transparent target: the source colour with alpha a (or the target's 0).
            r = _mm_andnot_si128(alphaMask, sv);
            if (!keep) r = _mm_or_si128(r, _mm_slli_epi32(a, 24));
        } else if (!overSameColourSse2(sv, tv, a, aZero, keep, r)) {
            r = overGeneralSse2(sv, tv, a, keep);
        }
        // a == 0 keeps the target pixel.
        r = _mm_or_si128(_mm_andnot_si128(aZero, r), _mm_and_si128(aZero, tv));
        _mm_storeu_si128(tp, r);
    }
    blendRowScalar(t + i, s + i, n - i, opacity, keep);
}

// ---------------------------------------------------------------------------------------------
// AVX2: 8 pixels per step. The opaque-target rule runs in 16-bit lanes (unpack and pack work
// within each 128-bit half, and packing undoes the unpacking in the same order). The general rule
// runs planar: one 32-bit lane per pixel, one register per channel, so the per-pixel weights need
// no shuffling and three divisions serve eight pixels.

#define QM_AVX2 __attribute__((target("avx2")))

QM_AVX2 inline __m256i div255Avx2(__m256i x) {
    return _mm256_srli_epi16(_mm256_mulhi_epu16(x, _mm256_set1_epi16(short(0x8081))), 7);
}

// One channel of eight pixels (values 0..255 in 32-bit lanes): (sc*ws + tc*wt) / den.
QM_AVX2 inline __m256i channelAvx2(__m256i sc, __m256i tc, __m256 ws, __m256 wt, __m256 den) {
    const __m256 num = _mm256_add_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(sc), ws),
                                     _mm256_mul_ps(_mm256_cvtepi32_ps(tc), wt));
    return _mm256_cvttps_epi32(_mm256_div_ps(num, den));
}

// The general rule for eight pixels; a holds the effective source alphas (32-bit lanes).
// Lanes with a == 0 are garbage (0/0) and are replaced by the caller.
QM_AVX2 inline __m256i overGeneralAvx2(__m256i sv, __m256i tv, __m256i a, bool keep) {
    const __m256i byte = _mm256_set1_epi32(0xFF);
    const __m256 k255 = _mm256_set1_ps(255.0f);
    const __m256 af = _mm256_cvtepi32_ps(a);
    const __m256 df = _mm256_cvtepi32_ps(_mm256_srli_epi32(tv, 24));
    const __m256 ws = _mm256_mul_ps(af, k255);
    const __m256 wt = _mm256_mul_ps(_mm256_sub_ps(k255, af), df);
    const __m256 den = _mm256_add_ps(ws, wt);
    const __m256i r =
        channelAvx2(_mm256_and_si256(sv, byte), _mm256_and_si256(tv, byte), ws, wt, den);
    const __m256i g = channelAvx2(_mm256_and_si256(_mm256_srli_epi32(sv, 8), byte),
                                  _mm256_and_si256(_mm256_srli_epi32(tv, 8), byte), ws, wt, den);
    const __m256i b = channelAvx2(_mm256_and_si256(_mm256_srli_epi32(sv, 16), byte),
                                  _mm256_and_si256(_mm256_srli_epi32(tv, 16), byte), ws, wt, den);
    // New alpha = den / 255 (den <= 65025 fits the 16-bit exact division; upper halves are 0).
    const __m256i outA =
        keep ? _mm256_srli_epi32(tv, 24)
             : _mm256_srli_epi32(
                   _mm256_mulhi_epu16(_mm256_cvttps_epi32(den), _mm256_set1_epi32(0x8081)), 7);
    return _mm256_or_si256(_mm256_or_si256(r, _mm256_slli_epi32(g, 8)),
                           _mm256_or_si256(_mm256_slli_epi32(b, 16), _mm256_slli_epi32(outA, 24)));
}

// overSameColourSse2 for eight pixels.
QM_AVX2 inline bool overSameColourAvx2(__m256i sv, __m256i tv, __m256i a, __m256i aZero, bool keep,
                                       __m256i& r) {
    const __m256i colour = _mm256_set1_epi32(0x00FFFFFF);
    const __m256i same = _mm256_cmpeq_epi32(_mm256_and_si256(_mm256_xor_si256(sv, tv), colour),
                                            _mm256_setzero_si256());
    if (_mm256_movemask_epi8(_mm256_or_si256(same, aZero)) != -1) return false;
    if (keep) {
        r = tv;
        return true;
    }
    const __m256i k255 = _mm256_set1_epi32(255);
    const __m256i d = _mm256_srli_epi32(tv, 24);
    const __m256i den = _mm256_add_epi32(_mm256_mullo_epi16(a, k255),
                                         _mm256_mullo_epi16(_mm256_sub_epi32(k255, a), d));
    const __m256i outA = _mm256_srli_epi32(_mm256_mulhi_epu16(den, _mm256_set1_epi32(0x8081)), 7);
    r = _mm256_or_si256(_mm256_and_si256(tv, colour), _mm256_slli_epi32(outA, 24));
    return true;
}

QM_AVX2 void blendRowAvx2(uint32_t* t, const uint32_t* s, size_t n, uint32_t opacity, bool keep) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i alphaMask = _mm256_set1_epi32(int(0xFF000000u));
    const __m256i ones = _mm256_set1_epi8(-1);
    const __m256i bias = _mm256_set1_epi8(-128);
    const __m256i k32640 = _mm256_set1_epi16(32640);
    const __m256i spreadByte = _mm256_setr_epi8(0, 0, 0, 0, 4, 4, 4, 4, 8, 8, 8, 8, 12, 12, 12, 12,
                                                0, 0, 0, 0, 4, 4, 4, 4, 8, 8, 8, 8, 12, 12, 12, 12);
    const __m256i op32 = _mm256_set1_epi32(int(opacity));
    const __m256i magic32 = _mm256_set1_epi32(0x8081);
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i));
        if (_mm256_testz_si256(sv, alphaMask)) continue;  // every source alpha 0
        const __m256i sA = _mm256_and_si256(sv, alphaMask);
        __m256i* tp = reinterpret_cast<__m256i*>(t + i);
        const __m256i tv = _mm256_loadu_si256(tp);
        if (opacity == 255 && _mm256_movemask_epi8(_mm256_cmpeq_epi32(sA, alphaMask)) == -1) {
            _mm256_storeu_si256(tp, keep ? _mm256_blendv_epi8(sv, tv, alphaMask) : sv);
            continue;
        }
        // Effective source alpha, one 32-bit lane per pixel: sa * opacity / 255 (the products
        // fit the low 16 bits of each lane, whose upper 16 bits stay 0).
        __m256i a = _mm256_srli_epi32(sv, 24);
        if (opacity != 255)
            a = _mm256_srli_epi32(_mm256_mulhi_epu16(_mm256_mullo_epi16(a, op32), magic32), 7);
        const __m256i tA = _mm256_and_si256(tv, alphaMask);
        if (_mm256_movemask_epi8(_mm256_cmpeq_epi32(tA, alphaMask)) == -1) {
            // Opaque target: X = sc*a + tc*(255-a), channel = X / 255, alpha 255. One maddubs
            // per 16 channels computes a*(sc-128) + (255-a)*(tc-128) = X - 32640, which stays
            // within -32640..32385 (no saturation); a == 0 gives tc back.
            const __m256i a8 = _mm256_shuffle_epi8(a, spreadByte);  // a in each byte
            const __m256i ia8 = _mm256_xor_si256(a8, ones);         // 255 - a
            const __m256i sx = _mm256_xor_si256(sv, bias);          // sc - 128 as int8
            const __m256i tx = _mm256_xor_si256(tv, bias);
            const __m256i xLo = _mm256_add_epi16(
                _mm256_maddubs_epi16(_mm256_unpacklo_epi8(a8, ia8), _mm256_unpacklo_epi8(sx, tx)),
                k32640);
            const __m256i xHi = _mm256_add_epi16(
                _mm256_maddubs_epi16(_mm256_unpackhi_epi8(a8, ia8), _mm256_unpackhi_epi8(sx, tx)),
                k32640);
            const __m256i r =
                _mm256_or_si256(_mm256_packus_epi16(div255Avx2(xLo), div255Avx2(xHi)), alphaMask);
            _mm256_storeu_si256(tp, r);
            continue;
        }
        // Effective source alpha, one 32-bit lane per pixel: sa * opacity / 255 (the products
        // fit the low 16 bits of each lane, whose upper 16 bits stay 0).
        const __m256i aZero = _mm256_cmpeq_epi32(a, zero);
        __m256i r;
        if (_mm256_testz_si256(tv, alphaMask)) {
            // Transparent target: the source colour with alpha a (or the target's 0).
            r = _mm256_andnot_si256(alphaMask, sv);
            if (!keep) r = _mm256_or_si256(r, _mm256_slli_epi32(a, 24));
        } else if (!overSameColourAvx2(sv, tv, a, aZero, keep, r)) {
            r = overGeneralAvx2(sv, tv, a, keep);
        }
        // a == 0 keeps the target pixel.
        _mm256_storeu_si256(tp, _mm256_blendv_epi8(r, tv, aZero));
    }
    blendRowSse2(t + i, s + i, n - i, opacity, keep);
}

#undef QM_AVX2

bool cpuHasAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

#endif  // QM_BLEND_X86

BlendKernel detectKernel() {
#ifdef QM_BLEND_X86
    return cpuHasAvx2() ? BlendKernel::Avx2 : BlendKernel::Sse2;
#else
    return BlendKernel::Scalar;
#endif
}

}  // namespace

BlendKernel activeBlendKernel() {
    static const BlendKernel active = detectKernel();
    return active;
}

bool blendKernelAvailable(BlendKernel kernel) {
    switch (kernel) {
        case BlendKernel::Scalar:
            return true;
        case BlendKernel::Sse2:
            return activeBlendKernel() != BlendKernel::Scalar;
        case BlendKernel::Avx2:
            return activeBlendKernel() == BlendKernel::Avx2;
    }
    return false;
}

const char* blendKernelName(BlendKernel kernel) {
    switch (kernel) {
        case BlendKernel::Scalar:
            return "scalar";
        case BlendKernel::Sse2:
            return "sse2";
        case BlendKernel::Avx2:
            return "avx2";
    }
    return "?";
}

void blendRowOverWith(BlendKernel kernel, uint32_t* target, const uint32_t* source, size_t n,
                      uint32_t opacity, bool keepTargetAlpha) {
    opacity = std::min<uint32_t>(opacity, 255);
    if (opacity == 0 || n == 0) return;
    if (!blendKernelAvailable(kernel)) kernel = BlendKernel::Scalar;
    switch (kernel) {
#ifdef QM_BLEND_X86
        case BlendKernel::Avx2:
            blendRowAvx2(target, source, n, opacity, keepTargetAlpha);
            return;
        case BlendKernel::Sse2:
            blendRowSse2(target, source, n, opacity, keepTargetAlpha);
            return;
#endif
        default:
            blendRowScalar(target, source, n, opacity, keepTargetAlpha);
            return;
    }
}

void blendRowOver(uint32_t* target, const uint32_t* source, size_t n, uint32_t opacity,
                  bool keepTargetAlpha) {
    blendRowOverWith(activeBlendKernel(), target, source, n, opacity, keepTargetAlpha);
}

}  // namespace qm
