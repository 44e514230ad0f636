#include "engine/numeric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace pxb {
namespace {

// The quick floor must give the integer the library floor and the hardware
// truncation give, at the edges of the 32-bit range and of zero too.
TEST(NumericTest, FloorToInt32MatchesTheLibraryFloor) {
  const double inf = std::numeric_limits<double>::infinity();
  const double values[] = {0.0,           -0.0,         0.5,           -0.5,          -1.0,
                           -1.0000001,    2.9999999,    -2147483648.0, -2147483647.5, -2147483648.5,
                           -2147483649.0, 2147483647.5, 2147483648.0,  1e300,         -1e300,
                           inf,           -inf,         std::nan("")};
  for (double v : values)
    EXPECT_EQ(FloorToInt32(v), TruncToInt32(std::floor(v))) << v;
}

}  // namespace
}  // namespace pxb
