// BMP reader and writer, on small files built here byte by byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "codecs/codecs.h"

namespace qm {
namespace {

using Bytes = std::vector<uint8_t>;

void put16(Bytes& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void put32(Bytes& b, uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

struct BmpFields {
    uint32_t headerSize = 40;
    int32_t width = 2;
    int32_t height = 2;
    uint16_t planes = 1;
    uint16_t bpp = 24;
    uint32_t compression = 0;
    uint32_t clrUsed = 0;
    std::vector<uint32_t> palette;  // 0xRRGGBB
    std::vector<uint32_t> masks;    // written after a 40-byte header, inside longer ones
    Bytes pixels;                   // rows as stored, padding included
};

// A complete BMP file with a consistent file header.
Bytes makeBmp(const BmpFields& s) {
    Bytes dib;
    put32(dib, s.headerSize);
    if (s.headerSize == 12) {
        put16(dib, uint32_t(s.width));
        put16(dib, uint32_t(s.height));
        put16(dib, s.planes);
        put16(dib, s.bpp);
    } else {
        put32(dib, uint32_t(s.width));
        put32(dib, uint32_t(s.height));
        put16(dib, s.planes);
        put16(dib, s.bpp);
        put32(dib, s.compression);
        put32(dib, s.compression == 1 || s.compression == 2 ? uint32_t(s.pixels.size()) : 0);
        put32(dib, 2835);
        put32(dib, 2835);
        put32(dib, s.clrUsed);
        put32(dib, 0);
        if (s.headerSize > 40)
            for (uint32_t m : s.masks) put32(dib, m);
        dib.resize(s.headerSize, 0);
        if (s.headerSize == 40)
            for (uint32_t m : s.masks) put32(dib, m);
    }
    for (uint32_t c : s.palette) {
        dib.push_back(uint8_t(c));
        dib.push_back(uint8_t(c >> 8));
        dib.push_back(uint8_t(c >> 16));
        if (s.headerSize != 12) dib.push_back(0);
    }
    Bytes out = {'B', 'M'};
    put32(out, uint32_t(14 + dib.size() + s.pixels.size()));
    put32(out, 0);
    put32(out, uint32_t(14 + dib.size()));
    out.insert(out.end(), dib.begin(), dib.end());
    out.insert(out.end(), s.pixels.begin(), s.pixels.end());
    return out;
}

std::optional<Image> decode(const Bytes& b, std::string* why = nullptr) {
    std::string error;
    auto img = decodeBmp(b, error);
    if (why) *why = error;
    if (img) {
        EXPECT_EQ(img->depth, 32);
    }
    return img;
}

constexpr uint32_t kRed = rgba(255, 0, 0, 255), kGreen = rgba(0, 255, 0, 255),
                   kBlue = rgba(0, 0, 255, 255), kWhite = rgba(255, 255, 255, 255),
                   kBlack = rgba(0, 0, 0, 255);

// Each layout stores the 2x2 picture  red green / blue white  (top row first).
struct Layout {
    const char* name;
    BmpFields fields;
};

std::vector<Layout> layouts() {
    const std::vector<uint32_t> pal = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    std::vector<Layout> v;
    BmpFields s;
    s.bpp = 24;  // bottom-up: blue white, then red green
    s.pixels = {255, 0, 0, 255, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0};
    v.push_back({"rgb24", s});
    s.height = -2;  // top-down
    s.pixels = {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0};
    v.push_back({"rgb24TopDown", s});
    s = {};
    s.bpp = 8;
    s.palette = pal;
    s.clrUsed = 4;
    s.pixels = {2, 3, 0, 0, 0, 1, 0, 0};
    v.push_back({"pal8", s});
    s.bpp = 4;
    s.pixels = {0x23, 0, 0, 0, 0x01, 0, 0, 0};
    v.push_back({"pal4", s});
    s.bpp = 2;
    s.pixels = {0xB0, 0, 0, 0, 0x10, 0, 0, 0};
    v.push_back({"pal2", s});
    s.headerSize = 12;  // OS/2 v1: three-byte palette entries, no colour count
    s.bpp = 8;
    s.clrUsed = 0;
    s.pixels = {2, 3, 0, 0, 0, 1, 0, 0};
    v.push_back({"os2v1", s});
    s = {};
    s.bpp = 16;  // BI_RGB 16 is X1R5G5B5
    s.pixels = {0x1F, 0x00, 0xFF, 0x7F, 0x00, 0x7C, 0xE0, 0x03};
    v.push_back({"rgb555", s});
    s.compression = 3;  // R5G6B5 through masks
    s.masks = {0xF800, 0x07E0, 0x001F};
    s.pixels = {0x1F, 0x00, 0xFF, 0xFF, 0x00, 0xF8, 0xE0, 0x07};
    v.push_back({"bitfields565", s});
    s.headerSize = 56;  // masks inside a V3 header
    s.masks = {0xF800, 0x07E0, 0x001F, 0};
    v.push_back({"bitfields565V3", s});
    s = {};
    s.bpp = 32;  // fourth byte zero everywhere: opaque
    s.pixels = {255, 0, 0, 0, 255, 255, 255, 0, 0, 0, 255, 0, 0, 255, 0, 0};
    v.push_back({"rgb32", s});
    s.headerSize = 124;  // V5 BITFIELDS, blue in the top byte
    s.compression = 3;
    s.masks = {0x0000FF00, 0x00FF0000, 0xFF000000, 0};
    s.pixels = {0, 0, 0, 255, 0, 255, 255, 255, 0, 255, 0, 0, 0, 0, 255, 0};
    v.push_back({"bitfieldsV5", s});
    return v;
}

TEST(Bmp, DecodesEveryLayoutOfTheSamePicture) {
    for (const Layout& l : layouts()) {
        SCOPED_TRACE(l.name);
        std::string why;
        auto img = decode(makeBmp(l.fields), &why);
        ASSERT_TRUE(img) << why;
        ASSERT_EQ(img->width, 2);
        ASSERT_EQ(img->height, 2);
        EXPECT_EQ(img->pixels, (std::vector<uint32_t>{kRed, kGreen, kBlue, kWhite}));
    }
}

TEST(Bmp, ScalesBitfieldsExactlyToEightBits) {
    // v * 255 / (2^n - 1), rounded: 5-bit 21 -> 173 (not 168 or 172), 3-bit 3 -> 109,
    // 10-bit 1000 -> 249, 1-bit 1 -> 255.
    BmpFields s;
    s.width = 1;
    s.height = 1;
    s.bpp = 16;
    s.compression = 3;
    s.masks = {0x7C00, 0x0380, 0x0001};
    s.pixels = {0x81, 0x55, 0, 0};  // red 21, green 3, blue 1
    auto img = decode(makeBmp(s));
    ASSERT_TRUE(img);
    EXPECT_EQ(img->pixels[0], rgba(173, 109, 255, 255));

    s.bpp = 32;
    s.masks = {0x3FF00000, 0x000FFC00, 0x000003FF};
    const uint32_t px = (1000u << 20) | (1u << 10) | 1023u;
    s.pixels = {uint8_t(px), uint8_t(px >> 8), uint8_t(px >> 16), uint8_t(px >> 24)};
    img = decode(makeBmp(s));
    ASSERT_TRUE(img);
    EXPECT_EQ(img->pixels[0], rgba(249, 0, 255, 255));
}

TEST(Bmp, AlphaOfThirtyTwoBitImages) {
    BmpFields s;
    s.width = 2;
    s.height = 1;
    s.bpp = 32;
    s.pixels = {10, 20, 30, 0, 40, 50, 60, 128};  // BI_RGB with a used fourth byte
    auto img = decode(makeBmp(s));
    ASSERT_TRUE(img);
    EXPECT_EQ(img->pixels[0], rgba(30, 20, 10, 0));
    EXPECT_EQ(img->pixels[1], rgba(60, 50, 40, 128));

    s.headerSize = 124;  // an explicit alpha mask is trusted even when all alpha is zero
    s.compression = 3;
    s.masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000u};
    s.pixels = {10, 20, 30, 0, 40, 50, 60, 0};
    img = decode(makeBmp(s));
    ASSERT_TRUE(img);
    EXPECT_EQ(img->pixels[1], rgba(60, 50, 40, 0));

    s.headerSize = 40;  // ALPHABITFIELDS: four masks after the header
    s.compression = 6;
    s.masks = {0xFF000000u, 0xFF0000, 0xFF00, 0xFF};
    s.pixels = {7, 3, 2, 1, 8, 6, 5, 4};
    img = decode(makeBmp(s));
    ASSERT_TRUE(img);
    EXPECT_EQ(img->pixels[0], rgba(1, 2, 3, 7));
    EXPECT_EQ(img->pixels[1], rgba(4, 5, 6, 8));
}

TEST(Bmp, Rle8CodesAndUndefinedPixels) {
    BmpFields s;
    s.width = 4;
    s.height = 3;
    s.bpp = 8;
    s.compression = 1;
    s.palette = {0xFF0000, 0x00FF00, 0x0000FF};
    // Two pixels and then an absolute run of three: five pixels in a row of four.
    s.pixels = {2, 1, 0, 3, 2, 0, 1, 0};
    std::string why;
    EXPECT_FALSE(decode(makeBmp(s), &why));
    EXPECT_NE(why.find("row"), std::string::npos) << why;

    s.pixels = {
        4, 0,              // bottom row: four of index 0
        0, 0,              // end of line
        0, 2, 1, 0,        // delta: one to the right
        0, 3, 2, 1, 0, 0,  // absolute run 2 1 0, padded to a whole word
        0, 0,              // end of line
        1, 2, 0, 1,        // top row: one pixel of index 2, then end of bitmap
    };
    auto img = decode(makeBmp(s), &why);
    ASSERT_TRUE(img) << why;
    const uint32_t u = 0;  // undefined pixels are transparent
    EXPECT_EQ(img->pixels, (std::vector<uint32_t>{kBlue, u, u, u,             // top
                                                  u, kBlue, kGreen, kRed,     // middle
                                                  kRed, kRed, kRed, kRed}));  // bottom
}

TEST(Bmp, Rle4AlternatesNibblesAndPadsAbsoluteRuns) {
    BmpFields s;
    s.width = 5;
    s.height = 1;
    s.bpp = 4;
    s.compression = 2;
    s.palette = {0xFF0000, 0x00FF00, 0x0000FF};
    s.pixels = {0, 3, 0x21, 0x00, 2, 0x10, 0, 1};  // absolute 2 1 0 (2 bytes), run 1 0
    std::string why;
    auto img = decode(makeBmp(s), &why);
    ASSERT_TRUE(img) << why;
    EXPECT_EQ(img->pixels, (std::vector<uint32_t>{kBlue, kGreen, kRed, kGreen, kRed}));
}

TEST(Bmp, RefusesMalformedFiles) {
    auto base = [] {
        BmpFields s;
        s.bpp = 8;
        s.palette = {0, 0xFFFFFF};
        s.clrUsed = 2;
        s.pixels = {0, 1, 0, 0, 1, 0, 0, 0};
        return s;
    };
    struct Case {
        const char* name;
        std::function<void(BmpFields&)> damageFields;
        std::function<void(Bytes&)> damageFile;
        const char* reason;
    };
    auto fields = [](const char* n, std::function<void(BmpFields&)> f, const char* r) {
        return Case{n, std::move(f), nullptr, r};
    };
    auto file = [](const char* n, std::function<void(Bytes&)> f, const char* r) {
        return Case{n, nullptr, std::move(f), r};
    };
    const std::vector<Case> cases = {
        fields(
            "planes", [](BmpFields& s) { s.planes = 2; }, "plane"),
        fields(
            "bitCount", [](BmpFields& s) { s.bpp = 7; }, "bit count"),
        fields(
            "negativeWidth", [](BmpFields& s) { s.width = -2; }, "width"),
        fields(
            "zeroHeight", [](BmpFields& s) { s.height = 0; }, "height"),
        fields(
            "hugeSize", [](BmpFields& s) { s.width = s.height = 40000; }, "exceeds"),
        fields(
            "hugeArea", [](BmpFields& s) { s.width = s.height = 30000; }, "exceeds"),
        fields(
            "indexPastPalette", [](BmpFields& s) { s.pixels[0] = 2; }, "palette index"),
        fields(
            "paletteBeyondFile", [](BmpFields& s) { s.clrUsed = 0x10000000; }, "palette"),
        fields(
            "headerSize", [](BmpFields& s) { s.headerSize = 66; }, "header size"),
        fields(
            "rleTopDown",
            [](BmpFields& s) {
                s.compression = 1;
                s.height = -2;
            },
            "top-down"),
        fields(
            "emptyMask",
            [](BmpFields& s) {
                s.bpp = 16;
                s.compression = 3;
                s.masks = {0xFF00, 0x00FF, 0};
            },
            "mask"),
        fields(
            "overlappingMasks",
            [](BmpFields& s) {
                s.bpp = 16;
                s.compression = 3;
                s.masks = {0xFF00, 0x0FF0, 0x000F};
            },
            "mask"),
        fields(
            "gappedMask",
            [](BmpFields& s) {
                s.bpp = 16;
                s.compression = 3;
                s.masks = {0xF0F0, 0x0F00, 0x000F};
            },
            "mask"),
        file(
            "truncatedPixels",
            [](Bytes& f) {
                f.resize(f.size() - 1);
                std::fill(f.begin() + 2, f.begin() + 6, 0);  // no file size to give it away
            },
            "pixel data is truncated"),
        file(
            "truncatedHeader", [](Bytes& f) { f.resize(30); }, "truncated"),
        file(
            "fileSizeTooLarge", [](Bytes& f) { f[5] = 0x7F; }, "truncated"),
        file(
            "bitmapArray", [](Bytes& f) { f[1] = 'A'; }, "array"),
        file(
            "density", [](Bytes& f) { f[41] = 0x7F; }, "density"),
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BmpFields s = base();
        if (c.damageFields) c.damageFields(s);
        Bytes file = makeBmp(s);
        if (c.damageFile) c.damageFile(file);
        std::string why;
        EXPECT_FALSE(decode(file, &why));
        EXPECT_NE(why.find(c.reason), std::string::npos) << why;
    }
}

TEST(Bmp, SmallPaletteIsBoundedByThePixelOffset) {
    // OS/2 v1 files have no colour count; the pixel offset says how many entries there are.
    BmpFields s;
    s.headerSize = 12;
    s.bpp = 8;
    s.palette = {0xFF0000, 0x00FF00};
    s.pixels = {1, 0, 0, 0, 0, 1, 0, 0};
    auto img = decode(makeBmp(s));
    ASSERT_TRUE(img);
    EXPECT_EQ(img->pixels, (std::vector<uint32_t>{kRed, kGreen, kGreen, kRed}));
    s.pixels[0] = 2;  // one past the two colours present
    EXPECT_FALSE(decode(makeBmp(s)));
}

TEST(Bmp, HeaderlessDib) {
    Bytes file = makeBmp(layouts()[0].fields);
    const Bytes dib(file.begin() + 14, file.end());
    auto img = decode(dib);
    ASSERT_TRUE(img);
    EXPECT_EQ(img->pixels, (std::vector<uint32_t>{kRed, kGreen, kBlue, kWhite}));
    EXPECT_FALSE(decode(Bytes{1, 2, 3}));
}

TEST(Bmp, EveryTruncationIsHandled) {
    for (const Layout& l : layouts()) {
        const Bytes full = makeBmp(l.fields);
        for (size_t n = 0; n < full.size(); ++n) {
            std::string why;
            const Bytes part(full.begin(), full.begin() + n);
            EXPECT_FALSE(decode(part, &why)) << l.name << " cut at " << n;
            EXPECT_FALSE(why.empty());
        }
    }
}

TEST(Bmp, EncodeRoundTrips) {
    // Odd width exercises row padding; the alpha of a 32-bit image is not stored.
    auto img = createImage(3, 2, 32);
    ASSERT_TRUE(img);
    img->pixels = {rgba(1, 2, 3, 255),  rgba(4, 5, 6, 0),    rgba(7, 8, 9, 128),
                   rgba(10, 11, 12, 4), rgba(13, 14, 15, 9), rgba(250, 251, 252, 255)};
    Bytes out;
    std::string why;
    ASSERT_TRUE(encodeBmp(*img, out, why)) << why;
    EXPECT_EQ(out.size(), 54u + 2 * 12);
    EXPECT_EQ(out[28], 24);  // bit count
    auto back = decode(out, &why);
    ASSERT_TRUE(back) << why;
    ASSERT_EQ(back->width, 3);
    ASSERT_EQ(back->height, 2);
    for (size_t i = 0; i < img->pixels.size(); ++i)
        EXPECT_EQ(back->pixels[i], img->pixels[i] | 0xFF000000u) << i;

    Image empty;
    EXPECT_FALSE(encodeBmp(empty, out, why));
}

}  // namespace
}  // namespace qm
