// Runs every file of the public image corpus through our decoders, as its manifest says:
//   valid       must decode and match its reference;
//   lenient     may decode (then it matches its reference when there is one) or be rejected;
//   invalid,
//   unsupported must be rejected with a reason;
//   robustness  anything but a crash or a hang.
// The corpus lives outside the repository; without it the tests report themselves skipped.
#include <gtest/gtest.h>

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

namespace qm {
namespace {

namespace fs = std::filesystem;

struct Row {
    std::string path, format, expect, reference, referenceKind, referenceOrigin, independent;
    std::vector<std::string> altReferences;
};

// Lenient files whose reference shows something we deliberately do not do.
const std::map<std::string, std::string> kLenientKnownDifferences = {
    {"bmp/bmpsuite/q/rgb24prof2.bmp", "the reference applies the embedded colour profile"},
};

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
        Row r{c[0], c[1], c[3], c[5], c[6], c[8], c[9], {}};
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
std::string compareImages(const Image& got, const Image& ref, int tolerance, bool premultiply) {
    if (got.width != ref.width || got.height != ref.height)
        return "size " + std::to_string(got.width) + "x" + std::to_string(got.height) +
               ", reference " + std::to_string(ref.width) + "x" + std::to_string(ref.height);
    int differing = 0;
    std::string first;
    for (int y = 0; y < got.height; ++y)
        for (int x = 0; x < got.width; ++x) {
            uint32_t g = got.at(x, y), r = ref.at(x, y);
            if (premultiply) g = premultiplied(g);
            if (alpha(g) == 0 && alpha(r) == 0) continue;
            for (int shift = 0; shift < 32; shift += 8) {
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

// A known rounding disagreement between the upstream reference and independent decoders.
int toleranceFor(const Row& row) {
    if (row.format == "jpeg" || row.reference.ends_with(".jpg")) return 4;
    if (row.independent.find("max channel difference 1") != std::string::npos &&
        row.independent.find("vs ref") != std::string::npos)
        return 1;
    return 0;
}

// Empty when the decoded image matches the primary reference or one of the alternatives.
std::string matchReferences(const fs::path& root, const Row& row, const Image& got) {
    std::vector<std::string> refs{row.reference};
    refs.insert(refs.end(), row.altReferences.begin(), row.altReferences.end());
    const bool premultiply =
        row.format == "tiff" && row.referenceOrigin.find("libtiff") != std::string::npos;
    std::string firstMismatch;
    for (const auto& ref : refs) {
        std::string error;
        auto refImage = decodeFile(root / ref, error);
        if (!refImage) return "reference " + ref + " unreadable: " + error;
        auto diff = compareImages(got, *refImage, toleranceFor(row), premultiply);
        if (diff.empty()) return {};
        if (firstMismatch.empty()) firstMismatch = diff;
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
        auto& count = tally.byExpect[row.expect];
        if (!image) {
            ++count["rejected"];
            if (row.expect == "valid") ADD_FAILURE() << "valid file rejected: " << error;
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
        } else if (row.expect == "lenient" && kLenientKnownDifferences.count(row.path)) {
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
