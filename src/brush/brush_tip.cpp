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

uint32_t withAlpha(uint32_t colour, uint8_t a) {
    return (colour & kRgbMask) | (uint32_t(a) << 24);
}

// The Custom Brush's source: its tip file, resized to the tip extent.
// A file that cannot be read leaves no source, so the brush paints nothing. The resized file is
// kept while the file, the extent and the resampling stay the same: a colour change (mixing, on
// every pointer move) recolours blocks of it as they are made instead of resizing it again.
void prepareTipSource(BrushTip& tip, const BrushSettings& b, std::string_view workDir,
                      std::string_view folder) {
    const std::string path = tipFilePath(workDir, folder, b.brush);
    std::string error;
    std::optional<Image> loaded;
    if (!path.empty()) loaded = loadImageFile(path, error);
    if (!loaded || !tipSizeAllowed(tip.tipWidth, tip.tipHeight)) {
        tip.source = Image{};
        tip.sourceFile = Image{};
        return;
    }
    if (!tip.source.empty() && tip.source.width == tip.tipWidth &&
        tip.source.height == tip.tipHeight && tip.sourceSmoth == b.smoth &&
        tip.sourceFile.width == loaded->width && tip.sourceFile.height == loaded->height &&
        tip.sourceFile.depth == loaded->depth && tip.sourceFile.pixels == loaded->pixels)
        return;
    std::optional<Image> sized = b.smoth == 0 ? resizeSmooth(*loaded, tip.tipWidth, tip.tipHeight)
                                              : resizeNearest(*loaded, tip.tipWidth, tip.tipHeight);
    tip.source = sized ? std::move(*sized) : Image{};
    tip.sourceFile = sized ? std::move(*loaded) : Image{};
    tip.sourceSmoth = b.smoth;
}

