// JPEG decoding (grey, colour, Adobe CMYK), our encoder and its quality scale, and the refusal
// of truncated, unsupported and hostile files.
#include <gtest/gtest.h>

#include <cstdio>
// clang-format off
#include <jpeglib.h>
// clang-format on

#include <algorithm>
#include <csetjmp>
#include <cstdlib>

#include "codecs/codecs.h"

namespace qm {
namespace {

Image smoothImage(int w, int h) {
    Image img = *createImage(w, h, 32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.at(x, y) = rgba(x * 255 / std::max(1, w - 1), y * 255 / std::max(1, h - 1), 128,
                                x % 3 == 0 ? 0 : 255);  // alpha must be ignored
    return img;
}

std::vector<uint8_t> encodeOk(const Image& img, int quality) {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(encodeJpeg(img, quality, bytes, error)) << error;
    return bytes;
}

int maxChannelDifference(const Image& a, const Image& b) {
    int worst = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i)
        for (int s = 0; s < 24; s += 8)
            worst = std::max(
                worst, std::abs(int((a.pixels[i] >> s) & 255) - int((b.pixels[i] >> s) & 255)));
    return worst;
}

// Writes a file with libjpeg directly: greyscale, Adobe CMYK or a custom scan script.
struct RawJpeg {
    int width = 8, height = 8, components = 1;
    J_COLOR_SPACE space = JCS_GRAYSCALE;
    std::vector<uint8_t> samples;  // interleaved, `components` per pixel
    std::vector<jpeg_scan_info> scans;
};

struct FailJump {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

std::vector<uint8_t> writeRaw(const RawJpeg& s) {
    FailJump err;
    jpeg_compress_struct c;
    c.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = [](j_common_ptr ci) {
        std::longjmp(reinterpret_cast<FailJump*>(ci->err)->jump, 1);
    };
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&c);
        std::free(buffer);
        ADD_FAILURE() << "could not write the test JPEG";
        return {};
    }
    jpeg_create_compress(&c);
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = JDIMENSION(s.width);
    c.image_height = JDIMENSION(s.height);
    c.input_components = s.components;
    c.in_color_space = s.space;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 100, TRUE);
    if (s.space == JCS_CMYK) jpeg_set_colorspace(&c, JCS_CMYK);  // Adobe marker, no transform
    if (!s.scans.empty()) {
        c.scan_info = s.scans.data();
        c.num_scans = int(s.scans.size());
    }
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(s.samples.data()) +
                       size_t(c.next_scanline) * size_t(s.width * s.components);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    std::vector<uint8_t> out(buffer, buffer + size);
    jpeg_destroy_compress(&c);
    std::free(buffer);
    return out;
}

