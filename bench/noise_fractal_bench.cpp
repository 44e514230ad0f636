// Lattice noise per sample and fractal map generation per node.
//
//   pxb_bench --benchmark_filter='Noise|Fractal'

#include <benchmark/benchmark.h>

#include "engine/eval.h"
#include "engine/node.h"
#include "primitives/fractal_generator.h"
#include "primitives/fractal_maps.h"
#include "primitives/noise.h"
#include "primitives/registration.h"
#include "primitives/scalar.h"
#include "primitives/value_types.h"

namespace pxb {
namespace {

constexpr int kGrid = 256;

ViewParams BenchView() {
  RegisterPrimitives();
  return ViewParams{kGrid, kGrid, 1, {{0x330E, 0x1234, 0x0042}}};
}

BuilderFn NoiseBuilder(NoiseMode mode) {
  switch (mode) {
    case NoiseMode::kPlain:
      return BuildDopNoise;
    case NoiseMode::kBipolar:
      return BuildDopBNoise;
    case NoiseMode::kDerivative:
      break;
  }
  return BuildDopDNoise;
}

TypeId NoiseType(NoiseMode mode) {
  switch (mode) {
    case NoiseMode::kPlain:
      return kUnit;
    case NoiseMode::kBipolar:
      return kBipolar;
    case NoiseMode::kDerivative:
      break;
  }
  return kCplx;
}

// One noise node evaluated row by row over a 256 x 256 grid, as a render
// does; the scale (range(1), in 1/1000) sets how many lattice cells a row
// crosses and so how often the corner cache is refilled.
void BM_NoiseRowMajor(benchmark::State& state) {
  ViewParams view = BenchView();
  const auto mode = static_cast<NoiseMode>(state.range(0));
  double scale = static_cast<double>(state.range(1)) / 1000.0;
  ArgSlot slot{kUnit, &scale};
  Node* node = NoiseBuilder(mode)(NoiseType(mode), 1, &slot, &view);
  EvalContext ctx{};
  ctx.mask = kRenderMask;
  unsigned char out[64];
  for (auto _ : state) {
    for (int row = 0; row < kGrid; ++row) {
      for (int column = 0; column < kGrid; ++column) {
        ctx.column = column;
        ctx.row = row;
        EvaluateAt(node, out, &ctx, &view);
        benchmark::DoNotOptimize(out);
      }
    }
  }
  state.SetItemsProcessed(state.iterations() * kGrid * kGrid);
  NodeRelease(&node, &view);
}
BENCHMARK(BM_NoiseRowMajor)
    ->ArgNames({"mode", "scale_milli"})
    ->ArgsProduct({{0, 1, 2}, {125, 4}})
    ->Unit(benchmark::kMillisecond);

// The cost of one NoiseSample call when every call lands in a new cell:
// the corner computation the cache saves.
void BM_NoiseSampleNewCell(benchmark::State& state) {
  ViewParams view = BenchView();
  const auto mode = static_cast<NoiseMode>(state.range(0));
  double scale = 1.0;
  ArgSlot slot{kUnit, &scale};
  Node* node = NoiseBuilder(mode)(NoiseType(mode), 1, &slot, &view);
  double x = 0.5;
  for (auto _ : state) {
    x += 1.0;
    benchmark::DoNotOptimize(NoiseSample(mode, 1.0, x, 0.25, node));
  }
  state.SetItemsProcessed(state.iterations());
  NodeRelease(&node, &view);
}
BENCHMARK(BM_NoiseSampleNewCell)->ArgName("mode")->DenseRange(0, 2);

// One NoiseSample call inside the cached cell: three Hermite steps.
void BM_NoiseSampleSameCell(benchmark::State& state) {
  ViewParams view = BenchView();
  const auto mode = static_cast<NoiseMode>(state.range(0));
  double scale = 1.0;
  ArgSlot slot{kUnit, &scale};
  Node* node = NoiseBuilder(mode)(NoiseType(mode), 1, &slot, &view);
  double x = 0.0;
  for (auto _ : state) {
    x = x < 0.99 ? x + 0.001 : 0.0;
    benchmark::DoNotOptimize(NoiseSample(mode, 1.0, x, 0.25, node));
  }
  state.SetItemsProcessed(state.iterations());
  NodeRelease(&node, &view);
}
BENCHMARK(BM_NoiseSampleSameCell)->ArgName("mode")->DenseRange(0, 2);

// Building one "rfract" node (and so generating its map) at grid size
// range(0); range(1) = 1 modulates the roughness by the sample's x ("mu").
void BM_FractalMap(benchmark::State& state) {
  ViewParams view = BenchView();
  SetFractalGridSize(static_cast<int32_t>(state.range(0)));
  const bool modulated = state.range(1) != 0;
  double exponent = 0.8;
  for (auto _ : state) {
    Node* modulator = modulated ? BuildMu(kUnit, 0, nullptr, &view) : nullptr;
    ArgSlot slot = modulated ? ArgSlot{kSubtree, &modulator} : ArgSlot{kUnit, &exponent};
    Node* node = BuildRfract(kUnit, 1, &slot, &view);
    benchmark::DoNotOptimize(node->priv);
    NodeRelease(&node, &view);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(0));
  SetFractalGridSize(64);
}
BENCHMARK(BM_FractalMap)
    ->ArgNames({"grid", "modulated"})
    ->ArgsProduct({{64, 256}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace pxb
