// The plug-in inside GIMP, run in batch mode without a display: filtering
// through the non-interactive procedure gives the bytes of `pixbreed apply`
// for the same member, and a selection keeps every pixel outside it.
//
// One GIMP process (it takes seconds to start) runs every case; the suite's
// set-up writes the Script-Fu for all of them and the tests read the images
// it saved.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/common/image_files.h"
#include "tests/gimp/gimp_run.h"

namespace pxb {
namespace {

namespace fs = std::filesystem;

struct Case {
  const char* name;
  // "rgb", "rgba", "grey" or "greya"; "rgb16" is turned into 16-bit
  // components after its 8-bit input was saved.
  const char* variant;
  const char* file;  // session or filter file in the work folder
  int member;        // -1: the picked one
  // Run as GIMP's "Repeat" (with last values) instead of naming file and
  // member: the case before it used a session, so this gives its picked one.
  bool repeat = false;
};

// Grey images with alpha are read back as RGBA, which only a one-channel tree
// fills with equal values; so those run the grey session.
const Case kCases[] = {
    {"rgb_member0", "rgb", "colour.gds", 0},       {"rgb_picked", "rgb", "colour.gds", -1},
    {"rgba_member5", "rgba", "colour.gds", 5},     {"grey_member2", "grey", "grey.gds", 2},
    {"greya_picked", "greya", "grey.gds", -1},     {"grey_colour_tree", "grey", "colour.gds", 4},
    {"rgb_filter_file", "rgb", "filter.gdo", -1},  {"rgb_grey_tree", "rgb", "grey.gds", 7},
    {"rgba_repeat", "rgba", "grey.gds", -1, true}, {"rgb16_member3", "rgb16", "colour.gds", 3},
};

using testing::Quoted;
using testing::ReadOrFail;
using testing::Shell;

fs::path& WorkDir() {
  static fs::path dir;
  return dir;
}

// Script-Fu that loads the sample, turns it into the variant (with a
// transparent corner when it has alpha) and saves that as the input.
std::string LoadVariant(const std::string& variant, const fs::path& input) {
  std::ostringstream s;
  s << "(image (car (gimp-file-load RUN-NONINTERACTIVE " << Quoted(PXB_SAMPLE) << " \"s\")))"
    << "(layer (car (gimp-image-get-active-layer image))))";
  if (variant.starts_with("grey")) s << "(gimp-image-convert-grayscale image)";
  if (variant.ends_with('a')) {
    s << "(gimp-layer-add-alpha layer)"
      << "(gimp-image-select-rectangle image CHANNEL-OP-REPLACE 0 0 60 40)"
      << "(gimp-drawable-edit-clear layer)(gimp-selection-none image)";
  }
  s << "(file-png-save2 RUN-NONINTERACTIVE image layer " << Quoted(input)
    << " \"i\" 0 9 0 0 0 0 0 0 1)";
  if (variant.ends_with("16")) s << "(gimp-image-convert-precision image PRECISION-U16-GAMMA)";
  return s.str();
}

std::string SaveAndClose(const fs::path& output) {
  return "(file-png-save2 RUN-NONINTERACTIVE image layer " + Quoted(output) +
         " \"o\" 0 9 0 0 0 0 0 0 1)(gimp-image-delete image))";
}

class GimpBatch : public ::testing::Test {
 protected:
  // Both suites share one run of GIMP.
  static void SetUpTestSuite() {
    static bool prepared = false;
    if (prepared) return;
    prepared = true;
    const fs::path dir = WorkDir() = testing::PrepareGimpWorkDir("pxb_gimp_");
    for (const char* command :
         {"new colour.gds --seed 4242", "breed colour.gds --rate 0=5 --rate 2=95",
          "pick colour.gds 1", "new grey.gds --grey --seed 77", "pick grey.gds 6",
          "export colour.gds 3 filter.gdo"}) {
      ASSERT_EQ(Shell("cd " + Quoted(dir) + " && " + Quoted(PXB_PIXBREED) + " " + command +
                      " > /dev/null 2>&1"),
                0)
          << command;
    }

    std::ofstream script(dir / "batch.scm");
    for (const Case& c : kCases) {
      script << "(let* (" << LoadVariant(c.variant, dir / (std::string(c.name) + "_in.png"))
             << "(plug-in-pixbreed "
             << (c.repeat ? "RUN-WITH-LAST-VALS image layer \"\" 0)"
                          : "RUN-NONINTERACTIVE image layer " + Quoted(dir / c.file) + " " +
                                std::to_string(c.member) + ")")
             << SaveAndClose(dir / (std::string(c.name) + "_out.png")) << "\n";
    }
    // The selection: a feathered ellipse, saved as a mask beside the result.
    script << "(let* (" << LoadVariant("rgb", dir / "selection_in.png")
           << "(gimp-context-set-feather TRUE)(gimp-context-set-feather-radius 12 12)"
           << "(gimp-image-select-ellipse image CHANNEL-OP-REPLACE 70 50 260 160)"
           << "(let ((mask (car (gimp-selection-save image))))"
           << "(file-png-save2 RUN-NONINTERACTIVE image mask " << Quoted(dir / "selection_mask.png")
           << " \"m\" 0 9 0 0 0 0 0 0 1))"
           << "(plug-in-pixbreed RUN-NONINTERACTIVE image layer " << Quoted(dir / "colour.gds")
           << " 2)(gimp-selection-none image)" << SaveAndClose(dir / "selection_out.png") << "\n";
    script << "(gimp-quit 0)\n";
    script.close();

    const std::string gimp = "GIMP2_DIRECTORY=" + Quoted(dir / "profile") + " " +
                             Quoted(PXB_GIMP_CONSOLE) + " -i -d -f -b - < " +
                             Quoted(dir / "batch.scm") + " > " + Quoted(dir / "gimp.log") + " 2>&1";
    ASSERT_EQ(Shell(gimp), 0) << "see " << (dir / "gimp.log");
  }

