#include "primitives/fractal_maps.h"

#include <cstring>

#include "engine/rand.h"
#include "engine/run_eval.h"
#include "primitives/declaration.h"
#include "primitives/fractal_generator.h"
#include "primitives/value_types.h"

namespace pxb {
namespace {

// The factor that turns a map byte into [0, 1].
constexpr double kFractalByteScale = 0.00392156862745098;

// Offset of the sample's cell in a node's grid, repeating the grid over the
// whole plane.
size_t CellIndex(const Node* node, const EvalContext* ctx) {
  int32_t col = ctx->column % node->width;
  int32_t row = ctx->row % node->height;
  if (col < 0) col += node->width;
  if (row < 0) row += node->height;
  return static_cast<size_t>(row) * static_cast<size_t>(node->width) + static_cast<size_t>(col);
}

int EvalRfract(ArgSlot* /*args*/, void* result, Node* node, EvalContext* ctx) {
  const auto* map = static_cast<const uint8_t*>(node->priv);
  const double v = map[CellIndex(node, ctx)] * kFractalByteScale;
  std::memcpy(result, &v, sizeof v);
  return 0;
}

double Bipolar(uint8_t b) {
  const double h = b * kFractalByteScale - 0.5;
  return h + h;
}

int EvalBfract(ArgSlot* /*args*/, void* result, Node* node, EvalContext* ctx) {
  const auto* map = static_cast<const uint8_t*>(node->priv);
  const size_t i = 2 * CellIndex(node, ctx);
  const ComplexValue c{Bipolar(map[i]), Bipolar(map[i + 1]), 0, 0};
  std::memcpy(result, &c, sizeof c);
  return 0;
}

// Run versions: the same cell reads as the functions above, one loop per
// node over the run's columns and rows. Most samples lie in the grid itself
// and need no division to find their cell.
int32_t GridCell(int32_t v, int32_t size) {
  if (static_cast<uint32_t>(v) < static_cast<uint32_t>(size)) return v;
  const int32_t m = v % size;
  return m < 0 ? m + size : m;
}

// The run's cell offsets in node's grid, into at.
void RunCellIndices(const Node* node, const RunContext& rc, size_t* at) {
  const int32_t w = node->width;
  const int32_t h = node->height;
  for (int32_t i = 0; i < rc.count; ++i) {
    at[i] = static_cast<size_t>(GridCell(rc.row[i], h)) * static_cast<size_t>(w) +
            static_cast<size_t>(GridCell(rc.column[i], w));
  }
}

void RunRfract(const RunCall& call) {
  const auto* map = static_cast<const uint8_t*>(call.node->priv);
  const int32_t count = call.rc->count;
  unsigned char* out = call.out;
  size_t at[kMaxRun];
  RunCellIndices(call.node, *call.rc, at);
  for (int32_t i = 0; i < count; ++i) {
    const double v = map[at[i]] * kFractalByteScale;
    std::memcpy(out + static_cast<ptrdiff_t>(i) * 8, &v, sizeof v);
  }
}

void RunBfract(const RunCall& call) {
  const auto* map = static_cast<const uint8_t*>(call.node->priv);
  const int32_t count = call.rc->count;
  unsigned char* out = call.out;
  const ptrdiff_t size = call.node->resultSize;
  size_t at[kMaxRun];
  RunCellIndices(call.node, *call.rc, at);
  for (int32_t i = 0; i < count; ++i) {
    const ComplexValue c{Bipolar(map[2 * at[i]]), Bipolar(map[2 * at[i] + 1]), 0, 0};
    std::memcpy(out + i * size, &c, sizeof c);
  }
}

Node* BuildFractal(TypeId result, int nargs, ArgSlot* args, ViewParams* view, int32_t mode) {
  const int32_t g = FractalGridSize();
  FractalParams request{};
  Node** modulatorHolder = nullptr;
  if (nargs >= 1 && args[0].type == kSubtree) {
    modulatorHolder = static_cast<Node**>(args[0].value);
    request.modulator = *modulatorHolder;
  } else if (nargs >= 1) {
    std::memcpy(&request.exponent, args[0].value, sizeof request.exponent);
  }

  const int32_t cells = g * g;
  Node* node =
      NodeCreate(result, 0, nullptr, mode == 0 ? cells : 2 * cells,
                 mode == 0 ? EvalRfract : EvalBfract, mode == 0 ? "rfract" : "bfract", view);
  // Like every builder, a fractal builder that fails hands the modulator's
  // reference back untouched: the caller releases it.
  if (node == nullptr) return nullptr;
  node->width = g;
  node->height = g;
  node->flags = kMapValued;

  NextInt31On(&view->rand);
  request.rand = view->rand;
  request.mode = mode;
  request.width = g;
  request.height = g;
  EvalContext pos{};
  if (!GenerateFractal(static_cast<uint8_t*>(node->priv), &pos, view, &request)) {
    NodeRelease(&node, view);
    return nullptr;
  }
  // The generator has used the modulator up; the caller's variable no longer
  // holds a reference.
  if (modulatorHolder != nullptr) *modulatorHolder = nullptr;
  return node;
}

}  // namespace

Node* BuildRfract(TypeId result, int nargs, ArgSlot* args, ViewParams* view) {
  return BuildFractal(result, nargs, args, view, 0);
}

Node* BuildBfract(TypeId result, int nargs, ArgSlot* args, ViewParams* view) {
  return BuildFractal(result, nargs, args, view, 1);
}

std::span<const PrimitiveDecl> FractalDecls() {
  static constexpr PrimitiveDecl kDecls[] = {
      // name    result  arguments  builder      eval        run      flags
      {"rfract", kUnit, {kUnit}, BuildRfract, EvalRfract, RunRfract, kCellOnly},
      {"bfract", kCplx, {kUnit}, BuildBfract, EvalBfract, RunBfract, kCellOnly},
  };
  return kDecls;
}

}  // namespace pxb
