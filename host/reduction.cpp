#include "host/reduction.h"

#include <algorithm>

namespace pxb::host {

Reduction ReduceArea(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
  const std::int32_t size = std::max(right - left, bottom - top);
  const std::int32_t scale = size <= 512 ? 1 : size / 512;
  return Reduction{scale, left / scale, top / scale, right / scale, bottom / scale};
}

}  // namespace pxb::host
