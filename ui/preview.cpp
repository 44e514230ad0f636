// The preview worker of the main dialog: one thread that serves every shown
// preview in turn, 100 samples each per pass.
#include "ui/preview.h"

#include <chrono>
#include <thread>
#include <vector>

#include "engine/eval.h"
#include "evolution/population.h"
#include "primitives/scalar.h"
#include "ui/dialog_state.h"
#include "ui/sampling.h"

namespace pxb::ui {
namespace {

struct MainWorker {
  std::atomic<int32_t> running{0};
  std::atomic<int32_t> stopAll{0};
  // The slot the worker is looking at, -1 between slots.
  std::atomic<int32_t> activeSlot{-1};
  std::thread thread;  // dialog thread only
  // Dialog thread only: 1 while a child dialog owns the members' trees;
  // no worker starts then.
  int32_t held = 0;
};

struct PreviewState {
  PreviewSlot slots[kMaxPreviews];
  // The main sample order, replaced whole; orders it replaced stay alive
  // until no worker can be reading them.
  std::atomic<SampleOrder*> mainOrder{nullptr};
  std::vector<SampleOrder*> retired;
  MainWorker worker;

  PreviewState() = default;
  PreviewState(const PreviewState&) = delete;
  PreviewState& operator=(const PreviewState&) = delete;
  ~PreviewState() {
    worker.stopAll.store(1);
    if (worker.thread.joinable()) worker.thread.join();
    for (SampleOrder* order : retired)
      delete order;
    delete mainOrder.load();
  }
};
PreviewState previewState;

void Pause() {
  std::this_thread::sleep_for(std::chrono::microseconds(200));
}

void FreeRetiredOrders() {
  for (SampleOrder* order : previewState.retired)
    delete order;
  previewState.retired.clear();
}

bool AnyRestartRaised() {
  const int32_t n = PreviewCount();
  for (int k = 0; k < n && k < kMaxPreviews; ++k) {
    if (previewState.slots[k].restart.load() != 0) return true;
  }
  return false;
}

// One step of a slot: a fresh start when a restart is requested, then at
// most 100 samples.
void RenderStep(PreviewSlot& s) {
  const SampleOrder* order = previewState.mainOrder.load();
  if (order == nullptr || order->count < 1) {
    s.restart.store(0);
    s.busy.store(0, std::memory_order_release);
    return;
  }
  const int k = s.index.load(std::memory_order_relaxed);
  Population& population = GlobalPopulation();
  DialogState& dialogs = Dialogs();
  const ViewParams& view = population.views[k];
  const win::Drawing drawing(dialogs.mainWindow);
  StageProgress progress{s.block, s.countdown, s.cursor};
  if (s.restart.exchange(0, std::memory_order_acq_rel) != 0) {
    drawing.Frame(s.frame.Load());
    progress.block = s.initialBlock.load(std::memory_order_relaxed);
    progress.countdown =
        StageLength(kMainSampleFactor, view.width, view.height, progress.block, order->count);
    s.dither = kDitherStartState;
    s.busy.store(1, std::memory_order_release);
  }
  Node* root = dialogs.renderRefs[k];
  if (root == nullptr) {
    // A member that grows no tree: its preview stays blank inside the frame.
    s.busy.store(0, std::memory_order_release);
    return;
  }
  if (s.evaluator == nullptr || s.evaluatorRoot != root) {
    s.evaluator = std::make_unique<RunEvaluator>(root, view, s.dither);
    s.evaluatorRoot = root;
  }
  const StepTarget target{order,
                          s.picture.Load(),
                          root,
                          &population.contexts[k],
                          &view,
                          kMainSampleFactor,
                          &previewState.worker.stopAll,
                          &s.stop,
                          ShownInColour(population.members[k].type),
                          s.evaluator.get()};
  const StepOutcome outcome = DrawSamples(&progress, target, drawing);
  s.block = progress.block;
  s.countdown = progress.countdown;
  s.cursor = progress.cursor;
  s.busy.store(outcome.finished || outcome.stopNoted ? 0 : 1, std::memory_order_release);
}

// Passes over the shown slots until one finds nothing to do or a stop of
// all is requested.
void RunPasses() {
  MainWorker& w = previewState.worker;
  for (;;) {
    if (w.stopAll.load() != 0 || PreviewCount() < 1) return;
    bool work = false;
    for (int k = 0; k < PreviewCount() && k < kMaxPreviews; ++k) {
      if (w.stopAll.load() != 0) break;
      PreviewSlot& s = previewState.slots[k];
      w.activeSlot.store(k);
      if (s.busy.load() != 0 || s.restart.load() != 0) {
        RenderStep(s);
        work = true;
      }
      w.activeSlot.store(-1);
    }
    if (!work) return;
  }
}

void PreviewWorker() {
  Layer().lowerThreadPriority(Layer().context);
  MainWorker& w = previewState.worker;
  for (;;) {
    RunPasses();
    w.running.store(0);
    // A restart raised while this thread was leaving, which the dialog
    // thread saw the worker still running for, is taken up again here.
    if (w.stopAll.load() != 0 || !AnyRestartRaised()) return;
    int32_t expected = 0;
    if (!w.running.compare_exchange_strong(expected, 1)) return;
  }
}

}  // namespace

void SharedRect::Store(const Rect& r) {
  left.store(r.left, std::memory_order_relaxed);
  top.store(r.top, std::memory_order_relaxed);
  right.store(r.right, std::memory_order_relaxed);
  bottom.store(r.bottom, std::memory_order_relaxed);
}

Rect SharedRect::Load() const {
  return Rect{left.load(std::memory_order_relaxed), top.load(std::memory_order_relaxed),
              right.load(std::memory_order_relaxed), bottom.load(std::memory_order_relaxed)};
}

PreviewSlot& Slot(int k) {
  return previewState.slots[k];
}

void MakeSampleOrder(int32_t width, int32_t height) {
  auto* order = new SampleOrder;
  FillSampleOrder(order, width, height);
  SampleOrder* old = previewState.mainOrder.exchange(order);
  if (old != nullptr) previewState.retired.push_back(old);
  // A worker that starts or takes up work after this reads the new order.
  if (previewState.worker.running.load() == 0) FreeRetiredOrders();
}

int32_t MainSampleCount() {
  const SampleOrder* order = previewState.mainOrder.load();
  return order != nullptr ? order->count : 0;
}

void PrepareRenderReference(int k) {
  Population& population = GlobalPopulation();
  DialogState& dialogs = Dialogs();
  PreviewSlot& s = previewState.slots[k];
  s.dither = kDitherStartState;
  s.evaluator.reset();
  s.evaluatorRoot = nullptr;
  population.contexts[k].dither = &s.dither;
  if (dialogs.renderRefs[k] != nullptr) {
    PrepareTree(&dialogs.renderRefs[k], &population.contexts[k], &population.views[k]);
  }
}

void PrepareMemberPreview(int k, const Rect& picture) {
  Population& population = GlobalPopulation();
  DialogState& dialogs = Dialogs();
  ViewParams& view = population.views[k];
  view.width = picture.width();
  view.height = picture.height();
  view.smooth = 0;
  RegrowMember(&population.members[k], &view);
  dialogs.renderRefs[k] = population.members[k].tree;
  NodeRetain(dialogs.renderRefs[k]);
  PrepareRenderReference(k);
  dialogs.ready[k] = 1;
}

void StartPreview(int k, const Rect& frame, const Rect& picture) {
  if (Dialogs().ready[k] == 0) PrepareMemberPreview(k, picture);
  PreviewSlot& s = previewState.slots[k];
  if (s.busy.load() == 0) {
    s.frame.Store(frame);
    s.picture.Store(picture);
    s.index.store(k, std::memory_order_relaxed);
    s.stop.store(0, std::memory_order_relaxed);
    s.initialBlock.store(kMainInitialBlock, std::memory_order_relaxed);
    s.busy.store(1);
  }
  s.restart.store(1);
}

void ResetPreview(int k) {
  PreviewSlot& s = previewState.slots[k];
  s.stop.store(0, std::memory_order_relaxed);
  s.initialBlock.store(kMainInitialBlock, std::memory_order_relaxed);
  s.busy.store(1);
  s.restart.store(1);
}

void StopPreview(int k, bool clearReady) {
  PreviewSlot& s = previewState.slots[k];
  MainWorker& w = previewState.worker;
  for (;;) {
    s.stop.store(1);
    s.restart.store(0);
    s.busy.store(0);
    if (w.running.load() == 0 || w.activeSlot.load() != k) break;
    Pause();
  }
  DialogState& dialogs = Dialogs();
  if (dialogs.ready[k] != 0) {
    if (clearReady) dialogs.ready[k] = 0;
    NodeRelease(&dialogs.renderRefs[k], &GlobalPopulation().views[k]);
    s.evaluator.reset();
    s.evaluatorRoot = nullptr;
  }
}

void ClearAllSlots() {
  StopPreviewWorker();
  for (PreviewSlot& s : previewState.slots) {
    s.stop.store(0, std::memory_order_relaxed);
    s.restart.store(0, std::memory_order_relaxed);
    s.busy.store(0, std::memory_order_relaxed);
    s.initialBlock.store(kMainInitialBlock, std::memory_order_relaxed);
    s.countdown = 0;
    s.block = 0;
  }
}

void StopAllPreviews() {
  const int32_t n = PreviewCount();
  for (int k = 0; k < n && k < kMaxPreviews; ++k) {
    previewState.slots[k].stop.store(1);
    previewState.slots[k].busy.store(0);
  }
}

void HoldPreviewWorker() {
  StopPreviewWorker();
  previewState.worker.held = 1;
}

void ReleasePreviewWorker() {
  previewState.worker.held = 0;
}

bool PreviewWorkerHeld() {
  return previewState.worker.held != 0;
}

void EnsurePreviewWorker() {
  MainWorker& w = previewState.worker;
  // Two threads never evaluate one tree: while a child dialog owns the
  // trees, or the big preview holds one, the main previews wait.
  if (w.held != 0 || BigPreviewHoldsTree()) return;
  if (w.running.load() != 0 || PreviewCount() < 1 || !AnyRestartRaised()) return;
  int32_t expected = 0;
  if (!w.running.compare_exchange_strong(expected, 1)) return;
  w.stopAll.store(0);
  if (w.thread.joinable()) w.thread.join();
  w.thread = std::thread(PreviewWorker);
}

void StopPreviewWorker() {
  MainWorker& w = previewState.worker;
  w.stopAll.store(1);
  while (w.running.load() != 0)
    Pause();
  if (w.thread.joinable()) w.thread.join();
  FreeRetiredOrders();
}

bool PreviewWorkerRunning() {
  return previewState.worker.running.load() != 0;
}

bool WaitForPreviews(int32_t timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (previewState.worker.running.load() != 0) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

void RunRenderStep(int k) {
  // As a freshly started worker would: no stop of all is pending.
  previewState.worker.stopAll.store(0);
  RenderStep(previewState.slots[k]);
}

}  // namespace pxb::ui
