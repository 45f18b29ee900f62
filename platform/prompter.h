// Message boxes (MessageBoxA): the front ends show them, tests script them.
#pragma once

#include <string>

#include "platform/win_types.h"

namespace win {

class Prompter {
 public:
  virtual ~Prompter() = default;
  // Text and caption are ANSI; flags and the answer use the MB_ and ID values.
  virtual int messageBox(HWND owner, const std::string& text, const std::string& caption,
                         UINT flags) = 0;
};

}  // namespace win
