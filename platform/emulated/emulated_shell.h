// Opening documents and addresses on the emulated machine: a file on drive
// C: is handed, by its host path, to the desktop's opener, an address as it
// is.
#pragma once

#include "platform/emulated/emulated_files.h"
#include "platform/shell.h"

namespace emu {

class EmulatedShell : public win::Shell {
 public:
  explicit EmulatedShell(EmulatedFiles& files) : files_(files) {}

  // The opener is the command in $VERANTU_OPENER, else xdg-open, started
  // detached with the host path or the address as its last argument.
  win::HINSTANCE ShellExecuteA(win::HWND owner, const char* verb, const char* file,
                               const char* params, const char* dir, int show) override;
  void Sleep(win::DWORD milliseconds) override;

 private:
  EmulatedFiles& files_;
};

}  // namespace emu
