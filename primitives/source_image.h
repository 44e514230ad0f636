// The image the host-image leaves read: one module-wide view of a buffer of
// interleaved 8-bit planes. The host side points it at its input buffer; any
// buffer with this layout stands as the source image.
#pragma once

#include <cstdint>

namespace pxb {

struct SourceImage {
  int32_t width;        // columns the leaves see
  int32_t height;       // rows the leaves see
  const uint8_t* data;  // first byte of the first row
  int32_t rowStride;    // bytes from one row to the next (may be negative)
  int32_t pixelSize;    // bytes per pixel: 1 or 2 grey, 3 or more colour
};

struct SourceDimensions {
  int32_t width;
  int32_t height;
};

// Points the source image at a buffer of width × height pixels.
void SetSourceImage(int32_t width, int32_t height, const uint8_t* data, int32_t rowStride,
                    int32_t pixelSize);
// Changes only the size the leaves see (the host sets it from the rectangle
// it asked for), or only the buffer fields.
void SetSourceSize(int32_t width, int32_t height);
void SetSourceBuffer(const uint8_t* data, int32_t rowStride, int32_t pixelSize);
// Back to no image at all (0 × 0): the leaves read black.
void ClearSourceImage();

const SourceImage& CurrentSourceImage();
SourceDimensions SourceSize();

// The red, green and blue bytes of pixel (x, y); a grey pixel gives its byte
// three times. A position outside the image, or no image, reads black.
void ReadSourcePixel(int32_t x, int32_t y, uint8_t rgb[3]);

}  // namespace pxb
