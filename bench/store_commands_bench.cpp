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

// The capture each iteration measures, a function of its own so that a
// profiler can count it alone (valgrind --toggle-collect=*captureOver*).
[[gnu::noinline]] bool captureOver(store::Context& ctx, const std::string& title) {
  return store::CaptureProfile(ctx, title).captured;
}

// Argument 1 runs the commands with the journal that keeps them whole on
// any registry, 0 without it: the difference is what the journal costs.
void BM_Capture(benchmark::State& state) {
  store::SetJournalForBenchmarks(state.range(0) != 0);
  bench::NotebookMachine notebook;
  store::CaptureProfile(notebook.context(), "Office");
  for (auto _ : state) {
    // Over the existing profile: its mirrors are replaced each time.
    benchmark::DoNotOptimize(captureOver(notebook.context(), "Office"));
  }
  store::SetJournalForBenchmarks(true);
}
BENCHMARK(BM_Capture)->ArgName("journal")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The live settings as they move on between two captures: the proxy server
// differs every time, and a subtree of the Internet Settings comes and goes.
void moveLiveSettingsOn(win::Registry& registry, int round) {
  const std::string internet = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
  const std::string server = "proxy" + std::to_string(round) + ".example:8080";
  const std::string extra = internet + "\\ZoneMap\\Domains\\example.jp";
  win::HKEY key = nullptr;
  if (registry.RegCreateKeyExA(HKEY_CURRENT_USER, internet.c_str(), 0, "", 0, KEY_ALL_ACCESS,
                               nullptr, &key, nullptr) == ERROR_SUCCESS) {
    (void)registry.RegSetValueExA(key, "ProxyServer", 0, REG_SZ,
                                  reinterpret_cast<const win::BYTE*>(server.c_str()),
                                  win::DWORD(server.size() + 1));
    (void)registry.RegCloseKey(key);
  }
  if (round % 2 == 0) {
    (void)registry.SHDeleteKeyA(HKEY_CURRENT_USER, (internet + "\\ZoneMap").c_str());
    return;
  }
  if (registry.RegCreateKeyExA(HKEY_CURRENT_USER, extra.c_str(), 0, "", 0, KEY_ALL_ACCESS, nullptr,
                               &key, nullptr) == ERROR_SUCCESS) {
    const win::BYTE two[4] = {2, 0, 0, 0};
    for (const char* name : {"http", "https", "ftp"})
      (void)registry.RegSetValueExA(key, name, 0, REG_DWORD, two, sizeof two);
    (void)registry.RegCloseKey(key);
  }
}

// Over the existing profile after the live settings moved on, as a user
// captures again what changed: the capture and its journal write what differs.
void BM_CaptureAfterChanges(benchmark::State& state) {
  store::SetJournalForBenchmarks(state.range(0) != 0);
  bench::NotebookMachine notebook;
  store::CaptureProfile(notebook.context(), "Office");
  int round = 0;
  for (auto _ : state) {
    state.PauseTiming();
    moveLiveSettingsOn(notebook.context().registry(), ++round);
    state.ResumeTiming();
    benchmark::DoNotOptimize(captureOver(notebook.context(), "Office"));
  }
  store::SetJournalForBenchmarks(true);
}
BENCHMARK(BM_CaptureAfterChanges)
    ->ArgName("journal")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);

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
