#include <gtest/gtest.h>

#include <filesystem>

#include "codecs/codecs.h"
#include "codecs/colour_palette.h"
#include "document/compositing.h"
#include "document/document_ops.h"
#include "document/qmd_format.h"
#include "io/animation_export.h"
#include "io/animation_files.h"
#include "io/export_command.h"
#include "io/image_files.h"
#include "platform/paths.h"
#include "raster/image_ops.h"
#include "raster/shapes.h"
#include "support/animation_readers.h"
#include "support/temp_folder.h"

namespace qm {
namespace {

using test::playApng;
using test::playGif;
using test::readBytes;
using test::TempFolder;

TEST(FrameTiming, StartsAreRoundedFromTheExactTimes) {
    struct Case {
        int count, fps;
        std::vector<int64_t> starts;
    };
    const Case cases[] = {
        {6, 12, {0, 83, 167, 250, 333, 417, 500}},
        {6, 24, {0, 42, 83, 125, 167, 208, 250}},
        {3, 25, {0, 40, 80, 120}},
        {4, 30, {0, 33, 67, 100, 133}},
        {7, 7, {0, 143, 286, 429, 571, 714, 857, 1000}},
        {2, 16, {0, 62, 125}},  // 62.5 rounds to even
        {1, 1, {0, 1000}},
        {0, 12, {0}},
    };
    for (const Case& c : cases) EXPECT_EQ(frameStartsMs(c.count, c.fps), c.starts) << c.fps;
    EXPECT_TRUE(frameStartsMs(3, 0).empty());
    EXPECT_TRUE(frameStartsMs(-1, 12).empty());
    // A long animation lasts exactly its frames over its rate.
    EXPECT_EQ(frameStartsMs(1200, 12).back(), 100000);
    EXPECT_EQ(frameStartsMs(86400, 48).back(), 1800000);
}

Image solid(int w, int h, uint32_t colour) {
    Image image = *createImage(w, h, 32);
    fillBox(image, 0, 0, w, h, solidPaint(colour, DrawMode::AllChannels));
    return image;
}

// A 24 x 16 document with layers in several modes and two animation layers whose frames move.
struct AnimatedDocument {
    Document doc;
    ViewState view;
    TiledImage work2, work4, work3;
    explicit AnimatedDocument(int frames = 6) {
        doc.Width = 24;
        doc.Height = 16;
        EXPECT_TRUE(newDocument(doc, {work2, work4, work3}));
        view.FrameEnd = int16_t(frames);
        auto add = [&](uint8_t mode, uint8_t opacity, uint32_t colour, Rect r, int16_t x = 0) {
            EXPECT_TRUE(addLayer(doc, view.CurrentFrame));
            Layer& layer = doc.layers.back();
            layer.Blendmode = mode;
            layer.Opacity = opacity;
            layer.X = x;
            {
                Image whole = layer.image.toImage();
                fillBox(whole, r.x, r.y, r.w, r.h, solidPaint(colour, DrawMode::AllChannels));
                layer.image = whole;
            }
            return &layer;
        };
        add(1, 255, rgba(100, 200, 250, 255), {2, 2, 10, 8});            // Multiply
        add(0, 128, rgba(250, 10, 10, 160), {0, 8, 24, 4}, 3);           // Normal at half, moved
        add(3, 200, rgba(30, 60, 90, 200), {14, 0, 6, 16});              // Screen
        add(0, 255, rgba(0, 255, 0, 255), {0, 0, 24, 16})->Visible = 0;  // hidden
        // The first animation layer: a square moving right on frames 1..frames, except that
        // frames 3 and 4 show the same picture.
        for (int f = 1; f <= frames; ++f) {
            view.CurrentFrame = int16_t(f);
            Image picture = *createImage(24, 16, 32);
            const int at = f == 4 ? 3 : f;
            fillBox(picture, 2 * at, 5, 6, 6,
                    solidPaint(rgba(250, 220, 30, 255), DrawMode::AllChannels));
            EXPECT_TRUE(addAnimationFrame(doc, view.CurrentFrame, tiledFrom(picture)));
        }
        // A second, half-strong animation layer with one frame on frame 2, moved by its offset.
        EXPECT_TRUE(addAnimationLayer(doc, 1));
        view.CurrentFrame = 2;
        EXPECT_TRUE(addAnimationFrame(doc, view.CurrentFrame,
                                      tiledFrom(solid(8, 8, rgba(20, 40, 240, 255)))));
        currentAnimationLayer(doc).Frames.back().X = 10;
        currentAnimationLayer(doc).Alpha = 128;
        view.CurrentFrame = 1;
    }
};

TEST(AnimationExportFrames, AreWhatTheCanvasShowsAtEachFrame) {
    AnimatedDocument a;
    const Image paper = [] {
        Image p = *createImage(24, 16, 24);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 24; ++x)
                p.at(x, y) = rgba(uint32_t(200 + x), uint32_t(190 + y), 180, 255);
        return p;
    }();
    for (int f = 1; f <= 6; ++f) {
        ViewCache view;
        resetDisplays(a.doc.layers, 100, view);
        Image canvas = *createImage(24, 16, 32);
        CanvasScene scene{a.doc, view, paper, 0, 0, rgb(9, 99, 199), {}};
        scene.currentFrame = f;
        // The onion skin of the canvas is not part of an exported frame.
        scene.onion = {};
        composeCanvas(canvas, scene, Rect{0, 0, 24, 16}, 1);
        const auto frame = composeAnimationFrame(a.doc, f, &paper);
        ASSERT_TRUE(frame);
        EXPECT_TRUE(frame->pixels == canvas.pixels) << f;
    }
    // Without paper, a frame with no animation frame is the flattened picture.
    const auto empty = composeAnimationFrame(a.doc, 40);
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->pixels, flattenVisibleLayers(a.doc)->pixels);
}

