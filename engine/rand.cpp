#include "engine/rand.h"

namespace pxb {
namespace {

constexpr uint64_t kMultiplier = 0x5DEECE66DULL;
constexpr uint64_t kAddend = 0xB;
constexpr uint64_t kMask48 = (uint64_t{1} << 48) - 1;

RandState globalState = kUnseededGlobalState;

uint64_t Pack(const RandState& s) {
  return uint64_t{s.x[0]} | (uint64_t{s.x[1]} << 16) | (uint64_t{s.x[2]} << 32);
}

void Unpack(uint64_t v, RandState* s) {
  s->x[0] = static_cast<uint16_t>(v);
  s->x[1] = static_cast<uint16_t>(v >> 16);
  s->x[2] = static_cast<uint16_t>(v >> 32);
}

}  // namespace

RandState& GlobalRandState() {
  return globalState;
}

void StepState(RandState* state) {
  Unpack((kMultiplier * Pack(*state) + kAddend) & kMask48, state);
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
  Unpack((jump.a * Pack(*state) + jump.c) & kMask48, state);
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

double NextDoubleOn(RandState* state) {
  StepState(state);
  // X / 2^48 is exact: X has at most 48 significant bits.
  return static_cast<double>(Pack(*state)) * 0x1p-48;
}

int32_t NextInt31On(RandState* state) {
  StepState(state);
  return static_cast<int32_t>(Pack(*state) >> 17);
}

double NextDouble() {
  return NextDoubleOn(&globalState);
}
int32_t NextInt31() {
  return NextInt31On(&globalState);
}

}  // namespace pxb
