#include "cli/command.h"

#include <cstdio>

#include "cli/console.h"
#include "platform/code_page.h"
#include "platform/fault_injection.h"
#include "store/startup.h"
#include "store/store_command.h"

#ifdef _WIN32
#include "platform/win32/win32_machine.h"
#else
#include "platform/emulated/emulated_machine.h"
#endif

namespace cli {

namespace {

const std::string kYesOption = "yes";

std::unique_ptr<win::Machine> openMachine(std::string* error) {
#ifdef _WIN32
  std::unique_ptr<win::Machine> machine = win32::openWin32Machine();
  if (!machine) *error = "the system cannot be opened";
  return machine;
#else
  return emu::EmulatedMachine::open(emu::defaultMachineFolder(), error);
#endif
}

}  // namespace

void printError(const std::string& utf8) {
  console::writeErr("verantu-cli: " + utf8 + "\n");
}

void printOut(const std::string& utf8) {
  console::writeOut(utf8 + "\n");
}

std::string TerminalText(const std::string& ansi, ControlCharacters how) {
  const std::string utf8 = win::ansiToUtf8(ansi);
  const bool escape = how == ControlCharacters::Escape;
  std::string text;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    unsigned code = static_cast<unsigned char>(utf8[i]);
    // U+0080 to U+009F are 0xC2 0x80 to 0xC2 0x9F in UTF-8.
    const bool c1 = code == 0xC2 && i + 1 < utf8.size() &&
                    static_cast<unsigned char>(utf8[i + 1]) >= 0x80 &&
                    static_cast<unsigned char>(utf8[i + 1]) <= 0x9F;
    if (c1) code = static_cast<unsigned char>(utf8[++i]);
    if (!c1 && code >= 0x20 && code != 0x7F && !(escape && code == '\\')) {
      text += utf8[i];
    } else if (!escape) {
      text += '?';
    } else if (code == '\\') {
      text += "\\\\";
    } else if (code == '\n') {
      text += "\\n";
    } else if (code == '\r') {
      text += "\\r";
    } else if (code == '\t') {
      text += "\\t";
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", code);
      text += escaped;
    }
  }
  return text;
}

std::string Printable(const std::string& ansi) {
  return TerminalText(ansi, ControlCharacters::Question);
}

std::optional<std::string> AnsiFromArgument(const std::string& utf8) {
  std::string ansi = win::ansiFromUtf8(utf8);
  if (win::ansiToUtf8(ansi) != utf8) return std::nullopt;
  return ansi;
}

int Command::run(const std::vector<std::string>& arguments) {
  Arguments parser(description_);
  parser.addFlag("h,help", "Displays help for this command.");
  addOptions(parser);

  const std::string seeHelp = " (see: verantu-cli " + name_ + " --help)";
  if (std::string problem = parser.parse(arguments); !problem.empty()) {
    printError(name_ + ": " + problem + seeHelp);
    return kExitUsage;
  }
  if (parser.isSet("help")) {
    console::writeOut(parser.helpText(name_));
    return kExitSuccess;
  }
  if (std::string problem = checkArguments(parser); !problem.empty()) {
    printError(name_ + ": " + problem + seeHelp);
    return kExitUsage;
  }

  std::string error;
  std::unique_ptr<win::Machine> machine = win::WithFaultInjection(openMachine(&error));
  if (!machine) {
    printError(error);
    return kExitFailure;
  }
  TerminalPrompter prompter(answersYes(parser));
  // The window's own start-up refusals (system version, rights, installation),
  // before the command can read or write anything: the command line never
  // creates the root key that only the installation creates. A verb that
  // only reads needs no more than read access to it.
  const bool writes = needsAdministrator();
  if (!store::CheckSystemVersion(*machine, prompter)) return kExitFailure;
  if (writes && !store::CheckAdministrator(*machine, prompter, store::AdministratorUse::Command))
    return kExitFailure;
  if (!store::CheckInstallation(*machine, prompter, writes ? KEY_ALL_ACCESS : KEY_READ))
    return kExitFailure;
  store::Context ctx{*machine, prompter, nullptr};
  // A command cut short is undone before anything reads the store; when
  // that fails the user has been told, and each writing command refuses.
  (void)store::RecoverStore(ctx);
  return execute(ctx, prompter);
}

bool Command::answersYes(const Arguments&) const {
  return false;
}

void TitleCommand::addOptions(Arguments& arguments) {
  arguments.addPositional("TITLE", "The profile's title.");
  arguments.addFlag(kYesOption, "Answers Yes to every question.");
}

std::string TitleCommand::checkArguments(const Arguments& arguments) {
  const std::vector<std::string>& positional = arguments.positional();
  if (positional.empty()) return "TITLE is missing";
  if (positional.size() > 1) return "only one TITLE is taken";
  std::optional<std::string> title = AnsiFromArgument(positional.front());
  if (!title) return "TITLE holds characters that code page 932 cannot hold";
  title_ = std::move(*title);
  return {};
}

bool TitleCommand::answersYes(const Arguments& arguments) const {
  return arguments.isSet(kYesOption);
}

}  // namespace cli
