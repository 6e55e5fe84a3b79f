// The raster image of the program and its colour helpers.
//
// Pixel format: one uint32_t per pixel, R | G<<8 | B<<16 | A<<24, straight (not premultiplied)
// alpha, rows top to bottom without padding. On a little-endian machine this is byte order
// R, G, B, A. A transparent pixel has all four channels 0.
//
// A 24-bit image stores its pixels the same way; it has no alpha channel of its own, so its
// alpha byte is kept at 255 by everything that creates or writes it, and it draws as opaque.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qm {

constexpr uint32_t rgba(uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
    return r | (g << 8) | (b << 16) | (a << 24);
}
constexpr uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) { return r | (g << 8) | (b << 16); }
constexpr uint32_t red(uint32_t c) { return c & 0xFFu; }
constexpr uint32_t green(uint32_t c) { return (c >> 8) & 0xFFu; }
constexpr uint32_t blue(uint32_t c) { return (c >> 16) & 0xFFu; }
constexpr uint32_t alpha(uint32_t c) { return c >> 24; }

// Files and callers may ask for any size; nothing larger than this is ever allocated.
constexpr int kMaxImageSide = 32767;
constexpr int64_t kMaxImagePixels = int64_t(1) << 28;

// True when w x h is a size an image may have (both sides 1..kMaxImageSide, area within limit).
constexpr bool imageSizeAllowed(int64_t w, int64_t h) {
    return w >= 1 && h >= 1 && w <= kMaxImageSide && h <= kMaxImageSide && w * h <= kMaxImagePixels;
}

struct Image {
    int width = 0;
    int height = 0;
    int depth = 32;  // 24 or 32
    std::vector<uint32_t> pixels;

    bool empty() const { return width <= 0 || height <= 0; }
    bool hasAlpha() const { return depth == 32; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    uint32_t* row(int y) { return pixels.data() + size_t(y) * size_t(width); }
    const uint32_t* row(int y) const { return pixels.data() + size_t(y) * size_t(width); }
    uint32_t& at(int x, int y) { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    uint32_t at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

// A w x h image: 32-bit with every channel 0, or 24-bit black (alpha byte 255).
// nullopt when the size is not allowed (see imageSizeAllowed).
std::optional<Image> createImage(int width, int height, int depth = 32);

// Why a size was refused, for messages: "image size W x H exceeds the limit ..." or similar.
std::string imageSizeError(int64_t width, int64_t height);

}  // namespace qm
