// The verbs of verantu-cli: one class per verb over this base, which owns
// the option parsing, the help text, opening the machine, the start-up
// checks and the exit codes. Texts here are UTF-8 unless named ANSI.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/terminal_prompter.h"
#include "store/context.h"

namespace cli {

inline constexpr int kExitSuccess = 0;  // the command did what it was asked
inline constexpr int kExitFailure = 1;  // an error, a No, or no machine
inline constexpr int kExitUsage = 2;    // the command line itself is wrong

// One line on stderr, "verantu-cli: TEXT".
void printError(const std::string& utf8);
// One line on stdout.
void printOut(const std::string& utf8);
// Stored text (ANSI) for the terminal, in UTF-8, with every control
// character (C0, DEL and C1) shown as "?".
std::string Printable(const std::string& ansi);

// Registry text (ANSI) for the terminal, as UTF-8 on one line. A control
// character in it (C0, DEL or C1) could break the line or move the cursor:
// Question shows each as "?"; Escape writes it as JSON does ("\n", "\r",
// "\t", "\u001a") and doubles a backslash, so that every text can be told
// apart from every other and read back.
enum class ControlCharacters { Question, Escape };
std::string TerminalText(const std::string& ansi, ControlCharacters how);

class Command {
 public:
  Command(std::string name, std::string description)
      : name_(std::move(name)), description_(std::move(description)) {}
  virtual ~Command() = default;
  Command(const Command&) = delete;
  Command& operator=(const Command&) = delete;

  const std::string& name() const { return name_; }
  const std::string& description() const { return description_; }

  // `arguments` are the ones after the verb. Parses them, opens the machine
  // named by VERANTU_MACHINE, runs the start-up checks and the verb; returns
  // the exit code.
  int run(const std::vector<std::string>& arguments);

 protected:
  // The verb's options and positional arguments.
  virtual void addOptions(Arguments& arguments) = 0;
  // Checks what was parsed; an empty text when it is usable, else what is
  // wrong (a usage error).
  virtual std::string checkArguments(const Arguments& arguments) = 0;
  // Whether questions are answered Yes without asking.
  virtual bool answersYes(const Arguments& arguments) const;
  // Whether the verb changes the store or the machine, which only an
  // elevated process may: it is then refused, before anything is read,
  // to a standard user. Verbs that only read work for any user.
  virtual bool needsAdministrator() const { return false; }
  virtual int execute(const store::Context& ctx, const TerminalPrompter& prompter) = 0;

 private:
  std::string name_;
  std::string description_;
};

// A verb that works on the profile named by TITLE, as the main window's
// commands work on the selector's text, and takes --yes for its questions.
class TitleCommand : public Command {
 public:
  using Command::Command;

 protected:
  void addOptions(Arguments& arguments) override;
  std::string checkArguments(const Arguments& arguments) override;
  bool answersYes(const Arguments& arguments) const override;

  // TITLE in the ANSI code page.
  const std::string& title() const { return title_; }

 private:
  std::string title_;
};

// An argument in the ANSI code page; nothing when code page 932 lacks one
// of its characters (it would become "?" and name something else).
std::optional<std::string> AnsiFromArgument(const std::string& utf8);

std::unique_ptr<Command> makeListCommand();
std::unique_ptr<Command> makeCaptureCommand();
std::unique_ptr<Command> makeDeleteCommand();
std::unique_ptr<Command> makeSwitchCommand();
std::unique_ptr<Command> makeUndoCommand();
std::unique_ptr<Command> makeScriptCommand();
std::unique_ptr<Command> makeShowCommand();
std::unique_ptr<Command> makeMarksCommand();
std::unique_ptr<Command> makeMatchCommand();
std::unique_ptr<Command> makeExportCommand();
std::unique_ptr<Command> makeImportCommand();
std::unique_ptr<Command> makeEditCommand();

}  // namespace cli
