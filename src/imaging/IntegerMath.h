// The two integer rules every size and position computation shares, so that a resized picture, a
// scaled logo and a stamp's rectangle round and clip alike.
#pragma once

#include <cstdint>
#include <limits>

namespace stampwise {

// round(numerator / denominator), an exact half going to the even neighbour (240.5 gives 240,
// 241.5 gives 242). The quotient is never formed in floating point, so no size depends on how a
// double happens to round. A zero denominator (a picture with no columns) gives 0.
inline std::int64_t DivideRoundHalfEven(std::int64_t numerator, std::int64_t denominator) {
    if (denominator == 0) return 0;
    if (denominator < 0) {
        numerator = -numerator;
        denominator = -denominator;
    }
    std::int64_t quotient = numerator / denominator;
    std::int64_t remainder = numerator % denominator;
    if (remainder < 0) {  // make it floor division, 0 <= remainder < denominator
        --quotient;
        remainder += denominator;
    }
    const std::int64_t twice = 2 * remainder;
    if (twice > denominator || (twice == denominator && quotient % 2 != 0)) ++quotient;
    return quotient;
}

// A value clamped to int's range. Saturating keeps an absurd size or a far outside rectangle
// absurd rather than wrapping it into a plausible one, so the allocation or the clip refuses it.
inline int SaturateToInt(std::int64_t value) {
    if (value > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (value < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

}  // namespace stampwise
