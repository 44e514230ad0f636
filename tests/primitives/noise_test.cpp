#include "primitives/noise.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <set>

#include "engine/eval.h"
#include "engine/rand.h"
#include "primitives/value_types.h"
#include "tests/primitives/test_registry.h"

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
    testing::RegisterValueTypes();
    BuildNoiseTable();
  }

  // A node of the given builder over the constant scale, its seed forced.
  Node* Build(BuilderFn builder, TypeId type, double scale, int32_t seed) {
    const ArgSlot slot{kUnit, &scale};
    Node* node = builder(type, 1, const_cast<ArgSlot*>(&slot), &view_);
    Data(node)->seed = seed;
    return node;
  }

  static NoiseNodeData* Data(Node* node) { return static_cast<NoiseNodeData*>(node->priv); }

  // Evaluates node at (x, y) as a render does; returns the value's bytes.
  template <typename T>
  T Eval(Node* node, double x, double y) {
    EvalContext ctx{};
    ctx.mask = kRenderMask;
    ctx.x = x;
    ctx.y = y;
    T out{};
    EvaluateNode(node, &out, &ctx);
    return out;
  }

  void Release(Node* node) { NodeRelease(&node, &view_); }

  ViewParams view_{64, 64, 0, {{1, 2, 3}}};
};

TEST_F(NoiseTest, PermutationTable) {
  const int32_t* p = GetNoiseTable().perm;
  const int32_t head[8] = {945, 747, 858, 923, 326, 42, 62, 657};
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(p[i], head[i]) << i;
  EXPECT_EQ(p[1023], 79);
  EXPECT_EQ(std::set<int32_t>(p, p + kNoiseTableSize).size(), 1024u);
  EXPECT_EQ(*std::set<int32_t>(p, p + kNoiseTableSize).rbegin(), 1023);

  // The global generator is left exactly 1023 draws past the seed.
  BuildNoiseTable();
  RandState s;
  SeedState(&s, 123456790);
  for (int i = 0; i < 1023; ++i)
    StepState(&s);
  EXPECT_EQ(NextDouble(), NextDoubleOn(&s));
}

TEST_F(NoiseTest, CornerRecordsOfSeedZero) {
  EXPECT_EQ(CornerHash(0, 0, 0), 139);
  EXPECT_EQ(CornerHash(0, 0, 1024), 139);
  EXPECT_EQ(CornerHash(0, 0, 3 * 1024), 139);

  const NoiseCorner plain = MakeCorner(0, 0, 0, NoiseMode::kPlain);
  ExpectDigits(plain.slope[0], 0.319332902686);
  ExpectDigits(plain.slope[1], 0.408227841147);
  ExpectDigits(plain.value, 0.212348940623);
  const NoiseCorner bipolar = MakeCorner(0, 0, 0, NoiseMode::kBipolar);
  ExpectDigits(bipolar.slope[0], 0.638665805373);
  ExpectDigits(bipolar.slope[1], 0.816455682294);
  ExpectDigits(bipolar.value, -0.575302118754);
  const NoiseCorner derivative = MakeCorner(0, 0, 0, NoiseMode::kDerivative);
  ExpectDigits(derivative.slope[0], 0.0798332256716);
  ExpectDigits(derivative.slope[1], 0.102056960287);
  ExpectDigits(derivative.value, 0.212348940623);
}

TEST_F(NoiseTest, NegativeCoordinatesHashAsTwosComplement) {
  for (int32_t seed : {0, 5, 777}) {
    EXPECT_EQ(CornerHash(-1, 4, seed), CornerHash(1023, 4, seed));
    EXPECT_EQ(CornerHash(3, -1, seed), CornerHash(3, 1023, seed));
    EXPECT_EQ(CornerHash(-1024, -2, seed), CornerHash(0, 1022, seed));
    EXPECT_EQ(CornerHash(INT32_MIN, INT32_MIN, seed), CornerHash(0, 0, seed));
  }
}

