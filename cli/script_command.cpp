// verantu-cli script TITLE [--interface NAME]...: prints, in UTF-8, the
// switch script that the network step of a switch to TITLE would write, and
// changes nothing.
#include <cstdio>

#include "cli/command.h"
#include "cli/interface_option.h"
#include "platform/code_page.h"
#include "store/profile_titles.h"
#include "switching/switch_script.h"

namespace cli {

namespace {

class ScriptCommand : public TitleCommand {
 public:
  ScriptCommand()
      : TitleCommand(QStringLiteral("script"),
                     QStringLiteral("Prints the switch script that switching to the profile "
                                    "TITLE would run, without changing anything.")) {}

 protected:
  void addOptions(QCommandLineParser& parser) override {
    parser.addPositionalArgument(QStringLiteral("TITLE"), QStringLiteral("The profile's title."));
    addInterfaceOption(parser);
  }

  QString checkArguments(const QCommandLineParser& parser) override {
    if (QString problem = TitleCommand::checkArguments(parser); !problem.isEmpty()) return problem;
    InterfaceNames names = readInterfaceNames(parser);
    names_ = std::move(names.names);
    return names.problem;
  }

  bool answersYes(const QCommandLineParser&) const override { return false; }

  int execute(const store::Context& ctx, const TerminalPrompter&) override {
    std::optional<int> index = store::LocateSelectedProfile(ctx, title());
    if (!index) return kExitFailure;
    const int slot = *index + 1;
    const std::vector<switching::InterfaceEntry> interfaces =
        switching::BuildInterfaceList(ctx, slot);
    std::string unknown;
    std::optional<std::vector<bool>> ticked = tickInterfaces(interfaces, names_, &unknown);
    if (!ticked) {
      printError(QStringLiteral("script: the profile has no interface \"%1\" (see: verantu-cli "
                                "script --help)")
                     .arg(QString::fromStdString(win::ansiToUtf8(unknown))));
      return kExitUsage;
    }
    switching::ScriptText script = switching::ComposeSwitchScript(ctx, slot, interfaces, *ticked);
    // The switch would refuse to write this script, so there is none to show.
    if (script.unsafe) {
      switching::ReportUnsafeValue(ctx, *script.unsafe);
      return kExitFailure;
    }
    const std::string utf8 = win::ansiToUtf8(script.text);
    if (std::fwrite(utf8.data(), 1, utf8.size(), stdout) != utf8.size() ||
        std::fflush(stdout) != 0) {
      printError(QStringLiteral("script: cannot write to standard output"));
      return kExitFailure;
    }
    return kExitSuccess;
  }

 private:
  std::vector<std::string> names_;
};

}  // namespace

std::unique_ptr<Command> makeScriptCommand() {
  return std::make_unique<ScriptCommand>();
}

}  // namespace cli
