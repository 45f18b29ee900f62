// Message boxes of the windowed program: MessageBoxA's flags and answers over
// QMessageBox. The owner HWND is the QWidget that raises the box (null for
// the boxes of start-up).
#pragma once

#include "platform/prompter.h"

namespace app {

class QtPrompter : public win::Prompter {
 public:
  int messageBox(win::HWND owner, const std::string& text, const std::string& caption,
                 win::UINT flags) override;
};

}  // namespace app
