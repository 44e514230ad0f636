// Conversions from double to 32-bit integers that behave as x86 hardware does.
#pragma once

#include <cmath>
#include <cstdint>

namespace pxb {

inline constexpr int32_t kIntegerIndefinite = INT32_MIN;

// Truncates toward zero; a value that is not finite or does not fit in 32 bits
// gives INT32_MIN, the "integer indefinite" of cvttsd2si, without undefined
// behaviour.
inline int32_t TruncToInt32(double v) {
  if (!(v > -2147483649.0 && v < 2147483648.0)) return kIntegerIndefinite;
  return static_cast<int32_t>(v);
}

// Within the 32-bit range the truncation, one less for a negative fraction,
// is the floor: the same integer as std::floor then truncation, without the
// library's rounding sequence (no SSE4.1 rounding instruction is assumed).
inline int32_t FloorToInt32(double v) {
  if (v >= -2147483648.0 && v < 2147483648.0) {
    const auto t = static_cast<int32_t>(v);
    return static_cast<double>(t) > v ? t - 1 : t;
  }
  return TruncToInt32(std::floor(v));
}

// 32-bit integer arithmetic that wraps around instead of overflowing.
inline int32_t WrapAdd(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int32_t WrapSub(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
inline int32_t WrapMul(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

}  // namespace pxb
