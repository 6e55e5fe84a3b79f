// PNG decoding of every colour type through libpng, our encoder, and the refusal of bad files.
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>

#include "codecs/codecs.h"
#include "codecs/decode_tiles_check.h"
#include "codecs/encoded_bytes.h"
#include "codecs/png_rows.h"

namespace qm {
namespace {

// Writes raw rows (already packed for the colour type and depth) as a PNG with libpng, so the
// tests can make the files our encoder never writes. Adds tRNS / PLTE / gAMA when asked.
struct PngLayout {
    int width = 1, height = 1, colourType = PNG_COLOR_TYPE_GRAY, depth = 8;
    std::vector<std::vector<uint8_t>> rows;
    bool interlaced = false;
    std::vector<png_color> palette;
    std::vector<uint8_t> paletteAlpha;
    std::optional<png_color_16> key;
    bool gamma = false;
    int filters = -1;          // libpng's choice unless set (PNG_FILTER_*)
    bool smallChunks = false;  // the image data split into many IDAT chunks

    PngLayout withPalette(std::vector<png_color> p, std::vector<uint8_t> a) const {
        PngLayout s = *this;
        s.palette = std::move(p);
        s.paletteAlpha = std::move(a);
        return s;
    }
    PngLayout withKey(png_color_16 k) const {
        PngLayout s = *this;
        s.key = k;
        return s;
    }
    PngLayout withGamma() const {
        PngLayout s = *this;
        s.gamma = true;
        return s;
    }
};

PngLayout layout(int w, int h, int colourType, int depth, std::vector<std::vector<uint8_t>> rows) {
    PngLayout s;
    s.width = w;
    s.height = h;
    s.colourType = colourType;
    s.depth = depth;
    s.rows = std::move(rows);
    return s;
}

void appendBytes(png_structp png, png_bytep data, size_t n) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}

std::vector<uint8_t> writeLayout(const PngLayout& s) {
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<png_bytep> rows;
    for (auto& r : s.rows) rows.push_back(const_cast<png_bytep>(r.data()));
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        ADD_FAILURE() << "could not write the test PNG";
        return {};
    }
    png_set_write_fn(png, &out, appendBytes, nullptr);
    png_set_IHDR(png, info, s.width, s.height, s.depth, s.colourType,
                 s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!s.palette.empty()) png_set_PLTE(png, info, s.palette.data(), int(s.palette.size()));
    if (!s.paletteAlpha.empty())
        png_set_tRNS(png, info, s.paletteAlpha.data(), int(s.paletteAlpha.size()), nullptr);
    if (s.key) png_set_tRNS(png, info, nullptr, 0, &*s.key);
    if (s.gamma) png_set_gAMA(png, info, 1.0);  // would brighten everything if applied
    if (s.filters >= 0) png_set_filter(png, PNG_FILTER_TYPE_BASE, s.filters);
    if (s.smallChunks) png_set_compression_buffer_size(png, 64);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

Image decodeOk(const std::vector<uint8_t>& bytes) {
    std::string error;
    auto img = decodePng(bytes, error);
    EXPECT_TRUE(img) << error;
    return img ? *img : Image{};
}

struct DecodeCase {
    const char* name;
    PngLayout layout;
    std::vector<uint32_t> expected;  // row-major
};

png_color_16 greyKey(uint16_t g) {
    png_color_16 c{};
    c.gray = g;
    return c;
}
png_color_16 rgbKey(uint16_t r, uint16_t g, uint16_t b) {
    png_color_16 c{};
    c.red = r;
    c.green = g;
    c.blue = b;
    return c;
}

TEST(PngDecode, ColourTypesAndDepthsBecomeStraightRgba) {
    const uint32_t o = 0xFF000000u;
    std::vector<DecodeCase> cases = {
        // Low-depth grey is scaled exactly: x255, x85, x17.
        {"grey1",
         layout(4, 1, PNG_COLOR_TYPE_GRAY, 1, {{0b10100000}}),
         {o | 0xFFFFFF, o, o | 0xFFFFFF, o}},
        {"grey2",
         layout(4, 1, PNG_COLOR_TYPE_GRAY, 2, {{0b00011011}}),
         {o, o | 0x555555, o | 0xAAAAAA, o | 0xFFFFFF}},
        {"grey4", layout(2, 1, PNG_COLOR_TYPE_GRAY, 4, {{0x3F}}), {o | 0x333333, o | 0xFFFFFF}},
        {"grey8, gAMA not applied",
         layout(2, 1, PNG_COLOR_TYPE_GRAY, 8, {{10, 200}}).withGamma(),
         {o | 0x0A0A0A, o | 0xC8C8C8}},
        // 16 bits keep the high byte (0x12FF stays 0x12, not rounded up).
        {"grey16", layout(1, 1, PNG_COLOR_TYPE_GRAY, 16, {{0x12, 0xFF}}), {o | 0x121212}},
        {"rgb16",
         layout(1, 1, PNG_COLOR_TYPE_RGB, 16, {{0x01, 0xFF, 0x80, 0x80, 0xFE, 0x01}}),
         {o | rgb(0x01, 0x80, 0xFE)}},
        {"grey+alpha8",
         layout(1, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, {{50, 7}}),
         {rgba(50, 50, 50, 7)}},
        {"rgba16",
         layout(1, 1, PNG_COLOR_TYPE_RGB_ALPHA, 16, {{1, 0, 2, 0, 3, 0, 0x80, 0xFF}}),
         {rgba(1, 2, 3, 0x80)}},
        {"palette4+tRNS",
         layout(3, 1, PNG_COLOR_TYPE_PALETTE, 4, {{0x01, 0x20}})
             .withPalette({{255, 0, 0}, {0, 255, 0}, {0, 0, 255}}, {255, 40}),
         {rgba(255, 0, 0, 255), rgba(0, 255, 0, 40), rgba(0, 0, 255, 255)}},
        {"grey key",
         layout(2, 1, PNG_COLOR_TYPE_GRAY, 8, {{9, 10}}).withKey(greyKey(9)),
         {rgba(9, 9, 9, 0), o | 0x0A0A0A}},
        {"16-bit rgb key compared before stripping",
         layout(2, 1, PNG_COLOR_TYPE_RGB, 16, {{1, 2, 3, 4, 5, 6, 1, 2, 3, 4, 5, 7}})
             .withKey(rgbKey(0x0102, 0x0304, 0x0506)),
         {rgba(1, 3, 5, 0), rgba(1, 3, 5, 255)}},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Image img = decodeOk(writeLayout(c.layout));
        ASSERT_EQ(img.width, c.layout.width);
        ASSERT_EQ(img.height, c.layout.height);
        EXPECT_EQ(img.depth, 32);
        EXPECT_EQ(img.pixels, c.expected);
    }
}

TEST(PngDecode, LowDepthGreyKeyUsesOnlyTheSampleBits) {
    // libpng refuses to write such a key, so write 1 and patch it to 0x00FF (white for 1-bit,
    // as the format says only the low bits count); pypng ignores the key instead.
    auto bytes =
        writeLayout(layout(2, 1, PNG_COLOR_TYPE_GRAY, 1, {{0b10000000}}).withKey(greyKey(1)));
    const auto at =
        std::search(bytes.begin(), bytes.end(), std::begin("tRNS"), std::begin("tRNS") + 4);
    ASSERT_NE(at, bytes.end());
    at[4] = 0x00;
    at[5] = 0xFF;
    const uint32_t crc = uint32_t(crc32(0, &*at, 6));
    for (int i = 0; i < 4; ++i) at[6 + i] = uint8_t(crc >> (24 - 8 * i));
    EXPECT_EQ(decodeOk(bytes).pixels, (std::vector<uint32_t>{0x00FFFFFFu, 0xFF000000u}));
}

Image patterned(int w, int h, bool withAlpha) {
    Image img = *createImage(w, h, withAlpha ? 32 : 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.at(x, y) = rgba(x * 7 & 255, y * 13 & 255, (x ^ y) & 255,
                                withAlpha ? ((x + y) * 29) & 255 : 255);
    return img;
}

TEST(PngDecode, InterlacedMatchesNonInterlaced) {
    const int w = 13, h = 11;  // not a multiple of the Adam7 8x8 block
    PngLayout plain = layout(w, h, PNG_COLOR_TYPE_RGB_ALPHA, 8, {});
    for (int y = 0; y < h; ++y) {
        std::vector<uint8_t> row;
        for (int x = 0; x < w; ++x)
            for (int v : {x * 19, y * 23, x + y, 255 - x * y}) row.push_back(uint8_t(v));
        plain.rows.push_back(row);
    }
    PngLayout adam7 = plain;
    adam7.interlaced = true;
    EXPECT_EQ(decodeOk(writeLayout(plain)).pixels, decodeOk(writeLayout(adam7)).pixels);
}

// libpng's own decode of a file to straight RGBA, for comparison.
std::vector<uint32_t> libpngRgba(const std::vector<uint8_t>& bytes) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return {};
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint32_t> pixels(size_t(image.width) * image.height);
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return {};
    return pixels;
}

// Every row filter, in RGB and RGBA, at widths around the four-pixel steps of the Sub filter,
// in one IDAT chunk or many, with a palette hint or a colour key: the same pixels as libpng.
TEST(PngDecode, EightBitRgbAndRgbaAgreeWithLibpng) {
    const int filters[] = {PNG_FILTER_NONE, PNG_FILTER_SUB,   PNG_FILTER_UP,
                           PNG_FILTER_AVG,  PNG_FILTER_PAETH, PNG_ALL_FILTERS};
    for (int colourType : {PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGB_ALPHA})
        for (int filter : filters)
            for (int w : {1, 4, 5, 8, 9, 31}) {
                const int h = 7, channels = colourType == PNG_COLOR_TYPE_RGB ? 3 : 4;
                PngLayout s = layout(w, h, colourType, 8, {});
                for (int y = 0; y < h; ++y) {
                    std::vector<uint8_t> row;
                    for (int x = 0; x < w * channels; ++x)
                        row.push_back(uint8_t((x * 37 + y * 101 + (x * y) % 13) * 7));
                    s.rows.push_back(row);
                }
                s.filters = filter;
                s.smallChunks = w == 31;
                if (w == 9 && channels == 3)
                    s = s.withKey(rgbKey(s.rows[0][0], s.rows[0][1], s.rows[0][2]));
                if (w == 8 && channels == 3) s.palette = {{1, 2, 3}, {4, 5, 6}};
                SCOPED_TRACE("type " + std::to_string(colourType) + " filter " +
                             std::to_string(filter) + " width " + std::to_string(w));
                const auto bytes = writeLayout(s);
                const auto expected = libpngRgba(bytes);
                ASSERT_FALSE(expected.empty());
                EXPECT_EQ(decodeOk(bytes).pixels, expected);
            }
}

TEST(PngEncode, RoundTripsRgbaAndRgb) {
    for (bool withAlpha : {true, false})
        for (auto [w, h] : {std::pair{1, 1}, {37, 5}, {64, 64}}) {
            SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + (withAlpha ? " rgba" : ""));
            const Image src = patterned(w, h, withAlpha);
            std::vector<uint8_t> bytes;
            std::string error;
            ASSERT_TRUE(encodePng(src, bytes, error)) << error;
            // IHDR colour type: 6 = RGBA for 32-bit images, 2 = RGB for 24-bit ones.
            ASSERT_GT(bytes.size(), 26u);
            EXPECT_EQ(bytes[25], withAlpha ? 6 : 2);
            const Image back = decodeOk(bytes);
            EXPECT_EQ(back.pixels, src.pixels);  // 24-bit sources carry alpha 255 already
        }
}

