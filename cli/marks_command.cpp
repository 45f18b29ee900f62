// verantu-cli marks TITLE [--json] [--add-ssid CONNECTION=SSID]...
// [--add-dns-suffix CONNECTION=SUFFIX]... [--add-gateway-mac CONNECTION=MAC]...
// [--remove CONNECTION=VALUE]... [--on-match offer|switch|switch-without-confirmation]:
// the marks by which the program recognises the profile's network, and what
// a match does. The options change them first, as one store command, as the
// marks dialog does; then the marks are printed, one "kind: connection=value"
// line each and a last "on-match:" line, or as one JSON document.
#include <nlohmann/json.hpp>

#include <algorithm>

#include "cli/command.h"
#include "platform/code_page.h"
#include "store/messages.h"
#include "store/network_marks.h"
#include "store/profile_store.h"

namespace cli {

namespace {

using nlohmann::json;

const std::string kJsonOption = "json";
const std::string kRemoveOption = "remove";
const std::string kOnMatchOption = "on-match";

struct KindWord {
  store::MarkKind kind;
  const char* word;
  const char* addOption;
};
constexpr KindWord kKindWords[] = {
    {store::MarkKind::Ssid, "ssid", "add-ssid"},
    {store::MarkKind::DnsSuffix, "dns-suffix", "add-dns-suffix"},
    {store::MarkKind::GatewayMac, "gateway-mac", "add-gateway-mac"},
};

struct ActionWord {
  store::MatchAction action;
  const char* word;
};
constexpr ActionWord kActionWords[] = {
    {store::MatchAction::Offer, "offer"},
    {store::MatchAction::SwitchAfterConfirmation, "switch"},
    {store::MatchAction::SwitchWithoutConfirmation, "switch-without-confirmation"},
};

const char* kindWord(store::MarkKind kind) {
  for (const KindWord& entry : kKindWords)
    if (entry.kind == kind) return entry.word;
  return "";
}

const char* actionWord(store::MatchAction action) {
  for (const ActionWord& entry : kActionWords)
    if (entry.action == action) return entry.word;
  return "";
}

// "CONNECTION=VALUE" in ANSI; the connection name ends at the first "=".
std::optional<store::NetworkMark> markFromArgument(store::MarkKind kind, const std::string& utf8) {
  std::optional<std::string> ansi = AnsiFromArgument(utf8);
  if (!ansi) return std::nullopt;
  std::size_t equals = ansi->find('=');
  if (equals == std::string::npos) return std::nullopt;
  return store::NetworkMark{kind, ansi->substr(0, equals), ansi->substr(equals + 1)};
}

class MarksCommand : public TitleCommand {
 public:
  MarksCommand()
      : TitleCommand("marks",
                     "Prints the marks by which the network of the profile TITLE is recognised "
                     "and what a match does; the options change them first.") {}

 protected:
  void addOptions(Arguments& arguments) override {
    TitleCommand::addOptions(arguments);
    arguments.addFlag(kJsonOption, "Prints one JSON document instead of readable text.");
    arguments.addOption(kKindWords[0].addOption, "CONNECTION=SSID",
                        "Adds the wireless network SSID seen on the connection.");
    arguments.addOption(kKindWords[1].addOption, "CONNECTION=SUFFIX",
                        "Adds the DNS suffix the network gives the connection.");
    arguments.addOption(kKindWords[2].addOption, "CONNECTION=MAC",
                        "Adds the MAC address (00-11-22-33-44-55) of the connection's default "
                        "gateway.");
    arguments.addOption(kRemoveOption, "CONNECTION=VALUE",
                        "Removes the marks with that connection and value.");
    arguments.addOption(kOnMatchOption, "ACTION",
                        "What a match does: offer (the profile is offered), switch (the switch "
                        "starts with its confirmation) or switch-without-confirmation.");
  }

