#include "raster/pixel_view.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "brush/stroke.h"
#include "brush/tool_shapes.h"
#include "filters/adjustments.h"
#include "platform/random.h"
#include "raster/draw_image.h"
#include "raster/gradient.h"
#include "raster/shapes.h"

namespace qm {
namespace {

constexpr int kW = 200, kH = 150, kTile = 64;

Image seededImage(uint64_t seed, int w, int h, int depth) {
    Random rnd(seed);
    Image img = *createImage(w, h, depth);
    for (uint32_t& p : img.pixels) {
        // Alpha 0, 255 or anything, the special cases of the blend rules.
        const int pick = rnd(2);
        const uint32_t a = depth == 24 || pick == 1 ? 255u : pick == 0 ? 0u : uint32_t(rnd(255));
        p = (rnd.next() & 0x00FFFFFFu) | (a << 24);
    }
    return img;
}

// A filter that depends on where it is called, so a coordinate passed on in the view's own
// frame shows.
uint32_t probe(int x, int y, uint32_t s, uint32_t t) {
    return (s ^ t ^ uint32_t(x * 7919 + y * 104729)) & 0x7FFFFFFFu;
}
const PixelFilter kProbe = probe;

// The 64 x 64 views of an image: into its own buffer (stride = the image's width), or, with
// ownBlocks, into a separate 64 x 64 block per tile that is copied in before and out after.
template <class F>
Rect drawTileByTile(Image& image, bool ownBlocks, F draw) {
    Rect united;
    for (int ty = 0; ty < image.height; ty += kTile) {
        for (int tx = 0; tx < image.width; tx += kTile) {
            const int w = std::min(kTile, image.width - tx), h = std::min(kTile, image.height - ty);
            if (!ownBlocks) {
                united = unite(united, draw(PixelView(&image.at(tx, ty), tx, ty, w, h, image.width,
                                                      image.depth)));
                continue;
            }
            std::vector<uint32_t> block(size_t(kTile) * kTile, 0xDEADBEEFu);
            for (int y = 0; y < h; ++y)
                std::copy_n(&image.at(tx, ty + y), w, block.data() + size_t(y) * kTile);
            united = unite(united, draw(PixelView(block.data(), tx, ty, w, h, kTile, image.depth)));
            for (int y = 0; y < h; ++y)
                std::copy_n(block.data() + size_t(y) * kTile, w, &image.at(tx, ty + y));
        }
    }
    return united;
}

struct WriterCase {
    std::string name;
    std::function<Rect(PixelView)> draw;
};

std::vector<WriterCase> writerCases() {
    static const Image source = seededImage(11, 90, 70, 32);
    static const Image dab = seededImage(12, 41, 37, 32);
    std::vector<WriterCase> cases;
    const auto add = [&](std::string name, std::function<Rect(PixelView)> f) {
        cases.push_back({std::move(name), std::move(f)});
    };

    constexpr DrawMode kModes[] = {DrawMode::AlphaBlend,   DrawMode::AlphaClip,
                                   DrawMode::AlphaChannel, DrawMode::AllChannels,
                                   DrawMode::Xor,          DrawMode::Filter};
    for (DrawMode m : kModes) {
        const std::string mode = std::to_string(int(m));
        add("drawImage/" + mode, [m](PixelView t) {
            return drawImage(t, source, 37, 30, m, 200, m == DrawMode::Filter ? &kProbe : nullptr);
        });
        add("drawImagePart/" + mode, [m](PixelView t) {
            return drawImagePart(t, source, Rect{-5, 10, 80, 100}, 120, -20, m, 255,
                                 m == DrawMode::Filter ? &kProbe : nullptr);
        });
    }
    // A source given as a view: the part of it drawn where the whole source would put it.
    add("drawImage/source view", [](PixelView t) {
        const ConstPixelView part = ConstPixelView(source).part(Rect{20, 8, 50, 60});
        return drawImage(t, part, 50, 40, DrawMode::AlphaBlend, 255);
    });

    const Gradient linear = [] {
        Gradient g = linearGradient(10, 140, 180, 5, rgba(255, 0, 0, 255), rgba(0, 0, 255, 90));
        g.stops = {{0.3, rgba(0, 255, 0, 200)}, {0.3, rgba(9, 9, 9, 9)}, {0.8, 0}};
        return g;
    }();
    const Gradient vertical = verticalGradient(20, 130, rgba(1, 2, 3, 255), rgba(200, 100, 50, 0));
    const Gradient elliptical =
        ellipticalGradient(100, 70, 80, 45, rgba(250, 250, 0, 255), rgba(0, 50, 250, 128));

    add("plot", [](PixelView t) {
        Rect r = plot(t, 64, 64, solidPaint(rgba(1, 2, 3, 128)));
        r = unite(r, plot(t, 199, 149, filterPaint(kProbe, 77)));
        return unite(r, plot(t, -1, 3, solidPaint(rgba(9, 9, 9, 255))));
    });
    add("fillBox", [](PixelView t) {
        return fillBox(t, 150, 120, -110, -90, solidPaint(rgba(10, 200, 30, 140)));
    });
    add("fillBox/gradient", [linear](PixelView t) {
        return fillBox(t, -10, 20, 230, 100, gradientPaint(linear, DrawMode::AlphaBlend, 180));
    });
    add("fillBox/filter",
        [](PixelView t) { return fillBox(t, 30, 30, 140, 90, filterPaint(kProbe, 5)); });
    add("fillCircle", [](PixelView t) {
        return fillCircle(t, 90, 70, 55, solidPaint(rgba(0, 0, 255, 255), DrawMode::AlphaClip));
    });
    add("fillEllipse", [](PixelView t) {
        return fillEllipse(t, 120, 60, 90, 41, solidPaint(rgba(70, 80, 90, 100), DrawMode::Xor));
    });
    add("fillEllipse/off the left", [](PixelView t) {
        return fillEllipse(t, -30, 100, 100, 70, solidPaint(rgba(7, 7, 7, 60)));
    });
    add("drawLine/shallow", [](PixelView t) {
        return drawLine(t, -40, 10, 250, 140, solidPaint(rgba(255, 255, 255, 255)));
    });
    add("drawLine/steep", [](PixelView t) {
        return drawLine(t, 190, 160, 60, -12, filterPaint(kProbe, rgba(1, 1, 1, 1)));
    });
    add("paintSpan", [elliptical](PixelView t) {
        // Spans lie inside the target, so each view gets the part of each span it holds.
        Rect r;
        for (int y : {0, 63, 64, 100, 149}) {
            const int x0 = std::max(3, t.x), x1 = std::min(190, t.x + t.width);
            if (y < t.y || y >= t.y + t.height || x1 <= x0) continue;
            paintSpan(t, y, x0, x1, gradientPaint(elliptical, DrawMode::AllChannels, 222));
            r = unite(r, Rect{x0, y, x1 - x0, 1});
        }
        return r;
    });
    const std::pair<std::string, Gradient> gradients[] = {
        {"linear", linear}, {"vertical", vertical}, {"elliptical", elliptical}};
    for (const auto& [name, g] : gradients) {
        add("drawGradientBox/" + name,
            [g](PixelView t) { return drawGradientBox(t, 5, 145, 190, -140, g); });
        add("drawGradientBox/" + name + "/over", [g](PixelView t) {
            return drawGradientBox(t, 0, 0, kW, kH, g, DrawMode::AlphaBlend, 150);
        });
    }

    const ShapeKind kinds[] = {ShapeKind::None, ShapeKind::Line, ShapeKind::Box, ShapeKind::Ellipse,
                               ShapeKind::Gradient};
    for (ShapeKind kind : kinds) {
        for (bool constrained : {false, true}) {
            ToolShape s;
            s.kind = kind;
            s.x0 = 70, s.y0 = 80, s.x1 = 170, s.y1 = 10;
            s.constrained = constrained;
            s.colour = rgba(200, 30, 60, 190);
            s.endColour = rgba(20, 230, 60, 40);
            s.mode = constrained ? DrawMode::AlphaClip : DrawMode::AlphaBlend;
            add("drawToolShape/" + std::to_string(int(kind)) + (constrained ? "/constrained" : ""),
                [s](PixelView t) { return drawToolShape(t, s); });
        }
    }

    for (int tool = 0; tool <= 4; ++tool) {
        for (bool keepAlpha : {false, true}) {
            const DabPasses passes{0, tool, keepAlpha, 170};
            add("drawDab/" + std::to_string(tool) + (keepAlpha ? "/keepAlpha" : ""),
                [passes](PixelView t) { return drawDab(t, dab, 45, 40, passes); });
        }
    }
    add("drawDab/water", [](PixelView t) {
        return drawDab(t, dab, 170, 120, DabPasses{90, 0, false, 255});
    });
    add("drawDabResized", [](PixelView t) {
        return drawDabResized(t, dab, 77, 53, 30, 20, DabPasses{0, 0, false, 230});
    });
    add("drawDabResized/eraser", [](PixelView t) {
        return drawDabResized(t, dab, 300, 17, -50, 60, DabPasses{0, 2, false, 200});
    });

    const std::pair<std::string, Adjustment> adjustments[] = {
        {"brightness", Adjustment::Brightness},
        {"invert", Adjustment::Invert},
        {"grey", Adjustment::Grey}};
    for (const auto& [name, a] : adjustments) {
        add("adjustImage/" + name, [a](PixelView t) {
            adjustImage(t, Rect{10, 20, 170, 100}, a, 221);
            return intersect(Rect{10, 20, 170, 100}, t.rect());
        });
    }
    return cases;
}

// Every writer gives, tile by tile, the pixels and the rectangle it gives on the whole image.
TEST(PixelView, DrawingTileByTileEqualsDrawingWhole) {
    for (const WriterCase& c : writerCases()) {
        for (int depth : {32, 24}) {
            const Image start = seededImage(7, kW, kH, depth);
            Image whole = start;
            const Rect wholeRect = c.draw(whole);
            for (bool ownBlocks : {false, true}) {
                SCOPED_TRACE(c.name + " depth " + std::to_string(depth) +
                             (ownBlocks ? " own blocks" : " one buffer"));
                Image tiled = start;
                const Rect tiledRect = drawTileByTile(tiled, ownBlocks, c.draw);
                EXPECT_EQ(tiledRect, wholeRect);
                EXPECT_TRUE(tiled.pixels == whole.pixels);
            }
            // The cases are not trivial: something is drawn (on 24 bits some modes draw nothing).
            if (depth == 32 && c.name.find("drawToolShape/0") != 0) {
                EXPECT_FALSE(whole.pixels == start.pixels) << c.name;
            }
        }
    }
}

// A source view means "the whole source placed at (x, y), only this part drawn".
TEST(PixelView, SourceViewDrawsWhereTheWholeSourceWould) {
    const Image source = seededImage(3, 60, 50, 32);
    const Image start = seededImage(4, 100, 80, 32);
    Image byView = start, byPart = start;
    const ConstPixelView view = ConstPixelView(source).part(Rect{12, 7, 30, 40});
    EXPECT_EQ(drawImage(byView, view, 20, 15, DrawMode::AlphaBlend, 255),
              drawImagePart(byPart, source, view.rect(), 32, 22, DrawMode::AlphaBlend, 255));
    EXPECT_TRUE(byView.pixels == byPart.pixels);
    EXPECT_EQ(point(view, 12, 7), source.at(12, 7));
    EXPECT_EQ(point(view, 11, 7), 0u);  // outside the view
}

// A source that shares pixels with the target is read as it was before the call.
TEST(PixelView, OverlappingViewsOfOneImageReadTheSourceFirst) {
    const Image start = seededImage(5, 120, 90, 32);
    Image image = start;
    const Image copy = start;
    Image expected = start;
    const PixelView all(image);
    const Rect r =
        drawImage(all.part(Rect{10, 10, 80, 60}), ConstPixelView(all).part(Rect{0, 0, 90, 70}), 7,
                  5, DrawMode::AllChannels, 255);
    const Rect e =
        drawImage(PixelView(expected).part(Rect{10, 10, 80, 60}),
                  ConstPixelView(copy).part(Rect{0, 0, 90, 70}), 7, 5, DrawMode::AllChannels, 255);
    EXPECT_EQ(r, e);
    EXPECT_TRUE(image.pixels == expected.pixels);
}

}  // namespace
}  // namespace qm