// A tiled image (some tiles missing, edge tiles cut) is written as its whole image would be.
TEST(PngEncode, TilesGiveTheBytesOfTheWholeImage) {
    for (auto [w, h] : {std::pair{1, 1}, {65, 3}, {130, 70}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        Image whole = patterned(w, h, true);
        // The top-left tile transparent, so it stays missing in the tiled copy.
        for (int y = 0; y < std::min(h, 64); ++y)
            for (int x = 0; x < std::min(w, 64); ++x)
                if (w > 64) whole.at(x, y) = 0;
        std::vector<uint8_t> fromWhole, fromTiles;
        std::string error;
        ASSERT_TRUE(encodePng(whole, fromWhole, error)) << error;
        ASSERT_TRUE(encodePngOfTiles(tiledFrom(whole), fromTiles, error)) << error;
        EXPECT_EQ(fromTiles, fromWhole);
    }
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_FALSE(encodePngOfTiles(TiledImage{}, bytes, error));
    EXPECT_FALSE(error.empty());
}

// The encoders that write into pooled blocks give the bytes of the ones that write vectors,
// one file after another into the same block (smaller, then larger than the block).
TEST(PngEncode, PooledOutputHoldsTheSameBytes) {
    EncodedBytes pooled;
    for (auto [w, h] : {std::pair{130, 70}, {3, 2}, {300, 260}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        const Image whole = patterned(w, h, true);
        std::vector<uint8_t> expected;
        std::string error;
        ASSERT_TRUE(encodePng(whole, expected, error)) << error;
        ASSERT_TRUE(encodePngOfTiles(tiledFrom(whole), pooled, error)) << error;
        EXPECT_TRUE(std::ranges::equal(pooled.bytes(), expected));

        const PngRowSource rows = [&](int y, uint32_t* row) { std::copy_n(whole.row(y), w, row); };
        std::vector<uint8_t> rowsExpected;
        ASSERT_TRUE(encodePngRows(w, h, rows, 2, rowsExpected, error)) << error;
        ASSERT_TRUE(encodePngRows(w, h, rows, 2, pooled, error)) << error;
        EXPECT_TRUE(std::ranges::equal(pooled.bytes(), rowsExpected));
        EXPECT_EQ(decodeOk(rowsExpected).pixels, whole.pixels);
    }
}

TEST(PngEncode, RefusesAnEmptyImage) {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_FALSE(encodePng(Image{}, bytes, error));
    EXPECT_FALSE(error.empty());
}

// A valid small file to damage.
std::vector<uint8_t> samplePng() {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(encodePng(patterned(20, 20, true), bytes, error));
    return bytes;
}

void putU32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (24 - 8 * i));
}

