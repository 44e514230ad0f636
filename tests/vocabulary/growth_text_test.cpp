#include <gtest/gtest.h>

#include <map>
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
  // One line, no trailing or double space; every noise node has a seed and
  // every fractal node a map hash and no arguments; no other node has an
  // attribute.
  const std::regex token(R"(\((\w+)( seed=\d+| map=64x64:[0-9a-f]{8}\))?)");
  std::map<std::string, int> seen;
  for (int k = 0; k < 60; ++k) {
    ViewParams v = View(k);
    Member m = GrowMember(k % 2 ? kUnit : kColour, &v);
    const std::string text = ExpressionText(m.tree);
    ASSERT_TRUE(text.find('\n') == std::string::npos && text.back() != ' ' &&
                text.find("  ") == std::string::npos);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), token);
         it != std::sregex_iterator(); ++it) {
      const std::string label = (*it)[1];
      const std::string attribute = (*it)[2];
      const std::string kind = label.rfind("dop", 0) == 0               ? "noise"
                               : label == "rfract" || label == "bfract" ? "fractal"
                               : label == "cm"                          ? "constant"
                                                                        : "other";
      ++seen[kind];
      EXPECT_EQ(attribute.substr(0, 5), kind == "noise"     ? " seed"
                                        : kind == "fractal" ? " map="
                                                            : "")
          << text;
    }
    ReleaseMember(&m, &v);
  }
  EXPECT_TRUE(seen["noise"] > 0 && seen["fractal"] > 0 && seen["constant"] > 0);
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

}  // namespace
}  // namespace pxb
