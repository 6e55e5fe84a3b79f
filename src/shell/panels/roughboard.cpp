#include "shell/panels/roughboard.h"

#include <algorithm>

#include "codecs/codecs.h"
#include "platform/paths.h"
#include "raster/image_ops.h"
#include "shell/app.h"
#include "shell/ids.h"
#include "shell/panels/swatch.h"

namespace qm {

namespace {

constexpr uint32_t kWhite = 0xFFFFFFu;

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

}  // namespace qm
