#include "engine/rand.h"

#include <gtest/gtest.h>

namespace pxb {
namespace {

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
  EXPECT_EQ(a.x[0], 0x330E);
  EXPECT_EQ(a.x[1], 0xFFFE);
  EXPECT_EQ(a.x[2], 0xFFFF);
  EXPECT_EQ(NextDoubleOn(&a), NextDoubleOn(&b));
}

TEST(Rand, AllOnesStateStepsToTheExactFormula) {
  RandState s{{0xFFFF, 0xFFFF, 0xFFFF}};
  StepState(&s);
  // (0x5DEECE66D * (2^48 - 1) + 11) mod 2^48, worked out by hand:
  // -0x5DEECE66D + 11 mod 2^48 = 0xFFFA2113199E.
  EXPECT_EQ(s.x[0], 0x199E);
  EXPECT_EQ(s.x[1], 0x2113);
  EXPECT_EQ(s.x[2], 0xFFFA);
}

TEST(Rand, DoubleAndIntegerDrawsInterleaveAsOneSequence) {
  RandState a;
  RandState b;
  SeedState(&a, 42);
  SeedState(&b, 42);
  const double d1 = NextDoubleOn(&a);
  const int32_t i2 = NextInt31On(&a);
  const double d3 = NextDoubleOn(&a);
  // The same three steps, each read the other way.
  const int32_t j1 = NextInt31On(&b);
  const double e2 = NextDoubleOn(&b);
  const int32_t j3 = NextInt31On(&b);
  EXPECT_EQ(static_cast<int32_t>(d1 * 0x1p31), j1);
  EXPECT_EQ(static_cast<int32_t>(e2 * 0x1p31), i2);
  EXPECT_EQ(static_cast<int32_t>(d3 * 0x1p31), j3);
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
      EXPECT_EQ(jumped.x[0], stepped.x[0]) << n;
      EXPECT_EQ(jumped.x[1], stepped.x[1]) << n;
      EXPECT_EQ(jumped.x[2], stepped.x[2]) << n;
    }
  }
}

TEST(Rand, AdvanceByTheFullPeriodReturnsToTheStart) {
  // The generator has full period 2^48: a jump by 2^48 is the identity.
  RandState s{{0x1234, 0x5678, 0x9ABC}};
  AdvanceState(&s, uint64_t{1} << 48);
  EXPECT_EQ(s.x[0], 0x1234);
  EXPECT_EQ(s.x[1], 0x5678);
  EXPECT_EQ(s.x[2], 0x9ABC);
}

}  // namespace
}  // namespace pxb
