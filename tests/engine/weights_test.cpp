#include "engine/weights.h"
#include "tests/common/weight_lists.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tests/engine/synthetic_registry.h"

namespace pxb {
namespace {

using namespace pxb::testing;

class WeightsTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterSyntheticRegistry(); }
};

TEST_F(WeightsTest, EveryListSumsToOneUnlessAllZero) {
  EXPECT_NEAR(Sum(RootList(kUnit)), 1.0, 1e-6);
  EXPECT_NEAR(Sum(RootList(kColour)), 1.0, 1e-6);
  EXPECT_EQ(RootList(kExpoType), RootList(kUnit));  // every non-colour root shares a list
  for (FuncId f = 0; f < FunctionCount(); ++f) {
    const int n = SignatureArgCount(Function(f).signature);
    for (int slot = 0; slot < kArgSlots; ++slot) {
      for (int d = 0; d < kDepthClasses; ++d) {
        const WeightList l = Function(f).weights[slot][d];
        if (slot >= n) {
          EXPECT_EQ(l, nullptr);
          continue;
        }
        ASSERT_NE(l, nullptr);
        const double s = Sum(l);
        if (s != 0.0) {
          EXPECT_NEAR(s, 1.0, 1e-6) << f << " " << slot << " " << d;
        }
        for (WeightList e = l; e != nullptr && e->next != nullptr; e = e->next) {
          EXPECT_LT(e->id, e->next->id);
        }
      }
    }
  }
}

TEST(AdjustWeight, QuadraticAndPowerForms) {
  EXPECT_EQ(AdjustWeight(0.3f, 0.0f), 0.3f);
  // Rating 1 gives e = -4, rating 0 gives e = 4: p = 16.
  EXPECT_EQ(AdjustWeight(0.25f, -4.0f), 1.0f - static_cast<float>(std::pow(0.75, 16.0)));
  EXPECT_EQ(AdjustWeight(0.25f, 4.0f), static_cast<float>(std::pow(0.25, 16.0)));
  // Mild ratings move the weight along w - e·w·(1 - w), in single precision.
  EXPECT_EQ(AdjustWeight(0.5f, 0.5f), 0.375f);
  EXPECT_EQ(AdjustWeight(0.5f, -0.5f), 0.625f);
  for (float e : {4.0f, -4.0f, 0.5f, -0.5f, 1.0f, -1.0f}) {
    EXPECT_EQ(AdjustWeight(0.0f, e), 0.0f) << e;
    EXPECT_GE(AdjustWeight(0.999f, e), 0.0f);
  }
}

TEST(NormaliseList, DividesInDoublePrecisionAndRoundsOnce) {
  WeightList list = nullptr;
  for (FuncId id = 0; id < 40; ++id)
    FindOrAddEntry(&list, id)->weight = 0.01f * static_cast<float>(id * id % 37 + 1);
  double sum = 0.0;
  std::vector<float> before;
  for (const WeightEntry* e = list; e != nullptr; e = e->next) {
    sum += e->weight;
    before.push_back(e->weight);
  }
  NormaliseList(list);
  size_t i = 0;
  for (const WeightEntry* e = list; e != nullptr; e = e->next, ++i)
    EXPECT_EQ(e->weight, static_cast<float>(static_cast<double>(before[i]) / sum)) << i;
  FreeList(&list);
}

TEST(PackWeight, SixteenBitFractionRoundedDown) {
  EXPECT_EQ(PackWeight(0.5f), 32768);
  EXPECT_EQ(UnpackWeight(32768), 0.5f);
  EXPECT_EQ(PackWeight(1.0f), 65535);
  EXPECT_EQ(PackWeight(3.0f), 65535);
  EXPECT_EQ(UnpackWeight(65535), 65535.0f / 65536);
  EXPECT_EQ(PackWeight(0.0f), 0);
  for (float w : {1.0f / 9, 8.0f / 9, 0.3f, 1e-6f, 0.99999f}) {
    const float back = UnpackWeight(PackWeight(w));
    EXPECT_LE(back, w);
    EXPECT_LT(w - back, 1.0f / 65536) << w;
    EXPECT_EQ(PackWeight(back), PackWeight(w));
  }
}

}  // namespace
}  // namespace pxb
