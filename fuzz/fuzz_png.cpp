// Fuzz target: the PNG decoder must reject or decode any input without crashing, hanging or
// allocating without bound.
#include <cstddef>
#include <cstdint>

#include "codecs/codecs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string error;
    (void)qm::decodePng(std::span<const uint8_t>(data, size), error);
    return 0;
}
