#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "engine/allocation.h"
#include "engine/eval.h"
#include "engine/rand.h"
#include "primitives/expression_text.h"
#include "primitives/fractal_generator.h"
#include "primitives/fractal_maps.h"
#include "primitives/registration.h"
#include "primitives/scalar.h"
#include "primitives/value_types.h"
#include "tests/primitives/test_trees.h"

namespace pxb {
namespace {

using Bytes = std::vector<uint8_t>;

// The factor that turns a map byte into [0, 1].
constexpr double kFractalByteScale = 0.00392156862745098;

// The private block of a probe: the exponent it returns and a record of the
// samples it was evaluated at.
struct Probe {
  double exponent;
  int32_t calls;
  int32_t counts[64 * 64];
  double maxX;
  int32_t offGrid;  // samples whose x or y was not a multiple of 1/64
};

Probe* ProbeOf(Node* node) {
  return static_cast<Probe*>(node->priv);
}

// A map of size x size that counts its evaluations per column and row.
int ProbeMapEval(ArgSlot*, void* result, Node* node, EvalContext* ctx) {
  Probe* p = ProbeOf(node);
  ++p->calls;
  if (ctx->column >= 0 && ctx->column < 64 && ctx->row >= 0 && ctx->row < 64)
    ++p->counts[ctx->row * 64 + ctx->column];
  std::memcpy(result, &p->exponent, sizeof p->exponent);
  return 0;
}

// Position-dependent: the exponent grows from 0 at the left edge to 4 at the
// right one.
int ProbeRampEval(ArgSlot*, void* result, Node* node, EvalContext* ctx) {
  Probe* p = ProbeOf(node);
  ++p->calls;
  p->maxX = std::max(p->maxX, ctx->x);
  if (ctx->x * 64 != std::floor(ctx->x * 64) || ctx->y * 64 != std::floor(ctx->y * 64))
    ++p->offGrid;
  const double e = 4.0 * ctx->x;
  std::memcpy(result, &e, sizeof e);
  return 0;
}

class FractalTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterPrimitives(); }

  Node* MakeProbe(EvalFn eval, uint32_t flags, int32_t size, double exponent) {
    Node* n = NodeCreate(kUnit, 0, nullptr, sizeof(Probe), eval, "probe", &view_);
    n->flags = flags;
    n->width = size;
    n->height = size;
    ProbeOf(n)->exponent = exponent;
    return n;
  }

  // Generates a width x height map from a state seeded with seed, for a
  // caller whose dither state is `dither`.
  Bytes Generate(int32_t seed, double exponent, int32_t mode = 0, int32_t width = 64,
                 int32_t height = 64, Node* modulator = nullptr, RandState* dither = nullptr) {
    FractalParams fp{};
    fp.mode = mode;
    fp.width = width;
    fp.height = height;
    SeedState(&fp.rand, seed);
    fp.exponent = exponent;
    fp.modulator = modulator;
    Bytes out(static_cast<size_t>(width * height * (mode == 0 ? 1 : 2)), 0x5A);
    EvalContext pos{};
    pos.dither = dither;
    EXPECT_TRUE(GenerateFractal(out.data(), &pos, &view_, &fp));
    EXPECT_EQ(fp.modulator, nullptr);
    EXPECT_EQ(pos.dither, dither);
    return out;
  }

  void Release(Node* node) { NodeRelease(&node, &view_); }

  ViewParams view_{80, 60, 1, {{7, 8, 9}}};
};

// Small maps pinned by the hash of their bytes: the order of the passes, the
// amplitude of each, the wrap-around at the edges, the draws per cell and
// the slope gathering all show in them. The rectangular grids seed (0, 0) and
// its copies along the longer side; a map without range is all zeros.
TEST_F(FractalTest, SmallMapsArePinned) {
  const struct {
    int32_t mode, width, height;
    uint32_t hash;
  } kCases[] = {
      {0, 16, 16, 989910840u},
      {1, 16, 16, 3983963968u},
      {0, 8, 16, 6506222u},
      {1, 16, 4, 3153515599u},
      {0, 4, 4, 328004393u},
      // No range: zero bytes and no draws.
      {0, 1, 1, 84696351u},
      {1, 1, 1, 292984781u},
      {0, 1, 4, 1268118805u},
      {1, 1, 4, 2615243109u},
  };
  for (const auto& c : kCases) {
    const Bytes map = Generate(77, 1.0, c.mode, c.width, c.height);
    EXPECT_EQ(Fnv1a32(map.data(), map.size()), c.hash)
        << c.mode << " " << c.width << "x" << c.height;
  }
}

