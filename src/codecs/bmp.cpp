// BMP reader and writer.
//
// Reads OS/2 v1 (12-byte) and v2 (16..64-byte) headers and the Windows INFO, 52/56-byte, V4 and
// V5 headers; 1/2/4/8-bit palettes, 16/24/32-bit colour, BITFIELDS and ALPHABITFIELDS with any
// contiguous masks, RLE4/RLE8 (and the OS/2 RLE24), top-down rows, and embedded PNG/JPEG
// streams. Pixels an RLE stream leaves undefined (delta, early end of line or bitmap) are
// transparent. Writes 24-bit bottom-up BI_RGB.
#include <algorithm>
#include <array>
#include <cstring>

#include "codecs/bmp_internal.h"
#include "codecs/byte_reader.h"
#include "codecs/codecs.h"

namespace qm {

namespace {

enum class Compression { Rgb, Rle8, Rle4, Rle24, Bitfields, Jpeg, Png };

constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiJpeg = 4, kBiPng = 5,
                   kBiAlphaBitfields = 6;

struct DibHeader {
    uint32_t headerSize = 0;
    int64_t width = 0;
    int64_t height = 0;  // rows of the image (half the header value for icons)
    bool topDown = false;
    bool os2v1 = false;
    uint16_t planes = 0;
    uint16_t bpp = 0;
    uint32_t compressionCode = 0;
    Compression compression = Compression::Rgb;
    uint32_t sizeImage = 0;
    uint32_t xppm = 0, yppm = 0;
    uint32_t clrUsed = 0;
    std::array<uint32_t, 4> masks{};            // red, green, blue, alpha
    uint64_t profileStart = 0, profileEnd = 0;  // an embedded colour profile, V5 only
    bool haveMasks = false;
    uint64_t maskBytesAfterHeader = 0;
};

std::string str(uint64_t v) {
    return std::to_string(v);
}

// One colour channel of a bitfield pixel, scaled exactly to 8 bits: v * 255 / (2^n - 1),
// rounded to nearest.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
    std::vector<uint8_t> lut;  // for fields of up to 16 bits

