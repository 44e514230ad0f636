#include "engine/colour.h"

#include <cmath>

namespace pxb {
namespace {

double ClampUnit(double v) {
  if (!(v > 0.0)) return 0.0;  // also NaN
  return v < 1.0 ? v : 1.0;
}

}  // namespace

void HsvToRgb(ColourValue* colour) {
  if (colour->hsv == 0) return;
  const double h = colour->c[0];
  const double s = ClampUnit(colour->c[1]);
  const double v = ClampUnit(colour->c[2]);

  double h6 = (h - std::floor(h)) * 6.0;
  // A hue that is not finite, or one a hair below a whole number whose
  // fraction rounds up to 1, reads as hue 0.
  if (!(h6 >= 0.0 && h6 < 6.0)) h6 = 0.0;
  const int i = static_cast<int>(std::floor(h6));
  const double f = h6 - i;

  const double p = (1.0 - s) * v;
  const double q = (1.0 - s * std::pow(f, 1.5)) * v;
  const double t = (1.0 - s * std::pow(1.0 - f, 1.5)) * v;

  double r = v;
  double g = t;
  double b = p;
  switch (i) {
    case 1:
      r = q;
      g = v;
      b = p;
      break;
    case 2:
      r = p;
      g = v;
      b = t;
      break;
    case 3:
      r = p;
      g = q;
      b = v;
      break;
    case 4:
      r = t;
      g = p;
      b = v;
      break;
    case 5:
      r = v;
      g = p;
      b = q;
      break;
    default:
      break;
  }
  colour->c[0] = r;
  colour->c[1] = g;
  colour->c[2] = b;
  colour->hsv = 0;
}

}  // namespace pxb
