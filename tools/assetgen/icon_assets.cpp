// The interface images: tool and panel icons at 1x (25 x 25) and 2x (50 x 50, "name@2x.png"),
// the layer-panel row images, the cursor images and the default roughboard.
//
// One style for all: shapes in a 25-unit square, a dark slate outline over soft fills of a few
// accent colours, drawn with 4 x 4 supersampling so edges are smooth at either scale.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "assetgen.h"
#include "codecs/codecs.h"
#include "platform/paths.h"
#include "raster/image.h"

namespace qm::assetgen {

namespace {

struct Rgba {
    float r, g, b, a;
};

constexpr Rgba kInk{0.18f, 0.21f, 0.25f, 1.0f};
constexpr Rgba kBlue{0.27f, 0.52f, 0.85f, 1.0f};
constexpr Rgba kSky{0.70f, 0.83f, 0.96f, 1.0f};
constexpr Rgba kOrange{0.95f, 0.60f, 0.22f, 1.0f};
constexpr Rgba kGreen{0.30f, 0.70f, 0.38f, 1.0f};
constexpr Rgba kRed{0.86f, 0.26f, 0.24f, 1.0f};
constexpr Rgba kPaper{0.98f, 0.97f, 0.93f, 1.0f};
constexpr Rgba kWood{0.80f, 0.62f, 0.40f, 1.0f};
constexpr Rgba kPink{0.95f, 0.62f, 0.70f, 1.0f};
constexpr Rgba kGrey{0.62f, 0.64f, 0.68f, 1.0f};

struct Pt {
    float x, y;
};

// A picture in icon units: a list of coverage functions painted in order.
class Canvas {
public:
    Canvas(int width, int height, float scale)
        : w_(width), h_(height), scale_(scale), px_(size_t(width) * height, Rgba{0, 0, 0, 0}) {}

    // Paints `colour` where `inside(x, y)` (icon units) holds, with coverage by supersampling.
    void paint(const std::function<bool(float, float)>& inside, Rgba colour) {
        constexpr int kSub = 4;
        for (int y = 0; y < h_; ++y)
            for (int x = 0; x < w_; ++x) {
                int hits = 0;
                for (int sy = 0; sy < kSub; ++sy)
                    for (int sx = 0; sx < kSub; ++sx) {
                        const float ux = (x + (sx + 0.5f) / kSub) / scale_;
                        const float uy = (y + (sy + 0.5f) / kSub) / scale_;
                        hits += inside(ux, uy) ? 1 : 0;
                    }
                if (!hits) continue;
                const float a = colour.a * float(hits) / (kSub * kSub);
                Rgba& d = px_[size_t(y) * w_ + x];
                const float outA = a + d.a * (1 - a);
                if (outA <= 0) continue;
                d.r = (colour.r * a + d.r * d.a * (1 - a)) / outA;
                d.g = (colour.g * a + d.g * d.a * (1 - a)) / outA;
                d.b = (colour.b * a + d.b * d.a * (1 - a)) / outA;
                d.a = outA;
            }
    }

