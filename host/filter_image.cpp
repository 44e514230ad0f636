#include "host/filter_image.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "engine/colour.h"
#include "engine/eval.h"
#include "engine/run_eval.h"
#include "evolution/population.h"
#include "evolution/render.h"
#include "host/row_blocks.h"
#include "primitives/fractal_generator.h"
#include "primitives/scalar.h"
#include "primitives/source_image.h"

namespace pxb::host {
namespace {

constexpr std::int32_t kFinalGridSize = 256;

std::int32_t ClampToInt32(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, 0, INT32_MAX));
}

// Where the input rows of the current band are: the host's buffer or the
// private copy. firstRow is the image row of the first row at data.
struct InputRows {
  const std::uint8_t* data;
  std::int64_t rowBytes;
  std::int32_t firstRow;
};

// Rows evaluated ahead of writing, per thread of the pass, as long as a
// block of them (written pixels and selected columns) stays within
// kBlockBytes: two blocks are held at a time.
constexpr std::int32_t kRowsPerThread = 32;
constexpr std::int64_t kBlockBytes = std::int64_t{16} << 20;
constexpr unsigned kMaxPassThreads = 8;

// How many threads a final pass may use; 0: one per core.
struct PassThreadSetting {
  std::atomic<unsigned> threads{0};
};
PassThreadSetting passThreadSetting;

unsigned PassThreads() {
  const unsigned chosen = passThreadSetting.threads.load(std::memory_order_relaxed);
  return std::clamp(chosen != 0 ? chosen : std::thread::hardware_concurrency(), 1u,
                    kMaxPassThreads);
}

// An evaluator for each further thread of the final pass, on the pass's own
// tree when evaluation writes nothing into it, or else on a tree of its own.
struct PassWorker {
  ViewParams view{};
  Node* tree = nullptr;  // null: the pass's tree is shared
  std::unique_ptr<RunEvaluator> evaluator;

  PassWorker() = default;
  PassWorker(const PassWorker&) = delete;
  PassWorker& operator=(const PassWorker&) = delete;
  ~PassWorker() {
    evaluator.reset();
    NodeRelease(&tree, &view);
  }
};

// One final pass over the run's filter rectangle.
struct Pass {
  api::FilterRecord* r;
  api::Rect16 rect;  // the filter rectangle
  std::int32_t width;
  std::int32_t height;
  std::int32_t planes;
  std::int32_t pixelSize;  // bytes of one input pixel
  std::int32_t colourPlanes;
  Member* member;
  ViewParams* view;
  EvalContext* context;
  Node* tree;  // the render reference, once grown
  int channels;
  // Evaluates the tree a row at a time; its dither sequence runs on from
  // band to band as one per-sample walk's would.
  std::unique_ptr<RunEvaluator> evaluator;
  // Further threads; empty when the tree's draws need every sample in order.
  std::vector<std::unique_ptr<PassWorker>> helpers;
  std::unique_ptr<RowEvaluators> rows;  // all of the pass's evaluators
  InputRows in{};                       // the input of the rows being filtered
  std::uint64_t samplesDone = 0;        // samples evaluated so far in the pass
  RowBlock blocks[2];                   // one being written, one evaluated ahead
};

bool AbortRequested(const Pass& p) {
  return p.r->abortProc != nullptr && p.r->abortProc() != 0;
}

api::OSErr Advance(const Pass& p) {
  return p.r->advanceState != nullptr ? p.r->advanceState() : api::errPlugInHostInsufficient;
}

api::Rect16 Rows(const Pass& p, std::int32_t top, std::int32_t end) {
  return api::Rect16{static_cast<std::int16_t>(top), p.rect.left, static_cast<std::int16_t>(end),
                     p.rect.right};
}

