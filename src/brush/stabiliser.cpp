#include "brush/stabiliser.h"

#include <algorithm>
#include <cmath>

namespace qm {

void Stabiliser::begin(const PenSample& press, int strength) {
    drawn_ = press;
    tau_ = std::clamp(strength, 0, 100) * kMsPerStrength;
    lastTime_ = std::isfinite(press.time) ? press.time : 0.0;
    sampleMs_ = kDefaultSampleMs;
}

const PenSample& Stabiliser::follow(const PenSample& pen) {
    if (!on()) {
        drawn_ = pen;
        return drawn_;
    }
    double dt = pen.time - lastTime_;
    if (dt > 0 && std::isfinite(dt)) {
        // A pause (the pen held still) is no measure of the device's rate.
        sampleMs_ = std::min(dt, kLongestSampleMs);
        lastTime_ = pen.time;
    } else {
        dt = sampleMs_;
    }
    const double pull = 1.0 - std::exp(-dt / tau_);
    const auto toward = [pull](double& drawn, double pen) {
        if (std::isfinite(pen)) drawn += (pen - drawn) * pull;
    };
    toward(drawn_.x, pen.x);
    toward(drawn_.y, pen.y);
    toward(drawn_.pressure, penPressure(pen.pressure));
    if (pen.hasTilt) {
        if (!drawn_.hasTilt) {
            drawn_.tiltX = pen.tiltX;
            drawn_.tiltY = pen.tiltY;
            drawn_.hasTilt = true;
        }
        toward(drawn_.tiltX, pen.tiltX);
        toward(drawn_.tiltY, pen.tiltY);
    }
    drawn_.time = pen.time;
    return drawn_;
}

}  // namespace qm