    Image image(bool opaque = false, Rgba background = kPaper) const {
        Image out = *createImage(w_, h_, 32);
        for (size_t i = 0; i < px_.size(); ++i) {
            Rgba p = px_[i];
            if (opaque) {
                p = {p.r * p.a + background.r * (1 - p.a), p.g * p.a + background.g * (1 - p.a),
                     p.b * p.a + background.b * (1 - p.a), 1.0f};
            }
            const auto byte = [](float v) {
                return uint32_t(std::clamp(v, 0.0f, 1.0f) * 255 + 0.5f);
            };
            out.pixels[i] = rgba(byte(p.r), byte(p.g), byte(p.b), byte(p.a));
        }
        return out;
    }

private:
    int w_, h_;
    float scale_;
    std::vector<Rgba> px_;
};

// --- Shapes (icon units) ------------------------------------------------------------------

float segmentDistance(Pt p, Pt a, Pt b) {
    const float dx = b.x - a.x, dy = b.y - a.y;
    const float len2 = dx * dx + dy * dy;
    float t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0;
    t = std::clamp(t, 0.0f, 1.0f);
    const float ex = a.x + t * dx - p.x, ey = a.y + t * dy - p.y;
    return std::sqrt(ex * ex + ey * ey);
}

auto line(Pt a, Pt b, float width) {
    return [=](float x, float y) { return segmentDistance({x, y}, a, b) <= width / 2; };
}
auto disc(Pt c, float r) {
    return [=](float x, float y) { return (x - c.x) * (x - c.x) + (y - c.y) * (y - c.y) <= r * r; };
}
auto ring(Pt c, float r, float width) {
    return [=](float x, float y) {
        const float d = std::sqrt((x - c.x) * (x - c.x) + (y - c.y) * (y - c.y));
        return std::abs(d - r) <= width / 2;
    };
}
auto ellipseFill(Pt c, float rx, float ry) {
    return [=](float x, float y) {
        const float u = (x - c.x) / rx, v = (y - c.y) / ry;
        return u * u + v * v <= 1;
    };
}
auto ellipseRing(Pt c, float rx, float ry, float width) {
    return [=](float x, float y) {
        const float u = (x - c.x) / (rx + width / 2), v = (y - c.y) / (ry + width / 2);
        const float ui = (x - c.x) / (rx - width / 2), vi = (y - c.y) / (ry - width / 2);
        return u * u + v * v <= 1 && ui * ui + vi * vi >= 1;
    };
}
auto box(float x0, float y0, float x1, float y1) {
    return [=](float x, float y) { return x >= x0 && x <= x1 && y >= y0 && y <= y1; };
}
auto frame(float x0, float y0, float x1, float y1, float width) {
    return [=](float x, float y) {
        const bool outer = x >= x0 - width / 2 && x <= x1 + width / 2 && y >= y0 - width / 2 &&
                           y <= y1 + width / 2;
        const bool inner =
            x > x0 + width / 2 && x < x1 - width / 2 && y > y0 + width / 2 && y < y1 - width / 2;
        return outer && !inner;
    };
}
auto polygon(std::vector<Pt> pts) {
    return [pts](float x, float y) {
        bool in = false;
        for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
            if ((pts[i].y > y) != (pts[j].y > y) &&
                x < (pts[j].x - pts[i].x) * (y - pts[i].y) / (pts[j].y - pts[i].y) + pts[i].x)
                in = !in;
        }
        return in;
    };
}
auto outline(std::vector<Pt> pts, float width) {
    return [pts, width](float x, float y) {
        for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++)
            if (segmentDistance({x, y}, pts[j], pts[i]) <= width / 2) return true;
        return false;
    };
}

constexpr float kStroke = 1.6f;

// --- The icons -----------------------------------------------------------------------------

using Draw = void (*)(Canvas&);

