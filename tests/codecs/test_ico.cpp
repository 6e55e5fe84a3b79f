// ICO and CUR reader: entry choice, AND masks, PNG entries and damaged directories.
#include <gtest/gtest.h>

#include <array>
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

// An icon DIB of w x h at 24 or 32 bits where every pixel is `bgra`, and an AND mask that makes
// the pixels listed in `masked` (indices, top row first) transparent.
Bytes makeDib(int w, int h, int bpp, std::array<uint8_t, 4> bgra, std::vector<int> masked = {}) {
    Bytes b;
    put32(b, 40);
    put32(b, uint32_t(w));
    put32(b, uint32_t(h * 2));
    put16(b, 1);
    put16(b, uint16_t(bpp));
    for (int i = 0; i < 6; ++i) put32(b, 0);
    const size_t stride = (size_t(w) * bpp + 31) / 32 * 4;
    for (int y = 0; y < h; ++y) {
        Bytes row;
        for (int x = 0; x < w; ++x) row.insert(row.end(), bgra.begin(), bgra.begin() + bpp / 8);
        row.resize(stride, 0);
        b.insert(b.end(), row.begin(), row.end());
    }
    const size_t maskStride = (size_t(w) + 31) / 32 * 4;
    Bytes mask(maskStride * h, 0);
    for (int i : masked) {
        const int x = i % w, fileRow = h - 1 - i / w;
        mask[fileRow * maskStride + x / 8] |= uint8_t(0x80 >> (x % 8));
    }
    b.insert(b.end(), mask.begin(), mask.end());
    return b;
}

struct Entry {
    int w, h, bpp;
    Bytes data;
};

Bytes makeIco(const std::vector<Entry>& entries, uint16_t type = 1) {
    Bytes b;
    put16(b, 0);
    put16(b, type);
    put16(b, uint16_t(entries.size()));
    uint32_t offset = uint32_t(6 + 16 * entries.size());
    for (const Entry& e : entries) {
        b.push_back(uint8_t(e.w & 0xFF));  // 256 is stored as 0
        b.push_back(uint8_t(e.h & 0xFF));
        b.push_back(0);
        b.push_back(0);
        put16(b, 1);
        put16(b, uint16_t(e.bpp));
        put32(b, uint32_t(e.data.size()));
        put32(b, offset);
        offset += uint32_t(e.data.size());
    }
    for (const Entry& e : entries) b.insert(b.end(), e.data.begin(), e.data.end());
    return b;
}

std::optional<Image> decode(const Bytes& b, std::string* why = nullptr) {
    std::string error;
    auto img = decodeIco(b, error);
    if (why) *why = error;
    return img;
}

TEST(Ico, AndMaskAppliesWithoutAlphaOnly) {
    std::string why;
    // 24-bit: the mask decides.
    auto img = decode(makeIco({{2, 2, 24, makeDib(2, 2, 24, {10, 20, 30, 0}, {1, 2})}}), &why);
    ASSERT_TRUE(img) << why;
    const uint32_t c = rgba(30, 20, 10, 255);
    EXPECT_EQ(img->pixels, (std::vector<uint32_t>{c, 0, 0, c}));
    // 32-bit with alpha: the alpha decides, the mask is ignored.
    img = decode(makeIco({{2, 2, 32, makeDib(2, 2, 32, {10, 20, 30, 128}, {1, 2})}}), &why);
    ASSERT_TRUE(img) << why;
    EXPECT_EQ(img->pixels, std::vector<uint32_t>(4, rgba(30, 20, 10, 128)));
    // 32-bit whose alpha is zero throughout carries no alpha: the mask decides.
    img = decode(makeIco({{2, 2, 32, makeDib(2, 2, 32, {10, 20, 30, 0}, {0})}}), &why);
    ASSERT_TRUE(img) << why;
    EXPECT_EQ(img->pixels, (std::vector<uint32_t>{0, c, c, c}));
}