// Sets IHDR's width and height and fixes its CRC, so only the size is wrong.
std::vector<uint8_t> withSize(uint32_t w, uint32_t h) {
    auto b = samplePng();
    putU32(b, 16, w);
    putU32(b, 20, h);
    putU32(b, 29, uint32_t(crc32(0, b.data() + 12, 17)));
    return b;
}

TEST(PngDecode, RejectsDamagedFilesWithAReason) {
    const auto good = samplePng();
    struct Bad {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* mentions;
    };
    std::vector<Bad> cases;
    cases.push_back({"empty", {}, "signature"});
    auto sig = good;
    sig[4] = '\n';  // CR/LF damage in the signature
    cases.push_back({"signature", sig, "signature"});
    auto ihdrCrc = good;
    ihdrCrc[29] ^= 0xFF;
    cases.push_back({"IHDR CRC", ihdrCrc, "CRC"});
    auto idatCrc = good;
    idatCrc[good.size() - 12 - 1] ^= 0x01;  // last byte of the IDAT CRC, before IEND
    cases.push_back({"IDAT CRC", idatCrc, "CRC"});
    for (size_t cut : {size_t(8), size_t(20), size_t(33), size_t(45), good.size() - 20})
        cases.push_back(
            {"truncated", std::vector<uint8_t>(good.begin(), good.begin() + long(cut)), ""});
    auto cgbi = good;
    const uint8_t chunk[] = {0, 0, 0, 4, 'C', 'g', 'B', 'I', 0x50, 0, 0x20, 0x02, 0, 0, 0, 0};
    cgbi.insert(cgbi.begin() + 8, chunk, chunk + sizeof chunk);
    cases.push_back({"CgBI", cgbi, "CgBI"});
    cases.push_back({"too wide", withSize(40000, 1), "exceeds"});
    cases.push_back({"too many pixels", withSize(20000, 20000), "exceeds"});
    cases.push_back({"zero height", withSize(20, 0), ""});

    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        EXPECT_FALSE(decodePng(c.bytes, error));
        EXPECT_FALSE(error.empty());
        EXPECT_NE(error.find(c.mentions), std::string::npos) << error;
    }
}

