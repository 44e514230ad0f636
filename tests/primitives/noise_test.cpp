#include "primitives/noise.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <tuple>

#include "engine/eval.h"
#include "engine/rand.h"
#include "primitives/expression_text.h"
#include "primitives/registration.h"
#include "primitives/value_types.h"
#include "tests/common/rand_states.h"
#include "tests/primitives/test_trees.h"

namespace pxb {
namespace {

// Agreement to the 12 significant digits the published values carry.
void ExpectDigits(double actual, double expected) {
  const double unit = std::pow(10.0, std::floor(std::log10(std::fabs(expected))) - 11);
  EXPECT_NEAR(actual, expected, 0.51 * unit);
}

class NoiseTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    RegisterPrimitives();
    BuildNoiseTable();
  }

  // A node of the given builder over the constant scale, built from a view
  // state whose next draw, the node's seed, is `seed`.
  Node* Build(BuilderFn builder, TypeId type, double scale, int32_t seed) {
    view_.rand = testing::StateSteppingTo(static_cast<uint64_t>(seed) << 17);
    const ArgSlot slot{kUnit, &scale};
    return builder(type, 1, const_cast<ArgSlot*>(&slot), &view_);
  }
  Node* Plain(double scale, int32_t seed) { return Build(BuildDopNoise, kUnit, scale, seed); }

  // Evaluates node at (x, y) as a render does.
  template <typename T = double>
  static T Eval(Node* node, double x, double y) {
    EvalContext ctx{};
    ctx.mask = kRenderMask;
    ctx.x = x;
    ctx.y = y;
    T out{};
    EvaluateNode(node, &out, &ctx);
    return out;
  }
  // The plain noise of a fresh node (nothing cached) at (x, y).
  double Fresh(double scale, int32_t seed, double x, double y) {
    Node* node = Plain(scale, seed);
    const double v = Eval(node, x, y);
    Release(node);
    return v;
  }

  void Release(Node* node) { NodeRelease(&node, &view_); }

  ViewParams view_{64, 64, 0, {{1, 2, 3}}};
};

TEST_F(NoiseTest, PermutationTable) {
  // Pinned from a known-good run: a permutation of 0..1023 that starts
  // 945, 747, 858 and ends with 79.
  const int32_t* p = GetNoiseTable().perm;
  EXPECT_EQ(Fnv1a32(p, sizeof(int32_t) * kNoiseTableSize), 2071585689u);

  // The global generator is left exactly 1023 draws past the seed.
  BuildNoiseTable();
  RandState s;
  SeedState(&s, 123456790);
  for (int i = 0; i < 1023; ++i)
    StepState(&s);
  EXPECT_EQ(NextDouble(), NextDoubleOn(&s));
}

// Seed 0 at its lattice corner (0, 0) and at the centre of cell (0, 0), in
// the three modes.
TEST_F(NoiseTest, PublishedValuesOfSeedZero) {
  Node* plain = Plain(1.0, 0);
  Node* bipolar = Build(BuildDopBNoise, kBipolar, 1.0, 0);
  Node* derivative = Build(BuildDopDNoise, kCplx, 1.0, 0);
  const double published[2][5] = {
      {0.0, 0.212348940623, -0.575302118754, 0.0798332256716, 0.102056960287},
      {0.5, 0.625789340367, 0.251578680734, 0.543542218277, 0.353660744595}};
  for (const auto& [at, value, recentred, dx, dy] : published) {
    ExpectDigits(Eval(plain, at, at), value);
    ExpectDigits(Eval(bipolar, at, at), recentred);
    const ComplexValue d = Eval<ComplexValue>(derivative, at, at);
    ExpectDigits(d.re, dx);
    ExpectDigits(d.im, dy);
    EXPECT_EQ(d.polar, 0);
  }
  Release(plain);
  Release(bipolar);
  Release(derivative);
}

// Corners hash through a table of 1024 entries, coordinates and seed taken
// as two's complement: the noise repeats every 1024 lattice units and every
// 1024 seeds, negative positions included.
TEST_F(NoiseTest, NoiseRepeatsWithTheTable) {
  for (int32_t seed : {0, 5, 777}) {
    for (const auto& [x, y] :
         {std::pair{-0.5, -0.5}, {-1.0, 4.25}, {3.75, -1.5}, {-1024.0, -2.0}}) {
      const double v = Fresh(1.0, seed, x, y);
      EXPECT_EQ(Fresh(1.0, seed, x + 1024, y), v) << seed << " " << x << " " << y;
      EXPECT_EQ(Fresh(1.0, seed, x, y + 1024), v) << seed << " " << x << " " << y;
      EXPECT_EQ(Fresh(1.0, seed + 1024, x, y), v) << seed << " " << x << " " << y;
    }
    EXPECT_EQ(Fresh(1.0, seed, INT32_MIN, INT32_MIN), Fresh(1.0, seed, 0.0, 0.0));
  }
  ExpectDigits(Fresh(1.0, 5, -0.5, -0.5), 0.835406632604);
}

