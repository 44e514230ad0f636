// Dialog scripts: parsing, a whole session run unattended, and the commands
// that cannot be carried out.
#include <algorithm>
#include <fstream>

#include "imageio/image_io.h"
#include "testhost/scripted_dialogs.h"
#include "testhost/ui_script.h"
#include "ui_fixture.h"

namespace pxb::ui {
namespace {

TEST(ScriptParseTest, ReadsCommandsAndNamesTheLineOfAMistake) {
  Script script;
  std::string error;
  ASSERT_TRUE(
      ParseScript("# a session\n\nwait\n  slider 2 75\nSEL 1\nsave dir/my file.gdo  \n"
                  "accept\nshot out.png\n",
                  &script, &error))
      << error;
  ASSERT_EQ(script.commands.size(), 6u);
  EXPECT_EQ(script.commands[0].line, 3);
  EXPECT_EQ(script.commands[1].verb, "slider");
  EXPECT_EQ(script.commands[1].numbers, (std::vector<int32_t>{2, 75}));
  EXPECT_EQ(script.commands[2].verb, "sel");
  EXPECT_EQ(script.commands[3].file, "dir/my file.gdo");
  EXPECT_EQ(script.commands[5].line, 8);

  const std::pair<const char*, const char*> wrong[] = {
      {"wait\nnext\njump 3\n", "line 3: unknown command \"jump\""},
      {"slider 1\n", "line 1: slider needs two numbers"},
      {"ok -1\n", "line 1: ok needs a number"},
      {"\nopen\n", "line 2: open needs a file name"},
      {"next now\n", "line 1: unexpected \"now\" after next"},
  };
  for (const auto& [text, message] : wrong) {
    EXPECT_FALSE(ParseScript(text, &script, &error)) << text;
    EXPECT_EQ(error, message);
  }
  EXPECT_FALSE(LoadScript("/nonexistent/x.pxs", &script, &error));
}

class ScriptTest : public DialogTest {
 protected:
  static bool SavePng(void* context, const Picture& picture, const std::string& path,
                      std::string* error) {
    static_cast<ScriptTest*>(context)->shots_.push_back(picture);
    return pxhost::SavePicturePng(nullptr, picture, path, error);
  }

  // Runs the main dialog as a host would, under the script text (with DIR
  // standing for the test's directory); returns the member picked or -1.
  int Run(std::string text) {
    for (size_t at = text.find("DIR"); at != std::string::npos; at = text.find("DIR"))
      text.replace(at, 3, dir_.path().string());
    std::string error;
    EXPECT_TRUE(ParseScript(text, &scripted_.script, &error)) << error;
    scripted_.options = SmallDialogs();
    scripted_.savePicture = SavePng;
    scripted_.saveContext = this;
    const host::DialogProcs procs = ScriptedDialogProcs(&scripted_);
    return procs.runMainDialog(procs.context, 0, nullptr);
  }

  std::string Outcome() const {
    std::string error;
    return ScriptCompleted(scripted_, &error) ? "completed" : error;
  }

  ScriptedDialogs scripted_;
  std::vector<Picture> shots_;
};

// A filter file that cannot be read on the way is reported, and the script
// goes on.
TEST_F(ScriptTest, AWholeSessionRunsUnattended) {
  std::ofstream(Path("bad.gdo")) << "garbage";
  const int picked =
      Run("wait\nslider 0 0\nslider 2 100\nnext\nwait\nsel 1\nwait\nsave DIR/one.gdo\n"
          "open DIR/bad.gdo\nopen DIR/one.gdo\nshot DIR/sel.png\naccept\n"
          "prop\ncount 5\naccept\nwait\nshot DIR/main.png\nok 4\n");
  EXPECT_EQ(picked, 4);
  EXPECT_EQ(Outcome(), "completed");
  EXPECT_TRUE(std::any_of(scripted_.log.begin(), scripted_.log.end(), [](const std::string& s) {
    return s.starts_with("line 9: the filter file was not loaded");
  }));
  EXPECT_EQ(GlobalPopulation().chosenMember, 4);
  EXPECT_EQ(GlobalSessionHeader().previewCount, 5u);
  EXPECT_EQ(LastDirectory(GlobalSessionHeader()), dir_.path().string());
  ASSERT_EQ(shots_.size(), 2u);
  EXPECT_EQ(shots_[0].width, 140);  // 279 x 286 units
  EXPECT_EQ(shots_[0].height, 143);
  const Picture& main = shots_[1];
  ASSERT_EQ(main.width, 215);  // 429 x 320 units
  ASSERT_EQ(main.height, 160);
  // Every shown preview is finished: a black border on its frame and no
  // background left inside its picture.
  for (int k = 0; k < 5; ++k) {
    const Rect f = Dialogs().frame[k];
    const size_t corner = (static_cast<size_t>(f.top) * 215 + f.left) * 3;
    EXPECT_EQ(main.rgb[corner] + main.rgb[corner + 1] + main.rgb[corner + 2], 0) << k;
    const Rect p = Dialogs().picture[k];
    int background = 0;
    for (int y = p.top; y < p.bottom; ++y) {
      for (int x = p.left; x < p.right; ++x) {
        const size_t i = (static_cast<size_t>(y) * 215 + x) * 3;
        background += main.rgb[i] == 0xF0 && main.rgb[i + 1] == 0xF0 && main.rgb[i + 2] == 0xF0;
      }
    }
    EXPECT_LT(background, p.width() * p.height() / 4) << k;
  }
  Image png;
  std::string error;
  ASSERT_TRUE(ReadImage(Path("main.png"), &png, &error)) << error;
  EXPECT_EQ(png.pixels, main.rgb);
}

TEST_F(ScriptTest, ACommandThatCannotBeCarriedOutStopsTheScriptAndCancels) {
  const std::pair<const char*, const char*> cases[] = {
      {"wait\nok 5\nok 0\n", "line 2: ok: group 5 is hidden"},
      {"accept\n", "line 1: accept: no child dialog is open"},
      {"sel 1\nnext\n", "line 2: next: only in the main dialog, but the selection dialog is open"},
      {"prop\ncount 12\n", "line 2: count: the number of previews must lie in 1..9"},
      {"sel 0\nopen DIR/missing.gdo\n", "line 2: open: the file dialog did not accept"},
      {"slider 0 101\n", "line 1: slider: the position must lie in 0..100"},
      {"wait\n", "the script ended with the dialog \"Pixbreed\" open"},
      {"cancel\nnext\n", "line 2: next: the dialogs had ended before it"},
  };
  for (const auto& [text, message] : cases) {
    scripted_ = ScriptedDialogs{};
    EXPECT_EQ(Run(text), -1) << text;
    EXPECT_EQ(Outcome().rfind(message, 0), 0u) << Outcome();
    EXPECT_FALSE(PreviewWorkerRunning());
    EXPECT_EQ(Dialogs().backupHeld, 0);
  }
}

}  // namespace
}  // namespace pxb::ui
