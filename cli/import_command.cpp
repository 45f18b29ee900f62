// verantu-cli import FILE [--as TITLE] [--yes]: stores the profile of a
// profile file, as the main window's import command does. What became of
// each interface is printed on stdout, one line each.
#include <filesystem>
#include <fstream>
#include <optional>

#include "cli/command.h"
#include "platform/code_page.h"
#include "store/profile_file.h"

namespace cli {

namespace {

const std::string kAsOption = "as";
const std::string kYesOption = "yes";

// The file's text, at most one byte more than a profile file may hold (so
// that a larger one is refused as such); nothing when it cannot be read.
std::optional<std::string> readProfileFile(const std::string& utf8Path) {
  const std::filesystem::path path(std::u8string(utf8Path.begin(), utf8Path.end()));
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string text(store::kMaxProfileFileBytes + 1, '\0');
  in.read(text.data(), std::streamsize(text.size()));
  if (in.bad()) return std::nullopt;
  text.resize(std::size_t(in.gcount()));
  return text;
}

class ImportCommand : public Command {
 public:
  ImportCommand()
      : Command("import",
                "Stores the profile of FILE, a file written by export, as a new "
                "profile or over the one of its title.") {}

 protected:
  void addOptions(Arguments& arguments) override {
    arguments.addPositional("FILE", "The profile file to read.");
    arguments.addOption(kAsOption, "TITLE",
                        "Stores the profile as TITLE instead of its own title.");
    arguments.addFlag(kYesOption, "Answers Yes to every question.");
  }

  std::string checkArguments(const Arguments& arguments) override {
    const std::vector<std::string>& positional = arguments.positional();
    if (positional.empty()) return "FILE is missing";
    if (positional.size() > 1) return "only one FILE is taken";
    path_ = positional.front();
    if (arguments.isSet(kAsOption)) {
      if (arguments.values(kAsOption).size() > 1) return "only one --as TITLE is taken";
      title_ = AnsiFromArgument(arguments.value(kAsOption));
      if (!title_) return "TITLE holds characters that code page 932 cannot hold";
    }
    return {};
  }

  bool answersYes(const Arguments& arguments) const override { return arguments.isSet(kYesOption); }
  // It writes the store, which only an elevated process may.
  bool needsAdministrator() const override { return true; }

  int execute(const store::Context& ctx, const TerminalPrompter& prompter) override {
    std::optional<std::string> text = readProfileFile(path_);
    if (!text) {
      store::ReportProfileFileNotRead(ctx, win::ansiFromUtf8(path_));
      return kExitFailure;
    }
    store::ImportResult result = store::ImportProfile(ctx, *text, title_);
    if (!result.imported) {
      // Without a message the store could not be read at a slot.
      if (!prompter.anyShown()) printError("import: the profile store could not be read");
      return kExitFailure;
    }
    for (const std::string& line : result.interfaceLines) printOut(win::ansiToUtf8(line));
    return kExitSuccess;
  }

 private:
  std::string path_;
  std::optional<std::string> title_;
};

}  // namespace

std::unique_ptr<Command> makeImportCommand() {
  return std::make_unique<ImportCommand>();
}

}  // namespace cli
