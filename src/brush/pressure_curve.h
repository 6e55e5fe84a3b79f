// The pressure curve: how the pen's pressure becomes the pressure the brush uses, a line through
// a few control points (x the pen's pressure, y the brush's, both 0..1). Stored in pref.ini as
// text: the points as "x,y" separated by spaces, e.g. "0,0 0.5,0.7 1,1".
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

struct CurvePoint {
    double x = 0, y = 0;
    bool operator==(const CurvePoint&) const = default;
};

// A usable curve holds kMinCurvePoints..kMaxCurvePoints points with x increasing strictly and y
// never falling, all within 0..1 (normalisedPressureCurve makes one of any points).
struct PressureCurve {
    static constexpr size_t kMinCurvePoints = 2;
    static constexpr size_t kMaxCurvePoints = 8;
    std::vector<CurvePoint> points{{0, 0}, {1, 1}};
    bool operator==(const PressureCurve&) const = default;
};

// The straight line from (0, 0) to (1, 1): the pressure passes unchanged.
inline PressureCurve linearPressureCurve() {
    return {};
}

// A usable curve from any points: coordinates brought within 0..1 (a non-finite one gives
// nullopt), sorted by x, a point whose x repeats an earlier one dropped, and each y raised to
// the one before it where it would fall, so that more pressure never gives less. nullopt when
// fewer than two points or more than kMaxCurvePoints remain.
std::optional<PressureCurve> normalisedPressureCurve(std::vector<CurvePoint> points);

// Reads the text form. Points are separated by white space, a point is two numbers separated by
// a comma (spaces around it allowed). Anything else (a stray word, a lone number, too few or
// too many points, "nan") makes the text unusable: nullopt. Usable texts give the normalised
// curve.
std::optional<PressureCurve> parsePressureCurve(std::string_view text);

// The curve of a pref.ini value: the parsed curve, or the straight line when the text is not
// usable.
PressureCurve pressureCurveFromText(std::string_view text);

// The text form, each number in its shortest form that reads back exactly ("0,0 0.5,0.7 1,1").
std::string pressureCurveText(const PressureCurve& curve);

// The brush's pressure for the pen's: the line through the points, flat before the first and
// after the last; the pressure is taken within 0..1 first (NaN as 0). The result is within
// 0..1 and never falls as the pressure rises.
double applyPressureCurve(const PressureCurve& curve, double pressure);

}  // namespace qm
