// verantu-cli match: the title of the first profile (in slot order) whose
// marks match the network the machine is on now, exit code 0; exit code 1
// when none matches. For scripts: nothing else goes to stdout.
#include "cli/command.h"
#include "switching/network_match.h"

namespace cli {

namespace {

class MatchCommand : public Command {
 public:
  MatchCommand()
      : Command("match",
                "Prints the title of the first profile whose marks match the network the "
                "machine is on now; exit code 1 when none does.") {}

 protected:
  void addOptions(Arguments&) override {}
  std::string checkArguments(const Arguments& arguments) override {
    return arguments.positional().empty() ? std::string() : "takes no arguments";
  }

  int execute(const store::Context& ctx, const TerminalPrompter&) override {
    std::vector<switching::ProfileMatch> matches =
        switching::FindMatchingProfiles(ctx, store::ReadLiveMarks(ctx));
    if (matches.empty()) return kExitFailure;
    printOut(Printable(matches.front().title));
    return kExitSuccess;
  }
};

}  // namespace

std::unique_ptr<Command> makeMatchCommand() {
  return std::make_unique<MatchCommand>();
}

}  // namespace cli
