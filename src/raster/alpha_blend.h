// Row kernels of the "over" rule (DrawMode::AlphaBlend and AlphaClip). Pixel format as in
// raster/image.h: R | G<<8 | B<<16 | A<<24, straight alpha, 32 bits per pixel.
//
// Every kernel gives, for every input, exactly the bits of overPixel (raster/draw_mode.h); the
// SIMD ones only reorganise the same integer formula:
// - a transparent source pixel (a == 0) leaves the target as it is, and runs of them are skipped;
// - an opaque source at opacity 255 is a copy;
// - onto an opaque target (d == 255) the rule is channel = (sc*a + tc*(255-a)) / 255, alpha 255,
//   computed in 16-bit lanes with an exact division by 255;
// - for any other target alpha the division by (255-a)*d + a*255 is done in single-precision
//   floats: numerator (< 2^24) and denominator (<= 65025) are exact there, and a non-integer
//   quotient lies at least 1/65025 > 2^-16 away from an integer, more than the rounding error
//   of one IEEE division of a value below 256, so truncating the float quotient is exact;
// - where each source pixel of a block is transparent or has the colour of the target pixel
//   under it (a stroke painting over its own dabs), each channel is sc * den / den = sc: the
//   colour stays and only the alpha is computed, with no division.
// A disabled test (AlphaBlendKernels.DISABLED_ExhaustiveChannelsAndAlphas) checks every
// (source alpha, target alpha, source channel, target channel); run it after changing a kernel.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qm {

enum class BlendKernel {
    Scalar,  // overPixel per pixel
    Sse2,    // 4 pixels per step; every x86-64 processor has it
    Avx2,    // 8 pixels per step; chosen at run time when the processor has it
};

// Draws n source pixels over n target pixels with the constant opacity (0..255, clamped).
// With keepTargetAlpha the target alpha stays as it was (DrawMode::AlphaClip). The two rows must
// not overlap. Uses the fastest kernel of this processor.
void blendRowOver(uint32_t* target, const uint32_t* source, size_t n, uint32_t opacity,
                  bool keepTargetAlpha = false);

// The kernel blendRowOver uses here, and whether another one can run (for tests and benchmarks).
BlendKernel activeBlendKernel();
bool blendKernelAvailable(BlendKernel kernel);
const char* blendKernelName(BlendKernel kernel);

// blendRowOver with a chosen kernel; an unavailable one falls back to Scalar.
void blendRowOverWith(BlendKernel kernel, uint32_t* target, const uint32_t* source, size_t n,
                      uint32_t opacity, bool keepTargetAlpha = false);

// Exact x / 255 for every 16-bit x, as the kernels compute it: (x * 0x8081) >> 23.
constexpr uint32_t div255(uint32_t x) {
    return (x * 0x8081u) >> 23;
}

}  // namespace qm
