// verantu-cli switch TITLE [--steps LIST] [--interface NAME]...
// [--remember|--no-remember] [--yes]: applies the profile TITLE as the main
// window's switch button does. The confirmation dialog becomes the list of
// what would be applied and one question; the progress becomes lines on
// stderr.
#include <cctype>
#include <optional>

#include "cli/command.h"
#include "cli/console.h"
#include "cli/interface_option.h"
#include "platform/code_page.h"
#include "switching/switch_choice.h"
#include "switching/switch_flow.h"

namespace cli {

namespace {

const std::string kStepsOption = "steps";
const std::string kRememberOption = "remember";
const std::string kNoRememberOption = "no-remember";

struct StepName {
  const char* word;
  win::DWORD bit;
};
constexpr StepName kStepNames[] = {
    {"network", switching::kStepNetwork},
    {"printer", switching::kStepPrinter},
    {"proxy", switching::kStepProxy},
    {"domain", switching::kStepDomain},
};

void printLine(const std::string& utf8) {
  console::writeErr(utf8 + "\n");
}

const char* box(bool ticked) {
  return ticked ? "[x] " : "[ ] ";
}

// What the user chose on the command line, for the view to answer with.
struct CommandChoice {
  std::optional<win::DWORD> steps;  // default: the remembered ones
  std::vector<std::string> interfaces;
  bool remember = true;
};

class TerminalSwitchView : public switching::SwitchView {
 public:
  TerminalSwitchView(const store::Context& ctx, const CommandChoice& choice)
      : ctx_(ctx), choice_(choice) {}

  // The interface named on the command line that the profile does not have.
  const std::optional<std::string>& unknownInterface() const { return unknownInterface_; }

  switching::SwitchChoice confirm(const switching::SwitchOffer& offer) override {
    switching::SwitchChoice choice;
    std::string unknown;
    std::optional<std::vector<bool>> ticked =
        tickInterfaces(offer.interfaces, choice_.interfaces, &unknown);
    if (!ticked) {
      unknownInterface_ = unknown;
      return choice;
    }
    choice.steps = choice_.steps.value_or(offer.rememberedSteps);
    choice.tickedInterfaces = *ticked;
    choice.remember = choice_.remember;

    // The dialog's boxes, as they are ticked.
    const switching::StepBoxes boxes = switching::StepBoxesFromMask(choice.steps);
    printLine(std::string(box(boxes.network)) + "ﾈｯﾄﾜｰｸ");
    for (std::size_t i = 0; i < offer.interfaces.size(); ++i)
      printLine(std::string("    ") + box(choice.tickedInterfaces[i]) +
                win::ansiToUtf8(offer.interfaces[i].name));
    std::string printer = switching::PrinterCaption(offer.defaultPrinter);
    printLine(std::string(box(boxes.printer)) + "通常使うﾌﾟﾘﾝﾀ" +
              (printer.empty() ? "" : " " + win::ansiToUtf8(printer)));
    printLine(std::string(box(boxes.proxy)) + "IEﾌﾟﾛｷｼｻｰﾊﾞ");
    printLine(std::string(box(boxes.domain)) + "ﾄﾞﾒｲﾝまたはﾜｰｸｸﾞﾙｰﾌﾟ");
    printLine(std::string(box(choice.remember)) + "ﾁｪｯｸﾎﾞｯｸｽの状態を記憶する。（設定毎）");

    choice.confirmed =
        ctx_.messageBox(switching::ConfirmationHeading(offer.title),
                        win::ansiFromUtf8("情報ﾒｯｾｰｼﾞ"), MB_YESNO | MB_ICONINFORMATION) == IDYES;
    return choice;
  }