TEST_F(NoiseTest, PublishedSamplesAtTheCellCentre) {
  Node* plain = Build(BuildDopNoise, kUnit, 1.0, 0);
  Node* bipolar = Build(BuildDopBNoise, kBipolar, 1.0, 0);
  Node* derivative = Build(BuildDopDNoise, kCplx, 1.0, 0);
  ExpectDigits(Eval<double>(plain, 0.5, 0.5), 0.625789340367);
  ExpectDigits(Eval<double>(bipolar, 0.5, 0.5), 0.251578680734);
  const ComplexValue d = Eval<ComplexValue>(derivative, 0.5, 0.5);
  ExpectDigits(d.re, 0.543542218277);
  ExpectDigits(d.im, 0.353660744595);
  EXPECT_EQ(d.polar, 0);
  Release(plain);
  Release(bipolar);
  Release(derivative);
}

TEST_F(NoiseTest, BuildersDrawTheSeedAndFixTheFlags) {
  // A map child does not make the noise node a map.
  Node* child = NodeCreate(
      kUnit, 0, nullptr, 0, [](ArgSlot*, void*, Node*, EvalContext*) { return 0; }, "map", &view_);
  child->flags = kMapValued;
  struct Case {
    BuilderFn builder;
    TypeId type;
    const char* label;
  };
  for (const Case& c :
       {Case{BuildDopNoise, kUnit, "dopnoise2"}, Case{BuildDopBNoise, kBipolar, "dopbnoise2"},
        Case{BuildDopDNoise, kCplx, "dopdnoise2"}}) {
    NodeRetain(child);
    Node* holder = child;
    ArgSlot slot{kSubtree, &holder};
    RandState expected = view_.rand;
    const int32_t seed = NextInt31On(&expected);
    Node* node = c.builder(c.type, 1, &slot, &view_);
    ASSERT_NE(node, nullptr);
    EXPECT_STREQ(node->name, c.label);
    EXPECT_EQ(node->type, c.type);
    EXPECT_EQ(node->flags, kPositionDependent);
    EXPECT_EQ(node->children[0].node, child);
    EXPECT_EQ(Data(node)->seed, seed);
    EXPECT_EQ(Data(node)->cellValid, 0);
    EXPECT_EQ(std::memcmp(&view_.rand, &expected, sizeof expected), 0);
    Release(node);
  }
  EXPECT_EQ(child->refs, 1);
  Release(child);
}