void brush(Canvas& c) {
    c.paint(line({19, 4}, {11, 14}, 3.2f), kWood);
    c.paint(polygon({{9, 13}, {13, 16}, {9, 21}, {4, 22}, {6, 17}}), kBlue);
    c.paint(outline({{9, 13}, {13, 16}, {9, 21}, {4, 22}, {6, 17}}, 1.1f), kInk);
}
void lineIcon(Canvas& c) {
    c.paint(line({5, 20}, {20, 5}, 2.2f), kInk);
    c.paint(disc({5, 20}, 2.2f), kBlue);
    c.paint(disc({20, 5}, 2.2f), kBlue);
}
void square(Canvas& c) {
    c.paint(box(5, 6, 20, 19), kSky);
    c.paint(frame(5, 6, 20, 19, kStroke), kInk);
}
void ellipse(Canvas& c) {
    c.paint(ellipseFill({12.5f, 12.5f}, 8.5f, 6.5f), kSky);
    c.paint(ellipseRing({12.5f, 12.5f}, 8.5f, 6.5f, kStroke), kInk);
}
void moveIcon(Canvas& c) {
    c.paint(line({12.5f, 4}, {12.5f, 21}, 1.8f), kInk);
    c.paint(line({4, 12.5f}, {21, 12.5f}, 1.8f), kInk);
    c.paint(polygon({{12.5f, 2}, {16, 6.5f}, {9, 6.5f}}), kInk);
    c.paint(polygon({{12.5f, 23}, {16, 18.5f}, {9, 18.5f}}), kInk);
    c.paint(polygon({{2, 12.5f}, {6.5f, 9}, {6.5f, 16}}), kInk);
    c.paint(polygon({{23, 12.5f}, {18.5f, 9}, {18.5f, 16}}), kInk);
}
void shape(Canvas& c) {
    c.paint(polygon({{12.5f, 4}, {21, 20}, {4, 20}}), kSky);
    c.paint(outline({{12.5f, 4}, {21, 20}, {4, 20}}, kStroke), kInk);
}
void fill(Canvas& c) {
    const std::vector<Pt> bucket{{6, 10}, {14, 5}, {20, 13}, {12, 19}};
    c.paint(polygon(bucket), kPaper);
    c.paint(outline(bucket, kStroke), kInk);
    c.paint(polygon({{6, 10}, {14, 13}, {12, 19}}), kBlue);
    c.paint(disc({5, 17}, 2.3f), kBlue);
}
void clear(Canvas& c) {
    c.paint(box(6, 7, 19, 21), kPaper);
    c.paint(frame(6, 7, 19, 21, kStroke), kInk);
    c.paint(line({4, 6}, {21, 6}, kStroke), kInk);
    c.paint(line({10, 4}, {15, 4}, kStroke), kInk);
    for (float x : {10.0f, 12.5f, 15.0f}) c.paint(line({x, 10}, {x, 18}, 1.0f), kInk);
}
void eraser(Canvas& c) {
    const std::vector<Pt> body{{4, 16}, {13, 6}, {21, 13}, {12, 22}};
    c.paint(polygon(body), kPink);
    c.paint(polygon({{4, 16}, {8.5f, 11}, {16.5f, 18}, {12, 22}}), kSky);
    c.paint(outline(body, 1.3f), kInk);
}
void gradient(Canvas& c) {
    for (int i = 0; i < 15; ++i) {
        const float t = i / 14.0f;
        c.paint(box(5 + i, 6, 6 + i, 19),
                Rgba{kBlue.r + (1 - kBlue.r) * t, kBlue.g + (1 - kBlue.g) * t,
                     kBlue.b + (1 - kBlue.b) * t, 1});
    }
    c.paint(frame(5, 6, 20, 19, kStroke), kInk);
}
void pattern(Canvas& c) {
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i)
            c.paint(box(5 + i * 5.2f, 5 + j * 5.2f, 8.8f + i * 5.2f, 8.8f + j * 5.2f),
                    (i + j) % 2 ? kSky : kBlue);
    c.paint(frame(4.5f, 4.5f, 20.5f, 20.5f, 1.2f), kInk);
}
void hand(Canvas& c) {
    c.paint(box(7, 11, 18, 20), kPaper);
    c.paint(disc({12.5f, 19}, 5.5f), kPaper);
    for (float x : {8.0f, 11.0f, 14.0f, 17.0f})
        c.paint(line({x, x == 8 || x == 17 ? 8.0f : 6.0f}, {x, 13}, 2.6f), kPaper);
    c.paint(line({6, 14}, {4, 11}, 2.6f), kPaper);
    for (float x : {8.0f, 11.0f, 14.0f, 17.0f})
        c.paint(ring({x, x == 8 || x == 17 ? 8.0f : 6.0f}, 1.3f, 0.9f), kInk);
    c.paint(outline({{6.7f, 13}, {6.7f, 20}, {9, 23}, {16, 23}, {18.3f, 20}, {18.3f, 9}}, 1.0f),
            kInk);
}
void zoom(Canvas& c) {
    c.paint(disc({10.5f, 10.5f}, 6), kSky);
    c.paint(ring({10.5f, 10.5f}, 6, 1.8f), kInk);
    c.paint(line({15, 15}, {21, 21}, 3), kInk);
    c.paint(line({8, 10.5f}, {13, 10.5f}, 1.4f), kInk);
    c.paint(line({10.5f, 8}, {10.5f, 13}, 1.4f), kInk);
}
void picker(Canvas& c) {
    c.paint(line({7, 18}, {16, 9}, 2.8f), kSky);
    c.paint(line({15, 10}, {19, 6}, 4.2f), kInk);
    c.paint(line({5, 20}, {7, 18}, 1.4f), kInk);
    c.paint(disc({4.5f, 20.5f}, 1.5f), kBlue);
}
void selected(Canvas& c) {
    c.paint(box(0, 0, 25, 25), Rgba{kSky.r, kSky.g, kSky.b, 0.9f});
    c.paint(frame(0.8f, 0.8f, 24.2f, 24.2f, 1.4f), kBlue);
}
void paint(Canvas& c) {
    c.paint(ellipseFill({12.5f, 13}, 10, 8.5f), kWood);
    c.paint(disc({8, 10}, 2), kRed);
    c.paint(disc({13, 8}, 2), kBlue);
    c.paint(disc({18, 11}, 2), kGreen);
    c.paint(disc({10, 17}, 2.4f), kPaper);
}
void file(Canvas& c) {
    c.paint(polygon({{3, 8}, {10, 8}, {12, 10}, {22, 10}, {22, 20}, {3, 20}}), kOrange);
    c.paint(outline({{3, 8}, {10, 8}, {12, 10}, {22, 10}, {22, 20}, {3, 20}}, 1.2f), kInk);
}
void onion(Canvas& c) {
    c.paint(ellipseFill({12.5f, 14}, 8, 7.5f), kPink);
    c.paint(ellipseRing({12.5f, 14}, 5, 7.5f, 1.0f), kInk);
    c.paint(ellipseRing({12.5f, 14}, 8, 7.5f, 1.3f), kInk);
    c.paint(line({12.5f, 3}, {12.5f, 7}, 1.3f), kGreen);
}
void open(Canvas& c) {
    file(c);
    c.paint(polygon({{6, 13}, {24, 13}, {21, 20}, {3, 20}}), Rgba{1.0f, 0.78f, 0.45f, 1});
    c.paint(outline({{6, 13}, {24, 13}, {21, 20}, {3, 20}}, 1.0f), kInk);
}
void exportIcon(Canvas& c) {
    c.paint(frame(4, 8, 17, 21, 1.3f), kInk);
    c.paint(line({11, 14}, {21, 4}, 1.8f), kBlue);
    c.paint(polygon({{22, 3}, {22, 10}, {15, 3}}), kBlue);
}
void save(Canvas& c) {
    c.paint(box(4, 4, 21, 21), kBlue);
    c.paint(box(8, 4, 17, 10), kPaper);
    c.paint(box(7, 14, 18, 21), kPaper);
    c.paint(frame(4, 4, 21, 21, 1.2f), kInk);
}
void newIcon(Canvas& c) {
    c.paint(polygon({{6, 3}, {15, 3}, {20, 8}, {20, 22}, {6, 22}}), kPaper);
    c.paint(outline({{6, 3}, {15, 3}, {20, 8}, {20, 22}, {6, 22}}, 1.2f), kInk);
    c.paint(line({15, 3}, {15, 8}, 1.0f), kInk);
    c.paint(line({15, 8}, {20, 8}, 1.0f), kInk);
    c.paint(disc({18, 19}, 3.8f), kGreen);
    c.paint(line({16, 19}, {20, 19}, 1.2f), kPaper);
    c.paint(line({18, 17}, {18, 21}, 1.2f), kPaper);
}
void play(Canvas& c) {
    c.paint(polygon({{8, 5}, {20, 12.5f}, {8, 20}}), kGreen);
    c.paint(outline({{8, 5}, {20, 12.5f}, {8, 20}}, 1.2f), kInk);
}
void stop(Canvas& c) {
    c.paint(box(6, 6, 19, 19), kRed);
    c.paint(frame(6, 6, 19, 19, 1.2f), kInk);
}
void pause(Canvas& c) {
    c.paint(box(7, 5, 11, 20), kBlue);
    c.paint(box(14, 5, 18, 20), kBlue);
    c.paint(frame(7, 5, 11, 20, 1.0f), kInk);
    c.paint(frame(14, 5, 18, 20, 1.0f), kInk);
}
void loop(Canvas& c) {
    c.paint(ellipseRing({12.5f, 12.5f}, 8, 5.5f, 2.0f), kBlue);
    c.paint(polygon({{17, 3.5f}, {22, 7}, {16.5f, 10}}), kInk);
}
void addkey(Canvas& c) {
    c.paint(polygon({{12.5f, 3}, {21, 12.5f}, {12.5f, 22}, {4, 12.5f}}), kOrange);
    c.paint(outline({{12.5f, 3}, {21, 12.5f}, {12.5f, 22}, {4, 12.5f}}, 1.2f), kInk);
    c.paint(line({9, 12.5f}, {16, 12.5f}, 1.8f), kInk);
    c.paint(line({12.5f, 9}, {12.5f, 16}, 1.8f), kInk);
}
void delkey(Canvas& c) {
    c.paint(polygon({{12.5f, 3}, {21, 12.5f}, {12.5f, 22}, {4, 12.5f}}), kGrey);
    c.paint(outline({{12.5f, 3}, {21, 12.5f}, {12.5f, 22}, {4, 12.5f}}, 1.2f), kInk);
    c.paint(line({9, 12.5f}, {16, 12.5f}, 1.8f), kInk);
}
void folder(Canvas& c) {
    file(c);
}
void previewAnim(Canvas& c) {
    c.paint(box(3, 6, 22, 19), kInk);
    for (float x : {5.0f, 9.0f, 13.0f, 17.0f}) {
        c.paint(box(x, 7, x + 2, 8.5f), kPaper);
        c.paint(box(x, 16.5f, x + 2, 18), kPaper);
    }
    c.paint(box(5, 10, 20, 15), kSky);
}
void led(Canvas& c, Rgba colour) {
    c.paint(disc({12.5f, 12.5f}, 7), colour);
    c.paint(disc({10, 10}, 2.2f), Rgba{1, 1, 1, 0.7f});
    c.paint(ring({12.5f, 12.5f}, 7, 1.2f), kInk);
}
void ledred(Canvas& c) {
    led(c, kRed);
}
void ledgreen(Canvas& c) {
    led(c, kGreen);
}
void eye(Canvas& c) {
    c.paint(polygon({{2, 12.5f},
                     {7, 7},
                     {12.5f, 5.5f},
                     {18, 7},
                     {23, 12.5f},
                     {18, 18},
                     {12.5f, 19.5f},
                     {7, 18}}),
            kPaper);
    c.paint(outline({{2, 12.5f},
                     {7, 7},
                     {12.5f, 5.5f},
                     {18, 7},
                     {23, 12.5f},
                     {18, 18},
                     {12.5f, 19.5f},
                     {7, 18}},
                    1.3f),
            kInk);
    c.paint(disc({12.5f, 12.5f}, 4), kBlue);
    c.paint(disc({12.5f, 12.5f}, 1.8f), kInk);
}
void locked(Canvas& c) {
    c.paint(ring({12.5f, 10}, 4.5f, 2.0f), kInk);
    c.paint(box(6, 11, 19, 21), kOrange);
    c.paint(frame(6, 11, 19, 21, 1.2f), kInk);
    c.paint(disc({12.5f, 16}, 1.5f), kInk);
}
// The note beside settings that take effect after a restart: an exclamation mark on a sign.
void important(Canvas& c) {
    const std::vector<Pt> sign = {{12.5f, 2.5f}, {23, 21.5f}, {2, 21.5f}};
    c.paint(polygon(sign), kOrange);
    c.paint(outline(sign, 1.3f), kInk);
    c.paint(line({12.5f, 9}, {12.5f, 14.5f}, 2.4f), kInk);
    c.paint(disc({12.5f, 18}, 1.4f), kInk);
}
void circlePaint(Canvas& c) {
    c.paint(ring({12.5f, 12.5f}, 8, 1.2f), kInk);
    c.paint(disc({12.5f, 12.5f}, 1), kInk);
}
void pipette(Canvas& c) {
    picker(c);
}

