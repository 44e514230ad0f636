// How a family of primitives describes its functions to the start-up
// registration. Each family file ends with a table of these, one line per
// function, beside the code the line names; registration.cpp only puts the
// lines in their fixed order.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>

#include "engine/registry.h"
#include "engine/run_eval.h"
#include "engine/value.h"

namespace pxb {

// Properties of a primitive besides its signature.
enum PrimitiveFlag : uint32_t {
  kNoPrimitiveFlags = 0,
  // Draws one value per sample from the dither state: the run evaluator must
  // place its draws in the sample sequence.
  kDrawsDither = 1u << 0,
  // Never chosen by growth: stands in for an argument at the depth limit.
  kDepthLimitLeaf = 1u << 1,
  // Evaluates its subtree itself, once per sample (when there is one), after
  // its own arguments: the run evaluator places the subtree's draws there.
  kLazyOnce = 1u << 2,
  // Its value depends only on the sample's column and row (and the node's
  // grid size), as an image leaf's: the run evaluator computes it once for
  // all such nodes over the same samples.
  kGridOnly = 1u << 3,
  // Its value depends only on its arguments, its node's data and the
  // sample's column and row: never on x, y, z or draws.
  kCellOnly = 1u << 4,
};

struct PrimitiveDecl {
  const char* name;        // as registered and written in files
  TypeId result;           // the signature: result type ...
  TypeId args[kArgSlots];  // ... and argument types, 0 where there is none
  BuilderFn builder;
  EvalFn eval;  // one sample
  RunFn run;    // a run of samples; null: eval is called once per sample
  uint32_t flags;
};

// The fields follow the columns of the families' tables.
struct TypeDecl {  // NOLINT(clang-analyzer-optin.performance.Padding)
  TypeId id;       // fixed: stored in filter files
  const char* name;
  int32_t size;
  EvalFn blend;         // null: values of the type are never blended
  RunBlendFn runBlend;  // the blend over a run of samples (with blend)
  MakerFn maker;        // null: no random constants of the type
};

// Reading and writing one double through the byte blocks of values.
inline double ReadUnit(const void* p) {
  double v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline void WriteUnit(void* p, double v) {
  std::memcpy(p, &v, sizeof v);
}

// The families' tables.
std::span<const TypeDecl> ValueTypeDecls();
std::span<const PrimitiveDecl> ScalarDecls();
std::span<const PrimitiveDecl> TransformDecls();
std::span<const PrimitiveDecl> NoiseDecls();
std::span<const PrimitiveDecl> FractalDecls();
std::span<const PrimitiveDecl> ColourDecls();

}  // namespace pxb
