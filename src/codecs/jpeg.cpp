// Placeholder until the jpeg codec lands.
#include "codecs/codecs.h"

namespace qm {

std::optional<Image> decodeJpeg(std::span<const uint8_t>, std::string& error) {
    error = "jpeg images cannot be read yet";
    return std::nullopt;
}

}  // namespace qm

namespace qm {
bool encodeJpeg(const Image&, int, std::vector<uint8_t>&, std::string& error) {
    error = "not yet";
    return false;
}
int jpegQualityFromScale(int q) { return q * 10; }
}  // namespace qm
