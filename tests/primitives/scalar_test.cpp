#include "primitives/scalar.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <thread>
#include <vector>

#include "primitives/registration.h"
#include "tests/common/rand_states.h"
#include "tests/primitives/test_trees.h"

namespace pxb {
namespace {

using testing::BuildNode;
using testing::TestRender;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

bool Same(const RandState& a, const RandState& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

class ScalarTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterPrimitives(); }

  // A position-dependent node that always yields v: peplus(petimes(mu, 0), v).
  Node* Varying(double v) {
    Node* mu = BuildMu(kUnit, 0, nullptr, &view_);
    double zero = 0.0;
    Node* scaled = BuildNode(BuildPetimes, kUnit, {{kSubtree, &mu}, {kUnit, &zero}}, &view_);
    return BuildNode(BuildPeplus, kUnit, {{kSubtree, &scaled}, {kUnit, &v}}, &view_);
  }
  Node* Dither(Node* a, double levels) {
    return BuildNode(BuildDither, kUnit, {{kSubtree, &a}, {kUnit, &levels}}, &view_);
  }
  // A two-argument function over constants, folded when the tree is prepared.
  double Apply(BuilderFn builder, double a, double b, RandState* dither = nullptr) {
    TestRender render(BuildNode(builder, kUnit, {{kUnit, &a}, {kUnit, &b}}, &view_), view_, dither);
    return render.UnitAt(0, 0);
  }
  // "dither" of a at `levels` whose one draw is u.
  double DitherWith(double u, double a, double levels) {
    RandState s = testing::StateDrawingDouble(u);
    return Apply(BuildDither, a, levels, &s);
  }
  // The first three samples of dither(0.5) with no render state: they draw
  // from the calling thread's own state.
  std::vector<double> ThreadDitherRow() {
    TestRender render(Dither(Varying(0.5), 0.0), view_);
    return {render.UnitAt(0, 0), render.UnitAt(1, 0), render.UnitAt(2, 0)};
  }

