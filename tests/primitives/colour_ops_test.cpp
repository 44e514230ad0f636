#include "primitives/colour_ops.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "engine/colour.h"
#include "primitives/registration.h"
#include "primitives/source_image.h"
#include "tests/primitives/test_trees.h"

namespace pxb {
namespace {

using testing::BuildNode;
using testing::TestRender;

class ColourOpsTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterPrimitives(); }
  void TearDown() override { ClearSourceImage(); }

  // The colour a node over constants holds after preparation, before any
  // conversion to RGB.
  ColourValue Folded(BuilderFn builder, double a, ColourValue p, ColourValue q) {
    Node* n = BuildNode(builder, kColour, {{kUnit, &a}, {kColour, &p}, {kColour, &q}}, &view_);
    EvalContext ctx{};
    PrepareTree(&n, &ctx, &view_);
    ColourValue out;
    std::memcpy(&out, n->values, sizeof out);
    NodeRelease(&n, &view_);
    return out;
  }
  static bool Same(const ColourValue& a, const ColourValue& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
  }

  ViewParams view_{4, 4, 0, {}};
  const ColourValue p_{{0.1, 0.2, 0.3, 0.4}, 1, 0};
  const ColourValue q_{{0.9, 0.8, 0.7, 0.6}, 2, 0};
};

TEST_F(ColourOpsTest, Combinators) {
  double r = 0.25;
  double g = 0.5;
  double b = 0.75;
  TestRender made(BuildNode(BuildMakrgb, kColour, {{kUnit, &r}, {kUnit, &g}, {kUnit, &b}}, &view_),
                  view_);
  EXPECT_STREQ(made.root()->name, "makrgb");
  EXPECT_TRUE(Same(made.At<ColourValue>(0, 0), ColourValue{{0.25, 0.5, 0.75, 1.0}, 0, 0}));

  // gswitch copies the whole colour, HSV flag included; NaN picks P.
  EXPECT_TRUE(Same(Folded(BuildGswitch, 0.5, p_, q_), q_));
  EXPECT_TRUE(Same(Folded(BuildGswitch, 0.25, p_, q_), p_));
  EXPECT_TRUE(Same(Folded(BuildGswitch, std::numeric_limits<double>::quiet_NaN(), p_, q_), p_));

  // gmix mixes c0..c3 and never writes the flag: it stays 0 in the node.
  EXPECT_TRUE(Same(Folded(BuildGmix, 1.0, p_, q_), ColourValue{{0.1, 0.2, 0.3, 0.4}, 0, 0}));
  EXPECT_TRUE(Same(Folded(BuildGmix, 0.0, p_, q_), ColourValue{{0.9, 0.8, 0.7, 0.6}, 0, 0}));
  EXPECT_EQ(Folded(BuildGmix, 0.25, p_, q_).c[1], 0.75 * 0.8 + 0.25 * 0.2);
}

// A grey image w pixels wide whose column c has the byte c: the luminance
// leaf then tells which column a position folds to.
TEST_F(ColourOpsTest, LeavesFoldPositionsByMirrorTilingRepeatingTheEdgePixel) {
  uint8_t ramp[10];
  for (uint8_t c = 0; c < 10; ++c)
    ramp[c] = c;
  auto columnRead = [&](int32_t column, int32_t w) {
    SetSourceImage(w, 1, ramp, w, 1);
    Node* luma = BuildVphtshp(kUnit, 0, nullptr, &view_);
    EvalContext ctx{};
    ctx.column = column;
    double v = -1.0;
    luma->eval(nullptr, &v, luma, &ctx);
    NodeRelease(&luma, &view_);
    for (int32_t c = 0; c < w; ++c) {
      if (v == (c * 0.001172549019607843 + c * 0.0023019607843137255) + c * 0.0004470588235294118)
        return c;
    }
    return int32_t{-1};  // not a pixel of the image
  };
  const int folds[][2] = {{-1, 0}, {0, 0},   {9, 9},   {10, 9}, {19, 0},
                          {20, 0}, {-10, 9}, {-11, 9}, {-21, 0}};
  for (const auto& [column, folded] : folds)
    EXPECT_EQ(columnRead(column, 10), folded) << column;
  for (int w : {1, 2, 7}) {
    EXPECT_EQ(columnRead(w, w), w - 1);
    EXPECT_EQ(columnRead(-w - 1, w), w - 1);
  }
  const int32_t m = columnRead(INT32_MIN, 10);  // a non-finite position
  EXPECT_TRUE(m >= 0 && m < 10);
}

// 3 x 2 pixels of four planes: red, green, blue / white, grey 100, black.
const uint8_t kImage[] = {255, 0,   0,   9, 0,   255, 0,   9, 0, 0, 255, 9,
                          255, 255, 255, 9, 100, 100, 100, 9, 0, 0, 0,   9};

// Maps of the source's size that read mirrored pixels, or black without one.
TEST_F(ColourOpsTest, ImageLeavesReadMirroredPixelsOfTheSource) {
  SetSourceImage(3, 2, kImage, 12, 4);
  const ViewParams view{3, 2, 0, {}};
  TestRender colour(BuildPhtshp(kColour, 0, nullptr, &view_), view);
  TestRender luma(BuildVphtshp(kUnit, 0, nullptr, &view_), view);
  for (const TestRender* r : {&colour, &luma}) {
    EXPECT_EQ(r->root()->flags, 0x800u);
    EXPECT_TRUE(r->root()->width == 3 && r->root()->height == 2);
  }
  EXPECT_STREQ(colour.root()->name, "phtshp");
  EXPECT_STREQ(luma.root()->name, "vphtshp");
  constexpr double k = 0.00392156862745098;
  EXPECT_TRUE(Same(colour.At<ColourValue>(1, 0), ColourValue{{0.0, 255 * k, 0.0, 1.0}, 0, 0}));
  EXPECT_EQ(luma.UnitAt(1, 0), 0.587);                 // pure green
  EXPECT_NEAR(luma.UnitAt(0, 1), 1.0, 0x1p-52);        // white
  EXPECT_NEAR(luma.UnitAt(1, 1), 100 / 255.0, 1e-15);  // grey
  const auto grey = colour.At<ColourValue>(1, 1);
  EXPECT_TRUE(grey.c[0] == grey.c[1] && grey.c[1] == grey.c[2]);
  // Row H folds to H - 1, row -1 to 0 (columns fold as above).
  EXPECT_EQ(colour.At<ColourValue>(1, 2).c[0], 100 * k);
  EXPECT_EQ(colour.At<ColourValue>(1, -1).c[1], 1.0);

  ClearSourceImage();
  TestRender black(BuildPhtshp(kColour, 0, nullptr, &view_), view_);
  TestRender dark(BuildVphtshp(kUnit, 0, nullptr, &view_), view_);
  EXPECT_TRUE(Same(black.At<ColourValue>(2, 3), ColourValue{{0, 0, 0, 1.0}, 0, 0}));
  EXPECT_EQ(dark.UnitAt(1, 1), 0.0);
  EXPECT_EQ(dark.UnitAt(-5, 7), 0.0);
}

}  // namespace
}  // namespace pxb
