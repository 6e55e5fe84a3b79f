#include "filters/adjustments.h"

#include <algorithm>
#include <system_error>
#include <thread>

#include "raster/rounding.h"

namespace qm {

namespace {

constexpr uint32_t kColour = 0x00FFFFFFu;

// Below this many pixels a second thread costs more than it saves.
constexpr int64_t kParallelPixels = int64_t(1) << 20;

int clampedValue(int value) {
    return std::clamp(value, kBrightnessMin, kBrightnessMax);
}

uint32_t brightChannel(uint32_t c, double f) {
    const double v = std::min(double(c) * f, 255.0);
    return uint32_t(roundHalfEven(v));
}

}  // namespace

uint32_t brightnessPixel(uint32_t color, int value) {
    if (alpha(color) == 0) return 0;
    const double f = double(clampedValue(value)) / double(kBrightnessNeutral);
    return rgba(brightChannel(red(color), f), brightChannel(green(color), f),
                brightChannel(blue(color), f), alpha(color));
}

uint32_t invertPixel(uint32_t color) {
    if (alpha(color) == 0) return 0;
    return rgba(255 - red(color), 255 - green(color), 255 - blue(color), alpha(color));
}

uint32_t greyPixel(uint32_t color) {
    if (alpha(color) == 0) return 0;
    const uint32_t r = red(color), g = green(color), b = blue(color);
    const uint32_t l = (std::max({r, g, b}) + std::min({r, g, b})) / 2;
    return rgba(l, l, l, alpha(color));
}

BrightnessTable brightnessTable(int value) {
    const double f = double(clampedValue(value)) / double(kBrightnessNeutral);
    BrightnessTable table{};
    for (uint32_t c = 0; c < 256; ++c) table[c] = uint8_t(brightChannel(c, f));
    return table;
}

void brightnessRow(uint32_t* p, size_t n, const BrightnessTable& t) {
    for (size_t i = 0; i < n; ++i) {
        const uint32_t c = p[i];
        const uint32_t out = t[c & 0xFFu] | uint32_t(t[(c >> 8) & 0xFFu]) << 8 |
                             uint32_t(t[(c >> 16) & 0xFFu]) << 16 | (c & ~kColour);
        p[i] = c >> 24 ? out : 0u;
    }
}

void invertRow(uint32_t* p, size_t n) {
    // Written without branches so that the compiler can work on several pixels at once.
    for (size_t i = 0; i < n; ++i) {
        const uint32_t c = p[i];
        const uint32_t keep = uint32_t(0) - uint32_t(c >> 24 != 0);  // all ones unless alpha 0
        p[i] = (c ^ kColour) & keep;
    }
}

void greyRow(uint32_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        const uint32_t c = p[i];
        const uint32_t r = c & 0xFFu, g = (c >> 8) & 0xFFu, b = (c >> 16) & 0xFFu;
        const uint32_t hi = std::max(std::max(r, g), b);
        const uint32_t lo = std::min(std::min(r, g), b);
        const uint32_t l = (hi + lo) >> 1;
        const uint32_t keep = uint32_t(0) - uint32_t(c >> 24 != 0);
        p[i] = ((l * 0x010101u) | (c & ~kColour)) & keep;
    }
}

void adjustImage(Image& image, const Rect& area, Adjustment adjustment, int value) {
    const Rect r = intersect(area, Rect{0, 0, image.width, image.height});
    if (r.empty()) return;
    const BrightnessTable table =
        adjustment == Adjustment::Brightness ? brightnessTable(value) : BrightnessTable{};
    const size_t n = size_t(r.w);
    auto rows = [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            uint32_t* p = image.row(y) + r.x;
            switch (adjustment) {
                case Adjustment::Brightness:
                    brightnessRow(p, n, table);
                    break;
                case Adjustment::Invert:
                    invertRow(p, n);
                    break;
                case Adjustment::Grey:
                    greyRow(p, n);
                    break;
            }
        }
    };
    // Every row depends on itself alone, so two threads give the same bits as one.
    if (int64_t(r.w) * r.h >= kParallelPixels && r.h >= 2 &&
        std::thread::hardware_concurrency() >= 2) {
        const int middle = r.y + r.h / 2;
        std::thread lower;
        try {
            lower = std::thread(rows, middle, r.bottom());
        } catch (const std::system_error&) {
            rows(r.y, r.bottom());
            return;
        }
        rows(r.y, middle);
        lower.join();
    } else {
        rows(r.y, r.bottom());
    }
}

}  // namespace qm
