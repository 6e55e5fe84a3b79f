// Placeholder until format detection and file saving land.
#include "codecs/codecs.h"

namespace qm {
ImageFormat sniffImageFormat(std::span<const uint8_t>, const std::string&) { return ImageFormat::Unknown; }
std::optional<Image> decodeImage(std::span<const uint8_t>, std::string& error, const std::string&) {
    error = "not yet";
    return std::nullopt;
}
std::optional<Image> loadImageFile(const std::string&, std::string& error) {
    error = "not yet";
    return std::nullopt;
}
bool savePngFile(const Image&, const std::string&, std::string& error) { error = "not yet"; return false; }
bool saveJpegFile(const Image&, const std::string&, int, std::string& error) { error = "not yet"; return false; }
bool saveBmpFile(const Image&, const std::string&, std::string& error) { error = "not yet"; return false; }
}  // namespace qm
