#include "shell/roughboard.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "codecs/codecs.h"
#include "platform/paths.h"
#include "raster/image_ops.h"
#include "raster/shapes.h"
#include "shell/app.h"
#include "shell/brush_commands.h"
#include "shell/dictionary.h"
#include "shell/file_commands.h"
#include "shell/ids.h"
#include "shell/image_commands.h"
#include "shell/panels.h"
#include "shell/swatch.h"

namespace qm {

namespace {

constexpr uint32_t kWhite = 0xFFFFFFu;

void dot(Image& sheet, int x, int y, uint32_t colour) {
    fillCircle(sheet, x, y, kRoughboardDotRadius, solidPaint(colour, DrawMode::AllChannels));
}

// Dots from the last point of the drag to (x, y), a dot radius apart at most.
void paintTo(App& app, int x, int y) {
    Image& sheet = app.roughboard54;
    // A 24-bit sheet keeps no alpha: the colour is written as red, green and blue alone.
    const uint32_t colour = app.brush.selectedColor & kWhite;
    const int x0 = app.roughboardLastX, y0 = app.roughboardLastY;
    if (x0 < 0 || y0 < 0) {
        dot(sheet, x, y, colour);
    } else {
        const int steps = std::max(1, std::max(std::abs(x - x0), std::abs(y - y0)) /
                                          std::max(1, kRoughboardDotRadius / 2));
        for (int i = 1; i <= steps; ++i)
            dot(sheet, x0 + (x - x0) * i / steps, y0 + (y - y0) * i / steps, colour);
    }
    app.roughboardLastX = x;
    app.roughboardLastY = y;
}

}  // namespace

Image blankRoughboard() {
    Image sheet = *createImage(kRoughboardWidth, kRoughboardHeight, 24);
    std::fill(sheet.pixels.begin(), sheet.pixels.end(), kWhite);
    return sheet;
}

void loadStartRoughboard(App& app) {
    std::string error;
    const auto image =
        loadImageFile(resolvePath(joinPath(app.workDir, "presets/swatches/rb.png")), error);
    app.roughboard54 = image && image->width <= kMaxSheetSide && image->height <= kMaxSheetSide
                           ? opaqueSheet(*image)
                           : blankRoughboard();
    showRoughboard(app);
}

void showRoughboard(App& app) {
    if (app.roughboard54.empty()) app.roughboard54 = blankRoughboard();
    app.ui.setGadgetImage(id(Gadget::Roughboard), app.roughboard54);
}

std::optional<Image> roughboardPicture(const App& app) {
    if (app.roughboard54.empty()) return blankRoughboard();
    return copyImage(app.roughboard54);
}

void roughboardInput(App& app, const ControlEvent& e) {
    using T = ControlEventType;
    if (app.roughboard54.empty()) app.roughboard54 = blankRoughboard();
    if (e.type == T::LeftDown) app.roughboardLastX = app.roughboardLastY = -1;
    if (e.type == T::LeftDown || (e.type == T::Move && e.leftHeld)) {
        // A point far off the sheet (a script may send any) paints as one just past its edge,
        // so the way there stays short.
        const int margin = 2 * kRoughboardDotRadius;
        paintTo(app, std::clamp(e.x, -margin, app.roughboard54.width + margin),
                std::clamp(e.y, -margin, app.roughboard54.height + margin));
        return showRoughboard(app);
    }
    if (e.type == T::RightDown || (e.type == T::Move && e.rightHeld)) {
        if (!app.roughboard54.contains(e.x, e.y)) return;
        // Colour changed gives the picked colour the brush's alpha.
        app.brush.selectedColor = app.roughboard54.at(e.x, e.y) & kWhite;
        colorChanged(app, false);
    }
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
