// Starting, stopping and restarting previews in quick succession while the
// workers run: repaints, breeding steps, count changes, selection dialogs
// and single previews stopped and started again. Run under ThreadSanitizer
// by scripts/tsan.sh.
#include <random>

#include "ui_fixture.h"

namespace pxb::ui {
namespace {

using StressTest = DialogTest;

// After everything has settled no restart is left waiting and no preview
// is left half done.
void ExpectSettled() {
  ASSERT_TRUE(WaitForPreviews(120000));
  for (int k = 0; k < PreviewCount(); ++k) {
    EXPECT_EQ(Slot(k).restart.load(), 0) << k;
    EXPECT_EQ(Slot(k).busy.load(), 0) << k;
  }
}

TEST_F(StressTest, PreviewsSurviveStartsStopsAndRestartsInAnyOrder) {
  ResetPopulation(4321, 9);
  FilterFile("one.gdo", 99);
  std::mt19937 random(20240601);
  auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  steps_.clear();
  for (int round = 0; round < 120; ++round) {
    switch (pick(7)) {
      case 0:  // a repaint of any area
        steps_.push_back([&](HeadlessBackend& b, WindowHandle d) {
          const int x = pick(200);
          const int y = pick(150);
          const Rect r{x, y, x + 1 + pick(80), y + 1 + pick(80)};
          b.Invalidate(d, &r);
        });
        break;
      case 1:  // a breeding step
        steps_.push_back([&](HeadlessBackend& b, WindowHandle d) {
          b.SetSlider(d, ids::GroupSlider(0), pick(101));
          ASSERT_TRUE(b.Click(d, ids::kNext));
        });
        break;
      case 2:  // another count while the worker runs
        AddScript("prop\ncount " + std::to_string(1 + pick(9)) + "\naccept");
        break;
      case 3: {  // the selection dialog, with a file loaded or not
        const bool load = pick(2) == 1;
        const int close = pick(2) == 1 ? ids::kOk : ids::kCancel;
        steps_.push_back([&](HeadlessBackend& b, WindowHandle d) {
          ASSERT_TRUE(b.Click(d, ids::GroupSel(pick(PreviewCount()))));
        });
        steps_.push_back([this, load, close](HeadlessBackend& b, WindowHandle d) {
          if (load) {
            b.AnswerFileDialog(Path("one.gdo"));
            ASSERT_TRUE(b.Click(d, ids::kOpen));
          }
          ASSERT_TRUE(b.Click(d, close));
        });
        break;
      }
      case 4:  // one preview stopped and started again under the worker
        steps_.push_back([&](HeadlessBackend&, WindowHandle) {
          const int k = pick(PreviewCount());
          StopPreview(k, true);
          StartPreview(k, Dialogs().frame[k], Dialogs().picture[k]);
          EnsurePreviewWorker();
        });
        break;
      case 5:  // restarts raised as the worker may be leaving
        steps_.push_back([&](HeadlessBackend&, WindowHandle) {
          std::this_thread::sleep_for(std::chrono::microseconds(pick(3000)));
          for (int k = 0; k < PreviewCount(); ++k)
            StartPreview(k, Dialogs().frame[k], Dialogs().picture[k]);
          EnsurePreviewWorker();
        });
        break;
      default:
        steps_.push_back([](HeadlessBackend&, WindowHandle) { ExpectSettled(); });
        break;
    }
  }
  steps_.push_back([](HeadlessBackend&, WindowHandle) { ExpectSettled(); });
  steps_.push_back(Click(ids::GroupOk(0)));
  EXPECT_EQ(RunMainDialog(0, nullptr), ids::GroupOk(0));
  EXPECT_FALSE(PreviewWorkerRunning());
  EXPECT_FALSE(BigPreviewRunning());
}

}  // namespace
}  // namespace pxb::ui