  std::string checkArguments(const Arguments& arguments) override {
    if (std::string problem = TitleCommand::checkArguments(arguments); !problem.empty())
      return problem;
    json_ = arguments.isSet(kJsonOption);
    for (const KindWord& entry : kKindWords)
      for (const std::string& value : arguments.values(entry.addOption)) {
        std::optional<store::NetworkMark> mark = markFromArgument(entry.kind, value);
        if (!mark) return "--" + std::string(entry.addOption) + " takes CONNECTION=VALUE";
        additions_.push_back(*mark);
      }
    for (const std::string& value : arguments.values(kRemoveOption)) {
      std::optional<store::NetworkMark> mark = markFromArgument(store::MarkKind::Ssid, value);
      if (!mark) return "--remove takes CONNECTION=VALUE";
      removals_.push_back(*mark);
    }
    if (arguments.isSet(kOnMatchOption)) {
      const std::string word = arguments.value(kOnMatchOption);
      auto found = std::find_if(std::begin(kActionWords), std::end(kActionWords),
                                [&](const ActionWord& entry) { return word == entry.word; });
      if (found == std::end(kActionWords))
        return "--on-match takes offer, switch or switch-without-confirmation";
      action_ = found->action;
    }
    return {};
  }

  // Adding, removing or choosing what a match does writes the store, which
  // only an elevated process may; showing the marks does not.
  bool needsAdministrator() const override {
    return !additions_.empty() || !removals_.empty() || action_.has_value();
  }

  int execute(const store::Context& ctx, const TerminalPrompter& prompter) override {
    for (store::NetworkMark& mark : additions_)
      if (std::optional<std::string> problem = store::NormaliseMark(mark)) {
        store::ShowError(ctx, *problem);
        return kExitFailure;
      }

    std::optional<store::NetworkMark> notFound;
    store::ProfileMarks result;
    bool done = store::UpdateProfileMarks(ctx, title(), [&](store::ProfileMarks& marks) {
      store::ProfileMarks changed = marks;
      if (!applyChanges(changed, notFound)) return;
      marks = changed;
      result = changed;
    });
    if (!done) {
      if (!prompter.anyShown()) printError("marks: the profile store could not be read");
      return kExitFailure;
    }
    if (notFound) {
      printError("marks: no mark " + Printable(notFound->connection + "=" + notFound->value));
      return kExitFailure;
    }
    print(result);
    return kExitSuccess;
  }

 private:
  // False, naming the first removal that matched nothing, when the change
  // cannot be made as asked: then nothing is changed.
  bool applyChanges(store::ProfileMarks& marks, std::optional<store::NetworkMark>& notFound) const {
    for (const store::NetworkMark& removal : removals_) {
      auto gone = std::erase_if(marks.marks, [&](const store::NetworkMark& mark) {
        return mark.connection == removal.connection && mark.value == removal.value;
      });
      if (gone == 0) {
        notFound = removal;
        return false;
      }
    }
    for (const store::NetworkMark& mark : additions_)
      if (std::find(marks.marks.begin(), marks.marks.end(), mark) == marks.marks.end())
        marks.marks.push_back(mark);
    if (action_) marks.action = *action_;
    return true;
  }

  void print(const store::ProfileMarks& marks) const {
    if (json_) {
      json list = json::array();
      for (const store::NetworkMark& mark : marks.marks)
        list.push_back({{"kind", kindWord(mark.kind)},
                        {"connection", win::ansiToUtf8(mark.connection)},
                        {"value", win::ansiToUtf8(mark.value)}});
      json document = {{"title", win::ansiToUtf8(title())},
                       {"onMatch", actionWord(marks.action)},
                       {"marks", list}};
      printOut(document.dump(4, ' ', false, json::error_handler_t::replace));
      return;
    }
    for (const store::NetworkMark& mark : marks.marks)
      printOut(std::string(kindWord(mark.kind)) + ": " + Printable(mark.connection) + "=" +
               Printable(mark.value));
    printOut(std::string("on-match: ") + actionWord(marks.action));
  }

  bool json_ = false;
  std::vector<store::NetworkMark> additions_;
  std::vector<store::NetworkMark> removals_;
  std::optional<store::MatchAction> action_;
};

}  // namespace

std::unique_ptr<Command> makeMarksCommand() {
  return std::make_unique<MarksCommand>();
}

}  // namespace cli
