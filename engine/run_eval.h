// Evaluating a prepared tree over a run of samples at a time: per node one
// loop over the samples instead of one walk of the tree per sample.
//
// Every sample's value is bit-identical to EvaluateAt: the same operations in
// the same order on the same types. A node whose function has a run version
// (RegisterRunFn) is evaluated by it; any other node falls back to calling
// its per-sample function once per sample.
//
// "dither" draws are the one thing that ties samples together. The reference
// is a single state drawing in row-major sample order. When every sample of a
// tree draws the same number of times, each draw's place in that sequence is
// known in advance, and the evaluator (and any worker owning a band of rows)
// jumps there directly. When it is not known (a draw inside a shared subtree,
// whose cached result can skip it, or inside a subtree that another node
// evaluates on its own), the evaluator is exact only when fed every sample in
// row-major order from the start; Exact() tells the caller so.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "engine/node.h"

namespace pxb {

// The most samples one run holds; longer requests are cut into runs.
inline constexpr int32_t kMaxRun = 256;

// The samples of one run. generation tells contexts apart: two evaluations
// of a shared node in the same generation give the same values. drawOffset
// is where, among one sample's draws, the draws of the subtree evaluated
// under this context begin (a resampled subtree is evaluated up to four
// times per sample, each time drawing further on).
struct RunContext {
  int32_t count;
  const double* x;
  const double* y;
  const double* z;
  const int32_t* column;
  const int32_t* row;
  uint64_t generation;
  int32_t drawOffset;
  // Tells the column and row arrays apart: a context that moves only x, y
  // and z keeps the cells, and with them the values of grid-only nodes.
  uint64_t cellGeneration;
};

// One argument over the run: value i is at data + i * stride; a constant has
// stride 0.
struct RunArg {
  const unsigned char* data;
  ptrdiff_t stride;
};

class RunEvaluator;

struct RunCall {
  Node* node;
  const RunArg* args;  // one per argument; unused for lazy children
  unsigned char* out;  // rc->count values, node->resultSize bytes apart
  const RunContext* rc;
  RunEvaluator* evaluator;
  const RandState* draws;  // for a node that draws: its first sample's place in the sequence
  int32_t drawSkip;        // steps the other drawing nodes take between its draws
  RandJump skip;           // those drawSkip steps in one
};
using RunFn = void (*)(const RunCall& call);

// What the run evaluator may assume of a function.
struct RunTraits {
  // Draws one value per sample from EvalContext::dither.
  bool drawsDither = false;
  // Evaluates each of its lazy children exactly once per sample, after its
  // other children: their draws then have fixed places too.
  bool lazyOnce = false;
  // Has no arguments and its values depend only on the samples' columns and
  // rows and the node's width and height: nodes of it over the same samples
  // are evaluated once.
  bool gridOnly = false;
  // Its values depend only on its arguments, its node's data and the
  // samples' columns and rows: not on x, y, z or draws. A map made of such
  // nodes alone is evaluated once per cell when resampled.
  bool cellOnly = false;
};

// Registers the run version of the per-sample function eval. Called during
// start-up registration only.
void RegisterRunFn(EvalFn eval, RunFn run, const RunTraits& traits);

// The bilinear step of resampling over a run, for one type's blend B:
// out[i] = B(B(c0[i], c1[i], tx[i]), B(c2[i], c3[i], tx[i]), ty[i]), values
// `size` bytes apart, each B computed exactly as the type's blend function.
using RunBlendFn = void (*)(const unsigned char* const corners[4], const double* tx,
                            const double* ty, int32_t n, int32_t size, unsigned char* out);

// Registers the run version of the blend function `blend`. Called during
// start-up registration only.
void RegisterRunBlend(EvalFn blend, RunBlendFn run);

class RunEvaluator {
 public:
  // root is a tree prepared for view by PrepareTree; dither is the state the
  // preparation left behind (the start of the per-sample draws).
  RunEvaluator(Node* root, const ViewParams& view, const RandState& dither);
  RunEvaluator(const RunEvaluator&) = delete;
  RunEvaluator& operator=(const RunEvaluator&) = delete;

  // True when draws cannot be placed in advance: samples must then be given
  // in row-major order from the first one, on one thread.
  bool Exact() const { return exact_; }
  // True when evaluating writes nothing into the tree's nodes, so that
  // evaluators on several threads can share one tree: every node has a run
  // version (a node evaluated by its per-sample function uses the node's own
  // value slots) and the draws are planned (the exact path walks the tree
  // per sample).
  bool SharesTree() const { return sharesTree_ && !exact_; }
  int32_t DrawsPerSample() const { return drawsPerSample_; }

  // Moves the draw sequence on by `samples` evaluated samples.
  void SkipSamples(uint64_t samples);
  // Places the draw sequence after the first `samples` evaluated samples.
  void SeekSamples(uint64_t samples) {
    draws_ = start_;
    SkipSamples(samples);
  }

