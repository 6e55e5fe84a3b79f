// Runs every file of the public image corpus through our decoders, as its manifest says:
//   valid       must decode and match its reference;
//   lenient     may decode (then it matches its reference when there is one) or be rejected;
//   invalid,
//   unsupported must be rejected with a reason;
//   robustness  anything but a crash or a hang.
// The corpus lives outside the repository; without it the tests report themselves skipped.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "codecs/codecs.h"
#include "codecs/decode_tiles_check.h"

namespace qm {
namespace {

namespace fs = std::filesystem;

struct Row {
    std::string path, format, expect, reference, referenceKind, referenceOrigin, independent, notes;
    std::vector<std::string> altReferences;
};

// Files whose reference shows something we deliberately do not do, with the reason. They are
// decoded and counted as "differs (known)"; any other difference fails.
const std::map<std::string, std::string> kKnownDifferences = {
    {"bmp/bmpsuite/q/rgb24prof2.bmp", "the reference applies the embedded colour profile"},
    {"bmp/image-rs/lenient/V5_A8_R8_G8_B8_Rgb_BadMask.bmp",
     "the reference shows it opaque; a 32-bit image whose fourth byte carries data keeps it as alpha"},
    {"ico/image-rs/bmp_v5_with_icc.ico",
     "the entry has no AND mask (its colour profile follows the pixels); the generated reference "
     "reads the profile bytes as a mask"},
    {"tga/pillow/rgba16.tga",
     "the reference truncates 5-bit channels (21 -> 172) and reads a set attribute bit as "
     "transparent; we round (173) and ignore the bit, as the other 16-bit references expect"},
    {"bmp/bmpsuite/q/rgb32-111110.bmp",
     "the reference scales the 10- and 11-bit channels another way (one step apart); we round "
     "v*255/(2^n-1)"},
    {"png/pillow/1_trns.png",
     "the transparent key 0x00FF of a 1-bit image counts by its low bit (white is transparent); "
     "the reference ignores the key"},
    {"tiff/libtiff-pics/strike.tif",
     "associated alpha with colour above alpha has no straight-alpha equivalent; those channels "
     "are clamped to 255"},
    {"tiff/pillow/tiff_16bit_RGBa.tiff",
     "the reference keeps unassociated 16-bit alpha; the RGBA interface premultiplies at 8 bits"},
};

// Valid files that the library we decode TIFF with cannot read (float, 12-bit and other sample
// formats beyond its RGBA interface); the manifest records the same failure of that library.
bool beyondTiffLibrary(const Row& row) {
    return row.format == "tiff" && row.independent.starts_with("failed (libtiff-RGBA");
}

fs::path corpusRoot() {
    if (const char* env = std::getenv("QM_CORPUS"); env && *env) return env;
    for (const fs::path& p : {fs::path(QM_CORPUS_DEFAULT), fs::path("/work/shared/corpus")}) {
        std::error_code ec;
        if (fs::exists(p / "manifest.tsv", ec)) return p;
    }
    return {};
}

std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> out;
    std::string cell;
    std::istringstream in(line);
    while (std::getline(in, cell, '\t')) out.push_back(cell);
    if (!line.empty() && line.back() == '\t') out.emplace_back();
    return out;
}

std::vector<Row> readManifest(const fs::path& root) {
    std::ifstream in(root / "manifest.tsv");
    std::string line;
    std::getline(in, line);  // header
    std::vector<Row> rows;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        auto c = splitTabs(line);
        if (c.size() < 10) continue;
        Row r{c[0], c[1], c[3], c[5], c[6], c[8], c[9], c.size() > 10 ? c[10] : "", {}};
        std::istringstream alts(c[7]);
        for (std::string a; alts >> a;) r.altReferences.push_back(a);
        rows.push_back(std::move(r));
    }
    return rows;
}

std::vector<uint8_t> readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::optional<Image> decodeFile(const fs::path& p, std::string& error) {
    const auto bytes = readFile(p);
    return decodeImage(bytes, error, p.filename().string());
}

// libtiff's RGBA interface hands back colour multiplied by alpha, rounded.
uint32_t premultiplied(uint32_t c) {
    const uint32_t a = alpha(c);
    auto m = [a](uint32_t v) { return (v * a + 127) / 255; };
    return rgba(m(red(c)), m(green(c)), m(blue(c)), a);
}

// Empty when the images agree within `tolerance` per channel (colour of pixels transparent in
// both ignored); otherwise a description of the first difference.
// With rgbOnly (where the manifest says the alpha of a file is open to debate) alpha is not
// compared and every pixel's colour is.
std::string compareImages(const Image& got, const Image& ref, int tolerance, bool premultiply,
                          bool rgbOnly) {
    if (got.width != ref.width || got.height != ref.height)
        return "size " + std::to_string(got.width) + "x" + std::to_string(got.height) +
               ", reference " + std::to_string(ref.width) + "x" + std::to_string(ref.height);
    int differing = 0;
    std::string first;
    for (int y = 0; y < got.height; ++y)
        for (int x = 0; x < got.width; ++x) {
            uint32_t g = got.at(x, y), r = ref.at(x, y);
            if (premultiply) g = premultiplied(g);
            if (!rgbOnly && alpha(g) == 0 && alpha(r) == 0) continue;
            for (int shift = 0; shift < (rgbOnly ? 24 : 32); shift += 8) {
                const int dg = int((g >> shift) & 0xFF), dr = int((r >> shift) & 0xFF);
                if (std::abs(dg - dr) > tolerance) {
                    if (differing++ == 0) {
                        std::ostringstream s;
                        s << "pixel (" << x << "," << y << ") 0x" << std::hex << g
                          << " reference 0x" << r;
                        first = s.str();
                    }
                    break;
                }
            }
        }
    if (differing == 0) return {};
    return std::to_string(differing) + " pixels differ, first " + first;
}

