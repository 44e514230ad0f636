// The background threads that draw the previews progressively: first
// squares of 4 pixels (8 for the big preview) at shuffled sample points, then
// of 2, then every pixel once. The dialog thread only asks for previews to be
// started, restarted or stopped, and waits for a worker where it must change
// a member.
//
// Threading protocol. The flags below are 32-bit atomics. A slot's index,
// rectangles, stop request and initial block size are written (relaxed)
// before its busy and restart flags are raised (release); the worker reads
// them only after it has seen a raised flag (acquire). The dialog thread
// changes a member only after the worker that could evaluate it has ended
// (StopPreviewWorker, StopBigPreview) or has left the member's slot
// (StopPreview). The worker publishes the slot it is looking at before it
// reads that slot's flags, and StopPreview clears the flags before it looks
// at that word, so one of the two always sees the other. No locks.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "engine/rand.h"
#include "engine/run_eval.h"
#include "ui/dialog_layer.h"

namespace pxb::ui {

inline constexpr int32_t kMainInitialBlock = 4;
inline constexpr int32_t kBigInitialBlock = 8;
inline constexpr int32_t kSamplesPerStep = 100;
inline constexpr int32_t kMainSampleFactor = 3;
inline constexpr int32_t kBigSampleFactor = 2;

struct SamplePoint {
  int32_t x;
  int32_t y;
};

// A shuffled list of the points of a width × height grid.
struct SampleOrder {
  int32_t count = 0;
  std::unique_ptr<SamplePoint[]> points;
};

// Fills order with the w × h points in x-major order (entry x·h + y holds
// (x, y)) and shuffles it forward with M - 1 draws of NextInt31.
void FillSampleOrder(SampleOrder* order, int32_t width, int32_t height);

// A rectangle whose four values are read and written as atomics.
struct SharedRect {
  std::atomic<int32_t> left{0};
  std::atomic<int32_t> top{0};
  std::atomic<int32_t> right{0};
  std::atomic<int32_t> bottom{0};

  void Store(const Rect& r);
  Rect Load() const;
};

// The render state of one main preview.
struct PreviewSlot {
  // Shared with the worker.
  std::atomic<int32_t> index{0};
  std::atomic<int32_t> stop{0};
  std::atomic<int32_t> busy{0};
  std::atomic<int32_t> restart{0};
  SharedRect frame;
  SharedRect picture;
  std::atomic<int32_t> initialBlock{kMainInitialBlock};
  // The worker's own.
  int32_t countdown = 0;
  int32_t block = 0;
  int32_t cursor = 0;  // never reset: a restart goes on from where it was
  RandState dither{};  // what "dither" draws from during this preview's render
  // The run evaluator of the slot's prepared tree, made when first needed
  // and dropped whenever the tree is prepared again or released.
  std::unique_ptr<RunEvaluator> evaluator;
  const Node* evaluatorRoot = nullptr;
};

PreviewSlot& Slot(int k);

// The main sample order: built by LayoutPreviews for the largest picture.
void MakeSampleOrder(int32_t width, int32_t height);
int32_t MainSampleCount();
// The big sample order: built by the selection dialog for its picture.
void MakeBigSampleOrder(int32_t width, int32_t height);
int32_t BigSampleCount();

// Main previews (dialog thread only).
void StartPreview(int k, const Rect& frame, const Rect& picture);
void PrepareMemberPreview(int k, const Rect& picture);
// Prepares render reference k for its view with the slot's "dither" state.
void PrepareRenderReference(int k);
void ResetPreview(int k);
void StopPreview(int k, bool clearReady);
void StopAllPreviews();
// Ends the worker and leaves every slot idle, so the next start of each
// takes the rectangles it is given (a slot left busy keeps its old ones).
void ClearAllSlots();
// Starts the worker when a preview waits for it, unless the worker is held
// or the big preview holds a tree.
void EnsurePreviewWorker();
void StopPreviewWorker();
// Stops the worker and keeps it from starting again until it is released:
// for as long as a child dialog may prepare or draw the members' trees.
void HoldPreviewWorker();
void ReleasePreviewWorker();
bool PreviewWorkerHeld();
bool PreviewWorkerRunning();
// Waits until the preview worker has ended (every preview finished or
// stopped); false after timeoutMs.
bool WaitForPreviews(int32_t timeoutMs);
// One step of slot k on the calling thread, as a freshly started worker
// runs it; only while no worker runs.
void RunRenderStep(int k);

// The big preview of the selection dialog (dialog thread only).
void StartBigPreview(int k, const Rect& frame, const Rect& picture);
// Renders member k's current tree afresh in the picture of the last start,
// without a border.
void RestartBigPreview(int k);
void StopBigPreview();
bool BigPreviewRunning();
// True from a start of the big preview until it is stopped: it holds a
// member's tree, prepared for its own view.
bool BigPreviewHoldsTree();
bool WaitForBigPreview(int32_t timeoutMs);

// Whether a member of memberType is previewed in colour: as the final pass
// writes it, only a colour member in a colour run gives three channels;
// otherwise its first value goes into every plane.
bool ShownInColour(int32_t memberType);
// The colour of one evaluation result: red + 256 · green + 65536 · blue;
// grey from the first value unless colour.
uint32_t SampleColour(const void* result, bool colour);

}  // namespace pxb::ui
