// verantu-cli export TITLE -o FILE: writes the profile TITLE into a profile
// file, as the main window's export command does.
#include <filesystem>
#include <fstream>
#include <system_error>

#include "cli/command.h"
#include "platform/code_page.h"
#include "store/profile_file.h"

namespace cli {

namespace {

const std::string kOutputOption = "o,output";

// Writes the whole text or leaves FILE as it was: the text goes into a file
// beside it first, which then takes FILE's place.
bool writeWholeFile(const std::string& utf8Path, const std::string& text) {
  namespace fs = std::filesystem;
  const fs::path target(std::u8string(utf8Path.begin(), utf8Path.end()));
  fs::path partial = target;
  partial += ".partial";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out.write(text.data(), std::streamsize(text.size()));
    out.close();
    if (!out) {
      std::error_code ignored;
      fs::remove(partial, ignored);
      return false;
    }
  }
  std::error_code error;
  fs::rename(partial, target, error);
  if (error) fs::remove(partial, error);
  return !error;
}

class ExportCommand : public Command {
 public:
  ExportCommand()
      : Command("export",
                "Writes the profile TITLE into FILE, a profile file that import "
                "reads on this or another machine.") {}

 protected:
  void addOptions(Arguments& arguments) override {
    arguments.addPositional("TITLE", "The profile's title.");
    arguments.addOption(kOutputOption, "FILE", "The file to write (replaced when it exists).");
  }

  std::string checkArguments(const Arguments& arguments) override {
    const std::vector<std::string>& positional = arguments.positional();
    if (positional.empty()) return "TITLE is missing";
    if (positional.size() > 1) return "only one TITLE is taken";
    std::optional<std::string> title = AnsiFromArgument(positional.front());
    if (!title) return "TITLE holds characters that code page 932 cannot hold";
    if (arguments.values("output").size() != 1) return "one output FILE is needed: -o FILE";
    title_ = std::move(*title);
    path_ = arguments.value("output");
    return {};
  }

  int execute(const store::Context& ctx, const TerminalPrompter&) override {
    std::optional<std::string> text = store::ExportProfile(ctx, title_);
    if (!text) return kExitFailure;
    if (!writeWholeFile(path_, *text)) {
      store::ReportProfileFileNotWritten(ctx, win::ansiFromUtf8(path_));
      return kExitFailure;
    }
    store::ReportProfileFileWritten(ctx, title_, win::ansiFromUtf8(path_));
    return kExitSuccess;
  }

 private:
  std::string title_;
  std::string path_;
};

}  // namespace

std::unique_ptr<Command> makeExportCommand() {
  return std::make_unique<ExportCommand>();
}

}  // namespace cli
