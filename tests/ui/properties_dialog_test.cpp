// The properties dialog: the preview count and the session files; the
// start-up chooser.
#include <fstream>

#include "host/session_ops.h"
#include "storage/session_store.h"
#include "testhost/scripted_dialogs.h"
#include "tests/common/seeded_session.h"
#include "ui_fixture.h"

namespace pxb::ui {
namespace {

class PropertiesDialogTest : public DialogTest {
 protected:
  void SetUp() override {
    DialogTest::SetUp();
    ASSERT_TRUE(host::SetCurrentSessionPath(Path("current.gds")));
  }

  static Step InProperties(std::function<void(HeadlessBackend&, WindowHandle)> then) {
    return [then](HeadlessBackend& b, WindowHandle d) {
      ASSERT_EQ(b.TemplateOf(d), &kPropertiesDialogTemplate);
      then(b, d);
    };
  }

  // Remembers the area of the main dialog the properties dialog covers.
  Step NoteCovered() {
    return [this](HeadlessBackend& b, WindowHandle d) {
      const Rect child = b.ScreenRectOf(d);
      const Rect main = b.ScreenRectOf(Dialogs().mainWindow);
      covered_ = Rect{child.left - main.left, child.top - main.top, child.right - main.left,
                      child.bottom - main.top};
    };
  }

  bool Covered(int k) const {
    const Rect& f = Dialogs().frame[k];
    return covered_.right > f.left && covered_.left < f.right && covered_.bottom > f.top &&
           covered_.top < f.bottom;
  }

