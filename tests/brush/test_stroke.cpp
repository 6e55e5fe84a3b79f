// The stroke painter: dab placement along a segment, spacing, decay, water, scatter and size
// jitter, the dab passes and filters, the rotation cache, mixing, and a stroke through the
// program's canvas events.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <set>
#include <vector>

#include "brush/brush_test_files.h"
#include "brush/stroke.h"
#include "document/document_ops.h"
#include "raster/draw_image.h"
#include "raster/image_ops.h"
#include "raster/rotate.h"
#include "raster/rounding.h"
#include "raster/shapes.h"
#include "shell/shell_fixture.h"
#include "shell/view/canvas_frame.h"
#include "support/pixels.h"

namespace qm {
namespace {

Image blank(int w, int h) {
    return *createImage(w, h, 32);
}

Image filled(int w, int h, uint32_t colour) {
    Image image = blank(w, h);
    std::fill(image.pixels.begin(), image.pixels.end(), colour);
    return image;
}

Image circleTip(int size, uint32_t colour) {
    Image tip = blank(size, size);
    fillCircle(tip, size / 2, size / 2, size / 2 - 1, solidPaint(colour));
    return tip;
}

// A brush with every random feature and every decay off, painting with a prepared tip.
struct Painter {
    Painter(int w, int h, int zoom_ = 100) : layer(blank(w, h)), zoom(zoom_) {
        brush.size = 1;
        brush.pas = 100;  // spacing 1 with size 1
        brush.scatter = 0;
        brush.randRot = 0;
        brush.alphaVsTime = 0;
        setTip(filled(1, 1, rgba(0, 0, 0, 255)));
    }
    void setTip(const Image& documentTip) { setTipImage(tip, documentTip); }
    SegmentResult segment(int px, int py, int qx, int qy, int currentTool = 4) {
        StrokeContext context{brush,       tip,    imageDabTarget(layer),      zoom,
                              currentTool, random, useCache ? &cache : nullptr};
        return paintSegment(context, px, py, qx, qy);
    }

