// The machine one benchmark runs on: on Linux the notebook sample machine in
// a temporary folder; on Windows the Win32 machine on scratch keys.
#pragma once

#include <memory>

#ifndef _WIN32
#include <QTemporaryDir>

#include "platform/emulated/emulated_machine.h"
#endif
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

#ifdef _WIN32
// Both hives redirected to scratch keys (see scratch_hives.h) for the
// object's life; scripts/bench-windows.sh imports the notebook's Internet
// Settings there first.
class NotebookMachine {
 public:
  NotebookMachine();
  ~NotebookMachine();
  NotebookMachine(const NotebookMachine&) = delete;
  NotebookMachine& operator=(const NotebookMachine&) = delete;
  win::Machine& machine() { return *machine_; }
  store::Context& context() { return context_; }

 private:
  std::unique_ptr<win::Machine> machine_;
  SilentPrompter prompter_;
  store::Context context_;
};
#else
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
#endif

}  // namespace bench