TEST(AnimationExport, ApngHoldsEveryFrameExactlyWithEqualNeighboursMerged) {
    TempFolder folder;
    AnimatedDocument a;
    AnimationExportOptions options;
    options.path = folder.file("a.apng");
    options.format = ExportFormat::Apng;
    options.firstFrame = 1;
    options.lastFrame = 6;
    ASSERT_EQ(exportAnimation(a.doc, a.view, options), "");
    const auto played = playApng(readBytes(options.path));
    ASSERT_EQ(played.error, "");
    // Frames 3 and 4 are one frame of 167 ms; each start is rounded once (0, 83, 167, 250, 333,
    // 417, 500 ms).
    const int shown[] = {1, 2, 3, 5, 6};
    const int delays[] = {83, 84, 166, 84, 83};
    ASSERT_EQ(played.frames.size(), 5u);
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(played.frames[i].picture.pixels, composeAnimationFrame(a.doc, shown[i])->pixels)
            << i;
        EXPECT_EQ(played.frames[i].delay, delays[i]) << i;
    }
}

TEST(AnimationExport, GifDelaysFollowTheStartsOfTheMergedFrames) {
    TempFolder folder;
    AnimatedDocument a;
    AnimationExportOptions options;
    options.path = folder.file("a.gif");
    options.format = ExportFormat::Gif;
    options.firstFrame = 1;
    options.lastFrame = 6;
    ASSERT_EQ(exportAnimation(a.doc, a.view, options), "");
    const auto played = playGif(readBytes(options.path));
    ASSERT_EQ(played.error, "");
    std::vector<int> delays;
    for (const auto& f : played.frames) delays.push_back(f.delay);
    EXPECT_EQ(delays, (std::vector<int>{8, 9, 16, 9, 8}));
    // The document's colours are few: the GIF shows them exactly.
    const int shown[] = {1, 2, 3, 5, 6};
    for (size_t i = 0; i < played.frames.size(); ++i) {
        Image expected = *composeAnimationFrame(a.doc, shown[i]);
        for (uint32_t& p : expected.pixels) p = gifPixel(p);
        EXPECT_EQ(played.frames[i].picture.pixels, expected.pixels) << i;
    }
}

TEST(AnimationExport, ScalesEnlargeCrisplyAndReduceSmoothly) {
    TempFolder folder;
    AnimatedDocument a;
    AnimationExportOptions options;
    options.format = ExportFormat::Apng;
    options.firstFrame = options.lastFrame = 2;
    for (int percent : {200, 50, 33}) {
        options.scalePercent = percent;
        options.path = folder.file("s" + std::to_string(percent) + ".apng");
        ASSERT_EQ(exportAnimation(a.doc, a.view, options), "");
        const auto played = playApng(readBytes(options.path));
        ASSERT_EQ(played.error, "");
        ASSERT_EQ(played.frames.size(), 1u);
        const Image frame = *composeAnimationFrame(a.doc, 2);
        const ScaledSize size = scaledSize(24, 16, percent);
        EXPECT_EQ(played.width, size.width);
        EXPECT_EQ(played.height, size.height);
        const auto expected = percent > 100
                                  ? resizeNearest(frame, int(size.width), int(size.height))
                                  : resizeSmooth(frame, int(size.width), int(size.height));
        EXPECT_EQ(played.frames[0].picture.pixels, expected->pixels) << percent;
    }
    EXPECT_EQ(scaledSize(24, 16, 33).width, 8);  // 7.92
    EXPECT_EQ(scaledSize(3, 1, 50).width, 2);    // 1.5 rounds to even
    EXPECT_EQ(scaledSize(3, 1, 10).height, 1);   // never below one pixel
}