TEST(PngDecode, IgnoresTrailingDataAndDamageAfterThePixels) {
    auto b = samplePng();
    const auto expected = decodeOk(b).pixels;
    b.resize(b.size() - 6);  // IEND cut short
    EXPECT_EQ(decodeOk(b).pixels, expected);
}

// A PNG of raw rows (each a filter byte and the row's bytes) in one zlib stream and one IDAT
// chunk, made without libpng so that the rows may be anything.
std::vector<uint8_t> pngOfRawRows(int w, int h, int colourType, const std::vector<uint8_t>& raw) {
    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    auto chunk = [&](const char* type, const std::vector<uint8_t>& body) {
        for (int i = 0; i < 4; ++i) out.push_back(uint8_t(body.size() >> (24 - 8 * i)));
        const size_t start = out.size();
        out.insert(out.end(), type, type + 4);
        out.insert(out.end(), body.begin(), body.end());
        const uint32_t crc = uint32_t(crc32(0, out.data() + start, uInt(out.size() - start)));
        for (int i = 0; i < 4; ++i) out.push_back(uint8_t(crc >> (24 - 8 * i)));
    };
    std::vector<uint8_t> ihdr;
    for (uint32_t v : {uint32_t(w), uint32_t(h)})
        for (int i = 0; i < 4; ++i) ihdr.push_back(uint8_t(v >> (24 - 8 * i)));
    ihdr.insert(ihdr.end(), {8, uint8_t(colourType), 0, 0, 0});
    chunk("IHDR", ihdr);
    uLongf size = compressBound(uLong(raw.size()));
    std::vector<uint8_t> z(size);
    compress(z.data(), &size, raw.data(), uLong(raw.size()));
    z.resize(size);
    chunk("IDAT", z);
    chunk("IEND", {});
    return out;
}

