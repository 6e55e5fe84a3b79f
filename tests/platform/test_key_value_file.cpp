#include <gtest/gtest.h>
#include <stdlib.h>

#include <cfloat>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "platform/key_value_file.h"
#include "support/temp_folder.h"

namespace qm {
namespace {

namespace fs = std::filesystem;

// A fresh folder per test, removed afterwards.
struct TempDir : test::TempFolder {
    TempDir() : TempFolder("qm_kv") {}
};

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void writeAll(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

TEST(LenientNumbers, Integers) {
    struct Case {
        const char* text;
        std::optional<int64_t> expected;
    };
    const Case cases[] = {
        {"7", 7},
        {" 7", 7},
        {"\t 42", 42},
        {"-5", -5},
        {"+5", 5},
        {"12abc", 12},
        {"1.9", 1},
        {"0x1F", 31},
        {"0X1f", 31},
        {"-0x10", -16},
        {"0x", 0},
        {"0xg", 0},
        {"abc", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
        {" - 5", std::nullopt},
        {"9223372036854775807", INT64_MAX},
        // Beyond 64 bits the low 64 bits are kept: 2^64 + 5.
        {"18446744073709551621", 5},
        {"4294967295", 4294967295},
    };
    for (const Case& c : cases) EXPECT_EQ(parseLenientInteger(c.text), c.expected) << c.text;
}

TEST(LenientNumbers, Reals) {
    struct Case {
        const char* text;
        std::optional<double> expected;
    };
    const Case cases[] = {
        {"0.35", 0.35}, {" 1.5", 1.5},   {"-2.25", -2.25},  {"+3", 3.0},
        {".5", 0.5},    {"1e3", 1000.0}, {"0.35abc", 0.35}, {"0,35", 0.0},
        {"abc", {}},    {"", {}},        {"inf", {}},       {"nan", {}},
        {"1e999", {}},  {"--5", {}},     {"-+5", {}},       {"7", 7.0},
    };
    for (const Case& c : cases) EXPECT_EQ(parseLenientReal(c.text), c.expected) << c.text;
}

TEST(LenientNumbers, RealsRoundTripExactlyInShortestForm) {
    EXPECT_EQ(formatReal(0.35), "0.35");
    EXPECT_EQ(formatReal(3.0), "3");
    EXPECT_EQ(formatReal(std::numeric_limits<double>::infinity()), "0");
    EXPECT_EQ(formatReal(std::nan("")), "0");
    for (double v : {0.35, 0.1, 1.0 / 3.0, -2.5e-7, 1e300, DBL_MIN, DBL_MAX, 123456789.123})
        EXPECT_EQ(parseLenientReal(formatReal(v)), v) << formatReal(v);
}

TEST(KeyValueFile, ReadsFirstOccurrenceInSelectedGroupWithLenientSpacing) {
    const auto file = KeyValueFile::parse(
        "; comment = not a key\r\n"
        "brushdir = first\r\n"
        "brushdir = second\r\n"
        "size=12\r\n"
        "  spaced \t=\t  value with ; semicolon  \r\n"
        "empty =\r\n"
        "junk line\r\n"
        "[Layer1]\r\n"
        "Name = Ink\r\n"
        "Opacity = 128\r\n"
        "[ Layer2 ]\r\n"
        "Opacity = 7\r\n");
    EXPECT_EQ(file.lineEnding(), LineEnding::CrLf);
    EXPECT_EQ(file.readText("brushdir", "x"), "first");
    EXPECT_EQ(file.readInteger("size", 0), 12);
    EXPECT_EQ(file.readText("spaced"), "value with ; semicolon  ");
    EXPECT_EQ(file.readText("empty", "default"), "");  // present but empty: not the default
    EXPECT_EQ(file.readInteger("empty", 9), 9);        // no number: the default
    EXPECT_FALSE(file.hasKey("; comment"));
    EXPECT_FALSE(file.hasKey("Name"));  // belongs to Layer1, not to the top part
    EXPECT_EQ(file.readText("Size", "case"), "case");

    auto layers = file;
    layers.selectGroup("Layer1");
    EXPECT_EQ(layers.readText("Name"), "Ink");
    EXPECT_EQ(layers.readInteger("Opacity", 255), 128);
    EXPECT_FALSE(layers.hasKey("brushdir"));
    layers.selectGroup("Layer2");
    EXPECT_EQ(layers.readInteger("Opacity", 255), 7);
    layers.selectGroup("Layer3");
    EXPECT_EQ(layers.readInteger("Opacity", 255), 255);
    EXPECT_EQ(layers.readReal("Missing", 0.5), 0.5);

    EXPECT_EQ(file.groups(), (std::vector<std::string>{"", "Layer1", "Layer2"}));
}

TEST(KeyValueFile, RepeatedGroupIsOneGroup) {
    auto file = KeyValueFile::parse("[A]\nx = 1\n[B]\nx = 2\n[A]\ny = 3\n");
    file.selectGroup("A");
    EXPECT_EQ(file.readInteger("x"), 1);
    EXPECT_EQ(file.readInteger("y"), 3);
    EXPECT_EQ(file.keys(), (std::vector<std::string>{"x", "y"}));
    file.writeInteger("z", 4);  // after the group's last key line
    EXPECT_EQ(file.text(), "[A]\nx = 1\n[B]\nx = 2\n[A]\ny = 3\nz = 4\n");
}

TEST(KeyValueFile, WritingKeepsOtherLinesAndOrder) {
    auto file = KeyValueFile::parse(
        "; header\n"
        "brushdir = one\n"
        "unknownKey = kept\n"
        "brushdir = two\n"
        "\n"
        "[Layer1]\n"
        "; about the layer\n"
        "Name = A\n"
        "\n"
        "[Layer2]\n");
    file.writeText("brushdir", "new");  // the first occurrence only
    file.writeInteger("fresh", -3);     // appended after the top part's last key
    file.selectGroup("Layer1");
    file.writeText("Name", "B");
    file.writeReal("gradientX", 0.35);
    file.selectGroup("Layer2");
    file.writeInteger("Opacity", 255);  // group without keys: right after its header
    file.selectGroup("Layer9");
    file.writeInteger("X", 1);  // missing group: created at the end
    EXPECT_EQ(file.text(),
              "; header\n"
              "brushdir = new\n"
              "unknownKey = kept\n"
              "brushdir = two\n"
              "fresh = -3\n"
              "\n"
              "[Layer1]\n"
              "; about the layer\n"
              "Name = B\n"
              "gradientX = 0.35\n"
              "\n"
              "[Layer2]\n"
              "Opacity = 255\n"
              "[Layer9]\n"
              "X = 1\n");
    file.selectGroup("Layer1");
    EXPECT_EQ(file.readReal("gradientX"), 0.35);
}

TEST(KeyValueFile, NewFileInTopGroupAndLineEndings) {
    KeyValueFile file(LineEnding::CrLf);
    file.writeInteger("Nb_layer", 1);
    file.selectGroup("Layer1");
    file.writeText("Name", "Layer1");
    file.selectGroup("");
    file.writeInteger("Doc_w", 1024);  // the top part stays before the first section
    EXPECT_EQ(file.text(), "Nb_layer = 1\r\nDoc_w = 1024\r\n[Layer1]\r\nName = Layer1\r\n");

    auto lf = KeyValueFile::parse("a = 1");  // no line break at all: LF, one line
    EXPECT_EQ(lf.lineEnding(), LineEnding::Lf);
    EXPECT_EQ(lf.readInteger("a"), 1);
    EXPECT_EQ(lf.text(), "a = 1\n");
}

TEST(KeyValueFile, ValuesStayOneLineAndUnwritableNamesAreRefused) {
    auto file = KeyValueFile::parse("a = 1\n");
    EXPECT_TRUE(file.writeText("name", "  two\r\nlines"));
    EXPECT_EQ(file.readText("name"), "two  lines");  // what a reload would give

    const std::string before = file.text();
    for (const char* key : {"", "a=b", "x\ny", ";c", "[s]", " lead"})
        EXPECT_FALSE(file.writeText(key, "v")) << key;
    file.selectGroup("bad]name");
    EXPECT_FALSE(file.writeInteger("k", 1));
    file.selectGroup("two\nlines");
    EXPECT_FALSE(file.writeInteger("k", 1));
    EXPECT_EQ(file.text(), before);

    const auto reread = KeyValueFile::parse(file.text());
    EXPECT_EQ(reread.readText("name"), "two  lines");
}

TEST(KeyValueFile, ByteOrderMarkIsSkippedAndKept) {
    auto file = KeyValueFile::parse(
        "\xEF\xBB\xBF"
        "lang = fra\n");
    EXPECT_EQ(file.readText("lang"), "fra");
    file.writeText("lang", "eng");
    EXPECT_EQ(file.text(),
              "\xEF\xBB\xBF"
              "lang = eng\n");
}

TEST(KeyValueFile, SaveLoadRoundTripAndRewriteInPlace) {
    TempDir dir;
    const std::string path = dir.file("Preset.qmb");
    writeAll(path, "name = Ink\r\nfutureKey = 5\r\nsize = 3\r\n");

    std::string error;
    auto file = KeyValueFile::loadForRewrite(path, LineEnding::Lf, error);
    ASSERT_TRUE(file) << error;
    file->writeInteger("size", 40);
    file->writeReal("gradientX", 0.35);
    ASSERT_TRUE(file->save(path, error)) << error;
    EXPECT_EQ(readAll(path), "name = Ink\r\nfutureKey = 5\r\nsize = 40\r\ngradientX = 0.35\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 1)
        << "no temporary file left behind";

    // Stored paths use "\" and another letter case.
    const auto loaded = KeyValueFile::load(dir.path.string() + "\\preset.QMB", error);
    ASSERT_TRUE(loaded) << error;
    EXPECT_EQ(loaded->readReal("gradientX"), 0.35);
    EXPECT_EQ(loaded->readInteger("futureKey"), 5);

    auto fresh = KeyValueFile::loadForRewrite(dir.file("new.qmb"), LineEnding::CrLf, error);
    ASSERT_TRUE(fresh);
    EXPECT_EQ(fresh->text(), "");
    EXPECT_EQ(fresh->lineEnding(), LineEnding::CrLf);
}

TEST(KeyValueFile, LoadFailuresGiveMessages) {
    TempDir dir;
    std::string error;
    EXPECT_FALSE(KeyValueFile::load(dir.file("missing.ini"), error));
    EXPECT_NE(error.find("missing.ini"), std::string::npos) << error;

    error.clear();
    EXPECT_FALSE(KeyValueFile::load(dir.path.string(), error));
    EXPECT_FALSE(error.empty());

    const std::string big = dir.file("big.ini");
    writeAll(big, "a = 1\n");
    fs::resize_file(big, kMaxKeyValueFileBytes + 1);  // sparse: cheap to make
    error.clear();
    EXPECT_FALSE(KeyValueFile::load(big, error));
    EXPECT_NE(error.find("too large"), std::string::npos) << error;
    // An unreadable existing file is not silently replaced by an empty one.
    EXPECT_FALSE(KeyValueFile::loadForRewrite(big, LineEnding::Lf, error));

    // Line count is bounded too: a few megabytes of empty lines must not become a huge table.
    const std::string lines = dir.file("lines.ini");
    writeAll(lines, std::string(kMaxKeyValueFileLines, '\n'));
    error.clear();
    EXPECT_FALSE(KeyValueFile::load(lines, error));
    EXPECT_NE(error.find("too many lines"), std::string::npos) << error;

    error.clear();
    EXPECT_FALSE(KeyValueFile::load(std::string("a\0b", 3), error));
    EXPECT_FALSE(error.empty());

    KeyValueFile file;
    file.writeInteger("a", 1);
    error.clear();
    EXPECT_FALSE(file.save(dir.file("no/such/folder/pref.ini"), error));
    EXPECT_FALSE(error.empty());
}

TEST(TextFileWriter, WritesLinesWithChosenEnding) {
    TempDir dir;
    TextFileWriter writer(LineEnding::CrLf);
    writer.writeLine("; Fichier quillmoth ");
    writer.writeLine("Nb_layer = 1");
    writer.writeLine("bad\nline");
    std::string error;
    ASSERT_TRUE(writer.save(dir.file("a.qmd"), error)) << error;
    EXPECT_EQ(readAll(dir.file("a.qmd")), "; Fichier quillmoth \r\nNb_layer = 1\r\nbad line\r\n");

    std::string out;
    const auto index = KeyValueFile::load(dir.file("a.qmd"), out);
    ASSERT_TRUE(index);
    EXPECT_EQ(index->readInteger("Nb_layer", 0), 1);
}

}  // namespace
}  // namespace qm
