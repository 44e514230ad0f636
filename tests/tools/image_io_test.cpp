#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

#include "imageio/image_io.h"
#include "tests/common/run_tool.h"
#include "tests/common/temp_dir.h"

namespace pxb {
namespace {

namespace fs = std::filesystem;
using testing::FileText;

// A picture whose samples are a hash of their place, or (smooth) a gradient
// that JPEG keeps close to the original.
Image Pattern(int32_t width, int32_t height, int32_t channels, bool smooth = false) {
  Image image{width, height, channels, {}};
  for (int32_t i = 0; i < width * height * channels; ++i) {
    const int32_t x = i / channels % width;
    const int32_t y = i / channels / width;
    const int32_t c = i % channels;
    image.pixels.push_back(
        static_cast<uint8_t>(smooth ? x * 3 + y * 2 + c * 60 : i * 37 + i / 7 * 11));
  }
  return image;
}

// The mean absolute difference of two images' samples.
double MeanDifference(const Image& a, const Image& b) {
  long total = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i)
    total += std::abs(a.pixels[i] - b.pixels[i]);
  return static_cast<double>(total) / static_cast<double>(a.pixels.size());
}

// What a test PNG holds: samples packed as the format stores them (16-bit
// samples big-endian), optionally a palette and a transparency chunk.
struct RawPng {
  png_uint_32 width;
  png_uint_32 height;
  int bitDepth;
  int colourType;
  int interlace;
  std::vector<png_byte> rows;
  std::vector<png_color> palette;
  std::vector<png_byte> transparency;
  size_t idatOnly = 0;  // nonzero: write only the header and a dummy IDAT of this size
};

void OnError(png_structp png, png_const_charp) {
  png_longjmp(png, 1);
}

bool Emit(png_structp png, png_infop info, const RawPng* raw, png_bytep* rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_IHDR(png, info, raw->width, raw->height, raw->bitDepth, raw->colourType, raw->interlace,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!raw->palette.empty())
    png_set_PLTE(png, info, raw->palette.data(), static_cast<int>(raw->palette.size()));
  if (!raw->transparency.empty())
    png_set_tRNS(png, info, raw->transparency.data(), static_cast<int>(raw->transparency.size()),
                 nullptr);
  png_write_info(png, info);
  static const png_byte kIdat[5] = "IDAT";
  if (raw->idatOnly != 0) {
    png_write_chunk(png, kIdat, raw->rows.data(), raw->idatOnly);
  } else {
    png_write_image(png, rows);
    png_write_end(png, nullptr);
  }
  return true;
}

// Writes `raw` with libpng directly, bypassing the library under test.
void WriteRawPng(const fs::path& path, RawPng raw) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, file);
  std::vector<png_bytep> rows;
  for (png_uint_32 y = 0; y < raw.height && raw.idatOnly == 0; ++y)
    rows.push_back(raw.rows.data() + y * (raw.rows.size() / raw.height));
  const bool ok = Emit(png, info, &raw, rows.data());
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
  ASSERT_TRUE(ok);
}

// Writes a 4 x 4 CMYK JPEG with libjpeg directly.
void WriteCmykJpeg(const fs::path& path) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, file);
  info.image_width = 4;
  info.image_height = info.input_components = 4;
  info.in_color_space = JCS_CMYK;
  jpeg_set_defaults(&info);
  jpeg_start_compress(&info, TRUE);
  unsigned char pixels[64] = {0, 50, 100, 150, 200, 250};
  for (JSAMPROW row = pixels; row < pixels + 64; row += 16)
    jpeg_write_scanlines(&info, &row, 1);
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::fclose(file);
}

class ImageIoTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return dir_ / name; }
  size_t FileCount() const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir_.path()), {}));
  }

  std::string error_;  // the last failure message
  testing::TempDir dir_{"pxb_imageio"};
};

TEST_F(ImageIoTest, PngRoundTripIsExactForEveryChannelCount) {
  for (int channels : {1, 3, 4}) {
    for (auto [w, h] : {std::pair{1, 1}, std::pair{7, 5}, std::pair{130, 3}}) {
      SCOPED_TRACE(::testing::Message() << channels << " channels, " << w << "x" << h);
      const Image image = Pattern(w, h, channels);
      ASSERT_TRUE(WriteImage(Path("out.png"), image, &error_)) << error_;
      Image back;
      ASSERT_TRUE(ReadImage(Path("out.png"), &back, &error_)) << error_;
      EXPECT_TRUE(back.width == w && back.height == h && back.channels == channels);
      EXPECT_EQ(back.pixels, image.pixels);
    }
  }
  EXPECT_EQ(FileCount(), 1u);  // no temporary files left behind
}

