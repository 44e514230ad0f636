// PNG and JPEG through the stb headers (Debian's libstb-dev), for builds
// that have no libpng or libjpeg: the Windows test host.
#include <cstring>
#include <vector>

#include "imageio/codecs.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wcast-align"
#pragma GCC diagnostic ignored "-Wmissing-declarations"
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#include <stb_image.h>
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb_image_write.h>
#pragma GCC diagnostic pop

namespace pxb::codec {
namespace {

bool ReadAll(std::FILE* file, std::vector<unsigned char>* bytes) {
  unsigned char chunk[65536];
  size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0)
    bytes->insert(bytes->end(), chunk, chunk + n);
  return std::ferror(file) == 0;
}

bool Decode(std::FILE* file, int64_t maxPixels, Image* image, std::string* error) {
  std::vector<unsigned char> bytes;
  if (!ReadAll(file, &bytes)) {
    *error = "read error";
    return false;
  }
  int w = 0;
  int h = 0;
  int channels = 0;
  if (stbi_info_from_memory(bytes.data(), static_cast<int>(bytes.size()), &w, &h, &channels) == 0) {
    *error = stbi_failure_reason();
    return false;
  }
  // Grey with alpha becomes RGBA, as everywhere else in the tools.
  const int want = channels == 2 ? 4 : channels;
  if (!CheckPixelLimit(w, h, maxPixels, error) || !CheckImageShape(w, h, want, error)) return false;
  unsigned char* pixels =
      stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &w, &h, &channels, want);
  if (pixels == nullptr) {
    *error = stbi_failure_reason();
    return false;
  }
  Image decoded;
  const bool ok = AllocateImage(&decoded, w, h, want, error);
  if (ok) std::memcpy(decoded.pixels.data(), pixels, decoded.pixels.size());
  stbi_image_free(pixels);
  if (ok) *image = std::move(decoded);
  return ok;
}

void ToFile(void* context, void* data, int size) {
  std::fwrite(data, 1, static_cast<size_t>(size), static_cast<std::FILE*>(context));
}

bool Finish(std::FILE* file, int written, std::string* error) {
  if (written == 0 || std::ferror(file) != 0) {
    *error = "write failed";
    return false;
  }
  return true;
}

}  // namespace

bool ReadPng(std::FILE* file, int64_t maxPixels, Image* image, std::string* error) {
  return Decode(file, maxPixels, image, error);
}

bool ReadJpeg(std::FILE* file, int64_t maxPixels, Image* image, std::string* error) {
  return Decode(file, maxPixels, image, error);
}

bool WritePng(std::FILE* file, const Image& image, std::string* error) {
  return Finish(file,
                stbi_write_png_to_func(ToFile, file, image.width, image.height, image.channels,
                                       image.pixels.data(), static_cast<int>(image.RowBytes())),
                error);
}

bool WriteJpeg(std::FILE* file, const Image& image, int quality, std::string* error) {
  return Finish(file,
                stbi_write_jpg_to_func(ToFile, file, image.width, image.height, image.channels,
                                       image.pixels.data(), quality),
                error);
}

}  // namespace pxb::codec
