#include "imageio/image_io.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "imageio/codecs.h"

namespace pxb {
namespace {

namespace fs = std::filesystem;

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

bool Fail(const std::string& path, const std::string& cause, std::string* error) {
  *error = path + ": " + cause;
  return false;
}

// A name beside `path` that no other writer uses at the same moment.
std::string TemporaryPath(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  const auto ticks =
      static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
  char suffix[64];
  std::snprintf(suffix, sizeof suffix, ".%llx-%x.tmp", ticks, counter.fetch_add(1));
  return path + suffix;
}

bool Encode(ImageFormat format, std::FILE* file, const Image& image, int quality,
            std::string* error) {
  if (format == ImageFormat::kPng) return codec::WritePng(file, image, error);
  if (image.channels != 4) return codec::WriteJpeg(file, image, quality, error);
  const Image rgb = ToRgb(image);
  if (rgb.pixels.empty()) {
    *error = "out of memory";
    return false;
  }
  return codec::WriteJpeg(file, rgb, quality, error);
}

}  // namespace

ImageFormat FormatFromPath(const std::string& path) {
  const std::string extension = Lower(fs::path(path).extension().string());
  if (extension == ".png") return ImageFormat::kPng;
  if (extension == ".jpg" || extension == ".jpeg") return ImageFormat::kJpeg;
  return ImageFormat::kUnknown;
}

bool ReadImage(const std::string& path, Image* image, std::string* error, int64_t maxPixels) {
  const ImageFormat format = FormatFromPath(path);
  if (format == ImageFormat::kUnknown)
    return Fail(path, "unknown image format (expected .png, .jpg or .jpeg)", error);
  std::error_code ec;
  if (fs::is_directory(path, ec)) return Fail(path, "is a directory", error);
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return Fail(path, std::strerror(errno), error);

  Image read;
  std::string cause;
  const bool ok = format == ImageFormat::kPng ? codec::ReadPng(file, maxPixels, &read, &cause)
                                              : codec::ReadJpeg(file, maxPixels, &read, &cause);
  std::fclose(file);
  if (!ok) return Fail(path, cause, error);
  *image = std::move(read);
  return true;
}

bool WriteImage(const std::string& path, const Image& image, std::string* error, int jpegQuality) {
  const ImageFormat format = FormatFromPath(path);
  if (format == ImageFormat::kUnknown)
    return Fail(path, "unknown image format (expected .png, .jpg or .jpeg)", error);
  std::string cause;
  if (!IsValidImage(image, &cause)) return Fail(path, cause, error);
  if (format == ImageFormat::kJpeg && (jpegQuality < 1 || jpegQuality > 100))
    return Fail(path, "JPEG quality " + std::to_string(jpegQuality) + " is not in 1..100", error);

  const std::string temporary = TemporaryPath(path);
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr)
    return Fail(path, std::string("cannot create the file: ") + std::strerror(errno), error);

  bool ok = Encode(format, file, image, jpegQuality, &cause);
  if (ok && (std::fflush(file) != 0 || std::ferror(file) != 0)) {
    cause = std::string("write failed: ") + std::strerror(errno);
    ok = false;
  }
  if (std::fclose(file) != 0 && ok) {
    cause = std::string("write failed: ") + std::strerror(errno);
    ok = false;
  }
  std::error_code ec;
  if (ok) {
    fs::rename(temporary, path, ec);
    if (ec) {
      cause = "cannot replace the file: " + ec.message();
      ok = false;
    }
  }
  if (!ok) {
    fs::remove(temporary, ec);
    return Fail(path, cause, error);
  }
  return true;
}

}  // namespace pxb