// An evaluator for each further core. The pass's tree is shared when
// evaluating it writes nothing into it; otherwise each helper grows and
// prepares a tree of its own, drawing from the start words as the first
// one's preparation did, so all evaluators place their draws in the same
// sequence. Fewer helpers (or none) when memory is short: the pass is then
// slower, not different.
void AddHelpers(Pass* p, const RandState& dither) {
  if (p->evaluator->Exact()) return;
  const bool share = p->evaluator->SharesTree();
  const unsigned threads = PassThreads();
  for (unsigned t = 1; t < threads && t < static_cast<unsigned>(p->height); ++t) {
    auto helper = std::make_unique<PassWorker>();
    if (share) {
      helper->evaluator = std::make_unique<RunEvaluator>(p->tree, *p->view, dither);
    } else {
      helper->view = *p->view;
      helper->tree = GrowTreeCopy(*p->member, &helper->view);
      if (helper->tree == nullptr) return;
      RandState own = kDitherStartState;
      EvalContext context{};
      context.dither = &own;
      PrepareTree(&helper->tree, &context, &helper->view);
      if (helper->tree == nullptr) return;
      helper->evaluator = std::make_unique<RunEvaluator>(helper->tree, helper->view, own);
    }
    p->helpers.push_back(std::move(helper));
  }
}

const std::uint8_t* MaskRow(const Pass& p, std::int32_t y) {
  const api::FilterRecord* r = p.r;
  if (r->haveMask == 0 || r->maskData == nullptr) return nullptr;
  return static_cast<const std::uint8_t*>(r->maskData) +
         static_cast<std::int64_t>(y - r->maskRect.top) * r->maskRowBytes;
}

// The selected columns of image row y.
std::int32_t SelectedColumns(const Pass& p, std::int32_t y, std::int32_t* columns) {
  const std::uint8_t* mask = MaskRow(p, y);
  std::int32_t n = 0;
  for (std::int32_t c = 0; c < p.width; ++c) {
    if (mask == nullptr || mask[c] != 0) columns[n++] = c;
  }
  return n;
}

// The filtered pixels of n selected columns of image row y, blended with
// the input by the selection, into out (the row's pixels, planes each).
void WriteSelected(const Pass& p, std::int32_t y, const std::int32_t* columns, std::int32_t n,
                   const double* values, std::uint8_t* out) {
  const std::uint8_t* mask = MaskRow(p, y);
  const std::uint8_t* in = p.in.data + (y - p.in.firstRow) * p.in.rowBytes;
  const int stride = p.tree->type == kColour ? 3 : 1;
  for (std::int32_t i = 0; i < n; ++i) {
    const std::int32_t c = columns[i];
    WriteFilteredPixel(values + static_cast<std::ptrdiff_t>(i) * stride, p.channels, p.colourPlanes,
                       in + static_cast<std::ptrdiff_t>(c) * p.pixelSize,
                       mask != nullptr ? mask[c] : 0, mask != nullptr,
                       out + static_cast<std::ptrdiff_t>(c) * p.planes, p.planes);
  }
}

// Regrows the member for a view of the whole rectangle with 256-cell fractal
// maps and prepares it, with "dither" drawing from a state that starts at the
// start words. The source image must be in place: fractal modulators may read
// it while the tree grows.
bool GrowTree(Pass* p) {
  PluginRun& run = CurrentRun();
  run.passDither = kDitherStartState;
  *p->context = EvalContext{};
  p->context->dither = &run.passDither;
  p->view->width = p->width;
  p->view->height = p->height;
  SetFractalGridSize(kFinalGridSize);
  RegrowMember(p->member, p->view);
  if (p->member->tree == nullptr) return false;
  p->tree = p->member->tree;
  NodeRetain(p->tree);
  PrepareTree(&p->tree, p->context, p->view);
  // The root's resampling wrapper can fail for want of memory.
  if (p->tree == nullptr) return false;
  p->evaluator = std::make_unique<RunEvaluator>(p->tree, *p->view, run.passDither);
  AddHelpers(p, run.passDither);
  std::vector<RunEvaluator*> helpers;
  for (const auto& helper : p->helpers)
    helpers.push_back(helper->evaluator.get());
  p->rows = std::make_unique<RowEvaluators>(
      p->evaluator.get(), std::move(helpers), p->width, p->rect.top,
      [p](std::int32_t y, std::int32_t* columns) { return SelectedColumns(*p, y, columns); },
      p->planes,
      [p](std::int32_t y, const std::int32_t* columns, std::int32_t n, const double* values,
          std::uint8_t* out) { WriteSelected(*p, y, columns, n, values, out); });
  return true;
}

// A member whose weights grow no tree (a file whose lists leave some
// argument with nothing to choose) is a problem of the session file, told to
// the host with the member and the file; nothing is filtered.
void ReportNoTree(const Pass& p) {
  const std::ptrdiff_t k = p.member - GlobalPopulation().members;
  ReportFailure(api::readErr, "member " + std::to_string(k) + " of " + CurrentRun().sessionPath +
                                  " grows no filter: its weights leave an argument with no "
                                  "function to choose");
}

