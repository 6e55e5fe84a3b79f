// The raster image of the program and its colour helpers.
//
// Pixel format: one uint32_t per pixel, R | G<<8 | B<<16 | A<<24, straight (not premultiplied)
// alpha, rows top to bottom without padding. On a little-endian machine this is byte order
// R, G, B, A. A transparent pixel has all four channels 0.
//
// A 24-bit image stores its pixels the same way; it has no alpha channel of its own, so its
// alpha byte is kept at 255 by everything that creates or writes it, and it draws as opaque.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace qm {

constexpr uint32_t rgba(uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
    return r | (g << 8) | (b << 16) | (a << 24);
}
constexpr uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) {
    return r | (g << 8) | (b << 16);
}
constexpr uint32_t red(uint32_t c) {
    return c & 0xFFu;
}
constexpr uint32_t green(uint32_t c) {
    return (c >> 8) & 0xFFu;
}
constexpr uint32_t blue(uint32_t c) {
    return (c >> 16) & 0xFFu;
}
constexpr uint32_t alpha(uint32_t c) {
    return c >> 24;
}

// Files and callers may ask for any size; nothing larger than this is ever allocated.
constexpr int kMaxImageSide = 32767;
constexpr int64_t kMaxImagePixels = int64_t(1) << 28;

// True when w x h is a size an image may have (both sides 1..kMaxImageSide, area within limit).
constexpr bool imageSizeAllowed(int64_t w, int64_t h) {
    return w >= 1 && h >= 1 && w <= kMaxImageSide && h <= kMaxImageSide && w * h <= kMaxImagePixels;
}

// A zeroed block of `bytes`; throws std::bad_alloc when the system has no memory for it.
void* allocateZeroed(size_t bytes);
// Gives back a block of allocateZeroed; `bytes` is the size it was asked for.
void releaseZeroed(void* p, size_t bytes) noexcept;

// Pixel storage comes zeroed: calloc for small blocks, the buffer pool for large ones (a fresh
// mapping, or a kept block cleared by writing when it is reused). A fresh transparent image on a
// fresh block is therefore never written: its pages cost what the system charges for untouched
// memory (nothing on some kernels, a page each as soon as it is read on others).
//
// Value-initialisation (resize(n), vector(n)) does not write a zero: the new elements are zero
// because the memory came zeroed. This holds for every element that fits in a fresh allocation.
// It would not hold for elements re-grown by resize within the capacity after the vector was
// shrunk (old values would show through), so pixel vectors are never shrunk and then resized
// in place: an image of another size is a new image. An explicit value, zero included (as in
// assign(n, 0) or a copied element), is always written.
template <typename T>
struct ZeroedAllocator {
    static_assert(std::is_arithmetic_v<T>, "elements that are all zero bits when zero");
    using value_type = T;

    ZeroedAllocator() noexcept = default;
    template <typename U>
    ZeroedAllocator(const ZeroedAllocator<U>&) noexcept {}

    T* allocate(size_t count) {
        if (count > size_t(-1) / sizeof(T)) throw std::bad_array_new_length();
        return static_cast<T*>(allocateZeroed(count * sizeof(T)));
    }
    void deallocate(T* p, size_t count) noexcept { releaseZeroed(p, count * sizeof(T)); }

    // Value-initialisation: the element is already zero.
    template <typename U>
    void construct(U*) noexcept {}
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }

    friend bool operator==(const ZeroedAllocator&, const ZeroedAllocator&) noexcept { return true; }
};

using PixelVector = std::vector<uint32_t, ZeroedAllocator<uint32_t>>;

// Pixels compare with plain vectors of colours element by element (tests and callers that keep
// colours in a std::vector).
inline bool operator==(const PixelVector& a, const std::vector<uint32_t>& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

struct Image {
    int width = 0;
    int height = 0;
    int depth = 32;  // 24 or 32
    PixelVector pixels;

    Image() = default;
    // A copy writes only the blocks of pixels that are not zero (copyNonZeroBlocks): the
    // transparent parts of a fresh copy stay as the zeroed memory has them.
    Image(const Image& other);
    // Into an image of the same size the pixels are copied in place; otherwise as a fresh copy.
    Image& operator=(const Image& other);
    Image(Image&&) noexcept = default;
    Image& operator=(Image&&) noexcept = default;

    bool empty() const { return width <= 0 || height <= 0; }
    bool hasAlpha() const { return depth == 32; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    uint32_t* row(int y) { return pixels.data() + size_t(y) * size_t(width); }
    const uint32_t* row(int y) const { return pixels.data() + size_t(y) * size_t(width); }
    uint32_t& at(int x, int y) { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    uint32_t at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

// Copies `count` pixels from `from` to `to`, which holds zeros, by blocks of one page
// (kZeroSkipBlock pixels, counted from `to`): a block that is all zero in `from` is not written.
constexpr size_t kZeroSkipBlock = 4096 / sizeof(uint32_t);
void copyNonZeroBlocks(const uint32_t* from, uint32_t* to, size_t count);

// A w x h image: 32-bit with every channel 0, or 24-bit black (alpha byte 255).
// nullopt when the size is not allowed (see imageSizeAllowed) or when memory runs out; the
// caller tells the user. A 32-bit image's pixels are not written here (see ZeroedAllocator).
std::optional<Image> createImage(int width, int height, int depth = 32);

// Why a size was refused, for messages: "image size W x H exceeds the limit ..." or similar.
std::string imageSizeError(int64_t width, int64_t height);

}  // namespace qm