TEST_F(NoiseTest, BuildersDrawTheSeedAndFixTheFlags) {
  // A map child does not make the noise node a map.
  Node* child = NodeCreate(
      kUnit, 0, nullptr, 0, [](ArgSlot*, void*, Node*, EvalContext*) { return 0; }, "map", &view_);
  child->flags = kMapValued;
  for (const auto& [builder, type, label] :
       {std::tuple<BuilderFn, TypeId, const char*>{BuildDopNoise, kUnit, "dopnoise2"},
        {BuildDopBNoise, kBipolar, "dopbnoise2"},
        {BuildDopDNoise, kCplx, "dopdnoise2"}}) {
    NodeRetain(child);
    Node* holder = child;
    ArgSlot slot{kSubtree, &holder};
    RandState expected = view_.rand;
    const int32_t seed = NextInt31On(&expected);
    Node* node = builder(type, 1, &slot, &view_);
    ASSERT_NE(node, nullptr);
    EXPECT_STREQ(node->name, label);
    EXPECT_EQ(node->type, type);
    EXPECT_EQ(node->flags, kPositionDependent);
    EXPECT_EQ(node->children[0].node, child);
    EXPECT_EQ(NoiseSeed(node), seed);
    EXPECT_EQ(std::memcmp(&view_.rand, &expected, sizeof expected), 0);
    Release(node);
  }
  EXPECT_EQ(child->refs, 1);
  Release(child);
}

// The x slope is the exact derivative of the interpolated value; the y slope
// is exact on lattice columns and blended linearly between them.
TEST_F(NoiseTest, DerivativeIsTheGradientInLatticeUnits) {
  const double scale = 0.5;
  const double h = 1e-6;
  Node* node = Build(BuildDopDNoise, kCplx, scale, 321);
  auto value = [&](double x, double y) {
    return NoiseSample(NoiseMode::kDerivative, scale, x, y, node).value;
  };
  for (double y : {0.07, 0.88, -0.3}) {
    for (double x : {0.13, 0.61, -0.4}) {
      const NoiseCorner k = NoiseSample(NoiseMode::kDerivative, scale, x, y, node);
      EXPECT_NEAR(k.slope[0], (value(x + h, y) - value(x - h, y)) / (2 * h / scale), 1e-6);
    }
    for (double x : {0.0, 0.5, -1.0}) {
      const NoiseCorner k = NoiseSample(NoiseMode::kDerivative, scale, x, y, node);
      EXPECT_NEAR(k.slope[1], (value(x, y + h) - value(x, y - h)) / (2 * h / scale), 1e-6);
    }
  }
  Release(node);
}

// A node keeps the corners of the last cell it sampled; a walk through the
// same cell, a new column, a new row in the same column and back must give
// what fresh nodes give.
TEST_F(NoiseTest, CornerCacheFollowsTheCell) {
  Node* node = Plain(1.0, 8);
  const double walk[][2] = {{0.0, 0.0},  {0.25, 0.25}, {0.75, 0.5},  {1.5, 0.25},
                            {1.5, 1.25}, {0.5, 1.25},  {0.25, 0.25}, {-0.5, 0.25}};
  for (const auto& [x, y] : walk)
    EXPECT_EQ(Eval(node, x, y), Fresh(1.0, 8, x, y)) << x << ", " << y;
  Release(node);
}

TEST_F(NoiseTest, DegenerateScalesDoNotFault) {
  const double inf = std::numeric_limits<double>::infinity();
  for (double scale : {0.0, -0.0, inf, -inf, std::nan(""), 1e-300}) {
    for (BuilderFn builder : {BuildDopNoise, BuildDopBNoise, BuildDopDNoise}) {
      Node* node = Build(builder, builder == BuildDopDNoise ? kCplx : kUnit, scale, 3);
      Eval<ComplexValue>(node, 0.5, 0.25);
      Eval<ComplexValue>(node, 0.0, -0.75);
      Release(node);
    }
  }
  // 0 / 0 puts the cell at INT32_MIN with a non-finite fraction.
  EXPECT_TRUE(std::isnan(Fresh(0.0, 3, 0.0, 0.0)));
  // An infinite scale puts every point at the origin: an ordinary sample.
  EXPECT_EQ(Fresh(inf, 3, 0.5, 0.5), Fresh(1.0, 3, 0.0, 0.0));
}

}  // namespace
}  // namespace pxb
