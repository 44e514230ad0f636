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
