#include "engine/rand.h"

namespace pxb {
namespace {

using rand48::kAddend;
using rand48::kMask48;
using rand48::kMultiplier;
using rand48::Pack;
using rand48::Unpack;

RandState globalState = kUnseededGlobalState;

}  // namespace

RandState& GlobalRandState() {
  return globalState;
}

RandJump JumpOf(uint64_t n) {
  // n steps of X <- aX + c compose to X <- A·X + C. Square the one-step map
  // (a, c) repeatedly and fold in the powers of two that make up n; all
  // arithmetic is mod 2^48, which unsigned 64-bit wrap-around then the mask
  // gives exactly.
  uint64_t a = kMultiplier;
  uint64_t c = kAddend;
  uint64_t accA = 1;
  uint64_t accC = 0;
  while (n != 0) {
    if ((n & 1) != 0) {
      accA = (accA * a) & kMask48;
      accC = (accC * a + c) & kMask48;
    }
    c = ((a + 1) * c) & kMask48;
    a = (a * a) & kMask48;
    n >>= 1;
  }
  return RandJump{accA, accC};
}

void ApplyJump(RandState* state, const RandJump& jump) {
  Unpack(JumpWord(Pack(*state), jump), state);
}

void AdvanceState(RandState* state, uint64_t n) {
  ApplyJump(state, JumpOf(n));
}

void SeedState(RandState* state, int32_t seed) {
  const auto bits = static_cast<uint32_t>(seed);
  state->x[0] = 0x330E;
  state->x[1] = static_cast<uint16_t>(bits & 0xFFFF);
  state->x[2] = static_cast<uint16_t>(bits >> 16);
}

void SeedGlobal(uint32_t seed) {
  SeedState(&globalState, static_cast<int32_t>(seed));
}

double NextDouble() {
  return NextDoubleOn(&globalState);
}
int32_t NextInt31() {
  return NextInt31On(&globalState);
}

}  // namespace pxb
