// A notebook sample machine in a temporary folder for one benchmark.
#pragma once

#include <QTemporaryDir>

#include <memory>

#include "platform/emulated/emulated_machine.h"
#include "platform/prompter.h"
#include "store/context.h"

namespace bench {

// Answers every message box with Yes (or OK) without showing anything.
class SilentPrompter : public win::Prompter {
 public:
  int messageBox(win::HWND, const std::string&, const std::string&, win::UINT flags) override {
    return (flags & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK;
  }
};

class NotebookMachine {
 public:
  NotebookMachine();
  emu::EmulatedMachine& machine() { return *machine_; }
  store::Context& context() { return context_; }
  const std::string& folder() const { return folder_; }

 private:
  QTemporaryDir dir_;
  std::string folder_;
  std::unique_ptr<emu::EmulatedMachine> machine_;
  SilentPrompter prompter_;
  store::Context context_;
};

}  // namespace bench
