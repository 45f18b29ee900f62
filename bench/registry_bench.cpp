// Registry access on the emulated notebook machine.
#include <benchmark/benchmark.h>

#include "bench/bench_machine.h"
#include "store/profile_store.h"
#include "store/registry_access.h"
#include "store/registry_reports.h"

namespace {

constexpr const char* kInternetSettings =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

// One value read as every helper reads it: open, query, close.
void BM_ReadOneValue(benchmark::State& state) {
  bench::NotebookMachine notebook;
  std::string text;
  for (auto _ : state) {
    (void)store::ReadStringValue(notebook.context(), HKEY_CURRENT_USER, kInternetSettings,
                                 "ProxyServer", text);
    benchmark::DoNotOptimize(text);
  }
  if (text.empty()) state.SkipWithError("ProxyServer not found on the notebook machine");
}
BENCHMARK(BM_ReadOneValue)->Unit(benchmark::kMicrosecond);

void BM_CopyInternetSettingsTree(benchmark::State& state) {
  bench::NotebookMachine notebook;
  auto& ctx = notebook.context();
  std::string mirror = store::MirrorPath(1, kInternetSettings);
  for (auto _ : state) {
    (void)store::CopyKeyTree(ctx, HKEY_CURRENT_USER, kInternetSettings, HKEY_LOCAL_MACHINE, mirror);
    state.PauseTiming();
    (void)store::DeleteKeyTree(ctx, HKEY_LOCAL_MACHINE, mirror);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_CopyInternetSettingsTree)->Unit(benchmark::kMillisecond);

void BM_DeleteInternetSettingsTree(benchmark::State& state) {
  bench::NotebookMachine notebook;
  auto& ctx = notebook.context();
  std::string mirror = store::MirrorPath(1, kInternetSettings);
  for (auto _ : state) {
    state.PauseTiming();
    (void)store::CopyKeyTree(ctx, HKEY_CURRENT_USER, kInternetSettings, HKEY_LOCAL_MACHINE, mirror);
    state.ResumeTiming();
    (void)store::DeleteKeyTree(ctx, HKEY_LOCAL_MACHINE, mirror);
  }
}
BENCHMARK(BM_DeleteInternetSettingsTree)->Unit(benchmark::kMillisecond);

}  // namespace
