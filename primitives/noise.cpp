#include "primitives/noise.h"

#include <cmath>
#include <cstddef>
#include <cstring>

#include "engine/numeric.h"
#include "engine/rand.h"
#include "engine/run_eval.h"
#include "primitives/declaration.h"
#include "primitives/value_types.h"

namespace pxb {
namespace {

constexpr uint32_t kNoiseTableSeed = 123456790;
constexpr int32_t kHashMask = kNoiseTableSize - 1;

NoiseTable noiseTable{};

// The private block of a noise node. The corners belong to the cached cell,
// in the order of (column, row) offsets (0, 0), (0, 1), (1, 0), (1, 1).
struct NoiseNodeData {
  int32_t cell[2];    // column, row
  int32_t cellValid;  // 0: nothing cached yet
  NoiseCorner corners[4];
  int32_t seed;
};

NoiseNodeData* DataOf(Node* node) {
  return static_cast<NoiseNodeData*>(node->priv);
}

double Scale(const ArgSlot* args) {
  double v;
  std::memcpy(&v, args[0].value, sizeof v);
  return v;
}

int EvalPlain(ArgSlot* args, void* result, Node* node, EvalContext* ctx) {
  const double v = NoiseSample(NoiseMode::kPlain, Scale(args), ctx->x, ctx->y, node).value;
  std::memcpy(result, &v, sizeof v);
  return 0;
}

int EvalBipolar(ArgSlot* args, void* result, Node* node, EvalContext* ctx) {
  const double v = NoiseSample(NoiseMode::kBipolar, Scale(args), ctx->x, ctx->y, node).value;
  std::memcpy(result, &v, sizeof v);
  return 0;
}

int EvalDerivative(ArgSlot* args, void* result, Node* node, EvalContext* ctx) {
  const NoiseCorner k = NoiseSample(NoiseMode::kDerivative, Scale(args), ctx->x, ctx->y, node);
  const ComplexValue c{k.slope[0], k.slope[1], 0, 0};
  // The padding word after the polar flag is left as it was.
  std::memcpy(result, &c, offsetof(ComplexValue, unused));
  return 0;
}

Node* BuildNoise(TypeId result, int nargs, ArgSlot* args, ViewParams* view, EvalFn eval,
                 const char* label) {
  Node* node = NodeCreate(result, nargs, args, sizeof(NoiseNodeData), eval, label, view);
  if (node == nullptr) return nullptr;
  NoiseNodeData* data = DataOf(node);
  data->cellValid = 0;
  data->seed = NextInt31On(&view->rand);
  node->flags = kPositionDependent;
  return node;
}

// The permutation index of corner (cx, cy) for a node seed.
int32_t CornerHash(int32_t cx, int32_t cy, int32_t seed) {
  const int32_t* p = noiseTable.perm;
  int32_t h = p[seed & kHashMask];
  h = p[(h ^ cx) & kHashMask];
  return p[(h ^ cy) & kHashMask];
}

// The value and slopes of a corner, drawn from a generator seeded by its
// hash.
NoiseCorner CornerOfHash(int32_t hash, NoiseMode mode) {
  RandState local;
  SeedState(&local, hash);
  const double u = NextDoubleOn(&local);
  double s = u - std::floor(u + 0.5);
  NoiseCorner k;
  switch (mode) {
    case NoiseMode::kPlain:
      k.value = u;
      s = 4.0 * s;
      break;
    case NoiseMode::kBipolar:
      k.value = 2.0 * u - 1.0;
      s = 8.0 * s;
      break;
    case NoiseMode::kDerivative:
      k.value = u;
      break;
  }
  const double u1 = NextDoubleOn(&local);
  const double u2 = NextDoubleOn(&local);
  k.slope[0] = (2.0 * u1 - 1.0) * s;
  k.slope[1] = (2.0 * u2 - 1.0) * s;
  return k;
}

// The corner (cx, cy), drawn afresh: the per-sample function is the
// reference the run evaluator is checked against. A corner depends on its
// hash and the mode alone, and a hash is one of the table's kNoiseTableSize
// entries, so a run reads its corners from the table made at start-up.
NoiseCorner MakeCorner(int32_t cx, int32_t cy, int32_t seed, NoiseMode mode) {
  return CornerOfHash(CornerHash(cx, cy, seed), mode);
}

// Merges b into a along axis (0 = x, 1 = y) at t in [0, 1).
void HermiteStep(NoiseCorner* a, const NoiseCorner& b, int axis, double t, NoiseMode mode) {
  const double as = a->slope[axis];
  const double av = a->value;
  const double c3 = ((b.slope[axis] - b.value) - b.value) + 2.0 * av + as;
  const double c2 = b.value - c3 - as - av;
  a->value = ((c3 * t + c2) * t + as) * t + av;
  if (mode == NoiseMode::kDerivative) {
    a->slope[axis] = ((3.0 * c3) * t + 2.0 * c2) * t + as;
    const int other = 1 - axis;
    a->slope[other] = (b.slope[other] - a->slope[other]) * t + a->slope[other];
  } else {
    for (int i = 0; i < axis; ++i)
      a->slope[i] = (b.slope[i] - a->slope[i]) * t + a->slope[i];
  }
}

// The noise at (x / scale, y / scale) with the corner cache (and the seed)
// the node keeps.
NoiseCorner NoiseSampleCached(NoiseMode mode, double scale, double x, double y,
                              NoiseNodeData* cache) {
  double px = x / scale;
  double py = y / scale;
  // A zero or non-finite scale gives the cell INT32_MIN and a non-finite
  // fraction: the result is then NaN or infinite, never a fault.
  const int32_t cx = FloorToInt32(px);
  const int32_t cy = FloorToInt32(py);
  px = px - cx;
  py = py - cy;

  if (cache->cellValid == 0 || cache->cell[0] != cx || cache->cell[1] != cy) {
    cache->cell[0] = cx;
    cache->cell[1] = cy;
    cache->cellValid = 1;
    int n = 0;
    for (int32_t i = 0; i < 2; ++i) {
      for (int32_t j = 0; j < 2; ++j)
        cache->corners[n++] = MakeCorner(WrapAdd(cx, i), WrapAdd(cy, j), cache->seed, mode);
    }
  }

  NoiseCorner k00 = cache->corners[0];
  NoiseCorner k10 = cache->corners[2];
  HermiteStep(&k00, cache->corners[1], 1, py, mode);
  HermiteStep(&k10, cache->corners[3], 1, py, mode);
  HermiteStep(&k00, k10, 0, px, mode);
  return k00;
}

double RunScale(const RunCall& call, int32_t i) {
  double v;
  std::memcpy(&v, call.args[0].data + i * call.args[0].stride, sizeof v);
  return v;
}

// The cells of a run and the places of its samples in them: the same
// divisions, floors and differences as the per-sample function, each a loop
// over the run that the compiler can run two samples at a time.
void RunCells(const RunCall& call, double* px, double* py, int32_t* cx, int32_t* cy) {
  const RunContext& rc = *call.rc;
  const int32_t n = rc.count;
  if (call.args[0].stride == 0) {
    const double scale = RunScale(call, 0);
    for (int32_t i = 0; i < n; ++i) {
      px[i] = rc.x[i] / scale;
      py[i] = rc.y[i] / scale;
    }
  } else {
    for (int32_t i = 0; i < n; ++i) {
      const double scale = RunScale(call, i);
      px[i] = rc.x[i] / scale;
      py[i] = rc.y[i] / scale;
    }
  }
  if (!FloorNear(px, n, cx) || !FloorNear(py, n, cy)) {
    for (int32_t i = 0; i < n; ++i) {
      cx[i] = FloorToInt32(px[i]);
      cy[i] = FloorToInt32(py[i]);
    }
  }
  for (int32_t i = 0; i < n; ++i) {
    px[i] = px[i] - cx[i];
    py[i] = py[i] - cy[i];
  }
}

// The noise of n samples of one cell with corners c (in the order of
// NoiseNodeData's), each made exactly as the per-sample function makes it.
// Within a cell the corners are the same for every sample, so the loop is
// plain arithmetic over arrays that the compiler can run on vector
// registers (each operation still rounds as the scalar one does).
template <NoiseMode kMode>
void InterpolateCell(const NoiseCorner* corners, const double* px, const double* py, int32_t n,
                     double* value, double* slopeX, double* slopeY) {
  const NoiseCorner c[4] = {corners[0], corners[1], corners[2], corners[3]};
  for (int32_t i = 0; i < n; ++i) {
    NoiseCorner left = c[0];
    NoiseCorner right = c[2];
    HermiteStep(&left, c[1], 1, py[i], kMode);
    HermiteStep(&right, c[3], 1, py[i], kMode);
    HermiteStep(&left, right, 0, px[i], kMode);
    if constexpr (kMode == NoiseMode::kDerivative) {
      slopeX[i] = left.slope[0];
      slopeY[i] = left.slope[1];
    } else {
      value[i] = left.value;
    }
  }
}

// The run reads its corners from the table and never writes the node, so
// that the threads of one render can share the tree. The samples are taken
// a cell at a time: the corners are looked up once for each stretch of
// samples in the same cell.
template <NoiseMode kMode>
void RunNoise(const RunCall& call) {
  const RunContext& rc = *call.rc;
  const int32_t n = rc.count;
  const int32_t seed = DataOf(call.node)->seed;
  const NoiseCorner* table = noiseTable.corners[static_cast<int32_t>(kMode)];
  double px[kMaxRun];
  double py[kMaxRun];
  int32_t cx[kMaxRun];
  int32_t cy[kMaxRun];
  RunCells(call, px, py, cx, cy);

  // The values, or the slopes for the derivative.
  double value[kMaxRun];
  double slopeX[kMaxRun];
  double slopeY[kMaxRun];
  for (int32_t first = 0; first < n;) {
    int32_t end = first + 1;
    while (end < n && cx[end] == cx[first] && cy[end] == cy[first])
      ++end;
    const int32_t x1 = WrapAdd(cx[first], 1);
    const int32_t y1 = WrapAdd(cy[first], 1);
    const NoiseCorner corners[4] = {
        table[CornerHash(cx[first], cy[first], seed)], table[CornerHash(cx[first], y1, seed)],
        table[CornerHash(x1, cy[first], seed)], table[CornerHash(x1, y1, seed)]};
    InterpolateCell<kMode>(corners, px + first, py + first, end - first, value + first,
                           slopeX + first, slopeY + first);
    first = end;
  }

  const int32_t size = call.node->resultSize;
  for (int32_t i = 0; i < n; ++i) {
    unsigned char* out = call.out + static_cast<ptrdiff_t>(i) * size;
    if constexpr (kMode == NoiseMode::kDerivative) {
      // As the per-sample function: the words after the flag keep what the
      // node's result holds.
      std::memcpy(out, call.node->values, static_cast<size_t>(size));
      const ComplexValue c{slopeX[i], slopeY[i], 0, 0};
      std::memcpy(out, &c, offsetof(ComplexValue, unused));
    } else {
      std::memcpy(out, &value[i], sizeof(double));
    }
  }
}

}  // namespace

void BuildNoiseTable() {
  SeedGlobal(kNoiseTableSeed);
  int32_t* p = noiseTable.perm;
  for (int32_t i = 0; i < kNoiseTableSize; ++i)
    p[i] = i;
  for (int32_t i = 0; i < kNoiseTableSize - 1; ++i) {
    const double u = NextDouble();
    const int32_t j = i + TruncToInt32(u * (kNoiseTableSize - i));
    const int32_t t = p[i];
    p[i] = p[j];
    p[j] = t;
  }
  for (int32_t m = 0; m < kNoiseModes; ++m) {
    for (int32_t h = 0; h < kNoiseTableSize; ++h)
      noiseTable.corners[m][h] = CornerOfHash(h, static_cast<NoiseMode>(m));
  }
}

const NoiseTable& GetNoiseTable() {
  return noiseTable;
}

NoiseCorner NoiseSample(NoiseMode mode, double scale, double x, double y, Node* node) {
  return NoiseSampleCached(mode, scale, x, y, DataOf(node));
}

int32_t NoiseSeed(const Node* node) {
  NoiseNodeData data;
  std::memcpy(&data, node->priv, sizeof data);
  return data.seed;
}

Node* BuildDopNoise(TypeId result, int nargs, ArgSlot* args, ViewParams* view) {
  return BuildNoise(result, nargs, args, view, EvalPlain, "dopnoise2");
}

Node* BuildDopBNoise(TypeId result, int nargs, ArgSlot* args, ViewParams* view) {
  return BuildNoise(result, nargs, args, view, EvalBipolar, "dopbnoise2");
}

Node* BuildDopDNoise(TypeId result, int nargs, ArgSlot* args, ViewParams* view) {
  return BuildNoise(result, nargs, args, view, EvalDerivative, "dopdnoise2");
}

std::span<const PrimitiveDecl> NoiseDecls() {
  static constexpr PrimitiveDecl kDecls[] = {
      // name       result    arguments  builder          eval            run flags
      {"dopnoise",
       kUnit,
       {kUnit},
       BuildDopNoise,
       EvalPlain,
       RunNoise<NoiseMode::kPlain>,
       kNoPrimitiveFlags},
      {"dopbnoise",
       kBipolar,
       {kUnit},
       BuildDopBNoise,
       EvalBipolar,
       RunNoise<NoiseMode::kBipolar>,
       kNoPrimitiveFlags},
      {"dopdnoise",
       kCplx,
       {kUnit},
       BuildDopDNoise,
       EvalDerivative,
       RunNoise<NoiseMode::kDerivative>,
       kNoPrimitiveFlags},
  };
  return kDecls;
}

}  // namespace pxb
