// The switch on the emulated notebook machine: a whole switch, how soon the
// wait notices the end of the script, and what the wait costs meanwhile.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <random>
#include <thread>
#include <vector>

#include "bench/bench_machine.h"
#include "platform/code_page.h"
#include "store/capture.h"
#include "store/profile_store.h"
#include "switching/switch_flow.h"
#include "switching/switch_steps.h"
#include "switching/switch_undo.h"
#include "switching/switch_verification.h"

namespace {

using Clock = std::chrono::steady_clock;

// Confirms every switch with the remembered steps and every interface.
class ConfirmingView : public switching::SwitchView {
 public:
  switching::SwitchChoice confirm(const switching::SwitchOffer& offer) override {
    return {true, offer.rememberedSteps, std::vector<bool>(offer.interfaces.size(), true), true};
  }
  void setBusy(bool) override {}
  void setProgressRange(int) override {}
  void setProgress(int) override {}
  void setStatusText(const std::string&) override {}
  void setAppliedTitle(const std::string&) override {}
  // What the window does while it waits: one turn of its event loop.
  void keepAlive() override {
    if (QCoreApplication::instance())
      QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
};

// The notebook with its Windows directory and the live settings captured as
// profile "A".
void prepare(bench::NotebookMachine& notebook, benchmark::State& state) {
  if (!notebook.machine().files().createDirectory("C:\\WINDOWS"))
    state.SkipWithError("the Windows directory could not be made");
  else if (!store::CaptureProfile(notebook.context(), "A").captured)
    state.SkipWithError("the profile could not be captured");
}

void setNetshDelay(bench::NotebookMachine& notebook, win::DWORD milliseconds) {
  win::Registry& registry = notebook.machine().registry();
  win::HKEY key = nullptr;
  registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\Emulation", 0, KEY_ALL_ACCESS, &key);
  registry.RegSetValueExA(key, "NetshDelay", 0, REG_DWORD,
                          reinterpret_cast<const win::BYTE*>(&milliseconds), sizeof milliseconds);
  registry.RegCloseKey(key);
}

double processCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// The two-interface profile applied end to end (printer, proxy and a script
// of six netsh commands run by the machine's cmd), netsh without delay.
void BM_SwitchNotebookProfile(benchmark::State& state) {
  bench::NotebookMachine notebook;
  prepare(notebook, state);
  ConfirmingView view;
  for (auto _ : state) {
    if (switching::RunSwitch(notebook.context(), "A", view) !=
        switching::SwitchOutcome::Succeeded) {
      state.SkipWithError("the switch failed");
      break;
    }
  }
}
BENCHMARK(BM_SwitchNotebookProfile)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// What keeping the undo state adds to every switch of the notebook profile
// (part of the whole switch above): the live values of both interfaces, the
// printer, the proxy and the membership written under the undo key, one
// registry batch with its completion mark.
void BM_KeepUndoState(benchmark::State& state) {
  bench::NotebookMachine notebook;
  prepare(notebook, state);
  const store::Context ctx = notebook.context();
  switching::UndoPlan plan{"A", false, switching::kAllSteps, {}};
  for (const switching::InterfaceEntry& entry : switching::BuildInterfaceList(ctx, 1))
    plan.interfaceNames.push_back(entry.name);
  for (auto _ : state) {
    if (!switching::KeepUndoState(ctx, plan)) {
      state.SkipWithError("the undo state could not be kept");
      break;
    }
  }
}
BENCHMARK(BM_KeepUndoState)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// What a switch of the notebook profile reads back after its steps: both
// interfaces compared with what the script sets, the default printer, the
// proxy values and the membership. Measured beside the whole switch above.
void BM_SwitchReadBack(benchmark::State& state) {
  bench::NotebookMachine notebook;
  prepare(notebook, state);
  const store::Context ctx = notebook.context();
  const std::vector<switching::InterfaceEntry> interfaces = switching::BuildInterfaceList(ctx, 1);
  const std::vector<switching::InterfaceTarget> targets =
      switching::ComposeSwitchScript(ctx, 1, interfaces, std::vector<bool>(interfaces.size(), true))
          .targets;
  for (auto _ : state) {
    auto differences = switching::CompareTcpip(targets, store::ReadLiveTcpip(ctx));
    auto printer = switching::ReadBackDefaultPrinter(ctx);
    bool proxy = switching::ProxyHoldsProfile(ctx, 1);
    std::u16string name;
    win::DWORD status = 0;
    notebook.machine().membership().NetGetJoinInformation(nullptr, &name, &status);
    if (!differences.empty() || !printer || !proxy) {
      state.SkipWithError("the notebook does not hold its own profile");
      break;
    }
    benchmark::DoNotOptimize(name);
  }
}
BENCHMARK(BM_SwitchReadBack)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// From the end line being appended to the result file to the wait having
// seen it. Another thread appends it a few milliseconds after the wait
// started, at a moment the wait cannot anticipate.
void BM_EndLineSeenByTheWait(benchmark::State& state) {
  bench::NotebookMachine notebook;
  if (!notebook.machine().files().createDirectory("C:\\WINDOWS"))
    state.SkipWithError("the Windows directory could not be made");
  const std::string path = notebook.machine().files().hostPath("C:\\WINDOWS\\relay4err.txt");
  ConfirmingView view;
  std::mt19937 random(42);
  std::uniform_int_distribution<int> delayUs(1000, 4000);
  std::vector<double> latencies;
  for (auto _ : state) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << "s start \r\n";
    Clock::time_point written;
    const int delay = delayUs(random);
    std::thread writer([&] {
      std::this_thread::sleep_for(std::chrono::microseconds(delay));
      int fd = ::open(path.c_str(), O_WRONLY | O_APPEND);
      static constexpr char kEndLine[] = "e end \r\n";
      written = Clock::now();
      ssize_t ignored = ::write(fd, kEndLine, sizeof kEndLine - 1);
      (void)ignored;
      ::close(fd);
    });
    switching::WaitForScriptEnd(notebook.machine(), "C:\\WINDOWS\\relay4err.txt", nullptr, view,
                                std::chrono::seconds(5));
    const Clock::time_point seen = Clock::now();
    writer.join();
    const double latency = std::chrono::duration<double>(seen - written).count();
    latencies.push_back(latency);
    state.SetIterationTime(latency);
  }
  std::sort(latencies.begin(), latencies.end());
  if (!latencies.empty()) {
    state.counters["median_ms"] = latencies[latencies.size() / 2] * 1000;
    state.counters["p99_ms"] = latencies[latencies.size() * 99 / 100] * 1000;
    state.counters["worst_ms"] = latencies.back() * 1000;
  }
}
BENCHMARK(BM_EndLineSeenByTheWait)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(200);

// The program's own processor time while a slow script (about five seconds,
// each of its six netsh commands taking 850 ms) runs, as a share of one core,
// with the event loop turned as the window turns it.
void BM_WaitForASlowScript(benchmark::State& state) {
  int argc = 1;
  char name[] = "verantu_bench";
  char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);
  bench::NotebookMachine notebook;
  prepare(notebook, state);
  setNetshDelay(notebook, 850);
  ConfirmingView view;
  double cpu = 0;
  double wall = 0;
  for (auto _ : state) {
    const double cpuBefore = processCpuSeconds();
    const Clock::time_point before = Clock::now();
    if (switching::RunSwitch(notebook.context(), "A", view) != switching::SwitchOutcome::Succeeded)
      state.SkipWithError("the switch failed");
    wall += std::chrono::duration<double>(Clock::now() - before).count();
    cpu += processCpuSeconds() - cpuBefore;
  }
  state.counters["cpu_share_pct"] = wall > 0 ? 100 * cpu / wall : 0;
  state.counters["wall_s"] = wall / double(state.iterations());
}
BENCHMARK(BM_WaitForASlowScript)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
