// The 48-bit linear congruential generator of the drand48 family.
//
// Every random decision of Pixbreed comes from here; a filter is stored as a
// RandState and regrown from it, so the sequence must be bit-exact.
#pragma once

#include <cstdint>

namespace pxb {

// X = x[2]·2^32 + x[1]·2^16 + x[0], low word first (as stored in files).
struct RandState {
  uint16_t x[3];
};

inline constexpr RandState kUnseededGlobalState{{0x330E, 0xABCD, 0x1234}};

// The process-wide generator; only the dialog thread draws from it.
RandState& GlobalRandState();

void SeedGlobal(uint32_t seed);
void SeedState(RandState* state, int32_t seed);

double NextDouble();
int32_t NextInt31();

// The generator's words and one step of X ← (a·X + c) mod 2^48, inline: the
// noise and "dither" draw several times per sample.
namespace rand48 {
inline constexpr uint64_t kMultiplier = 0x5DEECE66DULL;
inline constexpr uint64_t kAddend = 0xB;
inline constexpr uint64_t kMask48 = (uint64_t{1} << 48) - 1;

inline uint64_t Pack(const RandState& s) {
  return uint64_t{s.x[0]} | (uint64_t{s.x[1]} << 16) | (uint64_t{s.x[2]} << 32);
}

inline void Unpack(uint64_t v, RandState* s) {
  s->x[0] = static_cast<uint16_t>(v);
  s->x[1] = static_cast<uint16_t>(v >> 16);
  s->x[2] = static_cast<uint16_t>(v >> 32);
}

// One step on the packed value X, for a loop that keeps X in a register
// between draws and unpacks it once at the end.
inline uint64_t Step(uint64_t x) {
  return (kMultiplier * x + kAddend) & kMask48;
}

// The double NextDoubleOn returns for the state X it has just stepped to.
inline double DoubleOf(uint64_t x) {
  return static_cast<double>(x) * 0x1p-48;
}
}  // namespace rand48

inline void StepState(RandState* state) {
  rand48::Unpack(rand48::Step(rand48::Pack(*state)), state);
}

inline double NextDoubleOn(RandState* state) {
  StepState(state);
  // X / 2^48 is exact: X has at most 48 significant bits.
  return rand48::DoubleOf(rand48::Pack(*state));
}

inline int32_t NextInt31On(RandState* state) {
  StepState(state);
  return static_cast<int32_t>(rand48::Pack(*state) >> 17);
}

// The state n steps on, in O(log n) operations: the same as n calls of
// StepState. Lets a worker start its share of a sequence where a single
// drawer would have reached it.
void AdvanceState(RandState* state, uint64_t n);

// n steps composed into one: X <- (a·X + c) mod 2^48. Made once, applied as
// often as needed, each time the same as n calls of StepState.
struct RandJump {
  uint64_t a;
  uint64_t c;
};
RandJump JumpOf(uint64_t n);
void ApplyJump(RandState* state, const RandJump& jump);

// ApplyJump on the packed value X.
inline uint64_t JumpWord(uint64_t x, const RandJump& jump) {
  return (jump.a * x + jump.c) & rand48::kMask48;
}

// The jump that makes first, then second.
inline RandJump Then(const RandJump& first, const RandJump& second) {
  return RandJump{(second.a * first.a) & rand48::kMask48,
                  (second.a * first.c + second.c) & rand48::kMask48};
}

}  // namespace pxb
