#include "engine/colour.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace pxb {
namespace {

ColourValue Hsv(double h, double s, double v) {
  return ColourValue{{h, s, v, 0.5}, 1, 0};
}

void ExpectRgb(ColourValue c, double r, double g, double b) {
  HsvToRgb(&c);
  EXPECT_EQ(c.hsv, 0);
  EXPECT_DOUBLE_EQ(c.c[0], r);
  EXPECT_DOUBLE_EQ(c.c[1], g);
  EXPECT_DOUBLE_EQ(c.c[2], b);
  EXPECT_EQ(c.c[3], 0.5);
}

TEST(HsvToRgb, SectorsBentRampsAndClamps) {
  ColourValue rgb{{0.2, 7.0, -1.0, 3.0}, 0, 0};  // RGB passes unchanged
  HsvToRgb(&rgb);
  EXPECT_TRUE(rgb.c[0] == 0.2 && rgb.c[1] == 7.0 && rgb.c[2] == -1.0);
  ExpectRgb(Hsv(0, 1, 1), 1, 0, 0);
  ExpectRgb(Hsv(1.0 / 3, 1, 1), 0, 1, 0);
  const double bent = 1 - std::pow(0.5, 1.5);  // about 0.6464, not 0.5
  // h = -0.25 is hue 0.75: sector 4 at f = 0.5 gives (t, p, v).
  ExpectRgb(Hsv(-0.25, 1, 1), bent, 0, 1);
  ExpectRgb(Hsv(0.75, 1, 1), bent, 0, 1);
  // Sector 1 at f = 0.5: (q, v, p).
  ExpectRgb(Hsv(0.25, 0.5, 0.8), (1 - 0.5 * std::pow(0.5, 1.5)) * 0.8, 0.8, 0.4);
  // Sectors 3 and 5 at f = 0: (p, q, v) and (v, p, q) with q = v.
  ExpectRgb(Hsv(0.5, 1, 1), 0, 1, 1);
  ExpectRgb(Hsv(5.0 / 6, 1, 1), 1, 0, 1);
  // Saturation and value are clamped.
  ExpectRgb(Hsv(0.1, 1.7, 1), 1, 1 - std::pow(1 - (0.1 * 6), 1.5), 0);
  ExpectRgb(Hsv(0.1, -0.2, 0.6), 0.6, 0.6, 0.6);
  ExpectRgb(Hsv(0.1, std::nan(""), 0.6), 0.6, 0.6, 0.6);
  ExpectRgb(Hsv(0, 1, 2), 1, 0, 0);
  // A hue without a sector reads as zero.
  ExpectRgb(Hsv(std::numeric_limits<double>::infinity(), 1, 1), 1, 0, 0);
  ExpectRgb(Hsv(std::nan(""), 1, 1), 1, 0, 0);
  ExpectRgb(Hsv(-0x1p-60, 1, 1), 1, 0, 0);  // h - floor(h) rounds to 1
}

TEST(QuantiseChannel, Bounds) {
  const double inf = std::numeric_limits<double>::infinity();
  const std::pair<double, int> cases[] = {{0, 0},
                                          {1.0 / 256, 1},
                                          {std::nextafter(1.0 / 256, 0.0), 0},
                                          {0.999, 255},
                                          {1.0, 255},
                                          {-0.001, 0},
                                          {-1e300, 0},
                                          {1e10, 255},
                                          {inf, 255},
                                          {std::nan(""), 0},
                                          {0.5, 128}};
  for (const auto& [v, q] : cases)
    EXPECT_EQ(QuantiseChannel(v), q) << v;
}

}  // namespace
}  // namespace pxb
