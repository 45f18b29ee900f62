// verantu-cli list: every profile's title on its own line, in slot order,
// control characters and backslashes escaped.
#include "cli/command.h"
#include "store/profile_store.h"

namespace cli {

namespace {

class ListCommand : public Command {
 public:
  ListCommand() : Command("list", "Prints each profile's title on its own line, in slot order.") {}

 protected:
  void addOptions(Arguments&) override {}
  std::string checkArguments(const Arguments& arguments) override {
    return arguments.positional().empty() ? std::string() : "takes no arguments";
  }

  int execute(const store::Context& ctx, const TerminalPrompter&) override {
    int slotCount = 0;
    win::DWORD comboActive = 0;  // without a store: no titles, nothing selected
    (void)store::ReadStoreInfo(ctx, slotCount, comboActive);
    store::SelectorFill fill = store::FillProfileSelector(ctx, slotCount, int(comboActive));
    // Escaped, so that a title holding a line break cannot read as two.
    for (const std::string& title : fill.titles)
      printOut(TerminalText(title, ControlCharacters::Escape));
    // An empty store has no Setting key to open; that is not a failure.
    if (slotCount > 0 && fill.status != 0) {
      printError("profile " + std::to_string(fill.titles.size() + 1) +
                 " cannot be read; it and the ones after it are not listed");
      return kExitFailure;
    }
    return kExitSuccess;
  }
};

}  // namespace

std::unique_ptr<Command> makeListCommand() {
  return std::make_unique<ListCommand>();
}

}  // namespace cli
