// The steady line: the drawn point follows the pen with a lag, so a slow, shaky hand gives a
// smooth line. Each sample pulls the drawn point (and its pressure and lean) towards the pen by
// 1 - e^(-dt / tau) of the way, dt the time since the previous sample as the samples give it
// (never the clock, so a recorded stroke paints the same every time) and tau 2 ms per step of
// strength: 100 ms at 50, 200 ms at 100. Strength 0 is off: the drawn point is the pen.
#pragma once

#include "brush/pen_sample.h"

namespace qm {

class Stabiliser {
public:
    static constexpr double kMsPerStrength = 2.0;
    // Samples whose time does not advance (a device or a script without times) count as this
    // far apart, until samples with times have shown the device's own rate.
    static constexpr double kDefaultSampleMs = 5.0;
    // The longest rate learnt from the samples' times.
    static constexpr double kLongestSampleMs = 50.0;

    // Starts at the press: the drawn point is the pen. Strength is taken within 0..100.
    void begin(const PenSample& press, int strength);
    // The drawn point after the pen has moved to `pen`.
    const PenSample& follow(const PenSample& pen);
    const PenSample& drawn() const { return drawn_; }
    bool on() const { return tau_ > 0; }

private:
    PenSample drawn_;
    double tau_ = 0;
    double lastTime_ = 0;
    double sampleMs_ = kDefaultSampleMs;
};

}  // namespace qm