TEST_F(ImageIoTest, JpegRoundTripKeepsSizeAndIsClose) {
  for (int channels : {1, 3, 4}) {
    SCOPED_TRACE(::testing::Message() << channels << " channels");
    const Image image = Pattern(61, 37, channels, true);
    ASSERT_TRUE(WriteImage(Path("out.JPEG"), image, &error_, 95)) << error_;
    Image back;
    ASSERT_TRUE(ReadImage(Path("out.JPEG"), &back, &error_)) << error_;
    EXPECT_TRUE(back.width == 61 && back.height == 37);
    // Alpha is dropped; grey stays grey.
    const Image expected = channels == 4 ? ToRgb(image) : image;
    ASSERT_EQ(back.channels, expected.channels);
    ASSERT_EQ(back.pixels.size(), expected.pixels.size());
    EXPECT_LT(MeanDifference(back, expected), 4.0);
  }
}

TEST_F(ImageIoTest, FormatFollowsTheExtensionInAnyCase) {
  for (const auto& [path, format] : {std::pair{"a/b.PNG", ImageFormat::kPng},
                                     {"b.jpg", ImageFormat::kJpeg},
                                     {"b.JpEg", ImageFormat::kJpeg},
                                     {"b.png.gif", ImageFormat::kUnknown},
                                     {"png", ImageFormat::kUnknown}})
    EXPECT_EQ(FormatFromPath(path), format) << path;

  EXPECT_FALSE(WriteImage(Path("out.bmp"), Pattern(2, 2, 3), &error_));
  EXPECT_NE(error_.find("out.bmp"), std::string::npos) << error_;
  EXPECT_NE(error_.find("unknown image format"), std::string::npos) << error_;
  EXPECT_EQ(FileCount(), 0u);

  ASSERT_TRUE(WriteImage(Path("real.png"), Pattern(2, 2, 3), &error_)) << error_;
  fs::copy_file(Path("real.png"), Path("real.tif"));
  Image image;
  EXPECT_FALSE(ReadImage(Path("real.tif"), &image, &error_));
  EXPECT_NE(error_.find("unknown image format"), std::string::npos) << error_;
}

// 16-bit samples big-endian, three pixels of each; they differ in high and
// low bytes, so only the nearest 8-bit value passes, neither byte alone.
std::vector<png_byte> SixteenBitRows() {
  std::vector<png_byte> rows;
  for (int i = 0; i < 3; ++i) {
    for (uint16_t s : {0x0000, 0xFFFF, 0x1234, 0x12F0, 0xFE01, 0x7F80}) {
      rows.push_back(static_cast<png_byte>(s >> 8));
      rows.push_back(static_cast<png_byte>(s & 0xFF));
    }
  }
  return rows;
}

TEST_F(ImageIoTest, ReadsEveryPngLayoutAsEightBitGreyRgbOrRgba) {
  // 4-bit palette indices, two per byte: 0 1 2 | 3 2 1; entry 3 stays opaque.
  const std::vector<png_color> palette = {{255, 0, 0}, {0, 128, 0}, {10, 20, 30}, {9, 9, 250}};
  const std::vector<png_byte> indices = {0x01, 0x20, 0x32, 0x10};
  const Image adam7 = Pattern(13, 11, 3);
  const struct {
    const char* name;
    RawPng raw;
    int channels;
    std::vector<uint8_t> pixels;
  } cases[] = {
      {"16-bit RGB",
       {3, 2, 16, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, SixteenBitRows(), {}, {}},
       3,
       {0x00, 0xFF, 0x12, 0x13, 0xFD, 0x7F, 0x00, 0xFF, 0x12, 0x13, 0xFD, 0x7F, 0x00, 0xFF, 0x12,
        0x13, 0xFD, 0x7F}},
      {"palette",
       {3, 2, 4, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, indices, palette, {}},
       3,
       {255, 0, 0, 0, 128, 0, 10, 20, 30, 9, 9, 250, 10, 20, 30, 0, 128, 0}},
      {"palette with transparency",
       {3, 2, 4, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, indices, palette, {255, 0, 128}},
       4,
       {255, 0, 0,   255, 0,  128, 0,  0,   10, 20,  30, 128,
        9,   9, 250, 255, 10, 20,  30, 128, 0,  128, 0,  0}},
      {"grey + alpha repeats the grey",
       {2, 1, 8, PNG_COLOR_TYPE_GRAY_ALPHA, PNG_INTERLACE_NONE, {10, 200, 99, 7}, {}, {}},
       4,
       {10, 10, 10, 200, 99, 99, 99, 7}},
      {"1-bit grey",
       {10, 1, 1, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, {0xA5, 0x80}, {}, {}},
       1,
       {255, 0, 255, 0, 0, 255, 0, 255, 255, 0}},
      {"Adam7 interlaced",
       {13, 11, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_ADAM7, adam7.pixels, {}, {}},
       3,
       adam7.pixels},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteRawPng(dir_ / "in.png", c.raw);
    Image image;
    ASSERT_TRUE(ReadImage(Path("in.png"), &image, &error_)) << error_;
    EXPECT_EQ(image.width, static_cast<int32_t>(c.raw.width));
    EXPECT_EQ(image.channels, c.channels);
    EXPECT_EQ(image.pixels, c.pixels);
  }
}

