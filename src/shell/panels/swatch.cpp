#include "shell/swatch.h"

#include <algorithm>

#include "document/document_ops.h"
#include "io/image_files.h"
#include "platform/paths.h"
#include "raster/draw_image.h"
#include "raster/image_ops.h"
#include "shell/app.h"
#include "shell/dictionary.h"
#include "shell/ids.h"
#include "shell/image_commands.h"
#include "shell/panels.h"

namespace qm {

namespace {

constexpr const char* kSheetPatterns =
    "JPG|*.jpg;*.jpeg;*.JPG;*.JPEG|PNG|*.png;*.PNG|BMP|*.bmp;*.BMP";
constexpr uint32_t kWhite = 0xFFFFFFu;

}  // namespace

std::string swatchFolder(const App& app) {
    return joinPath(app.workDir, "presets/swatches") + "/";
}

Image opaqueSheet(const Image& image) {
    if (image.depth == 24) {
        Image sheet = copyImage(image);
        for (uint32_t& p : sheet.pixels) p &= kWhite;
        return sheet;
    }
    Image sheet = *createImage(image.width, image.height, 24);
    std::fill(sheet.pixels.begin(), sheet.pixels.end(), kWhite | 0xFF000000u);
    drawImage(sheet, image, 0, 0, DrawMode::AlphaBlend, 255);
    for (uint32_t& p : sheet.pixels) p &= kWhite;
    return sheet;
}

std::optional<Image> askSheetImage(App& app, const std::string& title,
                                   const std::string& defaultPath) {
    const auto choice = app.ui.openFileRequester({title, defaultPath, kSheetPatterns, 0, false});
    if (!choice || choice->paths.empty() || choice->paths[0].empty()) return std::nullopt;
    const std::string& path = choice->paths[0];
    Dictionary& d = app.dictionary;
    std::string error;
    auto image = loadImageForDocument(path, error);
    if (!image) {
        app.ui.messageBox(Text(d, "error"),
                          Text(d, "Cannot load image:") + " " + path + "\n" + error);
        return std::nullopt;
    }
    if (image->width > kMaxSheetSide || image->height > kMaxSheetSide) {
        app.ui.messageBox(Text(d, "error"), Text(d, "Cannot load image:") + " " + path +
                                                "\nThe image is " + std::to_string(image->width) +
                                                " x " + std::to_string(image->height) +
                                                "; a sheet is at most " +
                                                std::to_string(kMaxSheetSide) + " pixels a side.");
        return std::nullopt;
    }
    return opaqueSheet(*image);
}

void showSwatch(App& app) {
    if (app.swatch53.empty()) app.swatch53 = defaultSwatchImage();
    app.ui.setGadgetImage(id(Gadget::Swatch), app.swatch53);
}

void newSwatch(App& app) {
    app.swatch53 = defaultSwatchImage();
    showSwatch(app);
    focusCanvas(app);
}

void openSwatch(App& app) {
    if (auto sheet = askSheetImage(app, Text(app.dictionary, "OpenSwatch"), swatchFolder(app))) {
        app.swatch53 = std::move(*sheet);
        showSwatch(app);
    }
    focusCanvas(app);
}

void saveSwatch(App& app) {
    saveImageWith(app, swatchFolder(app), [&app]() -> std::optional<Image> {
        if (app.swatch53.empty()) app.swatch53 = defaultSwatchImage();
        return copyImage(app.swatch53);
    });
    focusCanvas(app);
}

void swatchInput(App& app, const ControlEvent& e) {
    using T = ControlEventType;
    const bool left = e.type == T::LeftDown || (e.type == T::Move && e.leftHeld);
    const bool right = e.type == T::RightDown || (e.type == T::Move && e.rightHeld && !e.leftHeld);
    if ((!left && !right) || !app.swatch53.contains(e.x, e.y)) return;
    const uint32_t colour = app.swatch53.at(e.x, e.y) & kWhite;
    if (right) {
        app.iface.backgroundColor = colour | (app.iface.backgroundColor & 0xFF000000u);
        refreshBackgroundPreview(app);
        return;
    }
    setActiveSwatchColour(app, colour);
}

}  // namespace qm
