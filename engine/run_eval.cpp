#include "engine/run_eval.h"

#include <algorithm>
#include <cstring>

#include "engine/colour.h"
#include "engine/eval.h"
#include "engine/numeric.h"
#include "engine/registry.h"
#include "engine/run_resample.h"

namespace pxb {
namespace {

struct RunFnEntry {
  EvalFn eval;
  RunFn run;
  RunTraits traits;
};

// The run versions known to the process, filled once during registration.
struct RunBlendEntry {
  EvalFn blend;
  RunBlendFn run;
};

struct RunFnTable {
  static constexpr int kCapacity = 64;
  RunFnEntry entries[kCapacity];
  int count;
  RunBlendEntry blends[kCapacity];
  int blendCount;
};

RunFnTable& RunFunctions() {
  static RunFnTable table{};
  return table;
}

const RunFnEntry* FindRunFn(EvalFn eval) {
  const RunFnTable& t = RunFunctions();
  for (int i = 0; i < t.count; ++i) {
    if (t.entries[i].eval == eval) return &t.entries[i];
  }
  return nullptr;
}

bool IsConstant(const Node* node) {
  return (kRenderMask & node->flags) == 0;
}

void FillRun(unsigned char* out, const void* value, int32_t size, int32_t count) {
  for (int32_t i = 0; i < count; ++i)
    CopyValue(out + static_cast<ptrdiff_t>(i) * size, value, size);
}

}  // namespace

RunBlendFn FindRunBlend(EvalFn blend) {
  const RunFnTable& t = RunFunctions();
  for (int i = 0; i < t.blendCount; ++i) {
    if (t.blends[i].blend == blend) return t.blends[i].run;
  }
  return nullptr;
}

void RegisterRunFn(EvalFn eval, RunFn run, const RunTraits& traits) {
  RunFnTable& t = RunFunctions();
  const RunFnEntry entry{eval, run, traits};
  for (int i = 0; i < t.count; ++i) {
    if (t.entries[i].eval == eval) {
      t.entries[i] = entry;
      return;
    }
  }
  if (t.count < RunFnTable::kCapacity) t.entries[t.count++] = entry;
}

RunEvaluator::RunEvaluator(Node* root, const ViewParams& view, const RandState& dither)
    : root_(root), view_(view), start_(dither), draws_(dither) {
  Register(root_);
  PlanDraws(root_, &drawsPerSample_);
  if (exact_) drawsPerSample_ = 0;
  if (drawsPerSample_ > 1) drawSkip_ = JumpOf(static_cast<uint64_t>(drawsPerSample_ - 1));
  if (root_ != nullptr) {
    rootValues_.resize(static_cast<size_t>(kMaxRun) * static_cast<size_t>(root_->resultSize));
  }
  IndexInfos();
}

namespace {
size_t InfoSlotOf(const Node* node, size_t mask) {
  const auto bits = reinterpret_cast<uintptr_t>(node);
  return ((bits >> 4) ^ (bits >> 12)) & mask;
}
}  // namespace

void RunEvaluator::IndexInfos() {
  size_t size = 16;
  while (size < 2 * infos_.size())
    size *= 2;
  infoIndex_.assign(size, InfoSlot{});
  for (auto& [node, info] : infos_) {
    size_t at = InfoSlotOf(node, size - 1);
    while (infoIndex_[at].node != nullptr)
      at = (at + 1) & (size - 1);
    infoIndex_[at] = InfoSlot{node, &info};
  }
}

RunEvaluator::NodeInfo& RunEvaluator::Info(Node* node) {
  if (!infoIndex_.empty()) {
    const size_t mask = infoIndex_.size() - 1;
    for (size_t at = InfoSlotOf(node, mask); infoIndex_[at].node != nullptr; at = (at + 1) & mask) {
      if (infoIndex_[at].node == node) return *infoIndex_[at].info;
    }
  }
  return infos_[node];
}

void RegisterRunBlend(EvalFn blend, RunBlendFn run) {
  RunFnTable& t = RunFunctions();
  for (int i = 0; i < t.blendCount; ++i) {
    if (t.blends[i].blend == blend) {
      t.blends[i].run = run;
      return;
    }
  }
  if (t.blendCount < RunFnTable::kCapacity) t.blends[t.blendCount++] = RunBlendEntry{blend, run};
}

unsigned char* RunEvaluator::CornerScratch(Node* node) {
  std::vector<unsigned char>& corners = Info(node).corners;
  const size_t bytes = static_cast<size_t>(5) * kMaxRun * static_cast<size_t>(node->resultSize);
  if (corners.size() < bytes) corners.resize(bytes);
  return corners.data();
}

void RunEvaluator::Register(Node* node) {
  if (node == nullptr || infos_.count(node) != 0) return;
  NodeInfo& info = infos_[node];
  if (node->eval == ResampleEval) {
    info.run = ResampleRun;
  } else if (const RunFnEntry* entry = FindRunFn(node->eval)) {
    info.run = entry->run;
    info.drawsDither = entry->traits.drawsDither;
    info.lazyOnce = entry->traits.lazyOnce;
    info.cellOnly = entry->traits.cellOnly;
    if (entry->traits.gridOnly && node->nargs == 0 && !IsConstant(node)) {
      info.gridMemo = GridMemoOf(node);
    }
  }
  if (info.run == nullptr && !IsConstant(node)) sharesTree_ = false;
  for (int i = 0; i < node->nargs && i < 3; ++i) {
    Node* child = node->children[i].node;
    if (child == nullptr) continue;
    if (node->children[i].lazy == 0 && !IsConstant(child)) {
      info.argBuffers[i].resize(static_cast<size_t>(kMaxRun) *
                                static_cast<size_t>(child->resultSize));
    }
    Register(child);
  }
  if (node->eval == ResampleEval) info.cellsOnly = SubtreeCellOnly(node->children[0].node);
  if (node->mark != 0) {
    info.cache.resize(static_cast<size_t>(kMaxRun) * static_cast<size_t>(node->resultSize));
  }
}

int32_t RunEvaluator::GridMemoOf(const Node* node) {
  const RunFn run = FindRunFn(node->eval)->run;
  for (size_t k = 0; k < gridMemos_.size(); ++k) {
    const GridMemo& m = gridMemos_[k];
    if (m.run == run && m.width == node->width && m.height == node->height) {
      return static_cast<int32_t>(k);
    }
  }
  gridMemos_.push_back(GridMemo{run, node->width, node->height, 0,
                                std::vector<unsigned char>(static_cast<size_t>(kMaxRun) *
                                                           static_cast<size_t>(node->resultSize))});
  return static_cast<int32_t>(gridMemos_.size() - 1);
}

bool RunEvaluator::SubtreeCellOnly(Node* node) {
  if (node == nullptr || IsConstant(node)) return true;
  const auto found = cellOnly_.find(node);
  if (found != cellOnly_.end()) return found->second;
  const NodeInfo& info = infos_[node];
  bool only = info.run != nullptr && info.cellOnly && !info.drawsDither;
  for (int i = 0; i < node->nargs && only; ++i)
    only = node->children[i].lazy == 0 && SubtreeCellOnly(node->children[i].node);
  cellOnly_[node] = only;
  return only;
}

bool RunEvaluator::HasLiveDraws(Node* node) {
  if (node == nullptr || IsConstant(node)) return false;
  const auto found = liveDraws_.find(node);
  if (found != liveDraws_.end()) return found->second;
  bool draws = infos_[node].drawsDither;
  for (int i = 0; i < node->nargs; ++i)
    draws = HasLiveDraws(node->children[i].node) || draws;
  liveDraws_[node] = draws;
  return draws;
}

// Walks the tree in the order the per-sample evaluation visits it and gives
// each drawing node its place among the draws of one sample, counting on
// *draws.
void RunEvaluator::PlanDraws(Node* node, int32_t* draws) {
  if (node == nullptr || IsConstant(node)) return;
  if (node->mark != 0) {
    // A shared subtree's cached result can stand in for a second evaluation,
    // skipping its draws in a way only the per-sample order decides.
    if (HasLiveDraws(node)) exact_ = true;
    return;
  }
  NodeInfo& info = infos_[node];
  if (node->eval == ResampleEval) {
    // The subtree is evaluated once, or at four cells one after the other
    // when the map is blended: its draws are planned once, relative to the
    // start of one evaluation, and that block repeats.
    Node* child = node->children[0].node;
    if (!HasLiveDraws(child)) return;
    EvalFn blend = nullptr;
    std::memcpy(&blend, node->priv, sizeof blend);
    int32_t once = 0;
    PlanDraws(child, &once);
    info.lazyBase = *draws;
    info.lazyDraws = once;
    *draws += blend != nullptr ? 4 * once : once;
    return;
  }
  const bool lazyOnce = info.lazyOnce;
  for (int i = 0; i < node->nargs; ++i) {
    Node* child = node->children[i].node;
    if (node->children[i].lazy == 0) {
      PlanDraws(child, draws);
    } else if (!lazyOnce && HasLiveDraws(child)) {
      exact_ = true;
    }
  }
  // A lazy child evaluated once per sample draws when the node's own
  // function runs, after every other child.
  for (int i = 0; lazyOnce && i < node->nargs; ++i) {
    if (node->children[i].lazy != 0) PlanDraws(node->children[i].node, draws);
  }
  if (info.drawsDither) info.drawIndex = (*draws)++;
}

int32_t RunEvaluator::LazyDrawOffset(Node* node, int k) {
  const NodeInfo& info = Info(node);
  return info.lazyBase + k * info.lazyDraws;
}

void RunEvaluator::SkipSamples(uint64_t samples) {
  AdvanceState(&draws_, samples * static_cast<uint64_t>(drawsPerSample_));
}

void RunEvaluator::Evaluate(Node* node, const RunContext& rc, unsigned char* out) {
  // Nothing to evaluate: out keeps what it holds, as the per-sample path
  // leaves its slot.
  if (node == nullptr) return;
  const int32_t size = node->resultSize;
  if (IsConstant(node)) {
    FillRun(out, node->values, size, rc.count);
    return;
  }
  NodeInfo& info = Info(node);
  if (info.gridMemo >= 0) {
    // Every image leaf of a tree reads the same pixels: once per samples.
    GridMemo& memo = gridMemos_[static_cast<size_t>(info.gridMemo)];
    if (memo.generation != rc.cellGeneration) {
      Compute(node, info, rc, memo.values.data());
      memo.generation = rc.cellGeneration;
    }
    std::memcpy(out, memo.values.data(), static_cast<size_t>(rc.count) * static_cast<size_t>(size));
    return;
  }
  if (node->mark == 0) {
    Compute(node, info, rc, out);
    return;
  }
  if (info.cacheGeneration != rc.generation) {
    Compute(node, info, rc, info.cache.data());
    info.cacheGeneration = rc.generation;
  }
  std::memcpy(out, info.cache.data(), static_cast<size_t>(rc.count) * static_cast<size_t>(size));
}

void RunEvaluator::Compute(Node* node, NodeInfo& info, const RunContext& rc, unsigned char* out) {
  RunArg args[3] = {};
  for (int i = 0; i < node->nargs; ++i) {
    Node* child = node->children[i].node;
    const auto* constant = static_cast<const unsigned char*>(node->args[i].value);
    if (child == nullptr || node->children[i].lazy != 0 || IsConstant(child)) {
      args[i] = RunArg{constant, 0};
      continue;
    }
    Evaluate(child, rc, info.argBuffers[i].data());
    args[i] = RunArg{info.argBuffers[i].data(), child->resultSize};
  }
  if (info.run == nullptr) {
    Fallback(node, args, rc, out);
    return;
  }
  RandState state = draws_;
  RunCall call{node, args, out, &rc, this, nullptr, 0, RandJump{1, 0}};
  if (info.drawsDither) {
    AdvanceState(&state,
                 static_cast<uint64_t>(info.drawIndex) + static_cast<uint64_t>(rc.drawOffset));
    call.draws = &state;
    call.drawSkip = drawsPerSample_ - 1;
    call.skip = drawSkip_;
  }
  info.run(call);
}

void RunEvaluator::Fallback(Node* node, const RunArg* args, const RunContext& rc,
                            unsigned char* out) {
  const int32_t size = node->resultSize;
  // Only drawing nodes use the dither state, and they all have run versions;
  // a subtree evaluated lazily from here holds no draws (or the evaluator
  // runs exact), so this state is never drawn from in a planned render.
  RandState unused = draws_;
  EvalContext ctx{};
  ctx.mask = kRenderMask;
  ctx.dither = &unused;
  for (int32_t i = 0; i < rc.count; ++i) {
    ctx.x = rc.x[i];
    ctx.y = rc.y[i];
    ctx.z = rc.z[i];
    ctx.column = rc.column[i];
    ctx.row = rc.row[i];
    for (int a = 0; a < node->nargs; ++a) {
      if (args[a].stride == 0) continue;
      CopyValue(node->args[a].value, args[a].data + i * args[a].stride,
                static_cast<int32_t>(args[a].stride));
    }
    node->eval(node->args, node->values, node, &ctx);
    // The stored result now belongs to this sample; a per-sample evaluation
    // that meets this shared node later must see the matching key.
    if (node->mark != 0) node->key = ctx;
    CopyValue(out + static_cast<ptrdiff_t>(i) * size, node->values, size);
  }
}

void RunEvaluator::EvaluateRow(int32_t row, const int32_t* columns, int32_t n, double* out) {
  int32_t rows[kMaxRun];
  std::fill(rows, rows + kMaxRun, row);
  for (int32_t first = 0; first < n; first += kMaxRun) {
    const int32_t count = std::min(kMaxRun, n - first);
    const int channels = root_ != nullptr && root_->type == kColour ? 3 : 1;
    EvaluateRun(columns + first, rows, nullptr, nullptr, count,
                out + static_cast<ptrdiff_t>(first) * channels);
  }
}

void RunEvaluator::EvaluateSamples(const int32_t* columns, const int32_t* rows, int32_t n,
                                   RandState* dither, double* out) {
  draws_ = *dither;
  const int channels = root_ != nullptr && root_->type == kColour ? 3 : 1;
  for (int32_t first = 0; first < n; first += kMaxRun) {
    const int32_t count = std::min(kMaxRun, n - first);
    EvaluateRun(columns + first, rows + first, nullptr, nullptr, count,
                out + static_cast<ptrdiff_t>(first) * channels);
  }
  *dither = draws_;
}

void RunEvaluator::EvaluatePoints(const double* x, const double* y, const int32_t* columns,
                                  const int32_t* rows, int32_t n, RandState* dither, double* out) {
  draws_ = *dither;
  const int channels = root_ != nullptr && root_->type == kColour ? 3 : 1;
  for (int32_t first = 0; first < n; first += kMaxRun) {
    const int32_t count = std::min(kMaxRun, n - first);
    EvaluateRun(columns + first, rows + first, x + first, y + first, count,
                out + static_cast<ptrdiff_t>(first) * channels);
  }
  *dither = draws_;
}

// One run of at most kMaxRun samples.
void RunEvaluator::EvaluateRun(const int32_t* columns, const int32_t* rows, const double* px,
                               const double* py, int32_t n, double* out) {
  if (root_ == nullptr) return;
  if (exact_) {
    EvaluateExact(columns, rows, n, out);
    return;
  }
  const bool colour = root_->type == kColour;
  double x[kMaxRun];
  double y[kMaxRun];
  double z[kMaxRun];
  for (int32_t i = 0; i < n; ++i) {
    x[i] =
        px != nullptr ? px[i] : static_cast<double>(columns[i]) / static_cast<double>(view_.width);
    y[i] = py != nullptr ? py[i] : static_cast<double>(rows[i]) / static_cast<double>(view_.height);
    z[i] = 0.0;
  }
  const uint64_t generation = NewGeneration();
  const RunContext rc{n, x, y, z, columns, rows, generation, 0, generation};
  unsigned char* values = rootValues_.data();
  Evaluate(root_, rc, values);
  AdvanceState(&draws_, static_cast<uint64_t>(n) * static_cast<uint64_t>(drawsPerSample_));
  const int32_t size = root_->resultSize;
  for (int32_t i = 0; i < n; ++i) {
    const unsigned char* v = values + static_cast<ptrdiff_t>(i) * size;
    if (colour) {
      ColourValue c;
      std::memcpy(&c, v, sizeof c);
      HsvToRgb(&c);
      std::copy(c.c, c.c + 3, out + static_cast<ptrdiff_t>(i) * 3);
    } else {
      std::memcpy(out + i, v, sizeof(double));
    }
  }
}

void RunEvaluator::EvaluateExact(const int32_t* columns, const int32_t* rows, int32_t n,
                                 double* out) {
  EvalContext ctx{};
  ctx.mask = kRenderMask;
  ctx.dither = &draws_;
  for (int32_t i = 0; i < n; ++i) {
    ctx.column = columns[i];
    ctx.row = rows[i];
    if (root_->type == kColour) {
      ColourValue c{};
      EvaluateAt(root_, &c, &ctx, &view_);
      std::copy(c.c, c.c + 3, out + static_cast<ptrdiff_t>(i) * 3);
    } else {
      EvaluateAt(root_, out + i, &ctx, &view_);
    }
  }
}

}  // namespace pxb
