#include "raster/rotate.h"

#include <algorithm>
#include <cmath>
#include <optional>
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

// The turned tip's pixel at destination offsets a = 2y - (N - 1), b = 2x - (N - 1), given the
// column terms bx = (W - 1) + b co, by = (H - 1) + b si and the row terms ax = a si, ay = a co:
// sx = (bx - ax) / 2, sy = (by + ay) / 2, the same operations in the same order as written out.
inline uint32_t turnedPixel(const Image& src, int64_t W, int64_t H, float bx, float by, float ax,
                            float ay) {
    const float sx = (bx - ax) / 2.0f;
    const float sy = (by + ay) / 2.0f;
    // Tested on the floats first, so that NaN and far positions never reach the conversion to
    // integers: floor(s) + 1 < 0 <=> s < -1, floor(s) > W - 1 <=> s >= W.
    if (!(sx >= -1.0f && sx < float(W) && sy >= -1.0f && sy < float(H))) return 0;
    const int x0 = floorToInt(sx), y0 = floorToInt(sy);
    const float fx = sx - float(x0), fy = sy - float(y0);
    uint32_t c[4];
    if (x0 >= 0 && y0 >= 0 && x0 + 1 < W && y0 + 1 < H) {
        const uint32_t* p = src.row(y0) + x0;
        c[0] = p[0], c[1] = p[W], c[2] = p[1], c[3] = p[W + 1];
    } else {
        const auto at = [&](int64_t x, int64_t y) -> uint32_t {
            return (x < 0 || y < 0 || x >= W || y >= H) ? 0u : src.at(int(x), int(y));
        };
        c[0] = at(x0, y0), c[1] = at(x0, y0 + 1), c[2] = at(x0 + 1, y0);
        c[3] = at(x0 + 1, y0 + 1);
    }
    // Four equal neighbours give that pixel: each channel's sum is c times weights that add up
    // to 1 within a few units of the last place, far from a rounding boundary.
    if (c[0] == c[1] && c[0] == c[2] && c[0] == c[3]) return c[0];
    const float w[4] = {(1 - fx) * (1 - fy), (1 - fx) * fy, fx * (1 - fy), fx * fy};
    return rgba(mixChannel(c, w, 0), mixChannel(c, w, 8), mixChannel(c, w, 16),
                mixChannel(c, w, 24));
}

// The colour of the source rectangle x0..x1, y0..y1 (inclusive, inside the source) when every
// tile it touches is uniform of one colour.
std::optional<uint32_t> uniformColour(const UniformTiles& t, int64_t x0, int64_t y0, int64_t x1,
                                      int64_t y1) {
    constexpr int k = UniformTiles::kTile;
    std::optional<uint32_t> colour;
    for (int64_t ty = y0 / k; ty <= y1 / k; ++ty)
        for (int64_t tx = x0 / k; tx <= x1 / k; ++tx) {
            const size_t i = size_t(ty) * size_t(t.columns) + size_t(tx);
            if (!t.uniform[i] || (colour && *colour != t.value[i])) return std::nullopt;
            colour = t.value[i];
        }
    return colour;
}

// The one colour of a block of the result (columns ib..ie-1, rows jb..je-1), when it has one
// for certain: every index is inside the square, and every source position the block samples,
// widened by a pixel for the rounding of single precision (a few thousandths at most), lies with
// its neighbours in uniform tiles of one colour. Each pixel then has four equal neighbours, which
// give exactly their value.
std::optional<uint32_t> blockColour(const UniformTiles& t, std::span<const int> columns,
                                    std::span<const int> rows, size_t ib, size_t ie, size_t jb,
                                    size_t je, int n, float co, float si, int64_t W, int64_t H) {
    const auto [cmin, cmax] = std::minmax_element(columns.begin() + ib, columns.begin() + ie);
    const auto [rmin, rmax] = std::minmax_element(rows.begin() + jb, rows.begin() + je);
    if (*cmin < 0 || *cmax >= n || *rmin < 0 || *rmax >= n) return std::nullopt;
    // The source position is affine in (b, a): its extremes over the block are at the corners.
    double sxLo = 1e300, sxHi = -1e300, syLo = 1e300, syHi = -1e300;
    for (int c : {*cmin, *cmax})
        for (int r : {*rmin, *rmax}) {
            const double b = 2.0 * c - (n - 1), a = 2.0 * r - (n - 1);
            const double sx = (double(W - 1) + b * co - a * si) / 2.0;
            const double sy = (double(H - 1) + b * si + a * co) / 2.0;
            sxLo = std::min(sxLo, sx), sxHi = std::max(sxHi, sx);
            syLo = std::min(syLo, sy), syHi = std::max(syHi, sy);
        }
    // Written so that NaN fails: the block then samples pixel by pixel.
    if (!(sxLo - 1.0 >= 0.0 && syLo - 1.0 >= 0.0 && sxHi + 2.0 < double(W) &&
          syHi + 2.0 < double(H)))
        return std::nullopt;
    return uniformColour(t, int64_t(sxLo - 1.0), int64_t(syLo - 1.0), int64_t(sxHi + 2.0),
                         int64_t(syHi + 2.0));
}

}  // namespace

