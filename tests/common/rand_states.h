// Generator states chosen for what they draw next.
#pragma once

#include <cmath>
#include <cstdint>

#include "engine/rand.h"

namespace pxb::testing {

// The state that steps to the 48-bit value `stepped`: X' = a·X + c undone
// with the inverse of a modulo 2^48.
inline RandState StateSteppingTo(uint64_t stepped) {
  constexpr uint64_t kInverse = 0xDFE05BCB1365ULL;  // a·kInverse ≡ 1 (mod 2^48)
  const uint64_t x = ((stepped - 0xB) * kInverse) & ((uint64_t{1} << 48) - 1);
  return RandState{
      {static_cast<uint16_t>(x), static_cast<uint16_t>(x >> 16), static_cast<uint16_t>(x >> 32)}};
}

// The state whose next NextDoubleOn draw is exactly u (a multiple of 2^-48).
inline RandState StateDrawingDouble(double u) {
  return StateSteppingTo(static_cast<uint64_t>(std::ldexp(u, 48)));
}

}  // namespace pxb::testing
