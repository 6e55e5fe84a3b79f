// The About box (window 9): the header picture with the program's name, makers, version and
// date laid on it, the credits below in a scroll area, and an OK button. It takes all input
// until it closes, by OK or by its close box.
#include "shell/windows/about_box.h"

#include <ctime>
#include <string>

#include "codecs/codecs.h"
#include "platform/paths.h"
#include "shell/app.h"
#include "shell/ids.h"
#include "shell/settings/dictionary.h"
#include "shell/windows/about_picture.h"
#include "shell/windows/window_list.h"

namespace qm {

namespace {

using K = ControlKind;

constexpr const char* kMakers = "The Quillmoth developers";

// Today as "dd-mm-yyyy".
std::string today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%d-%m-%Y", &local);
    return text;
}

std::string credits(const App& app) {
    return "Thanks To\n\n" + app.prefs.programName + " is made by " + kMakers +
           ",\nwith the work of the makers of:\n\n"
           "Qt, the toolkit of its windows\n"
           "libpng, which reads and writes PNG images\n"
           "libjpeg, which reads and writes JPEG images\n"
           "libtiff, which reads TIFF images\n"
           "zlib, the compression under PNG and TIFF\n"
           "libdeflate, giflib, libwebp, libzip and FFmpeg's libraries,\n"
           "which write PNG, GIF, WebP, OpenRaster and video files\n\n"
           "Copyright (C) The Quillmoth developers.\n"
           "Free software under the GNU General Public License,\n"
           "version 3 or any later version (see LICENSE).\n";
}

// The icon file of the icon folder when there is one, else the icon drawn here.
Image programIcon(const App& app) {
    std::string error;
    if (auto icon = loadImageFile(joinPath(app.workDir, app.prefs.IconPath + "paint.png"), error))
        if (icon->width <= 128 && icon->height <= 128) return *icon;
    return drawProgramIcon();
}

}  // namespace

void openAboutDialog(App& app) {
    constexpr int kMargin = 10, kInner = 380, kWindowHeight = 500;
    const Image icon = programIcon(app);
    const Image header = drawAboutHeader(icon, kInner);
    const int textX = kMargin + 5 + icon.width + 10;  // beside the icon
    const int scrollTop = kMargin + header.height + kMargin;
    auto line = [&](std::string text, int x, int y, int width, int size, bool bold) {
        return ControlDescription{.kind = K::Label,
                                  .caption = std::move(text),
                                  .x = x,
                                  .y = y,
                                  .width = width,
                                  .height = 22,
                                  .fontSize = size,
                                  .bold = bold};
    };
    Dictionary& d = app.dictionary;
    const std::string version =
        Text(d, "Version :") + app.prefs.version + Text(d, "-Revision :") + app.prefs.revision;
    showDialog(app, {.number = id(Window::About),
                     .title = app.prefs.programName,
                     .width = 400,
                     .height = kWindowHeight,
                     .controls =
                         {
                             {.id = id(Gadget::AboutHeader),
                              .kind = K::Image,
                              .x = kMargin,
                              .y = kMargin,
                              .width = kInner,
                              .height = header.height},
                             line(app.prefs.programName, textX, kMargin + 4, 250, 16, true),
                             line(Text(d, "Developped By :"), textX, kMargin + 30, 95, 9, false),
                             line(kMakers, textX + 95, kMargin + 30, 390 - textX - 95, 10, true),
                             line(version, textX, kMargin + 50, 250, 8, false),
                             line(Text(d, "Date :") + today(), textX, kMargin + 66, 250, 8, false),
                             {.id = id(Gadget::AboutScroll),
                              .kind = K::ScrollArea,
                              .x = kMargin,
                              .y = scrollTop,
                              .width = kInner,
                              .height = kWindowHeight - scrollTop - 45,
                              .background = kAboutGrey},
                             {.id = id(Gadget::AboutCredits),
                              .kind = K::Label,
                              .caption = credits(app),
                              .container = id(Gadget::AboutScroll),
                              .background = kAboutGrey},
                             {.id = id(Gadget::AboutOk),
                              .kind = K::Button,
                              .caption = Text(d, "BtnOk"),
                              .x = 170,
                              .y = kWindowHeight - 32,
                              .width = 60,
                              .height = 20},
                         },
                     .modal = true});
    app.ui.setGadgetImage(id(Gadget::AboutHeader), header);
}

bool handleAboutControl(App& app, int gadget) {
    switch (static_cast<Gadget>(gadget)) {
        case Gadget::AboutOk:
            closeWindow(app, id(Window::About));
            return true;
        case Gadget::AboutHeader:
        case Gadget::AboutCredits:
        case Gadget::AboutScroll:
            return true;
        default:
            return false;
    }
}

}  // namespace qm
