// A profile carried over as a file: export of the notebook's profile and its
// import over the profile of the same title, as on a second notebook.
#include <benchmark/benchmark.h>

#include "bench/bench_machine.h"
#include "store/capture.h"
#include "store/profile_file.h"

namespace {

void BM_ExportAndImport(benchmark::State& state) {
  bench::NotebookMachine notebook;
  store::CaptureProfile(notebook.context(), "Office");
  for (auto _ : state) {
    std::optional<std::string> file = store::ExportProfile(notebook.context(), "Office");
    benchmark::DoNotOptimize(
        file && store::ImportProfile(notebook.context(), *file, std::nullopt).imported);
  }
}
BENCHMARK(BM_ExportAndImport)->Unit(benchmark::kMillisecond);

}  // namespace