    void init(uint32_t m) {
        mask = m;
        shift = 0;
        bits = 0;
        lut.clear();
        if (m == 0) return;
        while (!((m >> shift) & 1u)) ++shift;
        while (shift + bits < 32 && ((m >> (shift + bits)) & 1u)) ++bits;
        if (bits <= 16) {
            lut.resize(size_t(1) << bits);
            for (size_t v = 0; v < lut.size(); ++v) lut[v] = scale(uint32_t(v));
        }
    }
    uint8_t scale(uint32_t v) const {
        const uint64_t maxv = (uint64_t(1) << bits) - 1;
        return uint8_t((uint64_t(v) * 255 + maxv / 2) / maxv);
    }
    uint8_t get(uint32_t px) const {
        if (bits == 0) return 0;
        const uint32_t v = (px & mask) >> shift;
        return lut.empty() ? scale(v) : lut[v];
    }
};

bool maskContiguous(uint32_t m) {
    if (m == 0) return true;
    while (!(m & 1u)) m >>= 1;
    return (m & (m + 1)) == 0;
}

bool parseHeader(std::span<const uint8_t> dib, bool icon, DibHeader& h, std::string& error) {
    h.headerSize = peekU32(dib, 0);
    if (dib.size() < 4 || !isKnownDibHeaderSize(h.headerSize)) {
        error = "unsupported BMP header size " + str(h.headerSize);
        return false;
    }
    if (dib.size() < h.headerSize) {
        error = "BMP header is truncated";
        return false;
    }
    // Fields past a short header read as zero, which is what OS/2 v2 headers of less than 64
    // bytes mean.
    std::array<uint8_t, 124> raw{};
    std::memcpy(raw.data(), dib.data(), std::min<size_t>(h.headerSize, raw.size()));
    const std::span<const uint8_t> f(raw);
    int64_t rawHeight;
    if (h.headerSize == 12) {
        h.os2v1 = true;
        h.width = peekU16(f, 4);
        rawHeight = peekU16(f, 6);
        h.planes = peekU16(f, 8);
        h.bpp = peekU16(f, 10);
    } else {
        h.width = int32_t(peekU32(f, 4));
        rawHeight = int32_t(peekU32(f, 8));
        h.planes = peekU16(f, 12);
        h.bpp = peekU16(f, 14);
        h.compressionCode = peekU32(f, 16);
        h.sizeImage = peekU32(f, 20);
        h.xppm = peekU32(f, 24);
        h.yppm = peekU32(f, 28);
        h.clrUsed = peekU32(f, 32);
        constexpr uint32_t kProfileEmbedded = 0x4D424544;  // 'MBED'
        if (h.headerSize >= 124 && peekU32(f, 56) == kProfileEmbedded) {
            h.profileStart = peekU32(f, 112);
            h.profileEnd = h.profileStart + peekU32(f, 116);
        }
    }
    if (h.width <= 0) {
        error = "invalid BMP width " + std::to_string(h.width);
        return false;
    }
    if (rawHeight == 0) {
        error = "invalid BMP height 0";
        return false;
    }
    h.topDown = rawHeight < 0;
    h.height = rawHeight < 0 ? -rawHeight : rawHeight;
    if (icon) h.height /= 2;
    if (!imageSizeAllowed(h.width, h.height)) {
        error = imageSizeError(h.width, h.height);
        return false;
    }
    if (h.planes != 1) {
        error = "invalid BMP plane count " + str(h.planes) + " (must be 1)";
        return false;
    }
    // A density that makes pixels a hundred times taller than wide is a damaged header.
    if (h.xppm && h.yppm &&
        (uint64_t(h.xppm) > uint64_t(h.yppm) * 100 || uint64_t(h.yppm) > uint64_t(h.xppm) * 100)) {
        error = "implausible BMP pixel density " + str(h.xppm) + " x " + str(h.yppm);
        return false;
    }

    const uint32_t c = h.compressionCode;
    const uint16_t bpp = h.bpp;
    // OS/2 v2 reuses codes 3 and 4 for Huffman 1D and RLE24; the bit count tells them apart.
    if (c == kBiRgb) {
        h.compression = Compression::Rgb;
        if (bpp != 1 && bpp != 2 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) {
            error = bpp == 64 ? std::string("64-bit BMP images are not supported")
                              : "invalid BMP bit count " + str(bpp);
            return false;
        }
    } else if (c == kBiRle8 && bpp == 8) {
        h.compression = Compression::Rle8;
    } else if (c == kBiRle4 && bpp == 4) {
        h.compression = Compression::Rle4;
    } else if (c == kBiJpeg && bpp == 24 && !icon) {
        h.compression = Compression::Rle24;
    } else if ((c == kBiBitfields || c == kBiAlphaBitfields) && (bpp == 16 || bpp == 32)) {
        h.compression = Compression::Bitfields;
    } else if (c == kBiBitfields && bpp == 1) {
        error = "Huffman-compressed BMP images are not supported";
        return false;
    } else if ((c == kBiJpeg || c == kBiPng) && !icon) {
        h.compression = c == kBiJpeg ? Compression::Jpeg : Compression::Png;
    } else {
        error = "unsupported BMP compression " + str(c) + " with " + str(bpp) + " bits per pixel";
        return false;
    }
    if (h.topDown && (h.compression == Compression::Rle4 || h.compression == Compression::Rle8 ||
                      h.compression == Compression::Rle24)) {
        error = "compressed BMP images cannot be stored top-down";
        return false;
    }

    if (h.compression == Compression::Bitfields) {
        const bool withAlpha = c == kBiAlphaBitfields;
        if (h.headerSize >= 52) {
            for (int i = 0; i < 3; ++i) h.masks[i] = peekU32(f, 40 + 4 * i);
            if (h.headerSize >= 56) h.masks[3] = peekU32(f, 52);
        } else {
            h.maskBytesAfterHeader = withAlpha ? 16 : 12;
            if (dib.size() < h.headerSize + h.maskBytesAfterHeader) {
                error = "BMP colour masks are truncated";
                return false;
            }
            for (int i = 0; i < (withAlpha ? 4 : 3); ++i)
                h.masks[i] = peekU32(dib, h.headerSize + 4 * i);
        }
        h.haveMasks = true;
    } else if (h.compression == Compression::Rgb && bpp == 16) {
        h.masks = {0x7C00, 0x03E0, 0x001F, 0};
        h.haveMasks = true;
    } else if (h.compression == Compression::Rgb && bpp == 32) {
        // The fourth byte counts as alpha only when some pixel sets it (see decodeBitfields).
        h.masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000u};
        h.haveMasks = true;
    }
    if (h.haveMasks) {
        const uint64_t limit = bpp == 32 ? 0xFFFFFFFFull : 0xFFFFull;
        uint32_t seen = 0;
        for (int i = 0; i < 4; ++i) {
            const uint32_t m = h.masks[i];
            if (m > limit || !maskContiguous(m) || (seen & m)) {
                error = "invalid BMP colour masks";
                return false;
            }
            seen |= m;
            if (i < 3 && m == 0) {
                error = "BMP colour mask for a channel is empty";
                return false;
            }
        }
    }
    return true;
}

