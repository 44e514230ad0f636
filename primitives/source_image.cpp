#include "primitives/source_image.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace pxb {
namespace {

SourceImage sourceImage{0, 0, nullptr, 0, 0};

// Folds a column (or row) into 0..size-1 (size > 0) by mirror tiling: odd
// tiles run backwards, so the edge pixel repeats. The double quotient of
// two 32-bit integers never rounds across an integer (its distance from one
// is at least 1 / size, more than its rounding error), so the integer floor
// and truncating divisions give the same fold as the per-sample leaves'
// floating-point one, without the conversions.
int32_t MirrorFoldInt(int32_t i, int32_t size) {
  if (i >= 0 && i < size) return i;
  int32_t m = i % size;
  int32_t tile = i / size;
  if (m < 0) {
    m += size;
    tile -= 1;
  }
  if ((tile & 1) != 0) m = size - 1 - m;
  return m;
}

// The samples from `first` on that lie on one row of the leaf's image at
// consecutive columns: none to fold, and their pixels follow each other in
// the buffer.
int32_t StraightStretch(const int32_t* columns, const int32_t* rows, int32_t first, int32_t n,
                        int32_t width, int32_t height) {
  const int32_t row = rows[first];
  const int32_t column = columns[first];
  if (row < 0 || row >= height || column < 0 || column >= width) return 0;
  const int32_t most = std::min(n - first, width - column);
  int32_t k = 1;
  while (k < most && rows[first + k] == row && columns[first + k] == column + k)
    ++k;
  return k;
}

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

void ReadSourceRun(const int32_t* columns, const int32_t* rows, int32_t n, int32_t width,
                   int32_t height, uint8_t* rgb) {
  const SourceImage& s = sourceImage;
  if (width <= 0 || height <= 0) {
    std::memset(rgb, 0, static_cast<size_t>(n) * 3);
    return;
  }
  // The usual case: every folded position lies inside a colour buffer.
  if (s.data != nullptr && width <= s.width && height <= s.height && s.pixelSize >= 3) {
    const ptrdiff_t step = s.pixelSize;
    for (int32_t i = 0; i < n;) {
      const int32_t k = StraightStretch(columns, rows, i, n, width, height);
      if (k > 0) {
        const uint8_t* p = s.data + static_cast<ptrdiff_t>(rows[i]) * s.rowStride +
                           static_cast<ptrdiff_t>(columns[i]) * step;
        uint8_t* o = rgb + static_cast<ptrdiff_t>(i) * 3;
        if (step == 3) {
          std::memcpy(o, p, static_cast<size_t>(k) * 3);
        } else {
          for (int32_t j = 0; j < k; ++j) {
            o[3 * j] = p[j * step];
            o[3 * j + 1] = p[j * step + 1];
            o[3 * j + 2] = p[j * step + 2];
          }
        }
        i += k;
        continue;
      }
      const int32_t x = MirrorFoldInt(columns[i], width);
      const int32_t y = MirrorFoldInt(rows[i], height);
      const uint8_t* p =
          s.data + static_cast<ptrdiff_t>(y) * s.rowStride + static_cast<ptrdiff_t>(x) * step;
      std::memcpy(rgb + static_cast<ptrdiff_t>(i) * 3, p, 3);
      ++i;
    }
    return;
  }
  for (int32_t i = 0; i < n; ++i)
    ReadSourcePixel(MirrorFoldInt(columns[i], width), MirrorFoldInt(rows[i], height),
                    rgb + static_cast<ptrdiff_t>(i) * 3);
}

}  // namespace pxb
