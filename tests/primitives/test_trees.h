// Building and rendering hand-made trees of primitives.
#pragma once

#include <initializer_list>

#include "engine/eval.h"
#include "engine/node.h"

namespace pxb::testing {

// Calls a builder over up to three argument slots.
inline Node* BuildNode(BuilderFn builder, TypeId result, std::initializer_list<ArgSlot> slots,
                       ViewParams* view) {
  ArgSlot args[3] = {};
  int n = 0;
  for (const ArgSlot& s : slots)
    args[n++] = s;
  return builder(result, n, args, view);
}

// One render of a tree: PrepareTree on construction, EvaluateAt per pixel,
// the tree released at the end.
class TestRender {
 public:
  TestRender(Node* root, ViewParams view, RandState* dither = nullptr) : root_(root), view_(view) {
    ctx_.dither = dither;
    PrepareTree(&root_, &ctx_, &view_);
  }
  ~TestRender() { NodeRelease(&root_, &view_); }
  TestRender(const TestRender&) = delete;
  TestRender& operator=(const TestRender&) = delete;

  Node* root() const { return root_; }
  EvalContext& context() { return ctx_; }

  template <typename T>
  T At(int column, int row) {
    T out{};
    ctx_.column = column;
    ctx_.row = row;
    EvaluateAt(root_, &out, &ctx_, &view_);
    return out;
  }
  double UnitAt(int column, int row) { return At<double>(column, row); }

 private:
  Node* root_;
  ViewParams view_;
  EvalContext ctx_{};
};

}  // namespace pxb::testing
