#include "evolution/render.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "engine/colour.h"
#include "engine/eval.h"
#include "engine/growth.h"
#include "engine/run_eval.h"
#include "primitives/scalar.h"

namespace pxb {
namespace {

struct Band {
  int32_t first;
  int32_t end;
};

// A tree prepared for the render and the dither state its preparation left.
struct Worker {
  ViewParams vp{};
  Node* tree = nullptr;
  RandState dither = kDitherStartState;
  std::unique_ptr<RunEvaluator> evaluator;

  Worker() = default;
  Worker(const Worker&) = delete;
  Worker& operator=(const Worker&) = delete;
  ~Worker() {
    evaluator.reset();
    NodeRelease(&tree, &vp);
  }

  // The preparation draws from the start words exactly as a single-threaded
  // render does, so every worker's sequence starts in the same place.
  bool Grow(const Member& member, const RenderJob& job) {
    vp = ViewParams{job.width, job.height, 0, member.seed.rand};
    EvalContext ctx{};
    ctx.dither = &dither;
    tree = GrowTreeCopy(member, &vp);
    if (tree == nullptr) return false;
    PrepareTree(&tree, &ctx, &vp);
    // The root's resampling wrapper can fail for want of memory.
    if (tree == nullptr) return false;
    evaluator = std::make_unique<RunEvaluator>(tree, vp, dither);
    return true;
  }
};

const uint8_t* MaskRow(const RenderJob& job, int32_t y) {
  return job.mask != nullptr ? job.mask + y * job.maskRowBytes : nullptr;
}

// How many samples rows [0, y) evaluate, for every y in [0, height]: every
// pixel, or the selected ones.
std::vector<uint64_t> SamplesBeforeRows(const RenderJob& job) {
  std::vector<uint64_t> before(static_cast<size_t>(job.height) + 1, 0);
  for (int32_t y = 0; y < job.height; ++y) {
    uint64_t count = static_cast<uint64_t>(job.width);
    if (const uint8_t* mask = MaskRow(job, y); mask != nullptr) {
      count = 0;
      for (int32_t x = 0; x < job.width; ++x)
        count += mask[x * job.maskPixelBytes] != 0 ? 1 : 0;
    }
    before[static_cast<size_t>(y) + 1] = before[static_cast<size_t>(y)] + count;
  }
  return before;
}

// Hands out bands of a few rows, in increasing order, to whichever thread
// asks next, so that a thread that finishes early takes more of the image
// instead of waiting for one with costlier rows.
class BandQueue {
 public:
  BandQueue(int32_t height, int32_t threads)
      : height_(height), rows_(std::clamp(height / (threads * 32), 1, 8)) {}
  bool Next(Band* band) {
    const int32_t first = next_.fetch_add(rows_, std::memory_order_relaxed);
    if (first >= height_) return false;
    *band = Band{first, std::min(first + rows_, height_)};
    return true;
  }

