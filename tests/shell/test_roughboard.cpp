// The roughboard, the swatch and the colour square kept in step with the foreground colour,
// through the App and the fake Ui.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>

#include "codecs/codecs.h"
#include "raster/image_ops.h"
#include "raster/shapes.h"
#include "shell/commands/animation_commands.h"
#include "shell/commands/brush_commands.h"
#include "shell/commands/sheet_commands.h"
#include "shell/panels/colour_panel.h"
#include "shell/panels/navigator.h"
#include "shell/panels/panels.h"
#include "shell/panels/roughboard.h"
#include "shell/panels/swatch.h"
#include "shell/panels/timeline.h"
#include "shell_fixture.h"
#include "support/temp_folder.h"

namespace qm::test {
namespace {

constexpr uint32_t kWhite = 0xFFFFFFu;

uint32_t rgbAt(const Image& img, int x, int y) {
    return img.at(x, y) & kWhite;
}

int distance(uint32_t a, uint32_t b) {
    return std::abs(int(red(a)) - int(red(b))) + std::abs(int(green(a)) - int(green(b))) +
           std::abs(int(blue(a)) - int(blue(b)));
}

// A started program whose working folder is a fresh one, with the presets it is given.
class SheetTest : public ShellTest {
protected:
    void SetUp() override {
        app.workDir = folder.str();
        prepare();
        ShellTest::SetUp();
    }
    virtual void prepare() {}

    void event(Gadget gadget, ControlEventType type, int x, int y, bool leftHeld = false,
               bool rightHeld = false) {
        ControlEvent e;
        e.gadget = id(gadget);
        e.type = type;
        e.x = x;
        e.y = y;
        e.leftHeld = leftHeld;
        e.rightHeld = rightHeld;
        onControlEvent(app, e);
    }
    void click(Gadget gadget) { event(gadget, ControlEventType::Click, 0, 0); }
    std::string png(const std::string& name, const Image& image) {
        std::string error;
        std::filesystem::create_directories(std::filesystem::path(folder.file(name)).parent_path());
        EXPECT_TRUE(savePngFile(image, folder.file(name), error)) << error;
        return folder.file(name);
    }
    const Image& shown(Gadget gadget) {
        const Image* image = ui.gadgetImage(id(gadget));
        EXPECT_NE(image, nullptr);
        static const Image none;
        return image ? *image : none;
    }
    void setForeground(uint32_t colour) {
        app.brush.selectedColor = colour | (uint32_t(app.brush.alpha) << 24);
    }