// Every way into the tiles (the quick way for 8-bit RGB and RGBA, libpng's rows for anything
// else, an interlaced file decoded whole), with tiles that are all transparent, edge tiles cut,
// and files that fail before, during or after the first band: the tiles of the whole image, or
// the same message.
TEST(PngDecode, TilesEqualTheWholeImageAssigned) {
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
    for (auto [w, h] : {std::pair{1, 1}, {63, 65}, {64, 64}, {130, 70}, {200, 129}}) {
        for (bool withAlpha : {true, false}) {
            Image img = patterned(w, h, withAlpha);
            // A transparent block over the first tiles and a transparent last row.
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    if (withAlpha && ((x < 100 && y < 64) || y == h - 1)) img.at(x, y) = 0;
            std::vector<uint8_t> bytes;
            std::string error;
            ASSERT_TRUE(encodePng(img, bytes, error)) << error;
            const std::string name =
                std::to_string(w) + "x" + std::to_string(h) + (withAlpha ? " rgba" : " rgb");
            files.push_back({name + " (our encoder)", bytes});
            // The same rows through libpng's writer: adaptive filters, small chunks, then
            // interlaced and 16-bit (libpng's way in).
            const int channels = withAlpha ? 4 : 3;
            PngLayout s =
                layout(w, h, withAlpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, 8, {});
            PngLayout wide = s;
            wide.depth = 16;
            for (int y = 0; y < h; ++y) {
                std::vector<uint8_t> row, row16;
                for (int x = 0; x < w; ++x)
                    for (int c = 0; c < channels; ++c) {
                        const uint8_t v = uint8_t(img.at(x, y) >> (8 * c));
                        row.push_back(v);
                        row16.insert(row16.end(), {v, uint8_t(x)});
                    }
                s.rows.push_back(row);
                wide.rows.push_back(row16);
            }
            s.filters = PNG_ALL_FILTERS;
            s.smallChunks = true;
            files.push_back({name + " (libpng)", writeLayout(s)});
            s.interlaced = true;
            files.push_back({name + " interlaced", writeLayout(s)});
            files.push_back({name + " 16-bit", writeLayout(wide)});
        }
    }
    files.push_back({"palette with alpha",
                     writeLayout(layout(70, 2, PNG_COLOR_TYPE_PALETTE, 8,
                                        {std::vector<uint8_t>(70, 1), std::vector<uint8_t>(70, 0)})
                                     .withPalette({{0, 0, 0}, {9, 8, 7}}, {0, 255}))});

    // Damage found in the second band of rows, after the first band's tiles were made: a
    // filter type that does not exist, and image data that ends early.
    const int w = 70, h = 140;
    std::vector<uint8_t> raw;
    for (int y = 0; y < h; ++y) {
        raw.push_back(y == 100 ? 7 : 0);
        for (int x = 0; x < w * 4; ++x) raw.push_back(uint8_t(x * y + 1));
    }
    files.push_back({"bad filter type in row 100", pngOfRawRows(w, h, 6, raw)});
    raw.resize(raw.size() / 2);
    files.push_back({"image data ends in row 70", pngOfRawRows(w, h, 6, raw)});

    const auto good = std::find_if(files.begin(), files.end(), [](const auto& f) {
                          return f.first == "63x65 rgba (our encoder)";
                      })->second;
    for (size_t cut = 0; cut < good.size(); cut += 7)
        files.push_back({"cut at " + std::to_string(cut),
                         std::vector<uint8_t>(good.begin(), good.begin() + long(cut))});
    for (size_t at : {size_t(4), size_t(29), good.size() / 2, good.size() - 13}) {
        auto damaged = good;
        damaged[at] ^= 0x10;
        files.push_back({"byte " + std::to_string(at) + " damaged", damaged});
    }
    files.push_back({"too wide", withSize(40000, 1)});
    files.push_back({"zero height", withSize(20, 0)});

    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(tilesDecodeAsWhole(bytes));
        if (name.find(" row ") != std::string::npos) {
            std::string error;
            EXPECT_FALSE(decodePngTiles(bytes, error));
            EXPECT_NE(error.find("PNG: "), std::string::npos) << error;
        }
    }
}

}  // namespace
}  // namespace qm
