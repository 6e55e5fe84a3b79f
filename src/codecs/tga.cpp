// TGA reader: uncompressed and RLE colour-mapped, true-colour and grey images (types 1, 2, 3,
// 9, 10, 11) at 8/15/16/24/32 bits, colour maps of 15/16/24/32-bit entries with a first-entry
// index, every origin, and the TGA 2.0 extension area's alpha attributes.
#include <algorithm>
#include <array>

#include "codecs/byte_reader.h"
#include "codecs/codecs.h"

namespace qm {

namespace {

struct TgaHeader {
    uint8_t idLength = 0;
    uint8_t colourMapType = 0;
    uint8_t imageType = 0;
    uint16_t mapFirst = 0;
    uint16_t mapLength = 0;
    uint8_t mapEntryBits = 0;
    uint16_t width = 0;
    uint16_t height = 0;
    uint8_t pixelBits = 0;
    uint8_t descriptor = 0;

    bool rle() const { return imageType >= 9; }
    int kind() const { return imageType & 7; }  // 1 colour-mapped, 2 true-colour, 3 grey
    int alphaBits() const { return descriptor & 15; }
    bool rightToLeft() const { return descriptor & 0x10; }
    bool topDown() const { return descriptor & 0x20; }
};

std::string str(uint64_t v) {
    return std::to_string(v);
}

uint32_t scale5(uint32_t v) {
    return (v * 255 + 15) / 31;
}

// A 15/16-bit X1R5G5B5 value, opaque. The top (attribute) bit is not read as alpha: writers
// disagree on which value means transparent, and many set it at random.
uint32_t from16(uint32_t v) {
    return rgba(scale5((v >> 10) & 31), scale5((v >> 5) & 31), scale5(v & 31), 255);
}

// The attributes type of the TGA 2.0 extension area, or -1 when the file has none.
// 0: no alpha, 1: undefined (ignore), 2: undefined (retain), 3: alpha, 4: premultiplied alpha.
int extensionAttributes(std::span<const uint8_t> data) {
    static const char kSig[] = "TRUEVISION-XFILE.";
    if (data.size() < 18 + 26) return -1;
    const size_t footer = data.size() - 26;
    for (size_t i = 0; i < 18; ++i)
        if (data[footer + 8 + i] != uint8_t(kSig[i])) return -1;
    const uint32_t ext = peekU32(data, footer);
    if (ext == 0 || uint64_t(ext) + 495 > footer) return -1;
    if (peekU16(data, ext) < 495) return -1;
    return data[ext + 494];
}

}  // namespace

std::optional<Image> decodeTga(std::span<const uint8_t> data, std::string& error) {
    TgaHeader h;
    ByteReader in(data);
    if (data.size() < 18) {
        error = "TGA file is too short";
        return std::nullopt;
    }
    h.idLength = data[0];
    h.colourMapType = data[1];
    h.imageType = data[2];
    h.mapFirst = peekU16(data, 3);
    h.mapLength = peekU16(data, 5);
    h.mapEntryBits = data[7];
    h.width = peekU16(data, 12);
    h.height = peekU16(data, 14);
    h.pixelBits = data[16];
    h.descriptor = data[17];
    in.seek(18);

    const int t = h.imageType;
    if (t != 1 && t != 2 && t != 3 && t != 9 && t != 10 && t != 11) {
        error = t == 0 ? std::string("TGA file holds no image data")
                       : "unsupported TGA image type " + str(t);
        return std::nullopt;
    }
    if (h.colourMapType > 1 || (h.kind() == 1 && h.colourMapType != 1)) {
        error = "invalid TGA colour map type " + str(h.colourMapType);
        return std::nullopt;
    }
    const int bits = h.pixelBits;
    const bool depthOk = h.kind() == 1   ? (bits == 8 || bits == 16)
                         : h.kind() == 2 ? (bits == 15 || bits == 16 || bits == 24 || bits == 32)
                                         : (bits == 8 || bits == 16);
    if (!depthOk) {
        error = "unsupported TGA pixel depth " + str(bits) + " for image type " + str(t);
        return std::nullopt;
    }
    if (!imageSizeAllowed(h.width, h.height)) {
        error = imageSizeError(h.width, h.height);
        return std::nullopt;
    }
    if (!in.skip(h.idLength)) {
        error = "TGA file is truncated in its image ID";
        return std::nullopt;
    }

    // The colour map; present but unused maps on other image types are skipped.
    std::vector<uint32_t> map;
    if (h.colourMapType == 1) {
        const int eb = h.mapEntryBits;
        if (eb != 15 && eb != 16 && eb != 24 && eb != 32) {
            error = "unsupported TGA colour map entry size " + str(eb);
            return std::nullopt;
        }
        const uint64_t entryBytes = (eb + 7) / 8;
        std::span<const uint8_t> raw;
        if (!in.bytes(entryBytes * h.mapLength, raw)) {
            error = "TGA colour map is truncated";
            return std::nullopt;
        }
        if (h.kind() == 1) {
            map.resize(h.mapLength);
            for (size_t i = 0; i < map.size(); ++i) {
                const uint8_t* e = raw.data() + i * entryBytes;
                if (eb <= 16) {
                    map[i] = from16(uint32_t(e[0] | (e[1] << 8)));
                } else {
                    map[i] = rgba(e[2], e[1], e[0], eb == 32 ? e[3] : 255);
                }
            }
        }
    }

    // Alpha counts when the descriptor announces alpha bits (colour maps carry their own) and
    // the TGA 2.0 extension, if any, does not say the alpha is absent or undefined.
    const int attributes = extensionAttributes(data);
    const bool extensionAllowsAlpha = attributes < 0 || attributes >= 3;
    const bool useAlpha =
        extensionAllowsAlpha && (h.kind() == 1   ? h.mapEntryBits == 32
                                 : h.kind() == 2 ? bits == 32 && h.alphaBits() > 0
                                                 : bits == 16 && h.alphaBits() > 0);

    const int pixelBytes = (bits + 7) / 8;
    const uint64_t count = uint64_t(h.width) * h.height;
    // Bound the work by the data present before allocating: an RLE packet of 1 + pixelBytes
    // bytes covers at most 128 pixels.
    const uint64_t maxCover =
        h.rle() ? in.remaining() / (1 + pixelBytes) * 128 + 128 : in.remaining() / pixelBytes;
    if (count > maxCover) {
        error = "TGA image data is truncated";
        return std::nullopt;
    }

    auto img = createImage(h.width, h.height, 32);
    if (!img) {
        error = imageSizeError(h.width, h.height);
        return std::nullopt;
    }

    bool badIndex = false;
    auto convert = [&](const uint8_t* p) -> uint32_t {
        switch (h.kind()) {
            case 1: {
                const uint32_t index = bits == 8 ? p[0] : uint32_t(p[0] | (p[1] << 8));
                if (index < h.mapFirst || index - h.mapFirst >= map.size()) {
                    badIndex = true;
                    return 0;
                }
                return map[index - h.mapFirst];
            }
            case 2:
                if (bits == 24) return rgba(p[2], p[1], p[0], 255);
                if (bits == 32) return rgba(p[2], p[1], p[0], p[3]);
                return from16(uint32_t(p[0] | (p[1] << 8)));
            default:
                return rgba(p[0], p[0], p[0], bits == 16 ? p[1] : 255);
        }
    };

    // Pixels arrive in file order; place() maps the n-th one to its place for the origin.
    auto place = [&](uint64_t n, uint32_t c) {
        const uint64_t fy = n / h.width, fx = n % h.width;
        const uint64_t y = h.topDown() ? fy : h.height - 1 - fy;
        const uint64_t x = h.rightToLeft() ? h.width - 1 - fx : fx;
        img->pixels[y * h.width + x] = c;
    };

    if (!h.rle()) {
        std::span<const uint8_t> raw;
        in.bytes(count * pixelBytes, raw);  // length checked above
        for (uint64_t n = 0; n < count; ++n) place(n, convert(raw.data() + n * pixelBytes));
    } else {
        uint64_t n = 0;
        while (n < count) {
            uint8_t head;
            if (!in.u8(head)) {
                error = "TGA RLE data is truncated";
                return std::nullopt;
            }
            const uint64_t len = (head & 0x7Fu) + 1;
            // Packets may run across rows, but not past the end of the image.
            if (n + len > count) {
                error = "TGA RLE packet runs past the end of the image";
                return std::nullopt;
            }
            std::span<const uint8_t> raw;
            const bool run = head & 0x80;
            if (!in.bytes(run ? pixelBytes : len * pixelBytes, raw)) {
                error = "TGA RLE data is truncated";
                return std::nullopt;
            }
            if (run) {
                const uint32_t c = convert(raw.data());
                for (uint64_t i = 0; i < len; ++i) place(n + i, c);
            } else {
                for (uint64_t i = 0; i < len; ++i)
                    place(n + i, convert(raw.data() + i * pixelBytes));
            }
            n += len;
        }
    }
    if (badIndex) {
        error = "TGA colour index outside the colour map";
        return std::nullopt;
    }

    // Without usable alpha the image is opaque; alpha that is zero everywhere is unset data.
    bool anyAlpha = false;
    if (useAlpha)
        for (uint32_t p : img->pixels) anyAlpha |= alpha(p) != 0;
    if (!anyAlpha) {
        for (uint32_t& p : img->pixels) p |= 0xFF000000u;
    } else if (attributes == 4) {
        // Premultiplied alpha: return to straight alpha.
        for (uint32_t& p : img->pixels) {
            const uint32_t a = alpha(p);
            if (a == 0) {
                p = 0;
                continue;
            }
            auto un = [a](uint32_t c) { return std::min<uint32_t>(255, (c * 255 + a / 2) / a); };
            p = rgba(un(red(p)), un(green(p)), un(blue(p)), a);
        }
    }
    return img;
}

}  // namespace qm
