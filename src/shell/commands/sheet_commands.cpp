#include "shell/commands/sheet_commands.h"

#include "io/image_files.h"
#include "platform/paths.h"
#include "raster/image_ops.h"
#include "shell/app.h"
#include "shell/commands/image_commands.h"
#include "shell/panels/panels.h"
#include "shell/panels/roughboard.h"
#include "shell/panels/swatch.h"
#include "shell/settings/dictionary.h"

namespace qm {

namespace {

constexpr const char* kSheetPatterns =
    "JPG|*.jpg;*.jpeg;*.JPG;*.JPEG|PNG|*.png;*.PNG|BMP|*.bmp;*.BMP";

}  // namespace

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

// The roughboard's buttons. Each gives the focus back to the canvas, as file commands do.
void newRoughboard(App& app) {
    app.roughboard54 = blankRoughboard();
    showRoughboard(app);
    focusCanvas(app);
}

void openRoughboard(App& app) {
    if (auto sheet =
            askSheetImage(app, Text(app.dictionary, "LoadRB"), swatchFolder(app) + "rb.png")) {
        app.roughboard54 = std::move(*sheet);
        showRoughboard(app);
    }
    focusCanvas(app);
}

void saveRoughboard(App& app) {
    saveImageAs(app, 2);
}

}  // namespace qm
