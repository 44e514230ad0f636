#include "primitives/source_image.h"

#include <cstddef>

namespace pxb {
namespace {

SourceImage sourceImage{0, 0, nullptr, 0, 0};

}  // namespace

void SetSourceImage(int32_t width, int32_t height, const uint8_t* data, int32_t rowStride,
                    int32_t pixelSize) {
  sourceImage = SourceImage{width, height, data, rowStride, pixelSize};
}

void SetSourceSize(int32_t width, int32_t height) {
  sourceImage.width = width;
  sourceImage.height = height;
}

void SetSourceBuffer(const uint8_t* data, int32_t rowStride, int32_t pixelSize) {
  sourceImage.data = data;
  sourceImage.rowStride = rowStride;
  sourceImage.pixelSize = pixelSize;
}

void ClearSourceImage() {
  sourceImage = SourceImage{0, 0, nullptr, 0, 0};
}

const SourceImage& CurrentSourceImage() {
  return sourceImage;
}

SourceDimensions SourceSize() {
  return SourceDimensions{sourceImage.width, sourceImage.height};
}

void ReadSourcePixel(int32_t x, int32_t y, uint8_t rgb[3]) {
  const SourceImage& s = sourceImage;
  // The leaves fold every position into the image first; this guard only
  // keeps a stale or missing buffer from being read out of bounds.
  if (s.data == nullptr || x < 0 || y < 0 || x >= s.width || y >= s.height) {
    rgb[0] = rgb[1] = rgb[2] = 0;
    return;
  }
  const uint8_t* p =
      s.data + static_cast<ptrdiff_t>(y) * s.rowStride + static_cast<ptrdiff_t>(x) * s.pixelSize;
  if (s.pixelSize >= 3) {
    rgb[0] = p[0];
    rgb[1] = p[1];
    rgb[2] = p[2];
  } else {
    rgb[0] = rgb[1] = rgb[2] = p[0];
  }
}

}  // namespace pxb
