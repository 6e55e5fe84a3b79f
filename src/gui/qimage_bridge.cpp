#include "gui/qimage_bridge.h"

#include <cstring>

namespace qm {

namespace {

// The pixels [x0, x0 + n) of every row y0 <= y < y1 into `out`.
void copyRows(const Image& image, int x0, int n, int y0, int y1, QImage& out) {
    const bool rgbx = out.format() == QImage::Format_RGBX8888;
    for (int y = y0; y < y1; ++y) {
        const uint32_t* from = image.row(y) + x0;
        auto* to = reinterpret_cast<uint32_t*>(out.scanLine(y)) + x0;
        if (!rgbx) {
            std::memcpy(to, from, size_t(n) * sizeof(uint32_t));
            continue;
        }
        // Qt requires the X byte of RGBX to be 255; setting it is part of the copy.
        for (int x = 0; x < n; ++x) to[x] = from[x] | 0xFF000000u;
    }
}

}  // namespace

QImage toQImage(const Image& image, bool opaque) {
    if (image.empty() || image.pixels.size() < size_t(image.width) * size_t(image.height))
        return {};
    const bool rgbx = opaque || !image.hasAlpha();
    QImage out(image.width, image.height, rgbx ? QImage::Format_RGBX8888 : QImage::Format_RGBA8888);
    if (out.isNull()) return {};
    copyRows(image, 0, image.width, 0, image.height, out);
    return out;
}

std::optional<Rect> copyIntoQImage(const Image& image, const Rect& r, QImage& out) {
    if (image.empty() || image.pixels.size() < size_t(image.width) * size_t(image.height) ||
        out.width() != image.width || out.height() != image.height ||
        (out.format() != QImage::Format_RGBX8888 && out.format() != QImage::Format_RGBA8888))
        return std::nullopt;
    const Rect c = intersect(r, Rect{0, 0, image.width, image.height});
    if (!c.empty()) copyRows(image, c.x, c.w, c.y, c.bottom(), out);
    return c;
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
