#include "tools/verantu-machine/shell_verbs.h"

#include <cstdio>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/emulated/emulated_machine.h"
#include "platform/emulated/emulated_shell.h"
#include "tools/verantu-machine/batch_interpreter.h"
#include "tools/verantu-machine/netsh.h"

namespace machinetool {

namespace {

void print(std::FILE* to, std::string_view ansi) {
  const std::string utf8 = win::ansiToUtf8(ansi);
  std::fwrite(utf8.data(), 1, utf8.size(), to);
  std::fflush(to);
}

std::unique_ptr<emu::EmulatedMachine> openMachine() {
  std::string error;
  auto machine = emu::EmulatedMachine::open(emu::defaultMachineFolder(), &error);
  if (!machine) std::fprintf(stderr, "verantu-machine: %s\n", error.c_str());
  return machine;
}

std::string ansiArgument(const QString& arg) {
  return win::ansiFromUtf8(arg.toStdString());
}

}  // namespace

int RunCmdVerb(const QStringList& args) {
  // A script that a switch started must not outlive the switch.
  emu::EndWithStarter();
  if (args.isEmpty() || args.front().compare("/c", Qt::CaseInsensitive) != 0) {
    std::fprintf(stderr,
                 "verantu-machine: cmd needs /c and a command\n"
                 "Try 'verantu-machine --help'.\n");
    return 2;
  }
  auto machine = openMachine();
  if (!machine) return 1;
  BatchInterpreter interpreter(*machine, {[](std::string_view text) { print(stdout, text); },
                                          [](std::string_view text) { print(stderr, text); }});
  const QStringList rest = args.mid(1);
  // One argument that names a file on the machine is that file, blanks and
  // all: the terminal has already split the words that cmd would split.
  int level = rest.size() == 1 && machine->files().exists(ansiArgument(rest.front()))
                  ? interpreter.runBatchFile(ansiArgument(rest.front()))
                  : interpreter.runCommandLine(ansiArgument(rest.join(' ')));
  // An exit code holds 0 to 255; cmd's larger levels (9009 for an unknown
  // command) become a plain failure.
  return level >= 0 && level <= 255 ? level : 1;
}

int RunNetshVerb(const QStringList& args) {
  auto machine = openMachine();
  if (!machine) return 1;
  std::vector<std::string> ansiArgs;
  for (const QString& arg : args) ansiArgs.push_back(ansiArgument(arg));
  NetshResult result = RunNetsh(*machine, ansiArgs);
  print(stdout, result.output);
  return result.exitCode;
}

}  // namespace machinetool
