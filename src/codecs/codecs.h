// Reading and writing image files. Everything decodes to a 32-bit qm::Image (straight alpha);
// formats without alpha give opaque pixels. A failure returns nullopt / false with a reason in
// `error` that can be shown to the user as it is. No codec trusts a size, offset or count from
// the file: sizes above the image limits of raster/image.h are refused, reads are bounded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "raster/image.h"
#include "raster/tiled_image.h"

namespace qm {

class EncodedBytes;

enum class ImageFormat { Unknown, Png, Jpeg, Tiff, Bmp, Tga, Ico };

// Recognises a format from the first bytes; TGA, which has no signature, is recognised from a
// plausible header only, and a file name ending in ".tga" (case-insensitive) tips the balance.
ImageFormat sniffImageFormat(std::span<const uint8_t> data, const std::string& nameHint = {});

// Decoders for one format each.
std::optional<Image> decodePng(std::span<const uint8_t> data, std::string& error);
std::optional<Image> decodeJpeg(std::span<const uint8_t> data, std::string& error);
std::optional<Image> decodeTiff(std::span<const uint8_t> data, std::string& error);
std::optional<Image> decodeBmp(std::span<const uint8_t> data, std::string& error);
std::optional<Image> decodeTga(std::span<const uint8_t> data, std::string& error);
std::optional<Image> decodeIco(std::span<const uint8_t> data, std::string& error);

// Any supported format, by content (nameHint helps only for TGA).
std::optional<Image> decodeImage(std::span<const uint8_t> data, std::string& error,
                                 const std::string& nameHint = {});
// Reads the file at (the resolution of) `path`, at most 512 MB, and decodes it.
std::optional<Image> loadImageFile(const std::string& path, std::string& error);

// The same images and messages as above, as tiles: equal to TiledImage::assign of what those
// give, tiles that are all 0 missing. PNG is decoded straight into the tiles, 64 rows at a time
// (the inflated data of the quick way, or libpng's rows, in buffers of the pool); an interlaced
// PNG and the other formats are decoded whole, then assigned. Running out of memory for the
// tiles is a message, not an exception.
std::optional<TiledImage> decodePngTiles(std::span<const uint8_t> data, std::string& error);
std::optional<TiledImage> decodeImageTiles(std::span<const uint8_t> data, std::string& error,
                                           const std::string& nameHint = {});
std::optional<TiledImage> loadImageFileTiles(const std::string& path, std::string& error);

// The zlib level of every PNG file the program writes (layers, exports, the strip's own
// encoder), always with the Sub filter on every row. Level 4 is the first with lazy matching:
// painted layers come out within a few percent of libpng's default compression (level 6,
// adaptive filters) at a fifth of its time; level 2 left them about a quarter larger.
constexpr int kPngCompressionLevel = 4;

// Encoders. PNG keeps alpha for 32-bit images (24-bit images are written as RGB). JPEG and BMP
// are written as 24-bit RGB. JPEG quality is the program's 0..10 scale (10 = best).
bool encodePng(const Image& img, std::vector<uint8_t>& out, std::string& error);
// The same file as encodePng(image.toImage()) gives, byte for byte, without making the whole
// image: each row is read from the tiles as it is written.
bool encodePngOfTiles(const TiledImage& image, std::vector<uint8_t>& out, std::string& error);
// The same bytes into a block of the buffer pool (codecs/encoded_bytes.h).
bool encodePngOfTiles(const TiledImage& image, EncodedBytes& out, std::string& error);
bool encodeJpeg(const Image& img, int quality0to10, std::vector<uint8_t>& out, std::string& error);
bool encodeBmp(const Image& img, std::vector<uint8_t>& out, std::string& error);

// The libjpeg quality 0..100 used for the program's 0..10 scale.
int jpegQualityFromScale(int quality0to10);

// Encodes and saves through writeFileAtomically (platform/file_writer.h): an interrupted or
// failed save never destroys the previous file, and a replaced file keeps its permissions.
bool savePngFile(const Image& img, const std::string& path, std::string& error);
bool saveJpegFile(const Image& img, const std::string& path, int quality0to10, std::string& error);
bool saveBmpFile(const Image& img, const std::string& path, std::string& error);

}  // namespace qm