    TempFolder folder{"qm_test_roughboard"};
};

Image picture(int w, int h) {
    Image image = *createImage(w, h, 32);
    fillBox(image, 0, 0, w, h, solidPaint(rgba(10, 200, 30, 255), DrawMode::AllChannels));
    fillBox(image, 0, 0, 4, 4, solidPaint(0, DrawMode::AllChannels));  // transparent corner
    return image;
}

TEST_F(SheetTest, ColourPreviewsAreShownFromTheStart) {
    for (const Gadget g : {Gadget::ColorForeground, Gadget::ColorSwatch, Gadget::ColorBackground})
        EXPECT_EQ(shown(g).width, 30) << id(g);
    EXPECT_EQ(rgbAt(shown(Gadget::ColorForeground), 15, 15), app.brush.selectedColor & kWhite);
}

TEST_F(SheetTest, RoughboardStartsWhiteWithoutItsFile) {
    ASSERT_EQ(app.roughboard54.width, kRoughboardWidth);
    ASSERT_EQ(app.roughboard54.height, kRoughboardHeight);
    EXPECT_EQ(rgbAt(app.roughboard54, 70, 100), kWhite);
    EXPECT_EQ(shown(Gadget::Roughboard).width, kRoughboardWidth);
}

class StartRoughboard : public SheetTest {
    void prepare() override { png("presets/swatches/rb.png", picture(30, 20)); }
};

TEST_F(StartRoughboard, IsThePresetsSheetWithTransparencyOnWhite) {
    ASSERT_EQ(app.roughboard54.width, 30);
    ASSERT_EQ(app.roughboard54.height, 20);
    EXPECT_EQ(rgbAt(app.roughboard54, 10, 10), rgb(10, 200, 30));
    EXPECT_EQ(rgbAt(app.roughboard54, 1, 1), kWhite);
}

TEST_F(SheetTest, LeftButtonPaintsJoinedDotsRightButtonPicksAndTheDocumentIsUntouched) {
    const size_t steps = app.history.undoSteps();
    setForeground(rgb(200, 20, 40));
    event(Gadget::Roughboard, ControlEventType::LeftDown, 20, 20);
    EXPECT_EQ(rgbAt(app.roughboard54, 20, 20), rgb(200, 20, 40));
    EXPECT_EQ(rgbAt(app.roughboard54, 20 + kRoughboardDotRadius, 20), rgb(200, 20, 40));
    EXPECT_EQ(rgbAt(app.roughboard54, 20 + kRoughboardDotRadius + 2, 20), kWhite);
    // A quick drag far along: the stroke between stays unbroken.
    event(Gadget::Roughboard, ControlEventType::Move, 80, 20, true);
    for (int x = 20; x <= 80; ++x) EXPECT_EQ(rgbAt(app.roughboard54, x, 20), rgb(200, 20, 40));
    // A move without the button paints nothing; a new press does not join the last point.
    event(Gadget::Roughboard, ControlEventType::Move, 80, 100);
    event(Gadget::Roughboard, ControlEventType::LeftDown, 20, 100);
    EXPECT_EQ(rgbAt(app.roughboard54, 50, 100), kWhite);
    // Painting at the edge and beyond it is clipped, however far off the point.
    event(Gadget::Roughboard, ControlEventType::Move, -50, 400, true);
    event(Gadget::Roughboard, ControlEventType::Move, INT_MAX, INT_MIN, true);
    event(Gadget::Roughboard, ControlEventType::LeftDown, 100, 5);
    event(Gadget::Roughboard, ControlEventType::Move, INT_MAX, 5, true);
    EXPECT_EQ(rgbAt(app.roughboard54, kRoughboardWidth - 1, 5), rgb(200, 20, 40));
    EXPECT_EQ(shown(Gadget::Roughboard).pixels, app.roughboard54.pixels);

    setForeground(rgb(1, 2, 3));
    event(Gadget::Roughboard, ControlEventType::RightDown, 50, 20);
    EXPECT_EQ(app.brush.selectedColor & kWhite, rgb(200, 20, 40));
    event(Gadget::Roughboard, ControlEventType::Move, 100, 200, false, true);
    EXPECT_EQ(app.brush.selectedColor & kWhite, kWhite);
    event(Gadget::Roughboard, ControlEventType::RightDown, 5000, 20);  // outside: kept
    EXPECT_EQ(app.brush.selectedColor & kWhite, kWhite);

    EXPECT_EQ(app.history.undoSteps(), steps);
    EXPECT_FALSE(app.Modified);

    click(Gadget::NewRoughBoard);
    EXPECT_EQ(app.roughboard54.width, kRoughboardWidth);
    EXPECT_TRUE(std::all_of(app.roughboard54.pixels.begin(), app.roughboard54.pixels.end(),
                            [](uint32_t p) { return (p & kWhite) == kWhite; }));
    EXPECT_EQ(ui.focusedGadget(), id(Gadget::Canvas));
}

TEST_F(SheetTest, OpenRoughboardLoadsAFileAndABadOneLeavesTheSheet) {
    event(Gadget::Roughboard, ControlEventType::LeftDown, 20, 20);
    const Image before = copyImage(app.roughboard54);

    // The box speaks the dictionary's language: its title is the text of "error".
    app.dictionary["error"] = "Erreur";
    app.dictionary["Cannot load image:"] = "Impossible de lire l'image :";
    folder.writeText("broken.png", "not an image");
    ui.queueAnswer(ScriptedAnswer::filesAnswer({folder.file("broken.png")}));
    click(Gadget::OpenRoughBoard);
    ASSERT_EQ(ui.messageBoxes().size(), 1u);
    EXPECT_EQ(ui.messageBoxes()[0].rfind(
                  "Erreur|Impossible de lire l'image : " + folder.file("broken.png"), 0),
              0u)
        << ui.messageBoxes()[0];
    EXPECT_EQ(app.roughboard54.pixels, before.pixels);

    click(Gadget::OpenRoughBoard);  // cancelled: no message, nothing changes
    EXPECT_EQ(ui.messageBoxes().size(), 1u);
    EXPECT_EQ(app.roughboard54.pixels, before.pixels);

    ui.queueAnswer(ScriptedAnswer::filesAnswer({png("sheet.png", picture(300, 40))}));
    ui.clearCalls();
    click(Gadget::OpenRoughBoard);
    EXPECT_EQ(ui.calls().front().rfind("openFileRequester Load a Roughboard|" + folder.str() +
                                           "/presets/swatches/rb.png|JPG|",
                                       0),
              0u)
        << ui.calls().front();
    ASSERT_EQ(app.roughboard54.width, 300);
    EXPECT_EQ(rgbAt(app.roughboard54, 100, 30), rgb(10, 200, 30));
    EXPECT_EQ(rgbAt(app.roughboard54, 0, 0), kWhite);
    EXPECT_EQ(shown(Gadget::Roughboard).width, 300);
    EXPECT_EQ(ui.focusedGadget(), id(Gadget::Canvas));
}

TEST_F(SheetTest, SaveRoughboardWritesTheSheetAndAsksBeforeReplacing) {
    setForeground(rgb(0, 0, 250));
    event(Gadget::Roughboard, ControlEventType::LeftDown, 30, 30);

    ui.queueAnswer(ScriptedAnswer::filesAnswer({folder.file("rough")}, 0));
    ui.clearCalls();
    click(Gadget::SaveRoughBoard);
    EXPECT_EQ(ui.calls().front().rfind("saveFileRequester Save Image...|" + folder.str() +
                                           "/presets/swatches/|PNG Images|*.png|",
                                       0),
              0u)
        << ui.calls().front();
    std::string error;
    const auto saved = loadImageFile(folder.file("rough.png"), error);
    ASSERT_TRUE(saved) << error;
    ASSERT_EQ(saved->width, kRoughboardWidth);
    EXPECT_EQ(rgbAt(*saved, 30, 30), rgb(0, 0, 250));
    EXPECT_EQ(rgbAt(*saved, 100, 200), kWhite);
    EXPECT_EQ(alpha(saved->at(100, 200)), 255u);  // an opaque picture

    // Refusing to replace it leaves the file as it was.
    click(Gadget::NewRoughBoard);
    ui.queueAnswer(ScriptedAnswer::filesAnswer({folder.file("rough.png")}, 0));
    ui.queueAnswer(ScriptedAnswer::no());
    click(Gadget::SaveRoughBoard);
    EXPECT_EQ(rgbAt(*loadImageFile(folder.file("rough.png"), error), 30, 30), rgb(0, 0, 250));

    // The JPEG filter writes a JPEG whatever the typed name.
    ui.queueAnswer(ScriptedAnswer::filesAnswer({folder.file("rough.png")}, 1));
    click(Gadget::SaveRoughBoard);
    EXPECT_TRUE(std::filesystem::exists(folder.file("rough.png.jpg")));
    EXPECT_EQ(ui.focusedGadget(), id(Gadget::Canvas));
}

TEST_F(SheetTest, SwatchPicksIntoTheActiveColourAndOpensAndSaves) {
    // The default swatch: cell (3, 2) is red 45, green and blue 30.
    event(Gadget::Swatch, ControlEventType::LeftDown, 12 * 3 + 5, 12 * 2 + 5);
    EXPECT_EQ(app.brush.selectedColor & kWhite, rgb(45, 30, 30));
    EXPECT_EQ(ui.gadgetText(121), "45");
    // Dragging with the button held picks on the way.
    event(Gadget::Swatch, ControlEventType::Move, 12 * 5 + 5, 12 * 2 + 5, true);
    EXPECT_EQ(app.brush.selectedColor & kWhite, rgb(75, 30, 30));
    // The right button, or the background swatch active, gives the background colour.
    app.iface.backgroundColor = 0x40000000u;
    event(Gadget::Swatch, ControlEventType::RightDown, 12 * 1 + 5, 12 * 1 + 5);
    EXPECT_EQ(app.iface.backgroundColor, 0x40000000u | rgb(15, 15, 15));
    EXPECT_EQ(app.brush.selectedColor & kWhite, rgb(75, 30, 30));
    app.iface.foregroundActive = 0;
    event(Gadget::Swatch, ControlEventType::LeftDown, 12 * 2 + 5, 5);
    EXPECT_EQ(app.iface.backgroundColor, 0x40000000u | rgb(30, 0, 0));
    app.iface.foregroundActive = 1;
    event(Gadget::Swatch, ControlEventType::LeftDown, 500, 5);  // off the swatch: nothing
    EXPECT_EQ(app.brush.selectedColor & kWhite, rgb(75, 30, 30));

    ui.queueAnswer(ScriptedAnswer::filesAnswer({png("mine.png", picture(50, 60))}));
    click(Gadget::OpenSwatch);
    ASSERT_EQ(shown(Gadget::Swatch).width, 50);
    event(Gadget::Swatch, ControlEventType::LeftDown, 20, 20);
    EXPECT_EQ(app.brush.selectedColor & kWhite, rgb(10, 200, 30));

    ui.queueAnswer(ScriptedAnswer::filesAnswer({folder.file("saved.bmp")}, 2));
    click(Gadget::SaveSwatch);
    std::string error;
    const auto saved = loadImageFile(folder.file("saved.bmp"), error);
    ASSERT_TRUE(saved) << error;
    EXPECT_EQ(saved->width, 50);
    EXPECT_EQ(rgbAt(*saved, 20, 20), rgb(10, 200, 30));

    click(Gadget::NewSwatch);
    EXPECT_EQ(shown(Gadget::Swatch).pixels, defaultSwatchImage().pixels);
    EXPECT_EQ(ui.focusedGadget(), id(Gadget::Canvas));
}

// Each way of setting the foreground colour outside the picker leaves the square showing the
// colour's hue with the pick point on (nearly) that colour; the picker's own picks do not move
// it.
TEST_F(SheetTest, ColourSquareFollowsTheForegroundColourSetElsewhere) {
    struct Case {
        const char* how;
        uint32_t colour;
    };
    const Case cases[] = {{"requester", rgb(30, 160, 90)},
                          {"requester grey", rgb(128, 128, 128)},
                          {"swatch", rgb(45, 30, 30)},
                          {"roughboard", rgb(250, 200, 0)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        const std::string how = c.how;
        if (how.rfind("requester", 0) == 0) {
            ui.queueAnswer(ScriptedAnswer::colourAnswer(c.colour));
            click(Gadget::ColorForeground);
        } else if (how == "swatch") {
            event(Gadget::Swatch, ControlEventType::LeftDown, 12 * 3 + 5, 12 * 2 + 5);
        } else {
            fillBox(app.roughboard54, 0, 0, 10, 10, solidPaint(c.colour, DrawMode::AllChannels));
            event(Gadget::Roughboard, ControlEventType::RightDown, 5, 5);
        }
        ASSERT_EQ(app.brush.selectedColor & kWhite, c.colour);
        const Image& square = app.colourSquare55;
        EXPECT_LE(distance(rgbAt(square, app.pickPointX, app.pickPointY), c.colour), 12);
        // What the panel shows is that square, and the fields show the colour.
        EXPECT_EQ(ui.gadgetText(122), std::to_string(green(c.colour)));
    }

    // A pick on the square keeps the square and the point the user chose.
    const Image before = copyImage(app.colourSquare55);
    event(Gadget::ColorSquare, ControlEventType::LeftDown, 100, 40);
    EXPECT_EQ(app.colourSquare55.pixels, before.pixels);
    EXPECT_EQ(app.pickPointX, 100);
    EXPECT_EQ(app.pickPointY, 40);
}

}  // namespace
}  // namespace qm::test
