#include "imageio/image.h"

#include <new>

namespace pxb {

bool CheckImageShape(int64_t width, int64_t height, int channels, std::string* error) {
  if (width <= 0 || height <= 0) {
    *error = "image size " + std::to_string(width) + "x" + std::to_string(height) + " is empty";
    return false;
  }
  if (width > kMaxImagePixels || height > kMaxImagePixels || width * height > kMaxImagePixels) {
    *error = "image size " + std::to_string(width) + "x" + std::to_string(height) +
             " exceeds the limit of " + std::to_string(kMaxImagePixels) + " pixels";
    return false;
  }
  if (channels != 1 && channels != 3 && channels != 4) {
    *error = "unsupported channel count " + std::to_string(channels) + " (1, 3 or 4 expected)";
    return false;
  }
  return true;
}

bool CheckPixelLimit(int64_t width, int64_t height, int64_t maxPixels, std::string* error) {
  if (width <= maxPixels && height <= maxPixels && width * height <= maxPixels) return true;
  *error = "the image is " + std::to_string(width) + "x" + std::to_string(height) + " (" +
           std::to_string(width * height) + " pixels), more than the limit of " +
           std::to_string(maxPixels) + " pixels";
  return false;
}

bool AllocateImage(Image* image, int64_t width, int64_t height, int channels, std::string* error) {
  if (!CheckImageShape(width, height, channels, error)) return false;
  const auto bytes = static_cast<size_t>(width * height * channels);
  try {
    image->pixels.assign(bytes, 0);
  } catch (const std::bad_alloc&) {
    *error =
        "out of memory for a " + std::to_string(width) + "x" + std::to_string(height) + " image";
    return false;
  }
  image->width = static_cast<int32_t>(width);
  image->height = static_cast<int32_t>(height);
  image->channels = channels;
  return true;
}

bool IsValidImage(const Image& image, std::string* error) {
  if (!CheckImageShape(image.width, image.height, image.channels, error)) return false;
  const size_t expected = image.RowBytes() * static_cast<size_t>(image.height);
  if (image.pixels.size() != expected) {
    *error = "pixel buffer holds " + std::to_string(image.pixels.size()) + " bytes, " +
             std::to_string(expected) + " expected";
    return false;
  }
  return true;
}

Image ToRgb(const Image& image) {
  std::string ignored;
  if (!IsValidImage(image, &ignored)) return Image{};
  Image rgb;
  if (!AllocateImage(&rgb, image.width, image.height, 3, &ignored)) return Image{};
  const size_t count = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
  const auto step = static_cast<size_t>(image.channels);
  const uint8_t* src = image.pixels.data();
  uint8_t* dst = rgb.pixels.data();
  for (size_t i = 0; i < count; ++i, src += step, dst += 3) {
    if (step == 1) {
      dst[0] = dst[1] = dst[2] = src[0];
    } else {
      dst[0] = src[0];
      dst[1] = src[1];
      dst[2] = src[2];
    }
  }
  return rgb;
}

}  // namespace pxb