TEST(AnimationExport, StripAndSequenceHoldTheComposedFrames) {
    TempFolder folder;
    AnimatedDocument a;
    AnimationExportOptions options;
    options.firstFrame = 2;
    options.lastFrame = 4;
    options.format = ExportFormat::Strip;
    options.path = folder.file("strip.png");
    ASSERT_EQ(exportAnimation(a.doc, a.view, options), "");
    std::string error;
    const auto strip = loadImageFile(options.path, error);
    ASSERT_TRUE(strip) << error;
    ASSERT_EQ(strip->width, 72);  // three slots, the equal frames 3 and 4 each in their own
    for (int f = 2; f <= 4; ++f)
        EXPECT_EQ(grabRect(*strip, (f - 2) * 24, 0, 24, 16)->pixels,
                  composeAnimationFrame(a.doc, f)->pixels);

    options.format = ExportFormat::Sequence;
    options.path = folder.file("seq.png");
    ASSERT_EQ(exportAnimation(a.doc, a.view, options), "");
    for (int i = 1; i <= 3; ++i) {
        const auto frame =
            loadImageFile(folder.file("seq_000" + std::to_string(i) + ".png"), error);
        ASSERT_TRUE(frame) << error;
        EXPECT_EQ(frame->pixels, composeAnimationFrame(a.doc, i + 1)->pixels);
    }

    options.format = ExportFormat::Png;
    options.firstFrame = options.lastFrame = 5;
    options.path = folder.file("one.png");
    ASSERT_EQ(exportAnimation(a.doc, a.view, options), "");
    EXPECT_EQ(loadImageFile(options.path, error)->pixels, composeAnimationFrame(a.doc, 5)->pixels);
}

