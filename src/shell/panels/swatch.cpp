#include "shell/panels/swatch.h"

#include <algorithm>

#include "platform/paths.h"
#include "raster/draw_image.h"
#include "raster/image_ops.h"
#include "shell/app.h"
#include "shell/ids.h"

namespace qm {

namespace {

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

void showSwatch(App& app) {
    if (app.swatch53.empty()) app.swatch53 = defaultSwatchImage();
    app.ui.setGadgetImage(id(Gadget::Swatch), app.swatch53);
}

Image defaultSwatchImage() {
    Image img = *createImage(200, 200, 24);
    std::fill(img.pixels.begin(), img.pixels.end(), kWhite);
    for (int i = 0; i <= 16; ++i)
        for (int j = 0; j <= 16; ++j) {
            const uint32_t g = uint32_t(std::min(255, 15 * j));
            const uint32_t colour = rgb(uint32_t(std::min(255, 15 * i)), g, g);
            for (int y = 12 * j; y < std::min(200, 12 * j + 12); ++y)
                for (int x = 12 * i; x < std::min(200, 12 * i + 12); ++x)
                    img.pixels[size_t(y) * 200 + x] = colour;
        }
    for (int k = 0; k <= 20; ++k) {
        const int at = 12 * k;
        if (at >= 200) break;
        for (int t = 0; t < 200; ++t) {
            img.pixels[size_t(at) * 200 + t] = kWhite;
            img.pixels[size_t(t) * 200 + at] = kWhite;
        }
    }
    return img;
}

}  // namespace qm