struct IconFile {
    const char* name;
    Draw draw;
};

const IconFile kIcons[] = {
    {"selected.png", selected},
    {"brush.png", brush},
    {"line.png", lineIcon},
    {"ellipse.png", ellipse},
    {"square.png", square},
    {"move.png", moveIcon},
    {"shape.png", shape},
    {"fill.png", fill},
    {"clear.png", clear},
    {"eraser.png", eraser},
    {"gradient.png", gradient},
    {"pattern.png", pattern},
    {"hand.png", hand},
    {"zoom.png", zoom},
    {"color_picker.png", picker},
    {"paint.png", paint},
    {"onion.png", onion},
    {"open.png", open},
    {"export.png", exportIcon},
    {"save.png", save},
    {"new.png", newIcon},
    {"play.png", play},
    {"stop.png", stop},
    {"pause.png", pause},
    {"loop.png", loop},
    {"addkey.png", addkey},
    {"delkey.png", delkey},
    {"folder.png", folder},
    {"preview_anim.png", previewAnim},
    {"ledred.png", ledred},
    {"ledgreen.png", ledgreen},
    {"eye.png", eye},
    {"locked.png", locked},
    {"important.png", important},
};

// Cursor and small-icon files in the icon container format.
const IconFile kIcoFiles[] = {
    {"file.ico", file},
    {"circle_paint.ico", circlePaint},
    {"move.ico", moveIcon},
    {"pipette.ico", pipette},
};

