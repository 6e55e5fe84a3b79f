// TIFF decoding through libtiff's RGBA interface: layouts, orientation, alpha (which libtiff
// premultiplies and we divide back), and refusals.
#include <gtest/gtest.h>
#include <tiffio.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "codecs/codecs.h"

namespace qm {
namespace {

namespace fs = std::filesystem;

// Makes a TIFF file with libtiff: `fill` sets the tags and writes the data of each directory.
std::vector<uint8_t> makeTiff(const std::function<void(TIFF*)>& fill) {
    const fs::path path =
        fs::temp_directory_path() / ("qm_test_tiff_" + std::to_string(::getpid()) + ".tif");
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    EXPECT_TRUE(tif);
    if (!tif) return {};
    fill(tif);
    TIFFClose(tif);
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    fs::remove(path);
    return bytes;
}

void setBasics(TIFF* t, int w, int h, int samples, int bits, int photometric) {
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, photometric);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 1);
}

void writeRows(TIFF* t, const std::vector<uint8_t>& data, int h) {
    const size_t rowBytes = data.size() / size_t(h);
    for (int y = 0; y < h; ++y)
        TIFFWriteScanline(t, const_cast<uint8_t*>(data.data()) + size_t(y) * rowBytes, y, 0);
}

// A w x h RGB pattern, 3 bytes per pixel.
std::vector<uint8_t> rgbPattern(int w, int h) {
    std::vector<uint8_t> d;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) d.insert(d.end(), {uint8_t(x * 40), uint8_t(y * 50), 77});
    return d;
}

Image decodeOk(const std::vector<uint8_t>& bytes) {
    std::string error;
    auto img = decodeTiff(bytes, error);
    EXPECT_TRUE(img) << error;
    return img ? *img : Image{};
}

TEST(TiffDecode, RgbLayoutsAndCompressionsGiveTheSamePixels) {
    const int w = 5, h = 4;
    const auto data = rgbPattern(w, h);
    Image expected = *createImage(w, h);
    for (int i = 0; i < w * h; ++i)
        expected.pixels[size_t(i)] = rgba(data[3 * i], data[3 * i + 1], data[3 * i + 2], 255);

    for (int compression :
         {COMPRESSION_NONE, COMPRESSION_LZW, COMPRESSION_ADOBE_DEFLATE, COMPRESSION_PACKBITS}) {
        SCOPED_TRACE(compression);
        auto bytes = makeTiff([&](TIFF* t) {
            setBasics(t, w, h, 3, 8, PHOTOMETRIC_RGB);
            TIFFSetField(t, TIFFTAG_COMPRESSION, compression);
            writeRows(t, data, h);
        });
        EXPECT_EQ(decodeOk(bytes).pixels, expected.pixels);
    }

    auto tiled = makeTiff([&](TIFF* t) {
        setBasics(t, w, h, 3, 8, PHOTOMETRIC_RGB);
        TIFFSetField(t, TIFFTAG_TILEWIDTH, 16);
        TIFFSetField(t, TIFFTAG_TILELENGTH, 16);
        std::vector<uint8_t> tile(16 * 16 * 3);
        for (int y = 0; y < h; ++y)
            std::copy_n(data.begin() + y * w * 3, w * 3, tile.begin() + y * 16 * 3);
        TIFFWriteTile(t, tile.data(), 0, 0, 0, 0);
    });
    EXPECT_EQ(decodeOk(tiled).pixels, expected.pixels);

    // Stored bottom-up: the decoder still hands back the top row first.
    auto bottomUp = makeTiff([&](TIFF* t) {
        setBasics(t, w, h, 3, 8, PHOTOMETRIC_RGB);
        TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_BOTLEFT);
        std::vector<uint8_t> flipped;
        for (int y = h - 1; y >= 0; --y)
            flipped.insert(flipped.end(), data.begin() + y * w * 3, data.begin() + (y + 1) * w * 3);
        writeRows(t, flipped, h);
    });
    EXPECT_EQ(decodeOk(bottomUp).pixels, expected.pixels);
}

TEST(TiffDecode, GreyPaletteAndSixteenBits) {
    auto grey = makeTiff([](TIFF* t) {
        setBasics(t, 2, 1, 1, 8, PHOTOMETRIC_MINISWHITE);
        writeRows(t, {0, 255}, 1);
    });
    EXPECT_EQ(decodeOk(grey).pixels, (std::vector<uint32_t>{0xFFFFFFFFu, 0xFF000000u}));

    auto palette = makeTiff([](TIFF* t) {
        setBasics(t, 2, 1, 1, 8, PHOTOMETRIC_PALETTE);
        std::vector<uint16_t> r(256), g(256), b(256);
        r[1] = 0xFFFF;
        g[2] = 0x8080;
        TIFFSetField(t, TIFFTAG_COLORMAP, r.data(), g.data(), b.data());
        writeRows(t, {1, 2}, 1);
    });
    EXPECT_EQ(decodeOk(palette).pixels,
              (std::vector<uint32_t>{rgba(255, 0, 0, 255), rgba(0, 0x80, 0, 255)}));

    auto sixteen = makeTiff([](TIFF* t) {
        setBasics(t, 1, 1, 3, 16, PHOTOMETRIC_RGB);
        std::vector<uint16_t> px{0xFFFF, 0x0000, 0x8080};
        TIFFWriteScanline(t, px.data(), 0, 0);
    });
    EXPECT_EQ(decodeOk(sixteen).pixels, (std::vector<uint32_t>{rgba(255, 0, 0x80, 255)}));
}

