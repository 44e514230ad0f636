#include "primitives/transforms.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>

#include "primitives/colour_ops.h"
#include "primitives/registration.h"
#include "primitives/scalar.h"
#include "primitives/source_image.h"
#include "primitives/value_types.h"
#include "tests/primitives/test_trees.h"

namespace pxb {
namespace {

using testing::BuildNode;
using testing::TestRender;

class TransformsTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterPrimitives(); }
  void TearDown() override { ClearSourceImage(); }

  Node* Mu() { return BuildMu(kUnit, 0, nullptr, &view_); }
  Node* Mv() { return BuildMv(kUnit, 0, nullptr, &view_); }
  Node* Peplus(Node* a, Node* b) {
    return BuildNode(BuildPeplus, kUnit, {{kSubtree, &a}, {kSubtree, &b}}, &view_);
  }
  // ri2cx(c, k) with k position-dependent: peplus(petimes(mu, 0), k).
  Node* Ri2cx(ComplexValue c, double k) {
    Node* mu = Mu();
    double zero = 0.0;
    Node* scaled = BuildNode(BuildPetimes, kUnit, {{kSubtree, &mu}, {kUnit, &zero}}, &view_);
    Node* strength = BuildNode(BuildPeplus, kUnit, {{kSubtree, &scaled}, {kUnit, &k}}, &view_);
    return BuildNode(BuildRi2cx, kOffset, {{kCplx, &c}, {kSubtree, &strength}}, &view_);
  }
  Node* Trfmap(TypeId type, Node* f, OffsetValue at, ViewParams* view = nullptr) {
    return BuildNode(BuildTrfmap, type, {{kSubtree, &f}, {kOffset, &at}}, view ? view : &view_);
  }
  Node* Trfmap(TypeId type, Node* f, Node* offset) {
    return BuildNode(BuildTrfmap, type, {{kSubtree, &f}, {kSubtree, &offset}}, &view_);
  }

  ViewParams view_{8, 4, 0, {}};
};

// The third coordinate of the sample.
Node* DepthLeaf(ViewParams* view) {
  Node* n = NodeCreate(
      kUnit, 0, nullptr, 0,
      [](ArgSlot*, void* r, Node*, EvalContext* c) {
        std::memcpy(r, &c->z, sizeof c->z);
        return 0;
      },
      "z", view);
  n->flags = kPositionDependent;
  return n;
}

TEST_F(TransformsTest, Ri2cxDisplacesThePosition) {
  TestRender still(Ri2cx(ComplexValue{0.7, -0.3, 0, 0}, 0.0), view_);
  EXPECT_STREQ(still.root()->name, "ri2cx");
  EXPECT_EQ(still.root()->flags, kPositionDependent);
  auto at = still.At<OffsetValue>(3, 1);
  EXPECT_TRUE(at.x == 0.375 && at.y == 0.25 && at.z == 0.0);

  TestRender east(Ri2cx(ComplexValue{1.0, 0.0, 0, 0}, 1.0), view_);
  at = east.At<OffsetValue>(2, 2);
  EXPECT_TRUE(at.x == 0.1 + 0.25 && at.y == 0.5);

  // Modulus 1, angle pi/2: x moves by cos(pi/2)·0.1, about 6e-18.
  TestRender polar(Ri2cx(ComplexValue{1.0, std::numbers::pi / 2, 1, 0}, 1.0), view_);
  at = polar.At<OffsetValue>(0, 0);
  EXPECT_NE(at.x, 0.0);
  EXPECT_NEAR(at.x, 6.123233995736766e-18, 1e-30);
  EXPECT_EQ(at.y, 0.1);

  // z is never written, whatever the context holds.
  ComplexValue c{2.0, 4.0, 0, 0};
  double k = 0.5;
  ArgSlot slots[2] = {{kCplx, &c}, {kUnit, &k}};
  EvalContext ctx{0.25, 0.5, 0.75, 0, 0, 0, nullptr};
  OffsetValue out{0, 0, -3.0};
  still.root()->eval(slots, &out, still.root(), &ctx);
  EXPECT_TRUE(out.x == 0.1 + 0.25 && out.y == 0.2 + 0.5 && out.z == -3.0);
}

TEST_F(TransformsTest, TrfmapBuilderFlagsAndLazyLink) {
  double half = 0.5;
  Node* n = Trfmap(kUnit, BuildNode(BuildMinpe, kUnit, {{kUnit, &half}}, &view_), {0.1, 0.2, 0});
  EXPECT_STREQ(n->name, "trfmap");
  EXPECT_NE(n->children[0].lazy, 0);
  EXPECT_EQ(n->children[1].lazy, 0);
  EXPECT_EQ(n->flags, 0u);
  NodeRelease(&n, &view_);

  // A map-valued offset keeps its flag on the node.
  const uint8_t grey[] = {0, 100, 200, 40};
  SetSourceImage(2, 2, grey, 2, 1);
  Node* leaf = BuildVphtshp(kUnit, 0, nullptr, &view_);
  ComplexValue c{1.0, 0.0, 0, 0};
  Node* offset = BuildNode(BuildRi2cx, kOffset, {{kCplx, &c}, {kSubtree, &leaf}}, &view_);
  n = Trfmap(kUnit, Mv(), offset);
  EXPECT_EQ(n->flags, kPositionDependent | kMapValued);
  NodeRelease(&n, &view_);
}

