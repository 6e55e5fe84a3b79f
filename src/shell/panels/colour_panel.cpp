#include "shell/panels/colour_panel.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <string>

#include "raster/image_ops.h"
#include "raster/shapes.h"
#include "shell/app.h"
#include "shell/ids.h"

namespace qm {

namespace {

// Alpha blending of one straight colour over an opaque pixel: a of 255 parts.
uint32_t over(uint32_t target, uint32_t source, uint32_t a) {
    const auto mix = [a](uint32_t s, uint32_t t) { return (s * a + t * (255 - a)) / 255; };
    return rgb(mix(red(source), red(target)), mix(green(source), green(target)),
               mix(blue(source), blue(target)));
}

constexpr uint32_t kWhite = 0xFFFFFFu;
constexpr int kSwatchPreviewSide = 30;

// The square with the pick point ringed: white inside, black outside, so it shows on any
// colour.
Image squareDisplay(const Image& square, int px, int py) {
    Image out = copyImage(square);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) {
            const double d = std::hypot(double(x - px), double(y - py));
            uint32_t& p = out.pixels[size_t(y) * out.width + x];
            if (std::abs(d - 8) < 0.6) p = rgba(255, 255, 255, 255);
            if (std::abs(d - 9) < 0.6) p = rgba(0, 0, 0, 255);
        }
    return out;
}

void showForegroundFields(App& app) {
    const uint32_t c = app.brush.selectedColor;
    app.ui.setGadgetText(121, std::to_string(red(c)));
    app.ui.setGadgetText(122, std::to_string(green(c)));
    app.ui.setGadgetText(123, std::to_string(blue(c)));
}

// The "Infos" tab: the foreground and background colours in numbers.
void showColourInfos(App& app) {
    const auto line = [](uint32_t c) {
        return "R :" + std::to_string(red(c)) + "/ G :" + std::to_string(green(c)) +
               "/ B :" + std::to_string(blue(c));
    };
    app.ui.setGadgetText(id(Gadget::InfoForeground), line(app.brush.selectedColor));
    app.ui.setGadgetText(id(Gadget::InfoBackground), line(app.iface.backgroundColor));
}

// The foreground swatch preview: a 30 x 30 image of the selected colour. Its alpha byte is not
// an opacity to show (it carries the wrap of the colour rules), so the swatch is opaque.
void showForegroundPreview(App& app) {
    if (auto swatch = createImage(kSwatchPreviewSide, kSwatchPreviewSide, 24)) {
        fillBox(*swatch, 0, 0, swatch->width, swatch->height,
                solidPaint(app.brush.selectedColor | 0xFF000000u, DrawMode::AllChannels));
        app.ui.setGadgetImage(id(Gadget::ColorForeground), *swatch);
        app.ui.setGadgetImage(id(Gadget::ColorSwatch), *swatch);  // the tool column's
    }
}

}  // namespace

Image colourStripImage() {
    Image img = *createImage(20, 256, 32);
    int r = 255, g = 0, b = 0, phase = 0;
    // Each phase moves one channel by 6 until it reaches its end, then hands over to the next.
    const auto step = [&](int& channel, int delta, int end) {
        channel += delta;
        if ((delta > 0 && channel > end) || (delta < 0 && channel < end)) {
            channel = end;
            ++phase;
        }
    };
    for (int y = 0; y < 256; ++y) {
        switch (phase) {
            case 0:
                step(g, 6, 255);
                break;
            case 1:
                step(r, -6, 0);
                break;
            case 2:
                step(b, 6, 255);
                break;
            case 3:
                step(g, -6, 0);
                break;
            case 4:
                step(r, 6, 255);
                break;
            case 5:
                step(b, -6, 0);
                break;
            default:
                break;
        }
        for (int x = 0; x < 20; ++x)
            img.pixels[size_t(y) * 20 + x] = rgba(uint32_t(r), uint32_t(g), uint32_t(b), 255);
    }
    return img;
}

Image colourSquareImage(uint32_t colour) {
    Image big = *createImage(256, 256, 24);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            uint32_t p = kWhite;
            p = over(p, kWhite, uint32_t(x));
            p = over(p, 0, uint32_t(y));
            p = over(p, colour & kWhite, uint32_t(x));
            p = over(p, 0, uint32_t(y));
            big.pixels[size_t(y) * 256 + x] = p;
        }
    return *resizeNearest(big, kSquareSide, kSquareSide);
}

void showColourSquare(App& app) {
    if (app.colourSquare55.empty()) app.colourSquare55 = colourSquareImage(app.brush.selectedColor);
    app.ui.setGadgetImage(id(Gadget::ColorSquare),
                          squareDisplay(app.colourSquare55, app.pickPointX, app.pickPointY));
    showForegroundFields(app);
    showColourInfos(app);
}

void keepColourSquareInStep(App& app) {
    const uint32_t colour = app.brush.selectedColor & kWhite;
    if (colour == app.pickerColour && !app.colourSquare55.empty()) return;
    app.pickerColour = colour;
    const int r = int(red(colour)), g = int(green(colour)), b = int(blue(colour));
    const int high = std::max({r, g, b}), low = std::min({r, g, b});
    if (high > low) {
        // The colour's hue at full strength, and the strip's row (of the 128 shown) nearest it.
        const auto stretch = [&](int c) { return (c - low) * 255 / (high - low); };
        const Image strip = colourStripImage();
        int bestRow = 0, bestDistance = INT32_MAX;
        for (int y = 0; y < 128; ++y) {
            const uint32_t p = strip.at(0, y * 2);
            const int d = std::abs(int(red(p)) - stretch(r)) +
                          std::abs(int(green(p)) - stretch(g)) +
                          std::abs(int(blue(p)) - stretch(b));
            if (d < bestDistance) bestDistance = d, bestRow = y;
        }
        app.colourSquare55 = colourSquareImage(strip.at(0, bestRow * 2));
    } else if (app.colourSquare55.empty()) {
        // A grey is on every square's left edge: the square of the strip's first hue serves.
        app.colourSquare55 = colourSquareImage(colourStripImage().at(0, 0));
    }
    // The pick point on the square's pixel nearest the colour.
    int bestDistance = INT32_MAX;
    for (int y = 0; y < app.colourSquare55.height; ++y)
        for (int x = 0; x < app.colourSquare55.width; ++x) {
            const uint32_t p = app.colourSquare55.at(x, y);
            const int d = std::abs(int(red(p)) - r) + std::abs(int(green(p)) - g) +
                          std::abs(int(blue(p)) - b);
            if (d < bestDistance) bestDistance = d, app.pickPointX = x, app.pickPointY = y;
        }
    showColourSquare(app);
}

void refreshBackgroundPreview(App& app) {
    auto preview = createImage(30, 30, 24);
    if (!preview) return;
    const uint32_t colour = app.iface.backgroundColor & kWhite;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x)
            preview->pixels[size_t(y) * 30 + x] =
                x >= 1 && x < 29 && y >= 1 && y < 29 ? colour : kWhite;
    app.ui.setGadgetImage(id(Gadget::ColorBackground), *preview);
    // The gradient's alpha bar shows the background colour's alpha.
    app.ui.setGadgetState(id(Gadget::GradientAlpha), int(app.iface.backgroundColor >> 24));
    showColourInfos(app);
}

void showColourPreviews(App& app) {
    showForegroundPreview(app);
    refreshBackgroundPreview(app);
}

void showSwatchPreviews(App& app) {
    showForegroundPreview(app);
    if (!app.iface.foregroundActive) refreshBackgroundPreview(app);
    keepColourSquareInStep(app);
}

}  // namespace qm
