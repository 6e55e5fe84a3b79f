#include "brush/pressure_curve.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace qm {

namespace {

double unit(double v) {
    return v > 1.0 ? 1.0 : v > 0.0 ? v : 0.0;  // NaN gives 0
}

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Reads a number at `at` (an optional '+' or '-', then digits, a point, an exponent).
std::optional<double> readNumber(std::string_view text, size_t& at) {
    size_t start = at;
    if (start < text.size() && text[start] == '+') ++start;  // from_chars takes no '+'
    double value = 0;
    const auto [end, error] =
        std::from_chars(text.data() + start, text.data() + text.size(), value);
    if (error != std::errc{} || !std::isfinite(value)) return std::nullopt;
    at = size_t(end - text.data());
    return value;
}

void skipSpaces(std::string_view text, size_t& at) {
    while (at < text.size() && isSpace(text[at])) ++at;
}

}  // namespace

std::optional<PressureCurve> normalisedPressureCurve(std::vector<CurvePoint> points) {
    for (CurvePoint& p : points) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) return std::nullopt;
        p.x = unit(p.x);
        p.y = unit(p.y);
    }
    std::stable_sort(points.begin(), points.end(),
                     [](const CurvePoint& a, const CurvePoint& b) { return a.x < b.x; });
    points.erase(std::unique(points.begin(), points.end(),
                             [](const CurvePoint& a, const CurvePoint& b) { return a.x == b.x; }),
                 points.end());
    if (points.size() < PressureCurve::kMinCurvePoints ||
        points.size() > PressureCurve::kMaxCurvePoints)
        return std::nullopt;
    for (size_t i = 1; i < points.size(); ++i) points[i].y = std::max(points[i].y, points[i - 1].y);
    PressureCurve curve;
    curve.points = std::move(points);
    return curve;
}

std::optional<PressureCurve> parsePressureCurve(std::string_view text) {
    std::vector<CurvePoint> points;
    size_t at = 0;
    skipSpaces(text, at);
    while (at < text.size()) {
        // More points than a curve may hold: no need to read the rest.
        if (points.size() == PressureCurve::kMaxCurvePoints) return std::nullopt;
        const auto x = readNumber(text, at);
        if (!x) return std::nullopt;
        skipSpaces(text, at);
        if (at >= text.size() || text[at] != ',') return std::nullopt;
        ++at;
        skipSpaces(text, at);
        const auto y = readNumber(text, at);
        if (!y) return std::nullopt;
        // A point ends at white space or at the end of the text ("0,0.5x" is no point).
        if (at < text.size() && !isSpace(text[at])) return std::nullopt;
        skipSpaces(text, at);
        points.push_back({*x, *y});
    }
    return normalisedPressureCurve(std::move(points));
}

PressureCurve pressureCurveFromText(std::string_view text) {
    return parsePressureCurve(text).value_or(linearPressureCurve());
}

std::string pressureCurveText(const PressureCurve& curve) {
    std::string text;
    char buffer[64];
    const auto number = [&](double v) {
        const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, v);
        if (error == std::errc{}) text.append(buffer, end);
    };
    for (const CurvePoint& p : curve.points) {
        if (!text.empty()) text += ' ';
        number(p.x);
        text += ',';
        number(p.y);
    }
    return text;
}

double applyPressureCurve(const PressureCurve& curve, double pressure) {
    const double p = unit(pressure);
    const std::vector<CurvePoint>& pts = curve.points;
    if (pts.empty()) return p;
    if (p <= pts.front().x) return unit(pts.front().y);
    for (size_t i = 1; i < pts.size(); ++i) {
        const CurvePoint& a = pts[i - 1];
        const CurvePoint& b = pts[i];
        if (p > b.x) continue;
        if (!(b.x > a.x) || p == b.x) return unit(b.y);
        // Kept between the two ends, so that rounding never lets the line fall at a point.
        const double y = a.y + (b.y - a.y) * (p - a.x) / (b.x - a.x);
        return unit(std::clamp(y, std::min(a.y, b.y), std::max(a.y, b.y)));
    }
    return unit(pts.back().y);
}

}  // namespace qm