  // Evaluates row `row` at the n given columns, in order, and writes one
  // double per sample for a `unit` root, red, green, blue for a `colour` root.
  void EvaluateRow(int32_t row, const int32_t* columns, int32_t n, double* out);

  // Evaluates the n samples (columns[i], rows[i]) in the order given, as
  // EvaluateRow does, with "dither" drawing from *dither: the draws of the n
  // samples are taken from it in that order and *dither is left after them,
  // as n per-sample evaluations with that state would leave it.
  void EvaluateSamples(const int32_t* columns, const int32_t* rows, int32_t n, RandState* dither,
                       double* out);

  // As EvaluateSamples, but at the given positions instead of the cells'
  // places in the view: for a generator that evaluates a tree over a grid of
  // its own. The samples must not need the exact path (Exact() false).
  void EvaluatePoints(const double* x, const double* y, const int32_t* columns, const int32_t* rows,
                      int32_t n, RandState* dither, double* out);

  // For run functions of nodes that evaluate a child themselves: evaluates
  // node over rc into out (rc.count values of node->resultSize bytes). A null
  // node gives zero values.
  void Evaluate(Node* node, const RunContext& rc, unsigned char* out);
  uint64_t NewGeneration() { return ++generation_; }

  // For resampling: the place of the draws of node's k-th evaluation of its
  // subtree within one sample, relative to the context it is evaluated in.
  int32_t LazyDrawOffset(Node* node, int k);

  // Scratch memory of node for its four corner values over a run and the
  // values of the cells they fall in: five runs of node->resultSize bytes,
  // kept from one run to the next. One block per node, as a resampled
  // subtree may resample again.
  unsigned char* CornerScratch(Node* node);

  // For resampling: true when the values of node's subtree depend on the
  // cell alone (cellOnly functions and constants only).
  bool CellsOnly(Node* node) { return Info(node).cellsOnly; }

 private:
  struct NodeInfo {
    RunFn run = nullptr;
    bool drawsDither = false;
    bool lazyOnce = false;
    bool cellOnly = false;
    bool cellsOnly = false;  // resampling: its subtree depends on the cell alone
    int32_t gridMemo = -1;   // gridOnly: its entry in gridMemos_
    int32_t lazyBase = 0;    // resampling: where its subtree's draws begin
    int32_t lazyDraws = 0;   // resampling: the draws of one evaluation of it
    int32_t drawIndex = -1;
    std::vector<unsigned char> argBuffers[3];
    std::vector<unsigned char> cache;
    std::vector<unsigned char> corners;
    uint64_t cacheGeneration = 0;
  };

  // The values of grid-only nodes of one function and grid size over the
  // samples of one generation.
  struct GridMemo {
    RunFn run;
    int32_t width;
    int32_t height;
    uint64_t generation;
    std::vector<unsigned char> values;
  };

  // A node's entry of infos_, found through infoIndex_ once the tree is
  // registered: every run asks for it at every node, and the map's own
  // lookup divides by its bucket count each time.
  NodeInfo& Info(Node* node);
  void IndexInfos();
  void Register(Node* node);
  int32_t GridMemoOf(const Node* node);
  bool HasLiveDraws(Node* node);
  bool SubtreeCellOnly(Node* node);
  void PlanDraws(Node* node, int32_t* draws);
  void Compute(Node* node, NodeInfo& info, const RunContext& rc, unsigned char* out);
  void Fallback(Node* node, const RunArg* args, const RunContext& rc, unsigned char* out);
  // x and y are null for the samples' places in the view.
  void EvaluateRun(const int32_t* columns, const int32_t* rows, const double* px, const double* py,
                   int32_t n, double* out);
  void EvaluateExact(const int32_t* columns, const int32_t* rows, int32_t n, double* out);

  Node* root_;
  ViewParams view_;
  RandState start_;  // the state before the first sample's first draw
  RandState draws_;  // the state before the next sample's first draw
  std::unordered_map<Node*, NodeInfo> infos_;
  // Open addressing over the registered nodes, a power of two in size; the
  // map's elements never move, so the pointers stay valid.
  struct InfoSlot {
    Node* node = nullptr;
    NodeInfo* info = nullptr;
  };
  std::vector<InfoSlot> infoIndex_;
  std::unordered_map<Node*, bool> liveDraws_;
  std::unordered_map<Node*, bool> cellOnly_;
  std::vector<GridMemo> gridMemos_;
  bool exact_ = false;
  bool sharesTree_ = true;
  int32_t drawsPerSample_ = 0;
  RandJump drawSkip_{1, 0};  // drawsPerSample_ - 1 steps
  uint64_t generation_ = 0;
  std::vector<unsigned char> rootValues_;
};

}  // namespace pxb
