// The fifteen blend modes of a layer: one table of index, combo-box name, display backdrop and
// per-pixel rule, the plain reference arithmetic of every rule, and the row kernels the
// compositor runs.
//
// Pixel format as in raster/image.h: R | G<<8 | B<<16 | A<<24, straight alpha, 32 bits per pixel.
// s is the pixel of a layer's display image, t the pixel already on the canvas below it.
//
// Every rule but Normal and Dissolve keeps the target's alpha, and every blend function works
// on red, green and blue separately with integer arithmetic whose divisions truncate. The fast
// kernels (blendRow, dissolveRow) give exactly the bits of the references (blendPixel,
// dissolvePixel) for every input; a test compares them on every channel pair.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace qm {

constexpr int kBlendModeCount = 15;

// What happens to a target pixel, per mode.
enum class BlendRule : uint8_t {
    Over,        // alpha blending with the layer's opacity (Normal)
    Multiply,    // sc*tc/255
    Add,         // a colour dodge: min(tc*255/(255-sc), 255), see addChannel
    Screen,      // 255 - (255-sc)*(255-tc)/255
    Overlay,     // Multiply or Screen at double strength, chosen by the target
    Xor,         // colour bits XOR the display pixel's; no alpha is used (Invert)
    ColorBurn,   // max(255 - (255-tc)*255/sc, 0)
    Dissolve,    // a display pixel lands whole or not at all, by a fixed noise
    Difference,  // |tc - sc|
    Exclusion,   // tc + sc - 2*tc*sc/255
    Lighten,     // max(sc, tc)
    Darken,      // min(sc, tc)
    HardLight,   // Overlay chosen by the source
    ColorLight,  // max(255 - (255-sc)*255/tc, 0), laid over the target by the source alpha
};

struct BlendMode {
    int index;          // the layer's Blendmode and the combo row
    const char* name;   // the combo-box text
    bool hasBackdrop;   // the display image starts as an opaque `backdrop` fill
    uint32_t backdrop;  // opaque colour that leaves the target (nearly) unchanged
    BlendRule rule;
};

// The table in index order (the order of the blend combo box).
const std::array<BlendMode, kBlendModeCount>& blendModes();
// The mode of a Blendmode value. A value outside 0..14 (a damaged file) composes as Normal.
const BlendMode& blendMode(int index);

// --- Reference arithmetic of one channel (sc, tc in 0..255; the result is in 0..255) -------
// sc*tc/255
uint32_t multiplyChannel(uint32_t sc, uint32_t tc);
// tc >= 255: 255; sc < 255: min(tc*255/(255-sc), 255); else tc == 0 ? 0 : 255
uint32_t addChannel(uint32_t sc, uint32_t tc);
// 255 - (255-sc)*(255-tc)/255
uint32_t screenChannel(uint32_t sc, uint32_t tc);
// tc < 128: 2*tc*sc/255; else 255 - 2*(255-tc)*(255-sc)/255 (also ClearLight)
uint32_t overlayChannel(uint32_t sc, uint32_t tc);
// sc <= 0: 0; else max(255 - (255-tc)*255/sc, 0)
uint32_t colorBurnChannel(uint32_t sc, uint32_t tc);
// |tc - sc|
uint32_t differenceChannel(uint32_t sc, uint32_t tc);
// tc + sc - 2*tc*sc/255
uint32_t exclusionChannel(uint32_t sc, uint32_t tc);
// max(sc, tc)
uint32_t lightenChannel(uint32_t sc, uint32_t tc);
// min(sc, tc)
uint32_t darkenChannel(uint32_t sc, uint32_t tc);
// sc < 128: 2*sc*tc/255; else 255 - 2*(255-sc)*(255-tc)/255
uint32_t hardLightChannel(uint32_t sc, uint32_t tc);
// tc <= 0: 0; else max(255 - (255-sc)*255/tc, 0)
uint32_t colorLightChannel(uint32_t sc, uint32_t tc);

// --- Reference of one pixel ----------------------------------------------------------------
// The new target of every mode but Dissolve. Normal is overPixel(s, t, opacity); Invert is
// t XOR the colour of s with t's alpha; ColorLight is its channel result laid "over" t with the
// alpha of s, keeping t's alpha; the other modes apply their channel function to red, green
// and blue and keep t's alpha. Only Normal uses the opacity.
uint32_t blendPixel(int mode, uint32_t s, uint32_t t, uint32_t opacity = 255);

// Dissolve: with a = alpha(s) * opacity / 255, the pixel lands whole (overPixel at alpha 255,
// which makes the target the colour of s at alpha 255) when noise < a, else t stays.
uint32_t dissolvePixel(uint32_t s, uint32_t t, uint32_t opacity, uint32_t noise);
// The dissolve noise of a document pixel: 0..254, fixed for the pixel, evenly spread. An alpha
// of 255 therefore always lands and an alpha of 0 never does. A stateless integer hash, so the
// pattern belongs to the document pixel and not to the order or region of drawing; inline, so
// a row of it vectorises.
inline uint32_t dissolveNoise(int docX, int docY) {
    uint32_t h = uint32_t(docX) * 0x9E3779B1u ^ (uint32_t(docY) + 0x7F4A7C15u) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return ((h >> 16) * 255) >> 16;  // 0..254
}

// --- Row kernels ---------------------------------------------------------------------------
// Draws n display pixels over n target pixels in `mode` (any mode but Dissolve), exactly as
// blendPixel would pixel by pixel. The rows must not overlap. opacity is clamped to 0..255.
void blendRow(int mode, uint32_t* target, const uint32_t* source, size_t n, uint32_t opacity);
// The same through blendPixel only (for tests and benchmarks).
void blendRowReference(int mode, uint32_t* target, const uint32_t* source, size_t n,
                       uint32_t opacity);
// blendRow with everything about the mode settled once, for callers that draw many short rows
// of one layer: calling it gives exactly the bits of blendRow(mode, ...).
using BlendRowFunction = void (*)(uint32_t* target, const uint32_t* source, size_t n,
                                  uint32_t opacity);
BlendRowFunction blendRowFunction(int mode);
// dissolveNoise(docX[i], docY) for i < n, into noise[i].
void dissolveNoiseRow(const int* docX, int docY, uint8_t* noise, size_t n);
// Dissolve of a row, with one noise value per pixel.
void dissolveRow(uint32_t* target, const uint32_t* source, const uint8_t* noise, size_t n,
                 uint32_t opacity);

}  // namespace qm
