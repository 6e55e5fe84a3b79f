// One sample of the pointer's path as the stroke painter sees it: where the pen is (view
// coordinates, sub-pixel), how hard it presses, how it leans, and when. A mouse is a pen that
// always presses fully and never leans (mouseSample).
#pragma once

#include <cmath>
#include <numbers>

namespace qm {

struct PenSample {
    double x = 0, y = 0;    // view coordinates: pixels from the document's on-screen corner
    double pressure = 1.0;  // 0..1; a mouse presses fully
    // Lean of the pen in degrees, -90..90, as tablets report it: tiltX positive when the pen's top
    // leans to the right, tiltY positive when it leans towards the bottom of the tablet. Without
    // hasTilt the device reports none (a mouse) and the lean is unknown, not upright.
    double tiltX = 0, tiltY = 0;
    bool hasTilt = false;
    double time = 0;  // milliseconds, from the device; only differences count
};

// A mouse position: pressure 1, no tilt.
inline PenSample mouseSample(double x, double y, double time = 0) {
    PenSample s;
    s.x = x;
    s.y = y;
    s.time = time;
    return s;
}

// A reported pressure as the brush takes it: within 0..1; a pressure that is not a number
// counts as full, as from a mouse.
inline double penPressure(double pressure) {
    if (std::isnan(pressure)) return 1.0;
    return pressure < 0.0 ? 0.0 : pressure > 1.0 ? 1.0 : pressure;
}

// How far the pen leans along one axis for its tilt on that axis: the tangent of the tilt, with
// tilts beyond +-89 degrees counting as 89 (and a tilt that is not a number as upright). The two
// axes together give the lean as a vector on the tablet.
inline double penLean(double tiltDegrees) {
    constexpr double kRad = std::numbers::pi / 180.0;
    const double d = std::isfinite(tiltDegrees) ? tiltDegrees : 0.0;
    return std::tan((d > 89.0 ? 89.0 : d < -89.0 ? -89.0 : d) * kRad);
}

// The direction of a lean vector, in degrees clockwise on screen from the right (0 right, 90
// down, 180 left, -90 up), -180..180; 0 for no lean.
inline double leanAzimuth(double leanX, double leanY) {
    if (leanX == 0.0 && leanY == 0.0) return 0.0;
    return std::atan2(leanY, leanX) * (180.0 / std::numbers::pi);
}

// The direction the pen leans to on the tablet (leanAzimuth of its lean).
inline double penAzimuth(double tiltX, double tiltY) {
    return leanAzimuth(penLean(tiltX), penLean(tiltY));
}

}  // namespace qm
