#include "primitives/value_types.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/numeric.h"
#include "engine/rand.h"
#include "engine/run_eval.h"
#include "primitives/declaration.h"

namespace pxb {
namespace {

// Upper quantiles of the standard normal at tail probabilities 2^-(16-j).
constexpr double kQuantile[16] = {4.25, 4.05,  3.86,  3.67,  3.487, 3.297, 3.097, 2.886,
                                  2.66, 2.418, 2.154, 1.863, 1.534, 1.15,  0.675, 0.0};

struct NormalDeviateTables {
  double difference[16];
  double ratioMinusOne;
  double lnRatio;
};

NormalDeviateTables normalTables{};

double ReadDouble(const ArgSlot& slot) {
  double v;
  std::memcpy(&v, slot.value, sizeof v);
  return v;
}

}  // namespace

void InitNormalDeviate() {
  for (int i = 0; i < 15; ++i)
    normalTables.difference[i] = kQuantile[i + 1] - kQuantile[i];
  normalTables.difference[15] = 0.0;
  normalTables.ratioMinusOne = 0.314839627;
  normalTables.lnRatio = std::log(1.314839627);
}

double NormalDeviate(double mean, double deviation, RandState* state) {
  double x = static_cast<double>(NextInt31On(state) & 0x7FFF);
  double sign = -1.0;
  if (x > 16383.5) {
    sign = 1.0;
    x = 32767.0 - x;
  }
  const double y = std::log2(x + 0.5);
  // x + 0.5 lies in [0.5, 16383.5], so k lies in [-1, 13]; the clamp only
  // makes that visible.
  const int k = std::clamp(FloorToInt32(y), -1, 13);
  const double f = y - k;
  const double g = (std::exp(f * normalTables.lnRatio) - 1.0) / normalTables.ratioMinusOne;
  const double z = sign * (kQuantile[k + 1] + g * normalTables.difference[k + 1]);
  return mean + deviation * z;
}

ComplexValue Cartesian(const ComplexValue& c) {
  if (c.polar == 0) return c;
  return ComplexValue{c.re * std::cos(c.im), c.re * std::sin(c.im), 0, c.unused};
}

ComplexValue BlendComplexValue(ComplexValue a, ComplexValue b, double t) {
  a = Cartesian(a);
  b = Cartesian(b);
  ComplexValue r = a;
  r.re = (b.re - a.re) * t + a.re;
  r.im = (b.im - a.im) * t + a.im;
  r.polar = 0;
  return r;
}

ColourValue BlendColourValue(const ColourValue& a, const ColourValue& b, double t) {
  ColourValue r = a;
  for (int i = 0; i < 4; ++i)
    r.c[i] = (1.0 - t) * a.c[i] + t * b.c[i];
  return r;
}

int BlendScalar(ArgSlot* args, void* result, Node* /*node*/, EvalContext* /*ctx*/) {
  const double r = BlendScalarValue(ReadDouble(args[0]), ReadDouble(args[1]), ReadDouble(args[2]));
  std::memcpy(result, &r, sizeof r);
  return 0;
}

int BlendComplex(ArgSlot* args, void* result, Node* /*node*/, EvalContext* /*ctx*/) {
  ComplexValue a;
  ComplexValue b;
  std::memcpy(&a, args[0].value, sizeof a);
  std::memcpy(&b, args[1].value, sizeof b);
  const ComplexValue r = BlendComplexValue(a, b, ReadDouble(args[2]));
  std::memcpy(result, &r, sizeof r);
  return 0;
}

int BlendColour(ArgSlot* args, void* result, Node* /*node*/, EvalContext* /*ctx*/) {
  ColourValue a;
  ColourValue b;
  std::memcpy(&a, args[0].value, sizeof a);
  std::memcpy(&b, args[1].value, sizeof b);
  const ColourValue r = BlendColourValue(a, b, ReadDouble(args[2]));
  std::memcpy(result, &r, sizeof r);
  return 0;
}

namespace {

double BlendOf(double a, double b, double t) {
  return BlendScalarValue(a, b, t);
}
ComplexValue BlendOf(const ComplexValue& a, const ComplexValue& b, double t) {
  return BlendComplexValue(a, b, t);
}
ColourValue BlendOf(const ColourValue& a, const ColourValue& b, double t) {
  return BlendColourValue(a, b, t);
}

// Bilinear resampling of a run: the top pair at tx, the bottom pair at tx,
// then the two at ty, as the per-sample resampling calls the blend.
template <typename V>
void BilinearRun(const unsigned char* const corners[4], const double* tx, const double* ty,
                 int32_t n, int32_t size, unsigned char* out) {
  static_assert(sizeof(V) <= 40);
  for (int32_t i = 0; i < n; ++i) {
    const ptrdiff_t at = static_cast<ptrdiff_t>(i) * size;
    V c[4];
    for (int k = 0; k < 4; ++k)
      std::memcpy(&c[k], corners[k] + at, sizeof(V));
    const V top = BlendOf(c[0], c[1], tx[i]);
    const V bottom = BlendOf(c[2], c[3], tx[i]);
    const V v = BlendOf(top, bottom, ty[i]);
    std::memcpy(out + at, &v, sizeof(V));
  }
}

}  // namespace

int MakeUnit(void* out, ViewParams* view) {
  const double v = NextDoubleOn(&view->rand);
  std::memcpy(out, &v, sizeof v);
  return 0;
}

int MakeExpo(void* out, ViewParams* view) {
  const double v = -std::log(1.0 - NextDoubleOn(&view->rand));
  std::memcpy(out, &v, sizeof v);
  return 0;
}

int MakeBipolar(void* out, ViewParams* view) {
  const double v = 2.0 * NextDoubleOn(&view->rand) - 1.0;
  std::memcpy(out, &v, sizeof v);
  return 0;
}

int MakeGauss(void* out, ViewParams* view) {
  const double v = NormalDeviate(0.0, 1.0, &view->rand);
  std::memcpy(out, &v, sizeof v);
  return 0;
}

int MakeComplex(void* out, ViewParams* view) {
  ComplexValue c{};
  c.re = NormalDeviate(0.0, 1.0, &view->rand);
  c.im = NormalDeviate(0.0, 1.0, &view->rand);
  std::memcpy(out, &c, sizeof c);
  return 0;
}

int MakeColour(void* out, ViewParams* view) {
  ColourValue c{};
  for (int i = 0; i < 3; ++i)
    c.c[i] = NextDoubleOn(&view->rand);
  c.c[3] = 1.0;
  std::memcpy(out, &c, sizeof c);
  return 0;
}

std::span<const TypeDecl> ValueTypeDecls() {
  static constexpr TypeDecl kDecls[] = {
      // id      name       size  blend   blend over a run  random constant
      {kSubtree, "subtree", 4, nullptr, nullptr, nullptr},
      {kUnit, "unit", 8, BlendScalar, BilinearRun<double>, MakeUnit},
      {kExpo, "expo", 8, BlendScalar, BilinearRun<double>, MakeExpo},
      {kBipolar, "bipolar", 8, BlendScalar, BilinearRun<double>, MakeBipolar},
      {kGauss, "gauss", 8, BlendScalar, BilinearRun<double>, MakeGauss},
      {kPlain, "plain", 8, nullptr, nullptr, nullptr},
      {kOffset, "offset", 24, nullptr, nullptr, nullptr},
      {kCplx, "cplx", 24, BlendComplex, BilinearRun<ComplexValue>, MakeComplex},
      {kColour, "colour", 40, BlendColour, BilinearRun<ColourValue>, MakeColour},
  };
  return kDecls;
}

}  // namespace pxb
