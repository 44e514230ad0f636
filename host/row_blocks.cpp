#include "host/row_blocks.h"

#include <utility>

namespace pxb::host {

RowEvaluators::RowEvaluators(RunEvaluator* first, std::vector<RunEvaluator*> helpers,
                             std::int32_t width, int stride, std::int32_t rowOrigin,
                             SelectColumns select)
    : first_(first),
      helpers_(std::move(helpers)),
      stride_(stride),
      rowOrigin_(rowOrigin),
      select_(std::move(select)),
      columns_(helpers_.size() + 1, std::vector<std::int32_t>(static_cast<std::size_t>(width))) {}

void RowEvaluators::Plan(RowBlock* block, std::int32_t top, std::int32_t end,
                         std::uint64_t samplesBefore) {
  block->top = top;
  block->end = end;
  block->samplesBefore = samplesBefore;
  block->rowStart.assign(static_cast<std::size_t>(end - top) + 1, 0);
  std::int32_t* columns = columns_[0].data();
  for (std::int32_t y = top; y < end; ++y) {
    const std::int32_t n = select_(y, columns);
    block->rowStart[static_cast<std::size_t>(y - top) + 1] =
        block->rowStart[static_cast<std::size_t>(y - top)] +
        static_cast<std::size_t>(n) * static_cast<std::size_t>(stride_);
  }
  block->values.resize(block->rowStart.back());
  block->next.store(top, std::memory_order_relaxed);
}

// Takes rows of block one at a time until none is left. Each row's draws are
// placed after the samples of the rows before it, so it does not matter
// which evaluator takes which row; without helpers the running sequence is
// used as it is.
void RowEvaluators::Claim(RowBlock* block, RunEvaluator* evaluator, std::int32_t* columns) const {
  const bool seek = !helpers_.empty();
  for (;;) {
    const std::int32_t y = block->next.fetch_add(1, std::memory_order_relaxed);
    if (y >= block->end) return;
    const std::size_t start = block->rowStart[static_cast<std::size_t>(y - block->top)];
    if (seek)
      evaluator->SeekSamples(block->samplesBefore + start / static_cast<std::size_t>(stride_));
    const std::int32_t n = select_(y, columns);
    evaluator->EvaluateRow(y - rowOrigin_, columns, n, block->values.data() + start);
  }
}

void RowEvaluators::Start(RowBlock* block) {
  Join();
  for (std::size_t h = 0; h < helpers_.size(); ++h) {
    RunEvaluator* evaluator = helpers_[h];
    std::int32_t* columns = columns_[h + 1].data();
    threads_.emplace_back([this, block, evaluator, columns] { Claim(block, evaluator, columns); });
  }
}

void RowEvaluators::Finish(RowBlock* block) {
  Claim(block, first_, columns_[0].data());
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
