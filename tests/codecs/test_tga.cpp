// TGA reader, on small files built here byte by byte.
#include <gtest/gtest.h>

#include "codecs/codecs.h"

namespace qm {
namespace {

using Bytes = std::vector<uint8_t>;

struct TgaFields {
    uint8_t type = 2;
    uint8_t bits = 24;
    uint8_t descriptor = 0;
    uint16_t width = 2;
    uint16_t height = 2;
    uint16_t mapFirst = 0;
    uint8_t mapBits = 0;
    Bytes map;  // raw entries
    Bytes id;
    Bytes data;
    int attributes = -1;  // TGA 2.0 extension attributes type, -1 for none
};

Bytes makeTga(const TgaFields& s) {
    const uint16_t mapLength = s.mapBits ? uint16_t(s.map.size() / ((s.mapBits + 7) / 8)) : 0;
    Bytes b = {uint8_t(s.id.size()),
               uint8_t(s.mapBits ? 1 : 0),
               s.type,
               uint8_t(s.mapFirst),
               uint8_t(s.mapFirst >> 8),
               uint8_t(mapLength),
               uint8_t(mapLength >> 8),
               s.mapBits,
               0,
               0,
               0,
               0,
               uint8_t(s.width),
               uint8_t(s.width >> 8),
               uint8_t(s.height),
               uint8_t(s.height >> 8),
               s.bits,
               s.descriptor};
    b.insert(b.end(), s.id.begin(), s.id.end());
    b.insert(b.end(), s.map.begin(), s.map.end());
    b.insert(b.end(), s.data.begin(), s.data.end());
    if (s.attributes >= 0) {
        const size_t ext = b.size();
        b.resize(ext + 495, 0);
        b[ext] = 495 & 0xFF;
        b[ext + 1] = 495 >> 8;
        b[ext + 494] = uint8_t(s.attributes);
        for (int i = 0; i < 4; ++i) b.push_back(uint8_t(ext >> (8 * i)));
        for (int i = 0; i < 4; ++i) b.push_back(0);
        const char sig[] = "TRUEVISION-XFILE.";
        b.insert(b.end(), sig, sig + 18);
    }
    return b;
}

std::optional<Image> decode(const Bytes& b, std::string* why = nullptr) {
    std::string error;
    auto img = decodeTga(b, error);
    if (why) *why = error;
    return img;
}

constexpr uint32_t kRed = rgba(255, 0, 0, 255), kGreen = rgba(0, 255, 0, 255),
                   kBlue = rgba(0, 0, 255, 255), kWhite = rgba(255, 255, 255, 255);

// 24-bit BGR pixels of  red green / blue white  in file order for the given origin bits.
Bytes quad24(uint8_t descriptor) {
    const Bytes r = {0, 0, 255}, g = {0, 255, 0}, bl = {255, 0, 0}, w = {255, 255, 255};
    const bool top = descriptor & 0x20, rtl = descriptor & 0x10;
    std::vector<Bytes> order =
        top ? std::vector<Bytes>{r, g, bl, w} : std::vector<Bytes>{bl, w, r, g};
    if (rtl) {
        std::swap(order[0], order[1]);
        std::swap(order[2], order[3]);
    }
    Bytes out;
    for (const Bytes& p : order) out.insert(out.end(), p.begin(), p.end());
    return out;
}

TEST(Tga, EveryOriginGivesTheSamePicture) {
    for (uint8_t d : {0x00, 0x10, 0x20, 0x30}) {
        SCOPED_TRACE(int(d));
        TgaFields s;
        s.descriptor = d;
        s.data = quad24(d);
        auto img = decode(makeTga(s));
        ASSERT_TRUE(img);
        EXPECT_EQ(img->pixels, (std::vector<uint32_t>{kRed, kGreen, kBlue, kWhite}));
    }
}

TEST(Tga, PixelFormats) {
    struct Case {
        const char* name;
        TgaFields fields;
        std::vector<uint32_t> want;
    };
    std::vector<Case> cases;
    TgaFields s;
    s.width = 2;
    s.height = 1;
    s.descriptor = 0x20;
    s.type = 3;  // grey
    s.bits = 8;
    s.data = {0, 200};
    cases.push_back({"grey", s, {rgba(0, 0, 0, 255), rgba(200, 200, 200, 255)}});
    s.bits = 16;  // grey + alpha
    s.descriptor = 0x28;
    s.data = {10, 0, 20, 77};
    cases.push_back({"greyAlpha", s, {rgba(10, 10, 10, 0), rgba(20, 20, 20, 77)}});
    s.type = 2;  // X1R5G5B5: 21 -> 173 exactly; the attribute bit does not become alpha
    s.bits = 16;
    s.descriptor = 0x21;
    s.data = {0x1F, 0x54, 0xEA, 0x83};
    cases.push_back({"rgb16", s, {rgba(173, 0, 255, 255), rgba(0, 255, 82, 255)}});
    s.bits = 32;
    s.descriptor = 0x28;
    s.data = {1, 2, 3, 0, 4, 5, 6, 200};
    cases.push_back({"rgba32", s, {rgba(3, 2, 1, 0), rgba(6, 5, 4, 200)}});
    s.descriptor = 0x20;  // no alpha bits: the fourth byte is not alpha
    cases.push_back({"rgb32NoAlphaBits", s, {rgba(3, 2, 1, 255), rgba(6, 5, 4, 255)}});
    s.descriptor = 0x28;
    s.attributes = 2;  // the extension says the alpha is undefined
    cases.push_back({"rgba32AlphaUndefined", s, {rgba(3, 2, 1, 255), rgba(6, 5, 4, 255)}});
    s.attributes = 4;  // premultiplied
    s.data = {50, 0, 100, 128, 4, 5, 6, 0};
    cases.push_back({"premultiplied", s, {rgba(199, 0, 100, 128), 0}});
    s.attributes = -1;
    s.type = 1;  // colour-mapped, 24-bit entries, map starting at index 5
    s.bits = 8;
    s.descriptor = 0x20;
    s.mapBits = 24;
    s.mapFirst = 5;
    s.map = {0, 0, 255, 0, 255, 0};
    s.data = {6, 5};
    cases.push_back({"colourMap", s, {kGreen, kRed}});
    s.mapBits = 15;  // 15-bit map entries
    s.map = {0x00, 0x7C, 0x1F, 0x00};
    cases.push_back({"colourMap15", s, {kBlue, kRed}});
    s.mapBits = 32;  // 32-bit map entries keep their alpha
    s.map = {0, 0, 255, 40, 0, 255, 0, 255};
    cases.push_back({"colourMap32", s, {kGreen, rgba(255, 0, 0, 40)}});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string why;
        auto img = decode(makeTga(c.fields), &why);
        ASSERT_TRUE(img) << why;
        EXPECT_EQ(img->pixels, c.want);
    }
}

TEST(Tga, RlePacketsMayCrossRowsButNotTheImageEnd) {
    TgaFields s;
    s.type = 10;
    s.descriptor = 0x20;
    // A run of three red, then a raw packet of one white: three pixels cross into row two.
    s.data = {0x82, 0, 0, 255, 0x00, 255, 255, 255};
    std::string why;
    auto img = decode(makeTga(s), &why);
    ASSERT_TRUE(img) << why;
    EXPECT_EQ(img->pixels, (std::vector<uint32_t>{kRed, kRed, kRed, kWhite}));

    s.data = {0x84, 0, 0, 255};  // five pixels in an image of four
    EXPECT_FALSE(decode(makeTga(s), &why));
    EXPECT_NE(why.find("past the end"), std::string::npos) << why;

    s.type = 11;  // grey RLE, raw packet of two
    s.bits = 8;
    s.data = {0x01, 10, 20, 0x81, 30};
    img = decode(makeTga(s), &why);
    ASSERT_TRUE(img) << why;
    EXPECT_EQ(img->pixels[3], rgba(30, 30, 30, 255));
}

TEST(Tga, RefusesMalformedFiles) {
    struct Case {
        const char* name;
        TgaFields fields;
        size_t cut;  // bytes removed from the end
        const char* reason;
    };
    TgaFields ok;
    ok.data = quad24(0);
    std::vector<Case> cases;
    auto add = [&](const char* n, auto change, size_t cut, const char* r) {
        TgaFields s = ok;
        change(s);
        cases.push_back({n, s, cut, r});
    };
    add(
        "noImage", [](TgaFields& s) { s.type = 0; }, 0, "no image");
    add(
        "type", [](TgaFields& s) { s.type = 32; }, 0, "type");
    add(
        "depth", [](TgaFields& s) { s.bits = 12; }, 0, "depth");
    add(
        "zeroWidth", [](TgaFields& s) { s.width = 0; }, 0, "size");
    add(
        "truncated", [](TgaFields&) {}, 1, "truncated");
    add(
        "truncatedRle",
        [](TgaFields& s) {
            s.type = 10;
            s.data = {0x81, 0, 0, 255, 0x81, 0};
        },
        0, "truncated");
    add(
        "mapMissing",
        [](TgaFields& s) {
            s.type = 1;
            s.bits = 8;
        },
        0, "colour map");
    add(
        "mapEntryBits",
        [](TgaFields& s) {
            s.type = 1;
            s.bits = 8;
            s.mapBits = 8;
            s.map = {0, 1};
        },
        0, "entry size");
    add(
        "indexOutsideMap",
        [](TgaFields& s) {
            s.type = 1;
            s.bits = 8;
            s.mapBits = 24;
            s.map = {0, 0, 0};
            s.data = {0, 0, 0, 1};
        },
        0, "outside");
    add(
        "hugeClaimTinyData", [](TgaFields& s) { s.width = s.height = 30000; }, 0, "");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes file = makeTga(c.fields);
        file.resize(file.size() - c.cut);
        std::string why;
        EXPECT_FALSE(decode(file, &why));
        EXPECT_FALSE(why.empty());
        EXPECT_NE(why.find(c.reason), std::string::npos) << why;
    }
    const Bytes full = makeTga(ok);
    for (size_t n = 0; n < full.size(); ++n)
        EXPECT_FALSE(decode(Bytes(full.begin(), full.begin() + n))) << "cut at " << n;
}

}  // namespace
}  // namespace qm
