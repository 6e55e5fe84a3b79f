// Video: the files decode (with FFmpeg's own libraries) to the right number of frames at the
// exact frame rate, padded to even sizes, tagged and converted as limited-range BT.709, with
// transparency shown over black; bad input and a cancel leave no file.
#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "codecs/encoder_support.h"
#include "codecs/video.h"
#include "support/temp_folder.h"

namespace qm {
namespace {

using test::TempFolder;

struct DecodedVideo {
    bool opened = false;
    std::string codec;
    int width = 0, height = 0;
    AVRational frameRate{0, 1}, averageRate{0, 1};
    // As stored in the container / stream parameters.
    AVColorRange range = AVCOL_RANGE_UNSPECIFIED;
    AVColorSpace matrix = AVCOL_SPC_UNSPECIFIED;
    AVColorPrimaries primaries = AVCOL_PRI_UNSPECIFIED;
    AVColorTransferCharacteristic transfer = AVCOL_TRC_UNSPECIFIED;
    // As the decoder reports them on the first frame (from the bitstream).
    AVColorRange frameRange = AVCOL_RANGE_UNSPECIFIED;
    AVColorSpace frameMatrix = AVCOL_SPC_UNSPECIFIED;
    std::vector<int64_t> ticks;              // each frame's time in 1/fps units
    std::vector<std::vector<uint8_t>> luma;  // each frame's Y plane, width x height
};

// Decodes every frame of the first video stream; times are counted in ticks of 1/fps.
DecodedVideo decode(const std::string& path, int fps) {
    DecodedVideo out;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return out;
    if (avformat_find_stream_info(format, nullptr) < 0) {
        avformat_close_input(&format);
        return out;
    }
    const AVCodec* codec = nullptr;
    const int index = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (index < 0 || !codec) {
        avformat_close_input(&format);
        return out;
    }
    const AVStream* stream = format->streams[index];
    const AVCodecParameters* par = stream->codecpar;
    out.opened = true;
    out.codec = avcodec_get_name(par->codec_id);
    out.width = par->width;
    out.height = par->height;
    out.frameRate = stream->r_frame_rate;
    out.averageRate = stream->avg_frame_rate;
    out.range = par->color_range;
    out.matrix = par->color_space;
    out.primaries = par->color_primaries;
    out.transfer = par->color_trc;

    AVCodecContext* decoder = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(decoder, par);
    avcodec_open2(decoder, codec, nullptr);
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    auto receive = [&] {
        while (avcodec_receive_frame(decoder, frame) == 0) {
            if (out.ticks.empty()) {
                out.frameRange = frame->color_range;
                out.frameMatrix = frame->colorspace;
            }
            out.ticks.push_back(
                av_rescale_q(frame->best_effort_timestamp, stream->time_base, AVRational{1, fps}));
            std::vector<uint8_t> y(size_t(frame->width) * size_t(frame->height));
            for (int row = 0; row < frame->height; ++row)
                std::memcpy(y.data() + size_t(row) * size_t(frame->width),
                            frame->data[0] + row * frame->linesize[0], size_t(frame->width));
            out.luma.push_back(std::move(y));
        }
    };
    while (av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == index) avcodec_send_packet(decoder, packet);
        av_packet_unref(packet);
        receive();
    }
    avcodec_send_packet(decoder, nullptr);
    receive();
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&decoder);
    avformat_close_input(&format);
    return out;
}

// Limited-range BT.709 luma of an opaque colour (what the file must hold for it).
double bt709Luma(double r, double g, double b) {
    return 16 + 219 * (0.2126 * r + 0.7152 * g + 0.0722 * b) / 255;
}

// 33 x 17 (both odd): the left half transparent, the right half white at half alpha, the last
// column opaque green; frame k has a small moving dark square so the frames differ.
std::vector<Image> testFrames(int count) {
    std::vector<Image> frames;
    for (int k = 0; k < count; ++k) {
        Image img = *createImage(33, 17);
        for (int y = 0; y < 17; ++y) {
            for (int x = 16; x < 32; ++x) img.at(x, y) = rgba(255, 255, 255, 128);
            img.at(32, y) = rgba(0, 255, 0, 255);
        }
        img.at(k % 16, 0) = rgba(40, 40, 40, 255);
        frames.push_back(std::move(img));
    }
    return frames;
}

std::vector<const Image*> pointers(const std::vector<Image>& images) {
    std::vector<const Image*> out;
    for (const Image& img : images) out.push_back(&img);
    return out;
}

struct CodecCase {
    VideoCodec codec;
    const char* file;
    const char* codecName;
};
const CodecCase kCodecs[] = {
    {VideoCodec::H264Mp4, "clip.mp4", "h264"},
    {VideoCodec::Vp9Webm, "clip.webm", "vp9"},
};

