// Multiplication then division without intermediate overflow, rounded to the nearest integer (halves
// away from zero); -1 when the divisor is 0 or the result does not fit 32 bits, as the desktop's own
// helper does.
#pragma once

#include <cstdint>
#include <limits>

namespace zavo {

constexpr int32_t MulDiv(int64_t number, int64_t numerator, int64_t denominator) {
    if (denominator == 0) return -1;
    __int128 product = static_cast<__int128>(number) * numerator;
    bool negative = (product < 0) != (denominator < 0);
    unsigned __int128 magnitude = product < 0 ? -static_cast<unsigned __int128>(product) : static_cast<unsigned __int128>(product);
    unsigned __int128 divisor = denominator < 0 ? -static_cast<unsigned __int128>(denominator) : static_cast<unsigned __int128>(denominator);
    unsigned __int128 quotient = (magnitude + divisor / 2) / divisor;
    if (quotient > static_cast<unsigned __int128>(std::numeric_limits<int32_t>::max())) return -1;
    return negative ? -static_cast<int32_t>(quotient) : static_cast<int32_t>(quotient);
}

}  // namespace zavo
