#include "host/row_blocks.h"

#include <algorithm>
#include <utility>

namespace pxb::host {

RowEvaluators::RowEvaluators(RunEvaluator* first, std::vector<RunEvaluator*> helpers,
                             std::int32_t width, std::int32_t rowOrigin, SelectColumns select,
                             int pixelBytes, WritePixels write)
    : first_(first),
      helpers_(std::move(helpers)),
      width_(width),
      rowOrigin_(rowOrigin),
      select_(std::move(select)),
      rowBytes_(static_cast<std::size_t>(width) * static_cast<std::size_t>(pixelBytes)),
      write_(std::move(write)) {}

void RowEvaluators::Plan(RowBlock* block, std::int32_t top, std::int32_t end,
                         std::uint64_t samplesBefore) {
  block->top = top;
  block->end = end;
  block->samplesBefore = samplesBefore;
  const auto rows = static_cast<std::size_t>(end - top);
  block->rowStart.assign(rows + 1, 0);
  block->columns.resize(rows * static_cast<std::size_t>(width_));
  std::size_t samples = 0;
  for (std::size_t i = 0; i < rows; ++i) {
    const std::int32_t n =
        select_(top + static_cast<std::int32_t>(i), block->columns.data() + samples);
    samples += static_cast<std::size_t>(n);
    block->rowStart[i + 1] = samples;
  }
  block->rowBytes = rowBytes_;
  block->pixels.resize(rows * rowBytes_);
  block->piecesPerRow = std::max<std::int32_t>(1, (width_ + kMaxRun - 1) / kMaxRun);
  block->pieces = static_cast<std::int32_t>(rows) * block->piecesPerRow;
  block->next.store(0, std::memory_order_relaxed);
}

// Takes pieces of block one at a time until none is left. Each piece's draws
// are placed after the samples before it, so it does not matter which
// evaluator takes which piece; without helpers the running sequence is used
// as it is.
void RowEvaluators::Claim(RowBlock* block, RunEvaluator* evaluator) const {
  const bool seek = !helpers_.empty();
  double values[3 * kMaxRun];
  for (;;) {
    const std::int32_t piece = block->next.fetch_add(1, std::memory_order_relaxed);
    if (piece >= block->pieces) return;
    const auto row = static_cast<std::size_t>(piece / block->piecesPerRow);
    const std::size_t first =
        block->rowStart[row] + static_cast<std::size_t>(piece % block->piecesPerRow) * kMaxRun;
    if (first >= block->rowStart[row + 1]) continue;
    const auto n =
        static_cast<std::int32_t>(std::min<std::size_t>(block->rowStart[row + 1] - first, kMaxRun));
    if (seek) evaluator->SeekSamples(block->samplesBefore + first);
    const std::int32_t y = block->top + static_cast<std::int32_t>(row);
    const std::int32_t* columns = block->columns.data() + first;
    evaluator->EvaluateRow(y - rowOrigin_, columns, n, values);
    write_(y, columns, n, values, block->pixels.data() + row * block->rowBytes);
  }
}

void RowEvaluators::Start(RowBlock* block) {
  Join();
  for (RunEvaluator* evaluator : helpers_)
    threads_.emplace_back([this, block, evaluator] { Claim(block, evaluator); });
}

void RowEvaluators::Finish(RowBlock* block) {
  Claim(block, first_);
  Join();
}

void RowEvaluators::Abandon(RowBlock* block) {
  block->next.store(block->end, std::memory_order_relaxed);
  Join();
}

void RowEvaluators::Join() {
  for (std::thread& t : threads_)
    t.join();
  threads_.clear();
}

}  // namespace pxb::host
