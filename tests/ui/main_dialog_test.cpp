// The main dialog: the grid, NEXT, "ok", Cancel, ignored commands and the
// previews a paint restarts.
#include <tuple>
#include <utility>

#include "engine/weights.h"
#include "evolution/filter_file.h"
#include "evolution/learning_block.h"
#include "ui_fixture.h"

namespace pxb::ui {
namespace {

std::vector<std::pair<FuncId, float>> Entries(WeightList list) {
  std::vector<std::pair<FuncId, float>> out;
  for (const WeightEntry* e = list; e != nullptr; e = e->next)
    out.emplace_back(e->id, e->weight);
  return out;
}

using MainDialogTest = DialogTest;

TEST(FitAspectTest, CentresTheImageShapeWithTheOddPixelAtTheEnd) {
  SetSourceSize(200, 100);
  // A 90 x 90 rectangle and an image twice as wide as high: 90 x 45, 22
  // below the top and 23 above the bottom.
  EXPECT_EQ(FitAspect(Rect{10, 20, 100, 110}), (Rect{10, 42, 100, 87}));
  // The image's exact shape is kept.
  EXPECT_EQ(FitAspect(Rect{0, 0, 90, 45}), (Rect{0, 0, 90, 45}));
  // A tall image narrows the rectangle instead.
  SetSourceSize(100, 200);
  EXPECT_EQ(FitAspect(Rect{0, 0, 91, 90}), (Rect{23, 0, 68, 90}));
  EXPECT_EQ(PictureOf(Rect{10, 42, 100, 87}), (Rect{12, 44, 98, 85}));
  ClearSourceImage();
}

TEST_F(MainDialogTest, ShowsTheGroupsOfTheCountWithSlidersInTheMiddle) {
  for (const uint32_t n : {1u, 3u, 9u}) {
    ResetPopulation(77, n);
    const std::intptr_t result = RunMain({Do([n](HeadlessBackend& b, WindowHandle d) {
      EXPECT_EQ(PreviewCount(), static_cast<int32_t>(n));
      for (int k = 0; k < kMaxPreviews; ++k) {
        const bool shown = k < static_cast<int>(n);
        EXPECT_FALSE(b.IsVisible(d, ids::GroupPicture(k)));
        EXPECT_EQ(b.IsVisible(d, ids::GroupOk(k)), shown) << k;
        EXPECT_EQ(b.IsVisible(d, ids::GroupSel(k)), shown) << k;
        EXPECT_EQ(b.IsVisible(d, ids::GroupSlider(k)), shown) << k;
        if (shown) {
          EXPECT_EQ(b.PositionOf(d, ids::GroupSlider(k)), 50);
          EXPECT_EQ(Dialogs().ready[k], 1) << "the first paint grows every shown member";
          EXPECT_EQ(Dialogs().frame[k], FitAspect(b.ControlRectOf(d, ids::GroupPicture(k))));
        }
      }
    })});
    EXPECT_EQ(result, ids::kCancel);
  }
}

TEST_F(MainDialogTest, NextRatesAllBeforeReplacingAndLeavesHiddenMembersAlone) {
  Population& p = GlobalPopulation();
  Member hidden[kPopulationSize];
  std::vector<std::pair<FuncId, float>> rootBefore;
  const std::intptr_t result = RunMain({
      "wait",
      Do([&](HeadlessBackend&, WindowHandle) {
        for (int k = 3; k < kPopulationSize; ++k)
          hidden[k] = p.members[k];
        rootBefore = Entries(p.members[0].rootList);
      }),
      "slider 0 0\nslider 1 100\nslider 2 30\nnext",
      Expect("sliders=50,50,50,; trees=111000000; ready=???000000"),
      Do([&](HeadlessBackend&, WindowHandle) {
        // Every new member took its snapshot after all three ratings.
        const auto first = Entries(p.members[0].rootList);
        EXPECT_EQ(first, Entries(p.members[1].rootList));
        EXPECT_EQ(first, Entries(p.members[2].rootList));
        EXPECT_NE(first, rootBefore);
        for (int k = 3; k < kPopulationSize; ++k) {
          EXPECT_EQ(p.members[k].weights, hidden[k].weights) << k;
          EXPECT_EQ(p.members[k].choices, hidden[k].choices) << k;
        }
      }),
      "wait",
  });
  EXPECT_EQ(result, ids::kCancel);
}

TEST_F(MainDialogTest, BackUndoesNextStepsExactlyAndRedrawsTheMembers) {
  Population& p = GlobalPopulation();
  auto state = [&] {
    ByteWriter w;
    WriteGlobalLists(&w);
    for (int k = 0; k < kPopulationSize; ++k)
      WriteMember(&w, p.members[k]);
    return w.bytes();
  };
  std::vector<uint8_t> before;
  const std::intptr_t result = RunMain({
      "wait",
      Do([&](HeadlessBackend&, WindowHandle) {
        GlobalLearning().history.clear();  // earlier tests' steps
        before = state();
      }),
      "slider 1 0\nnext\nwait\nslider 2 100\nnext\nwait\nback\nback\nwait",
      Expect("ready=111??????"),
      Do([&](HeadlessBackend&, WindowHandle) {
        EXPECT_EQ(state(), before);
        EXPECT_TRUE(GlobalLearning().history.empty());
      }),
      "back",  // nothing left: told, nothing changes
      Do([&](HeadlessBackend&, WindowHandle) { EXPECT_EQ(state(), before); }),
  });
  EXPECT_EQ(result, ids::kCancel);
}

// A session whose learning could not be read opens all the same, and the
// user is told once, in a message box, not only in a log.
TEST_F(MainDialogTest, DamagedLearningIsToldOnceWhenTheDialogOpens) {
  GlobalLearning().damage = "its checksum does not match";
  RunMain({"wait"});
  RunMain({"wait"});
  const auto& log = backend_->log();
  const auto told = std::count_if(log.begin(), log.end(), [](const std::string& line) {
    return line.rfind("told: The session's learning could not be used", 0) == 0;
  });
  EXPECT_EQ(told, 1);
  EXPECT_TRUE(GlobalLearning().damage.empty());
}

TEST_F(MainDialogTest, OkOfAGroupPicksItsMemberAndCancelNone) {
  for (const auto& [script, result, chosen] :
       {std::tuple{"ok 4", 20, 4}, std::tuple{"cancel", 2, -1}}) {
    ResetPopulation(5, 9);
    EXPECT_EQ(RunMain({script}), result) << script;
    EXPECT_EQ(GlobalPopulation().chosenMember, chosen);
    EXPECT_EQ(GlobalSessionHeader().chosenMember, chosen);
    EXPECT_FALSE(PreviewWorkerRunning()) << script;
  }
}

TEST_F(MainDialogTest, IgnoresHiddenGroupsPlaceholdersSlidersAndOtherCodes) {
  const std::intptr_t result = RunMain({
      Do([](HeadlessBackend& b, WindowHandle d) {
        // Group 4 is hidden with three previews, even if its command arrives.
        EXPECT_FALSE(b.Click(d, ids::GroupOk(4)));
        EXPECT_EQ(PxbreedProc(d, kMsgCommand, CommandParam(ids::GroupOk(4), 0), 0), 0);
        EXPECT_EQ(PxbreedProc(d, kMsgCommand, CommandParam(ids::GroupSel(3), 0), 0), 0);
        EXPECT_EQ(PxbreedProc(d, kMsgCommand, CommandParam(ids::GroupPicture(0), 0), 0), 0);
        EXPECT_EQ(PxbreedProc(d, kMsgCommand, CommandParam(ids::GroupSlider(1), 0), 0), 0);
        // A notification other than a click.
        EXPECT_EQ(PxbreedProc(d, kMsgCommand, CommandParam(ids::GroupOk(1), 1), 0), 0);
        EXPECT_EQ(PxbreedProc(d, kMsgCommand, CommandParam(ids::kCancel, 5), 0), 0);
        EXPECT_EQ(PxbreedProc(d, 0x0200, 0, 0), 0);
        EXPECT_EQ(GlobalPopulation().chosenMember, -1);
      }),
      "ok 2",
  });
  EXPECT_EQ(result, ids::GroupOk(2));
}

TEST_F(MainDialogTest, APaintRestartsOnlyThePreviewsItTouches) {
  ResetPopulation(99, 9);
  auto invalidate = [](auto area) {
    return [area](HeadlessBackend& b, WindowHandle d) {
      const Rect r = area(Dialogs());
      b.Invalidate(d, &r);
    };
  };
  auto expectFramed = [this](std::vector<int> want) {
    return [this, want](HeadlessBackend&, WindowHandle) {
      ASSERT_TRUE(WaitForPreviews(60000));
      for (int k = 0; k < kMaxPreviews; ++k)
        EXPECT_EQ(counts_.framed[k].load(), want[static_cast<size_t>(k)]) << k;
    };
  };
  const std::vector<int> once(kMaxPreviews, 1);
  std::vector<int> fourTwice = once;
  fourTwice[4] = 2;
  const std::intptr_t result = RunMain({
      expectFramed(once),
      // Between the frames of previews 0 and 1: nothing restarts.
      invalidate([](const DialogState& s) {
        return Rect{s.frame[0].left, s.frame[0].bottom, s.frame[0].right, s.frame[1].top};
      }),
      expectFramed(once),
      // Touching edges do not overlap.
      invalidate([](const DialogState& s) {
        return Rect{s.frame[4].left, s.frame[4].top - 3, s.frame[4].right, s.frame[4].top};
      }),
      expectFramed(once),
      // One pixel row of frame 4 restarts the whole of preview 4.
      invalidate([](const DialogState& s) {
        return Rect{s.frame[4].left, s.frame[4].bottom - 1, s.frame[4].left + 1, s.frame[4].bottom};
      }),
      expectFramed(fourTwice),
  });
  EXPECT_EQ(result, ids::kCancel);
}

TEST_F(MainDialogTest, EverySlotStartsCleanAfterACancelAtTheFirstPaint) {
  ResetPopulation(31, 9);
  // Cancelled before the worker got far: slots it never reached were busy.
  EXPECT_EQ(RunMain({"cancel"}), ids::kCancel);
  // The next opening shows an image of another shape.
  std::vector<uint8_t> tall(static_cast<size_t>(40) * 90 * 3, 128);
  SetSourceImage(40, 90, tall.data(), 40 * 3, 3);
  ResetPopulation(32, 9);
  const std::intptr_t result = RunMain({
      "wait",
      Do([](HeadlessBackend&, WindowHandle) {
        for (int k = 0; k < kMaxPreviews; ++k) {
          EXPECT_EQ(Slot(k).frame.Load(), Dialogs().frame[k]) << k;
          EXPECT_EQ(Slot(k).picture.Load(), Dialogs().picture[k]) << k;
        }
      }),
  });
  EXPECT_EQ(result, ids::kCancel);
}

}  // namespace
}  // namespace pxb::ui