TEST_F(ImageIoTest, DamagedFilesFailWithAMessage) {
  ASSERT_TRUE(WriteImage(Path("good.png"), Pattern(40, 30, 3), &error_)) << error_;
  ASSERT_TRUE(WriteImage(Path("good.jpg"), Pattern(40, 30, 3, true), &error_)) << error_;
  const Image sentinel = Pattern(1, 1, 1);
  for (const char* name : {"good.png", "good.jpg"}) {
    const std::string bytes = FileText(Path(name));
    const std::string damaged = std::string("bad") + fs::path(name).extension().string();
    std::vector<std::string> variants;
    for (size_t cut : {size_t{0}, size_t{5}, size_t{40}, bytes.size() / 2, bytes.size() - 3})
      variants.push_back(bytes.substr(0, cut));
    std::string garbage(bytes.size(), '\0');
    for (size_t i = 0; i < garbage.size(); ++i)
      garbage[i] = static_cast<char>(i * 131 + 7);
    variants.push_back(garbage);
    for (size_t v = 0; v < variants.size(); ++v) {
      SCOPED_TRACE(::testing::Message() << name << " variant " << v);
      std::ofstream(Path(damaged), std::ios::binary) << variants[v];
      Image image = sentinel;
      error_.clear();
      EXPECT_FALSE(ReadImage(Path(damaged), &image, &error_));
      EXPECT_NE(error_.find(Path(damaged) + ": "), std::string::npos) << error_;
      EXPECT_GT(error_.size(), Path(damaged).size() + 6) << error_;
      EXPECT_EQ(image.pixels, sentinel.pixels);  // untouched on failure
    }
  }
  // PNG data under a JPEG name, a missing file, a directory, a CMYK JPEG.
  fs::copy_file(Path("good.png"), Path("png.jpg"));
  fs::create_directory(Path("dir.png"));
  WriteCmykJpeg(dir_ / "cmyk.jpg");
  Image image;
  for (const auto& [name, cause] : {std::pair{"png.jpg", "JPEG"},
                                    {"missing.png", "missing.png"},
                                    {"dir.png", "directory"},
                                    {"cmyk.jpg", "CMYK"}}) {
    EXPECT_FALSE(ReadImage(Path(name), &image, &error_)) << name;
    EXPECT_NE(error_.find(cause), std::string::npos) << error_;
  }
}

// Sizes past the hard limit are refused; sizes within it but above the
// reading limit are refused from the header unless the caller raises the
// limit; corrupt JPEG data is refused, not patched over.
TEST_F(ImageIoTest, AbsurdSizesPixelLimitAndCorruptDataAreRefused) {
  EXPECT_TRUE(CheckImageShape(1 << 14, 1 << 14, 4, &error_));
  EXPECT_FALSE(CheckImageShape((1 << 14) + 1, 1 << 14, 3, &error_));
  EXPECT_NE(error_.find("limit"), std::string::npos) << error_;
  EXPECT_FALSE(CheckImageShape(0, 5, 3, &error_));
  EXPECT_FALSE(CheckImageShape(5, 5, 2, &error_));

  // PNG headers announcing huge pictures, followed by a dummy IDAT.
  Image image;
  for (const auto& [side, message] : {std::pair<png_uint_32, const char*>{20000, "limit"},
                                      {12000, "more than the limit of 67108864"}}) {
    RawPng huge{side, side, 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, {1, 2, 3, 4}, {}, {}, 4};
    WriteRawPng(dir_ / "huge.png", huge);
    EXPECT_FALSE(ReadImage(Path("huge.png"), &image, &error_));
    EXPECT_NE(error_.find(message), std::string::npos) << error_;
  }
  EXPECT_FALSE(ReadImage(Path("huge.png"), &image, &error_, int64_t{12000} * 12000));
  EXPECT_EQ(error_.find("limit"), std::string::npos) << error_;  // past the limit, then damaged
  ASSERT_TRUE(WriteImage(Path("small.png"), Pattern(40, 30, 3), &error_)) << error_;
  EXPECT_FALSE(ReadImage(Path("small.png"), &image, &error_, 1199));
  EXPECT_TRUE(ReadImage(Path("small.png"), &image, &error_, 1200)) << error_;

  // A JPEG whose frame header is patched to 20000 x 20000, and one whose
  // data is overwritten.
  ASSERT_TRUE(WriteImage(Path("good.jpg"), Pattern(64, 64, 3, true), &error_)) << error_;
  std::string bytes = FileText(Path("good.jpg"));
  std::string corrupt = bytes;
  size_t i = 0;
  while (i + 9 < bytes.size() && !(static_cast<uint8_t>(bytes[i]) == 0xFF &&
                                   (static_cast<uint8_t>(bytes[i + 1]) & 0xFE) == 0xC0))
    ++i;
  ASSERT_LT(i + 9, bytes.size());
  bytes[i + 5] = bytes[i + 7] = static_cast<char>(0x4E);
  bytes[i + 6] = bytes[i + 8] = static_cast<char>(0x20);
  std::ofstream(Path("huge.jpg"), std::ios::binary) << bytes;
  EXPECT_FALSE(ReadImage(Path("huge.jpg"), &image, &error_));
  EXPECT_NE(error_.find("limit"), std::string::npos) << error_;
  std::fill_n(corrupt.begin() + static_cast<long>(corrupt.size() / 2), 40, static_cast<char>(0x55));
  std::ofstream(Path("corrupt.jpg"), std::ios::binary) << corrupt;
  EXPECT_FALSE(ReadImage(Path("corrupt.jpg"), &image, &error_));
  EXPECT_NE(error_.find("JPEG"), std::string::npos) << error_;
}

