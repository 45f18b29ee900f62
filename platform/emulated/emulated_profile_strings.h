// WIN.INI on the emulated machine. As on Windows NT, the sections "windows",
// "Devices" and "PrinterPorts" are the values of the keys of the same names
// under HKEY_CURRENT_USER "Software\Microsoft\Windows NT\CurrentVersion";
// other sections hold nothing. The printers are the subkeys of
// HKEY_LOCAL_MACHINE "SYSTEM\CurrentControlSet\Control\Print\Printers".
// No program listens for broadcasts; each one sent is counted in the
// REG_DWORD SettingChangeBroadcasts of HKEY_LOCAL_MACHINE "SYSTEM\Emulation",
// so that what was announced can be seen from outside.
#pragma once

#include "platform/emulated/emulated_registry.h"
#include "platform/profile_strings.h"

namespace emu {

class EmulatedProfileStrings : public win::ProfileStrings {
 public:
  explicit EmulatedProfileStrings(EmulatedRegistry& registry) : registry_(registry) {}

  [[nodiscard]] win::DWORD GetProfileStringA(const char* app, const char* key,
                                             const char* defaultText, char* out,
                                             win::DWORD size) override;
  [[nodiscard]] win::BOOL WriteProfileStringA(const char* app, const char* key,
                                              const char* value) override;
  // Level 4 only; every printer is a local one.
  [[nodiscard]] win::BOOL EnumPrintersA(win::DWORD flags, char* name, win::DWORD level,
                                        win::BYTE* buffer, win::DWORD bufferSize,
                                        win::DWORD* needed, win::DWORD* returned) override;
  // The printer name of WIN.INI's "windows"/"device" entry, up to its first
  // ",", as Windows NT keeps the default printer there.
  [[nodiscard]] win::BOOL GetDefaultPrinterA(char* buffer, win::DWORD* size) override;
  // Only HWND_BROADCAST reaches anyone.
  [[nodiscard]] win::LRESULT SendMessageTimeoutA(win::HWND window, win::UINT message,
                                                 win::WPARAM wParam, win::LPARAM lParam,
                                                 win::UINT flags, win::UINT timeout,
                                                 win::DWORD_PTR* result) override;
  // The number of broadcasts counted so far.
  win::DWORD settingChangeBroadcasts();

 private:
  EmulatedRegistry& registry_;
};

}  // namespace emu
