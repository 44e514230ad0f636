// The progressive sampling shared by the main and the big preview workers.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/node.h"
#include "engine/run_eval.h"
#include "ui/layer_calls.h"
#include "ui/preview.h"

namespace pxb::ui {

struct StageProgress {
  int32_t block;      // side of the squares being painted
  int32_t countdown;  // samples left at this block size
  int32_t cursor;     // position in the sample order
};

// Samples of a stage of block b on a w × h picture: every point of the
// order once at b = 1, otherwise (factor · h · w) div (b · b).
inline int32_t StageLength(int32_t factor, int32_t w, int32_t h, int32_t b, int32_t count) {
  return b == 1 ? count : (factor * h * w) / (b * b);
}

// What one step draws with.
struct StepTarget {
  const SampleOrder* order;
  Rect picture;
  Node* root;
  EvalContext* context;
  const ViewParams* view;
  int32_t factor;
  // Stop requests looked at after every sample (either may be null).
  const std::atomic<int32_t>* stopAll;
  const std::atomic<int32_t>* stop;
  // Whether the samples are shown in colour (see SampleColour).
  bool colour;
  // The run evaluator of root for view; null evaluates sample by sample.
  // Either way "dither" draws from context->dither in the order of the
  // samples.
  RunEvaluator* evaluator = nullptr;
};

struct StepOutcome {
  bool finished;   // every point has been drawn at full resolution
  bool stopNoted;  // a stop was requested at the last sample
};

// Draws at most kSamplesPerStep samples: counts the stage down, moves to the
// next smaller block when it runs out, and paints the square of each sample
// that falls inside the picture, clipped to it.
StepOutcome DrawSamples(StageProgress* progress, const StepTarget& target,
                        const win::Drawing& drawing);

}  // namespace pxb::ui
