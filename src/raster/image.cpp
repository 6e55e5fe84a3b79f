#include "raster/image.h"

namespace qm {

std::optional<Image> createImage(int width, int height, int depth) {
    if (!imageSizeAllowed(width, height) || (depth != 24 && depth != 32)) return std::nullopt;
    Image img;
    img.width = width;
    img.height = height;
    img.depth = depth;
    img.pixels.assign(size_t(width) * size_t(height), depth == 24 ? 0xFF000000u : 0u);
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
