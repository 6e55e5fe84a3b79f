// Placeholder until the tga codec lands.
#include "codecs/codecs.h"

namespace qm {

std::optional<Image> decodeTga(std::span<const uint8_t>, std::string& error) {
    error = "tga images cannot be read yet";
    return std::nullopt;
}

}  // namespace qm