struct Palette {
    std::vector<uint32_t> colours;
};

struct RowSink {
    Image& img;
    const DibHeader& h;
    uint32_t* row(int64_t fileRow) {
        return img.row(int(h.topDown ? fileRow : h.height - 1 - fileRow));
    }
};

bool decodeIndexed(const DibHeader& h, std::span<const uint8_t> px, const Palette& pal, Image& img,
                   std::string& error) {
    const uint64_t stride = (uint64_t(h.width) * h.bpp + 31) / 32 * 4;
    const unsigned bpp = h.bpp;
    const unsigned perByte = 8 / bpp;
    const unsigned valueMask = (1u << bpp) - 1;
    RowSink sink{img, h};
    for (int64_t y = 0; y < h.height; ++y) {
        const uint8_t* src = px.data() + y * stride;
        uint32_t* dst = sink.row(y);
        for (int64_t x = 0; x < h.width; ++x) {
            const unsigned byte = src[x / perByte];
            const unsigned shift = 8 - bpp * (unsigned(x % perByte) + 1);
            const unsigned index = (byte >> shift) & valueMask;
            if (index >= pal.colours.size()) {
                error = "BMP palette index " + str(index) + " outside a palette of " +
                        str(pal.colours.size()) + " colours";
                return false;
            }
            dst[x] = pal.colours[index];
        }
    }
    return true;
}

void decode24(const DibHeader& h, std::span<const uint8_t> px, Image& img) {
    const uint64_t stride = (uint64_t(h.width) * 24 + 31) / 32 * 4;
    RowSink sink{img, h};
    for (int64_t y = 0; y < h.height; ++y) {
        const uint8_t* src = px.data() + y * stride;
        uint32_t* dst = sink.row(y);
        for (int64_t x = 0; x < h.width; ++x, src += 3) dst[x] = rgba(src[2], src[1], src[0], 255);
    }
}

// 16- and 32-bit pixels through masks. The fourth byte of a 32-bit BI_RGB pixel is alpha only
// when some pixel sets it: writers commonly leave it zero. An explicit alpha mask is trusted.
void decodeBitfields(const DibHeader& h, std::span<const uint8_t> px, Image& img, bool& hadAlpha) {
    const uint64_t stride = (uint64_t(h.width) * h.bpp + 31) / 32 * 4;
    std::array<Channel, 4> ch;
    for (int i = 0; i < 4; ++i) ch[i].init(h.masks[i]);
    const bool hasAlphaMask = h.masks[3] != 0;
    uint32_t alphaSeen = 0;
    RowSink sink{img, h};
    for (int64_t y = 0; y < h.height; ++y) {
        const uint8_t* src = px.data() + y * stride;
        uint32_t* dst = sink.row(y);
        for (int64_t x = 0; x < h.width; ++x) {
            uint32_t v;
            if (h.bpp == 16) {
                v = uint32_t(src[0] | (src[1] << 8));
                src += 2;
            } else {
                v = uint32_t(src[0]) | (uint32_t(src[1]) << 8) | (uint32_t(src[2]) << 16) |
                    (uint32_t(src[3]) << 24);
                src += 4;
            }
            const uint32_t a = hasAlphaMask ? ch[3].get(v) : 255u;
            alphaSeen |= v & h.masks[3];
            dst[x] = rgba(ch[0].get(v), ch[1].get(v), ch[2].get(v), a);
        }
    }
    const bool guessedAlpha = h.compression == Compression::Rgb;
    hadAlpha = hasAlphaMask && (alphaSeen != 0 || !guessedAlpha);
    if (hasAlphaMask && !hadAlpha)
        for (uint32_t& p : img.pixels) p |= 0xFF000000u;
}

