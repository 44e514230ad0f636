#include <gtest/gtest.h>

#include <cstring>
#include <regex>

#include "engine/growth.h"
#include "primitives/expression_text.h"
#include "primitives/registration.h"
#include "primitives/value_types.h"

namespace pxb {
namespace {

class GrownTreeTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterPrimitives(); }
  static ViewParams View(int k) {
    return ViewParams{64, 64, 0, {{357, 4242, static_cast<uint16_t>(k)}}};
  }
};

TEST_F(GrownTreeTest, TextFollowsTheContractShape) {
  // One line, no trailing space; labels from the vocabulary; every noise
  // node has a seed and every fractal node a map hash and no arguments.
  const std::regex token(R"(\((\w+)( seed=\d+| map=\d+x\d+:[0-9a-f]{8})?)");
  int noise = 0;
  int fractal = 0;
  int constants = 0;
  for (int k = 0; k < 60; ++k) {
    ViewParams v = View(k);
    Member m = GrowMember(k % 2 ? kUnit : kColour, &v);
    const std::string text = ExpressionText(m.tree);
    ASSERT_EQ(text.find('\n'), std::string::npos);
    ASSERT_NE(text.back(), ' ');
    ASSERT_EQ(text.find("  "), std::string::npos);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), token);
         it != std::sregex_iterator(); ++it) {
      const std::string label = (*it)[1];
      const std::string attribute = (*it)[2];
      if (label.rfind("dop", 0) == 0) {
        EXPECT_EQ(attribute.rfind(" seed=", 0), 0u) << text;
        ++noise;
      } else if (label == "rfract" || label == "bfract") {
        EXPECT_EQ(attribute, " map=64x64:" + attribute.substr(11)) << text;
        ++fractal;
      } else {
        EXPECT_TRUE(attribute.empty()) << text;
      }
      constants += label == "cm";
    }
    for (const char* f : {"(rfract map=64x64:", "(bfract map=64x64:"}) {
      for (size_t at = text.find(f); at != std::string::npos; at = text.find(f, at + 1)) {
        EXPECT_EQ(text[at + std::strlen(f) + 8], ')') << "fractal nodes have no arguments";
      }
    }
    ReleaseMember(&m, &v);
  }
  EXPECT_GT(noise, 0);
  EXPECT_GT(fractal, 0);
  EXPECT_GT(constants, 0);
}

TEST_F(GrownTreeTest, ConstantsPrintWithSeventeenDigits) {
  ViewParams v = View(0);
  double unit = 0.1;
  ColourValue colour{{0.5, 0.25, 1, 1}, 0, 0};
  ComplexValue complex{-1.5, 2, 0, 0};
  const struct {
    TypeId type;
    void* value;
    const char* text;
  } cases[] = {{kUnit, &unit, "(cm 0.10000000000000001)"},
               {kColour, &colour, "(cm [0.5 0.25 1 1 0])"},
               {kCplx, &complex, "(cm [-1.5 2 0])"}};
  for (const auto& c : cases) {
    const ArgSlot slot{c.type, c.value};
    Node* n = NodeCreate(c.type, 1, &slot, 0, nullptr, "cm", &v);
    EXPECT_EQ(ExpressionText(n), c.text);
    NodeRelease(&n, &v);
  }
}

TEST(Fnv1a, KnownValues) {
  EXPECT_EQ(Fnv1a32("", 0), 0x811c9dc5u);
  EXPECT_EQ(Fnv1a32("a", 1), 0xe40c292cu);
  EXPECT_EQ(Fnv1a32("foobar", 6), 0xbf9cf968u);
}

}  // namespace
}  // namespace pxb
