// The scalar primitives of result type `unit`: the coordinate leaves, the
// fuzzy-logic operators, switch and mix, the bias and gain curves, and dither.
#pragma once

#include "engine/node.h"
#include "engine/rand.h"
#include "engine/value.h"

namespace pxb {

// "dither" draws from EvalContext::dither when a render provides one, and
// otherwise from a state of the calling thread that starts at these words.
inline constexpr RandState kDitherStartState{{0x150C, 0x247E, 0x0018}};

// The state a "dither" evaluated in ctx draws from, as described above.
RandState* DitherStateOf(EvalContext* ctx);

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

}  // namespace pxb
