#include "raster/rotate.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace qm {

namespace {

// roundHalfEven for a sum that is known to be >= 0; truncation is floor there, which keeps the
// per-pixel work free of library calls. Gives the same integers as roundHalfEven.
uint32_t roundChannel(float v) {
    uint32_t i = uint32_t(v);
    const float d = v - float(i);  // exact: v and i share the integer part
    if (d > 0.5f || (d == 0.5f && (i & 1u))) ++i;
    return std::min(i, 255u);
}

// The bilinear sum of one channel (shift 0, 8, 16 or 24), in the order the weights are listed.
uint32_t mixChannel(const uint32_t (&c)[4], const float (&w)[4], int shift) {
    float sum = 0.0f;
    for (int i = 0; i < 4; ++i) sum += float((c[i] >> shift) & 0xFFu) * w[i];
    return roundChannel(sum);
}

// floor for a value already known to lie in [-1, 2^31).
int floorToInt(float v) {
    const int i = int(v);
    return float(i) > v ? i - 1 : i;
}

}  // namespace

int rotatedTipSide(int w, int h) {
    if (w < 1 || h < 1) return 0;
    const int64_t W = w, H = h;
    const double diagonal = std::ceil(std::sqrt(double(W * W + H * H)));
    return imageSizeAllowed(int64_t(diagonal), int64_t(diagonal)) ? int(diagonal) : 0;
}

Image rotateTipPart(const Image& src, double degrees, std::span<const int> columns,
                    std::span<const int> rows) {
    if (src.empty() || src.pixels.size() < size_t(src.width) * size_t(src.height)) return {};
    const int n = rotatedTipSide(src.width, src.height);
    if (n == 0 || columns.empty() || rows.empty()) return {};
    std::optional<Image> made = createImage(int(columns.size()), int(rows.size()), 32);
    if (!made) return {};
    Image dst = std::move(*made);

    const int64_t W = src.width, H = src.height;
    constexpr float kPi = 3.14159265358979323846f;
    const float theta = float(degrees) * kPi / 180.0f;
    const float co = std::cos(theta);
    const float si = std::sin(theta);
    const float wm1 = float(W - 1), hm1 = float(H - 1);
    const auto at = [&](int64_t x, int64_t y) -> uint32_t {
        return (x < 0 || y < 0 || x >= W || y >= H) ? 0u : src.at(int(x), int(y));
    };

    for (size_t j = 0; j < rows.size(); ++j) {
        uint32_t* out = dst.row(int(j));
        const int y = rows[j];
        if (y < 0 || y >= n) continue;  // outside the square: stays transparent
        const float a = float(2 * y - (n - 1));
        for (size_t i = 0; i < columns.size(); ++i) {
            const int x = columns[i];
            if (x < 0 || x >= n) continue;
            const float b = float(2 * x - (n - 1));
            const float sx = (wm1 + b * co - a * si) / 2.0f;
            const float sy = (hm1 + b * si + a * co) / 2.0f;
            // Tested on the floats first, so that NaN and far positions never reach the
            // conversion to integers: floor(s) + 1 < 0 <=> s < -1, floor(s) > W - 1 <=> s >= W.
            if (!(sx >= -1.0f && sx < float(W) && sy >= -1.0f && sy < float(H))) continue;
            const int x0 = floorToInt(sx), y0 = floorToInt(sy);
            const float fx = sx - float(x0), fy = sy - float(y0);
            uint32_t c[4];
            if (x0 >= 0 && y0 >= 0 && x0 + 1 < W && y0 + 1 < H) {
                const uint32_t* p = src.row(y0) + x0;
                c[0] = p[0], c[1] = p[W], c[2] = p[1], c[3] = p[W + 1];
            } else {
                c[0] = at(x0, y0), c[1] = at(x0, y0 + 1), c[2] = at(x0 + 1, y0);
                c[3] = at(x0 + 1, y0 + 1);
            }
            const float w[4] = {(1 - fx) * (1 - fy), (1 - fx) * fy, fx * (1 - fy), fx * fy};
            out[i] = rgba(mixChannel(c, w, 0), mixChannel(c, w, 8), mixChannel(c, w, 16),
                          mixChannel(c, w, 24));
        }
    }
    return dst;
}

Image rotateTip(const Image& src, double degrees) {
    const int n = src.empty() ? 0 : rotatedTipSide(src.width, src.height);
    if (n == 0) return {};
    std::vector<int> all(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) all[size_t(i)] = i;
    return rotateTipPart(src, degrees, all, all);
}

}  // namespace qm