TEST_F(FractalTest, ModulatorOfAnotherSizeIsResampled) {
  view_.smooth = 0;  // nearest pixel: one child evaluation per sample
  Node* probe = MakeProbe(ProbeMapEval, kMapValued, 32, 1.0);
  NodeRetain(probe);
  Generate(3, 0.0, 0, 64, 64, probe);
  EXPECT_EQ(probe->refs, 1);  // the wrapper is gone again
  // The wrapper samples the 32 x 32 map at column / 64, so each of its cells
  // serves a 2 x 2 block of the 64 x 64 grid.
  EXPECT_EQ(ProbeOf(probe)->counts[0], 3);
  for (int r = 0; r < 32; ++r) {
    for (int c = 0; c < 32; ++c) {
      if (r + c == 0) continue;
      ASSERT_EQ(ProbeOf(probe)->counts[r * 64 + c], 4) << c << ", " << r;
    }
  }
  Release(probe);
}

TEST_F(FractalTest, PositionDependentModulator) {
  Node* ramp = MakeProbe(ProbeRampEval, kPositionDependent, 1, 0.0);
  NodeRetain(ramp);
  const Bytes map = Generate(8, 0.0, 0, 64, 64, ramp);
  EXPECT_EQ(ProbeOf(ramp)->calls, 4095);
  EXPECT_EQ(ProbeOf(ramp)->maxX, 63.0 / 64.0);
  EXPECT_EQ(ProbeOf(ramp)->offGrid, 0);
  // The exponent follows the ramp: pinned from a known-good run, whose map
  // is rough at the left edge and smooth at the right.
  EXPECT_EQ(Fnv1a32(map.data(), map.size()), 3159522084u);
  Release(ramp);

  // A modulator that is constant for the render is computed once, when it is
  // folded, and gives the same map as the constant exponent.
  Node* constant = MakeProbe(ProbeMapEval, 0, 1, 2.5);
  NodeRetain(constant);
  EXPECT_EQ(Generate(8, 0.0, 0, 64, 64, constant), Generate(8, 2.5));
  EXPECT_EQ(ProbeOf(constant)->calls, 1);
  Release(constant);
}

// A "dither" inside the modulator starts afresh at every generation and
// leaves the caller's dither state alone.
TEST_F(FractalTest, DitherInAModulatorIsRepeatable) {
  auto dithered = [&] {
    Node* mu = BuildMu(kUnit, 0, nullptr, &view_);
    double levels = 2.0;
    ArgSlot slots[2] = {{kSubtree, &mu}, {kUnit, &levels}};
    return BuildDither(kUnit, 2, slots, &view_);
  };
  RandState callerState{{1, 2, 3}};
  EXPECT_EQ(Generate(30, 0.0, 0, 64, 64, dithered(), &callerState),
            Generate(30, 0.0, 0, 64, 64, dithered(), &callerState));
  const RandState untouched{{1, 2, 3}};
  EXPECT_EQ(std::memcmp(&callerState, &untouched, sizeof untouched), 0);
}

class FractalMapTest : public FractalTest {
 protected:
  Node* Build(BuilderFn builder, TypeId type, double exponent) {
    ArgSlot slot{kUnit, &exponent};
    return builder(type, 1, &slot, &view_);
  }

  template <typename T>
  static T Sample(Node* node, int32_t column, int32_t row) {
    EvalContext ctx{};
    ctx.mask = kRenderMask;
    ctx.column = column;
    ctx.row = row;
    T out{};
    EvaluateNode(node, &out, &ctx);
    return out;
  }
};

