// "dither" draws on the run evaluator against the per-sample walk, for
// hand-built trees whose drawing nodes sit where the order of draws within a
// sample is easy to get wrong.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "engine/run_eval.h"
#include "primitives/fractal_generator.h"
#include "primitives/fractal_maps.h"
#include "primitives/registration.h"
#include "primitives/scalar.h"
#include "primitives/transforms.h"
#include "primitives/value_types.h"
#include "tests/primitives/test_trees.h"

namespace pxb {
namespace {

using testing::BuildNode;

constexpr int32_t kW = 9;
constexpr int32_t kH = 6;

class RunDrawsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterPrimitives();
    SetFractalGridSize(4);
  }

  Node* Mu() { return BuildMu(kUnit, 0, nullptr, &view_); }
  Node* Mv() { return BuildMv(kUnit, 0, nullptr, &view_); }
  Node* Dither(Node* a, double levels) {
    return BuildNode(BuildDither, kUnit, {{kSubtree, &a}, {kUnit, &levels}}, &view_);
  }
  Node* Peplus(Node* a, Node* b) {
    return BuildNode(BuildPeplus, kUnit, {{kSubtree, &a}, {kSubtree, &b}}, &view_);
  }
  Node* Ri2cx(ComplexValue c, Node* k) {
    return BuildNode(BuildRi2cx, kOffset, {{kCplx, &c}, {kSubtree, &k}}, &view_);
  }
  // A function of x over [0, 2) and an argument that is the same for every
  // sample.
  Node* Curve(BuilderFn build, double shape) {
    Node* x = Peplus(Mu(), Mv());
    return BuildNode(build, kUnit, {{kSubtree, &x}, {kUnit, &shape}}, &view_);
  }
  // A map of another resolution than the view, drawing at every cell.
  Node* DitheredMap(double levels) {
    double exponent = 0.7;
    Node* map = BuildNode(BuildRfract, kUnit, {{kUnit, &exponent}}, &view_);
    return Dither(map, levels);
  }
  Node* Trfmap(Node* f, Node* offset) {
    return BuildNode(BuildTrfmap, kUnit, {{kSubtree, &f}, {kSubtree, &offset}}, &view_);
  }
  Node* ResampledMaps() {
    view_.rand = RandState{{1, 2, 3}};  // the same maps every time
    Node* moved = Trfmap(Peplus(DitheredMap(3.0), Dither(Mv(), 2.0)),
                         Ri2cx(ComplexValue{0.5, 0.25, 0, 0}, Dither(Mu(), 2.0)));
    return Peplus(Dither(Mu(), 5.0), Peplus(moved, DitheredMap(1.0)));
  }

  ViewParams view_{kW, kH, 0, {}};
};

// Renders the tree made by make row-major sample by sample, then on the run
// evaluator whole and from row `from` on after a seek; all three must agree.
void ExpectRunsMatch(const std::function<Node*()>& make, ViewParams view, bool exact) {
  // Each render grows its own tree and prepares it with its own dither state.
  RandState dither;
  EvalContext ctx{};
  auto prepared = [&] {
    dither = kDitherStartState;
    ctx = EvalContext{};
    ctx.dither = &dither;
    Node* tree = make();
    PrepareTree(&tree, &ctx, &view);
    return tree;
  };
  std::vector<double> want;
  Node* tree = prepared();
  for (ctx.row = 0; ctx.row < kH; ++ctx.row) {
    for (ctx.column = 0; ctx.column < kW; ++ctx.column) {
      double v = 0.0;
      EvaluateAt(tree, &v, &ctx, &view);
      want.push_back(v);
    }
  }
  NodeRelease(&tree, &view);
  int32_t columns[kW];
  for (int32_t x = 0; x < kW; ++x)
    columns[x] = x;
  for (const int32_t from : {0, 2}) {
    tree = prepared();
    RunEvaluator evaluator(tree, view, dither);
    EXPECT_EQ(evaluator.Exact(), exact);
    if (!exact) evaluator.SeekSamples(static_cast<uint64_t>(from) * kW);
    for (int32_t y = exact ? 0 : from; y < kH; ++y) {
      double row[kW];
      evaluator.EvaluateRow(y, columns, kW, row);
      for (int32_t x = 0; x < kW; ++x) {
        EXPECT_EQ(std::bit_cast<uint64_t>(row[x]),
                  std::bit_cast<uint64_t>(want[static_cast<size_t>(y * kW + x)]))
            << "column " << x << " row " << y << " after a seek to row " << from;
      }
    }
    NodeRelease(&tree, &view);
  }
}

TEST_F(RunDrawsTest, RunsDrawAsTheWalkDoes) {
  const struct {
    const char* what;
    int32_t smooth;
    bool exact;
    std::function<Node*()> make;
  } cases[] = {
      // Per sample the offset's draw comes first, then the moved subtree's,
      // evaluated by the transform itself.
      {"a transformed subtree after its offset", 0, false,
       [&] {
         return Trfmap(Dither(Mv(), 3.0), Ri2cx(ComplexValue{0.5, 0.25, 0, 0}, Dither(Mu(), 2.0)));
       }},
      {"draws around a transform", 0, false,
       [&] {
         Node* moved = Trfmap(Peplus(Dither(Mv(), 5.0), Dither(Mu(), 1.0)),
                              Ri2cx(ComplexValue{1.0, 0.5, 1, 0}, Dither(Mv(), 4.0)));
         return Peplus(Dither(Mu(), 2.0), Peplus(moved, Dither(Mv(), 7.0)));
       }},
      // A resampled map draws at each cell it reads: four a sample blended,
      // one nearest; draws before, inside and after it.
      {"a blended map", 1, false, [&] { return ResampledMaps(); }},
      {"a nearest-pixel map", 0, false, [&] { return ResampledMaps(); }},
      {"a shared drawing subtree falls back to the exact path", 0, true,
       [&] {
         Node* shared = Dither(Mu(), 3.0);
         NodeRetain(shared);
         return Peplus(shared, Trfmap(shared, Ri2cx(ComplexValue{0.5, 0.5, 0, 0}, Mv())));
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    view_.smooth = c.smooth;
    ExpectRunsMatch(c.make, view_, c.exact);
  }
}

// A second argument that is the same for every sample; for the curves,
// shapes of every kind: identity (also NaN), quadratic, power either way.
TEST_F(RunDrawsTest, AConstantSecondArgumentMatchesTheWalk) {
  for (const BuilderFn build : {BuildBias, BuildGain, BuildPeplus, BuildPetimes, BuildPepow}) {
    for (const double shape : {0.5, 0.8, 0.3, 1.7, -0.6, std::nan("")}) {
      SCOPED_TRACE(shape);
      ExpectRunsMatch([&] { return Curve(build, shape); }, view_, false);
    }
  }
  // "dither" of values in its range, far outside it and not a number.
  for (const double scale : {1.0, 1e300, -1e300, std::nan("")}) {
    SCOPED_TRACE(scale);
    ExpectRunsMatch([&] { return Dither(Curve(BuildPetimes, scale), 3.0); }, view_, false);
  }
}

}  // namespace
}  // namespace pxb
