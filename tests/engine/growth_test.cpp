#include "engine/growth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "tests/common/rand_states.h"
#include "tests/engine/synthetic_registry.h"

namespace pxb {
namespace {

using namespace pxb::testing;

void ExpectForcedBelowLimit(const Node* n, int level) {
  if (n->type == kExpoType) return;
  if (level == 5) {
    EXPECT_STREQ(n->name, n->type == kColour ? "cleaf" : "vleaf");
    return;
  }
  for (int i = 0; i < n->nargs; ++i)
    ExpectForcedBelowLimit(n->children[i].node, level + 1);
}

class GrowthTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterSyntheticRegistry(); }
  ViewParams View(int seed) {
    ViewParams v{32, 32, 0, {}};
    SeedState(&v.rand, seed);
    return v;
  }
};

// The names of the chosen (not forced) nodes of a tree, sorted.
void ChosenNames(const Node* n, std::vector<std::string>* names) {
  if (n == nullptr) return;
  const std::string name = n->name;
  if (name != "vleaf" && name != "cleaf") names->push_back(name);
  for (int i = 0; i < n->nargs; ++i)
    ChosenNames(n->children[i].node, names);
}

// Every chosen node has its record, of a depth class the growth can reach:
// root, four chosen levels, then the forced leaves; only `expo` arguments,
// which have neither a forced leaf nor constants, go deeper.
TEST_F(GrowthTest, EveryChoiceRecordNamesTheFunctionThatGrew) {
  for (int seed = 0; seed < 50; ++seed) {
    ViewParams v = View(seed);
    Member m = GrowMember(seed % 2 == 0 ? kColour : kUnit, &v);
    ASSERT_NE(m.tree, nullptr);
    ExpectForcedBelowLimit(m.tree, 0);
    std::vector<std::string> grown;
    ChosenNames(m.tree, &grown);
    std::vector<std::string> recorded;
    for (const ChoiceRecord* c = m.choices; c != nullptr; c = c->next) {
      recorded.emplace_back(Function(c->chosen).name);
      EXPECT_TRUE(c->depth >= -1 && c->depth <= 3) << c->depth;
    }
    std::sort(grown.begin(), grown.end());
    std::sort(recorded.begin(), recorded.end());
    EXPECT_EQ(recorded, grown) << seed;
    ReleaseMember(&m, &v);
  }
}

TEST_F(GrowthTest, ArgumentWithoutLeafOrConstantIsChosenAgainAtTheSameClass) {
  // An `expo` argument has no forced leaf and no maker in this registry.
  ViewParams v = View(11);
  Member m{};
  TakeSnapshot(&m, kUnit);
  Node* t = GrowTree(kUnit, &v, ids.sum, 0, 3, &m);
  NodeRelease(&t, &v);
  FreeChoices(&m.choices);
  int deeperExpo = 0;
  for (int i = 0; i < 40; ++i) {
    Node* x = GrowTree(kExpoType, &v, ids.fromExpo, 0, 3, &m);
    ASSERT_NE(x, nullptr);
    deeperExpo += x->nargs > 0;
    NodeRelease(&x, &v);
  }
  for (const ChoiceRecord* c = m.choices; c != nullptr; c = c->next)
    EXPECT_EQ(c->depth, 3);
  EXPECT_GT(deeperExpo, 0);
  ReleaseMember(&m, &v);
}

TEST_F(GrowthTest, ListBelowTheDrawFallsBackToAUniformChoiceWithoutARecord) {
  ViewParams v = View(5);
  Member m{};
  TakeSnapshot(&m, kUnit);
  for (WeightEntry* e = m.rootList; e != nullptr; e = e->next)
    e->weight = 0.0f;
  const int entries = ListLength(m.rootList);
  std::set<FuncId> seen;
  for (int i = 0; i < 200; ++i)
    seen.insert(ChooseFunction(kUnit, &v, 0, 0, -1, &m));
  EXPECT_EQ(m.choices, nullptr);
  EXPECT_EQ(seen.size(), static_cast<size_t>(entries));
  EXPECT_GE(*seen.begin(), 0);

  // A draw of exactly 0 takes the first entry even at weight 0, with a record.
  v.rand = StateDrawingDouble(0.0);
  EXPECT_EQ(ChooseFunction(kUnit, &v, 0, 0, -1, &m), m.rootList->id);
  ASSERT_NE(m.choices, nullptr);
  EXPECT_EQ(m.choices->depth, -1);
  ReleaseMember(&m, &v);
}

TEST_F(GrowthTest, SnapshotHoldsWeightsAsAFileWouldStoreThem) {
  Member m{};
  TakeSnapshot(&m, kUnit);
  WeightList global = Function(ids.fromExpo).weights[0][0];
  WeightList mine = *SnapshotList(m, ids.fromExpo, 0, 0);
  for (; global != nullptr; global = global->next, mine = mine->next) {
    ASSERT_NE(mine, nullptr);
    EXPECT_EQ(mine->weight, UnpackWeight(PackWeight(global->weight)));
  }
  ViewParams v = View(0);
  ReleaseMember(&m, &v);
  EXPECT_EQ(m.weights, nullptr);
  EXPECT_EQ(m.rootList, nullptr);
}

}  // namespace
}  // namespace pxb
