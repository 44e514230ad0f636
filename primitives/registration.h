// The start-up registration of the whole vocabulary: nine types and 22
// functions in a fixed order. Type ids and function indices are stored in
// filter and session files and must never move.
#pragma once

#include "engine/value.h"

namespace pxb {

// Function indices in registration order.
enum PrimitiveFunction : FuncId {
  kFnMu = 0,
  kFnMv,
  kFnMinpe,
  kFnPeplus,
  kFnPetimes,
  kFnPepow,
  kFnSwitch,
  kFnMix,
  kFnBias,
  kFnGain,
  kFnRi2cx,
  kFnDopnoise,
  kFnDopbnoise,
  kFnDopdnoise,
  kFnRfract,
  kFnBfract,
  kFnDither,
  kFnMakrgb,
  kFnGswitch,
  kFnGmix,
  kFnTrfmapColour,
  kFnTrfmapUnit,
  kPrimitiveFunctionCount
};

// Registers everything once per process; later calls do nothing.
void RegisterPrimitives();

}  // namespace pxb
