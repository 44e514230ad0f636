// pxcompare: compares the same-named images of two folders and reports how
// many images, pixels and code values differ, and by how much. Exits 0 when
// every image of the first folder has a counterpart of the same size.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "imageio/image_io.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: pxcompare DIR_A DIR_B\n");
    return 2;
  }
  namespace fs = std::filesystem;
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(argv[1])) {
    if (entry.path().extension() == ".png") names.insert(entry.path().filename().string());
  }
  if (names.empty()) {
    std::fprintf(stderr, "pxcompare: no images in %s\n", argv[1]);
    return 1;
  }
  long long pixels = 0, pixelsDiffering = 0, valuesDiffering = 0;
  int imagesDiffering = 0, largest = 0, failures = 0;
  for (const std::string& name : names) {
    pxb::Image a, b;
    std::string error;
    if (!pxb::ReadImage((fs::path(argv[1]) / name).string(), &a, &error) ||
        !pxb::ReadImage((fs::path(argv[2]) / name).string(), &b, &error)) {
      std::fprintf(stderr, "pxcompare: %s\n", error.c_str());
      ++failures;
      continue;
    }
    if (a.width != b.width || a.height != b.height || a.channels != b.channels) {
      std::fprintf(stderr, "pxcompare: %s: the images differ in size\n", name.c_str());
      ++failures;
      continue;
    }
    long long here = 0;
    const size_t n = static_cast<size_t>(a.channels);
    for (size_t p = 0; p < a.pixels.size(); p += n) {
      bool differs = false;
      for (size_t c = 0; c < n; ++c) {
        const int d = std::abs(a.pixels[p + c] - b.pixels[p + c]);
        if (d == 0) continue;
        differs = true;
        ++valuesDiffering;
        largest = std::max(largest, d);
      }
      here += differs;
    }
    pixels += static_cast<long long>(a.pixels.size() / n);
    pixelsDiffering += here;
    if (here > 0) {
      ++imagesDiffering;
      std::printf("%s: %lld pixels differ\n", name.c_str(), here);
    }
  }
  std::printf(
      "compared %zu images, %lld pixels: %d images, %lld pixels and %lld code values differ; "
      "largest difference %d\n",
      names.size() - static_cast<size_t>(failures), pixels, imagesDiffering, pixelsDiffering,
      valuesDiffering, largest);
  return failures == 0 ? 0 : 1;
}
