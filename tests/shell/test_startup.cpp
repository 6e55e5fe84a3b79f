// The fresh program: the default document, the start values and the tables it is built from.
#include <fstream>
#include <set>
#include <tuple>

#include "document/document_ops.h"
#include "platform/key_value_file.h"
#include "shell/menu_table.h"
#include "shell/settings/dictionary.h"
#include "shell/settings/preferences_file.h"
#include "shell_fixture.h"
#include "support/temp_folder.h"

namespace qm::test {

TEST_F(ShellTest, FreshDocumentHasOneLayerAndOneAnimationLayer) {
    const Document& doc = app.doc;
    EXPECT_EQ(doc.Width, 3000);
    EXPECT_EQ(doc.Height, 3000);
    EXPECT_EQ(app.viewState.Zoom, 100);
    ASSERT_EQ(doc.layers.size(), 1u);
    const Layer& layer = doc.layers[0];
    EXPECT_EQ(layer.Name, "Layer1");
    EXPECT_EQ(layer.Position, 1);
    EXPECT_EQ(layer.Selected, 1);
    EXPECT_EQ(layer.Visible, 1);
    EXPECT_EQ(layer.Opacity, 255);
    EXPECT_EQ(layer.Blendmode, 0);
    EXPECT_EQ(layer.image.width, 3000);
    EXPECT_EQ(display(layer).width, 3000);
    EXPECT_EQ(currentImage(doc), &layer.image);
    EXPECT_EQ(currentVisible(doc), 1);

    ASSERT_EQ(doc.animationLayers.size(), 1u);
    ASSERT_TRUE(doc.animationLayers.count("2"));
    const AnimationLayer& anim = doc.animationLayers.at("2");
    EXPECT_EQ(anim.Name, "Layer Normal1");
    EXPECT_EQ(anim.Alpha, 255);
    EXPECT_EQ(anim.Color, rgba(150, 150, 200, 255));
    ASSERT_EQ(anim.Frames.size(), 1u);
    EXPECT_EQ(anim.Frames[0].Frame, 1);
    EXPECT_EQ(app.viewState.FrameEnd, 120);
    EXPECT_EQ(doc.Fps, 12);
}

TEST_F(ShellTest, StartValuesTitleStatusAndView) {
    EXPECT_EQ(ui.windowTitle(), "Quillmoth 0.2987 [Untitled]");
    EXPECT_EQ(ui.statusText(0), "Zoom : 100 %");
    EXPECT_EQ(ui.statusText(1), "Doc : 3000/3000");
    EXPECT_EQ(app.CurrentTool, Tool::Brush);
    EXPECT_EQ(app.brush.tool, 0);
    EXPECT_EQ(app.brush.selectedColor, 0xFF000000u);  // black at the brush alpha
    EXPECT_EQ(app.brush.mixing, 1);                   // the no-file value
    EXPECT_DOUBLE_EQ(app.brush.gradientX3, 0.5);
    EXPECT_EQ(app.brush.alphaGradientX3, 125);
    // Centred in the 1200 x 800 canvas: a larger document gets negative offsets.
    EXPECT_EQ(app.ViewOffsetX, 600 - 1500);
    EXPECT_EQ(app.ViewOffsetY, 400 - 1500);
    EXPECT_TRUE(ui.menuChecked(id(Cmd::Grid)));
    EXPECT_EQ(ui.focusedGadget(), id(Gadget::Canvas));
    ASSERT_TRUE(ui.lastCanvas().has_value());
    const Image& canvas = *ui.lastCanvas();
    EXPECT_EQ(canvas.width, 1200);
    // The paper covers the whole canvas; the tests' folder has no paper file, so it is black.
    EXPECT_EQ(canvas.at(0, 0), rgba(0, 0, 0, 255));
    EXPECT_TRUE(ui.messageBoxes().empty());
}

// "New" centres the view on the new document, which the start-up's offsets for a 3000 x 3000
// one would leave far outside the canvas.
TEST_F(ShellTest, SmallDocumentLeavesTheBackgroundAround) {
    newDocument("100", "50");
    const Image& canvas = *ui.lastCanvas();
    EXPECT_EQ(app.ViewOffsetX, 550);
    EXPECT_EQ(app.ViewOffsetY, 375);
    EXPECT_EQ(canvas.at(549, 400), rgba(150, 150, 150, 255));
    EXPECT_EQ(canvas.at(550, 400), rgba(0, 0, 0, 255));  // the (black) paper
    EXPECT_EQ(canvas.at(649, 424), rgba(0, 0, 0, 255));
    EXPECT_EQ(canvas.at(650, 424), rgba(150, 150, 150, 255));
}

TEST(MenuTable, IdsAreUniqueAndMenusBalanced) {
    std::set<int> ids;
    int depth = 0;
    for (const MenuEntry& e : mainMenuTable()) {
        if (e.kind == MenuEntry::Kind::Menu) ++depth;
        if (e.kind == MenuEntry::Kind::EndMenu) --depth;
        ASSERT_GE(depth, 0);
        if (e.kind == MenuEntry::Kind::Item) {
            EXPECT_TRUE(ids.insert(e.id).second) << e.id;
        }
    }
    EXPECT_EQ(depth, 0);
    for (int i : {0, 17, 28, 29, 34, 45, 48, 53, 54, 66, 67, 79, 85})
        EXPECT_TRUE(ids.count(i)) << i;
    // Every accelerator sends a command of the menu bar; Ctrl+I is Inverse Color.
    for (const Accelerator& a : acceleratorTable()) {
        EXPECT_TRUE(ids.count(a.id)) << a.id;
        if (a.key == 'I' && a.ctrl) {
            EXPECT_EQ(a.id, id(Cmd::InverseColor));
        }
    }
}

TEST(Dictionary, BuiltinTextsAndUnknownKeys) {
    Dictionary d;
    loadBuiltinDictionary(d);
    EXPECT_EQ(Text(d, "New"), "New Document");
    EXPECT_EQ(Text(d, "Image"), "Images");
    EXPECT_EQ(Text(d, "ExitQuillmoth"), "Would you like to quit without save your work ?");
    EXPECT_EQ(Text(d, "msg_infos"), "Quillmoth is a painting and animation program.");
    // Messages whose keys no group defines have a text of their own.
    EXPECT_EQ(Text(d, "unable To create the content image"), "Unable to create the content image");
    EXPECT_EQ(Text(d, "no such key"), "");
    EXPECT_TRUE(d.count("no such key"));  // added on lookup
}

TEST(DocumentOps, AnimationLayerKindsAndRefusals) {
    Document doc;
    doc.Width = 8;
    doc.Height = 8;
    TiledImage a, b, c;
    ASSERT_TRUE(newDocument(doc, {a, b, c}));
    EXPECT_EQ(a.width, 8);
    EXPECT_EQ(c.height, 8);
    const char* names[] = {"Layer Objet1", "Layer BG1", "Camera 1", "Particule 1", "Light 1"};
    for (int kind = 1; kind <= 5; ++kind) {
        ASSERT_TRUE(addAnimationLayer(doc, kind));
        const AnimationLayer& layer = currentAnimationLayer(doc);
        EXPECT_EQ(layer.Name, names[kind - 1]);
        EXPECT_EQ(layer.Order, kind);
        EXPECT_EQ(layer.Kind, kind);
    }
    EXPECT_EQ(currentAnimationLayerKey(doc), "7");
    EXPECT_FALSE(addAnimationLayer(doc, 6));
    EXPECT_FALSE(addAnimationLayer(doc, -1));
    doc.AnimationLayerId = 255;
    EXPECT_FALSE(addAnimationLayer(doc, 0));  // the next key would wrap onto a used one

    // A document size no image may have: the reset fails and leaves no layer behind.
    doc.Width = -5;
    EXPECT_FALSE(newDocument(doc, {a, b, c}));
    EXPECT_TRUE(doc.layers.empty());
    EXPECT_EQ(currentImage(doc), nullptr);
}

TEST(DocumentOps, AddLayerSelectsTheNewTopLayer) {
    Document doc;
    doc.Width = 10;
    doc.Height = 6;
    ASSERT_TRUE(addLayer(doc, 1));
    ASSERT_TRUE(addLayer(doc, 1));
    ASSERT_EQ(doc.layers.size(), 2u);
    EXPECT_EQ(doc.layers[0].Selected, 0);
    EXPECT_EQ(doc.layers[1].Selected, 1);
    EXPECT_EQ(doc.layers[1].Name, "Layer2");
    EXPECT_EQ(doc.layers[1].Position, 2);
    EXPECT_EQ(currentImage(doc), &doc.layers[1].image);
}

}  // namespace qm::test

