// Pen input through the stroke painter: pressure along a stroke (size and opacity), the lean
// turning the tip, the pressure curve's text form, and the steady line. A mouse stroke must stay
// exactly what it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "brush/pen_stroke.h"
#include "brush/pressure_curve.h"
#include "brush/stabiliser.h"
#include "brush/stroke.h"
#include "raster/shapes.h"

namespace qm {
namespace {

Image blank(int w, int h) {
    return *createImage(w, h, 32);
}

// A brush with decay and randomness off unless a test turns them on, painting a prepared tip
// onto its own layer.
struct PenPainter {
    PenPainter(int w, int h, const Image& documentTip) : layer(blank(w, h)) {
        brush.size = int16_t(documentTip.width);
        brush.pas = 0;  // a dab at every pixel
        brush.scatter = 0;
        brush.randRot = 0;
        brush.alphaVsTime = 0;
        brush.sizemini = 0;
        setTipImage(tip, documentTip);
    }
    StrokeContext context() {
        return StrokeContext{brush, tip,    imageDabTarget(layer),      100,
                             4,     random, useCache ? &cache : nullptr};
    }
    // The segments of a mouse stroke: each move from the previous position.
    void mouseStroke(const std::vector<PenSample>& points) {
        StrokeContext ctx = context();
        for (size_t i = 1; i < points.size(); ++i)
            paintSegment(ctx, int(points[i - 1].x), int(points[i - 1].y), int(points[i].x),
                         int(points[i].y));
    }
    // The same samples through a pen stroke, press to release.
    void penStroke(const std::vector<PenSample>& samples, const PressureCurve* curve = nullptr) {
        StrokeContext ctx = context();
        pen.begin(samples.front(), brush, curve);
        for (size_t i = 1; i < samples.size(); ++i) {
            pen.moveTo(ctx, samples[i]);
            drawn.push_back(pen.painted());
        }
        pen.finish(ctx);
    }

