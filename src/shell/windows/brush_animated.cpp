#include "shell/windows/brush_animated.h"

#include <string>

#include "codecs/codecs.h"
#include "platform/paths.h"
#include "platform/ui.h"
#include "raster/draw_image.h"
#include "raster/image_ops.h"
#include "raster/shapes.h"
#include "shell/app.h"
#include "shell/ids.h"
#include "shell/settings/dictionary.h"
#include "shell/windows/window_list.h"

namespace qm {

namespace {

using K = ControlKind;

// The first image of the default animated-brush folder over a checkered ground, 80 x 80.
Image animatedBrushPreview(const App& app) {
    constexpr int kSide = 80;
    Image preview = *createImage(kSide, kSide, 32);
    fillBox(preview, 0, 0, kSide, kSide,
            solidPaint(rgba(125, 125, 125, 255), DrawMode::AllChannels));
    if (!app.paperImage10.empty())
        for (int j = 0; j < 3; ++j)
            for (int i = 0; i < 3; ++i)
                drawImage(preview, app.paperImage10, i * 64, j * 64, DrawMode::AlphaBlend, 255);
    std::string error;
    // A missing or unreadable image leaves the preview empty.
    if (auto image = loadImageFile(joinPath(app.workDir, "brush/brushAnim1/1.png"), error))
        if (auto scaled = resizeSmooth(*image, kSide, kSide))
            drawImage(preview, *scaled, 0, 0, DrawMode::AlphaBlend, 255);
    return preview;
}

// The folder button's picture: the layer panel's first button image, or a folder drawn here.
Image folderButtonImage(const App& app) {
    std::string error;
    if (auto image = loadImageFile(joinPath(app.workDir, "data/ui/layerbtn1.jpg"), error))
        return *image;
    Image folder = *createImage(16, 16, 32);
    fillBox(folder, 1, 3, 6, 3, solidPaint(rgba(200, 150, 50, 255), DrawMode::AllChannels));
    fillBox(folder, 1, 5, 14, 9, solidPaint(rgba(230, 180, 70, 255), DrawMode::AllChannels));
    return folder;
}

}  // namespace

void openBrushAnimated(App& app) {
    Dictionary& d = app.dictionary;
    auto spin = [](Gadget gadget, int y) {
        return ControlDescription{.id = id(gadget),
                                  .kind = K::Spin,
                                  .min = 1,
                                  .max = 100,
                                  .x = 130,
                                  .y = y,
                                  .width = 55,
                                  .height = 20,
                                  .value = 1};
    };
    auto rightLabel = [](Gadget gadget, std::string text, int y) {
        return ControlDescription{.id = id(gadget),
                                  .kind = K::Label,
                                  .caption = std::move(text),
                                  .x = 0,
                                  .y = y,
                                  .width = 100,
                                  .height = 20,
                                  .alignRight = true};
    };
    showDialog(app,
               {.number = id(Window::BrushAnimated),
                .title = Text(d, "Brush Animated"),
                .width = 400,
                .height = 300,
                .controls =
                    {
                        {.id = id(Gadget::AnimBrushPreview),
                         .kind = K::Image,
                         .x = 10,
                         .y = 10,
                         .width = 80,
                         .height = 80},
                        // The fields start a little further right than their labels' places
                        // would have them, so that the labels show whole.
                        {.id = id(Gadget::AnimBrushNameLabel),
                         .kind = K::Label,
                         .caption = Text(d, "Nom :"),
                         .x = 100,
                         .y = 10,
                         .width = 40,
                         .height = 20},
                        {.id = id(Gadget::AnimBrushName),
                         .kind = K::TextField,
                         .x = 140,
                         .y = 7,
                         .width = 140,
                         .height = 20},
                        {.id = id(Gadget::AnimBrushFolderLabel),
                         .kind = K::Label,
                         .caption = Text(d, "Directory :"),
                         .x = 100,
                         .y = 35,
                         .width = 72,
                         .height = 20},
                        {.id = id(Gadget::AnimBrushFolder),
                         .kind = K::TextField,
                         .caption = "brush\\brushAnim1\\",
                         .x = 172,
                         .y = 35,
                         .width = 108,
                         .height = 20},
                        {.id = id(Gadget::AnimBrushFolderButton),
                         .kind = K::ImageButton,
                         .x = 280,
                         .y = 35,
                         .width = 20,
                         .height = 20},
                        {.id = id(Gadget::AnimBrushPreviewAnim),
                         .kind = K::CheckBox,
                         .caption = Text(d, "Preview Anim"),
                         .x = 100,
                         .y = 55,
                         .width = 110,
                         .height = 20},
                        {.id = id(Gadget::AnimBrushRandom),
                         .kind = K::CheckBox,
                         .caption = Text(d, "Lecture Random"),
                         .x = 100,
                         .y = 75,
                         .width = 130,
                         .height = 20},
                        {.id = id(Gadget::AnimBrushProperties),
                         .kind = K::Frame,
                         .caption = Text(d, "Properties"),
                         .x = 10,
                         .y = 110,
                         .width = 300,
                         .height = 130},
                        rightLabel(Gadget::AnimBrushCountLabel, Text(d, "Nb of images :"), 135),
                        spin(Gadget::AnimBrushCount, 135),
                        rightLabel(Gadget::AnimBrushSpeedLabel, Text(d, "Speed :"), 165),
                        spin(Gadget::AnimBrushSpeed, 165),
                        {.id = id(Gadget::AnimBrushOk),
                         .kind = K::Button,
                         .caption = Text(d, "BtnOk"),
                         .x = 320,
                         .y = 20,
                         .width = 70,
                         .height = 25},
                        {.id = id(Gadget::AnimBrushCancel),
                         .kind = K::Button,
                         .caption = Text(d, "BtnCancel"),
                         .x = 320,
                         .y = 50,
                         .width = 70,
                         .height = 25},
                    },
                .modal = true});
    app.ui.setGadgetImage(id(Gadget::AnimBrushPreview), animatedBrushPreview(app));
    app.ui.setGadgetImage(id(Gadget::AnimBrushFolderButton), folderButtonImage(app));
}

bool handleBrushAnimatedControl(App& app, int gadget) {
    switch (static_cast<Gadget>(gadget)) {
        case Gadget::AnimBrushOk:
        case Gadget::AnimBrushCancel:
            closeWindow(app, id(Window::BrushAnimated));
            return true;
        default:
            // The window's other controls only show what they hold.
            return gadget >= id(Gadget::AnimBrushPreview) && gadget <= id(Gadget::AnimBrushCancel);
    }
}

}  // namespace qm