namespace qm::test {

// Without pref.ini the first stroke of a fresh start must leave paint: the paint colour takes
// the brush alpha at start-up.
TEST_F(ShellTest, FirstStrokeOfAFreshStartPaints) {
    EXPECT_EQ(alpha(app.brush.color), app.brush.alpha);
    canvas(CanvasEventType::LeftDown, 100, 100);
    canvas(CanvasEventType::Move, 160, 120, false, false, true);
    canvas(CanvasEventType::LeftUp, 160, 120);
    const Image layer = currentImage(app.doc)->toImage();
    bool painted = false;
    for (uint32_t p : layer.pixels) painted = painted || alpha(p) != 0;
    EXPECT_TRUE(painted);
}

}  // namespace qm::test

// ---- The pref.ini file, read and written through its key table ----

namespace qm::test {
namespace {

struct PrefsFile : ::testing::Test {
    TempFolder folder{"qm_prefs"};
    FakeUi ui;
    App app{ui};
};

// Values away from every default, so that a key that is not written or read shows.
void setUnusualValues(App& a) {
    Preferences& p = a.prefs;
    p.lang = "fra";
    p.grid = 0;
    p.gridW = 17;
    p.gridH = 19;
    p.gridColor = rgba(1, 2, 3, 4);
    p.brushdir = "inks";
    p.presetdir = "mine";
    p.brushPresetsavecolor = 1;
    p.AnimationLoop = 0;
    p.SpeedAnimation = 4;
    p.quality = 0;
    p.confirmExit = 0;
    p.autosave = 0;
    p.docWidth = 640;
    p.docHeight = 480;
    p.Undo = 20;
    p.ColorBG = rgb(9, 8, 7);
    p.ScreenRealTime = 1;
    p.AnimNewDrawing = 2;
    p.IconPath = "icons";
    a.doc.paper = "presets\\paper\\paper3.png";
    a.viewState.OnionBefore = 2;
    a.viewState.OnionAfter = 3;
    a.iface.Interface = 0;
    a.iface.animBarre = 1;
    BrushSettings& b = a.brush;
    b.size = 77;
    b.sizeX = 41;
    b.sizeY = 42;
    b.randSiz = 43;
    b.brushsizeRndfactor = 44;
    b.sizeFactorVsTime = 9;
    b.sizeVsTime = 450;
    b.gradientX = 0.35;
    b.gradientX2 = 1.0 / 3.0;
    b.gradientX3 = 0.9;
    b.alphaGradientX = 12;
    b.alphaGradientX2 = 13;
    b.alphaGradientX3 = 14;
    b.alpha = 201;
    b.type = 6;
    b.tool = 4;
    b.color = rgba(10, 20, 30, 201);  // alpha 201: a negative signed 32-bit number
    b.selectedColor = rgba(5, 5, 5, 5);
    b.rotate = 90;
    b.randRot = 180;
    b.scatter = 999;
    b.scatterLinkToSize = 0;
    b.brush = 11;
    b.group = "Wet";
    b.brushdir = "other";
    b.pas = 17;
    b.mixing = 30;
    b.visco = 500;
    b.viscosity = 8;
    b.water = 250;
    b.alphaFactorVsTime = 3;
    b.alphaVsTime = 600;
}

std::vector<std::string> lines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

TEST_F(PrefsFile, WrittenFileReadsBackButForTheFieldsItDoesNotHold) {
    setUnusualValues(app);
    std::string error;
    ASSERT_TRUE(writePreferencesFile(folder.file("pref.ini"), app, error)) << error;

    const auto written = lines(folder.file("pref.ini"));
    ASSERT_EQ(written.size(), 52u);
    EXPECT_EQ(written[0], "color = " + std::to_string(int32_t(rgba(10, 20, 30, 201))));
    EXPECT_EQ(written[1], "ColorBG = " + std::to_string(rgb(9, 8, 7)));
    EXPECT_EQ(written[2], "lang = fra");
    EXPECT_EQ(written[7], "brushdir = inks");  // from Preferences
    EXPECT_EQ(written[21], "gradientX = 0.35");
    EXPECT_EQ(written[41], "brushdir = other");  // from BrushSettings
    EXPECT_EQ(written[47], "Interface = 0");
    EXPECT_EQ(written[48], "Undo = 20");
    EXPECT_EQ(written[49], "ScreenRealTime = 1");
    EXPECT_EQ(written[50], "AnimNewDrawing = 2");
    EXPECT_EQ(written[51], "PressureCurve = 0,0 1,1");

    FakeUi otherUi;
    App back(otherUi);
    ASSERT_TRUE(readPreferencesFile(folder.file("pref.ini"), back));
    App expected(otherUi);
    setUnusualValues(expected);
    // Not in the file: their defaults come back.
    expected.prefs.presetdir = "presets\\brushPresets\\orrindal";
    expected.prefs.docWidth = 1024;
    expected.prefs.docHeight = 768;
    expected.iface.animBarre = 0;
    expected.prefs.IconPath = "Data\\ui\\icone\\";
    // "color" holds the paint colour; both "brushdir" reads find the first line.
    expected.brush.selectedColor = expected.brush.color;
    expected.brush.brushdir = "inks";

    const Preferences &p = back.prefs, &q = expected.prefs;
    EXPECT_EQ(std::tie(p.lang, p.grid, p.gridW, p.gridH, p.gridColor, p.brushdir, p.presetdir),
              std::tie(q.lang, q.grid, q.gridW, q.gridH, q.gridColor, q.brushdir, q.presetdir));
    EXPECT_EQ(std::tie(p.brushPresetsavecolor, p.AnimationLoop, p.SpeedAnimation, p.quality,
                       p.confirmExit, p.autosave, p.docWidth, p.docHeight),
              std::tie(q.brushPresetsavecolor, q.AnimationLoop, q.SpeedAnimation, q.quality,
                       q.confirmExit, q.autosave, q.docWidth, q.docHeight));
    EXPECT_EQ(std::tie(p.Undo, p.ColorBG, p.ScreenRealTime, p.IconPath, p.AnimNewDrawing),
              std::tie(q.Undo, q.ColorBG, q.ScreenRealTime, q.IconPath, q.AnimNewDrawing));
    EXPECT_EQ(std::tie(back.doc.paper, back.viewState.OnionBefore, back.viewState.OnionAfter),
              std::tie(expected.doc.paper, expected.viewState.OnionBefore,
                       expected.viewState.OnionAfter));
    EXPECT_EQ(std::tie(back.iface.Interface, back.iface.animBarre),
              std::tie(expected.iface.Interface, expected.iface.animBarre));
    const BrushSettings &b = back.brush, &c = expected.brush;
    EXPECT_EQ(std::tie(b.size, b.sizeX, b.sizeY, b.randSiz, b.brushsizeRndfactor,
                       b.sizeFactorVsTime, b.sizeVsTime, b.gradientX, b.gradientX2, b.gradientX3),
              std::tie(c.size, c.sizeX, c.sizeY, c.randSiz, c.brushsizeRndfactor,
                       c.sizeFactorVsTime, c.sizeVsTime, c.gradientX, c.gradientX2, c.gradientX3));
    EXPECT_EQ(std::tie(b.alphaGradientX, b.alphaGradientX2, b.alphaGradientX3, b.alpha, b.type,
                       b.tool, b.color, b.selectedColor, b.rotate, b.randRot),
              std::tie(c.alphaGradientX, c.alphaGradientX2, c.alphaGradientX3, c.alpha, c.type,
                       c.tool, c.color, c.selectedColor, c.rotate, c.randRot));
    EXPECT_EQ(
        std::tie(b.scatter, b.scatterLinkToSize, b.brush, b.group, b.brushdir, b.pas, b.mixing,
                 b.visco, b.viscosity, b.water, b.alphaFactorVsTime, b.alphaVsTime),
        std::tie(c.scatter, c.scatterLinkToSize, c.brush, c.group, c.brushdir, c.pas, c.mixing,
                 c.visco, c.viscosity, c.water, c.alphaFactorVsTime, c.alphaVsTime));
}

// A file without keys gives the values for absent keys; no file gives others, and leaves some
// fields as they are.
TEST_F(PrefsFile, EmptyFileAndNoFileDiffer) {
    folder.writeText("pref.ini", "; nothing\nunknown = 5\n");
    setUnusualValues(app);
    ASSERT_TRUE(readPreferencesFile(folder.file("pref.ini"), app));
    EXPECT_EQ(app.prefs.docWidth, 1024);
    EXPECT_EQ(app.prefs.docHeight, 768);
    EXPECT_EQ(app.brush.mixing, 0);
    EXPECT_EQ(app.prefs.gridColor, 0u);
    EXPECT_EQ(app.brush.selectedColor, 0u);
    EXPECT_EQ(app.brush.gradientX, 0.0);
    EXPECT_EQ(app.brush.alphaGradientX2, 128);
    EXPECT_EQ(app.brush.size, 20);
    EXPECT_EQ(app.brush.randRot, 360);
    EXPECT_EQ(app.prefs.ColorBG, rgb(150, 150, 150));
    EXPECT_EQ(app.doc.paper, "presets\\paper\\paper0.png");
    EXPECT_EQ(app.prefs.lang, "eng");

    setUnusualValues(app);
    EXPECT_FALSE(readPreferencesFile(folder.file("missing.ini"), app));
    EXPECT_EQ(app.prefs.lang, "fra") << "an unreadable file changes nothing";
    setNoFilePreferences(app);
    EXPECT_EQ(app.prefs.docWidth, 3000);
    EXPECT_EQ(app.prefs.docHeight, 3000);
    EXPECT_EQ(app.brush.mixing, 1);
    EXPECT_EQ(app.prefs.lang, "eng");
    EXPECT_EQ(app.brush.size, 20);
    // Unchanged without a file.
    EXPECT_EQ(app.prefs.gridColor, rgba(1, 2, 3, 4));
    EXPECT_EQ(app.brush.selectedColor, rgba(5, 5, 5, 5));
    EXPECT_EQ(app.brush.gradientX, 0.35);
    EXPECT_EQ(app.brush.scatter, 999);
    EXPECT_EQ(app.viewState.OnionBefore, 2);
    EXPECT_EQ(app.prefs.ScreenRealTime, 1);
}

// Hand-edited values: integers keep the low bits of their field's width and then stay within
// their field's range (a grid of 1..500, a rotation of 0..360, gradient stops of 0..1, the tip's
// proportions 0..100), and of two "brushdir" lines the first counts.
TEST_F(PrefsFile, HandEditedValues) {
    folder.writeText("pref.ini",
                     "gridW = 70000\nbrushalpha = -1\nbrushrotate = 99999999999999999999999\n"
                     "gradientX = 1e300\ngradientX2 = -1e300\ngradientX3 = nan\n"
                     "brushsizeX = 5000\nbrushsizeY = -4\ncolor = 0xFF0000FF\n"
                     "brushdir=  first\nbrushdir = second\ndocWidth = many\n");
    setUnusualValues(app);
    ASSERT_TRUE(readPreferencesFile(folder.file("pref.ini"), app));
    EXPECT_EQ(app.prefs.gridW, 500);  // 70000 - 65536 in 16 bits, beyond 500
    EXPECT_EQ(app.brush.alpha, 255);
    EXPECT_EQ(app.brush.rotate, 0);  // -1 in 16 bits
    EXPECT_EQ(app.brush.gradientX, 1.0);
    EXPECT_EQ(app.brush.gradientX2, 0.0);
    EXPECT_EQ(app.brush.gradientX3, 0.0);
    EXPECT_EQ(app.brush.sizeX, 100);
    EXPECT_EQ(app.brush.sizeY, 0);
    EXPECT_EQ(app.brush.color, 0xFF0000FFu);
    EXPECT_EQ(app.brush.selectedColor, 0xFF0000FFu);
    EXPECT_EQ(app.prefs.brushdir, "first");
    EXPECT_EQ(app.brush.brushdir, "first");
    EXPECT_EQ(app.prefs.docWidth, 1024);
}

TEST_F(PrefsFile, UnwritableFileIsReported) {
    std::string error;
    EXPECT_FALSE(writePreferencesFile(folder.file("no/such/folder/pref.ini"), app, error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace qm::test
