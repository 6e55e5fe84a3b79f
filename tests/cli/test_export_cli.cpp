// The program run as a command: quillmoth --export ... on files made here, without a display.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "codecs/codecs.h"
#include "document/document_ops.h"
#include "document/qmd_format.h"
#include "platform/paths.h"
#include "raster/shapes.h"
#include "support/animation_readers.h"
#include "support/temp_folder.h"

namespace qm {
namespace {

using test::TempFolder;

struct Ran {
    int status = -1;
    std::string out, err;
};

std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string textOf(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs the program in `folder` with no display at all; its output is kept outside the folder.
Ran run(const TempFolder& outside, const std::filesystem::path& folder, const std::string& args) {
    const std::string command =
        "cd " + quoted(folder.string()) +
        " && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + quoted(QM_PROGRAM) + " " +
        args + " >" + quoted(outside.file("out.txt")) + " 2>" + quoted(outside.file("err.txt"));
    Ran r;
    const int raw = std::system(command.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = textOf(outside.file("out.txt"));
    r.err = textOf(outside.file("err.txt"));
    return r;
}

std::vector<std::string> filesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        names.push_back(entry.path().lexically_relative(folder).string());
    std::sort(names.begin(), names.end());
    return names;
}

// A 16 x 12 document of two layers, saved as work/doc.qmd, and a folder work/frames of three
// frames.
struct Inputs {
    TempFolder outside{"qm_cli"};
    std::filesystem::path work = outside.path / "work";
    Inputs() {
        std::filesystem::create_directory(work);
        Document doc;
        doc.Width = 16;
        doc.Height = 12;
        TiledImage w2, w4, w3;
        EXPECT_TRUE(newDocument(doc, {w2, w4, w3}));
        {
            Image whole = doc.layers[0].image.toImage();
            fillBox(whole, 0, 0, 16, 12, solidPaint(rgba(20, 40, 200, 255), DrawMode::AllChannels));
            doc.layers[0].image = whole;
        }
        EXPECT_TRUE(addLayer(doc, 1));
        {
            Image whole = doc.layers[1].image.toImage();
            fillBox(whole, 4, 4, 6, 6, solidPaint(rgba(250, 250, 0, 255), DrawMode::AllChannels));
            doc.layers[1].image = whole;
        }
        std::string error;
        EXPECT_TRUE(writeDocumentFile(doc, ViewState{}, (work / "doc.qmd").string(), error))
            << error;
        std::filesystem::create_directory(work / "frames");
        for (int i = 1; i <= 3; ++i) {
            Image frame = *createImage(10, 8, 32);
            fillBox(frame, i * 2, 2, 3, 3, solidPaint(rgba(255, 0, 0, 255), DrawMode::AllChannels));
            EXPECT_TRUE(savePngFile(
                frame, (work / "frames" / ("f" + std::to_string(i) + ".png")).string(), error));
        }
    }
};

#ifdef QM_PROGRAM

TEST(ExportCli, ExportsADocumentAndAFolderWithoutADisplay) {
    Inputs in;
    const auto before = filesIn(in.work);
    Ran r = run(in.outside, in.work, "--export doc.gif doc.qmd");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out + r.err, "");
    // The document's 120 frames are one picture: one frame of 10 s.
    auto gif = test::playGif(test::readBytes((in.work / "doc.gif").string()));
    ASSERT_EQ(gif.error, "");
    ASSERT_EQ(gif.frames.size(), 1u);
    EXPECT_EQ(gif.frames[0].delay, 1000);
    EXPECT_EQ(gif.frames[0].picture.at(5, 5), rgba(250, 250, 0, 255));

    r = run(in.outside, in.work, "--export moving.apng --scale 200 --frames 2-3 frames");
    EXPECT_EQ(r.status, 0) << r.err;
    auto apng = test::playApng(test::readBytes((in.work / "moving.apng").string()));
    ASSERT_EQ(apng.error, "");
    EXPECT_EQ(apng.width, 20);
    ASSERT_EQ(apng.frames.size(), 2u);
    EXPECT_EQ(apng.frames[0].picture.at(8, 4), rgba(255, 0, 0, 255));  // frame 2 at x 4..6

    r = run(in.outside, in.work, "--export still.png --frames 1 doc.qmd");
    EXPECT_EQ(r.status, 0) << r.err;
    // WebP and the two videos from the same document.
    for (const char* args : {"--export moving.webp frames", "--export moving.mp4 frames",
                             "--export moving.webm frames"}) {
        r = run(in.outside, in.work, args);
        EXPECT_EQ(r.status, 0) << args << ": " << r.err;
    }
    auto expected = before;
    for (const char* made :
         {"doc.gif", "moving.apng", "still.png", "moving.webp", "moving.mp4", "moving.webm"})
        expected.push_back(made);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(filesIn(in.work), expected);  // nothing else: no preferences, no data folders
}

TEST(ExportCli, AnswersHelpAndVersionAndRefusesBadInput) {
    Inputs in;
    const auto before = filesIn(in.work);
    Ran r = run(in.outside, in.work, "--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Usage: quillmoth --export OUT"), std::string::npos);
    r = run(in.outside, in.work, "--version");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("Quillmoth ", 0), 0u) << r.out;

    struct Case {
        const char* args;
        int status;
        const char* message;
    };
    const Case cases[] = {
        {"--export a.gif", 2, "input"},
        {"--export a.gif --frames 9-3 doc.qmd", 1, "first comes after the last"},
        {"--export a.gif --frames 1-500 doc.qmd", 1, "not all in the document"},
        {"--export a.gif --scale 0 doc.qmd", 1, "1 to 1000 percent"},
        {"--export nowhere/a.gif doc.qmd", 1, "does not exist"},
        {"--export a.gif missing.qmd", 1, "does not exist"},
        {"--export a.gif --bogus doc.qmd", 2, "Unknown option --bogus"},
        {"--export a.mp4 --scale 0 doc.qmd", 1, "1 to 1000 percent"},
    };
    for (const Case& c : cases) {
        r = run(in.outside, in.work, c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_EQ(r.out, "") << c.args;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << ": " << r.err;
    }
    EXPECT_EQ(filesIn(in.work), before);
}

#else

TEST(ExportCli, NeedsTheProgram) {
    GTEST_SKIP() << "the program is not built (QM_BUILD_GUI=OFF)";
}

#endif

}  // namespace
}  // namespace qm
