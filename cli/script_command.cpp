// verantu-cli script TITLE [--interface NAME]...: prints, in UTF-8, the
// switch script that the network step of a switch to TITLE would write, and
// changes nothing.
#include "cli/command.h"
#include "cli/console.h"
#include "cli/interface_option.h"
#include "platform/code_page.h"
#include "store/profile_titles.h"
#include "switching/switch_script.h"

namespace cli {

namespace {

class ScriptCommand : public TitleCommand {
 public:
  ScriptCommand()
      : TitleCommand("script",
                     "Prints the switch script that switching to the profile TITLE would run, "
                     "without changing anything.") {}

 protected:
  void addOptions(Arguments& arguments) override {
    arguments.addPositional("TITLE", "The profile's title.");
    addInterfaceOption(arguments);
  }

  std::string checkArguments(const Arguments& arguments) override {
    if (std::string problem = TitleCommand::checkArguments(arguments); !problem.empty())
      return problem;
    InterfaceNames names = readInterfaceNames(arguments);
    names_ = std::move(names.names);
    return names.problem;
  }

  bool answersYes(const Arguments&) const override { return false; }

  int execute(const store::Context& ctx, const TerminalPrompter&) override {
    std::optional<int> index = store::LocateSelectedProfile(ctx, title());
    if (!index) return kExitFailure;
    const int slot = *index + 1;
    const std::vector<switching::InterfaceEntry> interfaces =
        switching::BuildInterfaceList(ctx, slot);
    std::string unknown;
    std::optional<std::vector<bool>> ticked = tickInterfaces(interfaces, names_, &unknown);
    if (!ticked) {
      printError("script: the profile has no interface \"" + win::ansiToUtf8(unknown) +
                 "\" (see: verantu-cli script --help)");
      return kExitUsage;
    }
    switching::ScriptText script = switching::ComposeSwitchScript(ctx, slot, interfaces, *ticked);
    // The switch would refuse to write this script, so there is none to show.
    if (script.unsafe) {
      switching::ReportUnsafeValue(ctx, *script.unsafe);
      return kExitFailure;
    }
    const std::string utf8 = win::ansiToUtf8(script.text);
    if (!console::writeOut(utf8) || !console::flushOut()) {
      printError("script: cannot write to standard output");
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