Image render(Draw draw, int side) {
    Canvas c(side, side, side / 25.0f);
    draw(c);
    return c.image();
}

void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// One 32-bit image in an icon container: the header, one directory entry, a bitmap header of
// twice the height, the rows bottom-up in blue-green-red-alpha, then an all-clear AND mask.
std::vector<uint8_t> encodeIco(const Image& img) {
    const uint32_t w = uint32_t(img.width), h = uint32_t(img.height);
    const uint32_t maskStride = ((w + 31) / 32) * 4;
    const uint32_t bytes = 40 + w * h * 4 + maskStride * h;
    std::vector<uint8_t> out;
    put16(out, 0);
    put16(out, 1);
    put16(out, 1);
    out.push_back(uint8_t(w));
    out.push_back(uint8_t(h));
    out.push_back(0);
    out.push_back(0);
    put16(out, 1);
    put16(out, 32);
    put32(out, bytes);
    put32(out, 22);
    put32(out, 40);
    put32(out, w);
    put32(out, h * 2);
    put16(out, 1);
    put16(out, 32);
    put32(out, 0);
    put32(out, w * h * 4);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    for (int y = int(h) - 1; y >= 0; --y)
        for (uint32_t x = 0; x < w; ++x) {
            const uint32_t p = img.pixels[size_t(y) * w + x];
            out.push_back(uint8_t(blue(p)));
            out.push_back(uint8_t(green(p)));
            out.push_back(uint8_t(red(p)));
            out.push_back(uint8_t(alpha(p)));
        }
    out.insert(out.end(), size_t(maskStride) * h, 0);
    return out;
}

