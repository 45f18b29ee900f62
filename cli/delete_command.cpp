// verantu-cli delete TITLE [--yes]: deletes the profile TITLE, as the main
// window's delete command does with the selector's text.
#include "cli/command.h"
#include "store/deletion.h"

namespace cli {

namespace {

class DeleteCommand : public TitleCommand {
 public:
  DeleteCommand()
      : TitleCommand("delete", "Deletes the profile TITLE; the later profiles move up.") {}

 protected:
  bool needsAdministrator() const override { return true; }
  int execute(const store::Context& ctx, const TerminalPrompter& prompter) override {
    if (store::DeleteProfile(ctx, title()).deleted) return kExitSuccess;
    // Without a message the deletion stopped at a slot it could not read.
    if (!prompter.anyShown()) printError("delete: the profile store could not be read");
    return kExitFailure;
  }
};

}  // namespace

std::unique_ptr<Command> makeDeleteCommand() {
  return std::make_unique<DeleteCommand>();
}

}  // namespace cli
