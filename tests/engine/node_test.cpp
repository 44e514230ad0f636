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

TEST_F(NodeTest, LeafHasNoSlotsAndJustAResult) {
  Node* n = PositionX(&view_);
  EXPECT_EQ(n->refs, 1);
  EXPECT_EQ(n->nargs, 0);
  EXPECT_EQ(n->args, nullptr);
  EXPECT_EQ(n->children, nullptr);
  EXPECT_EQ(n->width, 1);
  EXPECT_EQ(n->height, 1);
  EXPECT_STREQ(n->name, "mu");
  unsigned char ones[sizeof(EvalContext)];
  std::memset(ones, 0x01, sizeof ones);
  EXPECT_EQ(std::memcmp(&n->key, ones, sizeof ones), 0);
  NodeRelease(&n, &view_);
}

TEST_F(NodeTest, ConstantArgumentIsCopiedAndFlagsComeFromChildren) {
  Node* c = Constant(0.25, &view_);
  EXPECT_EQ(c->flags, 0u);
  EXPECT_EQ(*static_cast<double*>(c->args[0].value), 0.25);
  EXPECT_EQ(c->children[0].node, nullptr);
  Node* s = Sum(c, PositionX(&view_), &view_);
  EXPECT_EQ(s->flags, kPositionDependent);
  EXPECT_EQ(s->args[0].type, kUnit);
  // Result first, then the argument values one after another.
  EXPECT_EQ(static_cast<unsigned char*>(s->args[0].value), s->values + 8);
  EXPECT_EQ(static_cast<unsigned char*>(s->args[1].value), s->values + 16);
  NodeRelease(&s, &view_);
}

TEST_F(NodeTest, SingleMapChildGivesItsResolution) {
  Node* s = Sum(GridMap(300, 200, &view_), Constant(1, &view_), &view_);
  EXPECT_EQ(s->width, 300);
  EXPECT_EQ(s->height, 200);
  EXPECT_EQ(s->flags, kMapValued);
  EXPECT_STREQ(s->children[0].node->name, "grid");
  NodeRelease(&s, &view_);
}

TEST_F(NodeTest, ConflictingMapsFallBackToTheViewAndAreWrapped) {
  Node* s = Sum(GridMap(300, 200, &view_), GridMap(64, 64, &view_), &view_);
  EXPECT_EQ(s->width, 80);
  EXPECT_EQ(s->height, 80);
  for (int i = 0; i < 2; ++i) {
    const Node* w = s->children[i].node;
    EXPECT_STREQ(w->name, "pol2map");
    EXPECT_EQ(w->children[0].lazy, 1);
    EXPECT_EQ(w->flags, kPositionDependent);
  }
  EXPECT_EQ(s->flags, kPositionDependent);
  NodeRelease(&s, &view_);
}

TEST_F(NodeTest, OnlyChildrenThatDifferFromTheViewAreWrapped) {
  ViewParams wide{300, 80, 1, {{0, 0, 0}}};
  Node* s = Sum(GridMap(300, 200, &wide), GridMap(300, 80, &wide), &wide);
  EXPECT_STREQ(s->children[0].node->name, "pol2map");  // height differs
  EXPECT_STREQ(s->children[1].node->name, "grid");     // equals the view
  EXPECT_EQ(s->flags, kPositionDependent | kMapValued);
  NodeRelease(&s, &wide);
}

TEST_F(NodeTest, MapsOneCellWideNeverSetTheResolution) {
  Node* s = Sum(GridMap(1, 50, &view_), GridMap(30, 20, &view_), &view_);
  EXPECT_EQ(s->width, 30);
  EXPECT_EQ(s->height, 20);
  EXPECT_STREQ(s->children[0].node->name, "grid");
  NodeRelease(&s, &view_);
}

// Records the order in which release hooks run.
std::string releaseLog;

void LogRelease(Node* n, ViewParams*) {
  releaseLog += n->name;
}

TEST_F(NodeTest, SharedNodeIsFreedAfterItsLastParentAndHookRunsOnceAfterChildren) {
  releaseLog.clear();
  Node* leaf = PositionX(&view_);
  leaf->releaseHook = LogRelease;
  std::strcpy(leaf->name, "leaf");
  NodeRetain(leaf);  // a second parent
  Node* a = Sum(leaf, Constant(1, &view_), &view_);
  a->releaseHook = LogRelease;
  std::strcpy(a->name, "a");
  Node* b = Sum(leaf, Constant(2, &view_), &view_);
  b->releaseHook = LogRelease;
  std::strcpy(b->name, "b");
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
  EXPECT_EQ(s->width, 50);
  EXPECT_EQ(s->height, 60);
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
