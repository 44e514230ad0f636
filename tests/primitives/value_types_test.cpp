#include "primitives/value_types.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "tests/common/rand_states.h"

namespace pxb {
namespace {

class NormalDeviateTest : public ::testing::Test {
 protected:
  void SetUp() override { InitNormalDeviate(); }
};

// A state whose next NextInt31On draw has the given low 15 bits: the draw is
// X >> 17, so bits 17..31 of the stepped state carry them.
RandState StateDrawing(int low15) {
  return testing::StateSteppingTo(static_cast<uint64_t>(low15) << 17);
}

TEST_F(NormalDeviateTest, PublishedSequenceFromSeedZero) {
  RandState s;
  SeedState(&s, 0);
  EXPECT_NEAR(NormalDeviate(0.0, 1.0, &s), -0.2733451877, 1e-10);
  EXPECT_NEAR(NormalDeviate(0.0, 1.0, &s), 0.1781461574, 1e-10);
  EXPECT_NEAR(NormalDeviate(0.0, 1.0, &s), 0.8892191336, 1e-10);
}

TEST_F(NormalDeviateTest, ExtremesAndTheMiddle) {
  RandState s = StateDrawing(0);
  EXPECT_EQ(NormalDeviate(1.0, 2.0, &s), 1.0 - 8.5);
  s = StateDrawing(32767);
  EXPECT_EQ(NormalDeviate(1.0, 2.0, &s), 1.0 + 8.5);
  s = StateDrawing(16383);
  const double below = NormalDeviate(0.0, 1.0, &s);
  EXPECT_LT(below, 0.0);
  EXPECT_GT(below, -0.0001);
  s = StateDrawing(16384);
  EXPECT_EQ(NormalDeviate(0.0, 1.0, &s), -below);
}

// The blend of a and b at t, as the resampling calls it.
template <typename V>
V Blended(EvalFn blend, TypeId type, V a, V b, double t) {
  V r{};
  ArgSlot slots[3] = {{type, &a}, {type, &b}, {0, &t}};
  blend(slots, &r, nullptr, nullptr);
  return r;
}

TEST(Blend, ScalarComplexAndColour) {
  EXPECT_EQ(Blended(BlendScalar, kUnit, 2.0, 6.0, 0.25), 3.0);
  const ComplexValue c =
      Blended(BlendComplex, kCplx, ComplexValue{2.0, 0.0, 1, 0}, ComplexValue{}, 0.5);
  EXPECT_TRUE(c.re == 1.0 && c.im == 0.0 && c.polar == 0);

  ColourValue ca{{0.1, 0.2, 0.3, 1.0}, 1, 0};
  ColourValue cb{{0.9, 0.8, 0.7, 0.0}, 0, 0};
  const ColourValue first = Blended(BlendColour, kColour, ca, cb, 0.0);
  EXPECT_EQ(std::memcmp(&first, &ca, 36), 0);
  const ColourValue last = Blended(BlendColour, kColour, ca, cb, 1.0);
  EXPECT_TRUE(last.c[0] == 0.9 && last.c[3] == 0.0 && last.hsv == 1);
  // In place, as resampling blends.
  double t = 0.5;
  ArgSlot inPlace[3] = {{kColour, &ca}, {kColour, &cb}, {0, &t}};
  BlendColour(inPlace, &ca, nullptr, nullptr);
  EXPECT_DOUBLE_EQ(ca.c[0], 0.5);
}

TEST(RandomConstants, RangesAndDrawCounts) {
  InitNormalDeviate();
  ViewParams v{1, 1, 0, {{1, 2, 3}}};
  // Bipolar constants fill all of [-1, 1), both halves.
  double lowest = 1.0;
  double highest = -1.0;
  for (int i = 0; i < 2000; ++i) {
    double e = -1;
    double b = -2;
    MakeExpo(&e, &v);
    MakeBipolar(&b, &v);
    ASSERT_GE(e, 0.0);
    ASSERT_GE(b, -1.0);
    ASSERT_LT(b, 1.0);
    lowest = std::min(lowest, b);
    highest = std::max(highest, b);
  }
  EXPECT_LT(lowest, -0.99);
  EXPECT_GT(highest, 0.99);
  // A colour draws three doubles in channel order.
  RandState copy = v.rand;
  ColourValue c{};
  MakeColour(&c, &v);
  EXPECT_EQ(c.c[0], NextDoubleOn(&copy));
  EXPECT_EQ(c.c[1], NextDoubleOn(&copy));
  EXPECT_EQ(c.c[2], NextDoubleOn(&copy));
  EXPECT_EQ(c.c[3], 1.0);
  EXPECT_EQ(c.hsv, 0);
  EXPECT_EQ(std::memcmp(&copy, &v.rand, sizeof copy), 0);
}

}  // namespace
}  // namespace pxb