UniformTiles mixedTiles(int w, int h) {
    constexpr int k = UniformTiles::kTile;
    UniformTiles t;
    if (w < 1 || h < 1) return t;
    t.width = w;
    t.height = h;
    t.columns = (w + k - 1) / k;
    t.rows = (h + k - 1) / k;
    t.uniform.assign(size_t(t.columns) * size_t(t.rows), 0);
    t.value.assign(t.uniform.size(), 0);
    return t;
}

void updateUniformTiles(UniformTiles& t, const Image& src, const Rect& part) {
    constexpr int k = UniformTiles::kTile;
    if (src.empty() || src.width != t.width || src.height != t.height ||
        src.pixels.size() < size_t(src.width) * size_t(src.height))
        return;
    // Whole tiles only: a tile reaching past the part stays as it is.
    const int tx0 = std::max(0, (part.x + k - 1) / k), ty0 = std::max(0, (part.y + k - 1) / k);
    const int right = part.x + part.w, bottom = part.y + part.h;
    const int tx1 = right >= src.width ? t.columns : right / k;
    const int ty1 = bottom >= src.height ? t.rows : bottom / k;
    for (int ty = ty0; ty < ty1; ++ty)
        for (int tx = tx0; tx < tx1; ++tx) {
            const int x0 = tx * k, x1 = std::min(src.width, x0 + k);
            const int y0 = ty * k, y1 = std::min(src.height, y0 + k);
            const uint32_t first = src.row(y0)[x0];
            bool same = true;
            for (int y = y0; y < y1 && same; ++y) {
                const uint32_t* row = src.row(y);
                for (int x = x0; x < x1; ++x)
                    if (row[x] != first) {
                        same = false;
                        break;
                    }
            }
            const size_t i = size_t(ty) * size_t(t.columns) + size_t(tx);
            t.uniform[i] = same ? 1 : 0;
            t.value[i] = same ? first : 0;
        }
}

UniformTiles uniformTiles(const Image& src) {
    if (src.empty() || src.pixels.size() < size_t(src.width) * size_t(src.height)) return {};
    UniformTiles t = mixedTiles(src.width, src.height);
    updateUniformTiles(t, src, Rect{0, 0, src.width, src.height});
    return t;
}

Rect rotateTipSourceRect(int w, int h, double degrees, int c0, int c1, int r0, int r1) {
    const int n = rotatedTipSide(w, h);
    if (n == 0 || c1 < c0 || r1 < r0) return {};
    constexpr double kPi = 3.14159265358979323846;
    const double theta = degrees * kPi / 180.0;
    const double co = std::cos(theta), si = std::sin(theta);
    double sxLo = 1e300, sxHi = -1e300, syLo = 1e300, syHi = -1e300;
    for (int c : {c0, c1})
        for (int r : {r0, r1}) {
            const double b = 2.0 * c - (n - 1), a = 2.0 * r - (n - 1);
            const double sx = (double(w - 1) + b * co - a * si) / 2.0;
            const double sy = (double(h - 1) + b * si + a * co) / 2.0;
            sxLo = std::min(sxLo, sx), sxHi = std::max(sxHi, sx);
            syLo = std::min(syLo, sy), syHi = std::max(syHi, sy);
        }
    if (!(sxLo == sxLo && syLo == syLo && sxHi == sxHi && syHi == syHi)) return Rect{0, 0, w, h};
    // A sample reads its pixel and the next one; a pixel of margin covers single precision.
    const double x0 = std::clamp(std::floor(sxLo) - 2.0, 0.0, double(w));
    const double y0 = std::clamp(std::floor(syLo) - 2.0, 0.0, double(h));
    const double x1 = std::clamp(std::floor(sxHi) + 3.0, 0.0, double(w));
    const double y1 = std::clamp(std::floor(syHi) + 3.0, 0.0, double(h));
    return Rect{int(x0), int(y0), int(x1 - x0), int(y1 - y0)};
}

