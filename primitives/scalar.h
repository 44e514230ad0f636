// The scalar primitives of result type `unit`: the coordinate leaves, the
// fuzzy-logic operators, switch and mix, the bias and gain curves, and dither.
#pragma once

#include <cstring>

#include "engine/node.h"
#include "engine/rand.h"
#include "engine/value.h"

namespace pxb {

// Reading and writing one double through the byte blocks of values.
inline double ReadUnit(const void* p) {
  double v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline void WriteUnit(void* p, double v) {
  std::memcpy(p, &v, sizeof v);
}

// Bias curve: b = 0.5 leaves x alone, larger b pulls values in (0, 1) down,
// smaller b pushes them up; b outside (0, 1) switches to power curves.
double BiasCurve(double x, double b);
// An S curve through 0, 0.5 and 1 made of two bias curves, repeating with
// period 1 around each integer.
double GainCurve(double x, double g);
// Quantises a to a multiple of 1 / (4·levels + 1), choosing the level by one
// draw from state so that the expected result is a.
double DitherValue(double a, double levels, RandState* state);

// "dither" draws from EvalContext::dither when a render provides one, and
// otherwise from a state of the calling thread that starts at these words.
inline constexpr RandState kDitherStartState{{0x150C, 0x247E, 0x0018}};
// The calling thread's own dither state.
RandState* ThreadDitherState();
// Puts the calling thread's dither state back to kDitherStartState.
void ResetThreadDitherState();

// Builders, in the form of the function registry.
Node* BuildMu(TypeId result, int nargs, ArgSlot* args, ViewParams* view);
Node* BuildMv(TypeId result, int nargs, ArgSlot* args, ViewParams* view);
Node* BuildMinpe(TypeId result, int nargs, ArgSlot* args, ViewParams* view);
Node* BuildPeplus(TypeId result, int nargs, ArgSlot* args, ViewParams* view);
Node* BuildPetimes(TypeId result, int nargs, ArgSlot* args, ViewParams* view);
Node* BuildPepow(TypeId result, int nargs, ArgSlot* args, ViewParams* view);
Node* BuildSwitch(TypeId result, int nargs, ArgSlot* args, ViewParams* view);
Node* BuildMix(TypeId result, int nargs, ArgSlot* args, ViewParams* view);
Node* BuildBias(TypeId result, int nargs, ArgSlot* args, ViewParams* view);
Node* BuildGain(TypeId result, int nargs, ArgSlot* args, ViewParams* view);
Node* BuildDither(TypeId result, int nargs, ArgSlot* args, ViewParams* view);

// Registers the run versions of the functions below.
void RegisterScalarRunFns();

// Evaluation functions.
int EvalMu(ArgSlot* args, void* result, Node* node, EvalContext* ctx);
int EvalMv(ArgSlot* args, void* result, Node* node, EvalContext* ctx);
int EvalMinpe(ArgSlot* args, void* result, Node* node, EvalContext* ctx);
int EvalPeplus(ArgSlot* args, void* result, Node* node, EvalContext* ctx);
int EvalPetimes(ArgSlot* args, void* result, Node* node, EvalContext* ctx);
int EvalPepow(ArgSlot* args, void* result, Node* node, EvalContext* ctx);
int EvalSwitch(ArgSlot* args, void* result, Node* node, EvalContext* ctx);
int EvalMix(ArgSlot* args, void* result, Node* node, EvalContext* ctx);
int EvalBias(ArgSlot* args, void* result, Node* node, EvalContext* ctx);
int EvalGain(ArgSlot* args, void* result, Node* node, EvalContext* ctx);
int EvalDither(ArgSlot* args, void* result, Node* node, EvalContext* ctx);

}  // namespace pxb
