// The verbs of verantu-cli: one class per verb over this base, which owns
// the option parsing, the help text, opening the machine and the exit codes.
#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <memory>
#include <string>

#include "cli/terminal_prompter.h"
#include "store/context.h"

namespace cli {

inline constexpr int kExitSuccess = 0;  // the command did what it was asked
inline constexpr int kExitFailure = 1;  // an error, a No, or no machine
inline constexpr int kExitUsage = 2;    // the command line itself is wrong

// One line on stderr, "verantu-cli: TEXT" (UTF-8).
void printError(const QString& text);
// One line on stdout (UTF-8).
void printOut(const std::string& utf8);

class Command {
 public:
  Command(QString name, QString description)
      : name_(std::move(name)), description_(std::move(description)) {}
  virtual ~Command() = default;
  Command(const Command&) = delete;
  Command& operator=(const Command&) = delete;

  const QString& name() const { return name_; }
  const QString& description() const { return description_; }

  // `arguments` starts with the verb. Parses them, opens the machine named by
  // VERANTU_MACHINE and runs the verb; returns the exit code.
  int run(const QStringList& arguments);

 protected:
  // The verb's options and positional arguments.
  virtual void addOptions(QCommandLineParser& parser) = 0;
  // Checks what was parsed; an empty text when it is usable, else what is
  // wrong (a usage error).
  virtual QString checkArguments(const QCommandLineParser& parser) = 0;
  // Whether questions are answered Yes without asking.
  virtual bool answersYes(const QCommandLineParser& parser) const;
  virtual int execute(const store::Context& ctx, const TerminalPrompter& prompter) = 0;

 private:
  QString helpText(const QCommandLineParser& parser) const;

  QString name_;
  QString description_;
};

// A verb that works on the profile named by TITLE, as the main window's
// commands work on the selector's text, and takes --yes for its questions.
class TitleCommand : public Command {
 public:
  using Command::Command;

 protected:
  void addOptions(QCommandLineParser& parser) override;
  QString checkArguments(const QCommandLineParser& parser) override;
  bool answersYes(const QCommandLineParser& parser) const override;

  // TITLE in the ANSI code page.
  const std::string& title() const { return title_; }

 private:
  std::string title_;
};

std::unique_ptr<Command> makeListCommand();
std::unique_ptr<Command> makeCaptureCommand();
std::unique_ptr<Command> makeDeleteCommand();
std::unique_ptr<Command> makeSwitchCommand();
std::unique_ptr<Command> makeScriptCommand();
std::unique_ptr<Command> makeShowCommand();

}  // namespace cli
