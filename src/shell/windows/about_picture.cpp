#include "shell/windows/about_picture.h"

#include <algorithm>

#include "raster/draw_image.h"
#include "raster/gradient.h"
#include "raster/shapes.h"

namespace qm {

namespace {

Paint opaque(uint32_t r, uint32_t g, uint32_t b) {
    return solidPaint(rgba(r, g, b, 255), DrawMode::AllChannels);
}

}  // namespace

Image drawProgramIcon() {
    constexpr int s = kProgramIconSide;
    constexpr int c = s / 2;
    Image icon = *createImage(s, s, 32);  // transparent
    // A dusk disc, lighter at its top.
    Image disc = *createImage(s, s, 32);
    drawGradientBox(disc, 0, 0, s, s,
                    linearGradient(0, 0, 0, s, rgba(250, 214, 140, 255), rgba(120, 70, 140, 255)));
    Image mask = *createImage(s, s, 32);
    fillCircle(mask, c, c, c - 1, opaque(255, 255, 255));
    drawImage(disc, mask, 0, 0, DrawMode::AlphaChannel, 255);
    drawImage(icon, disc, 0, 0, DrawMode::AllChannels, 255);

    // The moth: fore wings, hind wings, eye spots, body and feelers.
    fillEllipse(icon, c - 13, c - 4, 13, 10, opaque(96, 70, 52));
    fillEllipse(icon, c + 13, c - 4, 13, 10, opaque(96, 70, 52));
    fillEllipse(icon, c - 13, c - 4, 10, 7, opaque(176, 138, 98));
    fillEllipse(icon, c + 13, c - 4, 10, 7, opaque(176, 138, 98));
    fillEllipse(icon, c - 9, c + 10, 8, 7, opaque(120, 90, 66));
    fillEllipse(icon, c + 9, c + 10, 8, 7, opaque(120, 90, 66));
    fillCircle(icon, c - 14, c - 4, 3, opaque(240, 232, 210));
    fillCircle(icon, c + 14, c - 4, 3, opaque(240, 232, 210));
    fillCircle(icon, c - 14, c - 4, 1, opaque(40, 30, 30));
    fillCircle(icon, c + 14, c - 4, 1, opaque(40, 30, 30));
    fillEllipse(icon, c, c + 3, 3, 15, opaque(60, 42, 34));
    drawLine(icon, c - 1, c - 11, c - 9, c - 24, opaque(60, 42, 34));
    drawLine(icon, c + 1, c - 11, c + 9, c - 24, opaque(60, 42, 34));
    // A quill's nib under the body: the program paints.
    drawLine(icon, c, c + 18, c, c + 27, opaque(30, 30, 60));
    fillCircle(icon, c, c + 27, 2, opaque(30, 30, 60));
    return icon;
}

Image drawAboutHeader(const Image& icon, int width) {
    const int height = std::max(icon.height + 10, 90);
    Image header = *createImage(std::max(1, width), height, 32);
    fillBox(header, 0, 0, header.width, height,
            solidPaint(kAboutGrey | 0xFF000000u, DrawMode::AllChannels));
    // A thin band of the icon's dusk colours along the bottom edge.
    drawGradientBox(
        header, 0, height - 4, header.width, 4,
        linearGradient(0, 0, header.width, 0, rgba(250, 214, 140, 255), rgba(120, 70, 140, 255)));
    drawImage(header, icon, 5, 5, DrawMode::AlphaBlend, 255);
    return header;
}

}  // namespace qm
