#include "raster/image.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "raster/buffer_pool.h"

namespace qm {
namespace {

#if defined(__SANITIZE_ADDRESS__)
#define QM_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QM_ADDRESS_SANITIZER 1
#endif
#endif

// Blocks from this size on come from the buffer pool, which keeps the blocks given back and
// clears one by writing only when it is reused: a fresh block is a mapping, zero and untouched
// until painted, and a reused one is warm memory, which costs far less to clear than fresh pages
// cost to touch on machines where a first touch is expensive. Smaller blocks come from calloc.
// Under AddressSanitizer every block comes from its calloc, which guards the ends of each block.
#ifdef QM_ADDRESS_SANITIZER
constexpr size_t kPooledBytes = size_t(-1);
#else
constexpr size_t kPooledBytes = size_t(64) << 10;
#endif

}  // namespace

void* allocateZeroed(size_t bytes) {
    if (bytes >= kPooledBytes) return takeZeroedBlock(bytes);
    void* p = std::calloc(bytes ? bytes : 1, 1);
    if (!p) throw std::bad_alloc();
    return p;
}

void releaseZeroed(void* p, size_t bytes) noexcept {
    if (!p) return;
    if (bytes >= kPooledBytes)
        giveZeroedBlock(p, bytes);
    else
        std::free(p);
}

void copyNonZeroBlocks(const uint32_t* from, uint32_t* to, size_t count) {
    for (size_t start = 0; start < count; start += kZeroSkipBlock) {
        const size_t n = std::min(kZeroSkipBlock, count - start);
        const uint32_t* block = from + start;
        if (std::any_of(block, block + n, [](uint32_t p) { return p != 0; }))
            std::memcpy(to + start, block, n * sizeof(uint32_t));
    }
}

Image::Image(const Image& other) : width(other.width), height(other.height), depth(other.depth) {
    pixels.resize(other.pixels.size());  // zero, not written
    copyNonZeroBlocks(other.pixels.data(), pixels.data(), pixels.size());
}

Image& Image::operator=(const Image& other) {
    if (this == &other) return *this;
    if (pixels.size() == other.pixels.size()) {
        std::copy(other.pixels.begin(), other.pixels.end(), pixels.begin());
        width = other.width;
        height = other.height;
        depth = other.depth;
        return *this;
    }
    return *this = Image(other);
}

std::optional<Image> createImage(int width, int height, int depth) {
    if (!imageSizeAllowed(width, height) || (depth != 24 && depth != 32)) return std::nullopt;
    Image img;
    img.width = width;
    img.height = height;
    img.depth = depth;
    const size_t count = size_t(width) * size_t(height);
    try {
        if (depth == 24)
            img.pixels.assign(count, 0xFF000000u);
        else
            img.pixels.resize(count);  // zero without a write: see ZeroedAllocator
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    return img;
}

std::string imageSizeError(int64_t width, int64_t height) {
    if (width < 1 || height < 1)
        return "invalid image size " + std::to_string(width) + " x " + std::to_string(height);
    return "image size " + std::to_string(width) + " x " + std::to_string(height) +
           " exceeds the limit of " + std::to_string(kMaxImageSide) + " pixels per side and " +
           std::to_string(kMaxImagePixels) + " pixels in all";
}

}  // namespace qm
