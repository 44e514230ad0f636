// Hand-built nodes for exercising the engine without the primitive library.
#pragma once

#include <cstring>

#include "engine/eval.h"
#include "engine/node.h"
#include "engine/registry.h"

namespace pxb::testing {

inline int LerpDouble(ArgSlot* a, void* result, Node*, EvalContext*) {
  const double x = *static_cast<double*>(a[0].value);
  const double y = *static_cast<double*>(a[1].value);
  const double t = *static_cast<double*>(a[2].value);
  const double r = (y - x) * t + x;
  std::memcpy(result, &r, sizeof r);
  return 0;
}

// Registers the nine value types in their fixed order once per process, with
// a lerp blend and the given constant maker for `unit` and no other
// operations.
inline void RegisterTestTypes(MakerFn unitMaker = nullptr) {
  if (TypeCount() > 0) return;
  RegisterType(4, nullptr, nullptr);       // subtree
  RegisterType(8, LerpDouble, unitMaker);  // unit
  for (int i = 0; i < 4; ++i)
    RegisterType(8, nullptr, nullptr);  // expo..plain
  RegisterType(24, nullptr, nullptr);   // offset
  RegisterType(24, nullptr, nullptr);   // cplx
  RegisterType(40, nullptr, nullptr);   // colour
}

// Counts every call of the evaluation functions below.
inline int evalCalls = 0;

// Writes v as the node's result, counting the call.
inline int Yield(void* result, double v) {
  ++evalCalls;
  std::memcpy(result, &v, sizeof v);
  return 0;
}

// A constant leaf holding v.
inline Node* Constant(double v, ViewParams* view) {
  const ArgSlot slot{kUnit, &v};
  return NodeCreate(
      kUnit, 1, &slot, 0,
      [](ArgSlot* a, void* r, Node*, EvalContext*) {
        return Yield(r, *static_cast<double*>(a[0].value));
      },
      "cm", view);
}

// The x coordinate of the sample.
inline Node* PositionX(ViewParams* view) {
  Node* n = NodeCreate(
      kUnit, 0, nullptr, 0, [](ArgSlot*, void* r, Node*, EvalContext* c) { return Yield(r, c->x); },
      "mu", view);
  n->flags = kPositionDependent;
  return n;
}

// a + b.
inline Node* Sum(Node* a, Node* b, ViewParams* view) {
  const ArgSlot slots[2] = {{kSubtree, &a}, {kSubtree, &b}};
  return NodeCreate(
      kUnit, 2, slots, 0,
      [](ArgSlot* s, void* r, Node*, EvalContext*) {
        return Yield(r, *static_cast<double*>(s[0].value) + *static_cast<double*>(s[1].value));
      },
      "sum", view);
}

// A w x h map whose pixel (c, r) holds c + 10·r, wrapping out-of-range
// positions periodically.
inline Node* GridMap(int w, int h, ViewParams* view) {
  Node* n = NodeCreate(
      kUnit, 0, nullptr, 0,
      [](ArgSlot*, void* r, Node* self, EvalContext* c) {
        const int col = ((c->column % self->width) + self->width) % self->width;
        const int row = ((c->row % self->height) + self->height) % self->height;
        return Yield(r, col + 10.0 * row);
      },
      "grid", view);
  n->flags = kMapValued;
  n->width = w;
  n->height = h;
  return n;
}

}  // namespace pxb::testing
