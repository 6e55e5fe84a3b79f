#include <gtest/gtest.h>
#include <sys/resource.h>
#include <zip.h>

#include <csignal>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "codecs/codecs.h"
#include "document/blend_modes.h"
#include "document/document_ops.h"
#include "io/image_files.h"
#include "io/openraster.h"
#include "io/xml_tree.h"
#include "platform/random.h"
#include "support/pixels.h"
#include "support/temp_folder.h"

namespace qm {
namespace {

using Bytes = std::vector<uint8_t>;

Image noisyImage(int w, int h, uint64_t seed, bool opaque = false) {
    Image img = *createImage(w, h, 32);
    Random rnd(seed);
    for (uint32_t& p : img.pixels) {
        p = rnd.next();
        if (opaque) p |= 0xFF000000u;
    }
    return img;
}

Layer makeLayer(const std::string& name, Image image) {
    Layer layer;
    layer.Name = name;
    layer.Width = int16_t(image.width);
    layer.Height = int16_t(image.height);
    layer.image = std::move(image);
    return layer;
}

void renumber(Document& doc) {
    for (size_t i = 0; i < doc.layers.size(); ++i) doc.layers[i].Position = uint8_t(i + 1);
}

Document asDocument(const DocumentFileContents& contents) {
    Document doc;
    doc.Width = contents.Width;
    doc.Height = contents.Height;
    doc.layers = contents.layers;
    return doc;
}

Bytes pngOf(const Image& img) {
    Bytes out;
    std::string error;
    EXPECT_TRUE(encodePng(img, out, error)) << error;
    return out;
}

Bytes textBytes(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

// A zip archive of (name, content) pairs, in order; `store` keeps every entry uncompressed.
Bytes makeZip(const std::vector<std::pair<std::string, Bytes>>& files, bool store = true) {
    zip_error_t ze;
    zip_error_init(&ze);
    zip_source_t* target = zip_source_buffer_create(nullptr, 0, 0, &ze);
    zip_t* za = zip_open_from_source(target, ZIP_CREATE | ZIP_TRUNCATE, &ze);
    EXPECT_NE(za, nullptr);
    zip_source_keep(target);
    for (const auto& [name, content] : files) {
        zip_source_t* s = zip_source_buffer(za, content.data(), content.size(), 0);
        const zip_int64_t i = zip_file_add(za, name.c_str(), s, ZIP_FL_ENC_UTF_8);
        EXPECT_GE(i, 0) << name;
        zip_set_file_compression(za, zip_uint64_t(i), store ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 9);
    }
    EXPECT_EQ(zip_close(za), 0);
    zip_stat_t st;
    zip_source_stat(target, &st);
    Bytes bytes(st.size);
    zip_source_open(target);
    zip_source_read(target, bytes.data(), st.size);
    zip_source_close(target);
    zip_source_free(target);
    zip_error_fini(&ze);
    return bytes;
}

// The entries of an archive, by name.
std::map<std::string, Bytes> unzip(const Bytes& archive) {
    std::map<std::string, Bytes> out;
    zip_error_t ze;
    zip_error_init(&ze);
    zip_source_t* src = zip_source_buffer_create(archive.data(), archive.size(), 0, &ze);
    zip_t* za = zip_open_from_source(src, ZIP_RDONLY, &ze);
    EXPECT_NE(za, nullptr);
    if (!za) return out;
    for (zip_int64_t i = 0; i < zip_get_num_entries(za, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(za, zip_uint64_t(i), 0, &st);
        Bytes content(st.size);
        zip_file_t* f = zip_fopen_index(za, zip_uint64_t(i), 0);
        zip_fread(f, content.data(), st.size);
        zip_fclose(f);
        out[st.name] = std::move(content);
    }
    zip_discard(za);
    zip_error_fini(&ze);
    return out;
}

// ---- Our own files ---------------------------------------------------------------------------

// Fifteen layers, one per blend mode, with names that need escaping, opacities, hidden layers
// and offsets.
Document everyModeDocument() {
    Document doc;
    doc.Width = 20;
    doc.Height = 14;
    doc.layers.push_back(makeLayer("Paper & <ink>", noisyImage(20, 14, 1, true)));
    for (int mode = 1; mode < kBlendModeCount; ++mode) {
        Layer layer =
            makeLayer("Mode \"" + std::string(blendMode(mode).name) + "\" é",
                      noisyImage(mode % 3 ? 20 : 23, mode % 4 ? 14 : 17, uint64_t(mode) + 7));
        layer.Blendmode = uint8_t(mode);
        layer.Opacity = uint8_t(255 - mode * 13);
        layer.Visible = mode % 5 != 0;
        layer.X = int16_t(mode % 3 ? 0 : -3);
        layer.Y = int16_t(mode % 4 ? 0 : 2);
        doc.layers.push_back(std::move(layer));
    }
    renumber(doc);
    doc.layers[6].Selected = 1;
    return doc;
}

TEST(OpenRaster, OurFileReadsBackAsTheSameLayersAndCanvas) {
    const Document doc = everyModeDocument();
    test::TempFolder dir("qm_ora");
    const std::string path = dir.file("every mode.ora");
    std::string error;
    ASSERT_TRUE(writeOpenRasterFile(doc, path, error)) << error;
    const auto read = readOpenRasterFile(path, 3, error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(read->notice, "");
    const DocumentFileContents& back = read->document;
    EXPECT_EQ(back.Width, doc.Width);
    EXPECT_EQ(back.Height, doc.Height);
    ASSERT_EQ(back.layers.size(), doc.layers.size());
    for (size_t i = 0; i < doc.layers.size(); ++i) {
        const Layer &a = doc.layers[i], &b = back.layers[i];
        SCOPED_TRACE(a.Name);
        EXPECT_EQ(b.Name, a.Name);
        EXPECT_EQ(b.Position, i + 1);
        EXPECT_EQ(b.Blendmode, a.Blendmode);
        EXPECT_EQ(b.Opacity, a.Opacity);
        EXPECT_EQ(b.Visible, a.Visible);
        EXPECT_EQ(b.Selected, a.Selected);
        EXPECT_EQ(b.X, a.X);
        EXPECT_EQ(b.Y, a.Y);
        EXPECT_EQ(b.Frame, 3);
        EXPECT_TRUE(pixelsOf(b.image) == pixelsOf(a.image));
    }
    EXPECT_TRUE(flattenVisibleLayers(asDocument(back))->pixels ==
                flattenVisibleLayers(doc)->pixels);
}

TEST(OpenRaster, TheArchiveIsLaidOutAsOtherProgramsExpect) {
    Document doc;
    doc.Width = 600;
    doc.Height = 300;
    doc.layers.push_back(makeLayer("Back", noisyImage(600, 300, 3, true)));
    doc.layers.push_back(makeLayer("Group", Image{}));  // a group entry has no pixels
    doc.layers[1].IsGroup = 1;
    doc.layers.push_back(makeLayer("Top", noisyImage(600, 300, 4)));
    doc.layers[2].Blendmode = 5;  // Invert: no standard name
    doc.layers[2].Visible = 0;
    renumber(doc);
    std::string error;
    const auto bytes = encodeOpenRaster(doc, error);
    ASSERT_TRUE(bytes) << error;

    // The first entry is "mimetype", stored, with no extra field: its content is at byte 38.
    const Bytes& b = *bytes;
    ASSERT_GT(b.size(), 60u);
    EXPECT_EQ(b[8] | b[9] << 8, 0);    // stored
    EXPECT_EQ(b[28] | b[29] << 8, 0);  // no extra field
    EXPECT_EQ(std::string(b.begin() + 30, b.begin() + 38), "mimetype");
    EXPECT_EQ(std::string(b.begin() + 38, b.begin() + 54), "image/openraster");

    const auto files = unzip(b);
    ASSERT_TRUE(files.count("stack.xml"));
    const std::string stack(files.at("stack.xml").begin(), files.at("stack.xml").end());
    // The top first; the group is not written; Invert carries its own index.
    EXPECT_LT(stack.find("name=\"Top\""), stack.find("name=\"Back\""));
    EXPECT_EQ(stack.find("Group"), std::string::npos);
    EXPECT_NE(
        stack.find("visibility=\"hidden\" composite-op=\"svg:src-over\" quillmoth:blendmode=\"5\""),
        std::string::npos);
    std::string why;
    const auto merged = decodePng(files.at("mergedimage.png"), why);
    ASSERT_TRUE(merged) << why;
    EXPECT_TRUE(merged->pixels == flattenVisibleLayers(doc)->pixels);
    const auto thumb = decodePng(files.at("Thumbnails/thumbnail.png"), why);
    ASSERT_TRUE(thumb) << why;
    EXPECT_EQ(thumb->width, 256);
    EXPECT_EQ(thumb->height, 128);
    EXPECT_EQ(files.size(), 6u);  // mimetype, stack, two layers, thumbnail, merged
}

// Each layer entry holds the bytes the whole-image encoder gives for the layer, a layer without
// pixels written as a transparent document-size image.
TEST(OpenRaster, LayerEntriesHoldTheBytesOfTheWholeImages) {
    Document doc;
    doc.Width = 130;
    doc.Height = 70;
    doc.layers.push_back(makeLayer("Back", noisyImage(130, 70, 3, true)));
    doc.layers.push_back(makeLayer("Wide", noisyImage(150, 80, 4)));
    doc.layers.push_back(makeLayer("Empty", Image{}));
    renumber(doc);
    std::string error;
    const auto bytes = encodeOpenRaster(doc, error);
    ASSERT_TRUE(bytes) << error;
    const auto files = unzip(*bytes);
    for (size_t k = 0; k < doc.layers.size(); ++k) {
        SCOPED_TRACE(k);
        const TiledImage& image = doc.layers[k].image;
        const Image whole = image.empty() ? *createImage(130, 70, 32) : image.toImage();
        ASSERT_TRUE(files.count("data/layer" + std::to_string(k) + ".png"));
        EXPECT_TRUE(files.at("data/layer" + std::to_string(k) + ".png") == pngOf(whole));
    }
}

TEST(OpenRaster, AFailedSaveLeavesThePreviousFile) {
    test::TempFolder dir("qm_ora");
    const std::string path = dir.file("keep.ora");
    Document doc = everyModeDocument();
    std::string error;
    ASSERT_TRUE(writeOpenRasterFile(doc, path, error)) << error;
    const auto before = std::filesystem::file_size(path);
    doc.Width = 0;  // cannot be saved
    EXPECT_FALSE(writeOpenRasterFile(doc, path, error));
    EXPECT_NE(error.find("keep.ora"), std::string::npos);
    EXPECT_EQ(std::filesystem::file_size(path), before);
    EXPECT_TRUE(readOpenRasterFile(path, 1, error));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 1);
}

// A disk that fills while the archive is written (the file-size limit stands in for it): the
// reason is given and the previous file stays whole, with no temporary file left.
TEST(OpenRaster, AnArchiveThatCannotBeWrittenWholeLeavesThePreviousFile) {
    test::TempFolder dir("qm_ora");
    const std::string path = dir.file("full.ora");
    const Document doc = everyModeDocument();
    std::string error;
    ASSERT_TRUE(writeOpenRasterFile(doc, path, error)) << error;
    std::ifstream in(path, std::ios::binary);
    const Bytes before((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Written straight to the file, it is laid out as in memory: the mimetype entry first.
    ASSERT_GT(before.size(), 60u);
    EXPECT_EQ(std::string(before.begin() + 30, before.begin() + 54), "mimetypeimage/openraster");

    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = before.size() / 2;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = writeOpenRasterFile(doc, path, error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(written);
    EXPECT_NE(error.find("full.ora"), std::string::npos) << error;
    std::ifstream again(path, std::ios::binary);
    EXPECT_EQ(Bytes((std::istreambuf_iterator<char>(again)), std::istreambuf_iterator<char>()),
              before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 1);
}

TEST(OpenRaster, SavePathGetsTheExtensionOnce) {
    EXPECT_EQ(openRasterPathFor("a"), "a.ora");
    EXPECT_EQ(openRasterPathFor("a.ora"), "a.ora");
    EXPECT_EQ(openRasterPathFor("b.ORA"), "b.ORA");
    EXPECT_EQ(openRasterPathFor("dir/.ora"), "dir/.ora.ora");
    EXPECT_EQ(openRasterPathFor("c.qmd"), "c.qmd.ora");
}

// ---- Blend mode names ----------------------------------------------------------------------

TEST(OpenRasterModes, NamesMapBothWays) {
    for (int mode = 0; mode < kBlendModeCount; ++mode) {
        const auto op = compositeOpForBlendmode(mode);
        EXPECT_TRUE(op.starts_with("svg:")) << mode;
        const bool roundTrips = blendmodeForCompositeOp(op).blendmode == mode;
        EXPECT_NE(roundTrips, blendmodeNeedsOwnAttribute(mode)) << mode;
    }
    // Modes with no standard arithmetic are plain "over" for other programs.
    for (int mode : {5, 7, 14}) EXPECT_EQ(compositeOpForBlendmode(mode), "svg:src-over");
    EXPECT_EQ(compositeOpForBlendmode(13), "svg:overlay");  // ClearLight computes Overlay

    struct Case {
        const char* op;
        int mode;
        bool known, nearest;
    };
    const Case cases[] = {
        {"svg:multiply", 1, true, false},    {"svg:color-dodge", 2, true, false},
        {"svg:exclusion", 9, true, false},   {"vendor:exclusion", 9, true, false},
        {"SVG:Hard-Light", 12, true, false}, {"darken", 11, true, false},
        {"svg:plus", 2, true, true},         {"svg:soft-light", 13, true, true},
        {"svg:hue", 0, false, false},        {"", 0, false, false},
        {"svg:dst-in", 0, false, false},
    };
    for (const Case& c : cases) {
        const auto r = blendmodeForCompositeOp(c.op);
        EXPECT_EQ(r.blendmode, c.mode) << c.op;
        EXPECT_EQ(r.known, c.known) << c.op;
        EXPECT_EQ(r.nearest, c.nearest) << c.op;
    }
}

// ---- Other programs' files -----------------------------------------------------------------

TEST(OpenRaster, AnotherProgramsFileOpensAsTheCanvasItDescribes) {
    // A 12 x 10 image: a background, a nested stack moved by (2, 1) holding a small multiply
    // layer and a hidden one, a stack at half opacity, a layer larger than the image that starts
    // left of it, and a layer in a mode we do not have.
    const Image back = noisyImage(12, 10, 11, true);
    const Image small = noisyImage(4, 3, 12);
    const Image hidden = noisyImage(12, 10, 13);
    const Image half = noisyImage(12, 10, 14);
    const Image wide = noisyImage(16, 12, 15);
    const Image hue = noisyImage(5, 5, 16);
    const std::string stack = R"(<?xml version='1.0' encoding='UTF-8'?>
<!-- written by hand, in the manner of other programs -->
<image version="0.0.5" w="12" h="10" xres="72" yres="72">
  <stack isolation="auto" name="root">
    <layer name="Tint" src="data/hue.png" x="6" y="4" composite-op="svg:hue" opacity="1.0"/>
    <stack name="Moved" x="2" y="1" composite-op="svg:src-over">
      <layer name="Shade" src="data/small.png" x="3" y="2" opacity="0.6" composite-op="svg:multiply"/>
      <layer name="Sketch" src="data/hidden.png" visibility="hidden"/>
    </stack>
    <stack name="Faded" opacity="0.5">
      <layer name="Glaze" src="./data/half.png" opacity="0.8" composite-op="svg:screen" selected="true"/>
    </stack>
    <layer name="Wide" src="data\wide.png" x="-2" y="-1" composite-op="svg:soft-light"><![CDATA[ignored]]></layer>
    <text>not a layer</text>
    <layer name="Back" src="data/back.png" x="0.0" y="0" opacity="1.000" visibility="visible" composite-op="svg:src-over"/>
  </stack>
</image>
)";
    const Bytes archive = makeZip({{"mimetype", textBytes("image/openraster")},
                                   {"stack.xml", textBytes(stack)},
                                   {"data/back.png", pngOf(back)},
                                   {"data/small.png", pngOf(small)},
                                   {"data/hidden.png", pngOf(hidden)},
                                   {"data/half.png", pngOf(half)},
                                   {"data/wide.png", pngOf(wide)},
                                   {"data/hue.png", pngOf(hue)}},
                                  false);
    std::string error;
    const auto read = readOpenRaster(archive, "theirs.ora", 1, error);
    ASSERT_TRUE(read) << error;

    // The canvas it describes, made from our own layers placed by hand.
    Document expected;
    expected.Width = 12;
    expected.Height = 10;
    const auto placed = [](const Image& img, int x, int y) {
        Image out = *createImage(12, 10, 32);
        for (int j = 0; j < img.height; ++j)
            for (int i = 0; i < img.width; ++i)
                if (out.contains(x + i, y + j)) out.at(x + i, y + j) = img.at(i, j);
        return out;
    };
    const auto add = [&](const char* name, Image img, uint8_t mode, uint8_t opacity, bool visible) {
        Layer layer = makeLayer(name, std::move(img));
        layer.Blendmode = mode;
        layer.Opacity = opacity;
        layer.Visible = visible;
        expected.layers.push_back(std::move(layer));
    };
    add("Back", back, 0, 255, true);
    add("Wide", wide, 13, 255, true);  // keeps its size and offset
    expected.layers.back().X = -2;
    expected.layers.back().Y = -1;
    add("Glaze", half, 3, 102, true);      // 0.8 x 0.5
    add("Sketch", hidden, 0, 255, false);  // the document's size: kept, at the stack's offset
    expected.layers.back().X = 2;
    expected.layers.back().Y = 1;
    add("Shade", placed(small, 5, 3), 1, 153, true);
    add("Tint", placed(hue, 6, 4), 0, 255, true);
    renumber(expected);

    const DocumentFileContents& doc = read->document;
    ASSERT_EQ(doc.layers.size(), expected.layers.size());
    for (size_t i = 0; i < doc.layers.size(); ++i) {
        const Layer &a = expected.layers[i], &b = doc.layers[i];
        SCOPED_TRACE(a.Name);
        EXPECT_EQ(b.Name, a.Name);
        EXPECT_EQ(b.Blendmode, a.Blendmode);
        EXPECT_EQ(b.Opacity, a.Opacity);
        EXPECT_EQ(b.Visible, a.Visible);
        EXPECT_EQ(b.X, a.X);
        EXPECT_EQ(b.Y, a.Y);
        EXPECT_EQ(b.Selected, a.Name == std::string("Glaze"));
        EXPECT_TRUE(pixelsOf(b.image) == pixelsOf(a.image));
    }
    EXPECT_TRUE(flattenVisibleLayers(asDocument(doc))->pixels ==
                flattenVisibleLayers(expected)->pixels);
    EXPECT_EQ(read->notice,
              "These layers use blend modes that Quillmoth does not have; they open as Normal: "
              "\"Tint\" (svg:hue).\nThese layers open in the nearest blend mode Quillmoth has: "
              "\"Wide\" (svg:soft-light as ClearLight).");
}

// Pictures placed across tile edges, partly outside the canvas, or at offsets our layers cannot
// keep: the tiles of the old way (the picture copied whole onto a transparent document-size
// image), with the transparent tiles missing.
TEST(OpenRaster, PlacedPicturesHaveTheTilesOfTheWholeImage) {
    const int w = 150, h = 100;
    struct Placed {
        int x, y, pw, ph;
    };
    const std::vector<Placed> cases = {
        {40, 30, 90, 70}, {-20, -10, 100, 50}, {100, 80, 80, 40}, {40000, 0, 160, 110},
        {0, 0, 70, 100},  {200, 0, 10, 10}};
    std::string stack = "<image w=\"150\" h=\"100\"><stack>";
    std::vector<std::pair<std::string, Bytes>> files = {{"mimetype", textBytes("image/openraster")}};
    std::vector<Image> pictures;
    for (size_t i = 0; i < cases.size(); ++i) {
        const Placed& c = cases[i];
        pictures.push_back(noisyImage(c.pw, c.ph, 30 + i));
        const std::string src = "data/" + std::to_string(i) + ".png";
        stack += "<layer src=\"" + src + "\" x=\"" + std::to_string(c.x) + "\" y=\"" +
                 std::to_string(c.y) + "\"/>";
        files.push_back({src, pngOf(pictures.back())});
    }
    stack += "</stack></image>";
    files.insert(files.begin() + 1, {"stack.xml", textBytes(stack)});
    std::string error;
    const auto read = readOpenRaster(makeZip(files), "placed.ora", 1, error);
    ASSERT_TRUE(read) << error;
    const auto& layers = read->document.layers;
    ASSERT_EQ(layers.size(), cases.size());
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        const Placed& c = cases[i];
        const Image& picture = pictures[i];
        Image placed = *createImage(w, h, 32);
        for (int y = std::max(c.y, 0); y < std::min(c.y + c.ph, h); ++y)
            for (int x = std::max(c.x, 0); x < std::min(c.x + c.pw, w); ++x)
                placed.at(x, y) = picture.at(x - c.x, y - c.y);
        const TiledImage& got = layers[cases.size() - 1 - i].image;  // the stack lists the top first
        const TiledImage expected = tiledFrom(placed);
        EXPECT_TRUE(got == expected);
        EXPECT_EQ(got.tileCount(), expected.tileCount());
    }
}

TEST(OpenRaster, AnEmptyStackOpensAsOneEmptyLayer) {
    const Bytes archive =
        makeZip({{"mimetype", textBytes("image/openraster")},
                 {"stack.xml", textBytes("<image w='3' h='2'><stack/></image>")}});
    std::string error;
    const auto read = readOpenRaster(archive, "empty.ora", 1, error);
    ASSERT_TRUE(read) << error;
    ASSERT_EQ(read->document.layers.size(), 1u);
    EXPECT_EQ(read->document.layers[0].image.width, 3);
    EXPECT_EQ(read->document.layers[0].Selected, 1);
}

// ---- Bad archives ------------------------------------------------------------------------------

// Sets the uncompressed size of entry `name` in its local header and the central directory.
void patchDeclaredSize(Bytes& zip, const std::string& name, uint32_t size) {
    for (size_t at = 0; at + 46 < zip.size(); ++at) {
        const uint32_t sig =
            zip[at] | zip[at + 1] << 8 | zip[at + 2] << 16 | uint32_t(zip[at + 3]) << 24;
        size_t sizeAt = 0, nameAt = 0;
        if (sig == 0x04034b50)
            sizeAt = at + 22, nameAt = at + 30;
        else if (sig == 0x02014b50)
            sizeAt = at + 24, nameAt = at + 46;
        else
            continue;
        if (nameAt + name.size() > zip.size() ||
            std::memcmp(&zip[nameAt], name.data(), name.size()) != 0)
            continue;
        for (int k = 0; k < 4; ++k) zip[sizeAt + k] = uint8_t(size >> (8 * k));
    }
}

TEST(OpenRaster, BadArchivesAreRefusedWithAMessage) {
    const Bytes png = pngOf(noisyImage(4, 4, 5));
    const auto stackFor = [](const std::string& layers, const char* size = "w=\"4\" h=\"4\"") {
        return textBytes("<image " + std::string(size) + "><stack>" + layers + "</stack></image>");
    };
    const auto good = [&](const std::string& src = "data/a.png") {
        return stackFor("<layer src=\"" + src + "\"/>");
    };
    const Bytes mime = textBytes("image/openraster");
    Bytes hugeHeader = pngOf(noisyImage(4, 4, 6));
    hugeHeader[16] = 0, hugeHeader[17] = 0, hugeHeader[18] = 0x4E,
    hugeHeader[19] = 0x20;  // 20000 wide

    Bytes declaredHuge = makeZip({{"mimetype", mime}, {"stack.xml", good()}, {"data/a.png", png}});
    patchDeclaredSize(declaredHuge, "data/a.png", 0xFFFFFF00u);
    Bytes declaredSmall =
        makeZip({{"mimetype", mime}, {"stack.xml", good()}, {"data/a.png", png}}, false);
    patchDeclaredSize(declaredSmall, "data/a.png", 10);
    // A bomb: a stack.xml that inflates far beyond what a stack may be.
    const Bytes bomb = makeZip({{"mimetype", mime},
                                {"stack.xml", Bytes(kMaxOpenRasterStackBytes + 1, ' ')},
                                {"data/a.png", png}},
                               false);
    Bytes manyEntries = makeZip({{"mimetype", mime}, {"stack.xml", good()}, {"data/a.png", png}});
    manyEntries[manyEntries.size() - 22 + 10] = 0xFF,
                                          manyEntries[manyEntries.size() - 22 + 11] = 0xF0;
    std::string deep;
    for (int i = 0; i < 100; ++i) deep += "<stack>";
    for (int i = 0; i < 100; ++i) deep += "</stack>";
    std::string many;
    for (int i = 0; i < 256; ++i) many += "<layer src=\"data/a.png\"/>";

    struct Case {
        const char* what;
        Bytes archive;
        const char* says;
    };
    const Case cases[] = {
        {"not a zip", textBytes("just text, not an archive"), "not a zip archive"},
        {"empty file", {}, "not a zip archive"},
        {"another type",
         makeZip({{"mimetype", textBytes("application/zip")}, {"stack.xml", good()}}), "type"},
        {"no stack", makeZip({{"mimetype", mime}, {"data/a.png", png}}), "no stack.xml"},
        {"missing layer file",
         makeZip({{"mimetype", mime}, {"stack.xml", good("data/b.png")}, {"data/a.png", png}}),
         "data/b.png is missing"},
        {"src going up",
         makeZip({{"mimetype", mime}, {"stack.xml", good("../a.png")}, {"data/a.png", png}}),
         "outside"},
        {"absolute src",
         makeZip({{"mimetype", mime}, {"stack.xml", good("/etc/passwd")}, {"data/a.png", png}}),
         "outside"},
        {"entry going up",
         makeZip({{"mimetype", mime},
                  {"stack.xml", good()},
                  {"data/a.png", png},
                  {"data/../../x", png}}),
         "outside"},
        {"layer without src",
         makeZip({{"mimetype", mime}, {"stack.xml", stackFor("<layer name='x'/>")}}),
         "names no file"},
        {"bad xml",
         makeZip(
             {{"mimetype", mime}, {"stack.xml", textBytes("<image w='4' h='4'><stack></image>")}}),
         "bad XML"},
        {"entity declarations",
         makeZip(
             {{"mimetype", mime},
              {"stack.xml", textBytes("<!DOCTYPE i [<!ENTITY a 'aaaa'>]><image w='4' h='4'/>")}}),
         "DOCTYPE"},
        {"unknown entity",
         makeZip({{"mimetype", mime},
                  {"stack.xml", stackFor("<layer name='&a;' src='data/a.png'/>")},
                  {"data/a.png", png}}),
         "unknown entity"},
        {"nested too deeply", makeZip({{"mimetype", mime}, {"stack.xml", stackFor(deep)}}),
         "nested too deeply"},
        {"no size",
         makeZip({{"mimetype", mime}, {"stack.xml", textBytes("<image><stack/></image>")}}),
         "no size"},
        {"zero size", makeZip({{"mimetype", mime}, {"stack.xml", stackFor("", "w='0' h='4'")}}),
         "not allowed"},
        {"huge size",
         makeZip({{"mimetype", mime}, {"stack.xml", stackFor("", "w='100000' h='100000'")}}),
         "not allowed"},
        {"too many layers",
         makeZip({{"mimetype", mime}, {"stack.xml", stackFor(many)}, {"data/a.png", png}}),
         "more than 255 layers"},
        {"not a png",
         makeZip(
             {{"mimetype", mime}, {"stack.xml", good()}, {"data/a.png", textBytes("GIF89a...")}}),
         "not a PNG"},
        {"damaged png",
         makeZip({{"mimetype", mime},
                  {"stack.xml", good()},
                  {"data/a.png", Bytes(png.begin(), png.begin() + 40)}}),
         "data/a.png"},
        {"picture too large",
         makeZip({{"mimetype", mime}, {"stack.xml", good()}, {"data/a.png", hugeHeader}}),
         "larger than a document"},
        {"huge declared size", declaredHuge, "declares"},
        {"more bytes than declared", declaredSmall, "data/a.png"},
        {"stack bomb", bomb, "stack.xml: it declares"},
        {"directory claims many entries", manyEntries, "entries"},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto read = readOpenRaster(c.archive, "bad.ora", 1, error);
        EXPECT_FALSE(read) << c.what;
        EXPECT_NE(error.find("bad.ora"), std::string::npos) << c.what << ": " << error;
        EXPECT_NE(error.find(c.says), std::string::npos) << c.what << ": " << error;
    }
}

TEST(OpenRaster, AFileThatIsNotThereIsAMessage) {
    std::string error;
    EXPECT_FALSE(readOpenRasterFile("/nonexistent/folder/x.ora", 1, error));
    EXPECT_NE(error.find("x.ora"), std::string::npos);
}

// ---- The XML reader -------------------------------------------------------------------------

TEST(XmlTree, ReadsElementsAttributesAndReferences) {
    std::string error;
    const auto root = parseXml(
        "\xEF\xBB\xBF<?xml version='1.0'?>\n<!DOCTYPE image>\n<!-- c -->"
        "<a x=\"1 &amp; &lt;2&gt;\" y='&#65;&#x42;&quot;&apos;' z=\"t\tu\">"
        "text &amp; more<![CDATA[<b>not</b>]]><b/><?pi?><c k = \"v\" ></c></a>\n<!-- end -->",
        error);
    ASSERT_TRUE(root) << error;
    EXPECT_EQ(root->name, "a");
    EXPECT_EQ(*root->attribute("x"), "1 & <2>");
    EXPECT_EQ(*root->attribute("y"), "AB\"'");
    EXPECT_EQ(*root->attribute("z"), "t u");
    EXPECT_EQ(root->attribute("w"), nullptr);
    ASSERT_EQ(root->children.size(), 2u);
    EXPECT_EQ(root->children[0].name, "b");
    EXPECT_EQ(*root->children[1].attribute("k"), "v");
}

TEST(XmlTree, RefusesWhatIsNotWellFormedOrTooLarge) {
    const char* bad[] = {
        "",
        "<a>",
        "<a></b>",
        "<a x='1' x='2'/>",
        "<a x=1/>",
        "<a x='&#0;'/>",
        "<a x='&#xD800;'/>",
        "<a x='&#x110000;'/>",
        "<a x='&bogus;'/>",
        "<a x='<'/>",
        "<a/><b/>",
        "<a><!-- open </a>",
        "<a>< b/></a>",
        "<a>&amp</a>",
    };
    for (const char* text : bad) {
        std::string error;
        EXPECT_FALSE(parseXml(text, error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
    std::string error;
    XmlLimits limits;
    limits.maxElements = 3;
    EXPECT_TRUE(parseXml("<a><b/><c/></a>", error, limits));
    EXPECT_FALSE(parseXml("<a><b/><c/><d/></a>", error, limits));
    limits.maxAttributes = 1;
    EXPECT_FALSE(parseXml("<a x='1' y='2'/>", error, limits));
}

}  // namespace
}  // namespace qm