    BrushSettings brush;
    BrushTip tip;
    Image layer;
    Random random{11};
    StrokeCache cache;
    PenStroke pen;
    std::vector<PenSample> drawn;  // the last painted point after each move
    bool useCache = true;
};

Image disc(int side) {
    Image tip = blank(side, side);
    fillCircle(tip, side / 2, side / 2, side / 2 - 1, solidPaint(rgba(0, 0, 0, 255)));
    return tip;
}

// Rows painted in a column: the stroke's thickness there.
int thickness(const Image& image, int x) {
    int n = 0;
    for (int y = 0; y < image.height; ++y) n += alpha(image.at(x, y)) ? 1 : 0;
    return n;
}

PenSample penAt(double x, double y, double pressure, double time = 0) {
    PenSample s;
    s.x = x;
    s.y = y;
    s.pressure = pressure;
    s.time = time;
    return s;
}

TEST(PenPressure, RisingPressureTapersFromNarrowToFullSize) {
    PenPainter p(220, 60, disc(21));
    p.brush.sizeVsPressure = 1;
    p.brush.sizemini = 5;
    std::vector<PenSample> samples;
    for (int i = 0; i <= 18; ++i) samples.push_back(penAt(20 + 10 * i, 30, 0.1 + 0.05 * i));
    p.penStroke(samples);
    // Full size is the 19 rows of the disc.
    EXPECT_LE(thickness(p.layer, 22), 5);
    EXPECT_EQ(thickness(p.layer, 195), 19);
    // In between it widens as the pressure rises, without gaps. Column by column the width
    // wavers by a row or two (a disc resized to the nearest pixel to some sizes drops its centre
    // column), so it is compared over runs of 20 columns.
    double previous = 0;
    for (int x0 = 22; x0 + 20 <= 200; x0 += 20) {
        int sum = 0;
        for (int x = x0; x < x0 + 20; ++x) {
            EXPECT_GE(thickness(p.layer, x), 1) << x;
            sum += thickness(p.layer, x);
        }
        EXPECT_GT(sum / 20.0, previous) << x0;
        previous = sum / 20.0;
    }
    // Without the setting the same stroke is full size throughout.
    PenPainter flat(220, 60, disc(21));
    flat.penStroke(samples);
    EXPECT_EQ(thickness(flat.layer, 40), 19);
}

// The guard of every mouse stroke: a pen stroke with the pen settings off (whatever its pressure
// and lean), and a mouse stroke with them on, paint exactly the segments of the mouse, with every
// random feature and decay on so the order of the random numbers shows too.
TEST(PenPressure, PenWithSettingsOffAndMouseWithSettingsOnPaintAsTheMouse) {
    std::vector<PenSample> path;
    for (int i = 0; i < 25; ++i) {
        PenSample s = penAt(10 + 7 * i, 40 + (i * 13) % 17, 0.05 + 0.9 * ((i * 7) % 10) / 10.0);
        s.tiltX = -40 + 3 * i;
        s.tiltY = 25;
        s.hasTilt = true;
        s.time = 4.0 * i;
        path.push_back(s);
    }
    path.push_back(path.back());  // a move to the same place: a segment with decay only
    path.push_back(penAt(60, 20, 0.3));
    std::vector<PenSample> mouse;
    for (const PenSample& s : path) mouse.push_back(mouseSample(s.x, s.y, s.time));

    Image tip = disc(15);
    tip.at(2, 7) = rgba(255, 0, 0, 255);  // shows the dab's turn
    for (bool rotated : {false, true}) {
        const auto setUp = [&](PenPainter& p) {
            p.brush.pas = 20;
            p.brush.scatter = 30;
            p.brush.randSiz = 20;
            p.brush.sizemini = 30;
            p.brush.alphaVsTime = 40;
            p.brush.alphaFactorVsTime = 3;
            p.brush.sizeVsTime = 300;
            p.brush.sizeFactorVsTime = 2;
            p.brush.rotate = rotated ? 20 : 0;
            p.brush.randRot = rotated ? 90 : 0;
        };
        PenPainter expected(220, 80, tip), pen(220, 80, tip), mouseOn(220, 80, tip);
        for (PenPainter* p : {&expected, &pen, &mouseOn}) setUp(*p);
        mouseOn.brush.sizeVsPressure = mouseOn.brush.alphaVsPressure = 1;
        mouseOn.brush.rotateVsTilt = 1;
        expected.mouseStroke(mouse);
        const PressureCurve curve = *parsePressureCurve("0,0 0.2,0.8 1,1");
        pen.penStroke(path, &curve);
        mouseOn.penStroke(mouse);
        EXPECT_EQ(pen.layer.pixels, expected.layer.pixels) << rotated;
        EXPECT_EQ(mouseOn.layer.pixels, expected.layer.pixels) << rotated;
        EXPECT_EQ(pen.brush.strokeAlpha, expected.brush.strokeAlpha);
        EXPECT_EQ(mouseOn.brush.strokeSizeFactor, expected.brush.strokeSizeFactor);
        EXPECT_EQ(pen.random.next(), expected.random.next());
    }
}

// Dabs that follow the pressure keep their resized (and turned) copies from dab to dab, cut to
// their painted box and widened with transparent columns; they must paint exactly what resizing
// each dab anew paints: turned or not, for the blend, eraser and smudge passes, with water, with
// the opacity following the pressure too (also over paint of the tip's own colour, where the
// blend keeps the colour), turned by the lean at full size, for tips of several sizes, and with
// dabs crossing the image's edges.
TEST(PenPressure, KeptResizedDabsPaintAsResizingEachDab) {
    Image ellipse = blank(17, 11);
    fillEllipse(ellipse, 8, 5, 7, 4, solidPaint(rgba(30, 200, 90, 220)));
    ellipse.at(0, 0) = rgba(255, 0, 0, 255);
    Image wide = blank(41, 9);  // a painted box of 39 columns, widened to 40
    fillEllipse(wide, 20, 4, 19, 3, solidPaint(rgba(30, 200, 90, 255)));
    const Image* const tips[] = {&ellipse, &wide};
    const struct {
        int tool, water;
        bool turned, lean, alpha, ownColour;
        int tip;
        bool sized = true;  // the size follows the pressure
    } cases[] = {
        {0, 0, false, true, true, false, 0, false}, {0, 0, true, true, false, true, 1, false},
        {0, 0, false, false, false, false, 0},      {2, 0, false, false, false, false, 0},
        {4, 0, false, false, false, false, 0},      {0, 90, true, false, false, false, 0},
        {0, 0, false, true, false, false, 0},       {4, 0, true, true, false, false, 0},
        {2, 0, true, true, false, false, 0},        {0, 0, true, true, true, false, 0},
        {0, 0, true, true, true, true, 0},          {0, 0, false, false, true, true, 1},
        {0, 0, true, true, true, true, 1},          {2, 0, false, true, true, false, 1}};
    std::vector<PenSample> path;
    for (int i = 0; i <= 30; ++i) {
        PenSample s = penAt(-6 + 3.3 * i, 2 + 1.7 * i, 0.05 + 0.03 * i, 5.0 * i);
        s.tiltX = 40 - 2.5 * i;
        s.tiltY = 10;
        s.hasTilt = true;
        path.push_back(s);
    }
    for (const auto& c : cases) {
        PenPainter kept(80, 50, *tips[c.tip]), fresh(80, 50, *tips[c.tip]);
        fresh.useCache = false;
        for (PenPainter* p : {&kept, &fresh}) {
            const uint32_t under = c.ownColour ? rgba(30, 200, 90, 120) : rgba(90, 160, 220, 200);
            std::fill(p->layer.pixels.begin(), p->layer.pixels.end(), under);
            p->brush.tool = uint8_t(c.tool);
            p->brush.water = uint8_t(c.water);
            p->brush.sizeVsPressure = c.sized ? 1 : 0;
            p->brush.alphaVsPressure = c.alpha ? 1 : 0;
            p->brush.sizemini = 20;
            p->brush.randRot = c.turned ? 40 : 0;
            p->brush.rotateVsTilt = c.lean ? 1 : 0;
            p->brush.pas = 10;
            p->penStroke(path);
        }
        EXPECT_EQ(kept.layer.pixels, fresh.layer.pixels)
            << c.tool << " " << c.turned << " " << c.alpha << " " << c.tip;
    }
}

TEST(PenPressure, OpacityFollowsPressure) {
    Image dot = *createImage(1, 1, 32);
    dot.pixels[0] = rgba(0, 0, 0, 255);
    for (double pressure : {0.0, 0.25, 0.5, 1.0}) {
        for (bool follows : {false, true}) {
            PenPainter p(30, 10, dot);
            p.brush.alphaVsPressure = follows ? 1 : 0;
            p.brush.alpha = 255;
            p.penStroke({penAt(20, 5, pressure), penAt(10, 5, pressure)});
            Image expected = blank(30, 10);
            const int opacity = follows ? int(std::lround(255 * pressure)) : 255;
            // The one-pixel dab's corner at X - 0.5 rounds halves to even: (10, 4) gets the dabs
            // at X = 11 and 10.
            for (int twice = 0; twice < 2; ++twice)
                drawDab(expected, p.tip.documentTip, 10, 4, DabPasses{0, 0, false, opacity});
            EXPECT_EQ(p.layer.at(10, 4), expected.at(10, 4)) << pressure << " " << follows;
        }
    }
    // Along a segment the opacity runs from one sample's pressure to the other's.
    PenPainter p(40, 10, dot);
    p.brush.alphaVsPressure = 1;
    p.penStroke({penAt(5, 5, 0.0), penAt(35, 5, 1.0)});
    // (Dabs land on even columns, and on row 4 or 5: the step along the row has a cosine of
    // 6e-17, which tips Y - 0.5 over the half.)
    const auto column = [&](int x) {
        return std::max(alpha(p.layer.at(x, 4)), alpha(p.layer.at(x, 5)));
    };
    for (int x = 6; x < 34; x += 2) EXPECT_LT(column(x), column(x + 2)) << x;
    EXPECT_EQ(column(34), 255u);
    EXPECT_LE(column(6), 30u);
}

// The tip turns with the direction the pen leans to: the same dabs as a brush turned by hand.
// The azimuth runs clockwise on screen and a tip turns anticlockwise by its angle.
TEST(PenTilt, TheLeanTurnsTheTipAsItsAzimuth) {
    Image bar = blank(13, 5);
    fillBox(bar, 0, 1, 13, 3, solidPaint(rgba(0, 0, 0, 255)));
    bar.at(12, 0) = rgba(255, 0, 0, 255);
    const struct {
        double tiltX, tiltY;
        int rotate;
    } cases[] = {{0, 30, 270}, {-30, 0, 180}, {0, -50, 90}, {30, 30, 315}, {20, -20, 45}};
    for (const auto& c : cases) {
        PenPainter pen(60, 40, bar), turned(60, 40, bar);
        pen.brush.rotateVsTilt = 1;
        pen.brush.pas = 100;  // a few dabs, far apart
        turned.brush.pas = 100;
        turned.brush.rotate = int16_t(c.rotate);
        PenSample a = penAt(10, 20, 1), b = penAt(50, 20, 1);
        for (PenSample* s : {&a, &b}) {
            s->tiltX = c.tiltX;
            s->tiltY = c.tiltY;
            s->hasTilt = true;
        }
        pen.penStroke({a, b});
        turned.mouseStroke({a, b});
        EXPECT_EQ(pen.layer.pixels, turned.layer.pixels) << c.tiltX << "," << c.tiltY;
    }
    // Off by default: the lean changes nothing.
    PenPainter pen(60, 40, bar), mouse(60, 40, bar);
    PenSample a = penAt(10, 20, 1), b = penAt(50, 20, 1);
    a.tiltY = b.tiltY = 30;
    a.hasTilt = b.hasTilt = true;
    pen.penStroke({a, b});
    mouse.mouseStroke({a, b});
    EXPECT_EQ(pen.layer.pixels, mouse.layer.pixels);
}

TEST(PressureCurveText, ParsesGoodTextsAndRefusesBadOnes) {
    using P = std::vector<CurvePoint>;
    const struct {
        const char* text;
        std::optional<P> points;
    } cases[] = {
        {"0,0 1,1", P{{0, 0}, {1, 1}}},
        {"  0,0   0.5,0.7\t1,1 ", P{{0, 0}, {0.5, 0.7}, {1, 1}}},
        {"0 , 0.25 1 ,1", P{{0, 0.25}, {1, 1}}},
        {"1,1 0,0 0.5,0.2", P{{0, 0}, {0.5, 0.2}, {1, 1}}},      // sorted
        {"-1,-0.5 2,1.5", P{{0, 0}, {1, 1}}},                    // clamped
        {"0,0.8 0.5,0.3 1,1", P{{0, 0.8}, {0.5, 0.8}, {1, 1}}},  // never falls
        {"0,0 0,0.5 1,1", P{{0, 0}, {1, 1}}},                    // a repeated x: the first
        {"+0.2,1e-1 0.9,1", P{{0.2, 0.1}, {0.9, 1}}},
        {"", std::nullopt},
        {"0,0", std::nullopt},  // one point is no curve
        {"0,0 0,1", std::nullopt},
        {"0,0 1", std::nullopt},
        {"0,0 1,1,", std::nullopt},
        {"0,0 1;1", std::nullopt},
        {"0,0 1,1x", std::nullopt},
        {"linear", std::nullopt},
        {"0,0 nan,1", std::nullopt},
        {"0,0 inf,1", std::nullopt},
        {"0,0 0.1,0.1 0.2,0.2 0.3,0.3 0.4,0.4 0.5,0.5 0.6,0.6 0.7,0.7 1,1", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto curve = parsePressureCurve(c.text);
        ASSERT_EQ(curve.has_value(), c.points.has_value()) << '"' << c.text << '"';
        if (curve) {
            EXPECT_EQ(curve->points, *c.points) << c.text;
            // The text form reads back as the same curve.
            EXPECT_EQ(parsePressureCurve(pressureCurveText(*curve)), curve) << c.text;
        } else {
            EXPECT_EQ(pressureCurveFromText(c.text), linearPressureCurve()) << c.text;
        }
    }
    EXPECT_EQ(pressureCurveText(linearPressureCurve()), "0,0 1,1");
    EXPECT_EQ(pressureCurveText(*parsePressureCurve("0,0 0.5,0.7 1,1")), "0,0 0.5,0.7 1,1");
}

TEST(PressureCurveText, EvaluatesWithinZeroToOneAndNeverFalls) {
    const PressureCurve linear = linearPressureCurve();
    const PressureCurve soft = *parsePressureCurve("0,0 0.3,0.6 1,1");
    const PressureCurve floor = *parsePressureCurve("0.2,0.3 0.8,0.9");
    EXPECT_DOUBLE_EQ(applyPressureCurve(linear, 0.37), 0.37);
    EXPECT_DOUBLE_EQ(applyPressureCurve(soft, 0.15), 0.3);
    EXPECT_DOUBLE_EQ(applyPressureCurve(soft, 0.3), 0.6);
    EXPECT_DOUBLE_EQ(applyPressureCurve(floor, 0.0), 0.3);  // flat before the first point
    EXPECT_DOUBLE_EQ(applyPressureCurve(floor, 1.0), 0.9);  // and after the last
    EXPECT_EQ(applyPressureCurve(soft, -3), 0.0);
    EXPECT_EQ(applyPressureCurve(soft, 7), 1.0);
    EXPECT_EQ(applyPressureCurve(soft, std::nan("")), 0.0);
    for (const PressureCurve& c : {linear, soft, floor}) {
        double previous = 0;
        for (int i = 0; i <= 1000; ++i) {
            const double v = applyPressureCurve(c, i / 1000.0);
            EXPECT_GE(v, previous);
            EXPECT_LE(v, 1.0);
            previous = v;
        }
    }
}

// The steady line. A slow hand's zigzag around the line y = 50: the drawn points keep much
// closer to the line than the pen did, and the release brings the stroke to the pen's last point.
TEST(SteadyLine, SmoothsAJaggedPathAndCatchesUpOnRelease) {
    std::vector<PenSample> path;
    for (int i = 0; i <= 60; ++i) path.push_back(penAt(10 + 3 * i, i % 2 ? 54 : 46, 1, 8.0 * i));
    const auto meanDistance = [](const std::vector<PenSample>& points) {
        double sum = 0;
        for (const PenSample& s : points) sum += std::abs(s.y - 50);
        return sum / double(points.size());
    };
    PenPainter shaky(220, 100, disc(5)), steady(220, 100, disc(5));
    steady.brush.stabiliser = 50;
    shaky.penStroke(path);
    steady.penStroke(path);
    EXPECT_DOUBLE_EQ(meanDistance(shaky.drawn), 4.0);
    EXPECT_LT(meanDistance(steady.drawn), 1.0);
    // Once the drawn point has settled on the line (and before the catch-up), the painted band is
    // less than half as wide as the shaky one, which covers rows 45..55.
    const auto rowsPainted = [](const Image& image) {
        int rows = 0;
        for (int y = 0; y < image.height; ++y)
            for (int x = 60; x < 150; ++x)
                if (alpha(image.at(x, y))) {
                    ++rows;
                    break;
                }
        return rows;
    };
    EXPECT_EQ(rowsPainted(shaky.layer), 11);
    EXPECT_LT(2 * rowsPainted(steady.layer), rowsPainted(shaky.layer));
    // Behind the pen while it moves, at the pen's last point once released.
    EXPECT_LT(steady.drawn.back().x, path.back().x - 3);
    EXPECT_EQ(steady.pen.painted().x, path.back().x);
    EXPECT_EQ(steady.pen.painted().y, path.back().y);
    EXPECT_TRUE(alpha(steady.layer.at(int(path.back().x), int(path.back().y))));
    EXPECT_FALSE(steady.pen.active());
}

TEST(SteadyLine, FollowsTheSamplesTimesNotTheirCount) {
    // The same positions, sampled twice as often: after the same time the drawn point is at the
    // same place (nearly: the pen's path is a line, the lag a function of time).
    const auto drawnAfter = [](double ms, double step) {
        Stabiliser st;
        st.begin(penAt(0, 0, 1, 0), 50);
        for (double t = step; t <= ms + 1e-9; t += step) st.follow(penAt(t, 0, 1, t));
        return st.drawn().x;
    };
    EXPECT_NEAR(drawnAfter(400, 4), drawnAfter(400, 8), 4.0);
    EXPECT_LT(drawnAfter(400, 8), 400 - 50);  // well behind the pen at 1 pixel per ms
    // Samples without times still move the drawn point (at a nominal rate), and strength 0 is
    // the pen itself.
    Stabiliser untimed;
    untimed.begin(penAt(0, 0, 1), 100);
    for (int i = 1; i <= 50; ++i) untimed.follow(penAt(100, 0, 1));
    EXPECT_GT(untimed.drawn().x, 50);
    EXPECT_LT(untimed.drawn().x, 100);
    Stabiliser off;
    off.begin(penAt(0, 0, 1), 0);
    EXPECT_EQ(off.follow(penAt(33.5, 7.25, 0.4, 5)).x, 33.5);
}

// Slow sub-pixel moves add up: each moves a quarter pixel, and the stroke still paints its whole
// length instead of losing every move shorter than a pixel.
TEST(SteadyLine, SubPixelMovesAddUp) {
    PenPainter p(40, 10, disc(5));
    std::vector<PenSample> samples;
    for (int i = 0; i <= 80; ++i) samples.push_back(penAt(10 + 0.25 * i, 5, 1));
    p.penStroke(samples);
    for (int x = 10; x <= 30; ++x) EXPECT_GE(thickness(p.layer, x), 1) << x;
}

// A sample whose position is not a number is left out: no line to a corner, no lost stroke.
TEST(SteadyLine, SamplesThatAreNotNumbersAreLeftOut) {
    const double nan = std::nan("");
    for (int strength : {0, 50}) {
        PenPainter clean(60, 40, disc(5)), noisy(60, 40, disc(5));
        clean.brush.stabiliser = noisy.brush.stabiliser = uint8_t(strength);
        std::vector<PenSample> path;
        for (int i = 0; i <= 10; ++i) path.push_back(penAt(10 + 4 * i, 20, 0.7, 5.0 * i));
        std::vector<PenSample> withNan = path;
        withNan.insert(withNan.begin() + 5, penAt(nan, 20, 0.7, 22));
        withNan.push_back(penAt(30, nan, 0.7, 60));
        withNan[3].pressure = nan;  // counts as full, as from a mouse
        path[3].pressure = 1.0;
        clean.penStroke(path);
        noisy.penStroke(withNan);
        EXPECT_EQ(noisy.layer.pixels, clean.layer.pixels) << strength;
    }
}

}  // namespace
}  // namespace qm