TEST_F(NoiseTest, LatticeCornersGiveTheCornerValueInEveryMode) {
  // x / 0.25 = 2 and y / 0.25 = 3 exactly: corner (2, 3) with fx = fy = 0.
  for (int32_t seed : {0, 41, 99999}) {
    const NoiseCorner c = MakeCorner(2, 3, seed, NoiseMode::kPlain);
    Node* plain = Build(BuildDopNoise, kUnit, 0.25, seed);
    Node* bipolar = Build(BuildDopBNoise, kBipolar, 0.25, seed);
    Node* derivative = Build(BuildDopDNoise, kCplx, 0.25, seed);
    EXPECT_EQ(Eval<double>(plain, 0.5, 0.75), c.value);
    EXPECT_EQ(Eval<double>(bipolar, 0.5, 0.75), 2.0 * c.value - 1.0);
    const ComplexValue d = Eval<ComplexValue>(derivative, 0.5, 0.75);
    const NoiseCorner dc = MakeCorner(2, 3, seed, NoiseMode::kDerivative);
    EXPECT_EQ(d.re, dc.slope[0]);
    EXPECT_EQ(d.im, dc.slope[1]);
    EXPECT_EQ(NoiseSample(NoiseMode::kDerivative, 0.25, 0.5, 0.75, derivative).value, c.value);
    Release(plain);
    Release(bipolar);
    Release(derivative);
  }
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

TEST_F(NoiseTest, NegativePositionsUseCellMinusOne) {
  Node* node = Build(BuildDopNoise, kUnit, 1.0, 5);
  const double v = Eval<double>(node, -0.5, -0.5);
  EXPECT_EQ(Data(node)->cell[0], -1);
  EXPECT_EQ(Data(node)->cell[1], -1);
  const int32_t offsets[4][2] = {{-1, -1}, {-1, 0}, {0, -1}, {0, 0}};
  for (int i = 0; i < 4; ++i) {
    const NoiseCorner c = MakeCorner(offsets[i][0], offsets[i][1], 5, NoiseMode::kPlain);
    EXPECT_EQ(std::memcmp(&Data(node)->corners[i], &c, sizeof c), 0) << i;
  }
  // fx = fy = 0.5: the same as the centre of cell (0, 0) over these corners.
  Node* centre = Build(BuildDopNoise, kUnit, 1.0, 5);
  Eval<double>(centre, 0.5, 0.5);
  std::memcpy(Data(centre)->corners, Data(node)->corners, sizeof Data(node)->corners);
  EXPECT_EQ(Eval<double>(centre, 0.5, 0.5), v);
  Release(centre);
  Release(node);
}

TEST_F(NoiseTest, CornerCache) {
  Node* node = Build(BuildDopNoise, kUnit, 1.0, 8);
  NoiseNodeData* data = Data(node);
  // A fresh node computes its corners even when the cell matches the zeroed
  // cell fields.
  ASSERT_EQ(data->cell[0], 0);
  ASSERT_EQ(data->cell[1], 0);
  Eval<double>(node, 0.25, 0.25);
  const NoiseCorner c01 = MakeCorner(0, 1, 8, NoiseMode::kPlain);
  EXPECT_EQ(std::memcmp(&data->corners[1], &c01, sizeof c01), 0);

  // Within the cell the cache is used as it stands.
  data->corners[0].value = 42.0;
  EXPECT_EQ(Eval<double>(node, 0.0, 0.0), 42.0);
  EXPECT_EQ(data->corners[0].value, 42.0);

  // A new cell replaces all four corners.
  NoiseNodeData poisoned = *data;
  Eval<double>(node, 1.5, 0.25);
  EXPECT_EQ(data->cell[0], 1);
  EXPECT_EQ(data->cell[1], 0);
  const int32_t offsets[4][2] = {{1, 0}, {1, 1}, {2, 0}, {2, 1}};
  for (int i = 0; i < 4; ++i) {
    const NoiseCorner c = MakeCorner(offsets[i][0], offsets[i][1], 8, NoiseMode::kPlain);
    EXPECT_EQ(std::memcmp(&data->corners[i], &c, sizeof c), 0) << i;
    EXPECT_NE(std::memcmp(&data->corners[i], &poisoned.corners[i], sizeof c), 0) << i;
  }
  // So does a new row in the same column.
  Eval<double>(node, 1.5, 1.25);
  EXPECT_EQ(data->cell[1], 1);
  const NoiseCorner c11 = MakeCorner(1, 1, 8, NoiseMode::kPlain);
  EXPECT_EQ(std::memcmp(&data->corners[0], &c11, sizeof c11), 0);
  Release(node);
}

TEST_F(NoiseTest, DegenerateScalesDoNotFault) {
  Node* node = Build(BuildDopNoise, kUnit, 0.0, 3);
  // 0 / 0 and 0.5 / 0: the cell becomes INT32_MIN and the corners next to it
  // wrap around.
  EXPECT_TRUE(std::isnan(Eval<double>(node, 0.0, 0.0)));
  EXPECT_EQ(Data(node)->cell[0], INT32_MIN);
  const double inf = std::numeric_limits<double>::infinity();
  for (double scale : {0.0, -0.0, inf, -inf, std::nan(""), 1e-300}) {
    for (NoiseMode mode : {NoiseMode::kPlain, NoiseMode::kBipolar, NoiseMode::kDerivative}) {
      NoiseSample(mode, scale, 0.5, 0.25, node);
      NoiseSample(mode, scale, 0.0, -0.75, node);
    }
  }
  Release(node);

  // An infinite scale puts every point at the origin: an ordinary sample.
  node = Build(BuildDopNoise, kUnit, inf, 3);
  EXPECT_EQ(Eval<double>(node, 0.5, 0.5), MakeCorner(0, 0, 3, NoiseMode::kPlain).value);
  Release(node);
}

TEST_F(NoiseTest, SeedsMakeNodesDiffer) {
  double scale = 0.1;
  ArgSlot slot{kUnit, &scale};
  Node* first = BuildDopNoise(kUnit, 1, &slot, &view_);
  Node* second = BuildDopNoise(kUnit, 1, &slot, &view_);
  EXPECT_NE(Data(first)->seed, Data(second)->seed);
  int differing = 0;
  for (int i = 0; i < 16; ++i) {
    const double x = i / 16.0;
    differing += Eval<double>(first, x, 0.3) != Eval<double>(second, x, 0.3);
  }
  EXPECT_GT(differing, 12);
  Release(first);
  Release(second);
}

}  // namespace
}  // namespace pxb
