// Growth and the full-size render with one allocation failing at a time:
// every outcome must be a defined one (no tree, or a tree with fewer nodes,
// and a render that either completes or reports failure), and every block
// must be given back. Built with the sanitizers this also proves there is no
// double release and no leak.
#include <gtest/gtest.h>

#include <string>

#include "engine/allocation.h"
#include "engine/growth.h"
#include "engine/rand.h"
#include "evolution/render.h"
#include "primitives/expression_text.h"
#include "primitives/fractal_generator.h"
#include "primitives/registration.h"

namespace pxb {
namespace {

constexpr int32_t kWidth = 40;
constexpr int32_t kHeight = 30;

int CountNodes(const Node* node) {
  if (node == nullptr) return 0;
  int n = 1;
  for (int i = 0; i < node->nargs; ++i)
    n += CountNodes(node->children[i].node);
  return n;
}

// The first member grown from seeds 1, 2, ... whose tree uses `feature`.
Member FindMember(const char* feature, TypeId root) {
  for (int32_t seed = 1; seed < 5000; ++seed) {
    ViewParams vp{kWidth, kHeight, 0, {}};
    SeedState(&vp.rand, seed);
    Member m = GrowMember(root, &vp);
    if (m.tree != nullptr && ExpressionText(m.tree).find(feature) != std::string::npos) {
      NodeRelease(&m.tree, &vp);
      return m;
    }
    ReleaseMember(&m, &vp);
  }
  return Member{};
}

struct Subject {
  const char* feature;
  TypeId root;
  int32_t grid;
};

class AllocationFaultsTest : public ::testing::TestWithParam<Subject> {
 protected:
  static void SetUpTestSuite() { RegisterPrimitives(); }
  void SetUp() override {
    SetFractalGridSize(GetParam().grid);
    member_ = FindMember(GetParam().feature, GetParam().root);
    ASSERT_NE(member_.weights, nullptr) << "no member uses " << GetParam().feature;
  }
  void TearDown() override {
    ArmAllocationFault(0);
    ViewParams vp{};
    ReleaseMember(&member_, &vp);
    SetFractalGridSize(64);
  }

  static int64_t Live() { return GlobalAllocationFaults().live.load(); }

  // Runs `attempt` with allocation n failing, then with n and every later
  // one failing, for every n up to the count a clean run makes; every block
  // must be given back each time.
  template <typename Attempt>
  static void EachFailure(int64_t allocations, int64_t baseline, Attempt attempt) {
    for (const bool andLater : {false, true}) {
      for (int64_t n = 1; n <= allocations; ++n) {
        SCOPED_TRACE(::testing::Message() << "failing allocation " << n << (andLater ? " on" : ""));
        ArmAllocationFault(n, andLater);
        attempt();
        ArmAllocationFault(0);
        EXPECT_EQ(Live(), baseline);
      }
    }
  }
  static int64_t Made() { return GlobalAllocationFaults().made.load(); }

  Member member_{};
};

TEST_P(AllocationFaultsTest, GrowthGivesNoTreeOrAShorterOne) {
  const int64_t baseline = Live();
  ArmAllocationFault(0);
  ViewParams vp{kWidth, kHeight, 0, {}};
  Node* reference = GrowTreeCopy(member_, &vp);
  const int64_t allocations = Made();
  ASSERT_NE(reference, nullptr);
  const int nodes = CountNodes(reference);
  const std::string text = ExpressionText(reference);
  NodeRelease(&reference, &vp);
  ASSERT_EQ(Live(), baseline);

  EachFailure(allocations, baseline, [&] {
    Node* tree = GrowTreeCopy(member_, &vp);
    ArmAllocationFault(0);
    if (tree != nullptr) {
      EXPECT_LE(CountNodes(tree), nodes);
      // A node that could not be made takes its whole subtree with it, so
      // a tree that came back complete must be the same tree.
      if (CountNodes(tree) == nodes) {
        EXPECT_EQ(ExpressionText(tree), text);
      }
    }
    NodeRelease(&tree, &vp);
  });
}

TEST_P(AllocationFaultsTest, FullSizeRenderCompletesOrFails) {
  const int64_t baseline = Live();
  RenderJob job;
  job.width = kWidth;
  job.height = kHeight;
  job.threads = 1;
  int rows = 0;
  const RowSink sink = [&rows](int32_t /*row*/, const double* /*values*/) { ++rows; };

  ArmAllocationFault(0);
  ASSERT_EQ(RenderMember(member_, job, sink), RenderOutcome::kDone);
  const int64_t allocations = Made();
  ASSERT_EQ(Live(), baseline);

  EachFailure(allocations, baseline, [&] {
    rows = 0;
    const bool ok = RenderMember(member_, job, sink) == RenderOutcome::kDone;
    EXPECT_EQ(rows, ok ? kHeight : 0);
  });
}

std::string SubjectName(const ::testing::TestParamInfo<Subject>& info) {
  return std::string(info.param.feature) + (info.param.root == kColour ? "Colour" : "Unit") +
         std::to_string(info.param.grid);
}

INSTANTIATE_TEST_SUITE_P(
    Members, AllocationFaultsTest,
    ::testing::Values(Subject{"rfract", kColour, 64}, Subject{"rfract", kColour, 256},
                      Subject{"bfract", kUnit, 64}, Subject{"bfract", kUnit, 256},
                      Subject{"noise", kColour, 64}, Subject{"trfmap", kUnit, 64}),
    SubjectName);

}  // namespace
}  // namespace pxb
