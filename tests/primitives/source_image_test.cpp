#include "primitives/source_image.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace pxb {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Pixel(int32_t x, int32_t y) {
  uint8_t rgb[3] = {1, 2, 3};
  ReadSourcePixel(x, y, rgb);
  return {rgb[0], rgb[1], rgb[2]};
}

class SourceImageTest : public ::testing::Test {
 protected:
  void TearDown() override { ClearSourceImage(); }
};

TEST_F(SourceImageTest, GreyPlanesGiveThreeEqualBytes) {
  // 3 x 2 pixels of one byte, rows padded to 4 bytes.
  const uint8_t grey[] = {10, 20, 30, 99, 40, 50, 60, 99};
  SetSourceImage(3, 2, grey, 4, 1);
  EXPECT_EQ(SourceSize().width, 3);
  EXPECT_EQ(SourceSize().height, 2);
  EXPECT_EQ(Pixel(2, 0), (Bytes{30, 30, 30}));
  EXPECT_EQ(Pixel(2, 1), (Bytes{60, 60, 60}));
  // Two bytes per pixel (grey with transparency): only the first counts.
  const uint8_t greyAlpha[] = {10, 200, 20, 201, 30, 202, 40, 203};
  SetSourceImage(2, 2, greyAlpha, 4, 2);
  EXPECT_EQ(Pixel(1, 1), (Bytes{40, 40, 40}));
}

TEST_F(SourceImageTest, ColourPlanesGiveTheFirstThreeBytes) {
  const uint8_t rgb[] = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
  SetSourceImage(2, 2, rgb, 8, 3);
  EXPECT_EQ(Pixel(0, 1), (Bytes{7, 8, 9}));
  // The last pixel sits at data + (h - 1)·stride + (w - 1)·pixel size.
  EXPECT_EQ(Pixel(1, 1), (Bytes{10, 11, 12}));
  const uint8_t four[] = {1, 2, 3, 250, 4, 5, 6, 251, 7, 8, 9, 252, 10, 11, 12, 253};
  SetSourceImage(2, 2, four, 8, 4);
  EXPECT_EQ(Pixel(1, 0), (Bytes{4, 5, 6}));
  EXPECT_EQ(Pixel(1, 1), (Bytes{10, 11, 12}));
}

TEST_F(SourceImageTest, SizeAndBufferAreSetApart) {
  EXPECT_EQ(SourceSize().width, 0);  // no image: 0 x 0, reads black
  EXPECT_EQ(Pixel(0, 0), (Bytes{0, 0, 0}));
  const uint8_t rgb[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  SetSourceBuffer(rgb, 6, 3);
  SetSourceSize(2, 2);
  EXPECT_EQ(CurrentSourceImage().data, rgb);
  EXPECT_EQ(Pixel(1, 1), (Bytes{10, 11, 12}));
  // A smaller size keeps the buffer; positions beyond it read black.
  SetSourceSize(1, 1);
  EXPECT_EQ(Pixel(0, 0), (Bytes{1, 2, 3}));
  EXPECT_EQ(Pixel(1, 0), (Bytes{0, 0, 0}));
}

}  // namespace
}  // namespace pxb