// Copies row y of block into the host's output buffer, the unselected
// pixels from the input; pixels [0, count) only.
void CopyRow(const Pass& p, const RowBlock& block, std::int32_t y, std::int32_t count) {
  const api::FilterRecord* r = p.r;
  const auto planes = static_cast<std::size_t>(p.planes);
  const std::uint8_t* from =
      block.pixels.data() + static_cast<std::size_t>(y - block.top) * block.rowBytes;
  std::uint8_t* to = static_cast<std::uint8_t*>(r->outData) +
                     static_cast<std::int64_t>(y - r->outRect.top) * r->outRowBytes;
  const std::uint8_t* mask = MaskRow(p, y);
  if (mask == nullptr) {
    std::memcpy(to, from, static_cast<std::size_t>(count) * planes);
    return;
  }
  const std::uint8_t* in = p.in.data + (y - p.in.firstRow) * p.in.rowBytes;
  const auto copied = std::min(planes, static_cast<std::size_t>(p.pixelSize));
  for (std::int32_t c = 0; c < count; ++c) {
    if (mask[c] == 0) {
      std::memcpy(to, in, copied);
    } else {
      std::memcpy(to, from, planes);
    }
    in += p.pixelSize;
    from += planes;
    to += planes;
  }
}

// The pixels of row y before the first one at which the host asks to abort:
// the whole row when it does not.
std::int32_t PixelsBeforeAbort(const Pass& p) {
  api::FilterRecord* r = p.r;
  if (r->abortProc == nullptr) return p.width;
  for (std::int32_t c = 0; c < p.width; ++c) {
    if (r->abortProc() != 0) return c;
  }
  return p.width;
}

// Filters image rows [top, end) into the host's output buffer. False when
// the user aborted (the result is then userCanceledErr). Blocks of rows are
// evaluated and written ahead on every core; the host's callbacks (progress
// before each row, abort before each pixel) stay on this thread, as the
// rows are copied to the host's buffer.
bool FilterRows(Pass* p, std::int32_t top, std::int32_t end, const InputRows& in) {
  api::FilterRecord* r = p->r;
  if (in.data == nullptr || r->outData == nullptr) {
    SetResult(api::filterBadParameters);  // the host delivered no buffer
    return false;
  }
  if (top >= end) return true;
  p->in = in;
  const std::int64_t rowBytes =
      std::int64_t{p->width} * (p->planes + static_cast<std::int64_t>(sizeof(std::int32_t)));
  const auto block = static_cast<std::int32_t>(
      std::clamp<std::int64_t>(kRowsPerThread * static_cast<std::int64_t>(p->helpers.size() + 1), 1,
                               std::max<std::int64_t>(1, kBlockBytes / rowBytes)));
  RowEvaluators& rows = *p->rows;
  RowBlock* current = &p->blocks[0];
  RowBlock* ahead = &p->blocks[1];
  rows.Plan(current, top, std::min(end, top + block), p->samplesDone);
  rows.Start(current);
  rows.Finish(current);
  for (;;) {
    // The next block is evaluated on the other cores while this one is
    // handed over here.
    const bool more = current->end < end;
    if (more) {
      rows.Plan(ahead, current->end, std::min(end, current->end + block), current->SamplesAfter());
      rows.Start(ahead);
    }
    for (std::int32_t y = current->top; y < current->end; ++y) {
      if (r->progressProc != nullptr) r->progressProc(y - p->rect.top, p->height);
      const std::int32_t done = PixelsBeforeAbort(*p);
      CopyRow(*p, *current, y, done);
      if (done < p->width) {
        if (more) rows.Abandon(ahead);
        SetResult(api::userCanceledErr);
        return false;
      }
    }
    p->samplesDone = current->SamplesAfter();
    if (!more) return true;
    rows.Finish(ahead);
    std::swap(current, ahead);
  }
}

// The band loop's check before each band: false (with userCanceledErr) on
// abort or after an earlier failure.
bool MayGoOn(const Pass& p) {
  if (AbortRequested(p) || Result() != api::noErr) {
    SetResult(api::userCanceledErr);
    return false;
  }
  return true;
}

