// Format detection, and loading and saving image files: the bytes are read and written by
// platform/ (bounded mapped reads, atomic replacing writes), the formats are decoded and encoded
// here.
#include <cctype>
#include <new>

#include "codecs/codecs.h"
#include "platform/file_bytes.h"
#include "platform/file_writer.h"
#include "platform/paths.h"

namespace qm {
namespace {

// The largest file loadImageFile reads; no image the program handles comes close.
constexpr uint64_t kMaxImageFileBytes = uint64_t(512) << 20;

uint16_t u16le(std::span<const uint8_t> d, size_t at) {
    return uint16_t(d[at] | d[at + 1] << 8);
}
uint32_t u32le(std::span<const uint8_t> d, size_t at) {
    return uint32_t(d[at]) | uint32_t(d[at + 1]) << 8 | uint32_t(d[at + 2]) << 16 |
           uint32_t(d[at + 3]) << 24;
}

bool startsWith(std::span<const uint8_t> d, std::initializer_list<uint8_t> bytes) {
    if (d.size() < bytes.size()) return false;
    size_t i = 0;
    for (uint8_t b : bytes)
        if (d[i++] != b) return false;
    return true;
}

bool hasTgaExtension(const std::string& name) {
    if (name.size() < 4) return false;
    std::string ext = name.substr(name.size() - 4);
    for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".tga";
}

// A clipboard DIB: a bitmap info header without the "BM" file header in front.
bool looksLikeBareDib(std::span<const uint8_t> d) {
    if (d.size() < 16) return false;
    const uint32_t headerSize = u32le(d, 0);
    if (headerSize == 12) return u16le(d, 8) == 1;  // OS/2 core header: planes
    const bool known = headerSize == 40 || headerSize == 52 || headerSize == 56 ||
                       headerSize == 64 || headerSize == 108 || headerSize == 124;
    return known && u16le(d, 12) == 1;
}

// TGA has no signature. Without the hint the 18-byte header must be consistent throughout;
// with a ".tga" name, a known image type and sane sizes are enough.
bool looksLikeTga(std::span<const uint8_t> d, bool nameSaysTga) {
    if (d.size() < 18) return false;
    const uint8_t mapType = d[1], type = d[2], mapBits = d[7], depth = d[16];
    const uint16_t width = u16le(d, 12), height = u16le(d, 14);
    const bool mapped = type == 1 || type == 9;
    const bool trueColour = type == 2 || type == 10;
    const bool grey = type == 3 || type == 11;
    if (!mapped && !trueColour && !grey) return false;
    if (mapType > 1 || width == 0 || height == 0) return false;
    if (nameSaysTga) return true;
    if (mapped && (mapType != 1 || (depth != 8 && depth != 16))) return false;
    if (mapType == 1 && mapBits != 15 && mapBits != 16 && mapBits != 24 && mapBits != 32)
        return false;
    if (trueColour && depth != 15 && depth != 16 && depth != 24 && depth != 32) return false;
    if (grey && depth != 8 && depth != 16) return false;
    return (d[17] & 0xC0) == 0;  // interleaving was never used
}

}  // namespace

ImageFormat sniffImageFormat(std::span<const uint8_t> data, const std::string& nameHint) {
    // "\x89PNG" alone is enough: a damaged rest of the signature should be reported as such.
    if (startsWith(data, {0x89, 'P', 'N', 'G'})) return ImageFormat::Png;
    if (startsWith(data, {0xFF, 0xD8, 0xFF})) return ImageFormat::Jpeg;
    if (startsWith(data, {'I', 'I', 42, 0}) || startsWith(data, {'M', 'M', 0, 42}) ||
        startsWith(data, {'I', 'I', 43, 0}) || startsWith(data, {'M', 'M', 0, 43}))
        return ImageFormat::Tiff;
    if (startsWith(data, {'B', 'M'}) || startsWith(data, {'B', 'A'})) return ImageFormat::Bmp;
    // ICO (type 1) and CUR (type 2) with at least one entry.
    if ((startsWith(data, {0, 0, 1, 0}) || startsWith(data, {0, 0, 2, 0})) && data.size() >= 6 &&
        u16le(data, 4) > 0)
        return ImageFormat::Ico;
    const bool nameSaysTga = hasTgaExtension(nameHint);
    if (nameSaysTga && looksLikeTga(data, true)) return ImageFormat::Tga;
    if (looksLikeBareDib(data)) return ImageFormat::Bmp;
    if (looksLikeTga(data, false)) return ImageFormat::Tga;
    return ImageFormat::Unknown;
}

std::optional<Image> decodeImage(std::span<const uint8_t> data, std::string& error,
                                 const std::string& nameHint) {
    switch (sniffImageFormat(data, nameHint)) {
        case ImageFormat::Png:
            return decodePng(data, error);
        case ImageFormat::Jpeg:
            return decodeJpeg(data, error);
        case ImageFormat::Tiff:
            return decodeTiff(data, error);
        case ImageFormat::Bmp:
            return decodeBmp(data, error);
        case ImageFormat::Tga:
            return decodeTga(data, error);
        case ImageFormat::Ico:
            return decodeIco(data, error);
        case ImageFormat::Unknown:
            break;
    }
    // A file named .tga that fails even the loose header check gets the TGA reader's reason.
    if (hasTgaExtension(nameHint)) return decodeTga(data, error);
    error = data.empty() ? "the file is empty" : "unknown or unsupported image format";
    return std::nullopt;
}

std::optional<Image> loadImageFile(const std::string& path, std::string& error) {
    // Read whole first (file_bytes.h): a file shortened meanwhile gives a message, not a fault.
    const std::optional<FileBytes> file = FileBytes::open(path, kMaxImageFileBytes, error);
    if (!file) return std::nullopt;
    std::string why;
    std::optional<Image> img = decodeImage(file->bytes(), why, fileName(path));
    if (!img) error = "Cannot load \"" + path + "\": " + why;
    return img;
}

std::optional<TiledImage> decodeImageTiles(std::span<const uint8_t> data, std::string& error,
                                           const std::string& nameHint) {
    if (sniffImageFormat(data, nameHint) == ImageFormat::Png) return decodePngTiles(data, error);
    std::optional<Image> image = decodeImage(data, error, nameHint);
    if (!image) return std::nullopt;
    try {
        return tiledFrom(*image);
    } catch (const std::bad_alloc&) {
        error = "not enough memory for an image of " + std::to_string(image->width) + " x " +
                std::to_string(image->height);
        return std::nullopt;
    }
}

std::optional<TiledImage> loadImageFileTiles(const std::string& path, std::string& error) {
    const std::optional<FileBytes> file = FileBytes::open(path, kMaxImageFileBytes, error);
    if (!file) return std::nullopt;
    std::string why;
    std::optional<TiledImage> image = decodeImageTiles(file->bytes(), why, fileName(path));
    if (!image) error = "Cannot load \"" + path + "\": " + why;
    return image;
}

bool savePngFile(const Image& img, const std::string& path, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!encodePng(img, bytes, error)) return false;
    return writeFileAtomically(path, bytes, error);
}

bool saveJpegFile(const Image& img, const std::string& path, int quality0to10, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!encodeJpeg(img, quality0to10, bytes, error)) return false;
    return writeFileAtomically(path, bytes, error);
}

bool saveBmpFile(const Image& img, const std::string& path, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!encodeBmp(img, bytes, error)) return false;
    return writeFileAtomically(path, bytes, error);
}

}  // namespace qm
