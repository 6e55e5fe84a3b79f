#include "brush/pen_stroke.h"

#include <cmath>

namespace qm {

namespace {

// A segment this long places at least its first dab (the painter truncates the distance).
bool reachesAPixel(const PenSample& a, const PenSample& b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    return std::sqrt(dx * dx + dy * dy) >= 1.0;
}

}  // namespace

PenSample PenStroke::curved(const PenSample& sample) const {
    PenSample s = sample;
    s.pressure = penPressure(sample.pressure);
    if (hasCurve_) s.pressure = applyPressureCurve(curve_, s.pressure);
    return s;
}

void PenStroke::begin(const PenSample& press, const BrushSettings& brush,
                      const PressureCurve* curve) {
    hasCurve_ = curve != nullptr;
    if (curve) curve_ = *curve;
    pen_ = curved(press);
    if (!std::isfinite(pen_.x) || !std::isfinite(pen_.y)) pen_.x = pen_.y = 0;
    painted_ = pen_;
    stabiliser_.begin(pen_, brush.stabiliser);
    active_ = true;
}

SegmentResult PenStroke::moveTo(StrokeContext& ctx, const PenSample& sample) {
    // A position that is not a number says nothing about where the pen is.
    if (!active_ || !std::isfinite(sample.x) || !std::isfinite(sample.y)) return {};
    pen_ = curved(sample);
    const PenSample drawn = stabiliser_.follow(pen_);
    const SegmentResult result = paintSegment(ctx, painted_, drawn);
    if (reachesAPixel(painted_, drawn)) painted_ = drawn;
    return result;
}

SegmentResult PenStroke::finish(StrokeContext& ctx) {
    if (!active_) return {};
    active_ = false;
    if (painted_.x == pen_.x && painted_.y == pen_.y) return {};
    const SegmentResult result = paintSegment(ctx, painted_, pen_, false);
    painted_ = pen_;
    return result;
}

}  // namespace qm