TEST(Video, EveryFrameAtTheExactRateEvenSizeAndBt709LimitedRange) {
    for (const CodecCase& c : kCodecs) {
        SCOPED_TRACE(c.file);
        TempFolder dir;
        const std::string path = dir.file(c.file);
        const std::vector<Image> images = testFrames(13);
        AnimationEncodeOptions options;
        options.quality = 100;
        std::vector<int> seen;
        ASSERT_EQ(writeVideo(path, c.codec, pointers(images), 12, options,
                             [&](int done, int total) {
                                 EXPECT_EQ(total, 13);
                                 seen.push_back(done);
                                 return true;
                             }),
                  "");
        EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}));

        const DecodedVideo v = decode(path, 12);
        ASSERT_TRUE(v.opened);
        EXPECT_EQ(v.codec, c.codecName);
        EXPECT_EQ(v.width, 34);  // padded, never cropped
        EXPECT_EQ(v.height, 18);
        EXPECT_EQ(av_cmp_q(v.frameRate, AVRational{12, 1}), 0)
            << v.frameRate.num << "/" << v.frameRate.den;
        std::vector<int64_t> expectedTicks(13);
        for (int i = 0; i < 13; ++i) expectedTicks[size_t(i)] = i;
        EXPECT_EQ(v.ticks, expectedTicks);

        EXPECT_EQ(v.range, AVCOL_RANGE_MPEG);
        EXPECT_EQ(v.matrix, AVCOL_SPC_BT709);
        EXPECT_EQ(v.primaries, AVCOL_PRI_BT709);
        EXPECT_EQ(v.transfer, AVCOL_TRC_BT709);
        EXPECT_EQ(v.frameRange, AVCOL_RANGE_MPEG);
        EXPECT_EQ(v.frameMatrix, AVCOL_SPC_BT709);

        // The values themselves: BT.709 limited range (green is far from its BT.601 value of
        // 145), transparency over black, half-transparent white as half grey, and the padding
        // column and row repeat the picture's last ones.
        ASSERT_EQ(v.luma.size(), 13u);
        const std::vector<uint8_t>& y = v.luma[5];
        auto at = [&](int px, int py) { return double(y[size_t(py) * 34 + size_t(px)]); };
        const double tolerance = 4;
        EXPECT_NEAR(at(8, 9), bt709Luma(0, 0, 0), tolerance);
        EXPECT_NEAR(at(24, 9), bt709Luma(128, 128, 128), tolerance);
        EXPECT_NEAR(at(32, 9), bt709Luma(0, 255, 0), tolerance);
        EXPECT_NEAR(at(33, 9), bt709Luma(0, 255, 0), tolerance);
        EXPECT_NEAR(at(24, 17), bt709Luma(128, 128, 128), tolerance);
        EXPECT_NEAR(at(33, 17), bt709Luma(0, 255, 0), tolerance);
    }
}

TEST(Video, QualityMapsToTheEncodersConstantQualityScale) {
    EXPECT_EQ(videoCrf(VideoCodec::H264Mp4, 0), 51);
    EXPECT_EQ(videoCrf(VideoCodec::H264Mp4, 100), 12);
    EXPECT_EQ(videoCrf(VideoCodec::Vp9Webm, 0), 63);
    EXPECT_EQ(videoCrf(VideoCodec::Vp9Webm, 100), 10);
    EXPECT_EQ(videoCrf(VideoCodec::H264Mp4, 250), 12);  // out of range: clamped
    EXPECT_EQ(videoCrf(VideoCodec::Vp9Webm, -5), 63);
    for (int q = 1; q <= 100; ++q) {
        EXPECT_LE(videoCrf(VideoCodec::H264Mp4, q), videoCrf(VideoCodec::H264Mp4, q - 1));
        EXPECT_LE(videoCrf(VideoCodec::Vp9Webm, q), videoCrf(VideoCodec::Vp9Webm, q - 1));
    }
}

TEST(Video, BadInputGivesAMessageAndNoFile) {
    TempFolder dir;
    const std::vector<Image> images = testFrames(2);
    const Image other = *createImage(8, 8);
    const Image wide = *createImage(16385, 2);
    struct Case {
        const char* what;
        std::vector<const Image*> frames;
        int fps;
        std::string path;
    };
    const Case cases[] = {
        {"no frames", {}, 12, dir.file("a.mp4")},
        {"a missing picture", {&images[0], nullptr}, 12, dir.file("a.mp4")},
        {"frames of two sizes", {&images[0], &other}, 12, dir.file("a.mp4")},
        {"no frame rate", pointers(images), 0, dir.file("a.mp4")},
        {"wider than the encoders allow", {&wide}, 12, dir.file("a.mp4")},
        {"a missing folder", pointers(images), 12, dir.file("missing/a.mp4")},
        {"a folder as the target", pointers(images), 12, dir.str()},
    };
    for (const CodecCase& codec : kCodecs)
        for (const Case& c : cases) {
            const std::string message = writeVideo(c.path, codec.codec, c.frames, c.fps, {});
            EXPECT_NE(message, "") << c.what;
            EXPECT_TRUE(std::filesystem::is_empty(dir.path)) << c.what;
        }
    const std::string missing = dir.file("missing/a.webm");
    EXPECT_NE(writeVideo(missing, VideoCodec::Vp9Webm, pointers(images), 12, {}).find(missing),
              std::string::npos);
}

TEST(Video, CancelLeavesNoFileAndKeepsTheOldOne) {
    for (const CodecCase& c : kCodecs) {
        SCOPED_TRACE(c.file);
        TempFolder dir;
        const std::vector<Image> images = testFrames(6);
        const auto stopAtThree = [](int done, int) { return done < 3; };
        EXPECT_EQ(writeVideo(dir.file(c.file), c.codec, pointers(images), 24, {}, stopAtThree),
                  kExportCancelled);
        EXPECT_TRUE(std::filesystem::is_empty(dir.path));

        dir.writeText(c.file, "previous");
        EXPECT_EQ(writeVideo(dir.file(c.file), c.codec, pointers(images), 24, {}, stopAtThree),
                  kExportCancelled);
        std::ifstream in(dir.file(c.file), std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "previous");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path),
                                std::filesystem::directory_iterator()),
                  1);
    }
}

}  // namespace
}  // namespace qm
