#include "brush/tool_shapes.h"

#include <algorithm>
#include <cstdlib>

#include "raster/gradient.h"
#include "raster/shapes.h"

namespace qm {

namespace {

int boxHeight(const ToolShape& s) {
    return s.constrained ? s.x1 - s.x0 : s.y1 - s.y0;
}

Rect boundsFrom(int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
    const int64_t lx = std::min(x0, x1), ly = std::min(y0, y1);
    const int64_t w = std::max(x0, x1) - lx + 1, h = std::max(y0, y1) - ly + 1;
    return Rect{int(lx), int(ly), int(std::min<int64_t>(w, INT32_MAX)),
                int(std::min<int64_t>(h, INT32_MAX))};
}

}  // namespace

ToolShape offsetShape(ToolShape shape, int dx, int dy) {
    shape.x0 += dx, shape.x1 += dx;
    shape.y0 += dy, shape.y1 += dy;
    return shape;
}

Rect shapeBounds(const ToolShape& s) {
    switch (s.kind) {
        case ShapeKind::None:
            return {};
        case ShapeKind::Line:
            return boundsFrom(s.x0, s.y0, s.x1, s.y1);
        case ShapeKind::Box:
        case ShapeKind::Gradient: {
            const int64_t w = int64_t(s.x1) - s.x0, h = s.constrained ? w : int64_t(s.y1) - s.y0;
            if (w == 0 || h == 0) return {};
            int64_t x = s.x0, y = s.y0, aw = w, ah = h;
            if (aw < 0) x += aw, aw = -aw;
            if (ah < 0) y += ah, ah = -ah;
            return Rect{int(x), int(y), int(aw), int(ah)};
        }
        case ShapeKind::Ellipse: {
            const int64_t rx = std::abs(int64_t(s.x1) - s.x0);
            const int64_t ry = s.constrained ? rx : std::abs(int64_t(s.y1) - s.y0);
            return boundsFrom(s.x0 - rx, s.y0 - ry, s.x0 + rx, s.y0 + ry);
        }
    }
    return {};
}

Rect drawToolShape(PixelView target, const ToolShape& s) {
    const Paint paint = solidPaint(s.colour, s.mode);
    switch (s.kind) {
        case ShapeKind::None:
            return {};
        case ShapeKind::Line:
            return drawLine(target, s.x0, s.y0, s.x1, s.y1, paint);
        case ShapeKind::Box:
            return fillBox(target, s.x0, s.y0, s.x1 - s.x0, boxHeight(s), paint);
        case ShapeKind::Ellipse: {
            const int rx = int(std::min<int64_t>(std::abs(int64_t(s.x1) - s.x0), INT32_MAX));
            const int ry = s.constrained
                               ? rx
                               : int(std::min<int64_t>(std::abs(int64_t(s.y1) - s.y0), INT32_MAX));
            return fillEllipse(target, s.x0, s.y0, rx, ry, paint);
        }
        case ShapeKind::Gradient: {
            const Gradient g = verticalGradient(s.y0, s.y1, s.colour, s.endColour);
            return drawGradientBox(target, s.x0, s.y0, s.x1 - s.x0, boxHeight(s), g, s.mode);
        }
    }
    return {};
}

}  // namespace qm