    BrushSettings brush;
    BrushTip tip;
    Image layer;
    int zoom;
    Random random{7};
    StrokeCache cache;
    bool useCache = true;
};

std::vector<int> paintedColumns(const Image& image, int row) {
    std::vector<int> xs;
    for (int x = 0; x < image.width; ++x)
        if (alpha(image.at(x, row))) xs.push_back(x);
    return xs;
}

Rect paintedBounds(const Image& image) {
    Rect bounds;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (alpha(image.at(x, y))) bounds = unite(bounds, Rect{x, y, 1, 1});
    return bounds;
}

TEST(StrokeSegment, TenPixelMoveWithSpacingOnePlacesFiveDabsFromTheNewPoint) {
    // At zoom 200 the document dabs land at half the view distances.
    for (int zoom : {100, 200}) {
        Painter p(80, 20, zoom);
        const SegmentResult r = p.segment(40, 10, 30, 10);  // from P = 40 back to Q = 30
        EXPECT_EQ(r.dabs, 5);
        // Dabs at view x 30, 32, ... 38: never at the previous point 40. The 1-pixel tip is
        // centred with halves to even.
        if (zoom == 100) {
            EXPECT_EQ(paintedColumns(p.layer, 10), (std::vector<int>{30, 32, 34, 36, 38}));
        } else {
            // Document x = X / 2 - 0.5: 14.5 -> 14, 15.5 -> 16, 16.5 -> 16, 17.5 -> 18, 18.5 -> 18.
            // Document y = 10 / 2 - 0.5 = 4.5 -> 4.
            EXPECT_EQ(paintedColumns(p.layer, 4), (std::vector<int>{14, 16, 18}));
        }
    }
}

// A target whose pixel (0, 0) lies over document pixel (originX, originY), a moved layer: the
// dabs land on the pixels under the document pixels they cover, the same ones as without the
// offset, moved by it.
TEST(StrokeSegment, DabsLandUnderTheirDocumentPixelsOnAnOffsetTarget) {
    for (int zoom : {100, 200}) {
        Painter moved(80, 20, zoom), still(80, 20, zoom);
        StrokeContext context{moved.brush,  moved.tip,   imageDabTarget(moved.layer), zoom, 4,
                              moved.random, &moved.cache};
        context.target.originX = 7;
        context.target.originY = -3;
        paintSegment(context, 40, 10, 30, 10);
        still.segment(40, 10, 30, 10);
        const Rect expected = paintedBounds(still.layer);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(paintedBounds(moved.layer),
                  (Rect{expected.x - 7, expected.y + 3, expected.w, expected.h}))
            << zoom;
    }
    // Mixing reads the layer pixel under the document pixel as well.
    Image layer = blank(10, 10);
    layer.at(2, 4) = rgba(10, 20, 30, 255);
    EXPECT_EQ(mixingSample(layer, 5, 5, 100, 3, 1), std::optional<uint32_t>(rgb(10, 20, 30)));
    EXPECT_FALSE(mixingSample(layer, 5, 5, 100));
}

TEST(StrokeSegment, APressWithoutMovementPaintsNothing) {
    Painter p(20, 20);
    const SegmentResult r = p.segment(5, 5, 5, 5);
    EXPECT_EQ(r.dabs, 0);
    EXPECT_TRUE(r.layerRect.empty());
    EXPECT_TRUE(paintedBounds(p.layer).empty());
}

TEST(StrokeSegment, SpacingComesFromSizeWidthHeightAndTheSizeFactor) {
    struct Case {
        int size, pas, sizeX, sizeY;
        double factor;
        int spacing;
    } cases[] = {
        {32, 5, 100, 100, 100, 1},  // 32 x 5 div 100 = 1
        {32, 5, 80, 90, 100, 0},    // neither side at 100 %: a dab at every pixel
        {32, 5, 80, 100, 100, 1},        {100, 5, 100, 100, 50, 2},  // nearest(2.5) = 2
        {100, 7, 100, 100, 50, 4},                                   // nearest(3.5) = 4
        {-500, 50, 100, 100, 100, -250},
    };
    for (const Case& c : cases) {
        BrushSettings b;
        b.size = int16_t(c.size), b.pas = uint8_t(c.pas), b.sizeX = int16_t(c.sizeX),
        b.sizeY = int16_t(c.sizeY), b.strokeSizeFactor = c.factor;
        EXPECT_EQ(dabSpacing(b), c.spacing) << c.size << " " << c.pas << " " << c.sizeX;
    }
    // A damaged negative spacing still advances one pixel per dab.
    Painter p(40, 10);
    p.brush.size = -500;
    p.brush.pas = 50;
    EXPECT_EQ(p.segment(20, 5, 10, 5).dabs, 10);
}

TEST(StrokeSegment, SizeDecayMakesTheStrokeInvisibleAtTen) {
    Painter p(200, 10);
    p.brush.sizeVsTime = 100;
    p.brush.sizeFactorVsTime = 10;  // 1.0 per segment
    p.brush.pas = 0;
    for (int s = 1; s <= 89; ++s) p.segment(s + 1, 5, s, 5);
    EXPECT_DOUBLE_EQ(p.brush.strokeSizeFactor, 11.0);
    EXPECT_DOUBLE_EQ(p.brush.strokeAlpha, 255.0);
    // The segment that reaches 10 still paints with the opacity it already had ...
    Painter q = p;
    q.segment(150, 5, 149, 5);
    EXPECT_DOUBLE_EQ(q.brush.strokeSizeFactor, 1.0);
    EXPECT_DOUBLE_EQ(q.brush.strokeAlpha, 0.0);
    EXPECT_EQ(paintedColumns(q.layer, 5).back(), 149);
    // ... and the next ones paint nothing, even without opacity decay (which resets the
    // opacity counter to 255 every segment).
    const Image before = q.layer;
    q.segment(190, 5, 170, 5);
    EXPECT_EQ(q.layer.pixels, before.pixels);
}

TEST(StrokeSegment, OpacityDecayRules) {
    struct Case {
        int alphaVsTime, alphaFactorVsTime;
        double start, after;
    } cases[] = {
        {15, 15, 255, 245},     // step 10
        {15, 0, 255, 255},      // no factor: no decay
        {0, 15, 100, 255},      // no divisor: back to rest
        {4, 100, 200, 199.75},  // step 250 too large: 1 / 4 instead
        {4, 100, 0.2, 0.2},     // and nothing once at or below 1 / 4
    };
    for (const Case& c : cases) {
        Painter p(10, 10);
        p.brush.alphaVsTime = int16_t(c.alphaVsTime);
        p.brush.alphaFactorVsTime = uint8_t(c.alphaFactorVsTime);
        p.brush.strokeAlpha = c.start;
        p.segment(5, 5, 5, 5);
        EXPECT_DOUBLE_EQ(p.brush.strokeAlpha, c.after) << c.alphaVsTime << " " << c.start;
    }
}

TEST(StrokeSegment, WaterAtFullOnlyRemovesAlpha) {
    const uint32_t red = rgba(255, 0, 0, 255);
    for (int currentTool : {4, 13}) {
        Painter p(20, 10);
        p.layer = filled(20, 10, red);
        p.brush.water = 255;
        p.segment(12, 4, 10, 4, currentTool);
        // The brush tool runs the water pass: the dab pixels lose all alpha and keep RGB. The
        // paint pass has opacity 0. The eraser button's code runs no water pass.
        EXPECT_EQ(p.layer.at(10, 4), currentTool == 4 ? rgba(255, 0, 0, 0) : red);
        EXPECT_EQ(p.layer.at(12, 4), red);  // the previous point
        EXPECT_EQ(p.layer.at(10, 5), red);
    }
}

TEST(StrokeSegment, ScatterStaysWithinItsBound) {
    struct Case {
        int scatter, link, size, bound;
    } cases[] = {
        {50, 0, 32, 1},  // nearest(2 x 50 / 100)
        {10, 1, 32, 6},  // nearest(20 x 31 / 100)
    };
    for (const Case& c : cases) {
        Painter p(400, 60);
        p.setTip(filled(2, 2, rgba(0, 0, 0, 255)));
        p.brush.scatter = int16_t(c.scatter);
        p.brush.scatterLinkToSize = uint8_t(c.link);
        p.brush.size = int16_t(c.size);
        p.brush.pas = 0;
        p.segment(350, 30, 50, 30);
        // A 2 x 2 dab centred on (X, 30 + o) covers rows 29 + o and 30 + o.
        const Rect b = paintedBounds(p.layer);
        EXPECT_EQ(b.y, 29 - c.bound) << c.scatter;
        EXPECT_EQ(b.bottom(), 31 + c.bound) << c.scatter;
    }
}

TEST(StrokeSegment, SizeJitterScalesFromOnePixelToThreeTimes) {
    Painter p(100, 100);
    p.setTip(filled(10, 10, rgba(0, 0, 0, 255)));
    p.brush.randSiz = 100;
    p.brush.brushsizeRndfactor = 2;
    std::set<int> widths;
    for (int n = 0; n < 600; ++n) {
        p.layer = blank(100, 100);
        p.segment(51, 50, 50, 50);  // one dab
        widths.insert(paintedBounds(p.layer).w);
    }
    EXPECT_EQ(*widths.begin(), 1);  // a scale of (nearly) 0 still paints one pixel
    EXPECT_LE(*widths.rbegin(), 30);
    EXPECT_GT(widths.size(), 20u);
}

// One dab of the rotated path with scatter and size jitter at zoom 200, rebuilt here from the
// formulas with the same random numbers: this pins the order of the draws and the placements.
TEST(StrokeSegment, RotatedJitteredDabMatchesItsRecipe) {
    for (bool cached : {true, false}) {
        Painter p(60, 60, 200);
        p.useCache = cached;
        p.setTip(circleTip(9, rgba(200, 30, 10, 255)));
        p.brush.randRot = 360;
        p.brush.rotate = 10;
        p.brush.scatter = 10;
        p.brush.size = 9;
        p.brush.randSiz = 40;
        const Random start = p.random;
        p.segment(61, 50, 60, 50);

        Random r = start;
        int d = r(20);
        d -= r(20);
        const double ox = double(roundHalfEven(d * -8 / 100.0));
        d = r(20);
        d -= r(20);
        const double oy = double(roundHalfEven(d * -8 / 100.0));
        const int angle = 10 + r(360);
        const int r1 = r(40), r2 = r(40);
        const double scale = std::abs(100 + 2 * r1 - 2 * r2) / 100.0;
        const double X = 60 + ox * 2, Y = 50 + oy * 2;

        Image layer = blank(60, 60);
        const Image doc = rotateTip(p.tip.documentTip, angle);
        const int n = int(std::max<int64_t>(1, roundHalfEven(doc.width * scale)));
        drawImage(layer, *resizeNearest(doc, n, n),
                  int(roundHalfEven(X / 2 - doc.width * scale / 2)),
                  int(roundHalfEven(Y / 2 - doc.width * scale / 2)), DrawMode::AlphaBlend, 255);
        EXPECT_EQ(p.layer.pixels, layer.pixels);
        EXPECT_EQ(p.tip.tipWidth, 13);  // the rotated side of the 9 x 9 tip
        EXPECT_FALSE(paintedBounds(p.layer).empty());
    }
}

// The cache draws cut-down turned tips where that is exact (not for smudge, not when resized):
// the pixels must be those of rotating every dab anew, also after the tip changes.
TEST(StrokeSegment, RotationCacheGivesTheSamePixels) {
    struct Case {
        int tool, randSiz, water;
    } cases[] = {{0, 0, 0}, {4, 0, 0}, {0, 30, 0}, {2, 0, 0}, {0, 0, 90}};
    for (const Case& c : cases) {
        Painter cached(80, 80), fresh(80, 80);
        fresh.useCache = false;
        for (Painter* p : {&cached, &fresh}) {
            p->layer = filled(80, 80, rgba(90, 160, 220, 200));
            p->brush.tool = uint8_t(c.tool);
            p->brush.randSiz = int16_t(c.randSiz);
            p->brush.water = uint8_t(c.water);
            p->brush.randRot = 3;  // few angles: the cache is reused
            p->brush.pas = 0;
            p->setTip(circleTip(11, rgba(0, 0, 255, 255)));
            p->segment(70, 20, 10, 20);
            p->setTip(filled(7, 3, rgba(255, 0, 0, 128)));  // a different tip, same angles
            p->segment(70, 60, 10, 60);
        }
        EXPECT_EQ(cached.layer.pixels, fresh.layer.pixels) << c.tool << " " << c.randSiz;
        EXPECT_LE(cached.cache.entries(), 8u);
    }
}

// A dab that crosses the image's edges is turned, resized and drawn only where it lands; the
// pixels must be those of the whole dab made and then drawn clipped. One dab per case (a segment
// of length 1), centred on each edge, each corner, the middle, and off the image; plain and
// rotated, with and without size jitter, for the blend, eraser and smudge passes, with and
// without the rotation cache, and with a tip too large to be cached.
TEST(StrokeSegment, ClippedDabsGiveThePixelsOfTheWholeDabClipped) {
    const int w = 40, h = 30;
    const int centres[][2] = {{0, 15},  {39, 15}, {20, 0},  {20, 29},  {0, 0},    {39, 29},
                              {-3, 31}, {42, -2}, {20, 15}, {-40, 15}, {20, 200}, {12, 7}};
    struct Case {
        int tipW, tipH;
        bool rotated;
        int randSiz, tool;
        bool cache;
    };
    const Case cases[] = {
        {23, 17, false, 0, 0, true},  {23, 17, false, 60, 0, true},  {23, 17, false, 60, 4, true},
        {19, 19, true, 0, 0, true},   {19, 19, true, 0, 0, false},   {19, 19, true, 60, 0, false},
        {19, 19, true, 60, 0, true},  {19, 19, true, 0, 4, false},   {19, 19, true, 60, 2, false},
        {300, 120, true, 0, 0, true}, {300, 120, true, 60, 4, true}, {300, 120, false, 60, 2, true},
    };
    for (const Case& c : cases) {
        Image tip = blank(c.tipW, c.tipH);
        fillEllipse(tip, c.tipW / 2, c.tipH / 2, c.tipW / 2 - 1, c.tipH / 2 - 1,
                    solidPaint(rgba(30, 200, 90, 220)));
        tip.at(0, 0) = rgba(255, 0, 0, 255);  // a corner pixel, to show the dab's orientation
        for (const auto& centre : centres) {
            const int qx = centre[0], qy = centre[1];
            Painter p(w, h);
            p.layer = filled(w, h, rgba(90, 160, 220, 200));
            p.useCache = c.cache;
            p.setTip(tip);
            p.brush.size = int16_t(c.tipW);
            p.brush.brushsizeRndfactor = 1;
            p.brush.randSiz = int16_t(c.randSiz);
            p.brush.tool = uint8_t(c.tool);
            p.brush.rotate = c.rotated ? 1 : 0;
            p.brush.randRot = c.rotated ? 359 : 0;
            Random r = p.random;
            std::vector<Rect> reserved;
            StrokeContext ctx{p.brush,
                              p.tip,
                              DabTarget{w, h,
                                        [&](const Rect& rect) {
                                            reserved.push_back(rect);
                                            return &p.layer;
                                        }},
                              100,
                              4,
                              p.random,
                              c.cache ? &p.cache : nullptr};
            ASSERT_EQ(paintSegment(ctx, qx + 1, qy, qx, qy).dabs, 1);

            // The same dab made whole, from the same random numbers, and drawn clipped.
            for (int k = 0; k < 4; ++k) r(0);  // no scatter
            const int angle = c.rotated ? 1 + r(359) : 0;
            double scale = 1.0;
            if (c.randSiz > 0) {
                const int r1 = r(c.randSiz), r2 = r(c.randSiz);
                scale = std::abs(100 + r1 - r2) / 100.0;
            }
            const Image whole = c.rotated ? rotateTip(tip, angle) : tip;
            const auto sized = [&](int side) {
                return c.randSiz > 0 ? std::max<int>(1, int(roundHalfEven(side * scale))) : side;
            };
            const Image dab = *resizeNearest(whole, sized(whole.width), sized(whole.height));
            Image expected = filled(w, h, rgba(90, 160, 220, 200));
            drawDab(expected, dab, int(roundHalfEven(qx - whole.width * scale / 2.0)),
                    int(roundHalfEven(qy - whole.height * scale / 2.0)),
                    DabPasses{0, c.tool, false, 255});
            ASSERT_EQ(p.layer.pixels, expected.pixels)
                << c.tipW << " rotated " << c.rotated << " size " << c.randSiz << " tool " << c.tool
                << " cache " << c.cache << " at " << qx << "," << qy;
            // Every rectangle given to the target is inside the image, and together they hold
            // every changed pixel.
            Rect all;
            for (const Rect& rect : reserved) {
                EXPECT_EQ(clipToImage(rect.x, rect.y, rect.w, rect.h, w, h), rect);
                all = unite(all, rect);
            }
            const Image before = filled(w, h, rgba(90, 160, 220, 200));
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    if (p.layer.at(x, y) != before.at(x, y)) {
                        ASSERT_TRUE(all.contains(x, y)) << x << "," << y;
                    }
        }
    }
}

// A large tip is made only where dabs land on the image (a block at a time), and paints exactly
// what the whole tip made at once paints: every shape, turned and not, resized and not, with
// dabs crossing every edge.
TEST(StrokeSegment, TipMadeWhereDabsLandPaintsAsTheWholeTip) {
    const int w = 90, h = 70;
    const int centres[][2] = {{0, 35}, {89, 35}, {45, 0}, {45, 69}, {-200, -150}, {300, 260}};
    struct Case {
        uint8_t type;
        int16_t size;
        bool rotated;
        int randSiz;
    };
    const Case cases[] = {{0, 700, false, 0},  {1, 500, true, 0},  {2, 640, true, 40},
                          {4, 700, false, 40}, {5, 900, true, 0},  {6, 520, true, 60},
                          {3, 600, true, 0},   {3, 450, false, 30}};
    test::WorkFolder work;
    Image file = *createImage(7, 5, 32);
    for (int i = 0; i < 35; ++i)
        file.pixels[size_t(i)] = rgba(uint32_t(i * 7), 20, 9, uint32_t(i * 7));
    work.writeTip("orrindal", 0, file);
    for (const Case& c : cases) {
        BrushSettings b;
        b.type = c.type;
        b.size = c.size;
        b.sizeX = 100;
        b.sizeY = c.type == 2 ? 70 : 100;
        b.alpha = 255;
        b.color = rgba(200, 10, 20, 255);
        b.selectedColor = rgba(40, 50, 60, 138);
        b.alphaGradientX = 255;
        b.alphaGradientX2 = 128;
        b.alphaGradientX3 = 50;
        b.gradientX = 0.1;
        b.gradientX2 = 0.3;
        b.gradientX3 = 0.2;
        b.brush = 0;
        b.smoth = c.rotated ? 0 : 1;
        BrushTip whole;
        buildTip(whole, b, work.str());
        for (const auto& centre : centres) {
            const auto paint = [&](bool lazy) {
                Painter p(w, h);
                p.layer = filled(w, h, rgba(90, 160, 220, 200));
                if (lazy)
                    requestTip(p.tip, b, work.str());
                else
                    p.setTip(whole.documentTip);
                p.brush.size = c.size;
                p.brush.sizeX = b.sizeX;
                p.brush.sizeY = b.sizeY;
                p.brush.pas = 1;
                p.brush.brushsizeRndfactor = 1;
                p.brush.randSiz = int16_t(c.randSiz);
                p.brush.rotate = c.rotated ? 1 : 0;
                p.brush.randRot = c.rotated ? 359 : 0;
                p.useCache = false;
                p.segment(centre[0] + 30, centre[1] + 20, centre[0], centre[1]);
                if (lazy) EXPECT_FALSE(tipComplete(p.tip)) << "a corner of the tip is enough";
                return p.layer;
            };
            ASSERT_EQ(paint(true).pixels, paint(false).pixels)
                << "type " << int(c.type) << " at " << centre[0] << "," << centre[1];
        }
    }
}

TEST(StrokeSegment, FarAwayPointsAreClippedAndFinish) {
    Painter p(50, 50);
    p.setTip(circleTip(30, rgba(0, 0, 0, 255)));
    p.brush.randRot = 360;
    p.brush.randSiz = 100;
    p.brush.scatter = 30000;
    p.brush.pas = 0;
    const SegmentResult r = p.segment(32767, -32768, -32768, 32767);
    EXPECT_EQ(r.dabs, 92680);
}

TEST(DabPasses, FilterPixelsCombineTheDabAlphaWithTheOpacity) {
    const uint32_t t = rgba(200, 100, 50, 200);
    EXPECT_EQ(eraseFilterPixel(rgba(0, 0, 0, 255), t, 255), rgba(200, 100, 50, 0));
    EXPECT_EQ(eraseFilterPixel(rgba(0, 0, 0, 255), t, 128), rgba(200, 100, 50, 72));
    EXPECT_EQ(eraseFilterPixel(rgba(0, 0, 0, 100), t, 255), rgba(200, 100, 50, 100));
    EXPECT_EQ(smudgeFilterPixel(rgba(128, 255, 0, 100), t, 255), rgba(100, 100, 0, 100));
    EXPECT_EQ(smudgeFilterPixel(rgba(128, 255, 0, 255), t, 255), rgba(200, 100, 50, 0));
    // As' = 255 x 51 / 255 = 51 <= 200.
    EXPECT_EQ(smudgeFilterPixel(rgba(128, 255, 0, 255), t, 51), rgba(100, 100, 0, 149));
}

TEST(DabPasses, ModesByTool) {
    const uint32_t dabColour = rgba(0, 0, 255, 200);
    const uint32_t under = rgba(255, 0, 0, 100);
    const Image dab = filled(1, 1, dabColour);
    struct Case {
        int tool;
        bool keepAlpha;
        int water, opacity;
        uint32_t expected;
    } cases[] = {
        {0, false, 0, 255, overPixel(dabColour, under, 255)},
        {1, true, 0, 255, applyDrawMode(DrawMode::AlphaClip, dabColour, under, 255)},
        {2, false, 0, 255, eraseFilterPixel(dabColour, under, 255)},
        {4, false, 0, 255, rgba(255, 0, 0, 0)},  // At < As: smudged away
        {4, true, 0, 255, under},                // ... unless the layer keeps its alpha
        {4, true, 0, 100, rgba(0, 0, 0, 100)},   // As' = 78: tinted, alpha kept
        {3, true, 0, 255, overPixel(dabColour, under, 255)},  // water mode: plain blending
        {9, false, 0, 255, overPixel(dabColour, under, 255)},
        {0, false, 50, 255, overPixel(dabColour, eraseFilterPixel(dabColour, under, 50), 255)},
    };
    for (const Case& c : cases) {
        Image target = filled(3, 3, under);
        const Rect r =
            drawDab(target, dab, 1, 1, DabPasses{c.water, c.tool, c.keepAlpha, c.opacity});
        EXPECT_EQ(target.at(1, 1), c.expected) << c.tool << " " << c.keepAlpha;
        EXPECT_EQ(target.at(0, 0), under);
        EXPECT_EQ(r, (Rect{1, 1, 1, 1}));
    }
    // An eraser at opacity 0 touches nothing.
    Image target = filled(3, 3, under);
    EXPECT_TRUE(drawDab(target, dab, 1, 1, DabPasses{0, 2, false, 0}).empty());
}

TEST(DabPasses, ResizedDrawMatchesResizingTheWholeDabFirst) {
    Random random(3);
    Image dab = blank(7, 5);
    for (uint32_t& px : dab.pixels) px = random.next() | 0x80000000u;
    struct Case {
        int w, h, x, y;
    } cases[] = {{14, 10, 3, 4}, {3, 2, 0, 0},    {20, 13, -9, -4}, {40, 40, 10, 12},
                 {1, 1, 5, 5},   {11, 9, 25, 26}, {9, 31, -3, 20}};
    for (const DabPasses& passes : {DabPasses{0, 0, false, 200}, DabPasses{90, 4, true, 77}}) {
        for (const Case& c : cases) {
            Image expected = filled(30, 30, rgba(10, 200, 30, 180));
            Image actual = expected;
            const Rect e = drawDab(expected, *resizeNearest(dab, c.w, c.h), c.x, c.y, passes);
            const Rect a = drawDabResized(actual, dab, c.w, c.h, c.x, c.y, passes);
            EXPECT_EQ(actual.pixels, expected.pixels) << c.w << "x" << c.h << " at " << c.x;
            EXPECT_EQ(a, e);
        }
    }
    Image target = blank(10, 10);
    EXPECT_TRUE(drawDabResized(target, dab, 0, 5, 0, 0, DabPasses{}).empty());
    EXPECT_TRUE(
        drawDabResized(target, dab, INT_MAX, INT_MAX, INT_MIN, INT_MIN, DabPasses{}).empty());
}

TEST(Mixing, SampleReadsColourWithoutAlpha) {
    Image layer = blank(10, 10);
    layer.at(5, 5) = rgba(10, 20, 30, 255);  // opaque: the sample is its colour
    layer.at(6, 6) = rgba(0, 0, 0, 255);     // black: nothing to mix
    layer.at(0, 3) = rgba(10, 20, 30, 255);  // column 0 is never sampled
    EXPECT_EQ(mixingSample(layer, 5, 5, 100), std::optional<uint32_t>(rgb(10, 20, 30)));
    EXPECT_EQ(mixingSample(layer, 10, 10, 200), std::optional<uint32_t>(rgb(10, 20, 30)));
    EXPECT_FALSE(mixingSample(layer, 6, 6, 100));
    EXPECT_FALSE(mixingSample(layer, 0, 3, 100));
    EXPECT_FALSE(mixingSample(layer, 4, 4, 100));  // transparent
    EXPECT_FALSE(mixingSample(layer, 5, 10, 100));
    EXPECT_FALSE(mixingSample(layer, 5, 5, 0));
}

TEST(Mixing, SelectedColourOverTheSample) {
    const uint32_t red = rgb(255, 0, 0), blue = rgba(0, 0, 255, 138);
    EXPECT_EQ(mixedColour(red, blue, 0), rgba(0, 0, 255, 255));
    EXPECT_EQ(mixedColour(red, blue, 100), rgba(255, 0, 0, 255));
    EXPECT_EQ(mixedColour(red, blue, 250), rgba(255, 0, 0, 255));
    // m = 127: D = 127 x 127 + 128 x 255 = 48769.
    EXPECT_EQ(mixedColour(red, blue, 50), rgba(84, 0, 170, 191));
}

// ---- Through the program: canvas events reach the painter --------------------------------

// A tiled target takes each dab into the tiles under it: seeded strokes of every tool, with
// water, keeping alpha, turned and resized dabs, over a layer with missing tiles, give the
// pixels and the segment results the same strokes give on a whole image.
TEST(StrokeSegment, ATiledTargetPaintsAsAWholeImage) {
    const int w = 150, h = 100;
    struct Case {
        int tool, water;
        bool keepAlpha, rotated;
        int randSiz, size;
    };
    const Case cases[] = {
        {0, 0, false, false, 0, 9},  {1, 0, false, false, 0, 5},   {2, 0, false, false, 0, 9},
        {3, 0, false, false, 0, 9},  {4, 0, false, false, 0, 9},   {0, 60, false, false, 0, 9},
        {0, 0, true, false, 0, 9},   {4, 0, true, false, 0, 9},    {0, 0, false, true, 0, 23},
        {2, 0, false, true, 60, 23}, {0, 0, false, false, 60, 40}, {4, 0, false, true, 60, 40},
    };
    // Paint over the left half only, so the right half's tiles start missing; a block of colour
    // under alpha 0 stands in the middle.
    Image start = blank(w, h);
    fillBox(start, 0, 0, 70, h, solidPaint(rgba(90, 160, 220, 200), DrawMode::AllChannels));
    fillBox(start, 66, 30, 20, 20, solidPaint(rgba(40, 50, 60, 0), DrawMode::AllChannels));
    Image tip = blank(23, 17);
    fillEllipse(tip, 11, 8, 10, 7, solidPaint(rgba(30, 200, 90, 220)));
    tip.at(0, 0) = rgba(255, 0, 0, 255);
    for (const Case& c : cases) {
        Painter whole(w, h), tiles(w, h);
        TiledImage layer = tiledFrom(start);
        ASSERT_LT(layer.tileCount(), size_t(layer.columns() * layer.rows()));
        whole.layer = start;
        for (Painter* p : {&whole, &tiles}) {
            p->setTip(tip);
            p->brush.size = int16_t(c.size);
            p->brush.tool = uint8_t(c.tool);
            p->brush.water = uint8_t(c.water);
            p->brush.keepAlpha = c.keepAlpha ? 1 : 0;
            p->brush.rotate = c.rotated ? 1 : 0;
            p->brush.randRot = c.rotated ? 359 : 0;
            p->brush.brushsizeRndfactor = 1;
            p->brush.randSiz = int16_t(c.randSiz);
        }
        Random points(uint64_t(c.tool * 100 + c.size));
        int px = 75, py = 50;
        for (int i = 0; i < 12; ++i) {
            const int qx = points(w + 40) - 20, qy = points(h + 40) - 20;
            const SegmentResult expected = whole.segment(px, py, qx, qy);
            StrokeContext ctx{tiles.brush,
                              tiles.tip,
                              DabTarget{w, h, nullptr, 0, 0, [&](const Rect&) { return &layer; }},
                              100,
                              4,
                              tiles.random,
                              &tiles.cache};
            const SegmentResult got = paintSegment(ctx, px, py, qx, qy);
            ASSERT_EQ(got.dabs, expected.dabs) << c.tool << " segment " << i;
            ASSERT_EQ(got.layerRect, expected.layerRect) << c.tool << " segment " << i;
            px = qx, py = qy;
        }
        ASSERT_NE(whole.layer.pixels, start.pixels) << "tool " << c.tool;
        ASSERT_EQ(pixelsOf(layer), whole.layer.pixels)
            << "tool " << c.tool << " water " << c.water << " keepAlpha " << c.keepAlpha
            << " rotated " << c.rotated << " size " << c.size;
    }
}

// Erasing and smudging a pixel of 0 leaves 0, for every dab pixel and opacity, so their dabs
// make no tile where the layer has none; a painting dab makes the tiles under it.
TEST(StrokeSegment, ErasingAndSmudgingMakeNoMissingTile) {
    for (uint32_t a = 0; a < 256; ++a)
        for (const uint32_t colour : {0x000000u, 0x123456u, 0xFFFFFFu, 0x00FF80u})
            for (const uint32_t opacity : {0u, 1u, 128u, 255u}) {
                const uint32_t s = colour | a << 24;
                ASSERT_EQ(eraseFilterPixel(s, 0, opacity), 0u) << s;
                ASSERT_EQ(smudgeFilterPixel(s, 0, opacity), 0u) << s;
            }
    const struct {
        int tool, water;
        bool keepAlpha;
        int randSiz;
        bool makesTiles;
    } cases[] = {{2, 0, false, 0, false},
                 {2, 60, false, 60, false},
                 {4, 0, true, 0, false},
                 {4, 40, false, 60, false},
                 {0, 0, false, 0, true}};
    for (const auto& c : cases) {
        Painter p(300, 200);
        p.setTip(filled(9, 9, rgba(30, 200, 90, 220)));
        p.brush.size = 9;
        p.brush.tool = uint8_t(c.tool);
        p.brush.water = uint8_t(c.water);
        p.brush.keepAlpha = c.keepAlpha ? 1 : 0;
        p.brush.brushsizeRndfactor = 1;
        p.brush.randSiz = int16_t(c.randSiz);
        TiledImage layer = *TiledImage::create(300, 200);
        layer.at(5, 5) = rgba(1, 2, 3, 255);  // one present tile, under the stroke's start
        StrokeContext ctx{
            p.brush, p.tip, DabTarget{300, 200, nullptr, 0, 0, [&](const Rect&) { return &layer; }},
            100,     4,     p.random,
            &p.cache};
        const SegmentResult r = paintSegment(ctx, 5, 5, 290, 190);
        EXPECT_GT(r.dabs, 0);
        EXPECT_EQ(layer.tileCount() > 1, c.makesTiles) << c.tool << " " << c.water;
    }
}

class StrokeThroughApp : public test::ShellTest {
protected:
    void SetUp() override {
        test::ShellTest::SetUp();
        app.brush.size = 9;
        app.brush.pas = 25;  // spacing 2
        app.brush.scatter = 0;
        app.brush.randRot = 0;
        app.brush.alphaVsTime = 0;
        app.viewState.Zoom = 100;
        rebuildAllDisplayImages(app);
    }
    // A stroke with the test's tip (the program rebuilds its own tip on the release).
    void stroke(int x0, int y0, int x1, int y1) {
        setTipImage(app.tip, circleTip(9, rgba(20, 40, 200, 180)));  // not the brush's own
        const int ox = app.ViewOffsetX, oy = app.ViewOffsetY;
        canvas(CanvasEventType::LeftDown, ox + x0, oy + y0);
        canvas(CanvasEventType::Move, ox + x1, oy + y1, false, false, true);
        canvas(CanvasEventType::LeftUp, ox + x1, oy + y1);
    }
};

TEST_F(StrokeThroughApp, StrokePaintsTheLayerAsExpected) {
    ASSERT_NE(currentImage(app.doc), nullptr);
    Image expected = currentImage(app.doc)->toImage();
    stroke(10, 20, 30, 20);
    const Image tip = circleTip(9, rgba(20, 40, 200, 180));
    // Dabs at X = 30, 27, ... 12 (spacing 2 skips two pixels), drawn from the new point back;
    // the tip's corner at X - 4.5 rounds halves to even.
    for (int x : {26, 22, 20, 16, 14, 10, 8})
        drawImage(expected, tip, x, 16, DrawMode::AlphaBlend, 255);
    EXPECT_EQ(paintedBounds(currentImage(app.doc)->toImage()), paintedBounds(expected));
    EXPECT_EQ(pixelsOf(*currentImage(app.doc)), expected.pixels);
    // The view shows the layer made again from its pixels.
    const Image display = wholeDisplayImage(app.view, *selectedLayer(app.doc));
    EXPECT_EQ(display.pixels, expected.pixels);
    // The release resets the decay counters.
    EXPECT_DOUBLE_EQ(app.brush.strokeAlpha, 255.0);
}

TEST_F(StrokeThroughApp, AHiddenLayerIsNeverPainted) {
    for (Layer& layer : app.doc.layers) layer.Visible = 0;
    const Image before = currentImage(app.doc)->toImage();
    stroke(10, 20, 60, 40);
    EXPECT_EQ(pixelsOf(*currentImage(app.doc)), before.pixels);
}

TEST_F(StrokeThroughApp, MixingTakesTheLayerColourUnderThePointer) {
    app.brush.mixing = 100;
    app.brush.selectedColor = rgba(0, 0, 255, 255);
    currentImage(app.doc)->at(40, 30) = rgba(250, 10, 0, 255);
    stroke(40, 29, 40, 30);
    EXPECT_EQ(app.brush.color & 0x00FFFFFFu, rgb(250, 10, 0));
}

TEST_F(StrokeThroughApp, EachToolCodeReachesItsAction) {
    Layer* layer = selectedLayer(app.doc);
    ASSERT_NE(layer, nullptr);
    currentImage(app.doc)->at(3, 3) = rgba(1, 2, 3, 255);
    const Image before = currentImage(app.doc)->toImage();
    for (Tool tool : {Tool::StraightSpeedLine, Tool::Pattern}) {  // paint nothing
        app.CurrentTool = tool;
        stroke(10, 20, 60, 40);
        EXPECT_EQ(pixelsOf(*currentImage(app.doc)), before.pixels) << code(tool);
    }
    app.CurrentTool = Tool::Eraser;  // the eraser button's code paints too
    stroke(10, 20, 60, 40);
    EXPECT_NE(pixelsOf(*currentImage(app.doc)), before.pixels);
    app.CurrentTool = Tool::Move;  // moves the layer, not its pixels
    const Image painted = currentImage(app.doc)->toImage();
    stroke(10, 20, 25, 27);
    EXPECT_EQ(layer->X, 15);
    EXPECT_EQ(layer->Y, 7);
    EXPECT_EQ(pixelsOf(*currentImage(app.doc)), painted.pixels);
    app.CurrentTool = Tool::Clear;
    stroke(10, 20, 10, 20);
    EXPECT_EQ(paintedBounds(currentImage(app.doc)->toImage()), Rect{});
}

}  // namespace
}  // namespace qm