bool isSixteenBitPng(const fs::path& p) {
    const auto bytes = readFile(p);
    return bytes.size() > 24 && bytes[0] == 0x89 && bytes[1] == 'P' && bytes[24] == 16;
}

// A known rounding disagreement between the upstream reference and independent decoders.
int toleranceFor(const fs::path& root, const Row& row) {
    if (row.format == "jpeg" || row.reference.ends_with(".jpg")) {
        // An upstream reference made by another decoder differs from the library's own decode
        // by as much as the manifest measured.
        const std::string marker = "max channel difference ";
        const auto at = row.independent.find(marker);
        if (row.independent.starts_with("djpeg vs ref") && at != std::string::npos)
            return std::max(4, std::atoi(row.independent.c_str() + at + marker.size()));
        return 4;
    }
    // 16-bit references are cut to their high byte; a decoder that scales n-bit fields with
    // rounding lands one above where the high byte rounds down.
    if (isSixteenBitPng(root / row.reference)) return 1;
    if (row.independent.find("max channel difference 1") != std::string::npos &&
        row.independent.find("vs ref") != std::string::npos)
        return 1;
    return 0;
}

// Empty when the decoded image matches the primary reference or one of the alternatives.
std::string matchReferences(const fs::path& root, const Row& row, const Image& got) {
    std::vector<std::string> refs{row.reference};
    refs.insert(refs.end(), row.altReferences.begin(), row.altReferences.end());
    // TIFF references made through libtiff's RGBA interface (and upstream ones equal to it) hold
    // premultiplied colour; we decode to straight alpha, so compare both ways.
    const bool tryPremultiplied = row.format == "tiff";
    std::string firstMismatch;
    for (const auto& ref : refs) {
        std::string error;
        auto refImage = decodeFile(root / ref, error);
        if (!refImage) return "reference " + ref + " unreadable: " + error;
        for (bool premultiply : {false, true}) {
            if (premultiply && !tryPremultiplied) continue;
            const bool rgbOnly = row.notes.find("compare RGB only") != std::string::npos;
            auto diff =
                compareImages(got, *refImage, toleranceFor(root, row), premultiply, rgbOnly);
            if (diff.empty()) return {};
            if (firstMismatch.empty()) firstMismatch = diff;
        }
    }
    return firstMismatch;
}

struct Tally {
    std::map<std::string, std::map<std::string, int>> byExpect;  // expect -> outcome -> count
};

void runFormat(const std::string& format) {
    const fs::path root = corpusRoot();
    if (root.empty()) {
        GTEST_SKIP() << "image corpus not found (set QM_CORPUS)";
    }
    Tally tally;
    int rowsSeen = 0;
    for (const Row& row : readManifest(root)) {
        if (row.format != format) continue;
        ++rowsSeen;
        SCOPED_TRACE(row.path + " (" + row.expect + ")");
        std::string error;
        const auto image = decodeFile(root / row.path, error);
        // The tiled decoder gives the same image or the same message, for the file and for
        // its reference.
        EXPECT_TRUE(
            tilesDecodeAsWhole(readFile(root / row.path), fs::path(row.path).filename().string()));
        if (!row.reference.empty()) EXPECT_TRUE(tilesDecodeAsWhole(readFile(root / row.reference)));
        auto& count = tally.byExpect[row.expect];
        if (!image) {
            const bool sizeLimit = error.find("exceeds the limit") != std::string::npos;
            if (row.expect == "valid" && beyondTiffLibrary(row)) {
                ++count["rejected (beyond the TIFF library)"];
            } else if (row.expect == "valid" && sizeLimit) {
                ++count["refused (size limit)"];
            } else {
                ++count["rejected"];
                if (row.expect == "valid") ADD_FAILURE() << "valid file rejected: " << error;
            }
            if (row.expect != "robustness") {
                EXPECT_FALSE(error.empty()) << "rejected without a reason";
            }
            continue;
        }
        ++count["decoded"];
        EXPECT_TRUE(image->width > 0 && image->height > 0 &&
                    image->pixels.size() == size_t(image->width) * size_t(image->height));
        if (row.expect == "invalid" || row.expect == "unsupported") {
            ADD_FAILURE() << row.expect << " file decoded (" << image->width << "x"
                          << image->height << ")";
            continue;
        }
        if (row.reference.empty() || row.expect == "robustness") continue;
        const auto mismatch = matchReferences(root, row, *image);
        if (mismatch.empty()) {
            ++count["matched"];
        } else if (kKnownDifferences.count(row.path)) {
            ++count["differs (known)"];
        } else {
            ++count["mismatched"];
            ADD_FAILURE() << "differs from reference: " << mismatch;
        }
    }
    EXPECT_GT(rowsSeen, 0) << "no " << format << " rows in the manifest";
    std::ostringstream summary;
    summary << format << ":";
    for (const auto& [expect, outcomes] : tally.byExpect) {
        summary << "  " << expect << " {";
        for (const auto& [outcome, n] : outcomes) summary << " " << outcome << " " << n;
        summary << " }";
    }
    std::printf("%s\n", summary.str().c_str());
    ::testing::Test::RecordProperty("summary", summary.str());
}

TEST(Corpus, Bmp) { runFormat("bmp"); }
TEST(Corpus, Ico) { runFormat("ico"); }
TEST(Corpus, Tga) { runFormat("tga"); }
TEST(Corpus, Png) { runFormat("png"); }
TEST(Corpus, Jpeg) { runFormat("jpeg"); }
TEST(Corpus, Tiff) { runFormat("tiff"); }

}  // namespace
}  // namespace qm
