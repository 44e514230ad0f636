#include "primitives/registration.h"

#include <gtest/gtest.h>

#include <cstring>

#include "engine/registry.h"
#include "engine/weights.h"
#include "primitives/expression_text.h"
#include "primitives/value_types.h"
#include "tests/common/weight_lists.h"

namespace pxb {
namespace {

using pxb::testing::WeightOf;

// The index of a function by its registered name (the first of that name).
FuncId Named(const char* name) {
  for (FuncId f = 0; f < FunctionCount(); ++f) {
    if (std::strcmp(Function(f).name, name) == 0) return f;
  }
  return -1;
}

TEST(Registration, TypesAndFunctionsFromTheirDeclarations) {
  RegisterPrimitives();
  ASSERT_EQ(TypeCount(), 9);
  EXPECT_EQ(MaxTypeSize(), 40);
  EXPECT_EQ(TypeBlend(kPlain), nullptr);
  EXPECT_EQ(TypeMaker(kOffset), nullptr);
  EXPECT_NE(TypeMaker(kGauss), nullptr);

  ASSERT_EQ(FunctionCount(), 22);
  // Every index's name and signature, pinned as one hash: an index that moves
  // or a signature that changes (say, to a type no function may take or
  // give) breaks every stored filter.
  uint32_t h = 0;
  for (FuncId f = 0; f < 22; ++f) {
    const uint32_t words[2] = {Fnv1a32(Function(f).name, std::strlen(Function(f).name)),
                               Function(f).signature};
    h = h * 31u + Fnv1a32(words, sizeof words);
  }
  EXPECT_EQ(h, 2711456699u);
  EXPECT_EQ(Function(kFnTrfmapColour).builder, Function(kFnTrfmapUnit).builder);
  EXPECT_NE(Function(kFnTrfmapColour).signature, Function(kFnTrfmapUnit).signature);
}

TEST(Registration, SecondCallChangesNothing) {
  RegisterPrimitives();
  Registry before = GlobalRegistry();
  const float rootWeight = RootList(kColour)->weight;
  RegisterPrimitives();
  EXPECT_EQ(std::memcmp(&before, &GlobalRegistry(), sizeof before), 0);
  EXPECT_EQ(RootList(kColour)->weight, rootWeight);
}

TEST(Registration, ExclusionsAreAtZero) {
  RegisterPrimitives();
  // That every list sums to one is checked over the engine's made-up
  // registry; here, what the vocabulary itself decides.
  EXPECT_EQ(ListLength(RootList(kColour)), 4);
  for (FuncId noise : {kFnDopnoise, kFnDopbnoise, kFnDopdnoise}) {
    for (int d = 0; d < 4; ++d) {
      for (FuncId banned : {kFnMu, kFnMv, kFnMinpe}) {
        EXPECT_EQ(WeightOf(Function(noise).weights[0][d], banned), 0.0f) << noise << " " << d;
      }
      EXPECT_GT(WeightOf(Function(noise).weights[0][d], Named("peplus")), 0.0f);
    }
  }
  for (int d = 0; d < 4; ++d) {
    EXPECT_EQ(WeightOf(Function(kFnMinpe).weights[0][d], kFnMinpe), 0.0f);
    // Three-argument functions have weight 0 at the deepest class only.
    EXPECT_EQ(WeightOf(Function(Named("peplus")).weights[0][d], Named("switch")) == 0.0f, d == 3);
  }
}

}  // namespace
}  // namespace pxb
