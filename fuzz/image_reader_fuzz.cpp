// Fuzzes the PNG and JPEG readers: the first byte picks the format, the
// rest is the file. The reader takes a path, so the bytes go through a file
// of this process's own.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "imageio/image_io.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static const std::string base = "/tmp/pxb-image-fuzz-" + std::to_string(::getpid());
  const std::string path = base + ((data[0] & 1) != 0 ? ".jpg" : ".png");
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return 0;
  std::fwrite(data + 1, 1, size - 1, f);
  std::fclose(f);
  pxb::Image image;
  std::string error;
  // A small limit keeps each run fast; the limit check itself is exercised.
  pxb::ReadImage(path, &image, &error, int64_t{1} << 22);
  std::remove(path.c_str());
  return 0;
}