// A build that fails for want of memory (the node, the generator's working
// grid, or the resampling node a modulating map of another size needs)
// leaves the modulator's reference with the caller, who releases it as with
// any other builder; a build that succeeds has used it up.
TEST_F(FractalMapTest, FailedBuildLeavesTheModulatorWithTheCaller) {
  struct Case {
    BuilderFn builder;
    TypeId type;
    int32_t mapSide;            // 0: a position-dependent modulator
    int64_t failingAllocation;  // 0: none
  };
  const Case cases[] = {
      {BuildRfract, kUnit, 0, 0},  {BuildRfract, kUnit, 0, 1},  {BuildRfract, kUnit, 0, 2},
      {BuildBfract, kCplx, 0, 0},  {BuildBfract, kCplx, 0, 1},  {BuildBfract, kCplx, 0, 2},
      {BuildRfract, kUnit, 32, 0}, {BuildRfract, kUnit, 32, 3}, {BuildBfract, kCplx, 32, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "type " << c.type << ", map side " << c.mapSide
                                      << ", failing allocation " << c.failingAllocation);
    Node* probe = c.mapSide == 0 ? MakeProbe(ProbeRampEval, kPositionDependent, 1, 0.0)
                                 : MakeProbe(ProbeMapEval, kMapValued, c.mapSide, 0.5);
    NodeRetain(probe);  // the test's own reference keeps the probe readable
    Node* holder = probe;
    ArgSlot slot{kSubtree, &holder};
    ArmAllocationFault(c.failingAllocation);
    Node* node = c.builder(c.type, 1, &slot, &view_);
    ArmAllocationFault(0);
    if (c.failingAllocation == 0) {
      ASSERT_NE(node, nullptr);
      EXPECT_EQ(holder, nullptr);
      EXPECT_EQ(probe->refs, 1);
      Release(node);
    } else {
      EXPECT_EQ(node, nullptr);
      ASSERT_EQ(holder, probe);
      EXPECT_EQ(probe->refs, 2);
      Release(holder);
    }
    EXPECT_EQ(probe->refs, 1);
    Release(probe);
  }
}

// The grid repeats in both directions, with the size the node was built at
// (256 here, while the current size is 64 again).
TEST_F(FractalMapTest, LookupTilesTheGridOfItsBuildSize) {
  Node* r = Build(BuildRfract, kUnit, 1.0);
  Node* b = Build(BuildBfract, kCplx, 1.0);
  SetFractalGridSize(256);
  Node* wide = Build(BuildRfract, kUnit, 1.0);
  SetFractalGridSize(64);
  EXPECT_EQ(wide->width, 256);
  EXPECT_EQ(wide->height, 256);
  EXPECT_EQ(wide->privateSize, 65536);
  auto* rm = static_cast<uint8_t*>(r->priv);
  auto* bm = static_cast<uint8_t*>(b->priv);
  rm[0] = static_cast<uint8_t*>(wide->priv)[0] = 0;
  rm[63] = static_cast<uint8_t*>(wide->priv)[64] = 255;
  rm[63 * 64] = 128;
  bm[0] = 0;
  bm[1] = bm[2 * 63] = 255;
  bm[2 * 63 + 1] = 64;

  const struct {
    Node* node;
    int32_t column, row;
    double want;
  } cases[] = {{r, 0, 0, 0.0},
               {r, 64, 0, 0.0},
               {r, 64, 128, 0.0},
               {r, 63, 0, 1.0},
               {r, -1, 0, 1.0},
               {r, -1, -64, 1.0},
               {wide, 64, 0, 1.0},
               {wide, 256, 0, 0.0},
               {r, 0, -1, 128 * kFractalByteScale},
               {r, -64, 127, 128 * kFractalByteScale}};
  for (const auto& c : cases)
    EXPECT_EQ(Sample<double>(c.node, c.column, c.row), c.want) << c.column << ", " << c.row;

  ComplexValue c = Sample<ComplexValue>(b, 64, 0);
  EXPECT_TRUE(c.re == -1.0 && c.im == 1.0 && c.polar == 0);
  c = Sample<ComplexValue>(b, -1, 64);
  EXPECT_TRUE(c.re == 1.0 && c.im == (64 * kFractalByteScale - 0.5) * 2);
  Release(r);
  Release(b);
  Release(wide);
}

}  // namespace
}  // namespace pxb
