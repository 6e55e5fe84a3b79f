// Placeholder until the tiff codec lands.
#include "codecs/codecs.h"

namespace qm {

std::optional<Image> decodeTiff(std::span<const uint8_t>, std::string& error) {
    error = "tiff images cannot be read yet";
    return std::nullopt;
}

}  // namespace qm
