// The final pass's rows evaluated ahead of writing, a block at a time: while
// the host's thread writes one block (and calls the host back), the other
// cores already evaluate the next, and the host's thread joins them when it
// is done writing.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

#include "engine/run_eval.h"

namespace pxb::host {

// The selected columns of image row y, written to columns; returns how many.
using SelectColumns = std::function<std::int32_t(std::int32_t y, std::int32_t* columns)>;

// Writes the pixels of n evaluated samples of image row y (at the given
// columns, with their values) into that row of out, on the thread that
// evaluated them.
using WritePixels = std::function<void(std::int32_t y, const std::int32_t* columns, std::int32_t n,
                                       const double* values, std::uint8_t* out)>;

// One block of image rows and their values. The rows are handed out in
// pieces of one run each, so that the evaluators finish a block together.
struct RowBlock {
  std::int32_t top = 0;
  std::int32_t end = 0;
  std::uint64_t samplesBefore = 0;    // samples of the pass before the block
  std::vector<std::size_t> rowStart;  // each row's first sample in the block; then the end
  std::vector<std::int32_t> columns;  // each row's selected columns, one per sample
  std::vector<std::uint8_t> pixels;   // the written rows, rowBytes apart
  std::size_t rowBytes = 0;
  std::int32_t piecesPerRow = 1;
  std::int32_t pieces = 0;
  std::atomic<std::int32_t> next{0};  // the next piece nobody has claimed

  std::uint64_t SamplesAfter() const { return samplesBefore + rowStart.back(); }
};

class RowEvaluators {
 public:
  // first evaluates on the calling thread, each helper on a thread of its
  // own; all evaluate the same prepared tree. rowOrigin is the image row of
  // the tree's row 0; a written row is width pixels of pixelBytes. Without
  // helpers, rows are evaluated in order from one running draw sequence (as
  // a tree whose draws cannot be placed needs).
  RowEvaluators(RunEvaluator* first, std::vector<RunEvaluator*> helpers, std::int32_t width,
                std::int32_t rowOrigin, SelectColumns select, int pixelBytes, WritePixels write);
  RowEvaluators(const RowEvaluators&) = delete;
  RowEvaluators& operator=(const RowEvaluators&) = delete;
  ~RowEvaluators() { Join(); }

  // Readies block for rows [top, end), the pass having evaluated
  // samplesBefore samples before them.
  void Plan(RowBlock* block, std::int32_t top, std::int32_t end, std::uint64_t samplesBefore);
  // Sets the helpers to work on block.
  void Start(RowBlock* block);
  // Evaluates what is left of block on the calling thread, then waits for
  // the helpers: the block's values are then all there.
  void Finish(RowBlock* block);
  // Stops the helpers after the rows they are on.
  void Abandon(RowBlock* block);

 private:
  void Claim(RowBlock* block, RunEvaluator* evaluator) const;
  void Join();

  RunEvaluator* first_;
  std::vector<RunEvaluator*> helpers_;
  std::int32_t width_;
  std::int32_t rowOrigin_;
  SelectColumns select_;
  std::size_t rowBytes_;
  WritePixels write_;
  std::vector<std::thread> threads_;
};

}  // namespace pxb::host