int rotatedTipSide(int w, int h) {
    if (w < 1 || h < 1) return 0;
    const int64_t W = w, H = h;
    const double diagonal = std::ceil(std::sqrt(double(W * W + H * H)));
    return imageSizeAllowed(int64_t(diagonal), int64_t(diagonal)) ? int(diagonal) : 0;
}

Image rotateTipPart(const Image& src, double degrees, std::span<const int> columns,
                    std::span<const int> rows, const UniformTiles* tiles) {
    Image out;
    rotateTipPart(src, degrees, columns, rows, tiles, out);
    return out;
}

void rotateTipPart(const Image& src, double degrees, std::span<const int> columns,
                   std::span<const int> rows, const UniformTiles* tiles, Image& dst) {
    if (tiles && (tiles->width != src.width || tiles->height != src.height)) tiles = nullptr;
    const int n = src.empty() || src.pixels.size() < size_t(src.width) * size_t(src.height)
                      ? 0
                      : rotatedTipSide(src.width, src.height);
    const int64_t w = int64_t(columns.size()), h = int64_t(rows.size());
    if (n == 0 || w == 0 || h == 0 || !imageSizeAllowed(w, h)) {
        dst = Image{};
        return;
    }
    // Transparent to start with: indexes outside the square are left so.
    if (dst.pixels.capacity() >= size_t(w * h)) {
        dst.pixels.assign(size_t(w * h), 0u);
    } else {
        std::optional<Image> made = createImage(int(w), int(h), 32);
        if (!made) {
            dst = Image{};
            return;
        }
        dst = std::move(*made);
    }
    dst.width = int(w);
    dst.height = int(h);
    dst.depth = 32;

    const int64_t W = src.width, H = src.height;
    constexpr float kPi = 3.14159265358979323846f;
    const float theta = float(degrees) * kPi / 180.0f;
    const float co = std::cos(theta);
    const float si = std::sin(theta);
    const float wm1 = float(W - 1), hm1 = float(H - 1);

    // The terms of the source position that depend on the column alone and on the row alone.
    std::vector<float> bx(columns.size()), by(columns.size()), ax(rows.size()), ay(rows.size());
    for (size_t i = 0; i < columns.size(); ++i) {
        const float b = float(2 * int64_t(columns[i]) - (n - 1));
        bx[i] = wm1 + b * co;
        by[i] = hm1 + b * si;
    }
    for (size_t j = 0; j < rows.size(); ++j) {
        const float a = float(2 * int64_t(rows[j]) - (n - 1));
        ax[j] = a * si;
        ay[j] = a * co;
    }
    // In square blocks of the result: a block reads a compact patch of the source however the
    // tip is turned, where whole rows would walk diagonally across a large source.
    constexpr size_t kBlock = 16;
    for (size_t jb = 0; jb < rows.size(); jb += kBlock) {
        const size_t je = std::min(rows.size(), jb + kBlock);
        for (size_t ib = 0; ib < columns.size(); ib += kBlock) {
            const size_t ie = std::min(columns.size(), ib + kBlock);
            if (tiles) {
                if (const auto colour =
                        blockColour(*tiles, columns, rows, ib, ie, jb, je, n, co, si, W, H)) {
                    for (size_t j = jb; j < je; ++j)
                        std::fill(dst.row(int(j)) + ib, dst.row(int(j)) + ie, *colour);
                    continue;
                }
            }
            for (size_t j = jb; j < je; ++j) {
                if (rows[j] < 0 || rows[j] >= n) continue;  // outside the square: transparent
                uint32_t* out = dst.row(int(j));
                for (size_t i = ib; i < ie; ++i)
                    if (columns[i] >= 0 && columns[i] < n)
                        out[i] = turnedPixel(src, W, H, bx[i], by[i], ax[j], ay[j]);
            }
        }
    }
}

Image rotateTip(const Image& src, double degrees) {
    const int n = src.empty() ? 0 : rotatedTipSide(src.width, src.height);
    if (n == 0) return {};
    std::vector<int> all(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) all[size_t(i)] = i;
    return rotateTipPart(src, degrees, all, all);
}

}  // namespace qm
