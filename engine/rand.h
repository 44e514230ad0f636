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
double NextDoubleOn(RandState* state);
int32_t NextInt31();
int32_t NextInt31On(RandState* state);

// One step of X ← (a·X + c) mod 2^48.
void StepState(RandState* state);

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

}  // namespace pxb
