// verantu-cli capture TITLE [--yes]: stores the live network settings as the
// profile TITLE, as the main window's capture command does with the
// selector's text.
#include "cli/command.h"
#include "store/capture.h"

namespace cli {

namespace {

class CaptureCommand : public TitleCommand {
 public:
  CaptureCommand()
      : TitleCommand("capture",
                     "Stores the machine's live network settings as the profile "
                     "TITLE, a new one or over the one of that title.") {}

 protected:
  bool needsAdministrator() const override { return true; }
  int execute(const store::Context& ctx, const TerminalPrompter& prompter) override {
    if (store::CaptureProfile(ctx, title()).captured) return kExitSuccess;
    // The capture stops without a message only when the store itself could
    // not be read or its new slot not written.
    if (!prompter.anyShown()) printError("capture: the profile store could not be read or written");
    return kExitFailure;
  }
};

}  // namespace

std::unique_ptr<Command> makeCaptureCommand() {
  return std::make_unique<CaptureCommand>();
}

}  // namespace cli
