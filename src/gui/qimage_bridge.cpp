#include "gui/qimage_bridge.h"

#include <cstring>

namespace qm {

QImage toQImage(const Image& image, bool opaque) {
    if (image.empty() || image.pixels.size() < size_t(image.width) * size_t(image.height))
        return {};
    const bool rgbx = opaque || !image.hasAlpha();
    QImage out(image.width, image.height, rgbx ? QImage::Format_RGBX8888 : QImage::Format_RGBA8888);
    if (out.isNull()) return {};
    const size_t rowBytes = size_t(image.width) * sizeof(uint32_t);
    for (int y = 0; y < image.height; ++y) {
        if (!rgbx) {
            std::memcpy(out.scanLine(y), image.row(y), rowBytes);
            continue;
        }
        // Qt requires the X byte of RGBX to be 255; setting it is part of the copy.
        const uint32_t* from = image.row(y);
        auto* to = reinterpret_cast<uint32_t*>(out.scanLine(y));
        for (int x = 0; x < image.width; ++x) to[x] = from[x] | 0xFF000000u;
    }
    return out;
}

Image fromQImage(const QImage& image) {
    if (image.isNull() || !imageSizeAllowed(image.width(), image.height())) return {};
    const QImage source = image.format() == QImage::Format_RGBA8888
                              ? image
                              : image.convertToFormat(QImage::Format_RGBA8888);
    Image out;
    out.width = source.width();
    out.height = source.height();
    out.depth = 32;
    out.pixels.resize(size_t(out.width) * size_t(out.height));
    const size_t rowBytes = size_t(out.width) * sizeof(uint32_t);
    for (int y = 0; y < out.height; ++y) std::memcpy(out.row(y), source.constScanLine(y), rowBytes);
    return out;
}

}  // namespace qm
