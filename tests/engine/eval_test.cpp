#include "engine/eval.h"

#include <gtest/gtest.h>

#include <tuple>

#include "engine/colour.h"
#include "tests/engine/test_nodes.h"

namespace pxb {
namespace {

using namespace pxb::testing;

class EvalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterTestTypes();
    evalCalls = 0;
  }
  double At(Node** root, int column, int row) {
    ctx_.column = column;
    ctx_.row = row;
    double v = -1;
    EvaluateAt(*root, &v, &ctx_, &view_);
    return v;
  }
  ViewParams view_{4, 4, 1, {{0, 0, 0}}};
  EvalContext ctx_{};
};

TEST_F(EvalTest, ConstantTreeIsComputedOnlyWhilePreparing) {
  Node* root =
      Sum(Constant(1, &view_), Sum(Constant(2, &view_), Constant(4, &view_), &view_), &view_);
  PrepareTree(&root, &ctx_, &view_);
  EXPECT_EQ(ctx_.mask, kRenderMask);
  EXPECT_EQ(evalCalls, 5);
  for (int i = 0; i < 16; ++i)
    EXPECT_EQ(At(&root, i % 4, i / 4), 7.0);
  EXPECT_EQ(evalCalls, 5);
  NodeRelease(&root, &view_);
}

TEST_F(EvalTest, SharedNodeIsComputedOncePerSample) {
  Node* x = PositionX(&view_);
  NodeRetain(x);
  Node* root = Sum(x, Sum(x, Constant(1, &view_), &view_), &view_);
  PrepareTree(&root, &ctx_, &view_);
  EXPECT_EQ(x->mark, 2);
  EXPECT_EQ(root->mark, 0);
  // The evaluations one sample makes.
  auto calls = [&](int column, int row) {
    evalCalls = 0;
    At(&root, column, row);
    return evalCalls;
  };
  EXPECT_EQ(calls(2, 0), 3);  // x once, both sums
  EXPECT_EQ(At(&root, 2, 0), 1.5 + 0.5);
  // x's key covers x, y and z: a new row changes y, so x is computed again;
  // the same sample again matches the key, and only the unshared sums run.
  EXPECT_EQ(calls(2, 1), 3);
  EXPECT_EQ(calls(2, 1), 2);
  NodeRelease(&root, &view_);
}

TEST_F(EvalTest, SharedMapNodeIsComputedAgainOnAnotherRowOrColumn) {
  Node* grid = GridMap(4, 4, &view_);
  NodeRetain(grid);
  Node* root = Sum(grid, grid, &view_);
  PrepareTree(&root, &ctx_, &view_);
  ASSERT_NE(grid->mark, 0);
  const struct { int column, row; } samples[] = {{2, 0}, {2, 1}, {3, 1}, {3, 1}, {0, 3}};
  for (const auto& s : samples)
    EXPECT_EQ(At(&root, s.column, s.row), 2.0 * (s.column + 10 * s.row)) << s.column << s.row;
  NodeRelease(&root, &view_);
}

// A map root of the view's size is not wrapped; a smaller one is, and
// blended.
TEST_F(EvalTest, BilinearResamplingAveragesFourPixelsAtAQuarter) {
  Node* same = GridMap(4, 4, &view_);
  Node* before = same;
  PrepareTree(&same, &ctx_, &view_);
  EXPECT_EQ(same, before);
  EXPECT_EQ(At(&same, 3, 2), 23.0);
  NodeRelease(&same, &view_);

  Node* root = GridMap(2, 2, &view_);
  PrepareTree(&root, &ctx_, &view_);
  ASSERT_STREQ(root->name, "pol2map");
  EXPECT_EQ(At(&root, 0, 0), 0.0);
  EXPECT_EQ(At(&root, 1, 1), (0.0 + 1.0 + 10.0 + 11.0) / 4);  // x = y = 0.25
  // x = y = 0.5 lands exactly on pixel (1, 1).
  EXPECT_EQ(At(&root, 2, 2), 11.0);
  // The context comes back as it was.
  EXPECT_EQ(ctx_.column, 2);
  EXPECT_EQ(ctx_.mask, kRenderMask);
  NodeRelease(&root, &view_);
}

TEST_F(EvalTest, NearestResamplingForAnySmoothFlagButOne) {
  for (int smooth : {0, 2}) {
    view_.smooth = smooth;
    Node* root = GridMap(2, 2, &view_);
    PrepareTree(&root, &ctx_, &view_);
    ASSERT_STREQ(root->name, "pol2map");
    for (const auto& [column, row, value] : {std::tuple{1, 1, 0.0}, {3, 1, 1.0}, {3, 3, 11.0}})
      EXPECT_EQ(At(&root, column, row), value) << smooth;
    NodeRelease(&root, &view_);
  }
}

TEST_F(EvalTest, ColourRootComesOutAsRgb) {
  Node* root = NodeCreate(
      kColour, 0, nullptr, 0,
      [](ArgSlot*, void* r, Node*, EvalContext*) {
        ColourValue c{{1.0 / 3, 1, 1, 1}, 1, 0};
        std::memcpy(r, &c, sizeof c);
        return 0;
      },
      "hsv", &view_);
  root->flags = kPositionDependent;
  PrepareTree(&root, &ctx_, &view_);
  ColourValue out{};
  EvaluateAt(root, &out, &ctx_, &view_);
  EXPECT_TRUE(out.hsv == 0 && out.c[0] == 0.0 && out.c[1] == 1.0 && out.c[2] == 0.0);
  NodeRelease(&root, &view_);
}

}  // namespace
}  // namespace pxb