// RLE4, RLE8 and RLE24. Runs may not cross the end of a row nor go past the last row, and
// deltas may not leave the image: such streams are damaged (or hostile) and are refused.
bool decodeRle(const DibHeader& h, std::span<const uint8_t> data, const Palette& pal, Image& img,
               std::string& error) {
    ByteReader in(data);
    RowSink sink{img, h};
    int64_t x = 0, y = 0;
    const int pixelBytes = h.compression == Compression::Rle24 ? 3 : 1;
    auto colourOf = [&](uint32_t index, uint32_t& out) {
        if (index >= pal.colours.size()) {
            error = "BMP palette index " + str(index) + " outside a palette of " +
                    str(pal.colours.size()) + " colours";
            return false;
        }
        out = pal.colours[index];
        return true;
    };
    auto room = [&](int64_t n) {
        if (y >= h.height) {
            error = "BMP RLE data runs past the last row";
            return false;
        }
        if (x + n > h.width) {
            error = "BMP RLE run crosses the end of a row";
            return false;
        }
        return true;
    };
    const char* truncated = "BMP RLE data is truncated";
    for (;;) {
        uint8_t count, value;
        // A stream that stops without its end-of-bitmap code keeps what it decoded.
        if (!in.u8(count)) return true;
        if (!in.u8(value)) {
            error = truncated;
            return false;
        }
        if (count > 0) {
            if (!room(count)) return false;
            uint32_t* dst = sink.row(y) + x;
            if (h.compression == Compression::Rle24) {
                uint8_t g, r;
                if (!in.u8(g) || !in.u8(r)) {
                    error = truncated;
                    return false;
                }
                std::fill(dst, dst + count, rgba(r, g, value, 255));
            } else if (h.compression == Compression::Rle8) {
                uint32_t c;
                if (!colourOf(value, c)) return false;
                std::fill(dst, dst + count, c);
            } else {
                uint32_t c[2];
                if (!colourOf(value >> 4, c[0]) || (count > 1 && !colourOf(value & 15u, c[1])))
                    return false;
                for (int i = 0; i < count; ++i) dst[i] = c[i & 1];
            }
            x += count;
            continue;
        }
        if (value == 0) {  // end of line
            x = 0;
            ++y;
        } else if (value == 1) {  // end of bitmap
            return true;
        } else if (value == 2) {  // delta
            uint8_t dx, dy;
            if (!in.u8(dx) || !in.u8(dy)) {
                error = truncated;
                return false;
            }
            x += dx;
            y += dy;
            if (x > h.width || y > h.height || (y == h.height && x > 0)) {
                error = "BMP RLE delta moves outside the image";
                return false;
            }
        } else {  // absolute run of `value` pixels, padded to a 16-bit boundary
            const int64_t n = value;
            if (!room(n)) return false;
            const uint64_t bytes =
                h.compression == Compression::Rle4 ? (n + 1) / 2 : n * pixelBytes;
            std::span<const uint8_t> run;
            if (!in.bytes(bytes, run) || (bytes % 2 && !in.skip(1))) {
                error = truncated;
                return false;
            }
            uint32_t* dst = sink.row(y) + x;
            for (int64_t i = 0; i < n; ++i) {
                if (h.compression == Compression::Rle24) {
                    dst[i] = rgba(run[i * 3 + 2], run[i * 3 + 1], run[i * 3], 255);
                } else {
                    const uint32_t index = h.compression == Compression::Rle4
                                               ? (i % 2 ? run[i / 2] & 15u : run[i / 2] >> 4)
                                               : run[i];
                    if (!colourOf(index, dst[i])) return false;
                }
            }
            x += n;
        }
    }
}

// Applies an icon's AND mask: a set bit makes the pixel transparent.
bool applyAndMask(const DibHeader& h, std::span<const uint8_t> mask, Image& img,
                  std::string& error) {
    const uint64_t stride = (uint64_t(h.width) + 31) / 32 * 4;
    if (mask.size() < stride * uint64_t(h.height)) {
        error = "icon AND mask is truncated";
        return false;
    }
    RowSink sink{img, h};
    for (int64_t y = 0; y < h.height; ++y) {
        const uint8_t* src = mask.data() + y * stride;
        uint32_t* dst = sink.row(y);
        for (int64_t x = 0; x < h.width; ++x)
            if ((src[x / 8] >> (7 - x % 8)) & 1u) dst[x] = 0;
    }
    return true;
}

}  // namespace

bool isKnownDibHeaderSize(uint32_t size) {
    return size == 12 || size == 108 || size == 124 || (size >= 16 && size <= 64 && size % 4 == 0);
}

