// pxhost end to end: its exit status and printed codes, and its output next
// to the final pass of `pixbreed apply` on the same member and image.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "tests/common/image_files.h"
#include "tests/common/run_tool.h"
#include "tests/common/temp_dir.h"

namespace pxb {
namespace {

namespace fs = std::filesystem;

const std::string kSample = std::string(PXB_SAMPLE_DIR) + "/sample.png";

class PxhostTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return dir_ / name; }

  // Runs tool with arguments; returns its exit status, keeps all it printed.
  int Run(const char* tool, const std::string& arguments) {
    const testing::ToolRun r = testing::RunTool(tool, arguments, dir_.path().string());
    output_ = r.out + r.err;
    return r.status;
  }
  int Pxhost(const std::string& arguments) { return Run(PXHOST_PATH, arguments); }
  int Pixbreed(const std::string& arguments) { return Run(PIXBREED_PATH, arguments); }

  // The sample in another shape: grey (its red channel) or with an alpha.
  Image Sample(int channels) {
    const Image rgb = testing::ReadOrFail(kSample);
    Image out;
    std::string error;
    EXPECT_TRUE(AllocateImage(&out, rgb.width, rgb.height, channels, &error)) << error;
    for (std::size_t i = 0; i < static_cast<std::size_t>(rgb.width) * rgb.height; ++i) {
      for (int c = 0; c < channels; ++c) {
        out.pixels[i * channels + c] =
            c < 3 ? rgb.pixels[i * 3 + c] : static_cast<std::uint8_t>(i % 251);
      }
    }
    return out;
  }

  testing::TempDir dir_{"pxb_pxhost"};
  std::string output_;
};

TEST_F(PxhostTest, PicksTheMemberPixbreedApplies) {
  const struct {
    int channels;
    const char* grey;
  } shapes[] = {{3, ""}, {1, " --grey"}, {4, ""}};
  for (const auto& shape : shapes) {
    const std::string image = Path("in.png");
    testing::WriteOrFail(image, Sample(shape.channels));
    const std::string session = Path("s.gds");
    fs::remove(session);
    ASSERT_EQ(Pixbreed("new '" + session + "' --seed 11" + shape.grey), 0) << output_;
    ASSERT_EQ(
        Pxhost("'" + image + "' -o '" + Path("h.png") + "' --session '" + session + "' --pick 3"),
        0)
        << output_;
    ASSERT_EQ(
        Pixbreed("apply '" + session + "' '" + image + "' -o '" + Path("a.png") + "' --threads 1"),
        0)
        << output_;
    const Image applied = testing::ReadOrFail(Path("a.png"));
    EXPECT_EQ(testing::ReadOrFail(Path("h.png")).pixels, applied.pixels) << shape.channels;
  }
}

TEST_F(PxhostTest, PrintsEveryResultAndExitsByThem) {
  const std::string session = " --session '" + Path("s.gds") + "'";
  const std::string out = " -o '" + Path("o.png") + "'";
  const Image sample = testing::ReadOrFail(kSample);

  EXPECT_EQ(Pxhost("'" + kSample + "'" + out + session + " --repeat --no-handle-procs"), 0);
  EXPECT_NE(output_.find("run\nparameters: 0\nprepare: 0\nstart: 0\nfinish: 0\n"
                         "repeat\nprepare: 0\nstart: 0\nfinish: 0\n"),
            std::string::npos)
      << output_;
  EXPECT_EQ(output_.find("problem"), std::string::npos) << output_;

  for (const char* stop : {" --cancel", " --abort-at 2"}) {
    EXPECT_EQ(Pxhost("'" + kSample + "'" + out + session + stop), 2) << stop;
    EXPECT_NE(output_.find("start: -128"), std::string::npos) << output_;
    EXPECT_EQ(output_.find("finish"), std::string::npos) << output_;
    EXPECT_EQ(testing::ReadOrFail(Path("o.png")).pixels, sample.pixels) << stop;
  }

  EXPECT_EQ(Pxhost("'" + Path("none.png") + "'" + out), 1);
  EXPECT_EQ(Pxhost("'" + kSample + "'" + out + " --mode paint"), 1);
}

// --repeat-only is a host repeating a filter it never ran: --session has no
// chooser to answer then. A host that kept `parameters` from a run in
// another process repeats that session's chosen member.
TEST_F(PxhostTest, RepeatOnlyIgnoresSessionAndRepeatsAKeptOne) {
  const std::string session = Path("s.gds");
  ASSERT_EQ(Pixbreed("new '" + session + "' --seed 11"), 0) << output_;
  ASSERT_EQ(Pixbreed("pick '" + session + "' 3"), 0) << output_;
  const std::string in = "'" + kSample + "' -o ";
  EXPECT_EQ(Pxhost(in + "'" + Path("o.png") + "' --session '" + session + "' --repeat-only"), 2);
  EXPECT_NE(output_.find("start: -19"), std::string::npos) << output_;
  ASSERT_EQ(Pxhost(in + "'" + Path("k.png") + "' --kept-session '" + session + "' --repeat-only"),
            0)
      << output_;
  ASSERT_EQ(
      Pixbreed("apply '" + session + "' '" + kSample + "' -o '" + Path("a.png") + "' --threads 1"),
      0)
      << output_;
  EXPECT_EQ(testing::ReadOrFail(Path("k.png")).pixels, testing::ReadOrFail(Path("a.png")).pixels);
}

TEST_F(PxhostTest, MultichannelAsTheFirstImageIsAll255) {
  const std::string session = " --session '" + Path("s.gds") + "'";
  ASSERT_EQ(Pxhost("'" + kSample + "' -o '" + Path("m.png") + "' --mode multichannel" + session), 0)
      << output_;
  const Image multi = testing::ReadOrFail(Path("m.png"));
  EXPECT_EQ(multi.pixels, std::vector<std::uint8_t>(multi.pixels.size(), 255));
}

}  // namespace
}  // namespace pxb