// Files in the folder, by name.
std::vector<std::string> filesIn(const TempFolder& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.path))
        names.push_back(entry.path().lexically_relative(folder.path).string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(AnimationExport, BadRequestsGiveAMessageAndNoFile) {
    TempFolder folder;
    std::filesystem::create_directory(folder.path / "sub");
    AnimatedDocument a;
    struct Case {
        const char* what;
        ExportFormat format;
        const char* file;
        int first, last, scale;
        const char* message;  // a part of the message
    };
    const Case cases[] = {
        {"reversed range", ExportFormat::Gif, "a.gif", 5, 2, 100, "first comes after the last"},
        {"range past the frames", ExportFormat::Gif, "a.gif", 100, 130, 100, "frames are 1-120"},
        {"frame 0", ExportFormat::Apng, "a.apng", 0, 3, 100, "not all in the document"},
        {"scale 0", ExportFormat::Gif, "a.gif", 1, 2, 0, "1 to 1000 percent"},
        {"scale too large", ExportFormat::Gif, "a.gif", 1, 2, 1001, "1 to 1000 percent"},
        {"png of a range", ExportFormat::Png, "a.png", 1, 2, 100, "holds one frame"},
        {"missing folder", ExportFormat::Gif, "none/a.gif", 1, 2, 100, "does not exist"},
        {"a folder", ExportFormat::Gif, "sub", 1, 2, 100, "it is a folder"},
        {"no name", ExportFormat::Gif, "", 1, 2, 100, "No file name"},
        {"webp past the frames", ExportFormat::Webp, "a.webp", 100, 130, 100, "frames are 1-120"},
        {"mp4 scale", ExportFormat::Mp4, "a.mp4", 1, 2, 0, "1 to 1000 percent"},
        {"webm missing folder", ExportFormat::Webm, "none/a.webm", 1, 2, 100, "does not exist"},
    };
    for (const Case& c : cases) {
        AnimationExportOptions options;
        options.format = c.format;
        options.path = *c.file ? folder.file(c.file) : "";
        options.firstFrame = c.first;
        options.lastFrame = c.last;
        options.scalePercent = c.scale;
        EXPECT_NE(exportAnimation(a.doc, a.view, options).find(c.message), std::string::npos)
            << c.what;
    }
    // A picture too large for GIF: 16000 pixels wide at 500 %.
    Document wide;
    wide.Width = 16000;
    wide.Height = 10;
    TiledImage w2, w4, w3;
    ASSERT_TRUE(newDocument(wide, {w2, w4, w3}));
    AnimationExportOptions options;
    options.path = folder.file("wide.gif");
    options.scalePercent = 500;
    EXPECT_NE(exportAnimation(wide, ViewState{}, options).find("at most 65535 pixels on a side"),
              std::string::npos);
    options.format = ExportFormat::Apng;
    options.path = folder.file("wide.apng");
    EXPECT_NE(exportAnimation(wide, ViewState{}, options).find("at most 32767"), std::string::npos);
    a.doc.Fps = 0;
    options = {};
    options.path = folder.file("a.gif");
    EXPECT_NE(exportAnimation(a.doc, a.view, options).find("frame rate"), std::string::npos);
    EXPECT_EQ(filesIn(folder), std::vector<std::string>{"sub"});
}

TEST(AnimationExport, CancelLeavesNoFileAndASequenceRemovesWhatItMade) {
    TempFolder folder;
    AnimatedDocument a;
    folder.writeText("seq_0002.png", "kept");  // there before: replaced, never removed
    for (ExportFormat format :
         {ExportFormat::Gif, ExportFormat::Apng, ExportFormat::Strip, ExportFormat::Sequence}) {
        for (int stopAt : {2, 9}) {  // while composing, while writing
            AnimationExportOptions options;
            options.format = format;
            options.path = folder.file(format == ExportFormat::Gif ? "c.gif" : "c.png");
            if (format == ExportFormat::Sequence) options.path = folder.file("seq.png");
            options.firstFrame = 1;
            options.lastFrame = 6;
            int last = 0;
            const EncodeProgress progress = [&](int done, int total) {
                EXPECT_GT(done, last);
                EXPECT_LE(done, total);
                last = done;
                return done < stopAt;
            };
            const std::string result = exportAnimation(a.doc, a.view, options, progress);
            if (stopAt == 9 &&
                (format == ExportFormat::Strip || format == ExportFormat::Sequence)) {
                // A strip is written at once after composing; a sequence counts 6 steps.
                EXPECT_EQ(result, "");
                for (const std::string& name : filesIn(folder))
                    if (name != "seq_0002.png") std::filesystem::remove(folder.path / name);
                continue;
            }
            EXPECT_EQ(result, kEncodeCancelled) << int(format) << " " << stopAt;
        }
    }
    EXPECT_EQ(filesIn(folder), std::vector<std::string>{"seq_0002.png"});
}

// ---------------------------------------------------------------------------------------------
// The command line

TEST(ExportCommand, ReadsTheArguments) {
    std::string error;
    auto parse = [&](std::vector<std::string> args) { return parseExportCommand(args, error); };
    auto c = parse({"--export", "out.gif", "--frames", "3-9", "--scale", "50%", "in.qmd"});
    ASSERT_TRUE(c) << error;
    EXPECT_EQ(c->output, "out.gif");
    EXPECT_EQ(c->input, "in.qmd");
    EXPECT_EQ(c->format, ExportFormat::Gif);
    EXPECT_EQ(c->firstFrame, 3);
    EXPECT_EQ(c->lastFrame, 9);
    EXPECT_EQ(c->scalePercent, 50);
    c = parse({"frames", "--export=strip.png", "--strip", "--frames=4", "--fps", "24", "--no-loop",
               "--dither", "ordered", "--quality", "70", "--lossy"});
    ASSERT_TRUE(c) << error;
    EXPECT_EQ(c->format, ExportFormat::Strip);
    EXPECT_EQ(c->firstFrame, 4);
    EXPECT_EQ(c->lastFrame, 4);
    EXPECT_EQ(c->fps, 24);
    EXPECT_FALSE(c->encode.loop);
    EXPECT_EQ(c->encode.dither, GifDither::Ordered);
    EXPECT_EQ(c->encode.quality, 70);
    EXPECT_FALSE(c->encode.lossless);
    EXPECT_EQ(parse({"--export", "a.PNG", "--format", "APNG", "x.png"})->format,
              ExportFormat::Apng);
    EXPECT_EQ(parse({"x", "--version"})->action, ExportCommand::Action::Version);
    EXPECT_EQ(parse({"--help", "--frames", "bad"})->action, ExportCommand::Action::Help);

    const std::vector<std::vector<std::string>> wrong = {
        {"in.qmd"},                                     // no --export
        {"--export", "a.gif"},                          // no input
        {"--export", "a.gif", "x", "y"},                // two inputs
        {"--export", "a.txt", "x"},                     // unknown extension
        {"--export", "a.gif", "--frames", "1-x", "x"},  // bad range
        {"--export", "a.gif", "--scale", "big", "x"},
        {"--export", "a.gif", "--format", "bmp", "x"},
        {"--export", "a.gif", "--fps", "0", "x"},
        {"--export", "a.gif", "--dither", "lots", "x"},
        {"--export", "a.gif", "--quality", "101", "x"},
        {"--export", "a.gif", "--strip", "--sequence", "x"},
        {"--export", "a.gif", "--colours", "x"},  // unknown option
        {"--export", "a.gif", "--no-loop=1", "x"},
        {"--export", "a.gif", "x", "--frames"},  // a value missing
        {"--export", "", "x"},
    };
    for (const auto& args : wrong) {
        error.clear();
        EXPECT_FALSE(parse(args)) << args.back();
        EXPECT_FALSE(error.empty());
    }
    const char* window[] = {"quillmoth", "drawing.qmd"};
    const char* exporting[] = {"quillmoth", "--export=a.gif", "in"};
    EXPECT_FALSE(isCommandLine(2, window));
    EXPECT_TRUE(isCommandLine(3, exporting));
}

TEST(ExportCommand, LoadsDocumentsImagesAndFoldersOfFrames) {
    TempFolder folder;
    std::string error;
    // A folder: its frames in natural order, others skipped.
    const std::string frames = folder.file("frames");
    std::filesystem::create_directory(frames);
    const int numbers[] = {10, 2, 1};
    for (int n : numbers)
        ASSERT_TRUE(savePngFile(solid(8, 6, rgba(uint32_t(n * 20), 0, 0, 255)),
                                joinPath(frames, "f" + std::to_string(n) + ".png"), error));
    folder.writeText("frames/notes.txt", "not a frame");
    auto input = loadExportInput(frames, error);
    ASSERT_TRUE(input) << error;
    EXPECT_EQ(input->doc.Width, 8);
    EXPECT_EQ(input->view.FrameStart, 1);
    EXPECT_EQ(input->view.FrameEnd, 3);
    const int order[] = {1, 2, 10};
    for (int f = 1; f <= 3; ++f)
        EXPECT_EQ(composeAnimationFrame(input->doc, f)->at(0, 0),
                  rgba(uint32_t(order[f - 1] * 20), 0, 0, 255));

    // A document.
    AnimatedDocument a;
    const std::string index = folder.file("doc.qmd");
    ASSERT_TRUE(writeDocumentFile(a.doc, a.view, index, error)) << error;
    input = loadExportInput(index, error);
    ASSERT_TRUE(input) << error;
    EXPECT_EQ(input->doc.layers.size(), a.doc.layers.size());
    EXPECT_EQ(input->view.FrameEnd, 6);  // the frame settings saved with it
    // The document keeps its animation: every frame exports as it shows before the save.
    for (int f = 1; f <= 6; ++f)
        EXPECT_EQ(composeAnimationFrame(input->doc, f)->pixels,
                  composeAnimationFrame(a.doc, f)->pixels)
            << f;

    // An image.
    ASSERT_TRUE(savePngFile(solid(5, 4, rgba(1, 2, 3, 100)), folder.file("pic.png"), error));
    input = loadExportInput(folder.file("pic.png"), error);
    ASSERT_TRUE(input) << error;
    EXPECT_EQ(composeAnimationFrame(input->doc, 1)->at(4, 3), rgba(1, 2, 3, 100));

    // What cannot be read gives a message.
    const std::string layerFile = joinPath(layerFolderOf(index), a.doc.layers[1].Name + ".png");
    folder.writeText("broken.png", "not a png");
    folder.writeText("frames/f3.png", "not a png either");
    folder.writeText("empty/readme.txt", "");
    for (const std::string& input :
         {folder.file("missing.qmd"), folder.file("broken.png"), frames, folder.file("empty")}) {
        error.clear();
        EXPECT_FALSE(loadExportInput(input, error)) << input;
        EXPECT_NE(error, "") << input;
    }
    std::filesystem::remove(resolvePath(layerFile));
    EXPECT_FALSE(loadExportInput(index, error));
    EXPECT_NE(error.find("could not be read"), std::string::npos) << error;
}

}  // namespace
}  // namespace qm