void PassWithWholeInput(Pass* p) {
  const std::int32_t step = CurrentRun().outputRows;
  for (std::int32_t top = p->rect.top; top < p->rect.bottom; top += step) {
    if (!MayGoOn(*p)) break;
    const std::int32_t end = std::min<std::int32_t>(top + step, p->rect.bottom);
    p->r->inRect = p->rect;
    p->r->outRect = p->r->maskRect = Rows(*p, top, end);
    const api::OSErr code = Advance(*p);
    if (code != api::noErr) {
      SetResult(code);
      continue;
    }
    SetSourceImage(p->width, p->height, static_cast<const std::uint8_t*>(p->r->inData),
                   p->r->inRowBytes, p->pixelSize);
    if (p->tree == nullptr && !GrowTree(p)) {
      ReportNoTree(*p);
      break;
    }
    FilterRows(p, top, end,
               InputRows{static_cast<const std::uint8_t*>(p->r->inData), p->r->inRowBytes,
                         p->r->inRect.top});
  }
}

void PassWithBandInput(Pass* p) {
  const std::int32_t step = CurrentRun().rowsPerBand;
  for (std::int32_t top = p->rect.top; top < p->rect.bottom; top += step) {
    if (!MayGoOn(*p)) break;
    // Every band asks for the same number of rows (the host pads below the
    // image), so the leaves keep one size for the whole pass.
    const std::int32_t bottom = std::min<std::int32_t>(top + step, INT16_MAX);
    p->r->inRect = p->r->outRect = p->r->maskRect = Rows(*p, top, bottom);
    const api::OSErr code = Advance(*p);
    if (code != api::noErr) {
      SetResult(code);
      continue;
    }
    SetSourceImage(p->width, bottom - top, static_cast<const std::uint8_t*>(p->r->inData),
                   p->r->inRowBytes, p->pixelSize);
    if (p->tree == nullptr && !GrowTree(p)) {
      ReportNoTree(*p);
      break;
    }
    FilterRows(p, top, std::min<std::int32_t>(bottom, p->rect.bottom),
               InputRows{static_cast<const std::uint8_t*>(p->r->inData), p->r->inRowBytes, top});
  }
}

// Collects the whole input band by band into copy; false when that stopped.
bool CollectInput(Pass* p, std::uint8_t* copy) {
  const std::int32_t step = CurrentRun().rowsPerBand;
  const auto rowBytes = static_cast<std::size_t>(p->width) * static_cast<std::size_t>(p->pixelSize);
  for (std::int32_t top = p->rect.top; top < p->rect.bottom; top += step) {
    if (!MayGoOn(*p)) return false;
    const std::int32_t end = std::min<std::int32_t>(top + step, p->rect.bottom);
    p->r->inRect = Rows(*p, top, end);
    p->r->outRect = p->r->maskRect = api::Rect16{};
    const api::OSErr code = Advance(*p);
    if (code != api::noErr || p->r->inData == nullptr) {
      SetResult(code != api::noErr ? code : api::filterBadParameters);
      return false;
    }
    for (std::int32_t y = top; y < end; ++y) {
      std::memcpy(copy + static_cast<std::size_t>(y - p->rect.top) * rowBytes,
                  static_cast<const std::uint8_t*>(p->r->inData) +
                      static_cast<std::int64_t>(y - top) * p->r->inRowBytes,
                  rowBytes);
    }
  }
  return true;
}

void PassWithPrivateCopy(Pass* p, std::uint8_t* copy) {
  if (!CollectInput(p, copy)) return;
  const auto rowBytes = static_cast<std::int64_t>(p->width) * p->pixelSize;
  SetSourceImage(p->width, p->height, copy, static_cast<std::int32_t>(rowBytes), p->pixelSize);
  if (!GrowTree(p)) {
    ReportNoTree(*p);
    return;
  }
  const std::int32_t step = CurrentRun().outputRows;
  for (std::int32_t top = p->rect.top; top < p->rect.bottom; top += step) {
    if (!MayGoOn(*p)) break;
    const std::int32_t end = std::min<std::int32_t>(top + step, p->rect.bottom);
    p->r->inRect = api::Rect16{};
    p->r->outRect = p->r->maskRect = Rows(*p, top, end);
    const api::OSErr code = Advance(*p);
    if (code != api::noErr) {
      SetResult(code);
      continue;
    }
    FilterRows(p, top, end, InputRows{copy, rowBytes, p->rect.top});
  }
}

