#include "io/image_files.h"

#include <algorithm>
#include <vector>

#include "codecs/codecs.h"
#include "document/blend_modes.h"
#include "document/compositing.h"
#include "document/document_ops.h"
#include "raster/draw_image.h"
#include "raster/draw_mode.h"

namespace qm {

SaveFormat saveFormatFromIndex(int patternIndex) {
    if (patternIndex == 1) return SaveFormat::Jpeg;
    if (patternIndex == 2) return SaveFormat::Bmp;
    return SaveFormat::Png;
}

const char* saveExtension(SaveFormat format) {
    switch (format) {
        case SaveFormat::Jpeg:
            return ".jpg";
        case SaveFormat::Bmp:
            return ".bmp";
        case SaveFormat::Png:
            break;
    }
    return ".png";
}

std::string savePathFor(const std::string& typed, SaveFormat format) {
    const std::string extension = saveExtension(format);
    const size_t slash = typed.find_last_of("/\\");
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::string name = typed.substr(nameStart);
    for (size_t at = name.find(extension); at != std::string::npos; at = name.find(extension))
        name.erase(at, extension.size());
    return typed.substr(0, nameStart) + name + extension;
}

bool saveImageFile(const Image& image, const std::string& path, SaveFormat format,
                   int jpegQuality, std::string& error) {
    switch (format) {
        case SaveFormat::Jpeg:
            return saveJpegFile(image, path, jpegQuality, error);
        case SaveFormat::Bmp:
            return saveBmpFile(image, path, error);
        case SaveFormat::Png:
            break;
    }
    return savePngFile(image, path, error);
}

std::optional<Image> loadImageForDocument(const std::string& path, std::string& error) {
    return loadImageFile(path, error);
}

std::optional<TiledImage> loadImageTilesForDocument(const std::string& path, std::string& error) {
    return loadImageFileTiles(path, error);
}

namespace {

// A pixel of a layer as a Normal layer lays it over a transparent pixel: the compositor's
// display pixel of a Normal layer (the pixel at the layer's opacity over transparent), then
// Normal's rule at that opacity.
uint32_t normalOverTransparent(uint32_t p, uint32_t opacity) {
    const uint32_t a = alpha(p) * opacity / 255;
    const uint32_t display = a ? (p & 0x00FFFFFFu) | (a << 24) : 0u;
    return overPixel(display, 0, opacity);
}

}  // namespace

void layLayerDisplay(Image& picture, const Layer& layer, const Image& display) {
    if (display.empty()) return;
    const Rect target = clipToImage(layer.X, layer.Y, display.width, display.height,
                                    picture.width, picture.height);
    if (target.empty()) return;
    const BlendMode& mode = blendMode(layer.Blendmode);
    const uint32_t opacity = layer.Opacity;
    const int sx0 = target.x - layer.X;
    const size_t n = size_t(target.w);
    std::vector<uint32_t> blended(n);
    std::vector<int> docX(n);
    std::vector<uint8_t> noise(n);
    std::vector<uint32_t> layerRow(n);
    for (size_t i = 0; i < n; ++i) docX[i] = sx0 + int(i);
    for (int y = target.y; y < target.bottom(); ++y) {
        const int sy = y - layer.Y;
        uint32_t* t = picture.row(y) + target.x;
        const uint32_t* s = display.row(sy) + sx0;
        if (mode.rule == BlendRule::Over) {
            blendRow(layer.Blendmode, t, s, n, opacity);
            continue;
        }
        std::copy(t, t + n, blended.begin());
        if (mode.rule == BlendRule::Dissolve) {
            dissolveNoiseRow(docX.data(), sy, noise.data(), n);
            dissolveRow(blended.data(), s, noise.data(), n, opacity);
        } else {
            blendRow(layer.Blendmode, blended.data(), s, n, opacity);
        }
        const uint32_t* l = layer.image.rowSpan(sy, sx0, int(n), layerRow.data());
        for (size_t i = 0; i < n; ++i)
            t[i] = alpha(t[i]) ? blended[i] : normalOverTransparent(l[i], opacity);
    }
}

std::optional<Image> flattenVisibleLayers(const Document& doc) {
    auto picture = createImage(doc.Width, doc.Height, 32);
    if (!picture) return std::nullopt;
    Image display;
    for (const Layer& layer : doc.layers)
        if (layer.Visible && !layer.IsGroup && buildDisplayImage(layer, 100, display))
            layLayerDisplay(*picture, layer, display);
    return picture;
}

std::optional<Image> currentLayerPicture(const Document& doc) {
    auto picture = createImage(doc.Width, doc.Height, 32);
    if (!picture) return std::nullopt;
    if (const TiledImage* image = currentImage(doc))
        drawTiledImage(*picture, *image, 0, 0, DrawMode::AlphaBlend, 255);
    return picture;
}

}  // namespace qm