bool writeBytes(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
        if (f) std::fclose(f);
        error = "cannot write " + path;
        return false;
    }
    return std::fclose(f) == 0 || (error = "cannot write " + path, false);
}

// The layer row: a light bar with a soft top edge and a dark bottom line.
Image layerRow(int width, bool selectedRow) {
    Image img = *createImage(width, 25, 32);
    for (int y = 0; y < 25; ++y)
        for (int x = 0; x < width; ++x) {
            int v = selectedRow ? 180 - y : 236 - y / 2;
            uint32_t r = uint32_t(v), g = uint32_t(v), b = uint32_t(selectedRow ? 240 - y : v + 4);
            if (y == 24) r = g = b = 150;
            if (y == 0) r = g = b = 250;
            img.pixels[size_t(y) * width + x] = rgba(r, g, b, 255);
        }
    return img;
}

Image flatten(Draw draw, int w, int h, Rgba background) {
    Canvas c(w, h, std::min(w, h) / 25.0f);
    draw(c);
    return c.image(true, background);
}

void smallEye(Canvas& c) {
    c.paint(ellipseFill({12.5f, 12.5f}, 11, 8), kInk);
    c.paint(disc({12.5f, 12.5f}, 5), kPaper);
    c.paint(disc({12.5f, 12.5f}, 2.5f), kInk);
}

