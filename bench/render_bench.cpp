// Whole renders: the final pass over a 4-megapixel image for a fixed set of
// grown filters, and a dialog's worth of previews.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/bench_image.h"
#include "engine/colour.h"
#include "evolution/population.h"
#include "evolution/render.h"
#include "primitives/fractal_generator.h"
#include "primitives/registration.h"
#include "primitives/source_image.h"
#include "tests/common/reference_render.h"

namespace pxb {
namespace {

constexpr int kFilters = 20;

// The same twenty members every run: seeds (357, 2026, k), colour and unit
// roots alternating.
std::vector<Member> FixedFilters() {
  RegisterPrimitives();
  std::vector<Member> members;
  for (int k = 0; k < kFilters; ++k) {
    ViewParams v{64, 64, 0, {{357, 2026, static_cast<uint16_t>(k)}}};
    members.push_back(GrowMember(k % 2 == 0 ? kColour : kUnit, &v));
  }
  return members;
}

void ReleaseAll(std::vector<Member>* members) {
  for (Member& m : *members) {
    ViewParams v{};
    ReleaseMember(&m, &v);
  }
}

// Quantises rows into an RGB buffer as apply does.
RowSink Quantiser(std::vector<uint8_t>* out, int width, int channels) {
  return [out, width, channels](int32_t y, const double* v) {
    QuantiseRowToRgb(v, channels, width,
                     out->data() + static_cast<size_t>(y) * static_cast<size_t>(width) * 3);
  };
}

using RenderFn = RenderOutcome (*)(const Member&, const RenderJob&, const RowSink&);

// Arg 0 of the benchmarks below: 1 renders with the run evaluator, 0 with the
// per-sample reference walk (one thread), for ratios taken in one run.
RenderFn Renderer(const benchmark::State& state) {
  return state.range(0) != 0 ? RenderMember : RenderMemberPerSample;
}

// Arg 2 is the side of the square image: 2048 (4.2 megapixels) for the
// figures, 512 for a profile under an instruction counter.
void BM_ApplyTwentyFilters(benchmark::State& state) {
  const int side = static_cast<int>(state.range(2));
  std::vector<uint8_t> image = MakeImage(side, side);
  SetSourceImage(side, side, image.data(), side * 3, 3);
  SetFractalGridSize(256);
  std::vector<Member> members = FixedFilters();
  std::vector<uint8_t> out(image.size());
  for (auto _ : state) {
    for (const Member& m : members) {
      RenderJob job;
      job.width = side;
      job.height = side;
      job.threads = static_cast<int32_t>(state.range(1));
      if (Renderer(state)(m, job, Quantiser(&out, side, ChannelsOf(static_cast<TypeId>(m.type)))) !=
          RenderOutcome::kDone) {
        state.SkipWithError("a member has no tree");
      }
    }
    benchmark::DoNotOptimize(out.data());
  }
  const double megapixels = static_cast<double>(side) * side * kFilters / 1e6;
  state.counters["MP/s"] =
      benchmark::Counter(megapixels, benchmark::Counter::kIsIterationInvariantRate);
  ReleaseAll(&members);
  ClearSourceImage();
}
BENCHMARK(BM_ApplyTwentyFilters)
    ->ArgNames({"fast", "threads", "side"})
    ->Args({0, 1, 2048})
    ->Args({1, 1, 2048})
    ->Args({1, 2, 2048})
    ->Args({0, 1, 512})
    ->Args({1, 1, 512})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

void BM_NinePreviews(benchmark::State& state) {
  // The dialog's source: the 4-megapixel image reduced to 512 x 512, and nine
  // previews of 135 x 135 drawn one after the other, 64-cell fractal maps.
  std::vector<uint8_t> image = MakeImage(512, 512);
  SetSourceImage(512, 512, image.data(), 512 * 3, 3);
  SetFractalGridSize(64);
  std::vector<Member> members = FixedFilters();
  std::vector<uint8_t> out(135 * 135 * 3);
  for (auto _ : state) {
    for (int k = 0; k < 9; ++k) {
      RenderJob job;
      job.width = 135;
      job.height = 135;
      const Member& m = members[static_cast<size_t>(k)];
      if (Renderer(state)(m, job, Quantiser(&out, 135, ChannelsOf(static_cast<TypeId>(m.type)))) !=
          RenderOutcome::kDone) {
        state.SkipWithError("a member has no tree");
      }
    }
    benchmark::DoNotOptimize(out.data());
  }
  ReleaseAll(&members);
  ClearSourceImage();
}
BENCHMARK(BM_NinePreviews)->ArgName("fast")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pxb