TEST_F(ImageIoTest, FailedWritesLeaveTheDestinationIntact) {
  const Image image = Pattern(6, 4, 3);
  ASSERT_TRUE(WriteImage(Path("keep.png"), image, &error_)) << error_;
  ASSERT_TRUE(WriteImage(Path("keep.jpg"), image, &error_)) << error_;
  const std::string png = FileText(Path("keep.png"));
  const std::string jpeg = FileText(Path("keep.jpg"));

  // Refused before anything is written: a buffer of the wrong size, two
  // channels, a bad quality.
  Image shortBuffer = image;
  shortBuffer.pixels.pop_back();
  EXPECT_FALSE(WriteImage(Path("keep.png"), shortBuffer, &error_));
  Image twoChannels{3, 4, 2, std::vector<uint8_t>(24)};
  EXPECT_FALSE(WriteImage(Path("keep.png"), twoChannels, &error_));
  EXPECT_FALSE(WriteImage(Path("keep.jpg"), image, &error_, 0));

  // Refused by libjpeg after the temporary file exists: wider than JPEG allows.
  EXPECT_FALSE(
      WriteImage(Path("keep.jpg"), Image{65501, 1, 1, std::vector<uint8_t>(65501)}, &error_));
  EXPECT_NE(error_.find("keep.jpg: "), std::string::npos) << error_;

  // Refused when renaming: the destination is a directory.
  fs::create_directory(Path("taken.png"));
  std::ofstream(dir_ / "taken.png" / "inside") << 'x';
  EXPECT_FALSE(WriteImage(Path("taken.png"), image, &error_));
  EXPECT_TRUE(fs::is_directory(Path("taken.png")));

  // Refused when creating: no such directory.
  EXPECT_FALSE(WriteImage(Path("nowhere/out.png"), image, &error_));
  EXPECT_NE(error_.find("nowhere/out.png"), std::string::npos) << error_;

  EXPECT_EQ(FileText(Path("keep.png")), png);
  EXPECT_EQ(FileText(Path("keep.jpg")), jpeg);
  EXPECT_EQ(FileCount(), 3u);  // keep.png, keep.jpg, taken.png: no temporary files
}

TEST(ToRgbTest, RepeatsGreyDropsAlphaAndRejectsInvalidImages) {
  const Image grey{2, 1, 1, {7, 200}};
  EXPECT_EQ(ToRgb(grey).pixels, (std::vector<uint8_t>{7, 7, 7, 200, 200, 200}));
  const Image rgba{2, 1, 4, {1, 2, 3, 4, 5, 6, 7, 8}};
  const Image rgb = ToRgb(rgba);
  EXPECT_TRUE(rgb.channels == 3 && rgb.width == 2);
  EXPECT_EQ(rgb.pixels, (std::vector<uint8_t>{1, 2, 3, 5, 6, 7}));
  EXPECT_EQ(ToRgb(rgb).pixels, rgb.pixels);
  EXPECT_TRUE(ToRgb(Image{2, 1, 4, {1, 2, 3}}).pixels.empty());
}

}  // namespace
}  // namespace pxb
