#include "brush/brush_tip.h"

#include <algorithm>
#include <optional>

#include "codecs/codecs.h"
#include "platform/paths.h"
#include "raster/draw_image.h"
#include "raster/gradient.h"
#include "raster/image_ops.h"
#include "raster/shapes.h"

namespace qm {

namespace {

enum TipType : uint8_t {
    kCircleHard = 0,
    kBox = 1,
    kEllipse = 2,
    kCustomBrush = 3,
    kCircleShine = 4,
    kCircleSoft = 5,
    kCircleCustom = 6,
};

constexpr uint32_t kRgbMask = 0x00FFFFFFu;
constexpr int kPreviewSide = 60;

bool tipSizeAllowed(int64_t w, int64_t h) {
    return imageSizeAllowed(w, h) && w * h <= kMaxTipPixels;
}

// A transparent w x h tip, or nothing for a size the tip may not have.
std::optional<Image> blankTip(int64_t w, int64_t h) {
    if (!tipSizeAllowed(w, h)) return std::nullopt;
    return createImage(int(w), int(h), 32);
}

uint32_t withAlpha(uint32_t color, uint8_t a) {
    return (color & kRgbMask) | (uint32_t(a) << 24);
}

// Steps 3.1 to 3.4 of the rebuild for the Custom Brush: the tip file, resized to the tip extent
// and recoloured. A file that cannot be read leaves no source, so the brush paints nothing: the
// previous source is already resized and recoloured, and recolouring it again would fade it a
// little more with every rebuild.
void prepareTipSource(BrushTip& tip, const BrushSettings& b, std::string_view workDir,
                      std::string_view folder) {
    const std::string path = tipFilePath(workDir, folder, b.brush);
    std::string error;
    std::optional<Image> loaded;
    if (!path.empty()) loaded = loadImageFile(path, error);
    if (loaded && tipSizeAllowed(tip.tipWidth, tip.tipHeight))
        loaded = b.smoth == 0 ? resizeSmooth(*loaded, tip.tipWidth, tip.tipHeight)
                              : resizeNearest(*loaded, tip.tipWidth, tip.tipHeight);
    else
        loaded.reset();
    tip.source = loaded ? std::move(*loaded) : Image{};
    recolorTip(tip.source, b.color, b.alpha);
}

// Step 4.2: the shape of `type` in the paint colour over the transparent tip. The shapes are
// drawn at `size` scale whatever sizeX and sizeY say; the painter applies those per dab.
void drawShape(BrushTip& tip, const BrushSettings& b) {
    Image& target = tip.documentTip;
    const int s = b.size;
    const uint32_t color = b.color;
    switch (b.type) {
        case kCircleHard:
            fillCircle(target, s / 2, s / 2, s / 2 - 1, solidPaint(color));
            break;
        case kBox:
            fillBox(target, 0, 0, s, s, solidPaint(color));
            break;
        case kEllipse:
            fillEllipse(target, s / 2, s / 2, s / 2, s / 4, solidPaint(color));
            break;
        case kCustomBrush:
            if (tip.tipWidth >= 1 && tip.tipHeight >= 1 && !tip.source.empty())
                drawImage(target, tip.source, 0, 0, DrawMode::AlphaBlend, 255);
            break;
        case kCircleShine: {
            // A highlight off the centre fading to transparent black: the shine of a sphere.
            const Gradient g = ellipticalGradient(s / 3, s / 3, s, s, color, 0);
            fillCircle(target, s / 2, s / 2, s / 2 - 1, gradientPaint(g, DrawMode::AllChannels));
            break;
        }
        case kCircleSoft: {
            const Gradient g =
                ellipticalGradient(s / 2, s / 2, s / 2, s / 2, color, color & kRgbMask);
            fillCircle(target, s / 2, s / 2, s / 2 - 1, gradientPaint(g, DrawMode::AllChannels));
            break;
        }
        case kCircleCustom: {
            // The stops go in this order (first, third, second): at a shared position the later
            // one wins, which is how the panel's three stops have always combined.
            Gradient g =
                ellipticalGradient(s / 2, s / 2, s - 1, s - 1, withAlpha(color, b.alphaGradientX),
                                   withAlpha(color, b.alpha));
            g.stops = {{b.gradientX, withAlpha(color, b.alphaGradientX)},
                       {b.gradientX3, withAlpha(color, b.alphaGradientX3)},
                       {b.gradientX2, withAlpha(color, b.alphaGradientX2)}};
            fillCircle(target, s / 2, s / 2, s / 2 - 1, gradientPaint(g, DrawMode::AlphaBlend));
            break;
        }
        default:
            break;  // an unknown shape from a hand-edited preset: the tip stays transparent
    }
}

}  // namespace

std::string tipFilePath(std::string_view workDir, std::string_view folder, int index) {
    if (!isPlainFileName(folder)) return {};
    const std::string relative =
        "presets/brush/" + std::string(folder) + "/brush" + std::to_string(index) + ".png";
    return resolvePath(joinPath(workDir, relative));
}

int16_t countTipFiles(std::string_view workDir, std::string_view folder) {
    if (!isPlainFileName(folder)) return -1;
    const std::string dir = joinPath(workDir, "presets/brush/" + std::string(folder));
    const size_t files = listFolder(resolvePath(dir), "*.png", EntryKind::Files).size();
    return int16_t(std::min<size_t>(files, 32768) - 1);
}

int16_t tipExtent(int size, int percent) {
    const int64_t extent = int64_t(size) * percent / 100;
    return int16_t(std::clamp<int64_t>(extent, 0, 32767));
}

void recolorTip(Image& source, uint32_t color, uint8_t opacity) {
    const int cut = 255 - opacity;
    for (uint32_t& p : source.pixels) {
        const int a = std::max(0, int(alpha(p)) - cut);
        p = (color & kRgbMask) | (uint32_t(a) << 24);
    }
}

namespace {

// The rebuild proper, reading the tip file from `folder`.
void makeTip(BrushTip& tip, const BrushSettings& b, std::string_view workDir,
             std::string_view folder) {
    tip.tipWidth = tipExtent(b.size, b.sizeX);
    tip.tipHeight = tipExtent(b.size, b.sizeY);
    auto blank = blankTip(b.size, b.size);
    if (!blank) {
        tip.documentTip = Image{};
        tip.tiles = UniformTiles{};
        return;
    }
    tip.documentTip = std::move(*blank);
    if (b.type == kCustomBrush && tip.tipWidth >= 1 && tip.tipHeight >= 1) {
        prepareTipSource(tip, b, workDir, folder);
        // The loaded tip is the tip extent, not size x size.
        auto sized = blankTip(tip.tipWidth, tip.tipHeight);
        tip.documentTip = sized ? std::move(*sized) : Image{};
    }
    // Transparent, but with the selected colour's red, green and blue, so that the bilinear
    // rotation of a dab blends its edges towards the paint rather than towards black.
    fillBox(tip.documentTip, 0, 0, tip.tipWidth, tip.tipHeight,
            solidPaint(b.selectedColor & kRgbMask, DrawMode::AllChannels));
    drawShape(tip, b);
    tip.tiles = uniformTiles(tip.documentTip);
}

}  // namespace

void buildTip(BrushTip& tip, const BrushSettings& b, std::string_view workDir) {
    makeTip(tip, b, workDir, tip.tipFolder);
    tip.request.reset();
    tip.stale = false;
}

void setTipImage(BrushTip& tip, Image image) {
    tip.documentTip = std::move(image);
    tip.tiles = uniformTiles(tip.documentTip);
    tip.stale = false;
}

void requestTip(BrushTip& tip, const BrushSettings& b, std::string_view workDir) {
    tip.tipWidth = tipExtent(b.size, b.sizeX);
    tip.tipHeight = tipExtent(b.size, b.sizeY);
    tip.request = TipRequest{b, std::string(workDir), tip.tipFolder};
    tip.stale = true;
}

void readyTip(BrushTip& tip) {
    if (!tip.stale || !tip.request) return;
    const TipRequest& r = *tip.request;
    makeTip(tip, r.settings, r.workDir, r.tipFolder);
    tip.stale = false;
}

void drawRequestedTipPreview(const BrushTip& tip, Image& preview) {
    if (preview.empty()) return;
    if (!tip.request) {
        drawTipPreview(Image{}, preview);
        return;
    }
    const TipRequest& r = *tip.request;
    const BrushSettings& b = r.settings;
    // A tip that could not be made shows nothing, whatever its preview size would allow.
    const bool custom = b.type == kCustomBrush;
    const int64_t w = custom ? tipExtent(b.size, b.sizeX) : b.size;
    const int64_t h = custom ? tipExtent(b.size, b.sizeY) : b.size;
    if (!tipSizeAllowed(b.size, b.size) || (custom && w >= 1 && h >= 1 && !tipSizeAllowed(w, h))) {
        drawTipPreview(Image{}, preview);
        return;
    }
    BrushTip small;
    BrushSettings smaller = b;
    smaller.size = int16_t(std::min<int>(b.size, kPreviewSide));
    makeTip(small, smaller, r.workDir, r.tipFolder);
    drawTipPreview(small.documentTip, preview);
}

void drawTipPreview(const Image& documentTip, Image& preview) {
    if (preview.empty()) return;
    fillBox(preview, 0, 0, preview.width, preview.height,
            solidPaint(rgba(255, 255, 255, 255), DrawMode::AllChannels));
    if (documentTip.empty()) return;
    if (auto copy = resizeSmooth(documentTip, kPreviewSide, kPreviewSide))
        drawImage(preview, *copy, 0, 0, DrawMode::AlphaBlend, 255);
}

}  // namespace qm
