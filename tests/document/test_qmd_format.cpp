#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "codecs/codecs.h"
#include "document/document_ops.h"
#include "document/qmd_format.h"
#include "platform/key_value_file.h"
#include "platform/random.h"
#include "support/pixels.h"
#include "support/temp_folder.h"

namespace qm {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

Image noise(int w, int h, uint64_t seed) {
    Image image = *createImage(w, h, 32);
    Random random(seed);
    for (uint32_t& p : image.pixels)
        if (random(3) != 0) p = random.next() | 0x01000000u;  // a quarter left transparent
    return image;
}

Layer makeLayer(const std::string& name, int w, int h, uint64_t seed) {
    Layer layer;
    layer.Name = name;
    layer.Width = int16_t(w);
    layer.Height = int16_t(h);
    layer.image = noise(w, h, seed);
    return layer;
}

// A document of `names.size()` noisy layers, positions 1..n, the last selected.
Document makeDocument(const std::vector<std::string>& names, int w = 24, int h = 16,
                      uint64_t seed = 1) {
    Document doc;
    doc.Width = int16_t(w);
    doc.Height = int16_t(h);
    for (size_t i = 0; i < names.size(); ++i) {
        doc.layers.push_back(makeLayer(names[i], w, h, seed * 100 + i));
        doc.layers.back().Position = uint8_t(i + 1);
    }
    doc.layers.back().Selected = 1;
    return doc;
}

std::string pngText(const Image& image) {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(encodePng(image, bytes, error)) << error;
    return std::string(bytes.begin(), bytes.end());
}

// What the file holds of a layer: every stored field and the pixels.
void expectSameLayers(const Document& saved, const DocumentFileContents& read) {
    ASSERT_EQ(read.layers.size(), saved.layers.size());
    for (size_t i = 0; i < saved.layers.size(); ++i) {
        const Layer& a = saved.layers[i];
        const Layer& b = read.layers[i];
        SCOPED_TRACE(a.Name);
        EXPECT_EQ(b.Name, a.Name);
        EXPECT_EQ(b.Blendmode, a.Blendmode);
        EXPECT_EQ(b.Opacity, a.Opacity);
        EXPECT_EQ(b.Position, a.Position);
        EXPECT_EQ(b.X, a.X);
        EXPECT_EQ(b.Y, a.Y);
        EXPECT_EQ(b.Visible, a.Visible);
        EXPECT_EQ(b.Locked, a.Locked);
        EXPECT_EQ(b.Groupe, a.Groupe);
        EXPECT_EQ(b.Paint, a.Paint);
        EXPECT_EQ(b.LockAlpha, a.LockAlpha);
        EXPECT_EQ(b.image.width, a.image.width);
        EXPECT_EQ(b.image.height, a.image.height);
        EXPECT_TRUE(pixelsOf(b.image) == pixelsOf(a.image));
    }
}

std::set<std::string> filesIn(const fs::path& folder) {
    std::set<std::string> out;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        out.insert(fs::relative(entry.path(), folder).generic_string());
    return out;
}

TEST(QmdFormat, EveryStoredFieldSurvivesASaveAndReopen) {
    TempFolder dir;
    Document doc = makeDocument({"Sky", "Ink", "Group1"}, 30, 20);
    Layer& ink = doc.layers[1];
    ink.Blendmode = 14;
    ink.Opacity = 7;
    ink.X = -1200;
    ink.Y = 32000;
    ink.Visible = 0;
    ink.Locked = 1;
    ink.Groupe = 65535;
    ink.Paint = 1;
    ink.LockAlpha = 1;
    ink.Frame = 9;  // written, but a reader gives every layer the document's current frame
    // A layer larger than the document (after a canvas resize) keeps its whole image.
    ink.image = noise(35, 22, 99);
    doc.layers[2].IsGroup = 1;  // a group has no image: it comes back as an empty layer
    doc.layers[2].image = Image{};

    const std::string path = dir.file("art.qmd");
    std::string error;
    ASSERT_TRUE(writeDocumentFile(doc, ViewState{}, path, error)) << error;
    const auto read = readDocumentFile(path, 4, error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(read->Width, 30);
    EXPECT_EQ(read->Height, 20);
    EXPECT_TRUE(read->unreadableFiles.empty());
    doc.layers[2].image = *createImage(30, 20, 32);
    expectSameLayers(doc, *read);
    for (const Layer& layer : read->layers) {
        EXPECT_EQ(layer.Frame, 4);
        EXPECT_EQ(layer.Width, 30);
        EXPECT_EQ(layer.IsGroup, 0);
        EXPECT_EQ(layer.Selected, layer.Position == 3 ? 1 : 0);
    }
}

// Each layer file holds the bytes the whole-image encoder gives for the layer, or for a blank
// document-size image where the layer is a group.
TEST(QmdFormat, LayerFilesHoldTheBytesOfTheWholeImages) {
    TempFolder dir;
    Document doc = makeDocument({"Sky", "Ink", "Group1"}, 130, 70);
    doc.layers[1].image = noise(140, 75, 5);
    doc.layers[2].IsGroup = 1;
    doc.layers[2].image = Image{};
    std::string error;
    ASSERT_TRUE(writeDocumentFile(doc, ViewState{}, dir.file("art.qmd"), error)) << error;
    for (const char* name : {"Sky", "Ink", "Group1"}) {
        SCOPED_TRACE(name);
        const Layer& layer = *std::find_if(doc.layers.begin(), doc.layers.end(),
                                           [&](const Layer& l) { return l.Name == name; });
        const Image whole = layer.image.empty() ? *createImage(130, 70, 32) : layer.image.toImage();
        std::ifstream in(dir.file(std::string("art/") + name + ".png"), std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), pngText(whole));
    }
}

TEST(QmdFormat, IndexHasTheDocumentLinesInOrderWithCrLf) {
    Document doc = makeDocument({"Layer1"}, 1024, 768);
    doc.layers[0].Paint = 0;
    EXPECT_EQ(documentIndexText(doc, ViewState{}, {"Layer1.png"}),
              "; Fichier quillmoth \r\nNb_layer = 1\r\nDoc_w = 1024\r\nDoc_h = 768\r\n"
              "[Layer1]\r\nName = Layer1\r\nBlendmode = 0\r\nOpacity = 255\r\nPosition = 1\r\n"
              "X = 0\r\nY = 0\r\nVisible = 1\r\nLocked = 0\r\nFrame = 1\r\nGroupe = 0\r\n"
              "Paint = 0\r\nLockAlpha = 0\r\nImage = Layer1.png\r\n");
}

TEST(QmdFormat, IndexPathAndLayerFolderNames) {
    const struct {
        const char* chosen;
        const char* index;
        const char* folder;
    } cases[] = {
        {"dir/drawing", "dir/drawing.qmd", "dir/drawing"},
        {"dir/drawing.qmd", "dir/drawing.qmd", "dir/drawing"},
        {"my.drawing", "my.drawing.qmd", "my.drawing"},
        {"a.QMD", "a.QMD.qmd", "a.QMD"},  // the folder never has the index's own name
        {"a.Qmd", "a.Qmd.qmd", "a.Qmd"},
        // ".qmd" elsewhere in the name goes from the folder name; the chosen folder stays.
        {"my.qmd.files/a.qmd", "my.qmd.files/a.qmd", "my.qmd.files/a"},
        {"b.qmd.v2", "b.qmd.v2.qmd", "b.v2"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(documentIndexPath(c.chosen), c.index) << c.chosen;
        EXPECT_EQ(layerFolderOf(c.index), c.folder) << c.chosen;
    }
    EXPECT_EQ(layerFolderOf(".qmd"), "");
}

TEST(QmdFormat, SavingAsDrawingOrDrawingQmdWritesTheSameFiles) {
    for (const char* chosen : {"drawing", "drawing.qmd"}) {
        TempFolder dir;
        const Document doc = makeDocument({"Layer1", "Layer2"});
        std::string error;
        ASSERT_TRUE(writeDocumentFile(doc, ViewState{}, documentIndexPath(dir.file(chosen)), error))
            << error;
        EXPECT_EQ(filesIn(dir.path),
                  (std::set<std::string>{"drawing.qmd", "drawing", "drawing/Layer1.png",
                                         "drawing/Layer2.png"}));
    }
}

TEST(QmdFormat, QmdInsideTheFolderPathStaysInTheChosenFolder) {
    TempFolder dir;
    const std::string path = dir.file("my.qmd.files/a.qmd");
    fs::create_directories(dir.path / "my.qmd.files");
    std::string error;
    ASSERT_TRUE(writeDocumentFile(makeDocument({"L"}), ViewState{}, path, error)) << error;
    EXPECT_TRUE(fs::exists(dir.path / "my.qmd.files/a/L.png"));
    EXPECT_FALSE(fs::exists(dir.path / "my.files"));
    ASSERT_TRUE(readDocumentFile(path, 1, error)) << error;
}

TEST(QmdFormat, LayersComeInPositionOrderAndTheLastReadIsCurrent) {
    TempFolder dir;
    dir.writeText("doc/a.png", pngText(noise(8, 6, 1)));
    dir.writeText("doc/b.png", pngText(noise(8, 6, 2)));
    dir.writeText("doc/c.png", pngText(noise(8, 6, 3)));
    // Old files carry no "Image" key: the file is Name + ".png".
    dir.writeText("doc.qmd",
                  "Nb_layer = 3\nDoc_w = 8\nDoc_h = 6\n"
                  "[Layer1]\nName = a\nPosition = 3\n"
                  "[Layer2]\nName = b\nPosition = 1\n"
                  "[Layer3]\nName = c\nPosition = 2\n");
    std::string error;
    const auto read = readDocumentFile(dir.file("doc.qmd"), 1, error);
    ASSERT_TRUE(read) << error;
    ASSERT_EQ(read->layers.size(), 3u);
    EXPECT_EQ(read->layers[0].Name, "b");
    EXPECT_EQ(read->layers[1].Name, "c");
    EXPECT_EQ(read->layers[2].Name, "a");
    EXPECT_TRUE(pixelsOf(read->layers[0].image) == noise(8, 6, 2).pixels);
    EXPECT_EQ(read->layers[1].Selected, 1);  // section 3, read last
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(read->layers[i].Position, i + 1);
}

TEST(QmdFormat, BadIndexesAreRefusedWithAMessage) {
    const struct {
        const char* index;  // "" for no file at all
        const char* message;
    } cases[] = {
        {"", "Cannot open"},
        {"Nb_layer = 1\nDoc_w = 0\nDoc_h = 600\n", "size 0 x 600"},
        {"Doc_w = -4\nDoc_h = 600\n", "size -4 x 600"},
        {"Doc_w = 70000\nDoc_h = 10\n", "size 70000 x 10"},  // not its low 16 bits
        {"Doc_w = 16000\nDoc_h = 16000\n", "not allowed"},
        {"Nb_layer = 256\n", "256 layers"},
        {"\x89PNG\r\n\x1a\n\x01\x02garbage", "not a Quillmoth document"},
    };
    for (const auto& c : cases) {
        TempFolder dir;
        if (*c.index) dir.writeText("bad.qmd", c.index);
        std::string error;
        EXPECT_FALSE(readDocumentFile(dir.file("bad.qmd"), 1, error)) << c.index;
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
        EXPECT_NE(error.find("bad.qmd"), std::string::npos) << error;
    }
}

TEST(QmdFormat, OddLayerCountsGiveWholeDocuments) {
    const struct {
        const char* index;
        size_t layers;
    } cases[] = {
        {"Nb_layer = 0\nDoc_w = 5\nDoc_h = 4\n", 1},
        {"Nb_layer = -3\nDoc_w = 5\nDoc_h = 4\n", 1},
        {"Nb_layer = 3\nDoc_w = 5\nDoc_h = 4\n", 3},  // sections missing: empty layers
        {"Doc_w = 5\nDoc_h = 4\n", 1},
    };
    for (const auto& c : cases) {
        TempFolder dir;
        dir.writeText("d.qmd", c.index);
        std::string error;
        const auto read = readDocumentFile(dir.file("d.qmd"), 1, error);
        ASSERT_TRUE(read) << error;
        ASSERT_EQ(read->layers.size(), c.layers) << c.index;
        EXPECT_TRUE(read->unreadableFiles.empty());
        for (const Layer& layer : read->layers) {
            EXPECT_EQ(layer.image.width, 5);
            EXPECT_EQ(layer.image.height, 4);
        }
        EXPECT_EQ(read->layers[0].Name, "Layer1");
    }
}

TEST(QmdFormat, MissingOrBadLayerFilesGiveEmptyLayersAndAreAllListed) {
    TempFolder dir;
    dir.writeText("d/good.png", pngText(noise(6, 5, 1)));
    dir.writeText("d/broken.png", pngText(noise(6, 5, 2)).substr(0, 60));
    dir.writeText("d/small.png", pngText(noise(3, 2, 3)));
    dir.writeText("d.qmd",
                  "Nb_layer = 4\nDoc_w = 6\nDoc_h = 5\n[Layer1]\nName = good\n"
                  "[Layer2]\nName = gone\n[Layer3]\nName = broken\n[Layer4]\nName = small\n");
    std::string error;
    const auto read = readDocumentFile(dir.file("d.qmd"), 1, error);
    ASSERT_TRUE(read) << error;
    ASSERT_EQ(read->unreadableFiles.size(), 2u);
    EXPECT_EQ(read->unreadableFiles[0].rfind("gone.png (missing)", 0), 0u);
    EXPECT_EQ(read->unreadableFiles[1].rfind("broken.png (", 0), 0u);
    EXPECT_TRUE(pixelsOf(read->layers[0].image) == noise(6, 5, 1).pixels);
    for (int i : {1, 2}) {
        EXPECT_EQ(read->layers[size_t(i)].image.width, 6);
        EXPECT_EQ(read->layers[size_t(i)].image.height, 5);
        for (uint32_t p : pixelsOf(read->layers[size_t(i)].image)) ASSERT_EQ(p, 0u);
    }
    // A smaller image is kept at the top left of a document-size one.
    const Image& small = read->layers[3].image.toImage();
    ASSERT_EQ(small.width, 6);
    ASSERT_EQ(small.height, 5);
    EXPECT_EQ(small.row(1)[2], noise(3, 2, 3).row(1)[2]);
    EXPECT_EQ(small.row(4)[5], 0u);
}

// The reader's tiles against the whole-image way it replaces: each file decoded whole, copied
// into a blank image of at least the document's size, then put into tiles.
TEST(QmdFormat, LayerFilesOfAnySizeOpenAsTheWholeImageGrownWould) {
    const int docW = 130, docH = 70;
    const std::vector<std::pair<int, int>> sizes = {
        {130, 70}, {70, 140}, {200, 50}, {64, 64}, {1, 1}, {131, 71}};
    TempFolder dir;
    std::string index = "Nb_layer = " + std::to_string(sizes.size()) + "\nDoc_w = " +
                        std::to_string(docW) + "\nDoc_h = " + std::to_string(docH) + "\n";
    std::vector<Image> images;
    for (size_t i = 0; i < sizes.size(); ++i) {
        Image image = noise(sizes[i].first, sizes[i].second, 40 + i);
        for (int y = 0; y < std::min(image.height, 64); ++y)  // a transparent first tile
            for (int x = 0; x < std::min(image.width, 64); ++x)
                if (i % 2 == 0) image.at(x, y) = 0;
        images.push_back(image);
        const std::string name = "l" + std::to_string(i);
        dir.writeText("d/" + name + ".png", pngText(image));
        index += "[Layer" + std::to_string(i + 1) + "]\nName = " + name + "\n";
    }
    dir.writeText("d.qmd", index);
    std::string error;
    const auto read = readDocumentFile(dir.file("d.qmd"), 1, error);
    ASSERT_TRUE(read) << error;
    ASSERT_EQ(read->layers.size(), sizes.size());
    for (size_t i = 0; i < sizes.size(); ++i) {
        SCOPED_TRACE(i);
        const Image& image = images[i];
        Image grown = *createImage(std::max(image.width, docW), std::max(image.height, docH), 32);
        for (int y = 0; y < image.height; ++y)
            std::copy(image.row(y), image.row(y) + image.width, grown.row(y));
        const TiledImage expected = tiledFrom(grown);
        const TiledImage& got = read->layers[i].image;
        EXPECT_TRUE(got == expected);
        EXPECT_EQ(got.tileCount(), expected.tileCount());
    }
}

TEST(QmdFormat, NoLayerFileIsReadOrWrittenOutsideTheLayerFolder) {
    TempFolder dir;
    fs::create_directories(dir.path / "inside/d");
    const std::string secret = pngText(noise(4, 4, 7));
    dir.writeText("inside/x.png", secret);
    dir.writeText("inside/d/ok.png", pngText(noise(4, 4, 8)));
    dir.writeText("x.png", secret);
    fs::create_symlink(dir.path / "x.png", dir.path / "inside/d/link.png");
    dir.writeText("inside/d.qmd",
                  "Nb_layer = 6\nDoc_w = 4\nDoc_h = 4\n"
                  "[Layer1]\nName = ../x\n"
                  "[Layer2]\nName = a\nImage = ../x.png\n"
                  "[Layer3]\nName = C:\\x\n"
                  "[Layer4]\nName = n\nImage = " +
                      dir.file("x.png") +
                      "\n"
                      "[Layer5]\nName = link\n"
                      "[Layer6]\nName = ..\nImage = ok.png\n");
    std::string error;
    const auto read = readDocumentFile(dir.file("inside/d.qmd"), 1, error);
    ASSERT_TRUE(read) << error;
    ASSERT_EQ(read->layers.size(), 6u);
    for (size_t i = 0; i < 5; ++i)
        for (uint32_t p : pixelsOf(read->layers[i].image)) ASSERT_EQ(p, 0u) << read->layers[i].Name;
    EXPECT_EQ(read->unreadableFiles.size(), 5u);
    EXPECT_TRUE(pixelsOf(read->layers[5].image) == noise(4, 4, 8).pixels);

    // Saved, the same names all land in the layer folder, and come back.
    TempFolder out;
    const Document doc = makeDocument({"../x", "a/b", "C:\\x", "..", ".", "", "a\nb"});
    std::string error2;
    ASSERT_TRUE(writeDocumentFile(doc, ViewState{}, out.file("s.qmd"), error2)) << error2;
    for (const std::string& file : filesIn(out.path))
        EXPECT_TRUE(file == "s.qmd" || file == "s" ||
                    (file.rfind("s/", 0) == 0 && file.find('/', 2) == std::string::npos))
            << file;
    const auto back = readDocumentFile(out.file("s.qmd"), 1, error2);
    ASSERT_TRUE(back) << error2;
    Document expected = makeDocument({"../x", "a/b", "C:\\x", "..", ".", "", "a b"});
    expectSameLayers(expected, *back);
}

TEST(QmdFormat, LayersWithTheSameNameGetTheirOwnFiles) {
    TempFolder dir;
    const Document doc = makeDocument({"Same", "same", "Same"});
    std::string error;
    ASSERT_TRUE(writeDocumentFile(doc, ViewState{}, dir.file("d.qmd"), error)) << error;
    const auto read = readDocumentFile(dir.file("d.qmd"), 1, error);
    ASSERT_TRUE(read) << error;
    expectSameLayers(doc, *read);
}

TEST(QmdFormat, SavingOverADocumentRemovesOnlyTheFilesItReplaced) {
    TempFolder dir;
    std::string error;
    const std::string path = dir.file("d.qmd");
    ASSERT_TRUE(
        writeDocumentFile(makeDocument({"A", "B", "C"}, 24, 16, 1), ViewState{}, path, error));
    // A file an interrupted save left behind goes too; another index sharing the folder
    // ("d.qmd.qmd" also stores into "d") keeps its files, and a picture no index names is the
    // user's and stays.
    dir.writeText("d/.B.png.tmp123-0", "partial");
    dir.writeText("d/Left.png", "the user's");
    dir.writeText("d/Other.png", pngText(noise(24, 16, 5)));
    dir.writeText("d.qmd.qmd", "Nb_layer = 1\nDoc_w = 24\nDoc_h = 16\n[Layer1]\nName = Other\n");
    const Document second = makeDocument({"B", "D"}, 24, 16, 2);
    ASSERT_TRUE(writeDocumentFile(second, ViewState{}, path, error)) << error;
    const auto read = readDocumentFile(path, 1, error);
    ASSERT_TRUE(read) << error;
    expectSameLayers(second, *read);
    EXPECT_EQ(filesIn(dir.path / "d"),
              (std::set<std::string>{"B-2.png", "D.png", "Other.png", "Left.png"}));
}

// A document saved beside a folder of the user's pictures (of any name, layer names included)
// leaves every picture as it was, through the first save and the ones after.
TEST(QmdFormat, SavingBesideAFolderOfPicturesKeepsEveryPicture) {
    TempFolder dir;
    const std::set<std::string> pictures = {"beach.png", "Layer1.png", "layer2.PNG", "notes.txt"};
    for (const std::string& name : pictures) dir.writeText("photos/" + name, "picture " + name);
    // An index that is no document (a text the user named so) names no layer file.
    dir.writeText("photos.qmd", "just some notes\n");
    const std::string path = dir.file("photos.qmd");
    std::string error;
    Document doc = makeDocument({"Layer1", "Layer2"});
    ASSERT_TRUE(writeDocumentFile(doc, ViewState{}, path, error)) << error;
    doc.layers.pop_back();
    doc.layers[0].Name = "Sky";
    ASSERT_TRUE(writeDocumentFile(doc, ViewState{}, path, error)) << error;
    ASSERT_TRUE(writeDocumentFile(doc, ViewState{}, path, error)) << error;
    const auto read = readDocumentFile(path, 1, error);
    ASSERT_TRUE(read) << error;
    expectSameLayers(doc, *read);
    std::set<std::string> files = filesIn(dir.path / "photos");
    for (const std::string& name : pictures) {
        EXPECT_TRUE(files.erase(name)) << name;
        std::ifstream in(dir.path / "photos" / name, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "picture " + name);
    }
    EXPECT_EQ(files.size(), 1u);  // the one layer file, nothing else
}

TEST(QmdFormat, AFailedSaveLeavesThePreviousDocument) {
    TempFolder dir;
    std::string error;
    const std::string path = dir.file("d.qmd");
    const Document first = makeDocument({"A"});
    ASSERT_TRUE(writeDocumentFile(first, ViewState{}, path, error));
    // The index cannot replace a folder of its name: the save fails and the old one stays.
    const std::string blocked = dir.file("e.qmd");
    fs::create_directory(blocked);
    EXPECT_FALSE(writeDocumentFile(makeDocument({"B"}), ViewState{}, blocked, error));
    EXPECT_NE(error.find("e.qmd"), std::string::npos) << error;
    EXPECT_TRUE(fs::is_empty(dir.path / "e"));
    const auto read = readDocumentFile(path, 1, error);
    ASSERT_TRUE(read) << error;
    expectSameLayers(first, *read);
}

// Microseconds one save of `doc` takes here (written to `path`), to spread kills over a save.
int64_t saveMicros(const Document& doc, const ViewState& view, const std::string& path) {
    std::string error;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(writeDocumentFile(doc, view, path, error)) << error;
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

// Saves `doc` shown in `view` at `path` in a child process that is killed after `delayMicros`.
void saveKilledAfter(const Document& doc, const ViewState& view, const std::string& path,
                     int delayMicros) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::string e;
        ::_exit(writeDocumentFile(doc, view, path, e) ? 0 : 1);
    }
    std::this_thread::sleep_for(std::chrono::microseconds(delayMicros));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
}

// A save killed at any moment leaves the previous document or the new one, whole.
TEST(QmdFormat, ASaveKilledAtRandomLeavesOneWholeDocument) {
    TempFolder dir;
    const std::string path = dir.file("k.qmd");
    // Shared names, so the new files must not overwrite the old ones.
    const Document docs[2] = {makeDocument({"Ink", "Paint", "Sky"}, 160, 120, 11),
                              makeDocument({"Sky", "Ink", "Lines", "Paint"}, 160, 120, 12)};
    std::string error;
    ASSERT_TRUE(writeDocumentFile(docs[0], ViewState{}, path, error)) << error;

    // How long a save takes here, to spread the kills over it.
    const int64_t saveTime = saveMicros(docs[1], ViewState{}, dir.file("timing.qmd"));

    Random random(2024);
    int onDisk = 0, cutOff = 0;
    for (int trial = 0; trial < 100; ++trial) {
        const int next = 1 - onDisk;
        saveKilledAfter(docs[next], ViewState{}, path, random(int(saveTime * 5 / 4) + 1));

        const auto read = readDocumentFile(path, 1, error);
        ASSERT_TRUE(read) << "trial " << trial << ": " << error;
        ASSERT_TRUE(read->unreadableFiles.empty()) << "trial " << trial;
        const size_t layers = read->layers.size();
        const int which = layers == docs[0].layers.size() ? 0 : 1;
        ASSERT_EQ(layers, docs[which].layers.size());
        SCOPED_TRACE("trial " + std::to_string(trial));
        expectSameLayers(docs[which], *read);
        if (which == onDisk) ++cutOff;
        onDisk = which;
    }
    // What the cut-off saves left goes with the next whole save.
    ASSERT_TRUE(writeDocumentFile(docs[0], ViewState{}, path, error)) << error;
    EXPECT_EQ(filesIn(dir.path / "k").size(), docs[0].layers.size());
    std::printf("kill test: %d of 100 saves cut off (a save takes %lld us)\n", cutOff,
                static_cast<long long>(saveTime));
}

}  // namespace
}  // namespace qm

