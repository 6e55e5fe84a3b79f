// The dialog windows as the shell describes them to the Ui: each opens from its menu or button
// with its controls and start values, takes its events within the controls' ranges, and closes
// on screen with the keyboard focus back on the canvas.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "shell/panels/brush_fields.h"
#include "shell/settings/dictionary.h"
#include "shell/shell_fixture.h"
#include "shell/windows/about_box.h"
#include "shell/windows/animation_options_dialog.h"
#include "shell/windows/brightness_dialog.h"
#include "shell/windows/brush_animated.h"
#include "shell/windows/brush_editor.h"
#include "shell/windows/dialog_controls.h"
#include "shell/windows/new_document_dialog.h"
#include "shell/windows/preferences_dialog.h"
#include "shell/windows/size_dialog.h"
#include "shell/windows/window_list.h"
#include "support/temp_folder.h"

namespace qm {
namespace {

class DialogsTest : public test::ShellTest {
protected:
    const ControlDescription* described(int window, Gadget gadget) const {
        const WindowDescription* shown = ui.shownWindow(window);
        if (!shown) return nullptr;
        for (const ControlDescription& c : shown->controls)
            if (c.id == id(gadget)) return &c;
        return nullptr;
    }
    // The texts of the window's fixed labels, the controls that are no gadgets.
    std::string fixedTexts(int window) const {
        std::string all;
        for (const ControlDescription& c : ui.shownWindow(window)->controls)
            if (c.id == 0) all += c.caption + "|";
        return all;
    }
    void click(Gadget gadget) { control(gadget, 0, ControlEventType::Click); }
    void fieldText(Gadget gadget, const std::string& text) {
        ui.setGadgetText(id(gadget), text);
        onControlEvent(app, {.gadget = id(gadget)});
    }
};

// Every window from its command: number, title, size and the start values of its controls.
// Closing it by its close box takes it off the screen, makes the main window active and gives
// the canvas the keyboard focus.
TEST_F(DialogsTest, EachWindowOpensFromItsCommandWithItsControlsAndCloses) {
    app.brush.size = 37;
    app.brush.sizeX = 80;
    app.brush.type = 2;
    app.brush.rotate = 45;
    app.brush.smoth = 1;
    app.prefs.SpeedAnimation = 3;
    app.doc.FrameTotal = 240;
    struct Case {
        const char* name;
        std::function<void()> open;
        Window window;
        const char* title;
        int width, height;
        std::function<void(int)> check;
    };
    const Case cases[] = {
        {"new document", [&] { menu(Cmd::New); }, Window::NewDocument, "New Document", 400, 300,
         [&](int n) {
             EXPECT_EQ(ui.gadgetText(id(Gadget::NewDocWidth)), "3000");
             EXPECT_EQ(ui.gadgetText(id(Gadget::NewDocHeight)), "3000");
             EXPECT_EQ(ui.gadgetText(id(Gadget::NewDocOk)), "Ok");
             EXPECT_TRUE(described(n, Gadget::NewDocWidth)->numeric);
             EXPECT_EQ(ui.gadgetText(id(Gadget::ImageDimension)), "Image Dimension");
         }},
        {"image size", [&] { menu(Cmd::ImageSize); }, Window::ImageSize, "Image Size", 400, 300,
         [&](int n) {
             EXPECT_EQ(ui.gadgetText(id(Gadget::ImageWidth)), "3000");
             EXPECT_EQ(ui.gadgetItems(id(Gadget::ImageQuality)),
                       (std::vector<std::string>{"Smooth mode", "Hard mode"}));
             EXPECT_EQ(ui.gadgetState(id(Gadget::ImageQuality)), 0);
             ASSERT_NE(described(n, Gadget::ConstraintProportion), nullptr);
             EXPECT_EQ(ui.gadgetState(id(Gadget::ConstraintProportion)), 0);
             EXPECT_EQ(ui.gadgetText(id(Gadget::ImageSizeCancel)), "Cancel");
         }},
        {"canvas size", [&] { menu(Cmd::CanvasSize); }, Window::ImageSize, "Canvas Size", 400, 300,
         [&](int n) {
             EXPECT_EQ(ui.gadgetText(id(Gadget::ImageHeight)), "3000");
             EXPECT_EQ(described(n, Gadget::ConstraintProportion), nullptr);
             EXPECT_EQ(described(n, Gadget::ImageQuality), nullptr);
         }},
        {"brightness", [&] { menu(Cmd::Brightness); }, Window::Brightness, "Brightness/Contrast",
         300, 200,
         [&](int n) {
             EXPECT_EQ(ui.gadgetState(id(Gadget::BrightnessTrack)), 150);
             const ControlDescription* bar = described(n, Gadget::BrightnessTrack);
             EXPECT_EQ(bar->kind, ControlKind::TrackBar);
             EXPECT_EQ(bar->max, 300);
             EXPECT_EQ(bar->width, 280);
             EXPECT_EQ(described(n, Gadget::BrightnessOk)->y, 160);
         }},
        {"animation settings", [&] { menu(Cmd::OpenAnimationWindow); }, Window::AnimationOptions,
         "Quillmoth", 400, 300,
         [&](int n) {
             EXPECT_EQ(ui.gadgetState(id(Gadget::Fps)), 12);
             EXPECT_EQ(ui.gadgetState(id(Gadget::FrameTotal)), 240);
             EXPECT_EQ(ui.gadgetState(id(Gadget::SpeedAnimation)), 3);
             EXPECT_EQ(described(n, Gadget::AnimationSettingsPanel)->items,
                       (std::vector<std::string>{"General", "Document"}));
             EXPECT_EQ(described(n, Gadget::Fps)->tooltip, "FPS");
             EXPECT_EQ(described(n, Gadget::FrameTotal)->tab, "Document");
         }},
        {"animation settings from the panel", [&] { click(Gadget::AnimationOptions); },
         Window::AnimationOptions, "Quillmoth", 400, 300,
         [&](int) { EXPECT_EQ(ui.gadgetState(id(Gadget::Fps)), 12); }},
        {"about", [&] { menu(Cmd::About); }, Window::About, "Quillmoth", 400, 500,
         [&](int n) {
             EXPECT_TRUE(ui.shownWindow(n)->modal);
             const Image* header = ui.gadgetImage(id(Gadget::AboutHeader));
             ASSERT_NE(header, nullptr);
             EXPECT_EQ(header->width, 380);
             EXPECT_EQ(header->pixels[size_t(header->width) * 80 + 300] & 0xFFFFFFu,
                       rgb(170, 170, 170));
             const std::string credits = ui.gadgetText(id(Gadget::AboutCredits));
             for (const char* name : {"Thanks To", "Quillmoth", "The Quillmoth developers", "Qt",
                                      "libpng", "libjpeg", "libtiff", "zlib"})
                 EXPECT_NE(credits.find(name), std::string::npos) << name;
             const std::string texts = fixedTexts(n);
             EXPECT_NE(texts.find("Developped By :|The Quillmoth developers|"), std::string::npos);
             EXPECT_NE(texts.find("Version :0.2987-Revision :426|"), std::string::npos);
             const size_t date = texts.find("Date :");
             ASSERT_NE(date, std::string::npos);
             const std::string day = texts.substr(date + 6, 11);  // "dd-mm-yyyy|"
             for (size_t i = 0; i < day.size(); ++i)
                 EXPECT_TRUE(i == 2 || i == 5 ? day[i] == '-'
                             : i == 10        ? day[i] == '|'
                                              : std::isdigit(static_cast<unsigned char>(day[i])))
                     << day;
             EXPECT_EQ(ui.gadgetText(id(Gadget::AboutOk)), "Ok");
         }},
        {"animated brush", [&] { menu(Cmd::BrushAnimated); }, Window::BrushAnimated,
         "Brush Animated", 400, 300,
         [&](int n) {
             EXPECT_TRUE(ui.shownWindow(n)->modal);
             const auto& controls = ui.shownWindow(n)->controls;
             ASSERT_EQ(controls.size(), 15u);
             for (size_t i = 0; i < controls.size(); ++i) EXPECT_EQ(controls[i].id, 223 + int(i));
             EXPECT_EQ(ui.gadgetText(id(Gadget::AnimBrushFolder)), "brush\\brushAnim1\\");
             EXPECT_EQ(ui.gadgetText(id(Gadget::AnimBrushName)), "");
             EXPECT_EQ(ui.gadgetText(id(Gadget::AnimBrushRandom)), "Lecture Random");
             EXPECT_TRUE(described(n, Gadget::AnimBrushSpeedLabel)->alignRight);
             // Without the first image: the grey ground only.
             const Image* preview = ui.gadgetImage(id(Gadget::AnimBrushPreview));
             ASSERT_NE(preview, nullptr);
             EXPECT_EQ(preview->width, 80);
             EXPECT_EQ(ui.gadgetText(id(Gadget::AnimBrushCancel)), "Cancel");
         }},
        {"brush editor", [&] { menu(Cmd::BrushEditor); }, Window::BrushEditor, "Brush Editor", 400,
         300,
         [&](int n) {
             EXPECT_TRUE(ui.shownWindow(n)->resizable);
             EXPECT_TRUE(ui.shownWindow(n)->onTop);
             EXPECT_EQ(described(n, Gadget::BrushEditorPanel)->items,
                       (std::vector<std::string>{"General", "Brush"}));
             EXPECT_EQ(ui.gadgetState(id(Gadget::EditorShape)), 2);
             EXPECT_EQ(ui.gadgetItems(id(Gadget::EditorShape)).size(), 7u);
             EXPECT_EQ(ui.gadgetState(id(Gadget::EditorSize)), 37);
             EXPECT_EQ(ui.gadgetState(id(Gadget::EditorWidth)), 80);
             EXPECT_EQ(ui.gadgetState(id(Gadget::EditorHeight)), 100);
             EXPECT_EQ(ui.gadgetState(id(Gadget::EditorRotation)), 45);
             EXPECT_EQ(ui.gadgetState(id(Gadget::EditorHard)), 1);
             ASSERT_NE(ui.gadgetImage(id(Gadget::EditorTipPreview)), nullptr);
             EXPECT_EQ(described(n, Gadget::EditorSize)->tab, "Brush");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int n = id(c.window);
        c.open();
        const WindowDescription* shown = ui.shownWindow(n);
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(shown->title, c.title);
        EXPECT_EQ(shown->width, c.width);
        EXPECT_EQ(shown->height, c.height);
        EXPECT_EQ(app.activeWindow, n);
        c.check(n);

        onCloseWindow(app, n);
        EXPECT_EQ(ui.shownWindow(n), nullptr);
        EXPECT_EQ(app.openWindows, std::vector<int>{0});
        EXPECT_EQ(app.activeWindow, 0);
        EXPECT_EQ(ui.focusedGadget(), id(Gadget::Canvas));
        EXPECT_FALSE(app.QuitRequested);
    }
}

// Texts with dictionary keys follow the language; the others are fixed.
TEST_F(DialogsTest, TitlesAndButtonsComeFromTheDictionary) {
    app.dictionary["NewDoc"] = "Nouveau document";
    app.dictionary["BtnOk"] = "D'accord";
    app.dictionary["BtnCancel"] = "Annuler";
    app.dictionary["Brightness"] = "Luminosité";
    menu(Cmd::New);
    EXPECT_EQ(ui.shownWindow(id(Window::NewDocument))->title, "Nouveau document");
    EXPECT_EQ(ui.gadgetText(id(Gadget::NewDocOk)), "D'accord");
    menu(Cmd::Brightness);
    EXPECT_EQ(ui.shownWindow(id(Window::Brightness))->title, "Luminosité");
    EXPECT_EQ(ui.gadgetText(id(Gadget::BrightnessOk)), "D'accord");
    menu(Cmd::BrushAnimated);
    EXPECT_EQ(ui.gadgetText(id(Gadget::AnimBrushCancel)), "Annuler");
    // Every caption of a dialog is the dictionary's, the body's too.
    app.dictionary["Image Size"] = "Taille de l'image";
    app.dictionary["Pixel Dimension"] = "Dimensions en pixels";
    menu(Cmd::ImageSize);
    EXPECT_EQ(ui.shownWindow(id(Window::ImageSize))->title, "Taille de l'image");
    EXPECT_EQ(ui.gadgetText(id(Gadget::ImageSizeOk)), "D'accord");
    EXPECT_EQ(ui.gadgetText(id(Gadget::ImageSizeCancel)), "Annuler");
    EXPECT_EQ(ui.gadgetText(id(Gadget::PixelDimension)), "Dimensions en pixels");
}

// Whatever state a script sends, the stored value stays within the control's range, and the
// control shows the value taken.
TEST_F(DialogsTest, FieldValuesStayWithinTheirRanges) {
    struct Case {
        Cmd open;
        Gadget gadget;
        int sent, kept;
        std::function<int()> stored;
    } cases[] = {
        {Cmd::OpenAnimationWindow, Gadget::Fps, 0, 1, [&] { return int(app.doc.Fps); }},
        {Cmd::OpenAnimationWindow, Gadget::Fps, 300, 48, [&] { return int(app.doc.Fps); }},
        // The field is 16 bits wide: 86400 frames would wrap to a negative count.
        {Cmd::OpenAnimationWindow, Gadget::FrameTotal, 86400, 32767,
         [&] { return int(app.doc.FrameTotal); }},
        {Cmd::OpenAnimationWindow, Gadget::FrameTotal, -5, 1,
         [&] { return int(app.doc.FrameTotal); }},
        {Cmd::OpenAnimationWindow, Gadget::SpeedAnimation, 9, 5,
         [&] { return int(app.prefs.SpeedAnimation); }},
        {Cmd::OpenAnimationWindow, Gadget::SpeedAnimation, 4, 4,
         [&] { return int(app.prefs.SpeedAnimation); }},
        {Cmd::ImageSize, Gadget::ImageQuality, 7, 1, [&] { return app.sizeDialogQuality; }},
        {Cmd::Brightness, Gadget::BrightnessTrack, 900, 300, [&] { return app.brightnessPreview; }},
        {Cmd::Brightness, Gadget::BrightnessTrack, -1, 0, [&] { return app.brightnessPreview; }},
        {Cmd::BrushEditor, Gadget::EditorShape, 99, 6, [&] { return int(app.brush.type); }},
        {Cmd::BrushEditor, Gadget::EditorSize, 0, 1, [&] { return int(app.brush.size); }},
        {Cmd::BrushEditor, Gadget::EditorSize, 70000, 5000, [&] { return int(app.brush.size); }},
        {Cmd::BrushEditor, Gadget::EditorWidth, 101, 100, [&] { return int(app.brush.sizeX); }},
        {Cmd::BrushEditor, Gadget::EditorRotation, -30, 0, [&] { return int(app.brush.rotate); }},
        {Cmd::BrushEditor, Gadget::EditorHard, 5, 1, [&] { return int(app.brush.smoth); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(id(c.gadget)) + " " + std::to_string(c.sent));
        menu(c.open);
        control(c.gadget, c.sent);
        EXPECT_EQ(c.stored(), c.kept);
        EXPECT_EQ(ui.gadgetState(id(c.gadget)), c.kept);
    }
}

// A control of a window that is not open does not exist: its events change nothing.
TEST_F(DialogsTest, EventsOfClosedWindowsChangeNothing) {
    control(Gadget::Fps, 30);
    EXPECT_EQ(app.doc.Fps, 12);
    click(Gadget::NewDocOk);
    click(Gadget::ImageSizeOk);
    EXPECT_TRUE(ui.messageBoxes().empty());
    EXPECT_EQ(app.doc.Width, 3000);
    menu(Cmd::OpenAnimationWindow);
    onCloseWindow(app, id(Window::AnimationOptions));
    control(Gadget::Fps, 30);
    EXPECT_EQ(app.doc.Fps, 12);
}

TEST_F(DialogsTest, SizeDialogResizesOnOkAndCancelKeepsTheDocument) {
    menu(Cmd::New);
    fieldText(Gadget::NewDocWidth, "64");
    fieldText(Gadget::NewDocHeight, "48");
    click(Gadget::NewDocOk);
    EXPECT_TRUE(ui.shownWindows().empty());

    menu(Cmd::ImageSize);
    fieldText(Gadget::ImageWidth, "32");
    click(Gadget::ImageSizeCancel);
    EXPECT_EQ(app.doc.Width, 64);
    EXPECT_TRUE(ui.shownWindows().empty());

    menu(Cmd::CanvasSize);
    fieldText(Gadget::ImageWidth, "80");
    fieldText(Gadget::ImageHeight, "");  // no number: the height stays
    click(Gadget::ImageSizeOk);
    EXPECT_EQ(app.doc.Width, 80);
    EXPECT_EQ(app.doc.Height, 48);
    EXPECT_EQ(app.doc.layers[0].image.width, 80);
    EXPECT_TRUE(ui.shownWindows().empty());
    EXPECT_EQ(ui.focusedGadget(), id(Gadget::Canvas));
}

// The image size scales the picture when it shrinks as when it grows; with "Constraint
// proportion" ticked, the side not typed follows in the document's proportions; Undo gives the
// size back, status bar included.
TEST_F(DialogsTest, ImageSizeScalesThePictureAndKeepsProportionsWhenAsked) {
    newDocument("64", "48");
    TiledImage& image = currentLayer(app.doc)->image;
    for (int y = 20; y < 24; ++y)
        for (int x = 40; x < 44; ++x) image.at(x, y) = rgba(255, 0, 0, 255);
    menu(Cmd::ImageSize);
    control(Gadget::ConstraintProportion, 1);
    fieldText(Gadget::ImageWidth, "32");
    EXPECT_EQ(ui.gadgetText(id(Gadget::ImageHeight)), "24");
    control(Gadget::ImageQuality, 1);  // "Hard mode": whole pixels
    click(Gadget::ImageSizeOk);
    const Layer& layer = *currentLayer(app.doc);
    EXPECT_EQ(app.doc.Width, 32);
    EXPECT_EQ(app.doc.Height, 24);
    EXPECT_EQ(layer.image.width, 32);  // nothing hangs off the document
    EXPECT_EQ(layer.image.height, 24);
    EXPECT_EQ(layer.image.at(20, 10), rgba(255, 0, 0, 255));
    EXPECT_EQ(layer.image.at(21, 11), rgba(255, 0, 0, 255));
    EXPECT_EQ(layer.image.at(19, 10), 0u);
    EXPECT_EQ(ui.statusText(1), "Doc : 32/24");

    menu(Cmd::ImageSize);
    control(Gadget::ConstraintProportion, 1);
    fieldText(Gadget::ImageHeight, "96");
    EXPECT_EQ(ui.gadgetText(id(Gadget::ImageWidth)), "128");
    control(Gadget::ConstraintProportion, 0);  // each side on its own again
    fieldText(Gadget::ImageWidth, "50");
    EXPECT_EQ(ui.gadgetText(id(Gadget::ImageHeight)), "96");
    fieldText(Gadget::ImageWidth, "64");
    control(Gadget::ConstraintProportion, 1);  // ticked: the height follows the width
    EXPECT_EQ(ui.gadgetText(id(Gadget::ImageHeight)), "48");
    click(Gadget::ImageSizeCancel);

    menu(Cmd::Undo);
    EXPECT_EQ(app.doc.Width, 64);
    EXPECT_EQ(currentLayer(app.doc)->image.at(40, 20), rgba(255, 0, 0, 255));
    EXPECT_EQ(ui.statusText(1), "Doc : 64/48");
}

// An invalid size keeps the dialog on screen with what was typed.
TEST_F(DialogsTest, NewDocumentWithABadSizeStaysOpen) {
    menu(Cmd::New);
    fieldText(Gadget::NewDocWidth, "0");
    click(Gadget::NewDocOk);
    EXPECT_EQ(ui.messageBoxes().back(), "Error|The width and the Height should be > 0");
    EXPECT_NE(ui.shownWindow(id(Window::NewDocument)), nullptr);
    EXPECT_EQ(ui.gadgetText(id(Gadget::NewDocHeight)), "3000");
}

// The brightness preview is taken back when the window closes without OK, not after OK.
TEST_F(DialogsTest, BrightnessPreviewIsTakenBackOnlyWithoutOk) {
    menu(Cmd::Brightness);
    control(Gadget::BrightnessTrack, 200);
    EXPECT_EQ(app.brightnessPreview, 200);
    onCloseWindow(app, id(Window::Brightness));
    EXPECT_EQ(app.brightnessPreview, 150);

    menu(Cmd::Brightness);
    control(Gadget::BrightnessTrack, 90);
    click(Gadget::BrightnessOk);
    EXPECT_EQ(app.brightnessPreview, 150);
    EXPECT_EQ(ui.shownWindow(id(Window::Brightness)), nullptr);
    EXPECT_EQ(ui.focusedGadget(), id(Gadget::Canvas));
}

// The editor and the tool-options panel show the same BrushSettings fields: a change in one
// shows in the other, and the editor's tip preview follows.
TEST_F(DialogsTest, BrushEditorAndPanelStayInStep) {
    menu(Cmd::BrushEditor);
    control(Gadget::EditorShape, 1);  // a box
    const Image box = *ui.gadgetImage(id(Gadget::EditorTipPreview));
    control(Gadget::EditorShape, 2);  // an ellipse
    EXPECT_EQ(app.brush.type, 2);
    EXPECT_EQ(ui.gadgetState(id(Gadget::BrushType)), 2);
    EXPECT_FALSE(ui.gadgetImage(id(Gadget::EditorTipPreview))->pixels == box.pixels);

    control(Gadget::EditorSize, 64);
    EXPECT_EQ(app.brush.size, 64);
    EXPECT_EQ(ui.gadgetState(id(Gadget::BrushSize)), 64);
    EXPECT_EQ(ui.gadgetState(id(Gadget::BrushSizeTrack)), 64);
    control(Gadget::EditorHeight, 50);
    EXPECT_EQ(ui.gadgetState(id(Gadget::BrushHeight)), 50);

    control(Gadget::BrushSize, 33);
    EXPECT_EQ(ui.gadgetState(id(Gadget::EditorSize)), 33);
    control(Gadget::Rotation, 90);
    EXPECT_EQ(ui.gadgetState(id(Gadget::EditorRotation)), 90);
    control(Gadget::Hard, 1);
    EXPECT_EQ(ui.gadgetState(id(Gadget::EditorHard)), 1);
    keyPress(0xDD);  // the size key: 33 grows by 2
    EXPECT_EQ(ui.gadgetState(id(Gadget::EditorSize)), 35);

    // Closed, the editor is left alone.
    onCloseWindow(app, id(Window::BrushEditor));
    control(Gadget::BrushSize, 12);
    EXPECT_EQ(ui.gadgetState(id(Gadget::EditorSize)), 0);
}

TEST_F(DialogsTest, AboutAndAnimatedBrushCloseByTheirButtons) {
    for (const auto& [open, button, window] :
         {std::tuple{Cmd::About, Gadget::AboutOk, Window::About},
          std::tuple{Cmd::BrushAnimated, Gadget::AnimBrushOk, Window::BrushAnimated},
          std::tuple{Cmd::BrushAnimated, Gadget::AnimBrushCancel, Window::BrushAnimated}}) {
        menu(open);
        const BrushSettings before = app.brush;
        control(Gadget::AnimBrushSpeed, 7);  // shown only, like every field of that window
        click(button);
        EXPECT_EQ(ui.shownWindow(id(window)), nullptr);
        EXPECT_EQ(app.openWindows, std::vector<int>{0});
        EXPECT_EQ(app.brush.size, before.size);
    }
}

// The export window writes each format from the frames the playback range names, and stays
// open (with a message) when the export cannot be made.
TEST_F(DialogsTest, ExportWindowWritesEachFormat) {
    test::TempFolder files;
    app.viewState.FrameStart = 1;
    app.viewState.FrameEnd = 3;
    const char* names[] = {"a.gif", "a.png", "a.webp", "a.mp4", "a.webm"};
    for (int format = 0; format < 5; ++format) {
        SCOPED_TRACE(names[format]);
        menu(Cmd::ExportAnimationAsVideo);
        ASSERT_NE(ui.shownWindow(id(Window::Export)), nullptr);
        EXPECT_EQ(described(id(Window::Export), Gadget::ExportLastFrame)->value, 3);
        control(Gadget::ExportFormat, format);
        control(Gadget::ExportScale, 50);
        ui.queueAnswer(ScriptedAnswer::filesAnswer({files.file(names[format])}));
        const size_t said = ui.messageBoxes().size();
        click(Gadget::ExportOk);
        EXPECT_EQ(ui.messageBoxes().size(), said)
            << (ui.messageBoxes().empty() ? "" : ui.messageBoxes().back());
        EXPECT_EQ(ui.shownWindow(id(Window::Export)), nullptr);
        EXPECT_TRUE(std::filesystem::exists(files.file(names[format])) &&
                    std::filesystem::file_size(files.file(names[format])) > 0);
    }
    // A scale beyond the range is brought back; a folder that does not exist is said.
    menu(Cmd::ExportAnimationAsVideo);
    control(Gadget::ExportScale, 5000);
    EXPECT_EQ(ui.gadgetState(id(Gadget::ExportScale)), 1000);
    const size_t boxes = ui.messageBoxes().size();
    ui.queueAnswer(ScriptedAnswer::filesAnswer({files.file("none/a.gif")}));
    click(Gadget::ExportOk);
    EXPECT_EQ(ui.messageBoxes().size(), boxes + 1);
    EXPECT_NE(ui.shownWindow(id(Window::Export)), nullptr);
    click(Gadget::ExportCancel);
    EXPECT_EQ(ui.shownWindow(id(Window::Export)), nullptr);
}

}  // namespace
}  // namespace qm