// The private copy of the input, or null when it cannot or may not be had.
std::unique_ptr<std::uint8_t[]> AllocateCopy(const Pass& p) {
  const std::int64_t bytes = std::int64_t{p.width} * p.height * p.pixelSize;
  if (bytes > CurrentRun().privateCopyLimit) return nullptr;
  if constexpr (sizeof(std::size_t) < sizeof(std::int64_t)) {
    if (bytes > static_cast<std::int64_t>(SIZE_MAX)) return nullptr;
  }
  return std::unique_ptr<std::uint8_t[]>(new (std::nothrow)
                                             std::uint8_t[static_cast<std::size_t>(bytes)]);
}

}  // namespace

PassLayout PlanPass(std::int32_t width, std::int32_t height, std::int32_t planes,
                    std::int32_t maxSpace) {
  const std::int64_t w = width;
  const std::int64_t h = height;
  const std::int64_t p = std::max(planes, 0);
  const std::int64_t rowBytes = (2 * p + 1) * w;
  std::int64_t rows = rowBytes > 0 ? (std::int64_t{maxSpace} - 1) / rowBytes : h;
  rows = std::clamp<std::int64_t>(rows, 1, std::max<std::int64_t>(h, 1));
  PassLayout layout{static_cast<std::int32_t>(rows), InputPlan::kPrivateCopy,
                    static_cast<std::int32_t>(rows), ClampToInt32(rows * rowBytes)};
  if (w <= 0 || h <= 0) return layout;

  const std::int64_t input = w * h * p;
  const std::int64_t outputRow = w * (p + 1);
  if (input + outputRow < maxSpace) {
    const std::int64_t out = std::min(h, (maxSpace - 1 - input) / outputRow);
    layout.plan = InputPlan::kWholeFromHost;
    layout.outputRows = static_cast<std::int32_t>(out);
    layout.maxSpace = ClampToInt32(input + out * outputRow);
    return layout;
  }
  // The input comes in bands of rowsPerBand; output and mask then take all
  // the room.
  const std::int64_t out = std::clamp<std::int64_t>((maxSpace - 1) / outputRow, 1, h);
  layout.outputRows = static_cast<std::int32_t>(out);
  layout.maxSpace = ClampToInt32(std::max(rows * rowBytes, out * outputRow));
  return layout;
}

void FilterImage() {
  PluginRun& run = CurrentRun();
  api::FilterRecord* r = run.record;
  Population& population = GlobalPopulation();
  const int k = population.chosenMember;
  r->inLoPlane = r->outLoPlane = 0;
  r->inHiPlane = r->outHiPlane = static_cast<std::int16_t>(r->planes - 1);
  r->inputRate = r->maskRate = api::kFixedOne;

  Pass p{};
  p.r = r;
  p.rect = r->filterRect;
  p.width = r->filterRect.right - r->filterRect.left;
  p.height = r->filterRect.bottom - r->filterRect.top;
  if (p.width <= 0 || p.height <= 0 || k < 0 || k >= kPopulationSize) {
    ClearRects();
    return;
  }
  p.planes = r->planes;
  p.pixelSize = r->inHiPlane - r->inLoPlane + 1;
  p.colourPlanes = run.colourPlaneCount;
  p.member = &population.members[k];
  p.view = &population.views[k];
  p.context = &population.contexts[k];
  // A colour tree gives three channels only to a colour image; a grey or
  // ink image takes its first channel, as a colour image takes a grey tree's
  // value in every plane.
  p.channels = p.member->type == kColour && population.rootType == kColour ? 3 : 1;

  InputPlan plan = run.inputPlan;
  std::unique_ptr<std::uint8_t[]> copy;
  if (plan == InputPlan::kPrivateCopy) {
    copy = AllocateCopy(p);
    if (copy == nullptr) plan = InputPlan::kBandOnly;
  }
  switch (plan) {
    case InputPlan::kWholeFromHost:
      PassWithWholeInput(&p);
      break;
    case InputPlan::kPrivateCopy:
      PassWithPrivateCopy(&p, copy.get());
      break;
    case InputPlan::kBandOnly:
      PassWithBandInput(&p);
      break;
  }
  if (p.tree != nullptr) NodeRelease(&p.tree, p.view);
  ClearRects();
}

void SetFinalPassThreads(unsigned threads) {
  passThreadSetting.threads.store(threads, std::memory_order_relaxed);
}

}  // namespace pxb::host
