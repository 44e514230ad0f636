// An 8-bit raster image in memory, as the command-line tools pass it around.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pxb {

// Images larger than this many pixels are refused when read or written.
inline constexpr int64_t kMaxImagePixels = int64_t{1} << 28;

// The most pixels ReadImage accepts unless its caller raises the limit
// (up to kMaxImagePixels): 8192 x 8192, 192 MiB as RGB. It keeps a small
// damaged or hostile file from claiming gigabytes.
inline constexpr int64_t kDefaultMaxReadPixels = int64_t{1} << 26;

// False with "the image is WxH (N pixels), more than the limit of M pixels"
// when width x height exceeds maxPixels.
bool CheckPixelLimit(int64_t width, int64_t height, int64_t maxPixels, std::string* error);

// Rows run top to bottom, each `width * channels` bytes with the channels of
// a pixel side by side: 1 = grey, 3 = red, green, blue, 4 = RGB and alpha.
struct Image {
  int32_t width = 0;
  int32_t height = 0;
  int32_t channels = 0;
  std::vector<uint8_t> pixels;

  size_t RowBytes() const { return static_cast<size_t>(width) * static_cast<size_t>(channels); }
  uint8_t* Row(int32_t y) { return pixels.data() + static_cast<size_t>(y) * RowBytes(); }
  const uint8_t* Row(int32_t y) const {
    return pixels.data() + static_cast<size_t>(y) * RowBytes();
  }
};

// True when width, height and channels are a size this library handles
// (positive sides, at most kMaxImagePixels pixels, 1, 3 or 4 channels);
// otherwise false with the reason in *error.
bool CheckImageShape(int64_t width, int64_t height, int channels, std::string* error);

// Sizes `image` to width x height x channels with every byte 0. False with a
// message when the shape is refused or memory runs out.
bool AllocateImage(Image* image, int64_t width, int64_t height, int channels, std::string* error);

// True when the shape is valid and the pixel buffer has exactly its size.
bool IsValidImage(const Image& image, std::string* error);

// The image as 3-channel RGB: grey is repeated into the three channels and
// alpha is dropped. An RGB image is copied unchanged. An invalid image, or
// one there is no memory for, gives an empty image (no pixels).
Image ToRgb(const Image& image);

}  // namespace pxb
