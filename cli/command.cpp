#include "cli/command.h"

#include <cstdio>

#include "platform/code_page.h"

#ifdef _WIN32
#include "platform/win32/win32_machine.h"
#else
#include "platform/emulated/emulated_machine.h"
#endif

namespace cli {

namespace {

const QString kYesOption = QStringLiteral("yes");

std::unique_ptr<win::Machine> openMachine(std::string* error) {
#ifdef _WIN32
  (void)error;
  return win32::openWin32Machine();
#else
  return emu::EmulatedMachine::open(emu::defaultMachineFolder(), error);
#endif
}

}  // namespace

void printError(const QString& text) {
  std::fprintf(stderr, "verantu-cli: %s\n", text.toUtf8().constData());
  std::fflush(stderr);
}

void printOut(const std::string& utf8) {
  std::fwrite(utf8.data(), 1, utf8.size(), stdout);
  std::fputc('\n', stdout);
}

QString Command::helpText(const QCommandLineParser& parser) const {
  // The parser's usage line names the program only; the verb belongs to it.
  QString help = parser.helpText();
  qsizetype options = help.indexOf(QStringLiteral(" [options]"));
  if (options >= 0) help = QStringLiteral("Usage: verantu-cli ") + name_ + help.mid(options);
  return help;
}

int Command::run(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(description_);
  QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                          QStringLiteral("Displays help for this command."));
  parser.addOption(help);
  addOptions(parser);

  if (!parser.parse(arguments)) {
    printError(name_ + QStringLiteral(": ") + parser.errorText() +
               QStringLiteral(" (see: verantu-cli ") + name_ + QStringLiteral(" --help)"));
    return kExitUsage;
  }
  if (parser.isSet(help)) {
    std::fputs(helpText(parser).toUtf8().constData(), stdout);
    return kExitSuccess;
  }
  if (QString problem = checkArguments(parser); !problem.isEmpty()) {
    printError(name_ + QStringLiteral(": ") + problem + QStringLiteral(" (see: verantu-cli ") +
               name_ + QStringLiteral(" --help)"));
    return kExitUsage;
  }

  std::string error;
  std::unique_ptr<win::Machine> machine = openMachine(&error);
  if (!machine) {
    printError(QString::fromStdString(error));
    return kExitFailure;
  }
  TerminalPrompter prompter(answersYes(parser));
  store::Context ctx{*machine, prompter, nullptr};
  return execute(ctx, prompter);
}

bool Command::answersYes(const QCommandLineParser&) const {
  return false;
}

void TitleCommand::addOptions(QCommandLineParser& parser) {
  parser.addPositionalArgument(QStringLiteral("TITLE"), QStringLiteral("The profile's title."));
  parser.addOption(
      QCommandLineOption(kYesOption, QStringLiteral("Answers Yes to every question.")));
}

QString TitleCommand::checkArguments(const QCommandLineParser& parser) {
  const QStringList positional = parser.positionalArguments();
  if (positional.isEmpty()) return QStringLiteral("TITLE is missing");
  if (positional.size() > 1) return QStringLiteral("only one TITLE is taken");
  std::string utf8 = positional.first().toStdString();
  title_ = win::ansiFromUtf8(utf8);
  // A character the code page lacks would become "?" and name another
  // profile.
  if (win::ansiToUtf8(title_) != utf8)
    return QStringLiteral("TITLE holds characters that code page 932 cannot hold");
  return {};
}

bool TitleCommand::answersYes(const QCommandLineParser& parser) const {
  return parser.isSet(kYesOption);
}

}  // namespace cli
