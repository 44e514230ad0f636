// The reduced copy of the image the breeding dialog works on: every
// scale-th pixel of the filtered area, scale 1 up to 512 pixels on the
// longer side, else the longer side over 512. Hosts of every kind reduce
// the image through this one rule so the previews look the same in each.
#pragma once

#include <cstdint>

namespace pxb::host {

struct Reduction {
  std::int32_t scale;
  // The reduced area: the corners of the filtered area divided by scale.
  std::int32_t left;
  std::int32_t top;
  std::int32_t right;
  std::int32_t bottom;
};

// The reduction of the area [left, right) × [top, bottom) of the image.
// Reduced pixel (x, y) is the image's pixel (x · scale, y · scale).
Reduction ReduceArea(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom);

}  // namespace pxb::host
