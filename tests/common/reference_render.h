// The per-sample reference render: one tree, one "dither" state from the
// start words, the tree walked once per selected pixel in row-major order.
// The fast renderer must reproduce its values exactly.
#pragma once

#include <algorithm>
#include <vector>

#include "engine/colour.h"
#include "engine/eval.h"
#include "evolution/render.h"
#include "primitives/scalar.h"

namespace pxb {

inline RenderOutcome RenderMemberPerSample(const Member& member, const RenderJob& job,
                                           const RowSink& sink) {
  if (job.width <= 0 || job.height <= 0) return RenderOutcome::kDone;
  ViewParams vp{job.width, job.height, 0, member.seed.rand};
  RandState dither = kDitherStartState;
  EvalContext ctx{};
  ctx.dither = &dither;
  Node* tree = GrowTreeCopy(member, &vp);
  if (tree == nullptr) return RenderOutcome::kNoTree;
  PrepareTree(&tree, &ctx, &vp);
  if (tree == nullptr) return RenderOutcome::kNoTree;
  const int channels = ChannelsOf(tree->type);
  std::vector<double> row(static_cast<size_t>(job.width) * static_cast<size_t>(channels));
  for (int32_t y = 0; y < job.height; ++y) {
    ctx.row = y;
    const uint8_t* mask = job.mask != nullptr ? job.mask + y * job.maskRowBytes : nullptr;
    for (int32_t x = 0; x < job.width; ++x) {
      if (mask != nullptr && mask[x * job.maskPixelBytes] == 0) continue;
      ctx.column = x;
      double* out = row.data() + static_cast<size_t>(x) * static_cast<size_t>(channels);
      if (channels == 1) {
        EvaluateAt(tree, out, &ctx, &vp);
      } else {
        ColourValue c{};
        EvaluateAt(tree, &c, &ctx, &vp);
        std::copy(c.c, c.c + 3, out);
      }
    }
    sink(y, row.data());
  }
  NodeRelease(&tree, &vp);
  return RenderOutcome::kDone;
}

}  // namespace pxb
