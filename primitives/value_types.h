// The nine value types: their ids, layouts, blends and random constants.
#pragma once

#include <cstdint>

#include "engine/colour.h"
#include "engine/value.h"

namespace pxb {

// Type ids in registration order (`subtree`, `unit` and `colour` are in
// engine/value.h). They are stored in filter files and must
// never move.
inline constexpr TypeId kExpo = 3;
inline constexpr TypeId kBipolar = 4;
inline constexpr TypeId kGauss = 5;
inline constexpr TypeId kPlain = 6;
inline constexpr TypeId kOffset = 7;
inline constexpr TypeId kCplx = 8;

// `cplx`: Cartesian (re, im), or (modulus, angle) when polar is nonzero.
struct ComplexValue {
  double re;
  double im;
  int32_t polar;
  int32_t unused;
};
static_assert(sizeof(ComplexValue) == 24);

// `offset`: the position (x, y, z) a subtree is evaluated at instead.
struct OffsetValue {
  double x;
  double y;
  double z;
};
static_assert(sizeof(OffsetValue) == 24);

// Fills the normal-deviate difference table; part of start-up.
void InitNormalDeviate();

// A table-driven approximation of a normal deviate from one 15-bit draw.
double NormalDeviate(double mean, double deviation, RandState* state);

// The Cartesian form of a complex value.
ComplexValue Cartesian(const ComplexValue& c);

// The three blends of two values at t, the arithmetic of the blend
// functions below.
inline double BlendScalarValue(double a, double b, double t) {
  return (b - a) * t + a;
}
ComplexValue BlendComplexValue(ComplexValue a, ComplexValue b, double t);
ColourValue BlendColourValue(const ColourValue& a, const ColourValue& b, double t);

// Registers the run versions of the blends for resampling.

// Blends, in the form of an evaluation function over slots (a, b, t).
int BlendScalar(ArgSlot* args, void* result, Node* node, EvalContext* ctx);
int BlendComplex(ArgSlot* args, void* result, Node* node, EvalContext* ctx);
int BlendColour(ArgSlot* args, void* result, Node* node, EvalContext* ctx);

// Random constants, drawn from view->rand.
int MakeUnit(void* out, ViewParams* view);
int MakeExpo(void* out, ViewParams* view);
int MakeBipolar(void* out, ViewParams* view);
int MakeGauss(void* out, ViewParams* view);
int MakeComplex(void* out, ViewParams* view);
int MakeColour(void* out, ViewParams* view);

}  // namespace pxb
