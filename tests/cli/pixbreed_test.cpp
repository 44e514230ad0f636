// End-to-end runs of the pixbreed command line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "evolution/breeding_step.h"
#include "evolution/learning_block.h"
#include "evolution/session_file.h"
#include "primitives/registration.h"
#include "storage/session_store.h"
#include "tests/common/image_files.h"
#include "tests/common/run_tool.h"
#include "tests/common/temp_dir.h"
#include "tests/common/treeless.h"

namespace {

namespace fs = std::filesystem;

using Outcome = pxb::testing::ToolRun;

class PixbreedTest : public ::testing::Test {
 protected:
  std::string P(const std::string& name) const { return dir_ / name; }

  // Runs pixbreed with the arguments; its error output stays in err_.
  Outcome Pixbreed(const std::string& args) {
    Outcome r = pxb::testing::RunTool(PIXBREED_PATH, args, dir_.path().string());
    err_ = r.err;
    return r;
  }
  static std::string Bytes(const std::string& path) { return pxb::testing::FileText(path); }
  static pxb::Image Read(const std::string& path) { return pxb::testing::ReadOrFail(path); }

  pxb::testing::TempDir dir_{"pxb-cli"};
  std::string err_;
  const std::string sample_ = SAMPLE_IMAGE;
};

std::vector<std::string> Lines(const std::string& s) {
  std::vector<std::string> lines;
  std::stringstream in(s);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

// new, show and tree agree; a filter exported from a session regrows the
// same tree on its own and when imported; a grey session stays grey whatever
// member 0 is.
TEST_F(PixbreedTest, NewShowTreeExportAndImportAgree) {
  ASSERT_EQ(Pixbreed("new " + P("s.gds") + " --seed 77 --previews 4").status, 0);
  const Outcome show = Pixbreed("show " + P("s.gds"));
  ASSERT_EQ(show.status, 0);
  EXPECT_NE(show.out.find("previews: 4\nchosen member: -1\n"), std::string::npos);
  EXPECT_NE(show.out.find("member 5: colour, seed 357 77 5"), std::string::npos);
  const auto lines = Lines(Pixbreed("tree " + P("s.gds")).out);
  ASSERT_EQ(lines.size(), 9u);
  for (int k = 0; k < 9; ++k) {
    ASSERT_EQ(lines[k].rfind(std::to_string(k) + "\t(", 0), 0u);
    EXPECT_EQ(Pixbreed("tree " + P("s.gds") + ":" + std::to_string(k)).out,
              lines[k].substr(2) + "\n");
    EXPECT_NE(show.out.find(lines[k].substr(2)), std::string::npos);
  }
  // The same seed gives the same session.
  ASSERT_EQ(Pixbreed("new " + P("t.gds") + " --seed 77 --previews 4").status, 0);
  EXPECT_EQ(Bytes(P("s.gds")), Bytes(P("t.gds")));

  ASSERT_EQ(Pixbreed("export " + P("s.gds") + " 6 " + P("f.gdo")).status, 0);
  const std::string six = Pixbreed("tree " + P("s.gds") + ":6 --view 80x60 --grid 256").out;
  EXPECT_EQ(Pixbreed("tree " + P("f.gdo") + " --view 80x60 --grid 256").out, six);
  EXPECT_NE(six.find("map=256x256:"), std::string::npos);
  ASSERT_EQ(Pixbreed("import " + P("s.gds") + " 1 " + P("f.gdo")).status, 0);
  EXPECT_EQ(Pixbreed("tree " + P("s.gds") + ":1 --view 80x60 --grid 256").out, six);

  ASSERT_EQ(Pixbreed("new " + P("grey.gds") + " --grey --seed 3").status, 0);
  EXPECT_NE(Pixbreed("show " + P("grey.gds")).out.find("member 0: unit"), std::string::npos);
  ASSERT_EQ(Pixbreed("import " + P("grey.gds") + " 0 " + P("f.gdo")).status, 0);
  ASSERT_EQ(Pixbreed("breed " + P("grey.gds") + " --rate 0=0").status, 0);
  const std::string shown = Pixbreed("show " + P("grey.gds")).out;
  for (int k = 0; k < 3; ++k)
    EXPECT_NE(shown.find("member " + std::to_string(k) + ": unit"), std::string::npos) << shown;
}

// The reference for `breed`: the same steps in this process, the session
// written and read again between them, each step regrowing the shown
// members once before rating, as the dialog's previews do.
void BreedInProcess(const std::string& path, const int32_t (*positions)[3], int steps) {
  pxb::RegisterPrimitives();
  for (int step = 0; step < steps; ++step) {
    pxb::Population p{};
    pxb::SessionHeader h{};
    std::string error;
    ASSERT_TRUE(pxb::LoadSession(path, &p, &h, &error)) << error;
    p.rootType = pxb::GlobalLearning().rootType;
    for (int k = 0; k < 3; ++k) {
      p.views[k].width = 64;
      p.views[k].height = 64;
      pxb::RegrowMember(&p.members[k], &p.views[k]);
    }
    pxb::BreedingFrontEnd none;
    pxb::BreedStep(&p, 3, positions[step], 1700000000 + step, &none);
    ASSERT_TRUE(pxb::SaveSession(path, p, &h, &error)) << error;
    pxb::ReleasePopulation(&p);
  }
}

TEST_F(PixbreedTest, BreedProcessesEqualStepsWithTheSessionReopenedBetween) {
  ASSERT_EQ(Pixbreed("new " + P("cli.gds") + " --seed 41").status, 0);
  fs::copy_file(P("cli.gds"), P("ref.gds"));
  const int32_t positions[3][3] = {{0, 100, 30}, {50, 10, 90}, {100, 0, 50}};
  for (int step = 0; step < 3; ++step) {
    std::string args = "breed " + P("cli.gds") + " --time " + std::to_string(1700000000 + step);
    for (int k = 0; k < 3; ++k)
      args += " --rate " + std::to_string(k) + "=" + std::to_string(positions[step][k]);
    ASSERT_EQ(Pixbreed(args).status, 0) << err_;
  }
  BreedInProcess(P("ref.gds"), positions, 3);
  EXPECT_EQ(Pixbreed("tree " + P("cli.gds")).out, Pixbreed("tree " + P("ref.gds")).out);
  EXPECT_EQ(Bytes(P("cli.gds")), Bytes(P("ref.gds")));
}

// A breed replaces only the shown members; undo restores the session of n
// steps earlier, and history lists the steps.
TEST_F(PixbreedTest, UndoRestoresTheSessionOfNStepsEarlierAndHistoryListsThem) {
  ASSERT_EQ(Pixbreed("new " + P("s.gds") + " --seed 12").status, 0);
  const auto before = Lines(Pixbreed("tree " + P("s.gds")).out);
  ASSERT_EQ(Pixbreed("breed " + P("s.gds") + " --rate 0=0 --time 100").status, 0);
  const auto after = Lines(Pixbreed("tree " + P("s.gds")).out);
  ASSERT_EQ(after.size(), 9u);
  for (int k = 0; k < 9; ++k)
    EXPECT_EQ(after[k] == before[k], k >= 3) << k;
  const std::string earlier = Bytes(P("s.gds"));
  ASSERT_EQ(Pixbreed("breed " + P("s.gds") + " --rate 1=100 --time 200").status, 0);
  ASSERT_EQ(Pixbreed("breed " + P("s.gds") + " --rate 2=0 --rate 0=90 --time 300").status, 0);
  ASSERT_EQ(Pixbreed("breed " + P("s.gds") + " --time 400").status, 0);
  const auto history = Lines(Pixbreed("history " + P("s.gds")).out);
  ASSERT_EQ(history.size(), 7u);
  EXPECT_EQ(history[2], "steps: 4");
  EXPECT_EQ(history[4], "2: 1970-01-01 00:05:00 UTC, 3 members, sliders 0=90 1=50 2=0");
  for (int i = 0; i < 3; ++i)
    ASSERT_EQ(Pixbreed("undo " + P("s.gds")).status, 0) << err_;
  EXPECT_EQ(Bytes(P("s.gds")), earlier);
  ASSERT_EQ(Pixbreed("undo " + P("s.gds")).status, 0);
  const Outcome nothing = Pixbreed("undo " + P("s.gds"));
  EXPECT_NE(nothing.status, 0);
  EXPECT_NE(err_.find("no breeding step to undo"), std::string::npos) << err_;
}

TEST_F(PixbreedTest, ADamagedLearningBlockIsReportedAndTheMembersStay) {
  ASSERT_EQ(Pixbreed("new " + P("s.gds") + " --seed 14").status, 0);
  ASSERT_EQ(Pixbreed("breed " + P("s.gds") + " --rate 0=0").status, 0);
  const std::string trees = Pixbreed("tree " + P("s.gds")).out;
  std::string bytes = Bytes(P("s.gds"));
  bytes[bytes.size() - 1] = static_cast<char>(bytes.back() ^ 1);  // the checksum
  std::ofstream(P("s.gds"), std::ios::binary | std::ios::trunc) << bytes;
  EXPECT_EQ(Pixbreed("tree " + P("s.gds")).out, trees);
  EXPECT_NE(err_.find("checksum"), std::string::npos) << err_;
  EXPECT_NE(Pixbreed("history " + P("s.gds")).out.find("steps: 0"), std::string::npos);
}

TEST_F(PixbreedTest, ApplyHonoursTheMask) {
  ASSERT_EQ(Pixbreed("new " + P("s.gds") + " --seed 11").status, 0);
  // A member without "dither": unselected pixels draw nothing, so the
  // selected ones are those of the unmasked result.
  const auto trees = Lines(Pixbreed("tree " + P("s.gds")).out);
  ASSERT_EQ(trees.size(), 9u);
  int k = 0;
  while (k < 8 && trees[k].find("(dither") != std::string::npos)
    ++k;
  const std::string plain = P("s.gds") + ":" + std::to_string(k);

  // A mask: 0 keeps the pixel, 255 is the unmasked result.
  const pxb::Image input = Read(sample_);
  pxb::Image mask{input.width, input.height, 1, {}};
  for (int32_t i = 0; i < input.width * input.height; ++i)
    mask.pixels.push_back(i % input.width < input.width / 2 ? 0 : 255);
  pxb::testing::WriteOrFail(P("mask.png"), mask);
  const std::string apply = "apply " + plain + " " + sample_ + " -o ";
  ASSERT_EQ(Pixbreed(apply + P("full.png")).status, 0);
  ASSERT_EQ(Pixbreed(apply + P("masked.png") + " --mask " + P("mask.png")).status, 0);
  const pxb::Image full = Read(P("full.png"));
  const pxb::Image masked = Read(P("masked.png"));
  for (int32_t y = 0; y < input.height; y += 7) {
    for (int32_t x = 0; x < input.width; x += 5) {
      const pxb::Image& want = x < input.width / 2 ? input : full;
      for (int c = 0; c < 3; ++c)
        ASSERT_EQ(masked.Row(y)[3 * x + c], want.Row(y)[3 * x + c]);
    }
  }
}

// Bad input, and commands that would overwrite, write nowhere or work
// without bound, are refused with a message and status 1 (an unknown
// command: the parser's status), and change nothing.
TEST_F(PixbreedTest, BadOrUnsafeRequestsFailClearlyAndChangeNothing) {
  ASSERT_EQ(Pixbreed("new " + P("s.gds") + " --seed 5").status, 0);
  const std::string session = Bytes(P("s.gds"));
  std::ofstream(P("old.gdo")) << "keep";
  const std::string apply0 = "apply " + P("s.gds") + ":0 ";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"new " + P("s.gds"), "exists already"},
      {"new " + P("x.gds") + " --previews 10", "--previews"},
      {"pick " + P("s.gds") + " 9", "not a number from 0 to 8"},
      {"breed " + P("s.gds") + " --rate 4=10", "not shown"},
      {"breed " + P("s.gds") + " --rate 0=101", "slider position"},
      {"apply " + P("s.gds") + " " + sample_ + " -o " + P("o.png"), "no member has been picked"},
      {"apply " + P("s.gds") + ":1 " + P("missing.png") + " -o " + P("o.png"), "missing.png"},
      {"tree " + P("s.gds") + " --view 0x10", "--view"},
      {"tree " + P("missing.gds"), "missing.gds"},
      {"import " + P("s.gds") + " 0 " + P("s.gds"), "s.gds"},
      {"export " + P("s.gds") + " 1 " + P("old.gdo"), "--force"},
      {"export " + P("s.gds") + " 1 " + P("s.gds") + " --force", "session itself"},
      {apply0 + sample_ + " -o " + P("o.png") + " --threads 40000", "--threads"},
      // The output is checked before the (missing) input is even read.
      {apply0 + P("missing.png") + " -o " + P("o.bmp"), "format"},
      {apply0 + sample_ + " -o " + P("o.png") + " --max-pixels 1000", "--max-pixels"},
      {"frobnicate", ""},
  };
  for (const auto& [args, message] : cases) {
    SCOPED_TRACE(args);
    const Outcome r = Pixbreed(args);
    EXPECT_NE(r.status, 0);
    EXPECT_TRUE(r.status == 1 || args == "frobnicate") << r.status;
    EXPECT_NE(err_.find(message), std::string::npos) << err_;
  }
  EXPECT_EQ(Bytes(P("s.gds")), session);
  EXPECT_EQ(Bytes(P("old.gdo")), "keep");
  EXPECT_FALSE(fs::exists(P("o.png")));
  EXPECT_FALSE(fs::exists(P("x.gds")));
  EXPECT_EQ(Pixbreed("export " + P("s.gds") + " 1 " + P("old.gdo") + " --force").status, 0);

