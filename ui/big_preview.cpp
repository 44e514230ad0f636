// The big preview of the selection dialog: one thread per start that draws
// one member large, with squares of 8, 4, 2 and then single pixels.
#include <chrono>
#include <thread>

#include "engine/eval.h"
#include "engine/run_eval.h"
#include "evolution/population.h"
#include "host/session_ops.h"
#include "primitives/scalar.h"
#include "ui/dialog_state.h"
#include "ui/preview.h"
#include "ui/sampling.h"

namespace pxb::ui {
namespace {

struct BigPreviewState {
  std::atomic<int32_t> running{0};
  std::atomic<int32_t> stop{0};
  std::atomic<int32_t> restart{0};
  // Set by the dialog thread before the worker starts.
  Rect picture{};
  int32_t member = 0;
  ViewParams view{};
  EvalContext context{};
  Node* ref = nullptr;  // the big preview's own reference to the member's tree
  bool colour = true;   // whether the member is shown in colour
  RandState dither{};
  SampleOrder order;
  std::thread thread;

  BigPreviewState() = default;
  BigPreviewState(const BigPreviewState&) = delete;
  BigPreviewState& operator=(const BigPreviewState&) = delete;
  ~BigPreviewState() {
    stop.store(1);
    if (thread.joinable()) thread.join();
  }
};
BigPreviewState bigPreview;

void BigPreviewWorker() {
  BigPreviewState& b = bigPreview;
  StageProgress progress{kBigInitialBlock, 0, 0};
  // The tree stays as prepared while this thread runs: its evaluator is made
  // once, here.
  RunEvaluator evaluator(b.ref, b.view, b.dither);
  for (;;) {
    StepOutcome outcome{true, false};
    {
      const win::Drawing drawing(Dialogs().selectionWindow);
      if (b.restart.exchange(0) != 0) {
        progress.block = kBigInitialBlock;
        progress.countdown = StageLength(kBigSampleFactor, b.view.width, b.view.height,
                                         progress.block, b.order.count);
        b.dither = kDitherStartState;
      }
      const StepTarget target{&b.order,         b.picture, b.ref,   &b.context, &b.view,
                              kBigSampleFactor, nullptr,   nullptr, b.colour,   &evaluator};
      outcome = DrawSamples(&progress, target, drawing);
    }
    if (outcome.finished || b.stop.load() != 0) break;
  }
  b.running.store(0);
}

void LaunchBigWorker() {
  BigPreviewState& b = bigPreview;
  if (b.thread.joinable()) b.thread.join();
  if (b.ref == nullptr) return;  // nothing to draw
  b.restart.store(1);
  b.running.store(1);
  b.stop.store(0);
  b.thread = std::thread(BigPreviewWorker);
}

// Takes a reference to member k's tree and prepares it for the big view.
// The main worker is ended first: it may be drawing the same tree, and
// cannot start again while the big preview holds it.
void TakeBigReference(int k) {
  BigPreviewState& b = bigPreview;
  StopPreviewWorker();
  b.ref = GlobalPopulation().members[k].tree;
  b.colour = ShownInColour(GlobalPopulation().members[k].type);
  NodeRetain(b.ref);
  b.context = EvalContext{};
  b.context.dither = &b.dither;
  b.dither = kDitherStartState;
  if (b.ref != nullptr) PrepareTree(&b.ref, &b.context, &b.view);
}

}  // namespace

void MakeBigSampleOrder(int32_t width, int32_t height) {
  FillSampleOrder(&bigPreview.order, width, height);
}

int32_t BigSampleCount() {
  return bigPreview.order.count;
}

void StartBigPreview(int k, const Rect& frame, const Rect& picture) {
  BigPreviewState& b = bigPreview;
  if (b.ref != nullptr) StopBigPreview();
  {
    const win::Drawing drawing(Dialogs().selectionWindow);
    drawing.Frame(frame);
  }
  b.view = ViewParams{picture.width(), picture.height(), 0,
                      RandState{{357, host::ClockWord(), static_cast<uint16_t>(k)}}};
  TakeBigReference(k);
  b.picture = picture;
  b.member = k;
  LaunchBigWorker();
}

void RestartBigPreview(int k) {
  BigPreviewState& b = bigPreview;
  if (b.picture.width() <= 0 || b.picture.height() <= 0) return;  // not painted yet
  TakeBigReference(k);
  b.member = k;
  LaunchBigWorker();
}

void StopBigPreview() {
  BigPreviewState& b = bigPreview;
  b.stop.store(1);
  while (b.running.load() != 0)
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  if (b.thread.joinable()) b.thread.join();
  if (b.ref != nullptr) NodeRelease(&b.ref, &b.view);
  b.ref = nullptr;
}

bool BigPreviewHoldsTree() {
  return bigPreview.ref != nullptr;
}

bool BigPreviewRunning() {
  return bigPreview.running.load() != 0;
}

bool WaitForBigPreview(int32_t timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (bigPreview.running.load() != 0) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace pxb::ui
