// Conversions of reals to integers. The program's default conversion rounds halves to even;
// a few tools round halves away from zero, and say so where they do.
#pragma once

#include <cmath>
#include <cstdint>

namespace qm {

// Nearest integer, halves to even (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
// Independent of the floating-point rounding mode.
inline int64_t roundHalfEven(double v) {
    const double f = std::floor(v);
    const double d = v - f;
    if (d > 0.5) return static_cast<int64_t>(f) + 1;
    if (d < 0.5) return static_cast<int64_t>(f);
    const auto i = static_cast<int64_t>(f);
    return (i % 2 == 0) ? i : i + 1;
}

// Nearest integer, halves away from zero (2.5 -> 3, -2.5 -> -3).
inline int64_t roundHalfAway(double v) { return static_cast<int64_t>(std::round(v)); }

}  // namespace qm