 private:
  int32_t height_;
  int32_t rows_;
  std::atomic<int32_t> next_{0};
};

// The outcome of one band.
enum BandResult : char { kBandDone, kBandNoTree, kBandCancelled };

// Renders the bands the queue hands out. Each band starts at its own place in
// the draw sequence, so its rows come out the same whichever thread takes it.
char RenderBands(RunEvaluator& evaluator, TypeId rootType, const RenderJob& job,
                 const std::vector<uint64_t>& samplesBefore, BandQueue& queue,
                 const RowSink& sink) {
  const int channels = ChannelsOf(rootType);
  const auto width = static_cast<size_t>(job.width);
  std::vector<double> row(width * static_cast<size_t>(channels));
  std::vector<double> packed(width * static_cast<size_t>(channels));
  std::vector<int32_t> columns(width);
  Band band{};
  int32_t next = 0;
  while (queue.Next(&band)) {
    // A band that does not follow the last one jumps; an exact evaluator
    // (one thread) is always handed the next rows.
    if (band.first != next) evaluator.SeekSamples(samplesBefore[static_cast<size_t>(band.first)]);
    next = band.end;
    for (int32_t y = band.first; y < band.end; ++y) {
      if (job.cancel != nullptr && job.cancel->load(std::memory_order_relaxed))
        return kBandCancelled;
      const uint8_t* mask = MaskRow(job, y);
      int32_t n = 0;
      for (int32_t x = 0; x < job.width; ++x) {
        if (mask == nullptr || mask[x * job.maskPixelBytes] != 0)
          columns[static_cast<size_t>(n++)] = x;
      }
      if (mask == nullptr) {
        evaluator.EvaluateRow(y, columns.data(), n, row.data());
      } else {
        // Unselected pixels keep what the row held, as they are not evaluated.
        evaluator.EvaluateRow(y, columns.data(), n, packed.data());
        for (int32_t i = 0; i < n; ++i) {
          const auto from = static_cast<size_t>(i) * static_cast<size_t>(channels);
          const auto to =
              static_cast<size_t>(columns[static_cast<size_t>(i)]) * static_cast<size_t>(channels);
          std::copy(packed.begin() + static_cast<ptrdiff_t>(from),
                    packed.begin() + static_cast<ptrdiff_t>(from + static_cast<size_t>(channels)),
                    row.begin() + static_cast<ptrdiff_t>(to));
        }
      }
      sink(y, row.data());
      if (job.rowsDone != nullptr) job.rowsDone->fetch_add(1, std::memory_order_relaxed);
    }
  }
  return kBandDone;
}

// A tree that could not be grown outweighs a cancel.
RenderOutcome OutcomeOf(const std::vector<char>& bands) {
  if (std::find(bands.begin(), bands.end(), kBandNoTree) != bands.end()) {
    return RenderOutcome::kNoTree;
  }
  if (std::find(bands.begin(), bands.end(), kBandCancelled) != bands.end()) {
    return RenderOutcome::kCancelled;
  }
  return RenderOutcome::kDone;
}

}  // namespace

Node* GrowTreeCopy(const Member& member, ViewParams* vp) {
  Member view = member;
  view.choices = nullptr;
  vp->rand = member.seed.rand;
  Node* tree = GrowTree(static_cast<TypeId>(member.type), vp, 0, 0, -1, &view);
  FreeChoices(&view.choices);
  return tree;
}

RenderOutcome RenderMember(const Member& member, const RenderJob& job, const RowSink& sink) {
  if (job.width <= 0 || job.height <= 0) return RenderOutcome::kDone;
  Worker first;
  if (!first.Grow(member, job)) return RenderOutcome::kNoTree;
  const TypeId rootType = first.tree->type;
  int32_t threads = std::clamp(job.threads, 1, job.height);
  // Draws that cannot be placed ahead need every sample in order.
  if (first.evaluator->Exact()) threads = 1;
  const std::vector<uint64_t> samplesBefore = SamplesBeforeRows(job);
  BandQueue queue(job.height, threads);
  if (threads == 1) {
    return OutcomeOf({RenderBands(*first.evaluator, rootType, job, samplesBefore, queue, sink)});
  }

  // The tree and its maps are grown once; each further thread evaluates the
  // same nodes with an evaluator (buffers, caches, draw place) of its own.
  // A tree that some node would write into gets a copy per thread instead.
  const bool share = first.evaluator->SharesTree();
  std::vector<std::thread> workers;
  workers.reserve(static_cast<size_t>(threads));
  std::vector<char> bands(static_cast<size_t>(threads), kBandDone);
  for (int32_t t = 0; t < threads; ++t) {
    workers.emplace_back([&, t] {
      char& result = bands[static_cast<size_t>(t)];
      if (t == 0) {
        result = RenderBands(*first.evaluator, rootType, job, samplesBefore, queue, sink);
      } else if (share) {
        RunEvaluator own(first.tree, first.vp, first.dither);
        result = RenderBands(own, rootType, job, samplesBefore, queue, sink);
      } else {
        Worker own;
        result = own.Grow(member, job)
                     ? RenderBands(*own.evaluator, rootType, job, samplesBefore, queue, sink)
                     : static_cast<char>(kBandNoTree);
      }
    });
  }
  for (std::thread& w : workers)
    w.join();
  return OutcomeOf(bands);
}

const char* RenderFailureText(RenderOutcome outcome) {
  switch (outcome) {
    case RenderOutcome::kNoTree:
      return "has no tree: its weights grow no complete tree (or memory ran out)";
    case RenderOutcome::kCancelled:
      return "was cancelled";
    case RenderOutcome::kDone:
      break;
  }
  return "was rendered";
}

void QuantiseRowToRgb(const double* values, int channels, int32_t width, uint8_t* rgb) {
  for (int32_t x = 0; x < width; ++x) {
    const double* v = values + static_cast<ptrdiff_t>(x) * channels;
    for (int c = 0; c < 3; ++c) {
      rgb[3 * x + c] = static_cast<uint8_t>(QuantiseChannel(v[channels == 3 ? c : 0]));
    }
  }
}

void WriteFilteredPixel(const double* value, int channels, int colourPlanes, const uint8_t* in,
                        uint8_t mask, bool haveMask, uint8_t* out, int planes) {
  for (int p = std::max(colourPlanes, 0); p < planes; ++p)
    out[p] = 255;
  const int shared = std::min(planes, colourPlanes);
  for (int p = shared - 1; p >= 0; --p) {
    const double v = value[channels == 1 ? 0 : p];
    if (haveMask && mask != 0) {
      const double a = mask / 255.0;
      out[p] = static_cast<uint8_t>(QuantiseChannel(in[p] * (1.0 - a) / 255.0 + v * a));
    } else {
      out[p] = static_cast<uint8_t>(QuantiseChannel(v));
    }
  }
}

}  // namespace pxb
