#include "engine/node.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/engine/test_nodes.h"

namespace pxb {
namespace {

using namespace pxb::testing;

class NodeTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterTestTypes(); }
  ViewParams view_{80, 80, 1, {{0, 0, 0}}};
};

// A leaf has no slots, just a result, and a key no sample matches; a node's
// argument values follow its result, constants copied in and flags taken
// from the children.
TEST_F(NodeTest, SlotsValuesAndFlags) {
  Node* x = PositionX(&view_);
  EXPECT_TRUE(x->refs == 1 && x->nargs == 0 && x->args == nullptr && x->children == nullptr);
  EXPECT_TRUE(x->width == 1 && x->height == 1);
  EXPECT_STREQ(x->name, "mu");
  unsigned char ones[sizeof(EvalContext)];
  std::memset(ones, 0x01, sizeof ones);
  EXPECT_EQ(std::memcmp(&x->key, ones, sizeof ones), 0);

  Node* c = Constant(0.25, &view_);
  EXPECT_EQ(c->flags, 0u);
  EXPECT_EQ(*static_cast<double*>(c->args[0].value), 0.25);
  EXPECT_EQ(c->children[0].node, nullptr);
  Node* s = Sum(c, x, &view_);
  EXPECT_EQ(s->flags, kPositionDependent);
  EXPECT_EQ(s->args[0].type, kUnit);
  EXPECT_EQ(static_cast<unsigned char*>(s->args[0].value), s->values + 8);
  EXPECT_EQ(static_cast<unsigned char*>(s->args[1].value), s->values + 16);
  NodeRelease(&s, &view_);
}

// The resolution of a node over two children, and which children are
// wrapped to be sampled at the node's own positions.
TEST_F(NodeTest, MapChildrenSetTheResolutionOrAreWrapped) {
  constexpr uint32_t kP = kPositionDependent;
  constexpr uint32_t kM = kMapValued;
  const struct {
    const char* what;
    int32_t viewWidth;
    int32_t a[2], b[2];  // b {0, 0}: a constant
    int32_t width, height;
    uint32_t flags;
    const char* names[2];
  } cases[] = {
      {"one map", 80, {300, 200}, {0, 0}, 300, 200, kM, {"grid", "cm"}},
      {"conflicting maps", 80, {300, 200}, {64, 64}, 80, 80, kP, {"pol2map", "pol2map"}},
      {"one of the view's size", 300, {300, 200}, {300, 80}, 300, 80, kP | kM, {"pol2map", "grid"}},
      {"one cell wide", 80, {1, 50}, {30, 20}, 30, 20, kM, {"grid", "grid"}},
  };
  for (const auto& c : cases) {
    ViewParams view{c.viewWidth, 80, 1, {{0, 0, 0}}};
    Node* b = c.b[0] == 0 ? Constant(1, &view) : GridMap(c.b[0], c.b[1], &view);
    Node* s = Sum(GridMap(c.a[0], c.a[1], &view), b, &view);
    EXPECT_EQ(s->width, c.width) << c.what;
    EXPECT_EQ(s->height, c.height) << c.what;
    EXPECT_EQ(s->flags, c.flags) << c.what;
    for (int i = 0; i < 2; ++i) {
      const Node* child = s->children[i].node;
      EXPECT_STREQ(child->name, c.names[i]) << c.what;
      if (std::strcmp(child->name, "pol2map") != 0) continue;
      EXPECT_EQ(child->children[0].lazy, 1) << c.what;
      EXPECT_EQ(child->flags, kPositionDependent) << c.what;
    }
    NodeRelease(&s, &view);
  }
}

// Records the order in which release hooks run.
std::string releaseLog;

void LogRelease(Node* n, ViewParams*) {
  releaseLog += n->name;
}

TEST_F(NodeTest, SharedNodeIsFreedAfterItsLastParentAndHookRunsOnceAfterChildren) {
  releaseLog.clear();
  auto logged = [](Node* n, const char* name) {
    n->releaseHook = LogRelease;
    std::strcpy(n->name, name);
    return n;
  };
  Node* leaf = logged(PositionX(&view_), "leaf");
  NodeRetain(leaf);  // a second parent
  Node* a = logged(Sum(leaf, Constant(1, &view_), &view_), "a");
  Node* b = logged(Sum(leaf, Constant(2, &view_), &view_), "b");
  EXPECT_EQ(leaf->refs, 2);

  NodeRelease(&a, &view_);
  EXPECT_EQ(releaseLog, "a");
  EXPECT_EQ(leaf->refs, 1);
  NodeRelease(&b, &view_);
  EXPECT_EQ(releaseLog, "aleafb");
}

TEST_F(NodeTest, ResolutionHookTakesTheLastFullSizeMapChild) {
  Node* s = Sum(GridMap(40, 30, &view_), GridMap(40, 30, &view_), &view_);
  ASSERT_EQ(s->flags & kMapValued, kMapValued);
  s->children[1].node->width = 50;
  s->children[1].node->height = 60;
  DefaultResolutionHook(s, &view_);
  EXPECT_TRUE(s->width == 50 && s->height == 60);
  // A node that is not a map keeps its size.
  Node* p = Sum(PositionX(&view_), Constant(3, &view_), &view_);
  p->width = 7;
  DefaultResolutionHook(p, &view_);
  EXPECT_EQ(p->width, 7);
  NodeRelease(&s, &view_);
  NodeRelease(&p, &view_);
}

TEST_F(NodeTest, ScratchSlotsStrideByTheLargestType) {
  Scratch s = AllocScratch(3);
  ASSERT_NE(s.buffer, nullptr);
  EXPECT_EQ(static_cast<unsigned char*>(s.slots[2].value) - s.buffer, 2 * MaxTypeSize());
  EXPECT_EQ(s.slots[1].type, 0);
  FreeScratch(s);
}

}  // namespace
}  // namespace pxb
