// The stand-in photograph the render benchmarks filter.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace pxb {

// Gradients, rings and a little pseudo-random grain, three bytes a pixel.
inline std::vector<uint8_t> MakeImage(int w, int h) {
  std::vector<uint8_t> px(static_cast<size_t>(w) * static_cast<size_t>(h) * 3);
  uint32_t grain = 12345;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      grain = grain * 1103515245u + 12345u;
      const double r = std::hypot(x - w * 0.6, y - h * 0.4) / w;
      uint8_t* p =
          &px[(static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)) * 3];
      p[0] = static_cast<uint8_t>(255.0 * x / w);
      p[1] = static_cast<uint8_t>(127.5 + 127.5 * std::sin(40.0 * r));
      p[2] = static_cast<uint8_t>((255 * y / h + (grain >> 28)) & 0xFF);
    }
  }
  return px;
}

}  // namespace pxb
