#include <gtest/gtest.h>

#include "engine/node.h"
#include "primitives/expression_text.h"
#include "primitives/registration.h"
#include "primitives/value_types.h"

namespace pxb {
namespace {

// The attributes of grown nodes (noise seeds, fractal map hashes) are pinned
// by the golden texts; these are the constants of the types they lack.
TEST(ExpressionTextTest, ConstantsPrintWithSeventeenDigits) {
  RegisterPrimitives();
  ViewParams v{64, 64, 0, {{357, 4242, 0}}};
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