TEST(Ico, PicksTheLargestThenTheDeepestThenTheFirst) {
    const Bytes red = makeDib(2, 2, 24, {0, 0, 255, 0}), green = makeDib(2, 2, 24, {0, 255, 0, 0});
    const Bytes blue32 = makeDib(2, 2, 32, {255, 0, 0, 255}), big = makeDib(3, 3, 24, {1, 2, 3, 0});
    struct Case {
        const char* name;
        std::vector<Entry> entries;
        int width;
        uint32_t pixel;
    };
    const std::vector<Case> cases = {
        {"largest", {{2, 2, 24, red}, {3, 3, 24, big}, {2, 2, 32, blue32}}, 3, rgba(3, 2, 1, 255)},
        {"deepest", {{2, 2, 24, red}, {2, 2, 32, blue32}}, 2, rgba(0, 0, 255, 255)},
        {"firstOfEquals", {{2, 2, 24, red}, {2, 2, 24, green}}, 2, rgba(255, 0, 0, 255)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string why;
        auto img = decode(makeIco(c.entries), &why);
        ASSERT_TRUE(img) << why;
        EXPECT_EQ(img->width, c.width);
        EXPECT_EQ(img->pixels[0], c.pixel);
    }
}

TEST(Ico, ZeroInTheDirectoryMeans256AndCursorsWork) {
    const Bytes small = makeDib(16, 16, 24, {0, 0, 0, 0});
    const Bytes large = makeDib(256, 256, 24, {9, 9, 9, 0});
    for (uint16_t type : {1, 2}) {
        std::string why;
        auto img = decode(makeIco({{16, 16, 24, small}, {256, 256, 24, large}}, type), &why);
        ASSERT_TRUE(img) << why;
        EXPECT_EQ(img->width, 256);
        EXPECT_EQ(img->height, 256);
    }
}

TEST(Ico, PngEntriesGoThroughThePngDecoder) {
    auto src = createImage(3, 2, 32);
    ASSERT_TRUE(src);
    src->pixels = {rgba(1, 2, 3, 4), rgba(5, 6, 7, 8), 0, rgba(9, 9, 9, 255), 0, 0};
    Bytes png;
    std::string why;
    if (!encodePng(*src, png, why)) {
        // Without a PNG codec the entry must still fail cleanly, naming what it was.
        EXPECT_FALSE(decode(makeIco({{3, 2, 32, {0x89, 'P', 'N', 'G', 13, 10, 26, 10}}}), &why));
        EXPECT_NE(why.find("PNG"), std::string::npos) << why;
        GTEST_SKIP() << "PNG encoder not available: " << why;
    }
    auto img =
        decode(makeIco({{2, 2, 24, makeDib(2, 2, 24, {1, 1, 1, 0})}, {3, 2, 32, png}}), &why);
    ASSERT_TRUE(img) << why;
    EXPECT_EQ(img->pixels, src->pixels);
}

TEST(Ico, RefusesDamagedFiles) {
    const Bytes good = makeIco({{2, 2, 24, makeDib(2, 2, 24, {1, 2, 3, 0})}});
    struct Case {
        const char* name;
        std::function<void(Bytes&)> damage;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"type", [](Bytes& f) { f[2] = 3; }, "not an ICO"},
        {"noEntries", [](Bytes& f) { f[4] = 0; }, "no images"},
        {"directoryTruncated", [](Bytes& f) { f[4] = 40; }, "directory"},
        {"entryOutsideFile", [](Bytes& f) { f[18 + 3] = 0x10; }, "outside"},
        {"entryShorterThanItsImage", [](Bytes& f) { f[14] -= 10; }, "truncated"},
        {"maskMissing", [](Bytes& f) { f[14] -= 8; }, "mask"},
        {"hugeDib", [](Bytes& f) { f[22 + 4 + 3] = 0x40; }, "exceeds"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes f = good;
        c.damage(f);
        std::string why;
        EXPECT_FALSE(decode(f, &why));
        EXPECT_NE(why.find(c.reason), std::string::npos) << why;
    }
    for (size_t n = 0; n < good.size(); ++n)
        EXPECT_FALSE(decode(Bytes(good.begin(), good.begin() + n))) << "cut at " << n;
}

// A compressed entry whose size field reaches far past the entry: the decoder reads the entry's
// own bytes only, never the next entry's or past the end of the file.
TEST(Ico, CompressedEntryStopsAtItsOwnEnd) {
    Bytes rle;
    put32(rle, 40);
    put32(rle, 2);
    put32(rle, 4);  // colour rows and mask together
    put16(rle, 1);
    put16(rle, 8);
    put32(rle, 1);            // RLE8
    put32(rle, 0x7FFFFFFFu);  // image size
    put32(rle, 0);
    put32(rle, 0);
    put32(rle, 2);  // colours used
    put32(rle, 0);
    for (uint8_t v : {10, 20, 30, 0, 40, 50, 60, 0}) rle.push_back(v);
    // Bottom row two of colour 1, end of line, top row two of colour 0; no end-of-bitmap code.
    for (uint8_t v : {2, 1, 0, 0, 2, 0}) rle.push_back(v);
    const Bytes file = makeIco({{2, 2, 8, rle}, {1, 1, 24, makeDib(1, 1, 24, {1, 2, 3, 0})}});
    for (const Bytes& f : {file, Bytes(file.begin(), file.end() - 48)}) {  // also as the last
        std::string why;
        const auto img = decode(f, &why);
        ASSERT_TRUE(img) << why;
        const uint32_t c0 = rgba(30, 20, 10, 255), c1 = rgba(60, 50, 40, 255);
        EXPECT_EQ(img->pixels, (std::vector<uint32_t>{c0, c0, c1, c1}));
    }
}

}  // namespace
}  // namespace qm
