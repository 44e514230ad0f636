// The start-up registration of the whole vocabulary: nine types and 22
// functions in a fixed order. Type ids and function indices are stored in
// filter and session files and must never move.
#pragma once

#include "engine/value.h"

namespace pxb {

// The indices of the functions other code names; the rest are known by
// their place in the registration order alone.
enum PrimitiveFunction : FuncId {
  kFnMu = 0,
  kFnMv = 1,
  kFnMinpe = 2,
  kFnDopnoise = 11,
  kFnDopbnoise = 12,
  kFnDopdnoise = 13,
  kFnTrfmapColour = 20,
  kFnTrfmapUnit = 21,
};

// Registers everything once per process; later calls do nothing.
void RegisterPrimitives();

// Tells the run evaluator the run versions of the functions and blends; part
// of RegisterPrimitives, and on its own for trees built by hand. Repeating it
// changes nothing.
void RegisterRunFunctions();

}  // namespace pxb
