// One stroke from press to release as the canvas delivers its samples, pen or mouse: the
// pressure curve on each pen sample, the steady line, and the segments painted between the
// points drawn. With the steady line off and a mouse's whole-pixel positions it paints exactly
// what painting each move's segment from the previous position paints.
#pragma once

#include "brush/brush_settings.h"
#include "brush/pen_sample.h"
#include "brush/pressure_curve.h"
#include "brush/stabiliser.h"
#include "brush/stroke.h"

namespace qm {

class PenStroke {
public:
    // The press: paints nothing. `curve` is the pressure curve of a pen (the preferences'), null
    // for a mouse, whose pressure stays 1. The steady line's strength is the brush's stabiliser,
    // taken now for the whole stroke.
    // A press whose position is not a number starts at (0, 0).
    void begin(const PenSample& press, const BrushSettings& brush,
               const PressureCurve* curve = nullptr);
    // A move: the segment from the last painted point to the point drawn now (the pen's, or
    // behind it with the steady line), with the decay of one segment. A point drawn less than
    // one pixel from the last painted one paints no dab and is not yet the last painted point,
    // so slow sub-pixel moves add up instead of being lost. Nothing before begin; a sample whose
    // position is not a number is left out.
    SegmentResult moveTo(StrokeContext& ctx, const PenSample& sample);
    // The release: the line catches up with the pen, a last segment from the last painted point
    // to the pen's last sample, without decay. The stroke is then over.
    SegmentResult finish(StrokeContext& ctx);

    bool active() const { return active_; }
    // The last painted point (where the next segment starts) and the pen's last sample, with
    // the curve applied to its pressure.
    const PenSample& painted() const { return painted_; }
    const PenSample& pen() const { return pen_; }

private:
    PenSample curved(const PenSample& sample) const;

    bool active_ = false;
    bool hasCurve_ = false;
    PressureCurve curve_;
    Stabiliser stabiliser_;
    PenSample painted_, pen_;
};

}  // namespace qm
