// Format detection, loading files, and saves that never lose the previous file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "codecs/codecs.h"
#include "codecs/decode_tiles_check.h"

namespace qm {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> bytesOf(std::initializer_list<int> v) {
    return std::vector<uint8_t>(v.begin(), v.end());
}

// An 18-byte TGA header: type, colour-map type and entry bits, size, depth, descriptor.
std::vector<uint8_t> tgaHeader(int type, int mapType, int mapBits, int depth, int descriptor = 0) {
    return bytesOf({0, mapType, type, 0, 0, mapType ? 2 : 0, 0, mapBits, 0, 0, 0, 0, 4, 0, 3, 0,
                    depth, descriptor});
}

TEST(SniffImageFormat, RecognisesSignaturesAndPlausibleTgaHeaders) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        std::string hint;
        ImageFormat expected;
    };
    const std::vector<Case> cases = {
        {"png", bytesOf({0x89, 'P', 'N', 'G', 13, 10, 26, 10}), "", ImageFormat::Png},
        {"png with damaged signature", bytesOf({0x89, 'P', 'N', 'G', 10, 10, 26, 10}), "",
         ImageFormat::Png},
        {"jpeg", bytesOf({0xFF, 0xD8, 0xFF, 0xE0}), "", ImageFormat::Jpeg},
        {"tiff II", bytesOf({'I', 'I', 42, 0}), "", ImageFormat::Tiff},
        {"tiff MM", bytesOf({'M', 'M', 0, 42}), "", ImageFormat::Tiff},
        {"bigtiff", bytesOf({'I', 'I', 43, 0}), "", ImageFormat::Tiff},
        {"bmp", bytesOf({'B', 'M', 0, 0}), "", ImageFormat::Bmp},
        {"os/2 array", bytesOf({'B', 'A', 0, 0}), "", ImageFormat::Bmp},
        {"bare dib", bytesOf({40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0}), "",
         ImageFormat::Bmp},
        {"ico", bytesOf({0, 0, 1, 0, 1, 0}), "", ImageFormat::Ico},
        {"cur", bytesOf({0, 0, 2, 0, 1, 0}), "", ImageFormat::Ico},
        {"ico without entries", bytesOf({0, 0, 1, 0, 0, 0}), "", ImageFormat::Unknown},
        {"tga truecolour", tgaHeader(2, 0, 0, 32), "", ImageFormat::Tga},
        {"tga rle mapped", tgaHeader(9, 1, 24, 8), "", ImageFormat::Tga},
        {"tga grey", tgaHeader(3, 0, 0, 8), "", ImageFormat::Tga},
        // Odd but readable headers pass only when the name says TGA.
        {"tga odd depth, no hint", tgaHeader(2, 0, 0, 8), "", ImageFormat::Unknown},
        {"tga odd depth, hint", tgaHeader(2, 0, 0, 8), "x.TGA", ImageFormat::Tga},
        {"tga 8-bit map entries, hint", tgaHeader(1, 1, 8, 8), "a/b.tga", ImageFormat::Tga},
        {"tga unknown type, hint", tgaHeader(7, 0, 0, 24), "x.tga", ImageFormat::Unknown},
        {"text", std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o'}, "", ImageFormat::Unknown},
        {"empty", {}, "x.tga", ImageFormat::Unknown},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(sniffImageFormat(c.bytes, c.hint), c.expected);
    }
}

Image sampleImage(int w, int h) {
    Image img = *createImage(w, h);
    for (int i = 0; i < w * h; ++i) img.pixels[size_t(i)] = rgba(i & 255, 3 * i & 255, 9, 200);
    return img;
}

TEST(DecodeImage, DispatchesByContentAndExplainsUnknownData) {
    std::vector<uint8_t> png, jpeg;
    std::string error;
    ASSERT_TRUE(encodePng(sampleImage(3, 2), png, error));
    ASSERT_TRUE(encodeJpeg(sampleImage(3, 2), 9, jpeg, error));
    EXPECT_TRUE(decodeImage(png, error, "misnamed.jpg")) << error;
    EXPECT_TRUE(decodeImage(jpeg, error)) << error;

    EXPECT_FALSE(decodeImage(bytesOf({1, 2, 3, 4, 5}), error));
    EXPECT_NE(error.find("unknown"), std::string::npos) << error;
    EXPECT_FALSE(decodeImage({}, error));
    EXPECT_NE(error.find("empty"), std::string::npos) << error;
}

// Formats other than PNG are decoded whole and put into tiles: the same image or message, TGA
// known by its name included.
TEST(DecodeImage, TilesOfEveryFormatEqualTheWholeImageAssigned) {
    Image img = sampleImage(70, 66);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) img.at(x, y) = 0;  // a missing tile where alpha is kept
    std::vector<uint8_t> png, jpeg, bmp;
    std::string error;
    ASSERT_TRUE(encodePng(img, png, error));
    ASSERT_TRUE(encodeJpeg(img, 9, jpeg, error));
    ASSERT_TRUE(encodeBmp(img, bmp, error));
    std::vector<uint8_t> tga = tgaHeader(2, 0, 0, 32, 0x28);
    for (int i = 0; i < 4 * 3; ++i)
        for (uint8_t b : {uint8_t(i), uint8_t(0), uint8_t(i * 20), uint8_t(i ? 255 : 0)})
            tga.push_back(b);
    const std::vector<std::pair<std::vector<uint8_t>, std::string>> files = {
        {png, ""},
        {jpeg, ""},
        {bmp, ""},
        {tga, "x.tga"},
        {std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + long(jpeg.size() / 3)), ""},
        {std::vector<uint8_t>(bmp.begin(), bmp.begin() + 60), ""},
        {std::vector<uint8_t>(tga.begin(), tga.begin() + 20), "x.tga"},
        {bytesOf({1, 2, 3, 4, 5}), ""},
        {{}, ""},
    };
    for (size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE("file " + std::to_string(i));
        EXPECT_TRUE(tilesDecodeAsWhole(files[i].first, files[i].second));
    }
    // The file's tiles are the image's.
    const auto tiles = decodeImageTiles(png, error);
    ASSERT_TRUE(tiles) << error;
    EXPECT_FALSE(tiles->tile(0, 0));
    EXPECT_EQ(tiles->tileCount(), 3u);
}

