// Conversions of reals to integers. The program's default conversion rounds halves to even;
// a few tools round halves away from zero, and say so where they do.
#pragma once

#include <cmath>
#include <cstdint>

namespace qm {

// A real beyond the 64-bit range saturates (NaN gives 0) instead of being converted, which
// would be undefined. Every real within the range converts as it is.
namespace detail {
inline bool outside64(double v, int64_t& saturated) {
    if (v >= 0x1p63) {
        saturated = INT64_MAX;
    } else if (v < -0x1p63) {
        saturated = INT64_MIN;
    } else if (std::isnan(v)) {
        saturated = 0;
    } else {
        return false;
    }
    return true;
}
}  // namespace detail

// Nearest integer, halves to even (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
// Independent of the floating-point rounding mode. Out of range: see detail::outside64.
inline int64_t roundHalfEven(double v) {
    if (int64_t s; detail::outside64(v, s)) return s;
    // From here |v| < 2^63; at 2^52 and beyond every real is whole (d == 0), so f + 1 and
    // i + 1 below never overflow.
    const double f = std::floor(v);
    const double d = v - f;
    if (d > 0.5) return static_cast<int64_t>(f) + 1;
    if (d < 0.5) return static_cast<int64_t>(f);
    const auto i = static_cast<int64_t>(f);
    return (i % 2 == 0) ? i : i + 1;
}

// Nearest integer, halves away from zero (2.5 -> 3, -2.5 -> -3).
// Out of range: see detail::outside64.
inline int64_t roundHalfAway(double v) {
    if (int64_t s; detail::outside64(v, s)) return s;
    return static_cast<int64_t>(std::round(v));
}

}  // namespace qm
