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

  // Runs tool with arguments (DIR/ standing for the test's directory);
  // returns its exit status, keeps all it printed.
  int Run(const char* tool, std::string arguments) {
    for (size_t at = arguments.find("DIR/"); at != std::string::npos; at = arguments.find("DIR/"))
      arguments.replace(at, 4, "'" + dir_.path().string() + "/'");
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
  for (const auto& [channels, grey] : {std::pair{3, ""}, std::pair{1, " --grey"}, {4, ""}}) {
    testing::WriteOrFail(Path("in.png"), Sample(channels));
    fs::remove(Path("s.gds"));
    ASSERT_EQ(Pixbreed(std::string("new DIR/s.gds --seed 11") + grey), 0) << output_;
    ASSERT_EQ(Pxhost("DIR/in.png -o DIR/h.png --session DIR/s.gds --pick 3"), 0) << output_;
    ASSERT_EQ(Pixbreed("apply DIR/s.gds DIR/in.png -o DIR/a.png --threads 1"), 0) << output_;
    EXPECT_EQ(testing::ReadOrFail(Path("h.png")).pixels, testing::ReadOrFail(Path("a.png")).pixels)
        << channels;
  }
}

TEST_F(PxhostTest, PrintsEveryResultAndExitsByThem) {
  const std::string in = "'" + kSample + "' -o DIR/o.png --session DIR/s.gds";
  // Repeats in a host without handle procedures and in one that keeps only
  // the parameters handle between the runs.
  for (const char* repeat : {" --repeat --no-handle-procs", " --repeat --keep-only-parameters"}) {
    EXPECT_EQ(Pxhost(in + repeat), 0) << repeat;
    EXPECT_NE(output_.find("run\nparameters: 0\nprepare: 0\nstart: 0\nfinish: 0\n"
                           "repeat\nprepare: 0\nstart: 0\nfinish: 0\n"),
              std::string::npos)
        << output_;
    EXPECT_EQ(output_.find("problem"), std::string::npos) << output_;
  }
  for (const char* stop : {" --cancel", " --abort-at 2"}) {
    EXPECT_EQ(Pxhost(in + stop), 2) << stop;
    EXPECT_NE(output_.find("start: -128"), std::string::npos) << output_;
    EXPECT_EQ(output_.find("finish"), std::string::npos) << output_;
    EXPECT_EQ(testing::ReadOrFail(Path("o.png")).pixels, testing::ReadOrFail(kSample).pixels);
  }
  EXPECT_EQ(Pxhost("DIR/none.png -o DIR/o.png"), 1);
  EXPECT_EQ(Pxhost(in + " --mode paint"), 1);
  // Multichannel as the first image: no colour planes, all filtered to 255.
  ASSERT_EQ(Pxhost("'" + kSample + "' -o DIR/m.png --session DIR/m.gds --mode multichannel"), 0)
      << output_;
  const Image multi = testing::ReadOrFail(Path("m.png"));
  EXPECT_EQ(multi.pixels, std::vector<std::uint8_t>(multi.pixels.size(), 255));
}

// --repeat-only is a host repeating a filter it never ran: --session has no
// chooser to answer then. A host that kept `parameters` from a run in
// another process repeats that session's chosen member.
TEST_F(PxhostTest, RepeatOnlyIgnoresSessionAndRepeatsAKeptOne) {
  ASSERT_EQ(Pixbreed("new DIR/s.gds --seed 11"), 0) << output_;
  ASSERT_EQ(Pixbreed("pick DIR/s.gds 3"), 0) << output_;
  const std::string in = "'" + kSample + "'";
  EXPECT_EQ(Pxhost(in + " -o DIR/o.png --session DIR/s.gds --repeat-only"), 2);
  EXPECT_NE(output_.find("start: -19"), std::string::npos) << output_;
  ASSERT_EQ(Pxhost(in + " -o DIR/k.png --kept-session DIR/s.gds --repeat-only"), 0) << output_;
  ASSERT_EQ(Pixbreed("apply DIR/s.gds " + in + " -o DIR/a.png --threads 1"), 0) << output_;
  EXPECT_EQ(testing::ReadOrFail(Path("k.png")).pixels, testing::ReadOrFail(Path("a.png")).pixels);
}

}  // namespace
}  // namespace pxb