namespace qm {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Everything the file keeps of the animation, written out.
std::string animationFingerprint(const Document& doc, const ViewState& view) {
    std::ostringstream out;
    out << "fps" << int(doc.Fps) << " total" << doc.FrameTotal << " range" << view.FrameStart << '-'
        << view.FrameEnd << " at" << view.CurrentFrame << " onion" << int(view.OnionBefore) << '/'
        << int(view.OnionAfter) << " current" << int(doc.AnimationLayerId);
    for (const auto& [key, a] : doc.animationLayers) {
        out << "\n[" << key << "] " << a.Name << " o" << int(a.Order) << " k" << int(a.Kind) << " c"
            << a.Color << " a" << int(a.Alpha) << " s" << int(a.Shown) << int(a.Flag2)
            << int(a.Current);
        for (const AnimationFrame& f : a.Frames) {
            out << "\n  " << f.Frame << '+' << f.Hold << " @" << f.X << ',' << f.Y << ' '
                << f.image.width << 'x' << f.image.height << ':';
            for (uint32_t p : pixelsOf(f.image)) out << std::hex << p << ' ' << std::dec;
        }
    }
    return out.str();
}

// The frame settings animatedDocument is shown with.
const ViewState kAnimatedView = [] {
    ViewState view;
    view.FrameStart = 3;
    view.FrameEnd = 50;
    view.CurrentFrame = 7;
    view.OnionBefore = 2;
    view.OnionAfter = 3;
    return view;
}();

// A 24 x 16 document of two layers and two animation layers: drawings with holds, a stack of
// two frames on one number, offsets, a frame of another size, every layer setting changed.
Document animatedDocument(uint64_t seed = 5) {
    Document doc = makeDocument({"Ink", "Sky"}, 24, 16, seed);
    doc.Fps = 24;
    doc.FrameTotal = 200;
    doc.AnimationLayerId = 5;
    auto frame = [&](int start, int hold, int16_t x, int16_t y, Image image) {
        AnimationFrame f;
        f.Frame = int16_t(start);
        f.Hold = int16_t(hold);
        f.X = x;
        f.Y = y;
        f.image = std::move(image);
        return f;
    };
    AnimationLayer& walk = doc.animationLayers["2"];
    walk.Name = "Walk cycle";
    walk.Order = 1;
    walk.Kind = 1;
    walk.Color = 0x80FFEEDDu;
    walk.Alpha = 128;
    walk.Shown = 0;
    walk.Flag2 = 1;
    walk.Frames.push_back(frame(1, 3, 0, 0, noise(24, 16, seed + 1)));
    walk.Frames.push_back(frame(4, 2, -3, 7, noise(24, 16, seed + 2)));
    walk.Frames.push_back(frame(4, 2, 0, 0, noise(24, 16, seed + 3)));  // a stack on frame 4
    walk.Frames.push_back(frame(9, 1, 0, 0, noise(40, 5, seed + 4)));   // imported, its own size
    AnimationLayer& sky = doc.animationLayers["5"];
    sky.Name = "Layer BG1";
    sky.Order = 0;
    sky.Kind = 2;
    sky.Color = 0xFF9696C8u;
    sky.Alpha = 255;
    sky.Shown = 1;
    sky.Flag2 = 0;
    sky.Current = 1;
    sky.Frames.push_back(frame(2, 40, 1, 1, noise(24, 16, seed + 5)));
    AnimationLayer& empty = doc.animationLayers["3"];  // a layer without frames
    empty.Name = "Light 1";
    empty.Order = 2;
    empty.Kind = 5;
    empty.Shown = 1;
    return doc;
}

// Opens a file as the program does: the file's animation (or, without one, the animation a New
// document starts with) and its layers.
struct Installed {
    Document doc;
    ViewState view;
};
Installed installed(DocumentFileContents contents) {
    Installed i;
    i.doc.Width = contents.Width;
    i.doc.Height = contents.Height;
    EXPECT_TRUE(installAnimation(i.doc, i.view, std::move(contents.animation)));
    for (Layer& layer : contents.layers) i.doc.layers.push_back(std::move(layer));
    return i;
}
std::string animationFingerprint(const Installed& i) {
    return animationFingerprint(i.doc, i.view);
}

TEST(QmdAnimation, TheAnimationSurvivesASaveAndReopen) {
    TempFolder dir;
    const Document doc = animatedDocument();
    std::string error;
    ASSERT_TRUE(writeDocumentFile(doc, kAnimatedView, dir.file("a.qmd"), error)) << error;
    auto read = readDocumentFile(dir.file("a.qmd"), 1, error);
    ASSERT_TRUE(read) << error;
    EXPECT_TRUE(read->unreadableFiles.empty());
    expectSameLayers(doc, *read);
    ASSERT_TRUE(read->animation);
    const Document back = installed(std::move(*read)).doc;
    EXPECT_EQ(animationFingerprint(back, kAnimatedView), animationFingerprint(doc, kAnimatedView));
    EXPECT_EQ(back.kindCounters[1], 1);  // the next "Layer Objet" is not a second "...1"
    EXPECT_EQ(back.kindCounters[2], 1);
    // Every frame has an id, and the images are in their own folder.
    for (const auto& [key, layer] : back.animationLayers)
        for (const AnimationFrame& f : layer.Frames) EXPECT_NE(f.id, 0u);
    std::set<std::string> files = filesIn(dir.path / "a");
    EXPECT_EQ(files.erase("frames"), 1u);
    EXPECT_EQ(files.size(), 2u + 5u);
    for (const std::string& file : files)
        EXPECT_TRUE(file == "Ink.png" || file == "Sky.png" || file.rfind("frames/", 0) == 0)
            << file;
}

// A document saved before documents kept their animation (written by the program then, kept in
// tests/data) opens with its layers as they were, and, untouched, saves byte for byte the same.
TEST(QmdAnimation, ADocumentFromBeforeOpensUnchangedAndSavesTheSameBytes) {
    TempFolder dir;
    const fs::path fixture = fs::path(QM_SOURCE_DIR) / "tests/data/qmd_before_frames";
    fs::copy(fixture, dir.path, fs::copy_options::recursive);
    std::string error;
    auto read = readDocumentFile(dir.file("before_frames.qmd"), 1, error);
    ASSERT_TRUE(read) << error;
    EXPECT_TRUE(read->unreadableFiles.empty());
    EXPECT_FALSE(read->animation);
    ASSERT_EQ(read->layers.size(), 3u);
    EXPECT_EQ(read->layers[1].Name, "Ink");
    EXPECT_EQ(read->layers[1].Blendmode, 3);
    EXPECT_EQ(read->layers[1].Opacity, 100);
    EXPECT_EQ(read->Width, 48);

    const auto [doc, view] = installed(std::move(*read));
    EXPECT_FALSE(hasAnimationToSave(doc, view));
    ASSERT_TRUE(writeDocumentFile(doc, view, dir.file("again.qmd"), error)) << error;
    EXPECT_EQ(readAll(dir.path / "again.qmd"), readAll(fixture / "before_frames.qmd"));
    for (const char* name : {"Ink.png", "Layer2.png", "Layer4.png"})
        EXPECT_EQ(readAll(dir.path / "again" / name), readAll(fixture / "before_frames" / name))
            << name;
    EXPECT_EQ(filesIn(dir.path / "again").size(), 3u);
}

// What counts as an animation to keep: anything a reopened file without one would lose.
TEST(QmdAnimation, OnlyADocumentWithAnAnimationWritesOne) {
    Document fresh;
    fresh.Width = 8;
    fresh.Height = 6;
    ViewState freshView;
    ASSERT_TRUE(installAnimation(fresh, freshView, std::nullopt));
    EXPECT_FALSE(hasAnimationToSave(fresh, freshView));
    EXPECT_FALSE(hasAnimationToSave(makeDocument({"A"}), ViewState{}));  // no animation layer
    const struct {
        const char* change;
        std::function<void(Document&, ViewState&)> apply;
        bool keeps;
    } cases[] = {
        {"scrubbed to another frame", [](Document&, ViewState& v) { v.CurrentFrame = 9; }, false},
        {"onion counts", [](Document&, ViewState& v) { v.OnionBefore = 3; }, false},
        {"the blank frame elsewhere",
         [](Document& d, ViewState&) { d.animationLayers["2"].Frames[0].Frame = 4; }, false},
        {"no frame", [](Document& d, ViewState&) { d.animationLayers["2"].Frames.clear(); }, false},
        {"a pixel",
         [](Document& d, ViewState&) {
             d.animationLayers["2"].Frames[0].image.at(1, 1) = 0x01000000u;
         },
         true},
        {"a colour without alpha",
         [](Document& d, ViewState&) { d.animationLayers["2"].Frames[0].image.at(1, 1) = 5; },
         true},
        {"a hold", [](Document& d, ViewState&) { d.animationLayers["2"].Frames[0].Hold = 2; },
         true},
        {"an offset", [](Document& d, ViewState&) { d.animationLayers["2"].Frames[0].Y = 1; },
         true},
        {"a second frame",
         [](Document& d, ViewState& v) {
             v.CurrentFrame = 2;
             addAnimationFrame(d, v.CurrentFrame);
         },
         true},
        {"a second layer", [](Document& d, ViewState&) { addAnimationLayer(d, 3); }, true},
        {"renamed", [](Document& d, ViewState&) { d.animationLayers["2"].Name = "Walk"; }, true},
        {"hidden", [](Document& d, ViewState&) { d.animationLayers["2"].Shown = 0; }, true},
        {"its opacity", [](Document& d, ViewState&) { d.animationLayers["2"].Alpha = 9; }, true},
        {"Fps", [](Document& d, ViewState&) { d.Fps = 24; }, true},
        {"FrameTotal", [](Document& d, ViewState&) { d.FrameTotal = 48; }, true},
        {"the playback range", [](Document&, ViewState& v) { v.FrameEnd = 12; }, true},
    };
    for (const auto& c : cases) {
        Document doc = fresh;
        ViewState view = freshView;
        c.apply(doc, view);
        EXPECT_EQ(hasAnimationToSave(doc, view), c.keeps) << c.change;
        Document withLayer = doc;
        withLayer.layers = makeDocument({"L"}, 8, 6).layers;
        const std::string text = documentIndexText(withLayer, view, {"L.png"}, {"a.png", "b.png"});
        EXPECT_EQ(text.find("[Animation]") != std::string::npos, c.keeps) << c.change;
    }
}

// The animation follows the layer sections: the header and the [Layer i] sections are the text
// a document without animation has, so a reader that knows only those opens the layers.
TEST(QmdAnimation, AnOlderReaderFindsTheLayersAsBefore) {
    Document doc = animatedDocument();
    Document plain = doc;
    plain.animationLayers.clear();
    plain.Fps = 12;
    plain.FrameTotal = 120;
    const std::vector<std::string> files = {"Ink.png", "Sky.png"};
    const std::string before = documentIndexText(plain, ViewState{}, files);
    const std::string text =
        documentIndexText(doc, kAnimatedView, files, {"1.png", "2.png", "3.png", "4.png", "5.png"});
    ASSERT_EQ(text.compare(0, before.size(), before), 0);
    const std::string added = text.substr(before.size());
    EXPECT_EQ(added.rfind("[Animation]\r\n", 0), 0u);  // no key joins the last layer section
    const KeyValueFile index = KeyValueFile::parse(text);
    for (const std::string& group : index.groups())
        EXPECT_FALSE(group.rfind("Layer", 0) == 0 &&
                     before.find("[" + group + "]") == std::string::npos)
            << group;
    KeyValueFile header = index;
    header.selectGroup("");
    EXPECT_EQ(header.keys(), (std::vector<std::string>{"Nb_layer", "Doc_w", "Doc_h"}));
    // Frames by row: the layer of row 0 ("5") first.
    EXPECT_NE(added.find("[Frame1]\r\nAnimationLayer = 5\r\nFrame = 2\r\nHold = 40\r\nX = 1\r\n"
                         "Y = 1\r\nImage = 1.png\r\n"),
              std::string::npos)
        << added;
}

// Hand-edited values: counts beyond the limits are refused with a message, everything else is
// brought within range, and what cannot be read is listed.
TEST(QmdAnimation, HandEditedAnimationsAreClampedListedOrRefused) {
    const std::string head = "Nb_layer = 1\nDoc_w = 6\nDoc_h = 4\n[Layer1]\nName = L\n";
    const struct {
        const char* name;
        std::string animation;
        const char* refused;  // part of the message, or nullptr
    } refusals[] = {
        {"layers", "[Animation]\nNb_animation_layer = 300\n", "300 animation layers"},
        {"frames", "[Animation]\nNb_frame = 99999999\n", "99999999 animation frames"},
    };
    for (const auto& c : refusals) {
        TempFolder dir;
        dir.writeText("d.qmd", head + c.animation);
        std::string error;
        EXPECT_FALSE(readDocumentFile(dir.file("d.qmd"), 1, error)) << c.name;
        EXPECT_NE(error.find(c.refused), std::string::npos) << error;
        EXPECT_NE(error.find("d.qmd"), std::string::npos) << error;
    }

    TempFolder dir;
    dir.writeText("d/frames/ok.png", pngText(noise(6, 4, 1)));
    dir.writeText("d/frames/broken.png", pngText(noise(6, 4, 2)).substr(0, 50));
    dir.writeText("d/secret.png", pngText(noise(6, 4, 3)));
    dir.writeText("d/L.png", pngText(noise(6, 4, 4)));
    dir.writeText("d.qmd",
                  head +
                      "[Animation]\nFps = 0\nFrameTotal = -5\nFrameStart = 70000\n"
                      "OnionBefore = 99\nAnimationLayerId = 77\n"
                      "Nb_animation_layer = 3\nNb_frame = 9\n"
                      "[AnimationLayer1]\nKey = 4\nName = A\nOrder = 9\nKind = 12\n"
                      "[AnimationLayer2]\nKey = 4\nName = B\nOrder = 2\n"
                      "[AnimationLayer3]\nKey = x\nName = C\nOrder = 2\nAlpha = 999\n"
                      "[Frame1]\nAnimationLayer = 4\nFrame = -5\nHold = -3\nImage = ok.png\n"
                      "[Frame2]\nAnimationLayer = 4\nFrame = 3\nHold = 70000\nX = 99999\n"
                      "Image = ../secret.png\n"
                      "[Frame3]\nAnimationLayer = 4\nFrame = 6\nImage = gone.png\n"
                      "[Frame4]\nAnimationLayer = 4\nFrame = 8\nImage = broken.png\n"
                      "[Frame5]\nAnimationLayer = 9\nFrame = 1\nImage = ok.png\n"
                      "[Frame1]\nAnimationLayer = 2\nFrame = 99\n"
                      "[Frame7]\nAnimationLayer = 4\nFrame = 10\n");
    std::string error;
    auto read = readDocumentFile(dir.file("d.qmd"), 1, error);
    ASSERT_TRUE(read) << error;
    ASSERT_TRUE(read->animation);
    const Document& s = read->animation->settings;
    const ViewState& v = read->animation->view;
    EXPECT_EQ(s.Fps, 1);
    EXPECT_EQ(s.FrameTotal, 1);
    EXPECT_EQ(v.FrameStart, 32767);
    EXPECT_EQ(v.OnionBefore, 10);
    EXPECT_EQ(v.FrameEnd, 120);  // absent: a New document's
    const auto& layers = read->animation->layers;
    ASSERT_EQ(layers.size(), 3u);  // the repeated and the bad key get free keys
    EXPECT_EQ(layers.at("4").Name, "A");
    EXPECT_EQ(layers.at("2").Name, "B");
    EXPECT_EQ(layers.at("3").Name, "C");
    EXPECT_EQ(layers.at("4").Kind, 5);
    EXPECT_EQ(layers.at("3").Alpha, 255);
    EXPECT_EQ(layers.at("3").Color, animationLayerKind(0).colour | 0xFF000000u);
    // Rows 0..2 by the order read, ties by section.
    EXPECT_EQ(layers.at("2").Order, 0);
    EXPECT_EQ(layers.at("3").Order, 1);
    EXPECT_EQ(layers.at("4").Order, 2);
    EXPECT_EQ(s.AnimationLayerId, 2);  // 77 names none: the first row's
    const auto& frames = layers.at("4").Frames;
    ASSERT_EQ(frames.size(), 5u);
    EXPECT_EQ(frames[0].Frame, 1);
    EXPECT_EQ(frames[0].Hold, 1);
    EXPECT_EQ(frames[1].Frame, 3);
    EXPECT_EQ(frames[1].Hold, 3);  // held up to the next drawing
    EXPECT_EQ(frames[1].X, 32767);
    EXPECT_TRUE(pixelsOf(frames[0].image) == noise(6, 4, 1).pixels);
    for (size_t i : {1, 2, 3, 4}) {
        EXPECT_EQ(frames[i].image.width, 6) << i;
        for (uint32_t p : pixelsOf(frames[i].image)) ASSERT_EQ(p, 0u) << i;
    }
    // The first "[Frame1]" counts (a section named twice is one); Frame6 is missing.
    EXPECT_TRUE(layers.at("2").Frames.empty());
    const std::vector<std::string>& listed = read->unreadableFiles;
    ASSERT_EQ(listed.size(), 5u) << ::testing::PrintToString(listed);
    EXPECT_EQ(listed[0], "frames/../secret.png (outside the frame folder, not read)");
    EXPECT_EQ(listed[1].rfind("frames/gone.png (missing)", 0), 0u) << listed[1];
    EXPECT_EQ(listed[2].rfind("frames/broken.png (", 0), 0u) << listed[2];
    EXPECT_EQ(listed[3], "frames/Frame7 (no image file named)");
    EXPECT_NE(listed[4].find("Frame5"), std::string::npos) << listed[4];

    // Installed, a file whose animation has no layer gets the one a New document has, with the
    // file's settings.
    TempFolder bare;
    bare.writeText("d.qmd", head + "[Animation]\nFps = 30\nCurrentFrame = 3\n");
    auto noLayers = readDocumentFile(bare.file("d.qmd"), 1, error);
    ASSERT_TRUE(noLayers) << error;
    const Document doc = installed(std::move(*noLayers)).doc;
    EXPECT_EQ(doc.Fps, 30);
    ASSERT_EQ(doc.animationLayers.size(), 1u);
    EXPECT_EQ(doc.animationLayers.at("2").Name, "Layer Normal1");
    ASSERT_EQ(doc.animationLayers.at("2").Frames.size(), 1u);
    EXPECT_EQ(doc.animationLayers.at("2").Frames[0].Frame, 3);
}

// Frame files are confined to the frame folder on both sides: a frame folder that is a link is
// neither read nor written through.
TEST(QmdAnimation, TheFrameFolderIsNeverALinkToElsewhere) {
    TempFolder dir;
    const Document doc = animatedDocument();
    std::string error;
    fs::create_directories(dir.path / "elsewhere");
    fs::create_directories(dir.path / "d");
    fs::create_directory_symlink(dir.path / "elsewhere", dir.path / "d/frames");
    EXPECT_FALSE(writeDocumentFile(doc, kAnimatedView, dir.file("d.qmd"), error));
    EXPECT_NE(error.find("frame folder"), std::string::npos) << error;
    EXPECT_TRUE(fs::is_empty(dir.path / "elsewhere"));
    EXPECT_FALSE(fs::exists(dir.path / "d.qmd"));

    // Saved elsewhere and the folder then replaced by a link: the frames open transparent.
    ASSERT_TRUE(writeDocumentFile(doc, kAnimatedView, dir.file("e.qmd"), error)) << error;
    fs::rename(dir.path / "e/frames", dir.path / "elsewhere/frames");
    fs::create_directory_symlink(dir.path / "elsewhere/frames", dir.path / "e/frames");
    const auto read = readDocumentFile(dir.file("e.qmd"), 1, error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(read->unreadableFiles.size(), 5u);
    EXPECT_NE(read->unreadableFiles[0].find("link"), std::string::npos);
}

// Saving again keeps the frame folder tidy: the replaced frame files go, a file of the user's
// there stays, and a document that no longer has an animation takes the folder away when it is
// left empty.
TEST(QmdAnimation, SavingAgainRemovesOnlyTheReplacedFrameFiles) {
    TempFolder dir;
    const std::string path = dir.file("d.qmd");
    std::string error;
    Document doc = animatedDocument();
    ASSERT_TRUE(writeDocumentFile(doc, kAnimatedView, path, error)) << error;
    dir.writeText("d/frames/mine.txt", "the user's");
    dir.writeText("d/frames/.Walk cycle-1.png.tmp77-0", "cut off");
    doc.animationLayers.at("2").Frames.pop_back();
    ASSERT_TRUE(writeDocumentFile(doc, kAnimatedView, path, error)) << error;
    auto read = readDocumentFile(path, 1, error);
    ASSERT_TRUE(read) << error;
    EXPECT_TRUE(read->unreadableFiles.empty());
    EXPECT_EQ(animationFingerprint(installed(std::move(*read))),
              animationFingerprint(doc, kAnimatedView));
    std::set<std::string> frames = filesIn(dir.path / "d/frames");
    EXPECT_EQ(frames.erase("mine.txt"), 1u);
    EXPECT_EQ(frames.size(), 4u);

    fs::remove(dir.path / "d/frames/mine.txt");
    Document plain = makeDocument({"Ink", "Sky"});
    ASSERT_TRUE(writeDocumentFile(plain, ViewState{}, path, error)) << error;
    EXPECT_FALSE(fs::exists(dir.path / "d/frames"));
    EXPECT_EQ(filesIn(dir.path / "d").size(), 2u);
    EXPECT_EQ(readAll(dir.path / "d.qmd"),
              documentIndexText(plain, ViewState{}, {"Ink.png", "Sky.png"}));
}

// A save killed at any moment, between a document with an animation and one without, leaves one
// of them whole: layers, frames and holds.
TEST(QmdAnimation, ASaveKilledAtRandomLeavesOneWholeDocumentWithItsFrames) {
    TempFolder dir;
    const std::string path = dir.file("k.qmd");
    Document docs[2] = {makeDocument({"Ink", "Paint", "Sky"}, 160, 120, 11), animatedDocument(12)};
    const ViewState views[2] = {ViewState{}, kAnimatedView};
    docs[1].Width = 160;  // frames of their own sizes, layers of the document's
    docs[1].Height = 120;
    for (Layer& layer : docs[1].layers) layer.image = noise(160, 120, layer.Position);
    docs[1].layers.push_back(makeLayer("Lines", 160, 120, 3));
    docs[1].layers.back().Position = 3;
    docs[1].layers.push_back(makeLayer("More", 160, 120, 4));
    docs[1].layers.back().Position = 4;
    std::string error;
    ASSERT_TRUE(writeDocumentFile(docs[0], ViewState{}, path, error)) << error;
    // How long a save takes here, to spread the kills over it.
    const int64_t saveTime = saveMicros(docs[1], views[1], dir.file("timing.qmd"));
    Random random(77);
    int onDisk = 0;
    for (int trial = 0; trial < 60; ++trial) {
        SCOPED_TRACE("trial " + std::to_string(trial));
        const int next = 1 - onDisk;
        saveKilledAfter(docs[next], views[next], path, random(int(saveTime * 5 / 4) + 1));
        auto read = readDocumentFile(path, 1, error);
        ASSERT_TRUE(read) << error;
        ASSERT_TRUE(read->unreadableFiles.empty())
            << ::testing::PrintToString(read->unreadableFiles);
        const int which = read->layers.size() == docs[0].layers.size() ? 0 : 1;
        expectSameLayers(docs[which], *read);
        EXPECT_EQ(read->animation.has_value(), which == 1);
        if (which == 1) {
            EXPECT_EQ(animationFingerprint(installed(std::move(*read))),
                      animationFingerprint(docs[1], views[1]));
        }
        onDisk = which;
    }
    ASSERT_TRUE(writeDocumentFile(docs[0], ViewState{}, path, error)) << error;
    EXPECT_EQ(filesIn(dir.path / "k").size(), docs[0].layers.size());
}

}  // namespace
}  // namespace qm
