// The command interpreter's reading of one command line (percent expansion,
// quotes, "^", the operators and the redirections), run as `cmd /c LINE` on
// an emulated machine in a temporary folder. Whatever the line, the
// interpreter ends with an exit code and touches nothing outside drive C:.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

#include "platform/emulated/emulated_machine.h"
#include "tools/verantu-machine/batch_interpreter.h"

namespace {

namespace fs = std::filesystem;

std::unique_ptr<emu::EmulatedMachine> machine;
fs::path driveC;
int runs = 0;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fs::path folder = fs::temp_directory_path() / ("verantu-fuzz-" + std::to_string(::getpid()));
  std::string error;
  machine = emu::EmulatedMachine::create(folder.string(), true, &error);
  if (!machine) std::abort();
  driveC = folder / "drive_c";
  std::atexit([] {
    fs::path folder = driveC.parent_path();
    machine.reset();
    std::error_code ec;
    fs::remove_all(folder, ec);
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Files that redirections create pile up otherwise, and every lookup of a
  // name that is not there lists the folder.
  if (++runs % 500 == 0) {
    std::error_code ec;
    fs::remove_all(driveC, ec);
    fs::create_directories(driveC, ec);
  }
  std::string line(reinterpret_cast<const char*>(data), size);
  machinetool::ConsoleStreams console{[](std::string_view) {}, [](std::string_view) {}};
  machinetool::BatchInterpreter interpreter(*machine, console);
  interpreter.runCommandLine(line);
  return 0;
}
