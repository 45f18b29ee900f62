// Reading the live marks, as the notification-area icon does on every look
// at the network, and one whole look with 256 stored profiles to compare.
#include <benchmark/benchmark.h>

#include <chrono>

#include "bench/bench_machine.h"
#include "store/capture.h"
#include "store/network_marks.h"
#include "store/profile_store.h"
#include "switching/network_match.h"

namespace {

void BM_ReadLiveMarks(benchmark::State& state) {
  bench::NotebookMachine notebook;
  for (auto _ : state) benchmark::DoNotOptimize(store::ReadLiveMarks(notebook.context()).size());
}
BENCHMARK(BM_ReadLiveMarks)->Unit(benchmark::kMillisecond);

// A network change seen with a full store: the live marks, every profile's
// marks and the decision.
void BM_CheckChangedNetworkWith256Profiles(benchmark::State& state) {
  bench::NotebookMachine notebook;
  for (int i = 0; i < store::kMaxProfiles; ++i)
    store::CaptureProfile(notebook.context(), "Profile " + std::to_string(i + 1));
  for (auto _ : state) {
    // A new watch each time: the first reading always counts as a change.
    switching::NetworkWatch watch;
    benchmark::DoNotOptimize(
        switching::CheckNetwork(notebook.context(), watch, std::chrono::steady_clock::now()));
  }
}
BENCHMARK(BM_CheckChangedNetworkWith256Profiles)->Unit(benchmark::kMillisecond);

}  // namespace