// libtiff premultiplies; this is what it stores for (c, a).
uint32_t premultiply(uint32_t c, uint32_t a) {
    return (c * a + 127) / 255;
}

TEST(TiffDecode, AlphaComesBackStraight) {
    struct Px {
        uint8_t r, g, b, a;
    };
    const std::vector<Px> px = {
        {200, 100, 50, 255}, {200, 100, 50, 128}, {255, 1, 0, 3}, {90, 80, 70, 0}};
    for (uint16_t kind : {uint16_t(EXTRASAMPLE_UNASSALPHA), uint16_t(EXTRASAMPLE_ASSOCALPHA)}) {
        SCOPED_TRACE(kind == EXTRASAMPLE_UNASSALPHA ? "unassociated" : "associated");
        std::vector<uint8_t> data;
        for (const Px& p : px) {
            if (kind == EXTRASAMPLE_UNASSALPHA)
                data.insert(data.end(), {p.r, p.g, p.b, p.a});
            else
                data.insert(data.end(),
                            {uint8_t(premultiply(p.r, p.a)), uint8_t(premultiply(p.g, p.a)),
                             uint8_t(premultiply(p.b, p.a)), p.a});
        }
        auto bytes = makeTiff([&](TIFF* t) {
            setBasics(t, int(px.size()), 1, 4, 8, PHOTOMETRIC_RGB);
            TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, &kind);
            writeRows(t, data, 1);
        });
        const Image img = decodeOk(bytes);
        ASSERT_EQ(img.pixels.size(), px.size());
        EXPECT_EQ(img.pixels[0], rgba(200, 100, 50, 255));  // opaque: untouched
        EXPECT_EQ(img.pixels[3], 0u);                       // transparent: all channels 0
        for (size_t i = 1; i < 3; ++i) {
            SCOPED_TRACE(i);
            const uint32_t got = img.pixels[i], a = px[i].a;
            EXPECT_EQ(alpha(got), a);
            // Premultiplying our straight colour gives exactly what libtiff returned ...
            EXPECT_EQ(premultiply(red(got), a), premultiply(px[i].r, a));
            EXPECT_EQ(premultiply(green(got), a), premultiply(px[i].g, a));
            EXPECT_EQ(premultiply(blue(got), a), premultiply(px[i].b, a));
        }
        // ... and at half alpha the straight colour is within the rounding of the original.
        EXPECT_NEAR(int(red(img.pixels[1])), 200, 1);
        EXPECT_NEAR(int(green(img.pixels[1])), 100, 1);
    }
}

TEST(TiffDecode, ReadsOnlyTheFirstPage) {
    auto bytes = makeTiff([](TIFF* t) {
        for (uint8_t v : {uint8_t(10), uint8_t(200)}) {
            setBasics(t, 1, 1, 1, 8, PHOTOMETRIC_MINISBLACK);
            writeRows(t, {v}, 1);
            TIFFWriteDirectory(t);
        }
    });
    EXPECT_EQ(decodeOk(bytes).pixels, (std::vector<uint32_t>{rgba(10, 10, 10, 255)}));
}

TEST(TiffDecode, RejectsBadFilesSilentlyWithAReason) {
    const auto good = makeTiff([](TIFF* t) {
        setBasics(t, 64, 64, 3, 8, PHOTOMETRIC_RGB);
        writeRows(t, rgbPattern(64, 64), 64);
    });
    struct Bad {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* mentions;
    };
    std::vector<Bad> cases;
    cases.push_back({"not a TIFF", {'P', 'K', 3, 4}, "not a TIFF"});
    cases.push_back({"header only", {'I', 'I', 42, 0, 8, 0, 0, 0}, ""});
    cases.push_back(
        {"directory offset past the end", {'I', 'I', 42, 0, 0xFF, 0xFF, 0xFF, 0x7F}, ""});
    // libtiff writes the pixel data first and the directory last: cutting out part of the data
    // leaves the directory offset pointing at the wrong place.
    auto damaged = good;
    damaged.erase(damaged.begin() + 4000, damaged.begin() + 8000);
    cases.push_back({"damaged", damaged, ""});
    cases.push_back({"truncated", {good.begin(), good.begin() + 6000}, ""});
    cases.push_back({"too wide", makeTiff([](TIFF* t) {
                         setBasics(t, 40000, 1, 1, 1, PHOTOMETRIC_MINISBLACK);
                         writeRows(t, std::vector<uint8_t>(5000), 1);
                     }),
                     "exceeds"});
    cases.push_back({"float samples", makeTiff([](TIFF* t) {
                         setBasics(t, 1, 1, 1, 32, PHOTOMETRIC_MINISBLACK);
                         TIFFSetField(t, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_IEEEFP);
                         float v = 0.5f;
                         TIFFWriteScanline(t, &v, 0, 0);
                     }),
                     "can not handle"});

    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(decodeTiff(c.bytes, error));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "libtiff must stay silent";
        EXPECT_FALSE(error.empty());
        EXPECT_NE(error.find(c.mentions), std::string::npos) << error;
    }
}

}  // namespace
}  // namespace qm
