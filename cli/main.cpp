// verantu-cli: the program's commands without a window, on the machine named
// by VERANTU_MACHINE (on Windows, the system itself). main only picks the
// verb; each verb is its own class.
#include <algorithm>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/console.h"

#ifndef VERANTU_VERSION
#error "VERANTU_VERSION is the project's version, given by cli/CMakeLists.txt"
#endif

namespace {

std::vector<std::unique_ptr<cli::Command>> allCommands() {
  std::vector<std::unique_ptr<cli::Command>> commands;
  commands.push_back(cli::makeListCommand());
  commands.push_back(cli::makeCaptureCommand());
  commands.push_back(cli::makeDeleteCommand());
  commands.push_back(cli::makeSwitchCommand());
  commands.push_back(cli::makeUndoCommand());
  commands.push_back(cli::makeScriptCommand());
  commands.push_back(cli::makeShowCommand());
  commands.push_back(cli::makeMarksCommand());
  commands.push_back(cli::makeMatchCommand());
  commands.push_back(cli::makeExportCommand());
  commands.push_back(cli::makeImportCommand());
  return commands;
}

std::string usage(const std::vector<std::unique_ptr<cli::Command>>& commands) {
  std::string text =
      "Usage: verantu-cli COMMAND [options] [arguments]\n"
      "       verantu-cli --version\n\nCommands:\n";
  for (const auto& command : commands) {
    std::string name = command->name();
    name.resize(std::max<std::size_t>(name.size(), 10), ' ');
    text += "  " + name + ' ' + command->description() + '\n';
  }
  text += "\nSee verantu-cli COMMAND --help for each command's options.\n";
  return text;
}

int run(const std::vector<std::string>& arguments) {
  const auto commands = allCommands();
  if (arguments.empty()) {
    cli::console::writeErr(usage(commands));
    return cli::kExitUsage;
  }
  const std::string& verb = arguments.front();
  if (verb == "help" || verb == "--help" || verb == "-h") {
    cli::console::writeOut(usage(commands));
    return cli::kExitSuccess;
  }
  if (verb == "--version") {
    cli::console::writeOut("Verantu! " VERANTU_VERSION "\n");
    return cli::kExitSuccess;
  }
  for (const auto& command : commands)
    if (command->name() == verb)
      return command->run(std::vector<std::string>(arguments.begin() + 1, arguments.end()));
  // Not in the usage: the editor's save, run as a process of its own by tests.
  if (verb == "edit")
    return cli::makeEditCommand()->run(
        std::vector<std::string>(arguments.begin() + 1, arguments.end()));

  cli::printError("unknown command \"" + verb + "\"");
  cli::console::writeErr(usage(commands));
  return cli::kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const int code = run(cli::console::arguments(argc, argv));
    cli::console::flushOut();
    return code;
  } catch (const std::exception& error) {
    cli::printError(error.what());
    return cli::kExitFailure;
  }
}
