// From the engine's double-precision colours to 8-bit codes.
#pragma once

#include <cstdint>

namespace pxb {

// The value of the `colour` type: c0..c2 are red, green, blue, or hue,
// saturation, value when hsv is nonzero; c3 is carried along.
struct ColourValue {
  double c[4];
  int32_t hsv;
  int32_t unused;
};
static_assert(sizeof(ColourValue) == 40);

// Converts an HSV-marked colour to RGB in place (ramps bent by an exponent of
// 1.5); an RGB colour passes unchanged.
void HsvToRgb(ColourValue* colour);

// Maps a channel value in [0, 1] to 0..255: clamp(trunc(256·x), 0, 255).
// Inline: a render quantises every channel of every pixel.
inline int QuantiseChannel(double x) {
  const double y = 256.0 * x;
  if (!(y >= 0.0)) return 0;  // negative or NaN
  if (y >= 255.0) return 255;
  return static_cast<int>(y);
}

}  // namespace pxb
