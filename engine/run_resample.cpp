#include "engine/run_resample.h"

#include <cstring>
#include <vector>

#include "engine/eval.h"
#include "engine/numeric.h"
#include "engine/registry.h"

namespace pxb {
namespace {

// Evaluates child at the cells (cx[i], cy[i]) of the run's samples into out.
// When the child's values depend on the cell alone (grouped), samples in a
// row that fall into the same cell as the sample before them share one
// evaluation: a map coarser than the view is evaluated once per cell it
// covers in the run instead of once per sample.
void EvaluateCells(RunEvaluator& ev, Node* child, const RunContext& rc, const int32_t* cx,
                   const int32_t* cy, int32_t drawOffset, bool grouped, unsigned char* cells,
                   unsigned char* out) {
  const int32_t n = rc.count;
  int32_t group[kMaxRun] = {};
  int32_t ux[kMaxRun];
  int32_t uy[kMaxRun];
  int32_t m = 0;
  if (grouped) {
    for (int32_t i = 0; i < n; ++i) {
      if (m == 0 || cx[i] != ux[m - 1] || cy[i] != uy[m - 1]) {
        ux[m] = cx[i];
        uy[m] = cy[i];
        ++m;
      }
      group[i] = m - 1;
    }
  }
  if (!grouped || m == n) {
    const uint64_t generation = ev.NewGeneration();
    const RunContext grid{n, rc.x, rc.y, rc.z, cx, cy, generation, drawOffset, generation};
    ev.Evaluate(child, grid, out);
    return;
  }
  // The child reads neither position nor draws; the samples' own x, y and z
  // are passed on all the same, those of each cell's first sample.
  double gx[kMaxRun];
  double gy[kMaxRun];
  double gz[kMaxRun];
  for (int32_t i = n - 1; i >= 0; --i) {
    gx[group[i]] = rc.x[i];
    gy[group[i]] = rc.y[i];
    gz[group[i]] = rc.z[i];
  }
  const uint64_t generation = ev.NewGeneration();
  const RunContext grid{m, gx, gy, gz, ux, uy, generation, drawOffset, generation};
  ev.Evaluate(child, grid, cells);
  const int32_t size = child->resultSize;
  for (int32_t i = 0; i < n; ++i) {
    CopyValue(out + static_cast<ptrdiff_t>(i) * size,
              cells + static_cast<ptrdiff_t>(group[i]) * size, size);
  }
}

// f[i] = scale * v[i] and its floor, as the per-sample function computes
// them.
void ScaleAndFloor(const double* v, double scale, int32_t n, double* f, int32_t* cell) {
  for (int32_t i = 0; i < n; ++i)
    f[i] = scale * v[i];
  if (FloorNear(f, n, cell)) return;
  for (int32_t i = 0; i < n; ++i)
    cell[i] = FloorToInt32(f[i]);
}

}  // namespace

// The run version of ResampleEval: the child is evaluated at the one or four
// grid cells around every sample, then blended sample by sample exactly as
// the per-sample function does, through the same value slots.
void ResampleRun(const RunCall& call) {
  Node* node = call.node;
  const RunContext& rc = *call.rc;
  Node* child = node->children[0].node;
  EvalFn blend = nullptr;
  std::memcpy(&blend, node->priv, sizeof blend);
  const int32_t n = rc.count;
  const int32_t size = node->resultSize;

  double fx[kMaxRun];
  double fy[kMaxRun];
  int32_t ix[kMaxRun];
  int32_t iy[kMaxRun];
  int32_t ix1[kMaxRun];
  int32_t iy1[kMaxRun];
  const double width = static_cast<double>(child != nullptr ? child->width : 1);
  const double height = static_cast<double>(child != nullptr ? child->height : 1);
  ScaleAndFloor(rc.x, width, n, fx, ix);
  ScaleAndFloor(rc.y, height, n, fy, iy);
  RunEvaluator& ev = *call.evaluator;
  if (child == nullptr && blend == nullptr) {
    // The per-sample function's zeroed slot is the value.
    std::memset(call.out, 0, static_cast<size_t>(n) * static_cast<size_t>(size));
    return;
  }
  unsigned char* cells = ev.CornerScratch(node);
  unsigned char* grouped = cells + static_cast<ptrdiff_t>(4) * n * size;
  // A leaf is as cheap to read per sample as per cell.
  const bool byCell = child != nullptr && child->nargs > 0 && ev.CellsOnly(node);
  if (blend == nullptr) {
    EvaluateCells(ev, child, rc, ix, iy, rc.drawOffset + ev.LazyDrawOffset(node, 0), byCell,
                  grouped, call.out);
    return;
  }
  for (int32_t i = 0; i < n; ++i) {
    ix1[i] = WrapAdd(ix[i], 1);
    iy1[i] = WrapAdd(iy[i], 1);
  }
  unsigned char* corner[4];
  for (int k = 0; k < 4; ++k)
    corner[k] = cells + static_cast<ptrdiff_t>(k) * n * size;
  const int32_t* cornerX[4] = {ix, ix1, ix, ix1};
  const int32_t* cornerY[4] = {iy, iy, iy1, iy1};
  for (int k = 0; k < 4; ++k) {
    EvaluateCells(ev, child, rc, cornerX[k], cornerY[k], rc.drawOffset + ev.LazyDrawOffset(node, k),
                  byCell, grouped, corner[k]);
  }

  double tx[kMaxRun];
  double ty[kMaxRun];
  for (int32_t i = 0; i < n; ++i) {
    tx[i] = fx[i] - ix[i];
    ty[i] = fy[i] - iy[i];
  }
  if (const RunBlendFn run = FindRunBlend(blend)) {
    run(corner, tx, ty, n, size, call.out);
    return;
  }
  // The same four slots, the same copies and the same blend calls as the
  // per-sample function.
  const int32_t stride = MaxTypeSize();
  std::vector<unsigned char> slotValues(static_cast<size_t>(4) * static_cast<size_t>(stride));
  ArgSlot slots[4];
  for (int k = 0; k < 4; ++k)
    slots[k] = ArgSlot{node->type, slotValues.data() + static_cast<ptrdiff_t>(k) * stride};
  void* s0 = slots[0].value;
  void* s1 = slots[1].value;
  void* s2 = slots[2].value;
  void* s3 = slots[3].value;
  ArgSlot top[3] = {slots[0], slots[1], ArgSlot{0, s2}};
  ArgSlot bottom[3] = {slots[1], slots[2], ArgSlot{0, s3}};
  ArgSlot vertical[3] = {slots[0], slots[1], ArgSlot{0, s2}};
  EvalContext ctx{};
  ctx.mask = kRenderMask;
  for (int32_t i = 0; i < n; ++i) {
    const ptrdiff_t at = static_cast<ptrdiff_t>(i) * size;
    CopyValue(s0, corner[0] + at, size);
    CopyValue(s1, corner[1] + at, size);
    std::memcpy(s2, &tx[i], sizeof(double));
    blend(top, s0, nullptr, &ctx);
    CopyValue(s1, corner[2] + at, size);
    CopyValue(s2, corner[3] + at, size);
    std::memcpy(s3, &tx[i], sizeof(double));
    blend(bottom, s1, nullptr, &ctx);
    std::memcpy(s2, &ty[i], sizeof(double));
    blend(vertical, s0, nullptr, &ctx);
    CopyValue(call.out + at, s0, size);
  }
}

}  // namespace pxb