TEST_F(TransformsTest, TrfmapEvaluatesAtTheOffset) {
  TestRender sum(Trfmap(kUnit, Peplus(Mu(), Mv()), {0.3, 0.6, 0.0}), view_);
  EXPECT_EQ(sum.UnitAt(5, 3), (0.3 + 0.6) - 0.3 * 0.6);
  TestRender depth(Trfmap(kUnit, DepthLeaf(&view_), {0.3, 0.6, 0.75}), view_);
  EXPECT_EQ(depth.UnitAt(1, 1), 0.75);

  // An offset equal to the current position gives f where it stands.
  TestRender here(Trfmap(kUnit, Peplus(Mu(), Mv()), Ri2cx(ComplexValue{3, 3, 0, 0}, 0.0)), view_);
  TestRender plain(Peplus(Mu(), Mv()), view_);
  for (int c = 0; c < 8; ++c)
    EXPECT_EQ(here.UnitAt(c, c / 2), plain.UnitAt(c, c / 2));

  // The colour signature goes through the same builder.
  double b = 0.5;
  Node* r = Mu();
  Node* g = Mv();
  Node* colour =
      BuildNode(BuildMakrgb, kColour, {{kSubtree, &r}, {kSubtree, &g}, {kUnit, &b}}, &view_);
  TestRender moved(Trfmap(kColour, colour, {0.125, 0.375, 0.0}), view_);
  const auto rgb = moved.At<ColourValue>(6, 2);
  EXPECT_TRUE(rgb.c[0] == 0.125 && rgb.c[1] == 0.375 && rgb.c[2] == 0.5);
}

TEST_F(TransformsTest, TrfmapRestoresTheContextBitForBit) {
  // trfmap(peplus(trfmap(mu, inner), mv), outer): the inner transform must
  // hand the outer position back before mv reads it.
  Node* inner = Trfmap(kUnit, Mu(), {0.2, 0.9, 0.5});
  TestRender render(Trfmap(kUnit, Peplus(inner, Mv()), {0.7, 0.4, 0.25}), view_);
  Node* outer = render.root();
  const double want = (0.2 + 0.4) - 0.2 * 0.4;

  EvalContext ctx{-0.0,       std::nan("0x5a5"), std::numeric_limits<double>::denorm_min(), 3, -2,
                  kMapValued,  // without 0x2: the transform adds it for f
                  nullptr};
  EvalContext before;
  std::memcpy(&before, &ctx, sizeof ctx);
  double value = -1.0;
  outer->eval(outer->args, &value, outer, &ctx);
  EXPECT_EQ(value, want);
  EXPECT_EQ(std::memcmp(&before, &ctx, sizeof ctx), 0);

  EXPECT_EQ(render.UnitAt(4, 1), want);
  const EvalContext& after = render.context();
  EXPECT_TRUE(after.x == 0.5 && after.y == 0.25 && after.z == 0.0 && after.mask == kRenderMask);
}

TEST_F(TransformsTest, TrfmapSamplesMapsThroughTheResampler) {
  const uint8_t grey[] = {0, 100, 200, 40};
  SetSourceImage(2, 2, grey, 2, 1);
  // Smoothness comes from the view the node was built with, not the render's.
  ViewParams smooth{3, 3, 1, {}};
  ViewParams sharp{3, 3, 0, {}};
  TestRender blended(
      Trfmap(kUnit, BuildVphtshp(kUnit, 0, nullptr, &smooth), {0.25, 0.25, 0}, &smooth), sharp);
  TestRender nearest(
      Trfmap(kUnit, BuildVphtshp(kUnit, 0, nullptr, &sharp), {0.25, 0.25, 0}, &sharp), smooth);
  TestRender corner(Trfmap(kUnit, BuildVphtshp(kUnit, 0, nullptr, &sharp), {0.75, 0.25, 0}, &sharp),
                    sharp);
  for (int c = 0; c < 3; ++c) {
    EXPECT_NEAR(blended.UnitAt(c, 2 - c), (0 + 100 + 200 + 40) / 4.0 / 255.0, 1e-15);
    EXPECT_EQ(nearest.UnitAt(c, c), 0.0);
    EXPECT_NEAR(corner.UnitAt(c, 0), 100 / 255.0, 1e-15);
  }
}

TEST_F(TransformsTest, ImageSizeIsRefreshedWhenTheTreeIsPrepared) {
  const uint8_t small[] = {0, 100, 200, 40};
  SetSourceImage(2, 2, small, 2, 1);
  Node* leaf = BuildVphtshp(kUnit, 0, nullptr, &view_);
  Node* tree = Trfmap(kUnit, leaf, {0.25, 0.25, 0.0});
  ASSERT_EQ(leaf->width, 2);
  // A 4 x 4 image: the nearest pixel of (0.25, 0.25) is now (1, 1).
  uint8_t large[16];
  for (int i = 0; i < 16; ++i)
    large[i] = static_cast<uint8_t>(10 * i);
  SetSourceImage(4, 4, large, 4, 1);
  TestRender render(tree, view_);
  EXPECT_TRUE(leaf->width == 4 && leaf->height == 4);
  EXPECT_NEAR(render.UnitAt(0, 0), 50 / 255.0, 1e-15);
}

}  // namespace
}  // namespace pxb
