// Runs the built pxrender and reads back what it wrote.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/common/image_files.h"
#include "tests/common/run_tool.h"
#include "tests/common/temp_dir.h"

namespace pxb {
namespace {

namespace fs = std::filesystem;

class PxrenderTest : public ::testing::Test {
 protected:
  // Runs pxrender with `arguments`; returns its exit status and keeps its
  // error output in errors_.
  int Run(const std::string& arguments) {
    const testing::ToolRun r = testing::RunTool(PXRENDER_PATH, arguments, dir_.path().string());
    errors_ = r.err;
    return r.status;
  }

  Image Render(const std::string& arguments, const std::string& name) {
    const std::string out = dir_ / name;
    EXPECT_EQ(Run(arguments + " -o '" + out + "'"), 0) << errors_;
    return testing::ReadOrFail(out);
  }

  testing::TempDir dir_{"pxb_pxrender"};
  std::string errors_;
};

uint8_t At(const Image& image, int x, int y, int channel) {
  return image.Row(y)[x * image.channels + channel];
}

TEST_F(PxrenderTest, RendersTheTreeAtTheRequestedSize) {
  const Image smooth = Render("--size 64x48", "smooth.png");
  const Image nearest = Render("--size 64x48 --smooth 0", "nearest.png");
  for (const Image* image : {&smooth, &nearest}) {
    ASSERT_EQ(image->width, 64);
    ASSERT_EQ(image->height, 48);
    ASSERT_EQ(image->channels, 3);
  }
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 64; ++x) {
      // Red is x quantised: 256 · x / 64.
      EXPECT_EQ(At(smooth, x, y, 0), 4 * x);
      // Blue grows down the picture and is the same along a row.
      EXPECT_EQ(At(smooth, x, y, 2), At(smooth, 0, y, 2));
      if (y > 0) {
        EXPECT_GE(At(smooth, x, y, 2), At(smooth, x, y - 1, 2));
      }
      // The 8 x 8 map covers 8 x 6 pixels per cell. Nearest-pixel sampling
      // is flat within a cell; both modes agree at a cell's top-left corner.
      const int cornerX = x / 8 * 8;
      const int cornerY = y / 6 * 6;
      EXPECT_EQ(At(nearest, x, y, 1), At(nearest, cornerX, cornerY, 1));
      if (x == cornerX && y == cornerY) {
        EXPECT_EQ(At(smooth, x, y, 1), At(nearest, x, y, 1));
      }
    }
  }
  // Bilinear sampling blends towards the neighbouring cell inside a cell.
  EXPECT_NE(At(smooth, 4, 3, 1), At(nearest, 4, 3, 1));
  EXPECT_LT(At(smooth, 0, 0, 2), At(smooth, 0, 47, 2));
}

TEST_F(PxrenderTest, BadArgumentsFailWithAMessage) {
  const std::string out = "-o '" + (dir_ / "out.png").string() + "'";
  for (const std::string& arguments : std::vector<std::string>{
           "--size 0x48 " + out, "--size 64 " + out, "--size 64x48x2 " + out, "--size x48 " + out,
           "--size 99999x99999 " + out, "--smooth 2 " + out, "--size 64x48",
           "-o '" + (dir_ / "out.bmp").string() + "'", "--frobnicate " + out}) {
    SCOPED_TRACE(arguments);
    EXPECT_NE(Run(arguments), 0);
    EXPECT_FALSE(errors_.empty());
  }
  EXPECT_FALSE(fs::exists(dir_ / "out.png"));
  EXPECT_FALSE(fs::exists(dir_ / "out.bmp"));
}

}  // namespace
}  // namespace pxb