class ImageFileTest : public testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("qm_image_file_" + std::to_string(::getpid()) + "_" +
               testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::vector<uint8_t> contents(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    void write(const fs::path& p, const std::string& text) { std::ofstream(p) << text; }
    // Everything in the folder: a failed or finished save leaves no temporary file behind.
    std::vector<std::string> listing() {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir;
};

TEST_F(ImageFileTest, SavesAndLoadsEachWritableFormat) {
    const Image img = sampleImage(7, 5);
    std::string error;
    ASSERT_TRUE(savePngFile(img, (dir / "a.png").string(), error)) << error;
    ASSERT_TRUE(saveJpegFile(img, (dir / "a.jpg").string(), 7, error)) << error;
    ASSERT_TRUE(saveBmpFile(img, (dir / "a.bmp").string(), error)) << error;
    EXPECT_EQ(listing(), (std::vector<std::string>{"a.bmp", "a.jpg", "a.png"}));

    auto png = loadImageFile((dir / "a.png").string(), error);
    ASSERT_TRUE(png) << error;
    EXPECT_EQ(png->pixels, img.pixels);
    for (const char* name : {"a.jpg", "a.bmp"}) {
        auto other = loadImageFile((dir / name).string(), error);
        ASSERT_TRUE(other) << name << ": " << error;
        EXPECT_EQ(other->width, 7);
        EXPECT_EQ(alpha(other->at(0, 0)), 255u) << name;
    }
}

TEST_F(ImageFileTest, ReplacingKeepsPermissionsAndAFailedSaveKeepsTheOldFile) {
    const fs::path target = dir / "layer.png";
    write(target, "previous contents");
    ::chmod(target.c_str(), 0640);
    std::string error;

    // Encoding fails: nothing is written at all.
    EXPECT_FALSE(savePngFile(Image{}, target.string(), error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(contents(target), (std::vector<uint8_t>{'p', 'r', 'e', 'v', 'i', 'o', 'u', 's', ' ',
                                                      'c', 'o', 'n', 't', 'e', 'n', 't', 's'}));
    EXPECT_EQ(listing(), std::vector<std::string>{"layer.png"});

    ASSERT_TRUE(savePngFile(sampleImage(2, 2), target.string(), error)) << error;
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(listing(), std::vector<std::string>{"layer.png"});
}

TEST_F(ImageFileTest, SaveErrorsNameThePathAndLeaveNothingBehind) {
    const Image img = sampleImage(2, 2);
    std::string error;
    const fs::path missingFolder = dir / "nope" / "x.png";
    EXPECT_FALSE(savePngFile(img, missingFolder.string(), error));
    EXPECT_NE(error.find(missingFolder.string()), std::string::npos) << error;

    fs::create_directory(dir / "folder.png");
    EXPECT_FALSE(savePngFile(img, (dir / "folder.png").string(), error));
    EXPECT_NE(error.find("folder"), std::string::npos) << error;
    EXPECT_EQ(listing(), std::vector<std::string>{"folder.png"});
    EXPECT_TRUE(fs::is_empty(dir / "folder.png"));
}

TEST_F(ImageFileTest, SaveIntoReadOnlyFolderFailsCleanly) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not apply to root";
    const fs::path target = dir / "keep.png";
    write(target, "old");
    ::chmod(dir.c_str(), 0555);
    std::string error;
    EXPECT_FALSE(savePngFile(sampleImage(2, 2), target.string(), error));
    ::chmod(dir.c_str(), 0755);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(contents(target), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(listing(), std::vector<std::string>{"keep.png"});
}

TEST_F(ImageFileTest, LoadErrorsAreClear) {
    std::string error;
    const fs::path missing = dir / "missing.png";
    EXPECT_FALSE(loadImageFile(missing.string(), error));
    EXPECT_NE(error.find(missing.string()), std::string::npos) << error;

    EXPECT_FALSE(loadImageFile(dir.string(), error));
    EXPECT_NE(error.find("not a file"), std::string::npos) << error;

    write(dir / "notes.png", "just text");
    EXPECT_FALSE(loadImageFile((dir / "notes.png").string(), error));
    EXPECT_NE(error.find("unknown"), std::string::npos) << error;

    // A sparse file: large on paper, nothing on disk, refused before reading.
    const fs::path huge = dir / "huge.png";
    write(huge, "");
    fs::resize_file(huge, uint64_t(600) << 20);
    EXPECT_FALSE(loadImageFile(huge.string(), error));
    EXPECT_NE(error.find("too large"), std::string::npos) << error;
}

TEST_F(ImageFileTest, LoadsTgaThroughItsReader) {
    // A 1x1 24-bit TGA (pixels stored as blue, green, red).
    std::vector<uint8_t> tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0, 30, 20, 10};
    std::ofstream(dir / "pixel.tga", std::ios::binary)
        .write(reinterpret_cast<const char*>(tga.data()), std::streamsize(tga.size()));
    std::string error;
    auto img = loadImageFile((dir / "pixel.tga").string(), error);
    ASSERT_TRUE(img) << error;
    EXPECT_EQ(img->pixels, std::vector<uint32_t>{rgba(10, 20, 30, 255)});
}

}  // namespace
}  // namespace qm
