#include "raster/image.h"

#include <sys/mman.h>

#include <cstdlib>

namespace qm {
namespace {

// Blocks from this size on are mapped directly: the mapping is zero and untouched whatever the
// allocator's state, whereas calloc may hand back reused heap memory and clear it by writing.
constexpr size_t kMappedBytes = size_t(1) << 20;

}  // namespace

void* allocateZeroed(size_t bytes) {
    if (bytes >= kMappedBytes) {
        void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) throw std::bad_alloc();
        return p;
    }
    void* p = std::calloc(bytes ? bytes : 1, 1);
    if (!p) throw std::bad_alloc();
    return p;
}

void releaseZeroed(void* p, size_t bytes) noexcept {
    if (!p) return;
    if (bytes >= kMappedBytes)
        munmap(p, bytes);
    else
        std::free(p);
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
