// Writes small seed inputs for the fuzz targets, one folder per target (png/, jpeg/, ...,
// key_value/, brush_preset/), made by our own encoders and writers: well-formed files, which
// are checked to read back here, and a few truncated or damaged variants of them. The normal
// build replays every folder through its target as a test.
//
// Usage: fuzz_seed_generator OUTPUT_FOLDER
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "brush/brush_preset.h"
#include "codecs/codecs.h"
#include "document/qmd_format.h"
#include "io/openraster.h"
#include "io/zip_archive.h"
#include "platform/fake_ui.h"
#include "platform/file_writer.h"
#include "platform/key_value_file.h"
#include "platform/paths.h"
#include "shell/app.h"
#include "shell/events.h"
#include "shell/settings/dictionary.h"
#include "shell/settings/preferences_file.h"

namespace {

using Bytes = std::vector<uint8_t>;
using qm::Image;

std::string outputRoot;
bool failed = false;

void fail(const std::string& what) {
    std::fprintf(stderr, "fuzz_seed_generator: %s\n", what.c_str());
    failed = true;
}

std::string folderFor(const std::string& set) {
    const std::string folder = qm::joinPath(outputRoot, set);
    std::string error;
    if (!qm::createFolders(folder, error)) fail(error);
    return folder;
}

void writeSeed(const std::string& set, const std::string& name, const Bytes& bytes) {
    std::string error;
    if (!qm::writeFileAtomically(qm::joinPath(folderFor(set), name), bytes, error)) fail(error);
}

Bytes truncated(Bytes bytes, size_t keep) {
    bytes.resize(std::min(keep, bytes.size()));
    return bytes;
}

Bytes patched(Bytes bytes, size_t at, std::initializer_list<uint8_t> values) {
    for (uint8_t v : values)
        if (at < bytes.size()) bytes[at++] = v;
    return bytes;
}

void put16(Bytes& b, uint16_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void put32(Bytes& b, uint32_t v) {
    put16(b, uint16_t(v));
    put16(b, uint16_t(v >> 16));
}

// A w x h image whose pixels differ in every channel; 32-bit ones have graded alpha.
Image sampleImage(int w, int h, int depth) {
    Image img = *qm::createImage(w, h, depth);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.at(x, y) =
                qm::rgba(uint32_t(40 * x + 7), uint32_t(60 * y + 3), uint32_t(17 * (x + y)),
                         depth == 32 ? uint32_t(255 - 30 * (x + y)) : 255u);
    return img;
}

// A well-formed seed must read back as an image of the size it was made from.
void expectDecodes(const Bytes& bytes, const Image& from, const std::string& what) {
    std::string error;
    const auto back = qm::decodeImage(bytes, error, what);
    if (!back)
        fail(what + " does not read back: " + error);
    else if (back->width != from.width || back->height != from.height)
        fail(what + " reads back with another size");
}

// TGA: 18-byte header, bottom-up rows unless bit 5 of the descriptor is set, pixels as B, G, R
// (, A). `rle` writes each row as one raw packet per up to 128 pixels.
Bytes makeTga(const Image& img, bool withAlpha, bool rle) {
    Bytes b = {0, 0, uint8_t(rle ? 10 : 2), 0, 0, 0, 0, 0, 0, 0, 0, 0};
    put16(b, uint16_t(img.width));
    put16(b, uint16_t(img.height));
    b.push_back(withAlpha ? 32 : 24);
    b.push_back(uint8_t(0x20 | (withAlpha ? 8 : 0)));  // top-down rows
    for (int y = 0; y < img.height; ++y) {
        for (int x = 0; x < img.width; ++x) {
            if (rle && x % 128 == 0) b.push_back(uint8_t(std::min(128, img.width - x) - 1));
            const uint32_t p = img.at(x, y);
            b.insert(b.end(), {uint8_t(qm::blue(p)), uint8_t(qm::green(p)), uint8_t(qm::red(p))});
            if (withAlpha) b.push_back(uint8_t(qm::alpha(p)));
        }
    }
    return b;
}

// A baseline little-endian TIFF: uncompressed RGB or RGBA (unassociated alpha), one strip.
Bytes makeTiff(const Image& img, bool withAlpha) {
    const uint16_t samples = withAlpha ? 4 : 3;
    const uint32_t dataSize = uint32_t(img.width) * uint32_t(img.height) * samples;
    struct Entry {
        uint16_t tag, type;
        uint32_t count, value;
    };
    const uint16_t kShort = 3, kLong = 4;
    const uint16_t entryCount = withAlpha ? 11 : 10;
    const uint32_t ifdSize = 2 + 12 * entryCount + 4;
    const uint32_t bitsAt = 8 + ifdSize;           // the BitsPerSample values
    const uint32_t dataAt = bitsAt + 2 * samples;  // the pixels
    std::vector<Entry> entries = {
        {256, kLong, 1, uint32_t(img.width)},
        {257, kLong, 1, uint32_t(img.height)},
        {258, kShort, samples, bitsAt},
        {259, kShort, 1, 1},  // no compression
        {262, kShort, 1, 2},  // RGB
        {273, kLong, 1, dataAt},
        {277, kShort, 1, samples},
        {278, kLong, 1, uint32_t(img.height)},
        {279, kLong, 1, dataSize},
        {284, kShort, 1, 1},  // chunky
    };
    if (withAlpha) entries.push_back({338, kShort, 1, 2});  // unassociated alpha

    Bytes b = {'I', 'I', 42, 0};
    put32(b, 8);
    put16(b, entryCount);
    for (const Entry& e : entries) {
        put16(b, e.tag);
        put16(b, e.type);
        put32(b, e.count);
        if (e.type == kShort && e.count == 1) {
            put16(b, uint16_t(e.value));
            put16(b, 0);
        } else {
            put32(b, e.value);
        }
    }
    put32(b, 0);  // no next IFD
    for (int i = 0; i < samples; ++i) put16(b, 8);
    for (uint32_t p : img.pixels) {
        b.insert(b.end(), {uint8_t(qm::red(p)), uint8_t(qm::green(p)), uint8_t(qm::blue(p))});
        if (withAlpha) b.push_back(uint8_t(qm::alpha(p)));
    }
    return b;
}

// An icon file holding one image: a PNG as it is, or a BMP as a bare DIB whose height covers
// the colour rows and the 1-bit AND mask (all zero: every pixel shown).
Bytes makeIco(const Image& img, const Bytes& png, const Bytes& bmp) {
    Bytes image;
    uint16_t bitCount = 32;
    if (!png.empty()) {
        image = png;
    } else {
        image.assign(bmp.begin() + 14, bmp.end());  // drop the "BM" file header
        const uint32_t doubled = uint32_t(img.height) * 2;
        for (int i = 0; i < 4; ++i) image[8 + i] = uint8_t(doubled >> (8 * i));
        const size_t maskRow = (size_t(img.width) + 31) / 32 * 4;
        image.resize(image.size() + maskRow * size_t(img.height), 0);
        bitCount = 24;
    }
    Bytes b;
    put16(b, 0);
    put16(b, 1);  // icon
    put16(b, 1);  // one entry
    b.push_back(uint8_t(img.width));
    b.push_back(uint8_t(img.height));
    b.push_back(0);
    b.push_back(0);
    put16(b, 1);
    put16(b, bitCount);
    put32(b, uint32_t(image.size()));
    put32(b, 6 + 16);
    b.insert(b.end(), image.begin(), image.end());
    return b;
}

Bytes withPrefix(uint8_t first, const Bytes& rest) {
    Bytes b{first};
    b.insert(b.end(), rest.begin(), rest.end());
    return b;
}

Bytes textBytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

void imageSeeds() {
    const Image rgba = sampleImage(5, 3, 32);
    const Image opaque = sampleImage(9, 7, 24);
    std::string error;
    Bytes png, pngOpaque, jpeg, bmp;
    if (!qm::encodePng(rgba, png, error) || !qm::encodePng(opaque, pngOpaque, error) ||
        !qm::encodeJpeg(opaque, 7, jpeg, error) || !qm::encodeBmp(opaque, bmp, error)) {
        fail("encoding: " + error);
        return;
    }
    const Bytes tga = makeTga(rgba, true, false), tgaRle = makeTga(opaque, false, true);
    const Bytes tiff = makeTiff(opaque, false), tiffAlpha = makeTiff(rgba, true);
    Bytes bmpSmall;
    (void)qm::encodeBmp(rgba, bmpSmall, error);
    const Bytes icoPng = makeIco(rgba, png, {}), icoBmp = makeIco(rgba, {}, bmpSmall);

    expectDecodes(png, rgba, "rgba.png");
    expectDecodes(jpeg, opaque, "opaque.jpg");
    expectDecodes(bmp, opaque, "opaque.bmp");
    expectDecodes(tga, rgba, "rgba.tga");
    expectDecodes(tgaRle, opaque, "rle.tga");
    expectDecodes(tiff, opaque, "rgb.tif");
    expectDecodes(tiffAlpha, rgba, "rgba.tif");
    expectDecodes(icoPng, rgba, "png.ico");
    expectDecodes(icoBmp, rgba, "bmp.ico");

    writeSeed("png", "rgba.png", png);
    writeSeed("png", "opaque.png", pngOpaque);
    writeSeed("png", "truncated.png", truncated(png, png.size() / 2));
    writeSeed("png", "bad-header-crc.png", patched(png, 29, {0, 0, 0, 0}));
    writeSeed("png", "huge-width.png", patched(png, 16, {0x7F, 0xFF, 0xFF, 0xFF}));

    writeSeed("jpeg", "opaque.jpg", jpeg);
    writeSeed("jpeg", "truncated.jpg", truncated(jpeg, jpeg.size() * 2 / 3));
    writeSeed("jpeg", "header-only.jpg", truncated(jpeg, 20));
    writeSeed("jpeg", "damaged-scan.jpg", patched(jpeg, jpeg.size() - 10, {0xFF, 0xD9, 0x00}));

    writeSeed("bmp", "opaque.bmp", bmp);
    writeSeed("bmp", "truncated.bmp", truncated(bmp, bmp.size() - 7));
    writeSeed("bmp", "huge-width.bmp", patched(bmp, 18, {0, 0, 0, 0x40}));
    writeSeed("bmp", "bad-pixel-offset.bmp", patched(bmp, 10, {0xFF, 0xFF, 0, 0}));

    writeSeed("tga", "rgba.tga", tga);
    writeSeed("tga", "rle.tga", tgaRle);
    writeSeed("tga", "truncated-rle.tga", truncated(tgaRle, tgaRle.size() - 5));
    writeSeed("tga", "huge-run.tga", patched(tgaRle, 18, {0xFF}));

    writeSeed("tiff", "rgb.tif", tiff);
    writeSeed("tiff", "rgba.tif", tiffAlpha);
    writeSeed("tiff", "truncated.tif", truncated(tiff, tiff.size() - 20));
    writeSeed("tiff", "strip-past-end.tif",
              patched(tiff, 10 + 5 * 12 + 8, {0xFF, 0xFF, 0xFF, 0x0F}));

    writeSeed("ico", "png.ico", icoPng);
    writeSeed("ico", "bmp.ico", icoBmp);
    writeSeed("ico", "truncated.ico", truncated(icoBmp, icoBmp.size() - 9));
    writeSeed("ico", "offset-past-end.ico", patched(icoPng, 18, {0xFF, 0xFF, 0xFF, 0x7F}));

    // fuzz_image: the first byte chooses the name hint (odd: "input.tga").
    writeSeed("image", "png", withPrefix(0, png));
    writeSeed("image", "jpeg", withPrefix(0, jpeg));
    writeSeed("image", "bmp", withPrefix(0, bmp));
    writeSeed("image", "bare-dib", withPrefix(0, Bytes(bmp.begin() + 14, bmp.end())));
    writeSeed("image", "tiff", withPrefix(0, tiffAlpha));
    writeSeed("image", "ico", withPrefix(0, icoBmp));
    writeSeed("image", "tga-named", withPrefix(1, tgaRle));
    writeSeed("image", "tga-unnamed", withPrefix(0, tga));
    writeSeed("image", "text", withPrefix(1, textBytes("not an image")));
}

void keyValueSeeds() {
    qm::KeyValueFile file;
    file.selectGroup("Main");
    file.writeText("language", "Data\\lang\\english.txt");
    file.writeInteger("color", -16777216);
    file.writeReal("zoom", 0.35);
    file.selectGroup("Paths");
    file.writeText("presets", "presets; with a semicolon");
    std::string error;
    const std::string text = file.text();
    writeSeed("key_value", "groups.ini", textBytes(text));
    file.setLineEnding(qm::LineEnding::CrLf);
    writeSeed("key_value", "crlf-bom.ini", textBytes("\xEF\xBB\xBF" + file.text()));
    writeSeed("key_value", "truncated.ini", truncated(textBytes(text), text.size() / 2));
    writeSeed("key_value", "odd-lines.ini",
              textBytes("; comment\nloose line\n[ unclosed\n[]\n=novalue\nkey=0x\n"
                        "big=99999999999999999999999\nreal=1e999\n[Main]\nkey = twice\n"));
}

void presetSeeds() {
    const std::string folder = folderFor("brush_preset");
    qm::BrushSettings brush;
    brush.size = 35;
    brush.type = 3;
    brush.tool = 4;
    brush.mixing = 1;
    brush.water = 40;
    brush.selectedColor = qm::rgb(200, 30, 90);
    std::string error;
    const std::string full = qm::joinPath(folder, "smudge.qmb");
    if (!qm::writePresetFile(full, brush, true, error)) fail(error);

    qm::BrushSettings extreme;
    extreme.size = 5000;
    extreme.sizeX = 0;
    extreme.sizeY = 100;
    extreme.type = 6;
    extreme.scatter = 32767;
    if (!qm::writePresetFile(qm::joinPath(folder, "extreme.qmb"), extreme, false, error))
        fail(error);

    const auto text = qm::readFileLimited(full, 1 << 20, error);
    if (!text) {
        fail(error);
        return;
    }
    writeSeed("brush_preset", "truncated.qmb", truncated(textBytes(*text), text->size() / 2));
    writeSeed("brush_preset", "garbage-values.qmb",
              textBytes("size=-7\ntype=250\nsizeX=999\nbrushdir=..\\..\\elsewhere\\\ncolor=x\n"
                        "gradientX=nan\nalpha=-1\n"));
}

void preferencesSeeds() {
    qm::FakeUi ui;
    qm::App app(ui);
    app.prefs.lang = "fra";
    app.brush.gradientX = 0.35;
    std::string error;
    const std::string path = qm::joinPath(folderFor("preferences"), "written.ini");
    if (!qm::writePreferencesFile(path, app, error)) fail(error);
    const auto text = qm::readFileLimited(path, 1 << 20, error);
    if (!text) return fail(error);
    writeSeed("preferences", "truncated.ini", truncated(textBytes(*text), text->size() / 2));
    writeSeed("preferences", "nonsense.ini",
              textBytes("lang = ../x\ngridW = 0\ndocWidth = 20000\ndocHeight = -1\n"
                        "brushsizeX = 9999\ngradientX = 1e300\nUndo = 0\nbrushdir=..\n"
                        "brushdir = second\ncolor = 0x\n"));
}

void languageSeeds() {
    const std::string english = qm::builtinLanguageFileText();
    writeSeed("language", "eng.ini", textBytes(english));
    writeSeed("language", "truncated.ini", truncated(textBytes(english), english.size() / 3));
    writeSeed("language", "two-groups.ini",
              textBytes("[Panel]\nLayers = A\n[menutop]\n4 = B\nLayers = C\n[Tools]\n2_1=\t x\n"));
}

// A small document of two sample layers, "Ink" and "Sky" (selected, moved left, in blend mode
// `skyBlendmode`), for the document and OpenRaster seeds.
qm::Document twoLayerDocument(uint8_t skyBlendmode) {
    qm::Document doc;
    doc.Width = 6;
    doc.Height = 4;
    for (const char* name : {"Ink", "Sky"}) {
        qm::Layer layer;
        layer.Name = name;
        layer.Position = uint8_t(doc.layers.size() + 1);
        layer.image = sampleImage(6, 4, 32);
        doc.layers.push_back(std::move(layer));
    }
    doc.layers[1].Blendmode = skyBlendmode;
    doc.layers[1].X = -2;
    doc.layers.back().Selected = 1;
    return doc;
}

// fuzz_qmd: an index followed by its layer files, each as "\0QMF:" NAME "\0" CONTENT. The good
// seed is a document saved by our writer and read back here.
void documentSeeds() {
    qm::Document doc = twoLayerDocument(3);
    const std::string scratch = qm::joinPath(outputRoot, "qmd-scratch");
    std::string error;
    if (!qm::createFolders(scratch, error) ||
        !qm::writeDocumentFile(doc, qm::ViewState{}, qm::joinPath(scratch, "doc.qmd"), error,
                               {1, {}})) {
        fail("document: " + error);
        return;
    }
    if (!qm::readDocumentFile(qm::joinPath(scratch, "doc.qmd"), 1, error))
        fail("document does not read back: " + error);
    const auto index = qm::readFileLimited(qm::joinPath(scratch, "doc.qmd"), 1 << 20, error);
    Bytes png;
    if (!index || !qm::encodePng(sampleImage(6, 4, 32), png, error)) {
        fail("document: " + error);
        return;
    }
    const std::string pngText(png.begin(), png.end());
    const auto file = [](const std::string& name, const std::string& content) {
        return std::string("\0QMF:", 5) + name + std::string(1, '\0') + content;
    };
    const std::string files = file("Ink.png", pngText) + file("Sky.png", pngText);
    writeSeed("qmd", "good", textBytes(*index + files));
    writeSeed("qmd", "truncated-png", textBytes(*index + file("Ink.png", pngText.substr(0, 40))));
    writeSeed("qmd", "old-form",
              textBytes("; Fichier quillmoth \r\nNb_layer = 2\r\nDoc_w = 6\r\n"
                        "Doc_h = 4\r\n[Layer1]\r\nName = Ink\r\n"
                        "[Layer2]\r\nName = Ink\r\nPosition = 0\r\n" +
                        files));
    writeSeed("qmd", "escapes",
              textBytes("Nb_layer = 3\nDoc_w = 6\nDoc_h = 4\n[Layer1]\nName = ../x\n"
                        "[Layer2]\nName = a\nImage = /etc/passwd\n"
                        "[Layer3]\nName = ..\nImage = ..\n" +
                        files));
    writeSeed("qmd", "bad-sizes", textBytes("Nb_layer = 999\nDoc_w = -1\nDoc_h = 0x7fffffff\n"));

    // A document with an animation, saved by our writer: its frame files go in "frames/".
    qm::AnimationLayer walk;
    walk.Name = "Walk";
    walk.Alpha = 200;
    walk.Shown = 1;
    for (int f : {1, 4}) {
        qm::AnimationFrame frame;
        frame.Frame = int16_t(f);
        frame.Hold = int16_t(f == 1 ? 3 : 2);
        frame.X = int16_t(f - 2);
        frame.image = sampleImage(6, 4, 32);
        walk.Frames.push_back(std::move(frame));
    }
    doc.animationLayers["2"] = std::move(walk);
    doc.AnimationLayerId = 2;
    doc.Fps = 24;
    const std::string animated = qm::joinPath(scratch, "anim.qmd");
    if (!qm::writeDocumentFile(doc, qm::ViewState{}, animated, error, {1, {}}) ||
        !qm::readDocumentFile(animated, 1, error)) {
        fail("animated document: " + error);
        return;
    }
    const auto animatedIndex = qm::readFileLimited(animated, 1 << 20, error);
    std::string frameFiles;
    for (const std::string& name :
         qm::listFolder(qm::joinPath(scratch, "anim/frames"), "*.png", qm::EntryKind::Files))
        frameFiles += file("frames/" + name, pngText);
    if (!animatedIndex || frameFiles.empty()) {
        fail("animated document: no index or frames");
        return;
    }
    writeSeed("qmd", "animation", textBytes(*animatedIndex + files + frameFiles));
    writeSeed("qmd", "animation-hostile",
              textBytes("Nb_layer = 1\nDoc_w = 6\nDoc_h = 4\n[Layer1]\nName = Ink\n"
                        "[Animation]\nFps = -1\nFrameTotal = 99999\nNb_animation_layer = 2\n"
                        "Nb_frame = 4\nAnimationLayerId = 300\n"
                        "[AnimationLayer1]\nKey = 2\nKind = 99\n[AnimationLayer2]\nKey = 2\n"
                        "[Frame1]\nAnimationLayer = 2\nFrame = -7\nHold = -1\nImage = ../Ink.png\n"
                        "[Frame2]\nAnimationLayer = 2\nFrame = 32767\nHold = 32767\n"
                        "Image = /etc/passwd\n[Frame3]\nAnimationLayer = 77\n"
                        "[Frame1]\nFrame = 5\n[Frame4]\nAnimationLayer = 2\nImage = t.png\n" +
                        files + file("frames/t.png", pngText.substr(0, 30))));
    writeSeed("qmd", "animation-counts",
              textBytes("Nb_layer = 1\nDoc_w = 6\nDoc_h = 4\n[Animation]\n"
                        "Nb_animation_layer = 100000\nNb_frame = 2000000000\n"));
    std::error_code ec;
    std::filesystem::remove_all(scratch, ec);
}

// fuzz_openraster: archives. The good seeds are one written by us and read back here, and one
// made by hand in other programs' manner (nested stacks, offsets, deflated entries); the others
// are damaged or hostile variants.
void openRasterSeeds() {
    // Blend mode 7 is written with the program's own attribute.
    const qm::Document doc = twoLayerDocument(7);
    std::string error;
    const auto ours = qm::encodeOpenRaster(doc, error, {1, {}});
    if (!ours) return fail("openraster: " + error);
    if (!qm::readOpenRaster(*ours, "ours.ora", 1, error))
        return fail("openraster does not read back: " + error);
    writeSeed("openraster", "ours.ora", *ours);
    writeSeed("openraster", "truncated.ora", truncated(*ours, ours->size() * 2 / 3));
    writeSeed("openraster", "damaged.ora",
              patched(*ours, ours->size() / 2, {0xDE, 0xAD, 0xBE, 0xEF}));

    Bytes small, wide;
    if (!qm::encodePng(sampleImage(3, 2, 32), small, error) ||
        !qm::encodePng(sampleImage(9, 5, 32), wide, error))
        return fail("openraster: " + error);
    const auto archive = [&](const std::string& stack, const Bytes& png, bool deflate) {
        const Bytes mime = textBytes("image/openraster"), xml = textBytes(stack);
        const auto made = qm::makeZipArchive({{"mimetype", mime, false},
                                              {"stack.xml", xml, deflate},
                                              {"data/a.png", png, deflate},
                                              {"data/b.png", wide, deflate}},
                                             error);
        if (!made) fail("openraster: " + error);
        return made ? *made : Bytes();
    };
    const std::string theirs =
        "<?xml version='1.0' encoding='UTF-8'?>\n<image version=\"0.0.5\" w=\"6\" h=\"4\">"
        "<stack><stack x=\"1\" y=\"1\" opacity=\"0.5\"><layer name=\"a\" src=\"data/a.png\" "
        "x=\"2\" composite-op=\"svg:multiply\"/><layer src=\"data/a.png\" "
        "composite-op=\"svg:hue\" visibility=\"hidden\"/></stack><layer name=\"b\" "
        "src=\"./data/b.png\" x=\"-1\" y=\"-1\" composite-op=\"other:exclusion\" "
        "selected=\"true\"/></stack></image>";
    const Bytes theirsArchive = archive(theirs, small, true);
    if (!qm::readOpenRaster(theirsArchive, "theirs.ora", 1, error))
        return fail("hand-made openraster does not read: " + error);
    writeSeed("openraster", "theirs.ora", theirsArchive);
    // Packed by the target: the stack, then "\0ORA:" NAME "\0" CONTENT per file.
    const auto file = [](const std::string& name, const Bytes& content) {
        return std::string("\0ORA:", 5) + name + std::string(1, '\0') +
               std::string(content.begin(), content.end());
    };
    writeSeed("openraster", "theirs-unpacked",
              textBytes(theirs + file("data/a.png", small) + file("data/b.png", wide)));
    writeSeed("openraster", "escapes-unpacked",
              textBytes("<image w='6' h='4'><stack><layer src='data/../../a.png' x='-3'/><layer "
                        "src='data/a.png' opacity='nan'/></stack></image>" +
                        file("data/a.png", small) + file("../a.png", small)));
    writeSeed("openraster", "escapes.ora",
              archive("<image w='6' h='4'><stack><layer src='../data/a.png'/><layer "
                      "src='/data/b.png'/></stack></image>",
                      small, false));
    writeSeed(
        "openraster", "entities.ora",
        archive("<!DOCTYPE image [<!ENTITY a 'aa'>]><image w='6' h='4'>&a;</image>", small, true));
    writeSeed("openraster", "sizes.ora",
              archive("<image w='16000' h='1600'><stack><layer src='data/a.png' x='99999999999'/>"
                      "</stack></image>",
                      small, true));
    writeSeed("openraster", "not-png.ora",
              archive("<image w='6' h='4'><stack><layer src='data/a.png'/></stack></image>",
                      textBytes("GIF89a"), false));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seed_generator OUTPUT_FOLDER\n");
        return 2;
    }
    outputRoot = argv[1];
    imageSeeds();
    keyValueSeeds();
    presetSeeds();
    preferencesSeeds();
    languageSeeds();
    documentSeeds();
    openRasterSeeds();
    return failed ? 1 : 0;
}