std::optional<Image> decodeDib(const DibSource& src, std::string& error) {
    const std::span<const uint8_t> dib = src.bytes;
    DibHeader h;
    if (!parseHeader(dib, src.icon, h, error)) return std::nullopt;

    const uint64_t paletteStart = uint64_t(h.headerSize) + h.maskBytesAfterHeader;
    const uint64_t entrySize = h.os2v1 ? 3 : 4;
    Palette pal;
    uint64_t paletteEnd = paletteStart;
    if (h.bpp <= 8 && h.compression != Compression::Jpeg && h.compression != Compression::Png) {
        const uint64_t full = uint64_t(1) << h.bpp;
        uint64_t count = h.clrUsed ? h.clrUsed : full;
        if (h.clrUsed && paletteStart + count * entrySize > dib.size()) {
            error = "BMP palette of " + str(count) + " colours runs past the end of the file";
            return std::nullopt;
        }
        // Files with fewer colours than 2^bpp are common (OS/2 v1 has no count at all): the
        // pixel offset bounds the palette.
        if (src.pixelOffset && *src.pixelOffset >= paletteStart &&
            *src.pixelOffset < paletteStart + count * entrySize)
            count = (*src.pixelOffset - paletteStart) / entrySize;
        if (paletteStart + count * entrySize > dib.size()) {
            error = "BMP palette runs past the end of the file";
            return std::nullopt;
        }
        count = std::min(count, full);
        if (count == 0) {
            error = "BMP image has no palette";
            return std::nullopt;
        }
        for (uint64_t i = 0; i < count; ++i) {
            const uint8_t* e = dib.data() + paletteStart + i * entrySize;
            pal.colours.push_back(rgba(e[2], e[1], e[0], 255));
        }
        paletteEnd = paletteStart + (h.clrUsed ? h.clrUsed : count) * entrySize;
    }

    uint64_t pixelOffset = src.pixelOffset.value_or(paletteEnd);
    if (pixelOffset < paletteStart) pixelOffset = paletteEnd;  // an offset into the header
    if (pixelOffset > dib.size()) {
        error = "BMP pixel data offset lies past the end of the file";
        return std::nullopt;
    }
    std::span<const uint8_t> rest = dib.subspan(size_t(pixelOffset));
    const bool compressed = h.compression == Compression::Rle4 ||
                            h.compression == Compression::Rle8 ||
                            h.compression == Compression::Rle24 ||
                            h.compression == Compression::Jpeg || h.compression == Compression::Png;
    if (!src.icon && h.sizeImage > rest.size()) {
        error = "BMP header announces " + str(h.sizeImage) + " bytes of pixel data but only " +
                str(rest.size()) + " follow";
        return std::nullopt;
    }

    // An icon entry's size field can be anything; the data never reaches past the entry itself.
    const size_t announced = size_t(std::min<uint64_t>(h.sizeImage, rest.size()));
    if (h.compression == Compression::Jpeg || h.compression == Compression::Png) {
        const auto stream = announced ? rest.first(announced) : rest;
        auto img = h.compression == Compression::Png ? decodePng(stream, error)
                                                     : decodeJpeg(stream, error);
        if (!img) {
            error = "embedded image in BMP: " + error;
            return std::nullopt;
        }
        if (img->width != h.width || img->height != h.height) {
            error = "embedded image in BMP does not have the size of its header";
            return std::nullopt;
        }
        return img;
    }

    const uint64_t stride = (uint64_t(h.width) * h.bpp + 31) / 32 * 4;
    const uint64_t pixels = uint64_t(h.width) * uint64_t(h.height);
    if (!compressed) {
        if (stride * uint64_t(h.height) > rest.size()) {
            error = "BMP pixel data is truncated (" + str(rest.size()) + " of " +
                    str(stride * uint64_t(h.height)) + " bytes)";
            return std::nullopt;
        }
    } else {
        if (announced) rest = rest.first(announced);
        // A full RLE stream needs about a byte per 128 pixels; far less can only describe a
        // mostly undefined picture, which is not worth a large allocation.
        if (pixels > (uint64_t(1) << 22) && rest.size() * 1024 < pixels) {
            error = "BMP RLE data is far too short for a " + str(h.width) + " x " + str(h.height) +
                    " image";
            return std::nullopt;
        }
    }

    auto img = createImage(int(h.width), int(h.height), 32);
    if (!img) {
        error = imageSizeError(h.width, h.height);
        return std::nullopt;
    }
    bool hadAlpha = false;
    switch (h.compression) {
        case Compression::Rle4:
        case Compression::Rle8:
        case Compression::Rle24:
            if (!decodeRle(h, rest, pal, *img, error)) return std::nullopt;
            hadAlpha = true;
            break;
        case Compression::Bitfields:
            decodeBitfields(h, rest, *img, hadAlpha);
            break;
        default:
            if (h.bpp <= 8) {
                if (!decodeIndexed(h, rest, pal, *img, error)) return std::nullopt;
            } else if (h.bpp == 24) {
                decode24(h, rest, *img);
            } else {
                decodeBitfields(h, rest, *img, hadAlpha);
            }
            break;
    }
    if (src.icon && !hadAlpha) {
        // Some writers put an embedded colour profile where the mask belongs: then there is
        // no mask and the icon is opaque.
        const uint64_t maskStart = pixelOffset + stride * uint64_t(h.height);
        const uint64_t maskEnd = maskStart + (uint64_t(h.width) + 31) / 32 * 4 * h.height;
        const bool profileInMask =
            h.profileEnd > h.profileStart && h.profileStart < maskEnd && h.profileEnd > maskStart;
        if (!profileInMask) {
            const auto mask = rest.subspan(std::min<size_t>(rest.size(), stride * h.height));
            if (!applyAndMask(h, mask, *img, error)) return std::nullopt;
        }
    }
    return img;
}

