// verantu-cli: the program's commands without a window, on the machine named
// by VERANTU_MACHINE. main only picks the verb; each verb is its own class.
#include <QCoreApplication>

#include <cstdio>
#include <memory>
#include <vector>

#include "cli/command.h"

namespace {

std::vector<std::unique_ptr<cli::Command>> allCommands() {
  std::vector<std::unique_ptr<cli::Command>> commands;
  commands.push_back(cli::makeListCommand());
  commands.push_back(cli::makeCaptureCommand());
  commands.push_back(cli::makeDeleteCommand());
  commands.push_back(cli::makeSwitchCommand());
  commands.push_back(cli::makeScriptCommand());
  commands.push_back(cli::makeShowCommand());
  return commands;
}

void printUsage(std::FILE* out, const std::vector<std::unique_ptr<cli::Command>>& commands) {
  std::fputs("Usage: verantu-cli COMMAND [options] [arguments]\n\nCommands:\n", out);
  for (const auto& command : commands)
    std::fprintf(out, "  %-10s %s\n", command->name().toUtf8().constData(),
                 command->description().toUtf8().constData());
  std::fputs("\nSee verantu-cli COMMAND --help for each command's options.\n", out);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("verantu-cli"));
  QCoreApplication::setApplicationVersion(QStringLiteral("3.30"));

  const auto commands = allCommands();
  const QStringList arguments = QCoreApplication::arguments();
  if (arguments.size() < 2) {
    printUsage(stderr, commands);
    return cli::kExitUsage;
  }
  const QString verb = arguments.at(1);
  if (verb == QStringLiteral("help") || verb == QStringLiteral("--help") ||
      verb == QStringLiteral("-h")) {
    printUsage(stdout, commands);
    return cli::kExitSuccess;
  }
  for (const auto& command : commands)
    if (command->name() == verb) return command->run(arguments.mid(1));

  cli::printError(QStringLiteral("unknown command \"%1\"").arg(verb));
  printUsage(stderr, commands);
  return cli::kExitUsage;
}
