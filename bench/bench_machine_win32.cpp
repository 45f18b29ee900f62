#include <cstdio>
#include <cstdlib>

#include "bench/bench_machine.h"
#include "bench/scratch_hives.h"
#include "platform/win32/win32_machine.h"

namespace bench {

namespace {
std::unique_ptr<win::Machine> openOnScratchKeys() {
  if (!RedirectHivesToScratch()) {
    std::fprintf(stderr, "cannot redirect the hives to HKEY_CURRENT_USER\\Software\\Verantu-bench\n");
    std::exit(1);
  }
  return win32::openWin32Machine();
}
}  // namespace

NotebookMachine::NotebookMachine()
    : machine_(openOnScratchKeys()), context_{*machine_, prompter_, nullptr} {}

NotebookMachine::~NotebookMachine() {
  RestoreHives();
}

}  // namespace bench
