// The paper textures presets/paper/paper0.png ... paper34.png, made here from seeded noise.
//
// Every texture is a relief field over a square of side N that wraps at its edges (all noise
// lattices and patterns have periods dividing N), so a paper tiles without seams. The field is
// then tinted with the paper's base colour. The set runs through six families (grain, fibres,
// canvas weave, watercolour, kraft, plain noise) at growing scales; paper0, the default paper,
// is a quiet fine-grained white.
#include <cmath>
#include <string>
#include <vector>

#include "assetgen.h"
#include "codecs/codecs.h"
#include "document/paper.h"
#include "platform/paths.h"
#include "platform/random.h"
#include "raster/image.h"

namespace qm::assetgen {

namespace {

constexpr double kPi = 3.14159265358979323846;

// A square field of reals that wraps at its edges.
struct Field {
    explicit Field(int side) : n(side), v(size_t(side) * size_t(side), 0.0f) {}
    float& at(int x, int y) {
        x = ((x % n) + n) % n;
        y = ((y % n) + n) % n;
        return v[size_t(y) * size_t(n) + size_t(x)];
    }
    int n;
    std::vector<float> v;
};

double smooth(double t) {
    return t * t * (3.0 - 2.0 * t);
}

// Periodic value noise: `cells` x `cells` random lattice values over the field, interpolated
// with a smoothstep; cells divides the side, so the noise wraps.
void addValueNoise(Field& f, Random& random, int cells, double amplitude) {
    std::vector<double> lattice(size_t(cells) * size_t(cells));
    for (double& value : lattice) value = random(2000) / 1000.0 - 1.0;
    const auto L = [&](int i, int j) { return lattice[size_t((j % cells) * cells + (i % cells))]; };
    const double step = double(f.n) / cells;
    for (int y = 0; y < f.n; ++y) {
        const double gy = y / step;
        const int j = int(gy);
        const double ty = smooth(gy - j);
        for (int x = 0; x < f.n; ++x) {
            const double gx = x / step;
            const int i = int(gx);
            const double tx = smooth(gx - i);
            const double top = L(i, j) + (L(i + 1, j) - L(i, j)) * tx;
            const double bottom = L(i, j + 1) + (L(i + 1, j + 1) - L(i, j + 1)) * tx;
            f.at(x, y) += float(amplitude * (top + (bottom - top) * ty));
        }
    }
}

// Octaves of value noise from `cells` upward, each twice as fine and `persistence` as strong.
void addFractalNoise(Field& f, Random& random, int cells, int octaves, double amplitude,
                     double persistence = 0.5) {
    for (int o = 0; o < octaves && cells <= f.n; ++o) {
        addValueNoise(f, random, cells, amplitude);
        cells *= 2;
        amplitude *= persistence;
    }
}

// Per-pixel grain: independent noise, the finest texture a paper has.
void addGrain(Field& f, Random& random, double amplitude) {
    for (float& value : f.v) value += float(amplitude * (random(2000) / 1000.0 - 1.0));
}

// Fibres: short, gently curving strands pressed into the sheet, wrapping at the edges.
void addFibres(Field& f, Random& random, int count, int length, double strength) {
    for (int k = 0; k < count; ++k) {
        double x = random(f.n * 16) / 16.0, y = random(f.n * 16) / 16.0;
        double angle = random(6283) / 1000.0;
        const double bend = (random(200) - 100) / 2000.0;
        const double s = strength * (random(100) + 50) / 100.0 * (random(1) ? 1.0 : -1.0);
        const int len = length / 2 + random(length);
        for (int t = 0; t < len; ++t) {
            f.at(int(std::floor(x)), int(std::floor(y))) += float(s);
            f.at(int(std::floor(x)) + 1, int(std::floor(y))) += float(s * 0.35);
            x += std::cos(angle);
            y += std::sin(angle);
            angle += bend;
        }
    }
}

// Canvas weave: threads across and down with the over-under alternation of a plain weave; the
// thread period divides the side.
void addWeave(Field& f, int period, double strength) {
    for (int y = 0; y < f.n; ++y) {
        for (int x = 0; x < f.n; ++x) {
            const double u = 2.0 * kPi * x / period, w = 2.0 * kPi * y / period;
            const bool over = ((x / period) + (y / period)) % 2 == 0;
            const double across = 0.5 + 0.5 * std::cos(w);
            const double down = 0.5 + 0.5 * std::cos(u);
            f.at(x, y) += float(strength * (over ? across - 0.6 * down : down - 0.6 * across));
        }
    }
}

// Watercolour paper: soft blotches with darker, sharper rims where the noise crosses its
// contour levels, like pigment pooled at the edge of a wash.
void addWashes(Field& f, Random& random, int cells, double strength) {
    Field wash(f.n);
    addFractalNoise(wash, random, cells, 4, 1.0);
    for (size_t i = 0; i < f.v.size(); ++i) {
        const double level = wash.v[i] * 3.0;
        const double rim = 1.0 - std::min(1.0, std::abs(level - std::round(level)) * 6.0);
        f.v[i] += float(strength * (0.6 * wash.v[i] - 0.5 * rim));
    }
}

struct Recipe {
    enum class Family { Grain, Fibres, Weave, Watercolour, Kraft, Noise } family;
    int side;       // power of two, 256 or 512
    int scale;      // 1 (finest) .. 6 (coarsest)
    uint32_t base;  // red, green, blue
};

// The base colours: whites, creams, greys and the browns of kraft.
constexpr uint32_t kWhite = rgb(246, 244, 238);
constexpr uint32_t kCream = rgb(243, 236, 219);
constexpr uint32_t kIvory = rgb(250, 246, 232);
constexpr uint32_t kGrey = rgb(214, 212, 206);
constexpr uint32_t kKraft = rgb(178, 140, 96);
constexpr uint32_t kDarkKraft = rgb(140, 104, 68);

Recipe recipe(int index) {
    using F = Recipe::Family;
    if (index == 0) return {F::Grain, 256, 1, kWhite};
    static constexpr F kFamilies[] = {F::Grain,       F::Fibres, F::Weave,
                                      F::Watercolour, F::Kraft,  F::Noise};
    static constexpr uint32_t kBases[] = {kWhite, kCream, kIvory, kGrey};
    const F family = kFamilies[(index - 1) % 6];
    const int scale = 1 + (index - 1) / 6;  // 1..6 across the set
    const uint32_t base =
        family == F::Kraft ? (scale % 2 ? kKraft : kDarkKraft) : kBases[size_t(index % 4)];
    return {family, scale >= 4 ? 512 : 256, scale, base};
}

Field relief(const Recipe& r, Random& random) {
    using F = Recipe::Family;
    Field f(r.side);
    const int s = r.scale;
    switch (r.family) {
        case F::Grain:
            addGrain(f, random, 0.05 + 0.01 * s);
            addFractalNoise(f, random, 64 >> std::min(s, 3), 3, 0.03 + 0.01 * s);
            break;
        case F::Fibres:
            addFractalNoise(f, random, 8, 4, 0.04);
            addFibres(f, random, r.side * r.side / (60 * s), 6 + 4 * s, 0.05 + 0.01 * s);
            addGrain(f, random, 0.03);
            break;
        case F::Weave: {
            int period = 4;
            for (int k = 1; k < s; ++k) period += 2;
            while (r.side % period) ++period;  // a period that divides the side
            addWeave(f, period, 0.08 + 0.015 * s);
            addFractalNoise(f, random, 16, 3, 0.04);
            addGrain(f, random, 0.025);
            break;
        }
        case F::Watercolour:
            addWashes(f, random, 2 << std::min(s, 3), 0.08 + 0.01 * s);
            addGrain(f, random, 0.04);
            break;
        case F::Kraft:
            addFractalNoise(f, random, 8, 5, 0.06);
            addFibres(f, random, r.side * r.side / 40, 10 + 3 * s, 0.08);
            addGrain(f, random, 0.05);
            break;
        case F::Noise:
            addFractalNoise(f, random, std::max(2, 64 >> s), 6, 0.12 + 0.02 * s, 0.6);
            break;
    }
    return f;
}

Image tint(const Field& f, uint32_t base) {
    Image image = *createImage(f.n, f.n, 24);
    for (size_t i = 0; i < f.v.size(); ++i) {
        const double k = 1.0 + f.v[i];
        const auto channel = [&](uint32_t c) {
            const double v = std::round(c * k);
            return uint32_t(v < 0 ? 0 : v > 255 ? 255 : v);
        };
        image.pixels[i] = rgba(channel(red(base)), channel(green(base)), channel(blue(base)), 255);
    }
    return image;
}

}  // namespace

bool generatePapers(const std::string& presetsDir, std::string& error) {
    const std::string folder = joinPath(presetsDir, "paper");
    if (!createFolders(folder, error)) return false;
    for (int index = 0; index <= kLastPaperIndex; ++index) {
        Random random(0x9a7e000u + uint64_t(index));
        const Recipe r = recipe(index);
        const Image image = tint(relief(r, random), r.base);
        const std::string path = joinPath(folder, "paper" + std::to_string(index) + ".png");
        if (!savePngFile(image, path, error)) return false;
    }
    return true;
}

}  // namespace qm::assetgen
