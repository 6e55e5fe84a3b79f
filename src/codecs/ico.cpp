// Placeholder until the ico codec lands.
#include "codecs/codecs.h"

namespace qm {

std::optional<Image> decodeIco(std::span<const uint8_t>, std::string& error) {
    error = "ico images cannot be read yet";
    return std::nullopt;
}

}  // namespace qm