  Rect covered_{};
};

TEST_F(PropertiesDialogTest, RaisingTheCountResetsSlidersAndStartsOnlyTheAddedPreviews) {
  RunMain({
      "wait\nslider 0 10\nprop",
      Expect("dialog=brood properties; count=3; session=current.gds"),
      NoteCovered(),
      "count 5\naccept",
      "wait",
      Expect("n=5; header=5; shown=111110000; sliders=50,50,50,50,50,; ready=111110000"),
      Do([this](HeadlessBackend&, WindowHandle) {
        for (int k = 0; k < 5; ++k) {
          // Shown previews restart only where the properties dialog covered
          // them; an added one starts, and may restart with that repaint
          // before it has begun.
          const int repaint = Covered(k) ? 1 : 0;
          if (k < 3) {
            EXPECT_EQ(counts_.framed[k].load(), 1 + repaint) << k;
          } else {
            EXPECT_GE(counts_.framed[k].load(), 1) << k;
            EXPECT_LE(counts_.framed[k].load(), 1 + repaint) << k;
          }
        }
        EXPECT_FALSE(Covered(2)) << "one shown preview lies outside the covered area";
      }),
  });
}

TEST_F(PropertiesDialogTest, LoweringTheCountStopsAndHidesButKeepsTheMembers) {
  ResetPopulation(1234, 5);
  RunMain({
      "prop\ncount 2\naccept",
      Expect("n=2; header=2; shown=110000000; ready=110000000; seeds=1234*9"),
      Do([](HeadlessBackend&, WindowHandle) {
        for (int k = 2; k < 5; ++k)
          EXPECT_EQ(Dialogs().renderRefs[k], nullptr) << k;
      }),
      // Shown again, regrown from their seeds.
      "prop\ncount 4\naccept",
      Expect("ready=1111?????; trees=1111?????; seeds=1234*9"),
      "wait",
  });
}

TEST_F(PropertiesDialogTest, TheCountWrapsAroundAndAnUnchangedOneIsOnlySetAgain) {
  RunMain({
      "prop\ncount 9",
      InProperties([](HeadlessBackend& b, WindowHandle d) {
        ASSERT_TRUE(b.StepUpDown(d, ids::kCountUpDown, 1));
        EXPECT_EQ(b.PositionOf(d, ids::kCountUpDown), 1);
        EXPECT_EQ(b.TextOf(d, ids::kCountEdit), "1");
        ASSERT_TRUE(b.StepUpDown(d, ids::kCountUpDown, -1));
        EXPECT_EQ(b.PositionOf(d, ids::kCountUpDown), 9);
        ASSERT_TRUE(b.StepUpDown(d, ids::kCountUpDown, -3));
        EXPECT_EQ(b.TextOf(d, ids::kCountEdit), "6");
        EXPECT_FALSE(b.SetUpDown(d, ids::kCountUpDown, 10));
      }),
      "reject",
      Expect("n=3"),
      "wait\nprop",
      InProperties([](HeadlessBackend&, WindowHandle) { GlobalSessionHeader().previewCount = 7; }),
      "accept",
      Expect("header=3; n=3; shown=111000000"),
  });
}

TEST_F(PropertiesDialogTest, SwitchingToAnExistingSessionSavesTheOldAndShowsItsCount) {
  testing::WriteSeededSession(Path("other.gds"), 5555, 5, kColour);
  RunMain({
      "wait\nprop\nnewsession DIR/other.gds",
      Expect("session=other.gds"),
      "accept",
      Expect("title=other.gds; n=5; seeds=5555*9; ready=111111111; shown=111110000"),
      "wait",
  });
  EXPECT_EQ(host::CurrentRun().sessionPath, Path("other.gds"));
  // The session left behind was written first.
  Population saved{};
  SessionHeader header;
  std::string error;
  ASSERT_TRUE(LoadSession(Path("current.gds"), &saved, &header, &error)) << error;
  EXPECT_EQ(saved.members[4].seed.rand.x[1], 1234);
  EXPECT_EQ(header.previewCount, 3u);
  ReleasePopulation(&saved);
}

TEST_F(PropertiesDialogTest, ANewFileGetsNineNewMembersWithTheCurrentCount) {
  const std::string fresh = Path("fresh");
  RunMain({
      "prop\nnewsession DIR/fresh\naccept",
      Do([](HeadlessBackend&, WindowHandle) {
        EXPECT_EQ(PreviewCount(), 3);
        for (int k = 0; k < kPopulationSize; ++k) {
          const RandState& seed = GlobalPopulation().members[k].seed.rand;
          EXPECT_EQ(seed.x[0], 357);
          EXPECT_EQ(seed.x[2], k);
        }
      }),
      "wait",
  });
  EXPECT_EQ(host::CurrentRun().sessionPath, fresh + ".gds");
  EXPECT_TRUE(std::filesystem::exists(fresh + ".gds"));
  EXPECT_EQ(GlobalSessionHeader().previewCount, 3u);
}

TEST_F(PropertiesDialogTest, ChoosingTheCurrentFileAppliesTheCountInstead) {
  RunMain({
      "prop\ncount 4\nnewsession DIR/current.gds\naccept",
      Expect("n=4; seeds=1234*9"),
  });
  EXPECT_EQ(host::CurrentRun().sessionPath, Path("current.gds"));
  EXPECT_FALSE(std::filesystem::exists(Path("current.gds"))) << "nothing was saved";
}

TEST_F(PropertiesDialogTest, CancelAfterANewSessionKeepsTheOldOne) {
  testing::WriteSeededSession(Path("other.gds"), 5555, 5, kColour);
  RunMain({
      "prop\nnewsession DIR/other.gds\nreject\nprop",
      Expect("dialog=brood properties; session=current.gds"),
      // A cancelled file dialog shows the previous title again.
      Click(ids::kNewSession),
      Do([](HeadlessBackend& b, WindowHandle) {
        EXPECT_EQ(b.lastFileDialog(), FileDialogOutcome::kCancelled);
      }),
      Expect("session=current.gds"),
      "accept",
  });
  EXPECT_EQ(host::CurrentRun().sessionPath, Path("current.gds"));
  EXPECT_EQ(SeedWord(0), 1234);
  EXPECT_EQ(PreviewCount(), 3);
}

TEST_F(PropertiesDialogTest, ASessionThatCannotBeUsedLeavesEverythingAsItWas) {
  std::ofstream(Path("garbage.gds")) << "not a session";
  RunMain({
      "wait\nprop\nnewsession DIR/garbage.gds\naccept",
      Expect("title=current.gds; n=3; ready=111??????"),
      "wait",
      // The current session cannot be written: no switch either.
      Do([this](HeadlessBackend&, WindowHandle) {
        host::SetCurrentSessionPath(Path("missing/current.gds"));
        testing::WriteSeededSession(Path("third.gds"), 7777, 2, kColour);
      }),
      "prop\nnewsession DIR/third.gds\naccept",
      // A path the parameter block cannot keep is not taken.
      "prop",
      AnswerAndClick(Path(std::string(250, 'p')), ids::kNewSession),
      "accept",
  });
  EXPECT_EQ(SeedWord(0), 1234);
  EXPECT_EQ(host::CurrentRun().sessionPath, Path("missing/current.gds"));
  const auto& log = backend_->log();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_NE(log[0].find("not switched"), std::string::npos) << log[0];
  EXPECT_NE(log[1].find("could not be saved"), std::string::npos) << log[1];
  EXPECT_NE(log[2].find("too long"), std::string::npos) << log[2];
}

// The start-up chooser and the offer to save the session elsewhere (which
// tells the problem first) answer with a full session path, or decline when
// cancelled or refused.
TEST_F(DialogTest, SessionChoosersAnswerWithAFullPathOrDecline) {
  const struct {
    bool offer;
    const char* answer;  // null: the dialog is cancelled
    const char* path;    // null: declined
    FileDialogOutcome outcome;
  } cases[] = {
      {false, "breed", "breed.gds", FileDialogOutcome::kChosen},
      {false, nullptr, nullptr, FileDialogOutcome::kCancelled},
      {false, "nowhere/breed.gds", nullptr, FileDialogOutcome::kRefused},
      {true, nullptr, nullptr, FileDialogOutcome::kCancelled},
      {true, "elsewhere", "elsewhere.gds", FileDialogOutcome::kChosen},
      {true, "none/s.gds", nullptr, FileDialogOutcome::kRefused},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer != nullptr ? c.answer : "cancelled");
    if (c.answer != nullptr) backend_->AnswerFileDialog(Path(c.answer));
    std::string path;
    const size_t logged = backend_->log().size();
    const bool chosen = c.offer ? OfferSessionSaveAs(0, "disk full", Path("s.gds"), &path)
                                : ChooseSessionFile(0, "", &path);
    ASSERT_EQ(chosen, c.path != nullptr);
    EXPECT_EQ(chosen ? path : "", chosen ? Path(c.path) : "");
    EXPECT_EQ(backend_->lastFileDialog(), c.outcome);
    EXPECT_EQ(
        backend_->log().size() > logged && backend_->log()[logged].starts_with("told: disk full"),
        c.offer);
  }
  // The scripted host procedures answer with the session they were given.
  ScriptedDialogs scripted;
  scripted.sessionAnswer = Path("run.gds");
  const host::DialogProcs procs = ScriptedDialogProcs(&scripted);
  std::string path;
  ASSERT_TRUE(procs.chooseSessionFile(procs.context, 0, "", &path));
  EXPECT_EQ(path, Path("run.gds"));
  scripted.sessionAnswer.clear();
  EXPECT_FALSE(procs.chooseSessionFile(procs.context, 0, "", &path));
}

}  // namespace
}  // namespace pxb::ui
