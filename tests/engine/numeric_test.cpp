#include "engine/numeric.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <iterator>
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

// The branch-free floor of a run agrees with FloorToInt32 up to 2^30 and
// gives up beyond it, whatever the other samples of the run are.
TEST(NumericTest, FloorNearMatchesFloorToInt32) {
  const double inf = std::numeric_limits<double>::infinity();
  const double tiny = std::numeric_limits<double>::denorm_min();
  const double edge = 1073741824.0;  // 2^30
  const double near[] = {0.0,
                         -0.0,
                         tiny,
                         -tiny,
                         0.5,
                         -0.5,
                         1.5,
                         -1.5,
                         2.5,
                         -2.5,
                         -1.0,
                         3.0,
                         -1e-300,
                         std::nextafter(-2.0, 0.0),
                         std::nextafter(7.0, 8.0),
                         std::nextafter(edge, 0.0),
                         -std::nextafter(edge, 0.0),
                         123456.75,
                         -123456.25};
  const std::size_t n = std::size(near);
  double f[std::size(near) + 1];
  std::int32_t floor[std::size(near) + 1];
  for (const double scale : {1.0, -1.0, 0.25}) {
    for (std::size_t i = 0; i < n; ++i)
      f[i] = scale * near[i];
    ASSERT_TRUE(FloorNear(f, static_cast<std::int32_t>(n), floor));
    for (std::size_t i = 0; i < n; ++i) {
      EXPECT_EQ(floor[i], FloorToInt32(f[i])) << scale << " " << near[i];
    }
  }
  for (const double beyond : {edge, -edge, 3e9, inf, -inf, std::nan("")}) {
    double run[] = {0.5, beyond, -0.5};
    EXPECT_FALSE(FloorNear(run, 3, floor)) << beyond;
    EXPECT_EQ(floor[0], 0);
    EXPECT_EQ(floor[2], -1);
  }
}

}  // namespace
}  // namespace pxb
