// Feeds arbitrary bytes to the BMP reader: it must fail cleanly or give a well-formed image.
#include <cstdlib>

#include "codecs/codecs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string error;
    auto img = qm::decodeBmp({data, size}, error);
    if (img && (!qm::imageSizeAllowed(img->width, img->height) ||
                img->pixels.size() != size_t(img->width) * size_t(img->height)))
        std::abort();
    if (!img && error.empty()) std::abort();
    return 0;
}