  // A truncated session is refused and left as it is.
  const std::string cut = session.substr(0, session.size() / 2);
  std::ofstream(P("cut.gds"), std::ios::binary) << cut;
  EXPECT_NE(Pixbreed("breed " + P("cut.gds")).status, 0);
  EXPECT_NE(err_.find("truncated"), std::string::npos) << err_;
  EXPECT_EQ(Bytes(P("cut.gds")), cut);

  // Output that cannot be written is a failure too.
  const std::string tree = std::string(PIXBREED_PATH) + " tree " + P("s.gds") + ":0";
  EXPECT_NE(std::system((tree + " >/dev/full 2>/dev/null").c_str()), 0);
  EXPECT_EQ(std::system((tree + " >/dev/null").c_str()), 0);

  // A session that may not be written is left alone, and the breed says so.
  fs::permissions(P("s.gds"), fs::perms::owner_read);
  EXPECT_EQ(Pixbreed("breed " + P("s.gds") + " --rate 0=0").status, 1);
  EXPECT_NE(err_.find("not saved"), std::string::npos) << err_;
  EXPECT_EQ(Bytes(P("s.gds")), session);
}

TEST_F(PixbreedTest, PreviewSheetShowsTheShownMembersAndHelpIsEverywhere) {
  ASSERT_EQ(Pixbreed("new " + P("s.gds") + " --seed 21 --previews 5").status, 0);
  ASSERT_EQ(
      Pixbreed("preview " + P("s.gds") + " " + sample_ + " -o " + P("sheet.png") + " --size 100")
          .status,
      0);
  const pxb::Image sheet = Read(P("sheet.png"));
  // Two columns of three boxes of 100 pixels and their labels.
  EXPECT_GT(sheet.width, 200);
  EXPECT_LT(sheet.width, 260);
  EXPECT_GT(sheet.height, 3 * 66);

  EXPECT_EQ(Pixbreed("help").status, 0);
  EXPECT_NE(Pixbreed("help apply").out.find("--mask"), std::string::npos);
  EXPECT_EQ(Pixbreed("apply --help").status, 0);
  EXPECT_NE(Pixbreed("help nosuch").status, 0);
}

