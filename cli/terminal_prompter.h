// Message boxes on the terminal: each box is one line on stderr, "CAPTION:
// TEXT" in UTF-8 with the text's line breaks turned into blanks. A question
// ends its line with " [y/N] " and the answer: given by --yes, typed on the
// terminal (the console on Windows), or No when no one can be asked.
#pragma once

#include "platform/prompter.h"

namespace cli {

class TerminalPrompter : public win::Prompter {
 public:
  explicit TerminalPrompter(bool answerYes) : answerYes_(answerYes) {}

  int messageBox(win::HWND owner, const std::string& text, const std::string& caption,
                 win::UINT flags) override;

  // Whether any box was shown (a command that ends without one says why).
  bool anyShown() const { return shown_; }

 private:
  bool ask(const std::string& line);

  bool answerYes_;
  bool shown_ = false;
};

}  // namespace cli
