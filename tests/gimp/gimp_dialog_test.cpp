// The breeding dialog inside GIMP, on a virtual display: GIMP in batch mode
// runs the plug-in interactively twice, and dialog scripts drive the GTK
// dialogs as a user would. The first run takes the test host's session
// script (NEXT steps, a filter saved and loaded, screenshots, a pick); the
// second opens that session again and switches to a new one before picking.
// Each pick must filter the image exactly as `pixbreed apply` does.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>

#include "tests/common/image_files.h"
#include "tests/common/run_tool.h"
#include "tests/gimp/gimp_run.h"

namespace {

namespace fs = std::filesystem;

using pxb::testing::FileText;
using pxb::testing::Quoted;
using pxb::testing::ReadOrFail;
using pxb::testing::Shell;

fs::path& WorkDir() {
  static fs::path dir;
  return dir;
}

// One interactive run on the sample, saved to output.
void RunGimp(const std::string& script, const std::string& output, const std::string& log) {
  const fs::path dir = WorkDir();
  std::ofstream scm(dir / (output + ".scm"));
  scm << "(let* ((image (car (file-png-load RUN-NONINTERACTIVE " << Quoted(PXB_SAMPLE)
      << " \"s\")))(layer (car (gimp-image-get-active-layer image))))"
      << "(plug-in-pixbreed RUN-INTERACTIVE image layer \"\" 0)"
      << "(file-png-save2 RUN-NONINTERACTIVE image layer " << Quoted(dir / output)
      << " \"o\" 0 9 0 0 0 0 0 0 0)(gimp-image-delete image))\n(gimp-quit 0)\n";
  scm.close();
  const std::string command =
      "cd " + Quoted(dir) + " && PXB_UI_SCRIPT=" + Quoted(script) +
      " PXB_UI_SESSION=" + Quoted(dir / "first.gds") + " PXB_UI_LOG=" + Quoted(dir / log) +
      " GIMP2_DIRECTORY=" + Quoted(dir / "profile") + " " + Quoted(PXB_XVFB_RUN) + " -a " +
      Quoted(PXB_GIMP) + " -i -d -f -b - < " + Quoted(dir / (output + ".scm")) + " >> " +
      Quoted(dir / "gimp.log") + " 2>&1";
  ASSERT_EQ(Shell(command), 0) << "see " << (dir / "gimp.log");
}

// `pixbreed apply` of target ("session.gds:k") to the sample, beside output.
void Apply(const std::string& target, const std::string& output) {
  const fs::path dir = WorkDir();
  ASSERT_EQ(
      Shell(Quoted(PXB_PIXBREED) + " apply " + Quoted(dir / target) + " " + Quoted(PXB_SAMPLE) +
            " -o " + Quoted(dir / (output + ".apply.png")) + " > /dev/null 2>&1"),
      0);
}

class GimpDialog : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    WorkDir() = pxb::testing::PrepareGimpWorkDir("pxb_gimp_dialog_");
    // The second run breeds in the first session before it switches, so
    // the first pick is applied before it.
    RunGimp(PXB_SESSION_SCRIPT, "first_out.png", "first.log");
    Apply("first.gds:3", "first_out.png");
    RunGimp(PXB_SWITCH_SCRIPT, "second_out.png", "second.log");
    Apply("second.gds:0", "second_out.png");
  }
};

// Both scripts ran to their end; the screenshots are the dialogs' windows
// at their laid-out sizes; and each run's pick filtered the image as
// `pixbreed apply` filters it.
TEST_F(GimpDialog, ScriptsRunToTheEndAndPicksFilterLikeApply) {
  for (const char* log : {"first.log", "second.log"})
    EXPECT_TRUE(FileText(WorkDir() / log).ends_with("\ncompleted\n")) << log;
  EXPECT_TRUE(fs::exists(WorkDir() / "favourite.gdo"));
  for (const auto& [file, width, height] :
       {std::tuple{"main.png", 644, 520}, std::tuple{"selection.png", 419, 465}}) {
    const pxb::Image shot = ReadOrFail(WorkDir() / file);
    EXPECT_EQ(shot.width, width) << file;
    EXPECT_EQ(shot.height, height) << file;
  }
  for (const char* output : {"first_out.png", "second_out.png"}) {
    const pxb::Image expected = ReadOrFail(WorkDir() / (std::string(output) + ".apply.png"));
    const pxb::Image actual = ReadOrFail(WorkDir() / output);
    ASSERT_EQ(actual.width, expected.width) << output;
    ASSERT_EQ(actual.height, expected.height) << output;
    EXPECT_TRUE(actual.pixels == expected.pixels) << output;
  }
}

}  // namespace
