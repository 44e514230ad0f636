// A rating moves exactly the weights that grew the rated tree: from the top
// of the slider (rating 1) each chosen weight gains on the rest of its list,
// from the bottom (rating 0) it loses; every other list stays bit for bit,
// and unchosen entries of a touched list keep their proportions.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <tuple>

#include "engine/growth.h"
#include "engine/rand.h"
#include "primitives/registration.h"

namespace pxb {
namespace {

// (function, slot, depth class); function -1 names the root list of the
// type given as slot.
using ListKey = std::tuple<FuncId, int, int>;
using Weights = std::map<FuncId, float>;

WeightList* GlobalList(const ListKey& key) {
  const auto [f, slot, depth] = key;
  if (f < 0) return &RootList(static_cast<TypeId>(slot));
  return &Function(f).weights[slot][depth];
}

std::map<ListKey, Weights> AllLists() {
  std::map<ListKey, Weights> lists;
  auto add = [&](const ListKey& key) {
    for (const WeightEntry* e = *GlobalList(key); e != nullptr; e = e->next)
      lists[key][e->id] = e->weight;
  };
  add({-1, kUnit, 0});
  add({-1, kColour, 0});
  for (FuncId f = 0; f < FunctionCount(); ++f) {
    for (int slot = 0; slot < kArgSlots; ++slot) {
      for (int d = 0; d < kDepthClasses; ++d)
        add({f, slot, d});
    }
  }
  return lists;
}

// The chosen ids of every list the member's records name.
std::map<ListKey, std::set<FuncId>> Chosen(const Member& m) {
  std::map<ListKey, std::set<FuncId>> chosen;
  for (const ChoiceRecord* c = m.choices; c != nullptr; c = c->next) {
    const ListKey key =
        c->depth < 0 ? ListKey{-1, m.type, 0} : ListKey{c->parent, c->slot, c->depth};
    chosen[key].insert(c->chosen);
  }
  return chosen;
}

class RatingTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterPrimitives(); }
};

// The top of the slider raises the chosen weights, the bottom lowers them.
TEST_F(RatingTest, MovesExactlyTheChosenWeights) {
  for (const auto& [rating, raises] : {std::pair{1.0f, true}, std::pair{0.0f, false}}) {
    SCOPED_TRACE(raises ? "the top of the slider" : "the bottom of the slider");
    for (const TypeId root : {kColour, kUnit}) {
      ViewParams vp{64, 48, 0, {}};
      SeedState(&vp.rand, root == kColour ? 11 : 12);
      Member member = GrowMember(root, &vp);
      const auto chosen = Chosen(member);
      ASSERT_GT(chosen.size(), 2u);

      const auto before = AllLists();
      ApplyRating(member, rating);
      const auto after = AllLists();
      ASSERT_EQ(before.size(), after.size());

      int compared = 0;
      for (const auto& [key, old] : before) {
        const Weights& now = after.at(key);
        const auto it = chosen.find(key);
        if (it == chosen.end()) {
          EXPECT_EQ(now, old) << "a list no record names has moved";
          continue;
        }
        ASSERT_EQ(now.size(), old.size());
        const std::set<FuncId>& picked = it->second;
        for (const auto& [c, wc] : old) {
          if (picked.count(c) == 0 || wc <= 0.0f || wc >= 1.0f) continue;
          for (const auto& [o, wo] : old) {
            if (picked.count(o) != 0 || wo <= 0.0f) continue;
            const double ratioBefore = static_cast<double>(wc) / wo;
            const double ratioAfter = static_cast<double>(now.at(c)) / now.at(o);
            EXPECT_EQ(ratioAfter > ratioBefore, raises) << "chosen " << c << " against " << o;
            ++compared;
          }
        }
        // Entries nobody chose only share the renormalisation.
        for (const auto& [a, wa] : old) {
          for (const auto& [b, wb] : old) {
            if (picked.count(a) != 0 || picked.count(b) != 0 || wa <= 0.0f || wb <= 0.0f) continue;
            EXPECT_NEAR(now.at(a) / now.at(b), wa / wb, 1e-5 * (wa / wb));
          }
          if (picked.count(a) == 0 && wa == 0.0f) {
            EXPECT_EQ(now.at(a), 0.0f);
          }
        }
      }
      EXPECT_GT(compared, 0);
      ReleaseMember(&member, &vp);
    }
  }
}

}  // namespace
}  // namespace pxb
