// Conversions from double to 32-bit integers that behave as x86 hardware does.
#pragma once

#include <bit>
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

// floor[i] = FloorToInt32(f[i]) for |f[i]| < 2^30; false when some f[i] lies
// further out (or is not a number), its floor then being unset. Branch-free,
// so that it runs two values at a time: the nearest integer r comes from
// adding and taking away 1.5 * 2^52 (exact below 2^51), and c - r (exact; +0
// for c = -0) is negative when r lies above c.
inline bool FloorNear(const double* f, int32_t n, int32_t* floor) {
  uint64_t far = 0;
  for (int32_t i = 0; i < n; ++i) {
    const uint64_t bits = std::bit_cast<uint64_t>(f[i]);
    // 1 from an exponent of 30 on (infinities and NaN included), else 0.
    const uint64_t beyond = (((bits >> 52) & 0x7FF) + (2048 - 1023 - 30)) >> 11;
    far |= beyond;
    const double c = std::bit_cast<double>(bits & (beyond - 1));  // 0 when beyond
    const double r = (c + 0x1.8p52) - 0x1.8p52;
    const double d = (c - r) + 0.0;
    floor[i] = static_cast<int32_t>(r) - static_cast<int32_t>(std::bit_cast<uint64_t>(d) >> 63);
  }
  return far == 0;
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