  void setBusy(bool) override {}
  void setProgressRange(int maximum) override { maximum_ = maximum; }
  void setProgress(int position) override { position_ = position; }
  // Each new section the script reaches is one line.
  void setStatusText(const std::string& ansiText) override {
    if (ansiText.empty()) return;
    printLine("(" + std::to_string(position_) + "/" + std::to_string(maximum_) + ") " +
              win::ansiToUtf8(ansiText));
  }
  void setAppliedTitle(const std::string&) override {}
  // One line per ticked step, then what the result file was given: why the
  // network did not take.
  void showReport(const switching::SwitchReport& report) override {
    for (const switching::StepReport& step : report.steps)
      printLine(win::ansiToUtf8(switching::StepLine(step)));
    for (const std::string& line : report.resultLines) printLine(win::ansiToUtf8(line));
  }

 private:
  const store::Context& ctx_;
  const CommandChoice& choice_;
  std::optional<std::string> unknownInterface_;
  int maximum_ = 0;
  int position_ = 0;
};

class SwitchCommand : public TitleCommand {
 public:
  SwitchCommand()
      : TitleCommand("switch",
                     "Applies the profile TITLE to the machine: its network interfaces, default "
                     "printer, proxy settings and domain or workgroup, as the switch button "
                     "does.") {}

 protected:
  bool needsAdministrator() const override { return true; }
  void addOptions(Arguments& arguments) override {
    TitleCommand::addOptions(arguments);
    arguments.addOption(kStepsOption, "LIST",
                        "The steps to apply, a comma list of network, printer, proxy and domain "
                        "(default: the ones remembered for the profile, else "
                        "network,printer,proxy).");
    addInterfaceOption(arguments);
    arguments.addFlag(kRememberOption, "Remembers the steps for the profile (the default).");
    arguments.addFlag(kNoRememberOption, "Leaves the remembered steps as they are.");
  }

  std::string checkArguments(const Arguments& arguments) override {
    if (std::string problem = TitleCommand::checkArguments(arguments); !problem.empty())
      return problem;
    if (arguments.isSet(kRememberOption) && arguments.isSet(kNoRememberOption))
      return "--remember and --no-remember exclude each other";
    choice_.remember = !arguments.isSet(kNoRememberOption);
    if (arguments.isSet(kStepsOption)) {
      std::optional<win::DWORD> steps = parseSteps(arguments.value(kStepsOption));
      if (!steps) return "--steps takes a comma list of network, printer, proxy and domain";
      choice_.steps = steps;
    }
    InterfaceNames names = readInterfaceNames(arguments);
    if (!names.problem.empty()) return names.problem;
    choice_.interfaces = std::move(names.names);
    return {};
  }

  int execute(const store::Context& ctx, const TerminalPrompter&) override {
    TerminalSwitchView view(ctx, choice_);
    switching::SwitchOutcome outcome = switching::RunSwitch(ctx, title(), view);
    if (view.unknownInterface()) {
      printError("switch: the profile has no interface \"" +
                 win::ansiToUtf8(*view.unknownInterface()) + "\" (see: verantu-cli switch --help)");
      return kExitUsage;
    }
    return outcome == switching::SwitchOutcome::Succeeded ? kExitSuccess : kExitFailure;
  }

 private:
  // Each item of the comma list, blanks around it ignored and in any case.
  static std::optional<win::DWORD> parseSteps(const std::string& list) {
    win::DWORD steps = 0;
    std::string::size_type start = 0;
    while (true) {
      const std::string::size_type comma = list.find(',', start);
      std::string word = list.substr(start, comma - start);
      while (!word.empty() && std::isspace(static_cast<unsigned char>(word.back())))
        word.pop_back();
      std::string::size_type first = 0;
      while (first < word.size() && std::isspace(static_cast<unsigned char>(word[first]))) ++first;
      word.erase(0, first);
      for (char& c : word) c = char(std::tolower(static_cast<unsigned char>(c)));
      bool known = false;
      for (const StepName& name : kStepNames) {
        if (word == name.word) {
          steps |= name.bit;
          known = true;
        }
      }
      if (!known) return std::nullopt;
      if (comma == std::string::npos) return steps;
      start = comma + 1;
    }
  }

  CommandChoice choice_;
};

}  // namespace

std::unique_ptr<Command> makeSwitchCommand() {
  return std::make_unique<SwitchCommand>();
}

}  // namespace cli
