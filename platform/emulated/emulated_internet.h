// WinINet on the emulated machine. Its programs keep their proxy in the
// Internet Settings values alone, so a per-connection setting has nothing
// else to keep in step: it is checked as WinINet checks it and accepted.
// No program listens for the notifications; each one sent is counted in the
// REG_DWORD InternetOptionNotifications of HKEY_LOCAL_MACHINE
// "SYSTEM\Emulation", as setting-change broadcasts are.
#pragma once

#include "platform/emulated/emulated_registry.h"
#include "platform/internet.h"

namespace emu {

class EmulatedInternet : public win::Internet {
 public:
  explicit EmulatedInternet(EmulatedRegistry& registry) : registry_(registry) {}

  [[nodiscard]] win::BOOL InternetSetOptionA(win::HINTERNET internet, win::DWORD option,
                                             void* buffer, win::DWORD length) override;
  [[nodiscard]] win::DWORD GetLastError() override { return lastError_; }
  // The number of notifications counted so far.
  win::DWORD notifications();

 private:
  [[nodiscard]] win::BOOL fail(win::DWORD error) {
    lastError_ = error;
    return FALSE;
  }
  EmulatedRegistry& registry_;
  win::DWORD lastError_ = ERROR_SUCCESS;
};

}  // namespace emu
