// The default brush tips: presets/brush/orrindal/brush0.png ... brush15.png. Each is black with
// the shape in its alpha channel (the tip builder recolours it with the paint colour). Every tip
// is computed here from a formula over the tip's square and a seeded noise, so the files are the
// same on every build.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "assetgen.h"
#include "codecs/codecs.h"
#include "platform/paths.h"
#include "platform/random.h"
#include "raster/image.h"

namespace qm::assetgen {

namespace {

constexpr int kSide = 128;
constexpr int kSupersample = 4;  // samples per axis for smooth edges
constexpr double kPi = 3.14159265358979323846;

// Coverage 0..1 of the point (x, y), both -1..1 over the tip's square.
using Shape = std::function<double(double x, double y)>;

double smoothstep(double e0, double e1, double v) {
    const double t = std::clamp((v - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// Value noise on a lattice of random values, smoothly interpolated; 0..1.
class Noise {
public:
    Noise(uint64_t seed, int cells) : cells_(cells), values_(size_t(cells + 1) * (cells + 1)) {
        Random random(seed);
        for (double& v : values_) v = random(1000) / 1000.0;
    }
    // (x, y) in -1..1.
    double at(double x, double y) const {
        const double fx = (x + 1) / 2 * cells_, fy = (y + 1) / 2 * cells_;
        const int ix = std::clamp(int(fx), 0, cells_ - 1), iy = std::clamp(int(fy), 0, cells_ - 1);
        const double tx = smoothstep(0, 1, fx - ix), ty = smoothstep(0, 1, fy - iy);
        const auto v = [&](int cx, int cy) { return values_[size_t(cy) * (cells_ + 1) + cx]; };
        const double top = v(ix, iy) * (1 - tx) + v(ix + 1, iy) * tx;
        const double bottom = v(ix, iy + 1) * (1 - tx) + v(ix + 1, iy + 1) * tx;
        return top * (1 - ty) + bottom * ty;
    }

private:
    int cells_;
    std::vector<double> values_;
};

// Several octaves of noise, 0..1.
double fractal(const std::vector<Noise>& octaves, double x, double y) {
    double sum = 0, weight = 0, w = 1;
    for (const Noise& n : octaves) {
        sum += n.at(x, y) * w;
        weight += w;
        w /= 2;
    }
    return sum / weight;
}

std::vector<Noise> octaves(uint64_t seed) {
    return {Noise(seed, 4), Noise(seed + 1, 8), Noise(seed + 2, 16), Noise(seed + 3, 32)};
}

Image render(const Shape& shape) {
    Image tip = *createImage(kSide, kSide, 32);
    for (int py = 0; py < kSide; ++py) {
        for (int px = 0; px < kSide; ++px) {
            double sum = 0;
            for (int sy = 0; sy < kSupersample; ++sy)
                for (int sx = 0; sx < kSupersample; ++sx) {
                    const double x = (px + (sx + 0.5) / kSupersample) / kSide * 2 - 1;
                    const double y = (py + (sy + 0.5) / kSupersample) / kSide * 2 - 1;
                    sum += std::clamp(shape(x, y), 0.0, 1.0);
                }
            const auto a = uint32_t(std::lround(sum / (kSupersample * kSupersample) * 255));
            tip.at(px, py) = rgba(0, 0, 0, a);
        }
    }
    return tip;
}

double radius(double x, double y) {
    return std::sqrt(x * x + y * y);
}

// Round shapes.
double hardRound(double x, double y) {
    return radius(x, y) <= 0.94 ? 1.0 : 0.0;
}
double softRound(double x, double y) {
    const double r = radius(x, y);
    return r >= 1 ? 0.0 : std::exp(-4.5 * r * r) * (1 - smoothstep(0.8, 1.0, r));
}
double featheredRound(double x, double y) {
    return 1 - smoothstep(0.45, 0.95, radius(x, y));
}

// Bristles: thin parallel hairs of random strength across a flat oval.
Shape bristles(uint64_t seed, int hairs) {
    Random random(seed);
    std::vector<double> strength(static_cast<size_t>(hairs)), offset(static_cast<size_t>(hairs));
    for (int i = 0; i < hairs; ++i) {
        strength[size_t(i)] = 0.35 + random(650) / 1000.0;
        offset[size_t(i)] = random(300) / 1000.0;  // where the hair ends, along y
    }
    return [=](double x, double y) {
        const double oval = 1 - smoothstep(0.8, 1.0, radius(x, y * 1.15));
        const double position = (x + 1) / 2 * hairs;
        const int hair = std::clamp(int(position), 0, hairs - 1);
        const double across = position - hair;  // 0..1 within the hair
        const double core = 1 - smoothstep(0.2, 0.5, std::abs(across - 0.5));
        const double length = 1 - smoothstep(0.7 - offset[size_t(hair)], 1.0, std::abs(y));
        return oval * core * length * strength[size_t(hair)];
    };
}

// A fan of bristles spreading from the bottom.
Shape fan(uint64_t seed) {
    const Shape hairs = bristles(seed, 24);
    return [=](double x, double y) {
        const double angle = std::atan2(x, 1.2 - y);  // about -0.6 .. 0.6 over the square
        const double spread = std::clamp(angle / 0.62, -1.0, 1.0);
        const double along = std::clamp(1.2 - radius(x, 1.2 - y), -1.0, 1.0);
        return hairs(spread, along * 0.95) * (1 - smoothstep(0.9, 1.0, std::abs(spread)));
    };
}

// Chalk: a shape eaten by grain where the noise is low.
Shape chalk(uint64_t seed, bool square) {
    const auto grain = octaves(seed);
    return [=](double x, double y) {
        const double body = square ? (1 - smoothstep(0.8, 0.95, std::max(std::abs(x), std::abs(y))))
                                   : 1 - smoothstep(0.7, 0.95, radius(x, y));
        return body * smoothstep(0.38, 0.6, fractal(grain, x, y));
    };
}

// Splatter: round drops of random sizes, denser near the centre.
Shape splatter(uint64_t seed, int drops, double largest) {
    struct Drop {
        double x, y, r;
    };
    Random random(seed);
    std::vector<Drop> list;
    for (int i = 0; i < drops; ++i) {
        const double angle = random(10000) / 10000.0 * 2 * kPi;
        const double distance = std::sqrt(random(10000) / 10000.0) * 0.85;
        const double r = 0.015 + random(1000) / 1000.0 * largest * (1 - distance);
        list.push_back({std::cos(angle) * distance, std::sin(angle) * distance, r});
    }
    return [=](double x, double y) {
        for (const Drop& d : list)
            if (radius(x - d.x, y - d.y) <= d.r) return 1.0;
        return 0.0;
    };
}

// Textured blotch: noise thresholded inside a soft round.
Shape blotch(uint64_t seed) {
    const auto texture = octaves(seed);
    return [=](double x, double y) {
        const double fade = 1 - smoothstep(0.5, 1.0, radius(x, y));
        return fade * (0.35 + 0.65 * fractal(texture, x, y));
    };
}

// Canvas weave: two sets of threads crossing, inside a square with soft edges.
double weave(double x, double y) {
    const double threads = 10;
    const double u = std::abs(std::sin(x * threads * kPi)),
                 v = std::abs(std::sin(y * threads * kPi));
    const double edge = 1 - smoothstep(0.85, 1.0, std::max(std::abs(x), std::abs(y)));
    return edge * (0.4 + 0.6 * std::max(u, v) * (1 - 0.5 * std::min(u, v)));
}

// A flat calligraphy nib: a thin ellipse turned by 45 degrees.
double nib(double x, double y) {
    const double u = (x + y) / std::sqrt(2.0), v = (x - y) / std::sqrt(2.0);
    return 1 - smoothstep(0.9, 1.0, radius(u, v * 4));
}

// A leaf: two circle arcs meeting at the tips.
double leaf(double x, double y) {
    const double u = (x + y) / std::sqrt(2.0), v = (x - y) / std::sqrt(2.0);
    const double inside = std::min(1.0 - radius(u, v - 0.55) / 1.1 + 0.0, 1.0);
    const double other = 1.0 - radius(u, v + 0.55) / 1.1;
    return smoothstep(0.0, 0.05, std::min(inside, other));
}

double ring(double x, double y) {
    const double r = radius(x, y);
    return smoothstep(0.55, 0.65, r) * (1 - smoothstep(0.85, 0.95, r));
}

// Sponge: holes where a fine noise is low, inside a round.
Shape sponge(uint64_t seed) {
    const Noise fine(seed, 24);
    return [=](double x, double y) {
        return (1 - smoothstep(0.75, 0.95, radius(x, y))) * smoothstep(0.45, 0.55, fine.at(x, y));
    };
}

// Dry streaks: horizontal strokes of broken paint.
Shape streaks(uint64_t seed) {
    const Noise rows(seed, 40);
    const Noise breaks(seed + 7, 6);
    return [=](double x, double y) {
        const double strength = smoothstep(0.4, 0.7, rows.at(-0.99, y));
        const double broken = smoothstep(0.3, 0.5, breaks.at(x, y * 0.2));
        return strength * broken * (1 - smoothstep(0.85, 1.0, std::abs(x))) *
               (1 - smoothstep(0.8, 0.95, std::abs(y)));
    };
}

}  // namespace

bool generateBrushTips(const std::string& presetsDir, std::string& error) {
    const std::string folder = joinPath(presetsDir, "brush/orrindal");
    if (!createFolders(folder, error)) return false;
    const std::vector<Shape> tips = {
        hardRound,
        softRound,
        featheredRound,
        bristles(11, 18),
        fan(12),
        chalk(13, false),
        chalk(14, true),
        splatter(15, 40, 0.16),
        splatter(16, 160, 0.05),
        blotch(17),
        weave,
        nib,
        leaf,
        ring,
        sponge(18),
        streaks(19),
    };
    for (size_t i = 0; i < tips.size(); ++i) {
        const std::string path = joinPath(folder, "brush" + std::to_string(i) + ".png");
        if (!savePngFile(render(tips[i]), path, error)) return false;
    }
    return true;
}

}  // namespace qm::assetgen
