#include "primitives/scalar.h"

#include <cmath>

#include "engine/numeric.h"

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

}  // namespace

double BiasCurve(double x, double b) {
  const double s = 2.0 * b - 1.0;
  if (s == 0.0 || std::isnan(s)) return x;
  if (std::fabs(s) < 1.0) return (x * s + 1.0 - s) * x;
  const double p = std::pow(2.0, std::fabs(s));
  if (s >= 0.0) return std::pow(x, p);
  return 1.0 - std::pow(1.0 - x, p);
}

double GainCurve(double x, double g) {
  const double r = std::floor(x + 0.5);
  const double d = 2.0 * x - 2.0 * r;
  if (d > 0.0) return (2.0 * r + BiasCurve(d, g)) * 0.5;
  return (2.0 * r - BiasCurve(-d, g)) * 0.5;
}

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

RandState* ThreadDitherState() {
  return &threadDither.state;
}

void ResetThreadDitherState() {
  threadDither.state = kDitherStartState;
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
  RandState* state = ctx->dither != nullptr ? ctx->dither : &threadDither.state;
  WriteUnit(result, DitherValue(Arg(args, 0), Arg(args, 1), state));
  return 0;
}

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

}  // namespace pxb