void layerButton1(Canvas& c) {
    newIcon(c);
}
void layerButton2(Canvas& c) {
    delkey(c);
}
void layerButton3(Canvas& c) {
    folder(c);
}
void layerButton4(Canvas& c) {
    save(c);
}

// The application's icon: a moth over a night-blue tile, its wings cream and orange, its body
// ending in a pen nib. Drawn in the same 25-unit square, so it holds from 16 to 512 pixels.
auto roundedBox(float x0, float y0, float x1, float y1, float r) {
    return [=](float x, float y) {
        const float cx = std::clamp(x, x0 + r, x1 - r), cy = std::clamp(y, y0 + r, y1 - r);
        return x >= x0 && x <= x1 && y >= y0 && y <= y1 &&
               (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r;
    };
}
std::vector<Pt> mirrored(std::vector<Pt> pts) {
    for (Pt& p : pts) p.x = 25 - p.x;
    return pts;
}
void applicationIcon(Canvas& c) {
    constexpr Rgba kNight{0.16f, 0.20f, 0.38f, 1.0f};
    constexpr Rgba kGlow{0.30f, 0.40f, 0.66f, 0.55f};
    constexpr Rgba kCream{0.98f, 0.93f, 0.80f, 1.0f};
    constexpr Rgba kGold{0.96f, 0.78f, 0.36f, 1.0f};
    c.paint(roundedBox(0.8f, 0.8f, 24.2f, 24.2f, 5), kNight);
    c.paint(disc({12.5f, 10.5f}, 8.5f), kGlow);
    const std::vector<Pt> upper = {{12, 9.8f},   {8, 4.6f},     {3.4f, 4.4f},
                                   {2.4f, 8.6f}, {4.6f, 12.6f}, {11.6f, 12.6f}};
    const std::vector<Pt> lower = {
        {12, 13.2f}, {6.6f, 13.6f}, {4.6f, 16.8f}, {6.4f, 19.6f}, {11.4f, 16.2f}};
    for (const auto& wing : {lower, mirrored(lower)}) {
        c.paint(polygon(wing), kOrange);
        c.paint(outline(wing, 0.9f), kInk);
    }
    for (const auto& wing : {upper, mirrored(upper)}) {
        c.paint(polygon(wing), kCream);
        c.paint(outline(wing, 0.9f), kInk);
    }
    for (float x : {6.6f, 18.4f}) {
        c.paint(disc({x, 8.4f}, 1.5f), kOrange);
        c.paint(disc({x, 8.4f}, 0.6f), kInk);
    }
    c.paint(line({12, 7.6f}, {9.6f, 3}, 0.7f), kCream);
    c.paint(line({13, 7.6f}, {15.4f, 3}, 0.7f), kCream);
    c.paint(polygon({{11.1f, 14}, {13.9f, 14}, {12.5f, 22.4f}}), kGold);
    c.paint(outline({{11.1f, 14}, {13.9f, 14}, {12.5f, 22.4f}}, 0.6f), kInk);
    c.paint(line({12.5f, 16.6f}, {12.5f, 21.4f}, 0.45f), kInk);
    c.paint(disc({12.5f, 16.4f}, 0.55f), kInk);
    c.paint(ellipseFill({12.5f, 10.8f}, 1.5f, 3.8f), kInk);
}

}  // namespace

