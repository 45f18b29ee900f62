#include "cli/terminal_prompter.h"

#include <cctype>
#include <optional>
#include <string>

#include "cli/console.h"
#include "platform/code_page.h"

namespace cli {

namespace {

// A message text on one line: every run of line breaks becomes one blank.
std::string oneLine(const std::string& text) {
  std::string line;
  bool inBreak = false;
  for (char c : text) {
    if (c == '\n' || c == '\r') {
      if (!inBreak) line += ' ';
      inBreak = true;
    } else {
      line += c;
      inBreak = false;
    }
  }
  return line;
}

void printLine(const std::string& line) {
  console::writeErr(line + "\n");
}

bool isYes(std::string answer) {
  for (char& c : answer) c = char(std::tolower(static_cast<unsigned char>(c)));
  while (!answer.empty() && std::isspace(static_cast<unsigned char>(answer.back())))
    answer.pop_back();
  return answer == "y" || answer == "yes";
}

}  // namespace

bool TerminalPrompter::ask(const std::string& line) {
  std::string question = line + " [y/N] ";
  if (answerYes_) {
    printLine(question + "y");
    return true;
  }
  if (!console::canAsk()) {
    printLine(question + "n");
    return false;
  }
  console::writeErr(question);
  std::optional<std::string> answer = console::readLine();
  if (!answer) {
    printLine("");
    return false;
  }
  return isYes(*answer);
}

int TerminalPrompter::messageBox(win::HWND, const std::string& text, const std::string& caption,
                                 win::UINT flags) {
  shown_ = true;
  std::string line = win::ansiToUtf8(caption) + ": " + oneLine(win::ansiToUtf8(text));
  switch (flags & MB_TYPEMASK) {
    case MB_YESNO:
    case MB_YESNOCANCEL:
      return ask(line) ? IDYES : IDNO;
    case MB_OKCANCEL:
      return ask(line) ? IDOK : IDCANCEL;
    default:
      printLine(line);
      return IDOK;
  }
}

}  // namespace cli
