// Placeholder until the png codec lands.
#include "codecs/codecs.h"

namespace qm {

std::optional<Image> decodePng(std::span<const uint8_t>, std::string& error) {
    error = "png images cannot be read yet";
    return std::nullopt;
}

}  // namespace qm

namespace qm {
bool encodePng(const Image&, std::vector<uint8_t>&, std::string& error) {
    error = "not yet";
    return false;
}
}  // namespace qm
