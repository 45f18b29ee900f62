// The profile editor on a profile of 32 interfaces: opening it (finding the
// profile, loading every interface, the printers and the proxy values into
// the window) and saving it unchanged.
#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

#include "bench/bench_machine.h"
#include "gui/common/dialog_runner.h"
#include "gui/views/profile_editor.h"
#include "gui/views/proxy_editor.h"
#include "gui/views/tcpip_editor.h"
#include "platform/code_page.h"
#include "store/capture.h"
#include "store/profile_store.h"
#include "store/registry_access.h"
#include "store/registry_reports.h"
#include "store/store_journal.h"
#include "views/profile_data.h"

namespace {

const std::string kAdapters = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Adapters";
const std::string kInterfaces =
    "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces";
const std::string kNetwork =
    "SYSTEM\\CurrentControlSet\\Control\\Network\\{4D36E972-E325-11CE-BFC1-08002BE10318}";
const std::string kWired = "{8E3A5D21-6C4B-4F1A-9E27-3B5C8D0F1A42}";
const std::string kTitle = "Office";

// The notebook's settings stored as profile 1, with 30 more copies of its
// wired interface (two addresses, two gateways, two DNS servers each), 32
// interfaces in all.
void makeProfileOf32Interfaces(store::Context& ctx) {
  store::CaptureProfile(ctx, kTitle);
  for (int i = 0; i < 30; ++i) {
    char id[64];
    std::snprintf(id, sizeof id, "{00000000-0000-0000-0000-%012d}", i);
    const std::string adapter = store::MirrorPath(1, kAdapters + "\\" + id);
    (void)store::CopyKeyTree(ctx, HKEY_LOCAL_MACHINE,
                             store::MirrorPath(1, kAdapters + "\\" + kWired), HKEY_LOCAL_MACHINE,
                             adapter);
    (void)store::WriteMultiStringValue(
        ctx, HKEY_LOCAL_MACHINE, adapter, "IpConfig",
        views::MultiStringImage({std::string("Tcpip\\Parameters\\Interfaces\\") + id}));
    (void)store::CopyKeyTree(ctx, HKEY_LOCAL_MACHINE,
                             store::MirrorPath(1, kInterfaces + "\\" + kWired), HKEY_LOCAL_MACHINE,
                             store::MirrorPath(1, kInterfaces + "\\" + id));
    const std::string connection = store::MirrorPath(1, kNetwork + "\\" + id + "\\Connection");
    (void)store::CopyKeyTree(ctx, HKEY_LOCAL_MACHINE,
                             store::MirrorPath(1, kNetwork + "\\" + kWired + "\\Connection"),
                             HKEY_LOCAL_MACHINE, connection);
    (void)store::WriteStringValue(ctx, HKEY_LOCAL_MACHINE, connection, "Name",
                                  "LAN " + std::to_string(i + 3));
  }
}

// The editor with its proxy and TCP/IP editors, opened on the profile.
struct Editor {
  explicit Editor(bench::NotebookMachine& notebook) {
    form3.attach(notebook.machine(), prompter, dialogs, &form10, &form14, [] { return kTitle; });
  }
  bench::SilentPrompter prompter;
  app::DialogRunner dialogs;
  TForm3 form3;
  TForm10 form10;
  TForm14 form14;
};

// A widget benchmark needs an application object; another benchmark of the
// program may have made one already.
std::unique_ptr<QApplication> offscreenApplication() {
  static int argc = 1;
  static char name[] = "verantu_bench";
  static char* argv[] = {name, nullptr};
  if (QCoreApplication::instance()) return nullptr;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  return std::make_unique<QApplication>(argc, argv);
}

void BM_OpenProfileEditor32(benchmark::State& state) {
  auto application = offscreenApplication();
  bench::NotebookMachine notebook;
  makeProfileOf32Interfaces(notebook.context());
  Editor editor(notebook);
  for (auto _ : state) {
    editor.form3.show();  // finds the profile and loads it
    state.PauseTiming();
    editor.form3.hide();
    state.ResumeTiming();
  }
  if (editor.form3.workingSet()[31].addressText.empty())
    state.SkipWithError("the 32nd interface was not loaded");
}
BENCHMARK(BM_OpenProfileEditor32)->Unit(benchmark::kMillisecond);

// Argument 1 saves with the journal that keeps the save whole, 0 without.
void BM_SaveProfile32(benchmark::State& state) {
  store::SetJournalForBenchmarks(state.range(0) != 0);
  auto application = offscreenApplication();
  bench::NotebookMachine notebook;
  makeProfileOf32Interfaces(notebook.context());
  Editor editor(notebook);
  editor.form3.show();
  for (auto _ : state) editor.form3.Button3Click();  // every question answered Yes
  editor.form3.hide();
  store::SetJournalForBenchmarks(true);
}
BENCHMARK(BM_SaveProfile32)->ArgName("journal")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
