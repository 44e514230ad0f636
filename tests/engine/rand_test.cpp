#include "engine/rand.h"

#include <gtest/gtest.h>

#include <cstring>

namespace pxb {
namespace {

bool Same(const RandState& a, const RandState& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(Rand, PublishedValues) {
  GlobalRandState() = kUnseededGlobalState;
  EXPECT_EQ(NextDouble(), 0.39646477376027534);
  EXPECT_EQ(NextDouble(), 0.8404853694114252);
  EXPECT_EQ(NextDouble(), 0.3533360972452435);
  GlobalRandState() = kUnseededGlobalState;
  EXPECT_EQ(NextInt31(), 851401618);
  SeedGlobal(0);
  EXPECT_EQ(NextDouble(), 0.17082803610628972);
  SeedGlobal(123456790);
  EXPECT_EQ(NextDouble(), 0.9232707755445553);
  RandState s;
  SeedState(&s, 0);
  EXPECT_EQ(NextInt31On(&s), 366850414);
}

TEST(Rand, NegativeSeedTakesItsBitPattern) {
  RandState a;
  RandState b;
  SeedState(&a, -2);
  SeedGlobal(0xFFFFFFFEu);
  b = GlobalRandState();
  EXPECT_TRUE(Same(a, RandState{{0x330E, 0xFFFE, 0xFFFF}}));
  EXPECT_EQ(NextDoubleOn(&a), NextDoubleOn(&b));
}

TEST(Rand, AdvanceMatchesSingleSteps) {
  const RandState starts[] = {{{0x150C, 0x247E, 0x0018}}, {{0xFFFF, 0xFFFF, 0xFFFF}}, {{0, 0, 0}}};
  const uint64_t counts[] = {0, 1, 2, 3, 7, 64, 1000, 4097, 65535};
  for (const RandState& start : starts) {
    for (uint64_t n : counts) {
      RandState stepped = start;
      for (uint64_t i = 0; i < n; ++i)
        StepState(&stepped);
      RandState jumped = start;
      AdvanceState(&jumped, n);
      EXPECT_TRUE(Same(jumped, stepped)) << n;
    }
  }
}

// The all-ones state steps to (0x5DEECE66D·(2^48 - 1) + 11) mod 2^48 =
// 0xFFFA2113199E; the full period 2^48 is a jump back to the start.
TEST(Rand, ExtremeStepsAndJumps) {
  RandState s{{0xFFFF, 0xFFFF, 0xFFFF}};
  StepState(&s);
  EXPECT_TRUE(Same(s, RandState{{0x199E, 0x2113, 0xFFFA}}));
  AdvanceState(&s, uint64_t{1} << 48);
  EXPECT_TRUE(Same(s, RandState{{0x199E, 0x2113, 0xFFFA}}));
}

}  // namespace
}  // namespace pxb
