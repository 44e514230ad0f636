// The plug-in's final pass through the test host, in process: a 4-megapixel
// RGB document, one member picked, then the pass repeated (no dialog) with
// one thread and with two.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <utility>

#include "bench/bench_image.h"
#include "host/dialogs.h"
#include "host/entry.h"
#include "host/filter_image.h"
#include "host/session_ops.h"
#include "testhost/host_side.h"

namespace pxb {
namespace {

struct StandIn {
  std::string session;
  int pick = 3;
};

bool ChooseSession(void* context, host::platform::WindowHandle, const std::string&,
                   std::string* path) {
  *path = static_cast<StandIn*>(context)->session;
  return true;
}

int PickOne(void* context, host::platform::WindowHandle, api::FilterRecord*) {
  const int k = static_cast<StandIn*>(context)->pick;
  host::PickMember(k);
  return k;
}

void BM_PluginFinalPass(benchmark::State& state) {
  constexpr int kSide = 2048;  // 4.2 megapixels
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "pxb_bench_final_pass";
  std::filesystem::create_directories(dir);
  // A copy of a fixed session, so that every run filters with the same member.
  StandIn standIn{(dir / "bench.gds").string()};
  std::error_code ignored;
  std::filesystem::copy_file(PXB_BENCH_SESSION, standIn.session,
                             std::filesystem::copy_options::overwrite_existing, ignored);
  const host::DialogProcs dialogs{&standIn, ChooseSession, PickOne, nullptr};
  host::SetDialogProcs(&dialogs);

  pxhost::Document document;
  document.width = kSide;
  document.height = kSide;
  document.planes = 3;
  document.pixels = MakeImage(kSide, kSide);
  pxhost::HostOptions options;
  options.log = nullptr;
  pxhost::Host host(std::move(document), options, &ENTRYPOINT);
  // The first run shows the (stand-in) dialog and filters once; the timed
  // runs repeat the last filter: the final pass alone.
  host::SetFinalPassThreads(static_cast<unsigned>(state.range(0)));
  if (!host.RunFilter(true)) state.SkipWithError("the first run failed");
  for (auto _ : state) {
    if (!host.RunFilter(false)) state.SkipWithError("the repeat failed");
    benchmark::DoNotOptimize(host.document().pixels.data());
  }
  state.counters["MP/s"] = benchmark::Counter(double{kSide} * kSide / 1e6,
                                              benchmark::Counter::kIsIterationInvariantRate);
  host::SetFinalPassThreads(0);
  host::SetDialogProcs(nullptr);
  std::filesystem::remove_all(dir, ignored);
}
BENCHMARK(BM_PluginFinalPass)
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(2)
    ->Iterations(2)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

}  // namespace
}  // namespace pxb
