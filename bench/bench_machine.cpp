#include "bench/bench_machine.h"

#include <cstdio>
#include <cstdlib>

#include "tools/verantu-machine/templates.h"

namespace bench {

namespace {
std::unique_ptr<emu::EmulatedMachine> makeNotebook(const std::string& folder) {
  auto reg = machinetool::templateReg("notebook");
  std::string error;
  auto machine = reg ? machinetool::createMachine(
                           folder, std::string_view(reg->constData(), size_t(reg->size())),
                           "notebook", false, &error)
                     : nullptr;
  if (!machine) {
    std::fprintf(stderr, "cannot create the notebook machine: %s\n", error.c_str());
    std::exit(1);
  }
  return machine;
}
}  // namespace

NotebookMachine::NotebookMachine()
    : folder_(dir_.path().toStdString() + "/machine"),
      machine_(makeNotebook(folder_)),
      context_{*machine_, prompter_, nullptr} {}

}  // namespace bench