bool generateApplicationIcons(const std::string& themeDir, const std::string& name,
                              std::string& error) {
    for (int side : {16, 22, 24, 32, 48, 64, 128, 256, 512}) {
        const std::string size = std::to_string(side) + "x" + std::to_string(side);
        const std::string dir = joinPath(themeDir, "hicolor/" + size + "/apps");
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
        if (ec) {
            error = "cannot create " + dir;
            return false;
        }
        if (!savePngFile(render(applicationIcon, side), joinPath(dir, name + ".png"), error))
            return false;
    }
    return true;
}

bool generateInterfaceImages(const std::string& workDir, std::string& error) {
    const std::string ui = joinPath(workDir, "data/ui");
    const std::string icons = joinPath(ui, "icone");
    const std::string swatches = joinPath(workDir, "presets/swatches");
    std::error_code ec;
    for (const std::string& dir : {icons, swatches}) {
        std::filesystem::create_directories(dir, ec);
        if (ec) {
            error = "cannot create " + dir;
            return false;
        }
    }
    for (const IconFile& icon : kIcons) {
        const std::string base = joinPath(icons, icon.name);
        const std::string dense = base.substr(0, base.size() - 4) + "@2x.png";
        if (!savePngFile(render(icon.draw, 25), base, error)) return false;
        if (!savePngFile(render(icon.draw, 50), dense, error)) return false;
    }
    // The arrow beside the colour picker's value strip: 8 x 12, pointing right.
    {
        Canvas c(8, 12, 1.0f);
        c.paint(polygon({{0, 0}, {8, 6}, {0, 12}}), kInk);
        if (!savePngFile(c.image(), joinPath(icons, "select.png"), error)) return false;
        Canvas d(16, 24, 2.0f);
        d.paint(polygon({{0, 0}, {8, 6}, {0, 12}}), kInk);
        if (!savePngFile(d.image(), joinPath(icons, "select@2x.png"), error)) return false;
    }
    for (const IconFile& icon : kIcoFiles)
        if (!writeBytes(joinPath(icons, icon.name), encodeIco(render(icon.draw, 25)), error))
            return false;

    // Layer-panel images (photographic format, opaque).
    constexpr Rgba kPanel{0.878f, 0.875f, 0.890f, 1};
    const struct {
        const char* name;
        Image image;
    } rows[] = {
        {"layer.jpg", layerRow(254, false)},
        {"layersel.jpg", layerRow(254, true)},
        {"layereye.jpg", flatten(smallEye, 11, 9, kPanel)},
        {"layerlocked.jpg", flatten(locked, 25, 25, kPanel)},
        {"layerbtn1.jpg", flatten(layerButton1, 25, 25, kPanel)},
        {"layerbtn2.jpg", flatten(layerButton2, 25, 25, kPanel)},
        {"layerbtn3.jpg", flatten(layerButton3, 25, 25, kPanel)},
        {"layerbtn4.jpg", flatten(layerButton4, 25, 25, kPanel)},
    };
    for (const auto& row : rows)
        if (!saveJpegFile(row.image, joinPath(ui, row.name), 10, error)) return false;

    // The default roughboard: a white sheet.
    Image rough = *createImage(140, 250, 32);
    std::fill(rough.pixels.begin(), rough.pixels.end(), rgba(255, 255, 255, 255));
    return savePngFile(rough, joinPath(swatches, "rb.png"), error);
}

}  // namespace qm::assetgen
