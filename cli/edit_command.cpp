// verantu-cli edit TITLE --dns SERVERS [--yes]: the profile editor's save
// without its window. The profile is loaded as the editor loads it, the
// DNS servers of its first interface are replaced and the whole profile is
// saved as the editor saves it. Not listed in the help: it exists so that
// the editor's save can be run, and stopped part way, as a process of its
// own on Windows.
#include "cli/command.h"
#include "store/profile_titles.h"
#include "views/profile_data.h"

namespace cli {

namespace {

const std::string kDnsOption = "dns";

class EditCommand : public TitleCommand {
 public:
  EditCommand()
      : TitleCommand("edit",
                     "Saves the profile TITLE with other DNS servers, as the editor does.") {}

 protected:
  void addOptions(Arguments& arguments) override {
    TitleCommand::addOptions(arguments);
    arguments.addOption(kDnsOption, "SERVERS",
                        "The DNS servers of the first interface, joined by \",\".");
  }
  std::string checkArguments(const Arguments& arguments) override {
    std::string problem = TitleCommand::checkArguments(arguments);
    if (!problem.empty()) return problem;
    if (arguments.values(kDnsOption).size() != 1) return "--dns is needed once";
    dns_ = arguments.value(kDnsOption);
    return {};
  }
  bool needsAdministrator() const override { return true; }

  int execute(const store::Context& ctx, const TerminalPrompter&) override {
    std::optional<int> slot = store::LocateProfileSlot(ctx, title());
    if (!slot) return kExitFailure;
    auto workingSet = std::make_unique<views::WorkingSet>();
    const views::ProfileContents contents = views::LoadProfile(ctx, *slot, title(), *workingSet);
    if (contents.interfaces.empty()) {
      printError("edit: the profile has no interface");
      return kExitFailure;
    }
    // The fields as the editor shows them after the load, its first tab
    // current, with the DNS servers typed over.
    const views::InterfaceBuffers& first = (*workingSet)[0];
    views::EditorFields fields;
    fields.currentTab = 0;
    fields.address = first.addressText;
    fields.mask = first.maskText;
    fields.gateway = first.gatewayText;
    fields.dns = dns_;
    fields.printer = contents.printer;
    fields.domainName = contents.domainName;
    fields.domain = contents.domain;
    views::LoadProxyState(fields.proxy, contents.proxy);
    return views::SaveProfile(ctx, contents, *workingSet, fields).completed ? kExitSuccess
                                                                            : kExitFailure;
  }

 private:
  std::string dns_;
};

}  // namespace

std::unique_ptr<Command> makeEditCommand() {
  return std::make_unique<EditCommand>();
}

}  // namespace cli
