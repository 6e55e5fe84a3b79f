// Fuzz target: format detection and every decoder behind decodeImage. The first byte picks the
// name hint (with or without ".tga"), so the TGA guess is exercised both ways. A decoded image
// that is small enough is also saved as PNG and read back, which must give the same pixels.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "codecs/codecs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const std::string hint = (data[0] & 1) ? "input.tga" : "input";
    std::string error;
    std::optional<qm::Image> img =
        qm::decodeImage(std::span<const uint8_t>(data + 1, size - 1), error, hint);
    if (!img || int64_t(img->width) * img->height > 1 << 20) return 0;

    std::vector<uint8_t> png;
    if (!qm::encodePng(*img, png, error)) std::abort();
    std::optional<qm::Image> back = qm::decodePng(png, error);
    if (!back || back->pixels != img->pixels) std::abort();
    return 0;
}
