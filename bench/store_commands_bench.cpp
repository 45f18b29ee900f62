// Capture, deletion and start-up on the notebook machine.
#include <benchmark/benchmark.h>

#include <QApplication>

#include <filesystem>

#include "bench/bench_machine.h"
#include "gui/common/dialog_runner.h"
#include "gui/shell/main_window.h"
#include "gui/shell/window_set.h"
#include "store/capture.h"
#include "store/deletion.h"
#include "store/profile_store.h"
#include "store/startup.h"
#include "store/store_journal.h"

namespace {

namespace fs = std::filesystem;

// Argument 1 runs the commands with the journal that keeps them whole on
// any registry, 0 without it: the difference is what the journal costs.
void BM_Capture(benchmark::State& state) {
  store::SetJournalForBenchmarks(state.range(0) != 0);
  bench::NotebookMachine notebook;
  store::CaptureProfile(notebook.context(), "Office");
  for (auto _ : state) {
    // Over the existing profile: its mirrors are replaced each time.
    benchmark::DoNotOptimize(store::CaptureProfile(notebook.context(), "Office").captured);
  }
  store::SetJournalForBenchmarks(true);
}
BENCHMARK(BM_Capture)->ArgName("journal")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A notebook machine holding 256 captured profiles, kept as a copy of its
// folder so that every iteration starts from the same store.
const std::string& fullStoreFolder() {
  static bench::NotebookMachine* notebook = [] {
    auto* machine = new bench::NotebookMachine;
    for (int i = 0; i < store::kMaxProfiles; ++i)
      store::CaptureProfile(machine->context(), "Profile " + std::to_string(i + 1));
    return machine;
  }();
  return notebook->folder();
}

std::unique_ptr<emu::EmulatedMachine> copyOfFullStore(const std::string& target) {
  fs::remove_all(target);
  fs::copy(fullStoreFolder(), target, fs::copy_options::recursive);
  std::string error;
  return emu::EmulatedMachine::open(target, &error);
}

void BM_DeleteFirstOf256(benchmark::State& state) {
  std::string target = fullStoreFolder() + "-copy";
  bench::SilentPrompter prompter;
  store::SetJournalForBenchmarks(state.range(0) != 0);
  for (auto _ : state) {
    state.PauseTiming();
    auto machine = copyOfFullStore(target);
    store::Context ctx{*machine, prompter, nullptr};
    state.ResumeTiming();
    benchmark::DoNotOptimize(store::DeleteProfile(ctx, "Profile 1").deleted);
  }
  store::SetJournalForBenchmarks(true);
  fs::remove_all(target);
}
BENCHMARK(BM_DeleteFirstOf256)
    ->ArgName("journal")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// Opening the machine as a writing command does, with the quick check of its
// registry file, against opening it for reading only: the check's own cost.
void BM_OpenMachine256(benchmark::State& state) {
  std::string target = fullStoreFolder() + "-open";
  copyOfFullStore(target);
  const auto purpose = state.range(0) ? emu::OpenFor::Writing : emu::OpenFor::Reading;
  for (auto _ : state) {
    std::string error;
    auto machine = emu::EmulatedMachine::open(target, &error, purpose);
    if (!machine) state.SkipWithError(error.c_str());
  }
  fs::remove_all(target);
}
BENCHMARK(BM_OpenMachine256)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// From opening the machine (with the check of its registry file for damage)
// through the start-up checks to the main window shown with every other
// window created, on a store of 256 profiles.
void BM_StartupToMainWindow(benchmark::State& state) {
  static int argc = 1;
  static char name[] = "verantu";
  static char* argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication application(argc, argv);
  std::string target = fullStoreFolder() + "-startup";
  copyOfFullStore(target);
  bench::SilentPrompter prompter;
  app::DialogRunner dialogs;
  for (auto _ : state) {
    std::string error;
    auto machine = emu::EmulatedMachine::open(target, &error);
    if (!machine) {
      state.SkipWithError(error.c_str());
      break;
    }
    store::StartupResult startup = store::RunStartupChecks(*machine, prompter, "");
    if (!startup.proceed) state.SkipWithError("start-up refused");
    {
      TForm1 window(*machine, prompter, dialogs);
      window.show();
      window.setWindows(app::CreateOtherWindows(&window, *machine));
      QApplication::processEvents();
    }
    store::ReleaseSingleInstance(*machine, startup.mutex);
  }
  fs::remove_all(target);
}
BENCHMARK(BM_StartupToMainWindow)->Unit(benchmark::kMillisecond);

}  // namespace