TEST(JpegCodec, RoundTripIsCloseAndOpaque) {
    for (auto [w, h] : {std::pair{1, 1}, {17, 9}, {64, 48}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        const Image src = smoothImage(w, h);
        std::string error;
        auto back = decodeJpeg(encodeOk(src, 10), error);
        ASSERT_TRUE(back) << error;
        ASSERT_EQ(back->width, w);
        ASSERT_EQ(back->height, h);
        EXPECT_LE(maxChannelDifference(*back, src), 20);  // chroma is subsampled
        EXPECT_TRUE(std::all_of(back->pixels.begin(), back->pixels.end(),
                                [](uint32_t p) { return alpha(p) == 255; }));
    }
}

TEST(JpegCodec, QualityScaleIsMonotoneFromUsableToBest) {
    EXPECT_EQ(jpegQualityFromScale(10), 100);
    EXPECT_EQ(jpegQualityFromScale(0), 20);
    EXPECT_EQ(jpegQualityFromScale(-5), 20);
    EXPECT_EQ(jpegQualityFromScale(42), 100);
    for (int q = 0; q < 10; ++q) EXPECT_LT(jpegQualityFromScale(q), jpegQualityFromScale(q + 1));

    // And the scale reaches the encoder: better quality, bigger file.
    const Image src = smoothImage(96, 96);
    EXPECT_LT(encodeOk(src, 0).size(), encodeOk(src, 7).size());
    EXPECT_LT(encodeOk(src, 7).size(), encodeOk(src, 10).size());
}

TEST(JpegDecode, GreyscaleBecomesEqualChannels) {
    RawJpeg s;
    s.samples.assign(64, 0);
    for (int i = 0; i < 64; ++i) s.samples[size_t(i)] = uint8_t(i < 32 ? 40 : 210);
    std::string error;
    auto img = decodeJpeg(writeRaw(s), error);
    ASSERT_TRUE(img) << error;
    for (uint32_t p : img->pixels) {
        EXPECT_EQ(red(p), green(p));
        EXPECT_EQ(green(p), blue(p));
        EXPECT_EQ(alpha(p), 255u);
    }
    EXPECT_NEAR(int(red(img->at(0, 0))), 40, 3);
    EXPECT_NEAR(int(red(img->at(0, 7))), 210, 3);
}

TEST(JpegDecode, AdobeCmykIsInvertedInkTimesBlack) {
    // Stored as Adobe applications do: 255 - ink. Flat colour survives quality 100 almost exactly.
    const uint8_t c = 200, m = 100, y = 30, k = 150;
    RawJpeg s{16, 16, 4, JCS_CMYK, {}, {}};
    for (int i = 0; i < 256; ++i) s.samples.insert(s.samples.end(), {c, m, y, k});
    std::string error;
    auto img = decodeJpeg(writeRaw(s), error);
    ASSERT_TRUE(img) << error;
    const uint32_t p = img->at(8, 8);
    EXPECT_NEAR(int(red(p)), (c * k + 127) / 255, 2);
    EXPECT_NEAR(int(green(p)), (m * k + 127) / 255, 2);
    EXPECT_NEAR(int(blue(p)), (y * k + 127) / 255, 2);
    EXPECT_EQ(alpha(p), 255u);
}

// Finds the first SOF0 marker of a file made by our encoder.
size_t sofOffset(const std::vector<uint8_t>& b) {
    for (size_t i = 2; i + 1 < b.size(); ++i)
        if (b[i] == 0xFF && b[i + 1] == 0xC0) return i;
    ADD_FAILURE() << "no SOF0";
    return 0;
}

TEST(JpegDecode, RejectsBrokenAndUnsupportedFilesWithAReason) {
    const auto good = encodeOk(smoothImage(64, 64), 8);
    const size_t sof = sofOffset(good);
    struct Bad {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* mentions;
    };
    std::vector<Bad> cases;
    cases.push_back({"not a JPEG", {'G', 'I', 'F', '8'}, "not a JPEG"});
    cases.push_back({"SOI only", {0xFF, 0xD8}, ""});
    // libjpeg would pad a truncated file with grey; we refuse it.
    cases.push_back({"truncated", {good.begin(), good.begin() + long(good.size() * 2 / 3)}, ""});
    auto twelveBit = good;
    twelveBit[sof + 4] = 12;
    cases.push_back({"12-bit", twelveBit, "precision"});
    auto lossless = good;
    lossless[sof + 1] = 0xC3;
    cases.push_back({"lossless", lossless, "SOF type"});
    auto huge = good;
    huge[sof + 5] = huge[sof + 7] = 40000 >> 8;  // 40000 x 40000
    huge[sof + 6] = huge[sof + 8] = 40000 & 255;
    cases.push_back({"too large", huge, "exceeds"});
    auto big = good;  // 30000 x 8000 is allowed, but not in a few kilobytes
    big[sof + 5] = 8000 >> 8;
    big[sof + 6] = 8000 & 255;
    big[sof + 7] = 30000 >> 8;
    big[sof + 8] = 30000 & 255;
    cases.push_back({"size needs more data", big, "too short"});

    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(decodeJpeg(c.bytes, error));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "libjpeg must stay silent";
        EXPECT_FALSE(error.empty());
        EXPECT_NE(error.find(c.mentions), std::string::npos) << error;
    }
}

// One scan per coefficient band and bit plane: a legal progressive file with far more scans
// than any real one, the shape of files that make decoders loop over the image endlessly.
std::vector<jpeg_scan_info> manyScans(int components) {
    std::vector<jpeg_scan_info> scans;
    scans.push_back({components, {0, 1, 2, 3}, 0, 0, 0, 0});  // DC, full precision
    for (int al : {2, 1, 0})
        for (int comp = 0; comp < components; ++comp)
            for (int k = 1; k < 64; ++k)
                scans.push_back({1, {comp, 0, 0, 0}, k, k, al == 2 ? 0 : al + 1, al});
    return scans;
}

TEST(JpegDecode, LimitsTheNumberOfProgressiveScans) {
    RawJpeg few{16, 16, 1, JCS_GRAYSCALE, std::vector<uint8_t>(256, 90), manyScans(1)};  // 190
    RawJpeg many{16, 16, 3, JCS_RGB, std::vector<uint8_t>(768, 90), manyScans(3)};       // 568
    std::string error;
    EXPECT_TRUE(decodeJpeg(writeRaw(few), error)) << error;
    EXPECT_FALSE(decodeJpeg(writeRaw(many), error));
    EXPECT_NE(error.find("scans"), std::string::npos) << error;
}

}  // namespace
}  // namespace qm
