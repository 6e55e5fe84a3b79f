// Placeholder until the bmp codec lands.
#include "codecs/codecs.h"

namespace qm {

std::optional<Image> decodeBmp(std::span<const uint8_t>, std::string& error) {
    error = "bmp images cannot be read yet";
    return std::nullopt;
}

}  // namespace qm

namespace qm {
bool encodeBmp(const Image&, std::vector<uint8_t>&, std::string& error) {
    error = "not yet";
    return false;
}
}  // namespace qm