  static Image Read(const std::string& name) { return ReadOrFail(WorkDir() / name); }
};

class GimpApply : public GimpBatch, public ::testing::WithParamInterface<Case> {};

TEST_P(GimpApply, GivesTheBytesOfPixbreedApply) {
  const Case& c = GetParam();
  const fs::path dir = WorkDir();
  const std::string target =
      std::string(c.file) + (c.member >= 0 && !std::string(c.file).ends_with(".gdo")
                                 ? ":" + std::to_string(c.member)
                                 : "");
  const std::string in = (dir / (std::string(c.name) + "_in.png")).string();
  const std::string reference = (dir / (std::string(c.name) + "_apply.png")).string();
  ASSERT_EQ(Shell(Quoted(PXB_PIXBREED) + " apply " + Quoted(dir / target) + " " + Quoted(in) +
                  " -o " + Quoted(reference) + " > /dev/null 2>&1"),
            0);
  const Image expected = Read(std::string(c.name) + "_apply.png");
  const Image actual = Read(std::string(c.name) + "_out.png");
  const Image input = Read(std::string(c.name) + "_in.png");
  ASSERT_EQ(actual.width, expected.width);
  ASSERT_EQ(actual.height, expected.height);
  ASSERT_EQ(actual.channels, expected.channels);
  if (!std::string(c.variant).ends_with("16")) {
    EXPECT_TRUE(actual.pixels == expected.pixels);
  } else {
    // 16-bit components hold the values themselves: read back at 8 bits
    // they round where the final pass truncates, so they differ by at most
    // one code, and somewhere they do differ.
    int largest = 0;
    for (size_t i = 0; i < actual.pixels.size(); ++i)
      largest = std::max(largest, std::abs(actual.pixels[i] - expected.pixels[i]));
    EXPECT_EQ(largest, 1);
  }
  EXPECT_FALSE(actual.pixels == input.pixels) << "the plug-in left the image as it was";
}

INSTANTIATE_TEST_SUITE_P(Cases, GimpApply, ::testing::ValuesIn(kCases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(GimpBatch, ChangesNothingOutsideTheSelection) {
  const Image input = Read("selection_in.png");
  const Image output = Read("selection_out.png");
  const Image mask = Read("selection_mask.png");
  ASSERT_EQ(output.pixels.size(), input.pixels.size());
  ASSERT_EQ(mask.width, input.width);
  ASSERT_EQ(mask.height, input.height);
  int64_t outside = 0, changedInside = 0;
  for (int32_t y = 0; y < input.height; ++y) {
    for (int32_t x = 0; x < input.width; ++x) {
      const size_t at = (static_cast<size_t>(y) * input.width + x) * input.channels;
      const bool same =
          std::equal(input.pixels.begin() + at, input.pixels.begin() + at + input.channels,
                     output.pixels.begin() + at);
      if (mask.Row(y)[static_cast<size_t>(x) * mask.channels] == 0) {
        ++outside;
        EXPECT_TRUE(same) << "pixel (" << x << ", " << y << ") outside the selection changed";
        if (!same) return;
      } else if (!same) {
        ++changedInside;
      }
    }
  }
  EXPECT_GT(outside, 0);
  EXPECT_GT(changedInside, 0);
}

// The work folder goes when every test has passed; after a failure it stays
// for a look at GIMP's log and the images.
class RemoveWorkDir : public ::testing::Environment {
 public:
  void TearDown() override {
    if (::testing::UnitTest::GetInstance()->Passed()) fs::remove_all(WorkDir());
  }
};
const auto* const kRemoveWorkDir = ::testing::AddGlobalTestEnvironment(new RemoveWorkDir);

}  // namespace
}  // namespace pxb