std::optional<Image> decodeBmp(std::span<const uint8_t> data, std::string& error) {
    if (data.size() >= 2 && data[0] == 'B' && data[1] == 'A') {
        error = "OS/2 bitmap arrays are not supported";
        return std::nullopt;
    }
    if (data.size() >= 2 && data[0] == 'B' && data[1] == 'M') {
        if (data.size() < 18) {
            error = "BMP file is truncated";
            return std::nullopt;
        }
        const uint32_t fileSize = peekU32(data, 2);
        const uint32_t offBits = peekU32(data, 10);
        // Some OS/2 writers store the header size here instead; only a larger claim matters.
        if (fileSize > data.size()) {
            error =
                "BMP file is truncated (" + str(data.size()) + " of " + str(fileSize) + " bytes)";
            return std::nullopt;
        }
        DibSource src{data.subspan(14), std::nullopt, false};
        if (offBits >= 14) src.pixelOffset = offBits - 14;
        return decodeDib(src, error);
    }
    // A bare DIB, as found on the clipboard.
    if (data.size() >= 16 && isKnownDibHeaderSize(peekU32(data, 0)))
        return decodeDib(DibSource{data, std::nullopt, false}, error);
    error = "not a BMP file";
    return std::nullopt;
}

// Writes 24-bit BI_RGB, bottom-up, rows padded to 4 bytes. BMP readers disagree about alpha in
// 32-bit files, so the alpha of a 32-bit image is dropped rather than stored.
bool encodeBmp(const Image& img, std::vector<uint8_t>& out, std::string& error) {
    if (!imageSizeAllowed(img.width, img.height) ||
        img.pixels.size() != size_t(img.width) * size_t(img.height)) {
        error = "cannot write an image of size " + std::to_string(img.width) + " x " +
                std::to_string(img.height) + " as BMP";
        return false;
    }
    const uint64_t stride = (uint64_t(img.width) * 3 + 3) / 4 * 4;
    const uint64_t pixelBytes = stride * uint64_t(img.height);
    const uint64_t total = 54 + pixelBytes;
    if (total > 0xFFFFFFFFull) {
        error = "image is too large for a BMP file";
        return false;
    }
    out.assign(size_t(total), 0);
    auto put16 = [&](size_t at, uint32_t v) {
        out[at] = uint8_t(v);
        out[at + 1] = uint8_t(v >> 8);
    };
    auto put32 = [&](size_t at, uint32_t v) {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, uint32_t(total));
    put32(10, 54);
    put32(14, 40);
    put32(18, uint32_t(img.width));
    put32(22, uint32_t(img.height));
    put16(26, 1);
    put16(28, 24);
    put32(34, uint32_t(pixelBytes));
    put32(38, 2835);  // 72 dpi
    put32(42, 2835);
    for (int y = 0; y < img.height; ++y) {
        uint8_t* dst = out.data() + 54 + uint64_t(img.height - 1 - y) * stride;
        const uint32_t* src = img.row(y);
        for (int x = 0; x < img.width; ++x, dst += 3) {
            dst[0] = uint8_t(blue(src[x]));
            dst[1] = uint8_t(green(src[x]));
            dst[2] = uint8_t(red(src[x]));
        }
    }
    return true;
}

}  // namespace qm
