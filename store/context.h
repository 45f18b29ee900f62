// What the program's plain functions work with: the machine, the message box
// seam and the window that owns the boxes they raise.
#pragma once

#include "platform/machine.h"
#include "platform/prompter.h"

namespace store {

struct Context {
  win::Machine& machine;
  win::Prompter& prompter;
  win::HWND owner = nullptr;  // the main window; null before it exists

  win::Registry& registry() const { return machine.registry(); }
  int messageBox(const std::string& ansiText, const std::string& ansiCaption,
                 win::UINT flags) const {
    return prompter.messageBox(owner, ansiText, ansiCaption, flags);
  }
};

}  // namespace store
