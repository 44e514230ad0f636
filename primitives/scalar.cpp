#include "primitives/scalar.h"

#include <cmath>

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

// Bias curve: b = 0.5 leaves x alone, larger b pulls values in (0, 1) down,
// smaller b pushes them up; b outside (0, 1) switches to power curves.
double BiasCurve(double x, double b) {
  const double s = 2.0 * b - 1.0;
  if (s == 0.0 || std::isnan(s)) return x;
  if (std::fabs(s) < 1.0) return (x * s + 1.0 - s) * x;
  const double p = std::pow(2.0, std::fabs(s));
  if (s >= 0.0) return std::pow(x, p);
  return 1.0 - std::pow(1.0 - x, p);
}

// An S curve through 0, 0.5 and 1 made of two bias curves, repeating with
// period 1 around each integer.
double GainCurve(double x, double g) {
  const double r = std::floor(x + 0.5);
  const double d = 2.0 * x - 2.0 * r;
  if (d > 0.0) return (2.0 * r + BiasCurve(d, g)) * 0.5;
  return (2.0 * r - BiasCurve(-d, g)) * 0.5;
}

// Quantises a to a multiple of 1 / (4·levels + 1), choosing the level by one
// draw from state so that the expected result is a.
double DitherValue(double a, double levels, RandState* state) {
  const double n = 4.0 * levels + 1.0;
  const double r = 1.0 / n;
  const double p = n * a;
  const int32_t k = FloorToInt32(p);
  const double f = p - k;
  // The weights of a quadratic B-spline centred on p, accumulated.
  const double bw = (f + 1.0) * 0.5;
  const double aw = 1.0 - bw;
  const double ew = f * 0.5;
  const double dw = 1.0 - ew;
  const double t1 = aw * aw * 0.5;
  const double t2 = t1 + (dw * dw * 0.5 + aw * bw);
  const double t3 = (dw * ew + bw * bw * 0.5) + t2;
  const double u = NextDoubleOn(state);
  int32_t level;
  if (u < t1) {
    level = WrapSub(k, 1);
  } else if (u < t2) {
    level = k;
  } else if (u < t3) {
    level = WrapAdd(k, 1);
  } else {
    level = WrapAdd(k, 2);
  }
  return level * r;
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
double RunUnit(const RunCall& call, int arg, int32_t i) {
  return ReadUnit(call.args[arg].data + i * call.args[arg].stride);
}

template <typename F>
void UnitLoop(const RunCall& call, F f) {
  for (int32_t i = 0; i < call.rc->count; ++i)
    WriteUnit(call.out + static_cast<ptrdiff_t>(i) * 8, f(i));
}

void RunMu(const RunCall& call) {
  UnitLoop(call, [&](int32_t i) { return call.rc->x[i]; });
}
void RunMv(const RunCall& call) {
  UnitLoop(call, [&](int32_t i) { return call.rc->y[i]; });
}
void RunMinpe(const RunCall& call) {
  UnitLoop(call, [&](int32_t i) { return 1.0 - RunUnit(call, 0, i); });
}
void RunPeplus(const RunCall& call) {
  UnitLoop(call, [&](int32_t i) {
    const double a = RunUnit(call, 0, i);
    const double b = RunUnit(call, 1, i);
    return (a + b) - a * b;
  });
}
void RunPetimes(const RunCall& call) {
  UnitLoop(call, [&](int32_t i) { return RunUnit(call, 0, i) * RunUnit(call, 1, i); });
}
void RunPepow(const RunCall& call) {
  UnitLoop(call, [&](int32_t i) { return std::pow(RunUnit(call, 0, i), RunUnit(call, 1, i)); });
}
void RunSwitch(const RunCall& call) {
  UnitLoop(call, [&](int32_t i) {
    const double a = RunUnit(call, 0, i);
    return !(a >= 0.5) ? RunUnit(call, 1, i) : RunUnit(call, 2, i);
  });
}
void RunMix(const RunCall& call) {
  UnitLoop(call, [&](int32_t i) {
    const double a = RunUnit(call, 0, i);
    return a * RunUnit(call, 1, i) + (1.0 - a) * RunUnit(call, 2, i);
  });
}
void RunBias(const RunCall& call) {
  UnitLoop(call, [&](int32_t i) { return BiasCurve(RunUnit(call, 0, i), RunUnit(call, 1, i)); });
}
void RunGain(const RunCall& call) {
  UnitLoop(call, [&](int32_t i) { return GainCurve(RunUnit(call, 0, i), RunUnit(call, 1, i)); });
}
// One draw per sample from the node's place in the sequence, then past the
// draws the tree's other "dither" nodes make for the same sample.
void RunDither(const RunCall& call) {
  UnitLoop(call, [&](int32_t i) {
    const double v = DitherValue(RunUnit(call, 0, i), RunUnit(call, 1, i), call.draws);
    if (call.drawSkip > 0) ApplyJump(call.draws, call.skip);
    return v;
  });
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