// A member that grows no tree ends every render at once: the message names
// it, the status is 1 and nothing is written.
TEST_F(PixbreedTest, AMemberWithoutATreeIsNamedAndNothingIsWritten) {
  pxb::RegisterPrimitives();
  pxb::testing::WriteTreelessSession(P("s.gds"));
  ASSERT_EQ(Pixbreed("export " + P("s.gds") + " 0 " + P("f.gdo")).status, 0) << err_;
  const std::string out = " -o " + P("out.png");
  const std::pair<std::string, std::string> cases[] = {
      {"apply " + P("s.gds") + " " + sample_ + out, "member 0 of " + P("s.gds")},
      {"apply " + P("f.gdo") + " " + sample_ + out + " --threads 3", "the filter in " + P("f.gdo")},
      {"preview " + P("s.gds") + " " + sample_ + out, "member 0 of " + P("s.gds")},
  };
  for (const auto& [args, name] : cases) {
    SCOPED_TRACE(args);
    EXPECT_EQ(Pixbreed(args).status, 1);
    EXPECT_NE(err_.find(name + " has no tree"), std::string::npos) << err_;
    EXPECT_FALSE(fs::exists(P("out.png")));
  }
}

// Breeds of one session started at the same moment: each either lands or
// says that it did not, and every step that was reported as done is kept.
TEST_F(PixbreedTest, BreedsRunAtOnceLoseNoStep) {
  ASSERT_EQ(Pixbreed("new " + P("s.gds") + " --seed 9").status, 0);
  const std::string breed =
      std::string("'") + PIXBREED_PATH + "' breed " + P("s.gds") + " >/dev/null";
  // Pair i breeds at hours 2i and 2i+1 after the epoch, so that the history
  // tells which process each step came from.
  const int kPairs = 6;
  std::ofstream(P("race.sh")) << "for i in $(seq 1 " << kPairs << "); do\n"
                              << "  (" << breed << " --rate 0=100 --time $((7200*i)) 2>e$((2*i));"
                              << " echo $? >s$((2*i))) &\n"
                              << "  (" << breed << " --rate 1=0 --time $((7200*i+3600))"
                              << " 2>e$((2*i+1)); echo $? >s$((2*i+1))) &\n"
                              << "  wait\ndone\n";
  ASSERT_EQ(std::system(("cd '" + dir_.path().string() + "' && bash race.sh").c_str()), 0);
  const std::string history = Pixbreed("history " + P("s.gds")).out;
  int landed = 0;
  for (int hour = 2; hour < 2 * kPairs + 2; ++hour) {
    SCOPED_TRACE(hour);
    const std::string status = Bytes(P("s" + std::to_string(hour)));
    char stamp[40];
    std::snprintf(stamp, sizeof stamp, "1970-01-01 %02d:00:00 UTC", hour);
    const bool kept = history.find(stamp) != std::string::npos;
    if (status == "0\n") {
      ++landed;
      EXPECT_TRUE(kept) << "a breed that said it was done lost its step";
    } else {
      EXPECT_EQ(status, "1\n");
      EXPECT_FALSE(kept) << "a breed that said it failed left its step";
      EXPECT_NE(Bytes(P("e" + std::to_string(hour))).find("another program"), std::string::npos);
    }
  }
  EXPECT_NE(history.find("steps: " + std::to_string(landed) + "\n"), std::string::npos) << history;
}

// An image write that fails (here: the file size limit) reports it, leaves
// no output and no temporary file behind.
TEST_F(PixbreedTest, AFailedImageWriteLeavesNothingBehind) {
  ASSERT_EQ(Pixbreed("new " + P("s.gds") + " --seed 5").status, 0);
  const std::string apply = std::string("'") + PIXBREED_PATH + "' apply " + P("s.gds") + ":0 " +
                            sample_ + " -o " + P("out.png") + " 2>" + P("err.txt");
  EXPECT_NE(std::system(("bash -c \"trap '' XFSZ; ulimit -f 8; " + apply + "\"").c_str()), 0);
  EXPECT_NE(Bytes(P("err.txt")).find("out.png"), std::string::npos) << Bytes(P("err.txt"));
  std::vector<std::string> left;
  for (const fs::directory_entry& e : fs::directory_iterator(dir_.path()))
    left.push_back(e.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"err.txt", "s.gds", "tool_err.txt", "tool_out.txt"}));
}

}  // namespace
