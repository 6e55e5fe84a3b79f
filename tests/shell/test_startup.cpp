// The fresh program: the default document, the start values and the tables it is built from.
#include <set>

#include "document/document_ops.h"
#include "shell/dictionary.h"
#include "shell/menu_table.h"
#include "shell_fixture.h"

namespace qm::test {

TEST_F(ShellTest, FreshDocumentHasOneLayerAndOneAnimationLayer) {
    const Document& doc = app.doc;
    EXPECT_EQ(doc.Width, 3000);
    EXPECT_EQ(doc.Height, 3000);
    EXPECT_EQ(doc.Zoom, 100);
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
    EXPECT_EQ(doc.FrameEnd, 120);
    EXPECT_EQ(doc.Fps, 12);
}

TEST_F(ShellTest, StartValuesTitleStatusAndView) {
    EXPECT_EQ(ui.windowTitle(), "Quillmoth 0.2987 [Untitled]");
    EXPECT_EQ(ui.statusText(0), "Zoom : 100 %");
    EXPECT_EQ(ui.statusText(1), "Doc : 3000/3000");
    EXPECT_EQ(app.CurrentTool, code(Tool::Brush));
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
    EXPECT_EQ(Text(d, "unable To create the content image"), "");
    EXPECT_TRUE(d.count("unable To create the content image"));  // added on lookup
}

TEST(DocumentOps, AnimationLayerKindsAndRefusals) {
    Document doc;
    doc.Width = 8;
    doc.Height = 8;
    Image a, b, c;
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
    doc.Zoom = 50;
    ASSERT_TRUE(addLayer(doc));
    ASSERT_TRUE(addLayer(doc));
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
    const Image& layer = *currentImage(app.doc);
    bool painted = false;
    for (uint32_t p : layer.pixels) painted = painted || alpha(p) != 0;
    EXPECT_TRUE(painted);
}

}  // namespace qm::test
