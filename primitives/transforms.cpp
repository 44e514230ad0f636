#include "primitives/transforms.h"

#include <cstring>

#include "engine/eval.h"
#include "engine/registry.h"
#include "engine/run_eval.h"
#include "primitives/declaration.h"
#include "primitives/value_types.h"

namespace pxb {
namespace {

int EvalRi2cx(ArgSlot* args, void* result, Node*, EvalContext* ctx) {
  ComplexValue c;
  std::memcpy(&c, args[0].value, sizeof c);
  c = Cartesian(c);
  const double k = ReadUnit(args[1].value);
  // Only x and y: z keeps what the result holds.
  const double xy[2] = {(c.re * k) * 0.1 + ctx->x, (c.im * k) * 0.1 + ctx->y};
  std::memcpy(result, xy, sizeof xy);
  return 0;
}

int EvalTrfmap(ArgSlot* args, void* result, Node* node, EvalContext* ctx) {
  Node* child = node->children[0].node;
  if (child == nullptr) {
    std::memcpy(result, args[0].value, static_cast<size_t>(TypeSize(args[0].type)));
    return 0;
  }
  OffsetValue at;
  std::memcpy(&at, args[1].value, sizeof at);
  const double savedX = ctx->x;
  const double savedY = ctx->y;
  const double savedZ = ctx->z;
  const uint32_t savedMask = ctx->mask;
  ctx->mask |= kPositionDependent;
  ctx->x = at.x;
  ctx->y = at.y;
  ctx->z = at.z;
  EvaluateNode(child, nullptr, ctx);
  ctx->x = savedX;
  ctx->y = savedY;
  ctx->z = savedZ;
  ctx->mask = savedMask;
  std::memcpy(result, child->values, static_cast<size_t>(TypeSize(child->type)));
  return 0;
}

void RunRi2cx(const RunCall& call) {
  // z keeps what the node's result holds, as in the per-sample function;
  // nothing writes that result during a run, so it is read once. Pointers
  // and the count are copied into locals: the stores through the byte
  // pointer of the results would otherwise make the compiler reload them at
  // every sample.
  const RunContext& rc = *call.rc;
  const ptrdiff_t size = call.node->resultSize;  // the registered offset size
  OffsetValue held;
  std::memcpy(&held, call.node->values, sizeof held);
  const unsigned char* numbers = call.args[0].data;
  const ptrdiff_t numberStride = call.args[0].stride;
  const unsigned char* scales = call.args[1].data;
  const ptrdiff_t scaleStride = call.args[1].stride;
  const double* x = rc.x;
  const double* y = rc.y;
  unsigned char* out = call.out;
  const int32_t count = rc.count;
  for (int32_t i = 0; i < count; ++i) {
    ComplexValue c;
    std::memcpy(&c, numbers + i * numberStride, sizeof c);
    // Cartesian returns a Cartesian number unchanged: called for polar
    // ones only.
    if (c.polar != 0) c = Cartesian(c);
    const double k = ReadUnit(scales + i * scaleStride);
    const OffsetValue o{(c.re * k) * 0.1 + x[i], (c.im * k) * 0.1 + y[i], held.z};
    std::memcpy(out + i * size, &o, sizeof o);
  }
}

// The child evaluated over the run at the offsets' positions; column and row
// stay those of the samples.
void RunTrfmap(const RunCall& call) {
  Node* node = call.node;
  Node* child = node->children[0].node;
  const RunContext& rc = *call.rc;
  if (child == nullptr) {
    const auto size = static_cast<size_t>(TypeSize(node->args[0].type));
    for (int32_t i = 0; i < rc.count; ++i)
      std::memcpy(call.out + static_cast<ptrdiff_t>(i) * node->resultSize, node->args[0].value,
                  size);
    return;
  }
  double x[kMaxRun];
  double y[kMaxRun];
  double z[kMaxRun];
  for (int32_t i = 0; i < rc.count; ++i) {
    OffsetValue at;
    std::memcpy(&at, call.args[1].data + i * call.args[1].stride, sizeof at);
    x[i] = at.x;
    y[i] = at.y;
    z[i] = at.z;
  }
  const RunContext moved{
      rc.count,         x, y, z, rc.column, rc.row, call.evaluator->NewGeneration(), rc.drawOffset,
      rc.cellGeneration};
  call.evaluator->Evaluate(child, moved, call.out);
}

}  // namespace

Node* BuildRi2cx(TypeId result, int nargs, ArgSlot* args, ViewParams* view) {
  return NodeCreate(result, nargs, args, 0, EvalRi2cx, "ri2cx", view);
}

Node* BuildTrfmap(TypeId result, int nargs, ArgSlot* args, ViewParams* view) {
  Node* node = NodeCreate(result, nargs, args, 0, EvalTrfmap, "trfmap", view);
  if (node == nullptr || nargs < 2) return node;
  // A map is sampled through a resampling node so that any position can be
  // asked of it; the subtree is then evaluated by EvalTrfmap alone.
  Node*& f = node->children[0].node;
  if (f != nullptr && (f->flags & kMapValued) != 0) WrapResample(&f, view);
  node->children[0].lazy = 1;
  const Node* offset = node->children[1].node;
  uint32_t flags = f != nullptr ? f->flags & ~kMapValued : 0;
  if (offset != nullptr) flags |= offset->flags;
  node->flags = flags;
  return node;
}

std::span<const PrimitiveDecl> TransformDecls() {
  // One builder and evaluation for both "trfmap" signatures.
  static constexpr PrimitiveDecl kDecls[] = {
      // name   result  arguments          builder      eval        run        flags
      {"ri2cx", kOffset, {kCplx, kUnit}, BuildRi2cx, EvalRi2cx, RunRi2cx, kNoPrimitiveFlags},
      {"trfmap", kColour, {kColour, kOffset}, BuildTrfmap, EvalTrfmap, RunTrfmap, kLazyOnce},
      {"trfmap", kUnit, {kUnit, kOffset}, BuildTrfmap, EvalTrfmap, RunTrfmap, kLazyOnce},
  };
  return kDecls;
}

}  // namespace pxb
