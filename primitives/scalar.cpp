#include "primitives/scalar.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "engine/numeric.h"
#include "engine/run_eval.h"
#include "primitives/declaration.h"

namespace pxb {
namespace {

// The dither state of a thread that renders without a state of its own.
struct ThreadDither {
  RandState state;
};
thread_local ThreadDither threadDither{kDitherStartState};

double Arg(const ArgSlot* args, int i) {
  return ReadUnit(args[i].value);
}

Node* Create(TypeId result, int nargs, ArgSlot* args, EvalFn eval, const char* label,
             ViewParams* view) {
  return NodeCreate(result, nargs, args, 0, eval, label, view);
}

// What of a bias curve depends on b alone: made once when b is the same
// for a whole run.
struct BiasShape {
  enum Kind { kIdentity, kQuadratic, kPower } kind;
  double s;
  double p;
};

BiasShape BiasShapeOf(double b) {
  const double s = 2.0 * b - 1.0;
  if (s == 0.0 || std::isnan(s)) return BiasShape{BiasShape::kIdentity, s, 0.0};
  if (std::fabs(s) < 1.0) return BiasShape{BiasShape::kQuadratic, s, 0.0};
  return BiasShape{BiasShape::kPower, s, std::pow(2.0, std::fabs(s))};
}

double BiasWith(const BiasShape& shape, double x) {
  const double s = shape.s;
  switch (shape.kind) {
    case BiasShape::kIdentity:
      return x;
    case BiasShape::kQuadratic:
      return (x * s + 1.0 - s) * x;
    case BiasShape::kPower:
      break;
  }
  if (s >= 0.0) return std::pow(x, shape.p);
  return 1.0 - std::pow(1.0 - x, shape.p);
}

// Bias curve: b = 0.5 leaves x alone, larger b pulls values in (0, 1) down,
// smaller b pushes them up; b outside (0, 1) switches to power curves.
double BiasCurve(double x, double b) {
  return BiasWith(BiasShapeOf(b), x);
}

// An S curve through 0, 0.5 and 1 made of two bias curves, repeating with
// period 1 around each integer.
double GainWith(const BiasShape& shape, double x) {
  const double r = std::floor(x + 0.5);
  const double d = 2.0 * x - 2.0 * r;
  if (d > 0.0) return (2.0 * r + BiasWith(shape, d)) * 0.5;
  return (2.0 * r - BiasWith(shape, -d)) * 0.5;
}

double GainCurve(double x, double g) {
  return GainWith(BiasShapeOf(g), x);
}

// The step between dither levels, from the number of levels alone.
struct DitherScale {
  double n;
  double r;
};

DitherScale DitherScaleOf(double levels) {
  const double n = 4.0 * levels + 1.0;
  return DitherScale{n, 1.0 / n};
}

// Where a falls among the levels, multiples of 1 / (4·levels + 1): the level
// k just below it and the accumulated weights of a quadratic B-spline centred
// on a, which split [0, 1) among levels k - 1 to k + 2.
struct DitherSplit {
  int32_t k;
  double t1;
  double t2;
  double t3;
};

// The split for level k and the fraction f of a above it.
inline DitherSplit DitherSplitAt(int32_t k, double f) {
  const double bw = (f + 1.0) * 0.5;
  const double aw = 1.0 - bw;
  const double ew = f * 0.5;
  const double dw = 1.0 - ew;
  const double t1 = aw * aw * 0.5;
  const double t2 = t1 + (dw * dw * 0.5 + aw * bw);
  const double t3 = (dw * ew + bw * bw * 0.5) + t2;
  return DitherSplit{k, t1, t2, t3};
}

inline DitherSplit DitherSplitOf(const DitherScale& scale, double a) {
  const double p = scale.n * a;
  const int32_t k = FloorToInt32(p);
  return DitherSplitAt(k, p - k);
}

// Quantises a to one of the levels, choosing it by the draw u so that the
// expected result is a.
inline double DitherLevel(const DitherScale& scale, double a, double u) {
  const DitherSplit s = DitherSplitOf(scale, a);
  int32_t level;
  if (u < s.t1) {
    level = WrapSub(s.k, 1);
  } else if (u < s.t2) {
    level = s.k;
  } else if (u < s.t3) {
    level = WrapAdd(s.k, 1);
  } else {
    level = WrapAdd(s.k, 2);
  }
  return level * scale.r;
}

// DitherLevel with one draw from state.
double DitherValue(double a, double levels, RandState* state) {
  const double u = NextDoubleOn(state);
  return DitherLevel(DitherScaleOf(levels), a, u);
}

int EvalMu(ArgSlot*, void* result, Node*, EvalContext* ctx) {
  WriteUnit(result, ctx->x);
  return 0;
}

int EvalMv(ArgSlot*, void* result, Node*, EvalContext* ctx) {
  WriteUnit(result, ctx->y);
  return 0;
}

int EvalMinpe(ArgSlot* args, void* result, Node*, EvalContext*) {
  WriteUnit(result, 1.0 - Arg(args, 0));
  return 0;
}

int EvalPeplus(ArgSlot* args, void* result, Node*, EvalContext*) {
  const double a = Arg(args, 0);
  const double b = Arg(args, 1);
  WriteUnit(result, (a + b) - a * b);
  return 0;
}

int EvalPetimes(ArgSlot* args, void* result, Node*, EvalContext*) {
  WriteUnit(result, Arg(args, 0) * Arg(args, 1));
  return 0;
}

int EvalPepow(ArgSlot* args, void* result, Node*, EvalContext*) {
  WriteUnit(result, std::pow(Arg(args, 0), Arg(args, 1)));
  return 0;
}

int EvalSwitch(ArgSlot* args, void* result, Node*, EvalContext*) {
  // A selector that does not compare (NaN) picks the first choice.
  const double a = Arg(args, 0);
  WriteUnit(result, !(a >= 0.5) ? Arg(args, 1) : Arg(args, 2));
  return 0;
}

int EvalMix(ArgSlot* args, void* result, Node*, EvalContext*) {
  const double a = Arg(args, 0);
  WriteUnit(result, a * Arg(args, 1) + (1.0 - a) * Arg(args, 2));
  return 0;
}

int EvalBias(ArgSlot* args, void* result, Node*, EvalContext*) {
  WriteUnit(result, BiasCurve(Arg(args, 0), Arg(args, 1)));
  return 0;
}

int EvalGain(ArgSlot* args, void* result, Node*, EvalContext*) {
  WriteUnit(result, GainCurve(Arg(args, 0), Arg(args, 1)));
  return 0;
}

int EvalDither(ArgSlot* args, void* result, Node*, EvalContext* ctx) {
  WriteUnit(result, DitherValue(Arg(args, 0), Arg(args, 1), DitherStateOf(ctx)));
  return 0;
}

// Run versions: the same expressions as the functions above, one loop per
// node. An argument is read at data + i * stride (stride 0: a constant).
//
// The argument pointers, strides and count are copied into locals first:
// the results are stored through a byte pointer, which the compiler must
// otherwise assume may change them, reloading them at every sample.
template <int N, typename F>
void UnitMap(const RunCall& call, F f) {
  const unsigned char* data[N];
  ptrdiff_t stride[N];
  bool packed = true;
  for (int k = 0; k < N; ++k) {
    data[k] = call.args[k].data;
    stride[k] = call.args[k].stride;
    packed = packed && (stride[k] == 0 || stride[k] == 8);
  }
  const int32_t count = call.rc->count;
  unsigned char* out = call.out;
  if (packed) {
    // The usual case: every argument a run of doubles or a constant. The
    // constants are spread over the run so that every argument is read at
    // a fixed step, which lets the compiler vectorise the loop (SSE2
    // arithmetic rounds each lane exactly as the scalar code does).
    double spread[N][kMaxRun];
    for (int k = 0; k < N; ++k) {
      if (stride[k] != 0) continue;
      std::fill(spread[k], spread[k] + count, ReadUnit(data[k]));
      data[k] = reinterpret_cast<const unsigned char*>(spread[k]);
    }
    for (int32_t i = 0; i < count; ++i) {
      double a[N];
      for (int k = 0; k < N; ++k)
        a[k] = ReadUnit(data[k] + static_cast<ptrdiff_t>(i) * 8);
      WriteUnit(out + static_cast<ptrdiff_t>(i) * 8, f(a));
    }
    return;
  }
  for (int32_t i = 0; i < count; ++i) {
    double a[N];
    for (int k = 0; k < N; ++k)
      a[k] = ReadUnit(data[k] + i * stride[k]);
    WriteUnit(out + static_cast<ptrdiff_t>(i) * 8, f(a));
  }
}

// The leaves copy the samples' coordinates: x and y are doubles already.
void RunMu(const RunCall& call) {
  std::memcpy(call.out, call.rc->x, static_cast<size_t>(call.rc->count) * sizeof(double));
}
void RunMv(const RunCall& call) {
  std::memcpy(call.out, call.rc->y, static_cast<size_t>(call.rc->count) * sizeof(double));
}
void RunMinpe(const RunCall& call) {
  UnitMap<1>(call, [](const double* a) { return 1.0 - a[0]; });
}
void RunPeplus(const RunCall& call) {
  UnitMap<2>(call, [](const double* a) { return (a[0] + a[1]) - a[0] * a[1]; });
}
void RunPetimes(const RunCall& call) {
  UnitMap<2>(call, [](const double* a) { return a[0] * a[1]; });
}
void RunPepow(const RunCall& call) {
  UnitMap<2>(call, [](const double* a) { return std::pow(a[0], a[1]); });
}
void RunSwitch(const RunCall& call) {
  UnitMap<3>(call, [](const double* a) { return !(a[0] >= 0.5) ? a[1] : a[2]; });
}
void RunMix(const RunCall& call) {
  UnitMap<3>(call, [](const double* a) { return a[0] * a[1] + (1.0 - a[0]) * a[2]; });
}
// Bias, gain and dither with a second argument that is the same for the
// whole run (stride 0) make what depends on it once.
bool SecondIsConstant(const RunCall& call) {
  return call.args[1].stride == 0;
}

void RunBias(const RunCall& call) {
  if (SecondIsConstant(call)) {
    const BiasShape shape = BiasShapeOf(ReadUnit(call.args[1].data));
    UnitMap<1>(call, [&shape](const double* a) { return BiasWith(shape, a[0]); });
    return;
  }
  UnitMap<2>(call, [](const double* a) { return BiasCurve(a[0], a[1]); });
}
void RunGain(const RunCall& call) {
  if (SecondIsConstant(call)) {
    const BiasShape shape = BiasShapeOf(ReadUnit(call.args[1].data));
    UnitMap<1>(call, [&shape](const double* a) { return GainWith(shape, a[0]); });
    return;
  }
  UnitMap<2>(call, [](const double* a) { return GainCurve(a[0], a[1]); });
}
// The sign bit of v: 1 for a value below zero (and for -0).
inline uint64_t SignOf(double v) {
  return std::bit_cast<uint64_t>(v) >> 63;
}

// DitherLevel for the count samples of a run, with levels at steps r[i]
// (n[i] = 1 / r[i] of them a unit), two samples at a time: where the draw
// would make DitherLevel's branches unpredictable, the level is k - 1 plus
// the number of thresholds u is not below. False when the place n·a of some
// sample lies beyond 2^30 (or is not a number); out is then unset. Within
// that range the level's fraction f lies in [0, 1], so the thresholds are
// finite and in order, and u lies below a threshold t exactly when the sign
// bit of u - t is set (a difference is never -0).
bool DitherLevels(const double* a, const double* n, const double* r, const double* u, int32_t count,
                  double* out) {
  double p[kMaxRun];
  int32_t k[kMaxRun];
  for (int32_t i = 0; i < count; ++i)
    p[i] = n[i] * a[i];
  if (!FloorNear(p, count, k)) return false;
  for (int32_t i = 0; i < count; ++i) {
    const DitherSplit s = DitherSplitAt(k[i], p[i] - k[i]);
    const auto below =
        static_cast<int32_t>(SignOf(u[i] - s.t1) + SignOf(u[i] - s.t2) + SignOf(u[i] - s.t3));
    out[i] = (k[i] + (2 - below)) * r[i];
  }
  return true;
}

// The run's draws into u, one per sample from the node's place in the
// sequence, each followed by the draws the tree's other "dither" nodes make
// for the same sample: from one draw's state to the next sample's is that
// skip, then one step. Two chains, of the even and the odd samples, move two
// samples at a time so that the steps of one overlap the other's. The
// evaluator places every run's draws itself: the node's state is left as
// it is.
void DitherDraws(const RunCall& call, double* u) {
  const int32_t count = call.rc->count;
  const RandJump step{rand48::kMultiplier, rand48::kAddend};
  const RandJump next = call.drawSkip > 0 ? Then(call.skip, step) : step;
  const RandJump twice = Then(next, next);
  uint64_t even = rand48::Step(rand48::Pack(*call.draws));
  uint64_t odd = JumpWord(even, next);
  int32_t i = 0;
  for (; i + 1 < count; i += 2) {
    u[i] = rand48::DoubleOf(even);
    u[i + 1] = rand48::DoubleOf(odd);
    even = JumpWord(even, twice);
    odd = JumpWord(odd, twice);
  }
  if (i < count) u[i] = rand48::DoubleOf(even);
}

// The draws come first, then the levels: for the whole run at once, or a
// sample at a time when some sample needs the branching path.
void RunDither(const RunCall& call) {
  const int32_t count = call.rc->count;
  if (count <= 0) return;
  double u[kMaxRun];
  DitherDraws(call, u);
  double a[kMaxRun];
  double n[kMaxRun];
  double r[kMaxRun];
  for (int32_t i = 0; i < count; ++i)
    a[i] = ReadUnit(call.args[0].data + i * call.args[0].stride);
  if (SecondIsConstant(call)) {
    const DitherScale scale = DitherScaleOf(ReadUnit(call.args[1].data));
    std::fill(n, n + count, scale.n);
    std::fill(r, r + count, scale.r);
  } else {
    for (int32_t i = 0; i < count; ++i) {
      const DitherScale scale =
          DitherScaleOf(ReadUnit(call.args[1].data + i * call.args[1].stride));
      n[i] = scale.n;
      r[i] = scale.r;
    }
  }
  unsigned char* out = call.out;
  double levels[kMaxRun];
  if (DitherLevels(a, n, r, u, count, levels)) {
    std::memcpy(out, levels, static_cast<size_t>(count) * sizeof(double));
    return;
  }
  for (int32_t i = 0; i < count; ++i)
    WriteUnit(out + static_cast<ptrdiff_t>(i) * 8, DitherLevel({n[i], r[i]}, a[i], u[i]));
}

}  // namespace

Node* BuildMu(TypeId result, int nargs, ArgSlot* args, ViewParams* view) {
  Node* node = Create(result, nargs, args, EvalMu, "mu", view);
  if (node != nullptr) node->flags = kPositionDependent;
  return node;
}

Node* BuildMv(TypeId result, int nargs, ArgSlot* args, ViewParams* view) {
  Node* node = Create(result, nargs, args, EvalMv, "mv", view);
  if (node != nullptr) node->flags = kPositionDependent;
  return node;
}

Node* BuildMinpe(TypeId result, int nargs, ArgSlot* args, ViewParams* view) {
  return Create(result, nargs, args, EvalMinpe, "minpe", view);
}

Node* BuildPeplus(TypeId result, int nargs, ArgSlot* args, ViewParams* view) {
  return Create(result, nargs, args, EvalPeplus, "peplus", view);
}

Node* BuildPetimes(TypeId result, int nargs, ArgSlot* args, ViewParams* view) {
  return Create(result, nargs, args, EvalPetimes, "petimes", view);
}

Node* BuildPepow(TypeId result, int nargs, ArgSlot* args, ViewParams* view) {
  return Create(result, nargs, args, EvalPepow, "pepow", view);
}

Node* BuildSwitch(TypeId result, int nargs, ArgSlot* args, ViewParams* view) {
  return Create(result, nargs, args, EvalSwitch, "gswitch", view);
}

Node* BuildMix(TypeId result, int nargs, ArgSlot* args, ViewParams* view) {
  return Create(result, nargs, args, EvalMix, "gmix", view);
}

Node* BuildBias(TypeId result, int nargs, ArgSlot* args, ViewParams* view) {
  return Create(result, nargs, args, EvalBias, "gbias", view);
}

Node* BuildGain(TypeId result, int nargs, ArgSlot* args, ViewParams* view) {
  return Create(result, nargs, args, EvalGain, "ggain", view);
}

Node* BuildDither(TypeId result, int nargs, ArgSlot* args, ViewParams* view) {
  return Create(result, nargs, args, EvalDither, "dither", view);
}

std::span<const PrimitiveDecl> ScalarDecls() {
  static constexpr PrimitiveDecl kDecls[] = {
      // name    result  arguments              builder       eval        run         flags
      {"mu", kUnit, {}, BuildMu, EvalMu, RunMu, kNoPrimitiveFlags},
      {"mv", kUnit, {}, BuildMv, EvalMv, RunMv, kNoPrimitiveFlags},
      {"minpe", kUnit, {kUnit}, BuildMinpe, EvalMinpe, RunMinpe, kCellOnly},
      {"peplus", kUnit, {kUnit, kUnit}, BuildPeplus, EvalPeplus, RunPeplus, kCellOnly},
      {"petimes", kUnit, {kUnit, kUnit}, BuildPetimes, EvalPetimes, RunPetimes, kCellOnly},
      {"pepow", kUnit, {kUnit, kUnit}, BuildPepow, EvalPepow, RunPepow, kCellOnly},
      {"switch", kUnit, {kUnit, kUnit, kUnit}, BuildSwitch, EvalSwitch, RunSwitch, kCellOnly},
      {"mix", kUnit, {kUnit, kUnit, kUnit}, BuildMix, EvalMix, RunMix, kCellOnly},
      {"bias", kUnit, {kUnit, kUnit}, BuildBias, EvalBias, RunBias, kCellOnly},
      {"gain", kUnit, {kUnit, kUnit}, BuildGain, EvalGain, RunGain, kCellOnly},
      {"dither", kUnit, {kUnit, kUnit}, BuildDither, EvalDither, RunDither, kDrawsDither},
  };
  return kDecls;
}

RandState* DitherStateOf(EvalContext* ctx) {
  return ctx->dither != nullptr ? ctx->dither : &threadDither.state;
}

}  // namespace pxb