  ViewParams view_{8, 4, 0, {}};
};

TEST_F(ScalarTest, FunctionsOverConstantsFoldToTheirValues) {
  const struct {
    BuilderFn builder;
    const char* label;
    int nargs;
    double a, b, c, want;
  } table[] = {
      {BuildMinpe, "minpe", 1, 0.25, 0, 0, 0.75},
      {BuildPeplus, "peplus", 2, 1.0, 0.3, 0, 1.0},
      {BuildPeplus, "peplus", 2, 0.5, 0.5, 0, 0.75},
      {BuildPetimes, "petimes", 2, 0.0, 0.7, 0, 0.0},
      {BuildPepow, "pepow", 2, 0.25, 0.5, 0, 0.5},
      {BuildSwitch, "gswitch", 3, 0.5, 0.1, 0.9, 0.9},
      {BuildSwitch, "gswitch", 3, 0.4999, 0.1, 0.9, 0.1},
      {BuildSwitch, "gswitch", 3, kNaN, 0.1, 0.9, 0.1},
      {BuildMix, "gmix", 3, 1.0, 0.1, 0.7, 0.1},
      {BuildMix, "gmix", 3, 0.0, 0.1, 0.7, 0.7},
      {BuildMix, "gmix", 3, 0.25, 0.2, 0.6, 0.25 * 0.2 + 0.75 * 0.6},
      // Published values of bias and gain.
      {BuildBias, "gbias", 2, 0.25, 0.75, 0, 0.15625},
      {BuildBias, "gbias", 2, 0.5, 1.0, 0, 0.25},
      {BuildBias, "gbias", 2, 0.5, 0.0, 0, 0.75},
      {BuildBias, "gbias", 2, 0.5, 1.5, 0, 0.0625},  // s = 2: p = 4
      {BuildBias, "gbias", 2, 0.5, -0.5, 0, 0.9375},
      {BuildGain, "ggain", 2, 0.25, 0.75, 0, 0.1875},
      {BuildGain, "ggain", 2, 0.75, 0.75, 0, 1.0 - 0.1875},
  };
  for (const auto& row : table) {
    double values[3] = {row.a, row.b, row.c};
    ArgSlot slots[3] = {{kUnit, &values[0]}, {kUnit, &values[1]}, {kUnit, &values[2]}};
    TestRender render(row.builder(kUnit, row.nargs, slots, &view_), view_);
    EXPECT_STREQ(render.root()->name, row.label);
    EXPECT_EQ(render.root()->flags, 0u) << row.label;
    EXPECT_EQ(render.UnitAt(3, 1), row.want) << row.label << " " << row.a;
  }
  // Bias 0.5 (or none) keeps x; gain keeps 0.5 and repeats every unit.
  for (double x : {-0.3, 0.37, 2.5}) {
    EXPECT_EQ(Apply(BuildBias, x, 0.5), x);
    EXPECT_EQ(Apply(BuildBias, x, kNaN), x);
  }
  for (double g : {0.0, 0.1, 0.75, 1.0, 1.7, -0.4}) {
    EXPECT_EQ(Apply(BuildGain, 0.5, g), 0.5) << g;
    EXPECT_EQ(Apply(BuildGain, 1.25, g), 1.0 + Apply(BuildGain, 0.25, g)) << g;
  }
}

TEST_F(ScalarTest, DitherThresholds) {
  const double ulp = std::ldexp(1.0, -48);
  // a = 0, N = 1: -1, 0, 1 with probabilities 1/8, 3/4, 1/8; never 2.
  const double zeroCases[][2] = {{0.0, -1},        {0.125 - ulp, -1}, {0.125, 0},
                                 {0.875 - ulp, 0}, {0.875, 1},        {1.0 - ulp, 1}};
  for (const auto& [u, want] : zeroCases)
    EXPECT_EQ(DitherWith(u, 0.0, 0.0), want) << u;
  // a = 0.5: -1, 0, 1, 2 with 1/32, 15/32, 15/32, 1/32.
  const double halfCases[][2] = {{0.03125 - ulp, -1}, {0.03125, 0}, {0.5 - ulp, 0}, {0.5, 1},
                                 {0.96875 - ulp, 1},  {0.96875, 2}};
  for (const auto& [u, want] : halfCases)
    EXPECT_EQ(DitherWith(u, 0.5, 0.0), want) << u;
  // levels = 1: N = 5, steps of 1/5 around P = 2.5.
  EXPECT_EQ(DitherWith(0.0, 0.5, 1.0), 1 * (1.0 / 5.0));
  EXPECT_EQ(DitherWith(0.99, 0.5, 1.0), 4 * (1.0 / 5.0));
  EXPECT_TRUE(std::isfinite(DitherWith(0.5, kNaN, 0.0)));
}

// Every thread starts at the start words: a fresh thread is a known state.
TEST_F(ScalarTest, DitherStateOfTheThreadOrOfTheRender) {
  const std::vector<double> fromStart = {0.0, 1.0, 1.0};
  // Without a render state: the thread's own, untouched by other threads.
  for (int i = 0; i < 2; ++i) {
    std::vector<double> row;
    std::thread([&] { row = ThreadDitherRow(); }).join();
    EXPECT_EQ(row, fromStart);
  }

  // With a render state: that one advances, the thread's does not.
  RandState own = kDitherStartState;
  RandState expected = kDitherStartState;
  std::vector<double> after;
  std::thread c([&] {
    {
      TestRender render(Dither(Varying(0.5), 0.0), view_, &own);
      EXPECT_STREQ(render.root()->name, "dither");
      EXPECT_EQ(render.UnitAt(0, 0), 0.0);
      EXPECT_EQ(render.UnitAt(1, 0), 1.0);
    }
    after = ThreadDitherRow();
  });
  c.join();
  StepState(&expected);
  StepState(&expected);
  EXPECT_TRUE(Same(own, expected));
  EXPECT_EQ(after, fromStart);
}

TEST_F(ScalarTest, DitherOverConstantChildrenIsFoldedOnce) {
  RandState own = kDitherStartState;
  double quarter = 0.25;
  double half = 0.5;
  // a = minpe(0.25) = 0.75 and levels = 0.5 * 0.5: N = 2, P = 1.5.
  Node* a = BuildNode(BuildMinpe, kUnit, {{kUnit, &quarter}}, &view_);
  Node* levels = BuildNode(BuildPetimes, kUnit, {{kUnit, &half}, {kUnit, &half}}, &view_);
  TestRender render(BuildNode(BuildDither, kUnit, {{kSubtree, &a}, {kSubtree, &levels}}, &view_),
                    view_, &own);
  RandState once = kDitherStartState;
  StepState(&once);
  EXPECT_TRUE(Same(own, once));  // one draw, in PrepareTree
  // u = 0.120 lies between T1 = 1/32 and T2 = 1/2: level k = 1, times 1/2.
  for (int c = 0; c < 8; ++c)
    EXPECT_EQ(render.UnitAt(c, c % 4), 0.5);
  EXPECT_TRUE(Same(own, once));
}

}  // namespace
}  // namespace pxb
