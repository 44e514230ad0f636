// Reading and writing test images: a failure fails the test that asked.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "imageio/image_io.h"

namespace pxb::testing {

inline Image ReadOrFail(const std::string& path) {
  Image image;
  std::string error;
  EXPECT_TRUE(ReadImage(path, &image, &error)) << error;
  return image;
}

inline void WriteOrFail(const std::string& path, const Image& image) {
  std::string error;
  EXPECT_TRUE(WriteImage(path, image, &error)) << error;
}

}  // namespace pxb::testing
