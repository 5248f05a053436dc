// Turning the game's numbers into machine integers.
//
// Every numeric argument of an engine command is a 64-bit float. A plain C++ cast of NaN or of a value
// outside the target range is undefined behaviour, so every command converts through these helpers:
// truncation toward zero, NaN gives 0, values out of range saturate (or wrap, for the "low bits" form).
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace tarvok {

// Truncates toward zero into the range of the integer type T; NaN gives 0, out of range saturates.
template <typename T>
constexpr T TruncSaturate(double v) {
    if (std::isnan(v)) return 0;
    constexpr double lo = static_cast<double>(std::numeric_limits<T>::min());
    // One past the maximum is exactly representable for every integer width (a power of two).
    constexpr double hiExclusive = static_cast<double>(std::numeric_limits<T>::max() / 2 + 1) * 2.0;
    if (v <= lo) return std::numeric_limits<T>::min();
    if (v >= hiExclusive) return std::numeric_limits<T>::max();
    return static_cast<T>(v);
}

// A 32-bit argument: truncated toward zero, NaN 0, saturated to the int32 range.
constexpr std::int32_t ToInt(double v) { return TruncSaturate<std::int32_t>(v); }

// A 64-bit argument: truncated toward zero, NaN 0, saturated to the int64 range.
constexpr std::int64_t ToInt64(double v) { return TruncSaturate<std::int64_t>(v); }

// The low 32 bits of the value truncated through 64 bits (so 4294967295 and -1 give the same bits).
constexpr std::uint32_t ToLowBits32(double v) {
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ToInt64(v)));
}

// Truth value of a number: any non-zero value, NaN included, counts as true.
constexpr bool ToBool(double v) { return !(v == 0.0); }

}  // namespace tarvok
