#include "engine/eval.h"

#include <bit>
#include <cmath>
#include <cstring>

#include "engine/colour.h"
#include "engine/numeric.h"
#include "engine/registry.h"

namespace pxb {
namespace {

constexpr int32_t kReachedOnce = -1;
constexpr int32_t kShared = -2;
constexpr int32_t kPrepared = -3;

void Mark(Node* node) {
  if (node == nullptr) return;
  if (node->mark < 0) {
    node->mark = kShared;
    return;
  }
  node->mark = kReachedOnce;
  for (int i = 0; i < node->nargs; ++i)
    Mark(node->children[i].node);
}

// Returns true when the node is constant for the render.
bool Fold(Node* node, EvalContext* ctx, ViewParams* view) {
  if (node == nullptr) return false;
  if (node->mark == kPrepared) return true;
  if (node->mark == kShared) node->mark = kPrepared;
  for (int i = 0; i < node->nargs; ++i) {
    Node* child = node->children[i].node;
    if (child == nullptr) continue;
    if (Fold(child, ctx, view)) {
      CopyValue(node->args[i].value, child->values, child->resultSize);
    }
  }
  node->resolutionHook(node, view);
  if ((ctx->mask & node->flags) != 0) return false;
  node->eval(node->args, node->values, node, ctx);
  return true;
}

void Unmark(Node* node) {
  if (node == nullptr || node->mark >= 0) return;
  node->mark = -node->mark - 1;
  for (int i = 0; i < node->nargs; ++i)
    Unmark(node->children[i].node);
}

bool SameBits(double a, double b) {
  return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b);
}

bool KeyMatches(const Node* node, const EvalContext* ctx) {
  const EvalContext& key = node->key;
  if ((node->flags & kPositionDependent) != 0 &&
      !(SameBits(key.x, ctx->x) && SameBits(key.y, ctx->y) && SameBits(key.z, ctx->z))) {
    return false;
  }
  if ((node->flags & kMapValued) != 0 && (key.column != ctx->column || key.row != ctx->row)) {
    return false;
  }
  return true;
}

// Room for the four values of one resampling step without touching the heap,
// as long as no registered type is larger than this.
constexpr int kInlineValueSize = 64;

}  // namespace

void MarkSharedNodes(Node* root) {
  Mark(root);
}
void FoldConstants(Node* root, EvalContext* ctx, ViewParams* view) {
  Fold(root, ctx, view);
}
void UnmarkNodes(Node* root) {
  Unmark(root);
}

void PrepareTree(Node** holder, EvalContext* ctx, ViewParams* view) {
  Node* root = *holder;
  if (root != nullptr && (root->flags & kMapValued) != 0 &&
      (root->width != view->width || root->height != view->height)) {
    WrapResample(holder, view);
    root = *holder;
  }
  ctx->mask = kRenderMask;
  Mark(root);
  Fold(root, ctx, view);
  Unmark(root);
}

void EvaluateAt(Node* root, void* out, EvalContext* ctx, const ViewParams* view) {
  ctx->x = static_cast<double>(ctx->column) / static_cast<double>(view->width);
  ctx->y = static_cast<double>(ctx->row) / static_cast<double>(view->height);
  EvaluateNode(root, out, ctx);
  if (root != nullptr && root->type == kColour) HsvToRgb(static_cast<ColourValue*>(out));
}

int EvaluateNode(Node* node, void* out, EvalContext* ctx) {
  if (node == nullptr) return 1;
  const int32_t size = node->resultSize;
  if ((ctx->mask & node->flags) == 0) {
    if (out != nullptr) CopyValue(out, node->values, size);
    return 1;
  }
  if (node->mark != 0) {
    if (KeyMatches(node, ctx)) {
      if (out != nullptr) CopyValue(out, node->values, size);
      return 1;
    }
    node->key = *ctx;
  }
  for (int i = 0; i < node->nargs; ++i) {
    const ChildLink& link = node->children[i];
    if (link.node != nullptr && link.lazy == 0) EvaluateNode(link.node, node->args[i].value, ctx);
  }
  const int r = node->eval(node->args, node->values, node, ctx);
  if (out == nullptr) return r;
  CopyValue(out, node->values, size);
  return size;
}

int ResampleEval(ArgSlot* /*args*/, void* result, Node* node, EvalContext* ctx) {
  Node* child = node->children[0].node;
  EvalFn blend = nullptr;
  std::memcpy(&blend, node->priv, sizeof blend);

  const double fx = static_cast<double>(child != nullptr ? child->width : 1) * ctx->x;
  const double fy = static_cast<double>(child != nullptr ? child->height : 1) * ctx->y;
  const int32_t ix = FloorToInt32(fx);
  const int32_t iy = FloorToInt32(fy);

  const uint32_t savedMask = ctx->mask;
  const int32_t savedColumn = ctx->column;
  const int32_t savedRow = ctx->row;
  ctx->mask |= kMapValued;
  ctx->column = ix;
  ctx->row = iy;

  alignas(16) unsigned char inlineValues[4 * kInlineValueSize] = {};
  ArgSlot slots[4];
  const int32_t stride = MaxTypeSize();
  Scratch heap{nullptr, nullptr};
  unsigned char* values = inlineValues;
  if (stride > kInlineValueSize) {
    heap = AllocScratch(4);
    if (heap.buffer == nullptr) {
      // Without room to resample, the sample reads as the zero value.
      ctx->mask = savedMask;
      ctx->column = savedColumn;
      ctx->row = savedRow;
      std::memset(result, 0, static_cast<size_t>(node->resultSize));
      return 0;
    }
    values = heap.buffer;
  }
  for (int i = 0; i < 4; ++i)
    slots[i] = ArgSlot{node->type, values + i * stride};
  void* s0 = slots[0].value;
  void* s1 = slots[1].value;
  void* s2 = slots[2].value;
  void* s3 = slots[3].value;

  EvaluateNode(child, s0, ctx);
  if (blend != nullptr) {
    const double tx = fx - ix;
    const double ty = fy - iy;
    ArgSlot top[3] = {slots[0], slots[1], ArgSlot{0, s2}};
    ArgSlot bottom[3] = {slots[1], slots[2], ArgSlot{0, s3}};
    ArgSlot vertical[3] = {slots[0], slots[1], ArgSlot{0, s2}};

    ctx->column = WrapAdd(ix, 1);
    EvaluateNode(child, s1, ctx);
    std::memcpy(s2, &tx, sizeof tx);
    blend(top, s0, nullptr, ctx);

    ctx->column = ix;
    ctx->row = WrapAdd(iy, 1);
    EvaluateNode(child, s1, ctx);
    ctx->column = WrapAdd(ix, 1);
    EvaluateNode(child, s2, ctx);
    std::memcpy(s3, &tx, sizeof tx);
    blend(bottom, s1, nullptr, ctx);

    std::memcpy(s2, &ty, sizeof ty);
    blend(vertical, s0, nullptr, ctx);
  }

  ctx->mask = savedMask;
  ctx->column = savedColumn;
  ctx->row = savedRow;
  CopyValue(result, s0, node->resultSize);
  if (heap.buffer != nullptr) FreeScratch(heap);
  return 1;
}

}  // namespace pxb