// The shape of `type` in the paint colour over the transparent tip, drawn into
// `target`, which holds the tip's pixels from (ox, oy) on. The shapes are drawn at `size` scale
// whatever sizeX and sizeY say; the painter applies those per dab.
void drawShape(Image& target, int ox, int oy, const BrushTip& tip, const BrushSettings& b) {
    const int s = b.size;
    const uint32_t colour = b.color;
    const int x = -ox, y = -oy;
    switch (b.type) {
        case kCircleHard:
            fillCircle(target, x + s / 2, y + s / 2, s / 2 - 1, solidPaint(colour));
            break;
        case kBox:
            fillBox(target, x, y, s, s, solidPaint(colour));
            break;
        case kEllipse:
            fillEllipse(target, x + s / 2, y + s / 2, s / 2, s / 4, solidPaint(colour));
            break;
        case kCustomBrush:
            // The part of the resized file under `target`, recoloured, then drawn.
            if (tipExtent(b.size, b.sizeX) >= 1 && tipExtent(b.size, b.sizeY) >= 1 &&
                !tip.source.empty()) {
                const Rect part = intersect(Rect{ox, oy, target.width, target.height},
                                            Rect{0, 0, tip.source.width, tip.source.height});
                if (part.empty()) break;
                std::optional<Image> piece = grabRect(tip.source, part.x, part.y, part.w, part.h);
                if (!piece) break;
                recolourTip(*piece, colour, b.alpha);
                drawImage(target, *piece, part.x - ox, part.y - oy, DrawMode::AlphaBlend, 255);
            }
            break;
        case kCircleShine: {
            // A highlight off the centre fading to transparent black: the shine of a sphere.
            const Gradient g = ellipticalGradient(x + s / 3, y + s / 3, s, s, colour, 0);
            fillCircle(target, x + s / 2, y + s / 2, s / 2 - 1,
                       gradientPaint(g, DrawMode::AllChannels));
            break;
        }
        case kCircleSoft: {
            const Gradient g =
                ellipticalGradient(x + s / 2, y + s / 2, s / 2, s / 2, colour, colour & kRgbMask);
            fillCircle(target, x + s / 2, y + s / 2, s / 2 - 1,
                       gradientPaint(g, DrawMode::AllChannels));
            break;
        }
        case kCircleCustom: {
            // The stops go in this order (first, third, second): at a shared position the later
            // one wins, which is how the panel's three stops have always combined.
            Gradient g =
                ellipticalGradient(x + s / 2, y + s / 2, s - 1, s - 1,
                                   withAlpha(colour, b.alphaGradientX), withAlpha(colour, b.alpha));
            g.stops = {{b.gradientX, withAlpha(colour, b.alphaGradientX)},
                       {b.gradientX3, withAlpha(colour, b.alphaGradientX3)},
                       {b.gradientX2, withAlpha(colour, b.alphaGradientX2)}};
            fillCircle(target, x + s / 2, y + s / 2, s / 2 - 1,
                       gradientPaint(g, DrawMode::AlphaBlend));
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

void recolourTip(Image& source, uint32_t colour, uint8_t opacity) {
    const int cut = 255 - opacity;
    for (uint32_t& p : source.pixels) {
        const int a = std::max(0, int(alpha(p)) - cut);
        p = (colour & kRgbMask) | (uint32_t(a) << 24);
    }
}

namespace {

// The rebuild proper, reading the tip file from `folder`: the tip's size and source now, its
// pixels block by block (makeBlock) when they are needed.
void startTip(BrushTip& tip, const BrushSettings& b, std::string_view workDir,
              std::string_view folder) {
    tip.tipWidth = tipExtent(b.size, b.sizeX);
    tip.tipHeight = tipExtent(b.size, b.sizeY);
    tip.made.clear();
    tip.madeFrom.reset();
    tip.blocksLeft = 0;
    tip.tiles = UniformTiles{};
    auto blank = blankTip(b.size, b.size);
    if (!blank) {
        tip.documentTip = Image{};
        return;
    }
    tip.documentTip = std::move(*blank);
    if (b.type == kCustomBrush && tip.tipWidth >= 1 && tip.tipHeight >= 1) {
        prepareTipSource(tip, b, workDir, folder);
        // The loaded tip is the tip extent, not size x size.
        auto sized = blankTip(tip.tipWidth, tip.tipHeight);
        tip.documentTip = sized ? std::move(*sized) : Image{};
        if (tip.documentTip.empty()) return;
    }
    const Image& image = tip.documentTip;
    tip.madeColumns = (image.width + kTipBlock - 1) / kTipBlock;
    const int rows = (image.height + kTipBlock - 1) / kTipBlock;
    tip.blocksLeft = size_t(tip.madeColumns) * size_t(rows);
    tip.made.assign(tip.blocksLeft, 0);
    tip.madeFrom = TipRequest{b, std::string(workDir), std::string(folder)};
    tip.tiles = mixedTiles(image.width, image.height);
}

// Makes block (column, row) of the tip: transparent, but with the selected colour's red, green
// and blue over the tip extent, so that the bilinear rotation of a dab blends its edges towards
// the paint rather than towards black; then the shape.
void makeBlock(BrushTip& tip, int column, int row) {
    const BrushSettings& b = tip.madeFrom->settings;
    Image& image = tip.documentTip;
    const int x0 = column * kTipBlock, y0 = row * kTipBlock;
    const int w = std::min(kTipBlock, image.width - x0), h = std::min(kTipBlock, image.height - y0);
    std::optional<Image> block = createImage(w, h, 32);
    if (!block) return;
    // The extent the tip was made with: the painter changes tipWidth as it turns dabs.
    fillBox(*block, -x0, -y0, tipExtent(b.size, b.sizeX), tipExtent(b.size, b.sizeY),
            solidPaint(b.selectedColor & kRgbMask, DrawMode::AllChannels));
    drawShape(*block, x0, y0, tip, b);
    for (int y = 0; y < h; ++y) std::copy_n(block->row(y), w, image.row(y0 + y) + x0);
    updateUniformTiles(tip.tiles, image, Rect{x0, y0, w, h});
}

}  // namespace

void readyTipPart(BrushTip& tip, const Rect& part) {
    if (tip.made.empty() || !tip.madeFrom) return;
    const Image& image = tip.documentTip;
    const Rect r = intersect(part, Rect{0, 0, image.width, image.height});
    if (r.empty()) return;
    for (int row = r.y / kTipBlock; row <= (r.y + r.h - 1) / kTipBlock; ++row)
        for (int column = r.x / kTipBlock; column <= (r.x + r.w - 1) / kTipBlock; ++column) {
            uint8_t& made = tip.made[size_t(row) * size_t(tip.madeColumns) + size_t(column)];
            if (made) continue;
            makeBlock(tip, column, row);
            made = 1;
            --tip.blocksLeft;
        }
    if (tip.blocksLeft == 0) {
        tip.made.clear();
        tip.made.shrink_to_fit();
        tip.madeFrom.reset();
    }
}

namespace {

void makeTip(BrushTip& tip, const BrushSettings& b, std::string_view workDir,
             std::string_view folder) {
    startTip(tip, b, workDir, folder);
    readyTipPart(tip, Rect{0, 0, tip.documentTip.width, tip.documentTip.height});
}

}  // namespace

void buildTip(BrushTip& tip, const BrushSettings& b, std::string_view workDir) {
    makeTip(tip, b, workDir, tip.tipFolder);
    tip.request.reset();
    tip.stale = false;
}

void setTipImage(BrushTip& tip, Image image) {
    tip.made.clear();
    tip.madeFrom.reset();
    tip.blocksLeft = 0;
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
    startTip(tip, r.settings, r.workDir, r.tipFolder);
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
