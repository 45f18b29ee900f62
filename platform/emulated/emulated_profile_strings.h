// WIN.INI on the emulated machine. As on Windows NT, the sections "windows",
// "Devices" and "PrinterPorts" are the values of the keys of the same names
// under HKEY_CURRENT_USER "Software\Microsoft\Windows NT\CurrentVersion";
// other sections hold nothing.
#pragma once

#include "platform/profile_strings.h"
#include "platform/registry.h"

namespace emu {

class EmulatedProfileStrings : public win::ProfileStrings {
 public:
  explicit EmulatedProfileStrings(win::Registry& registry) : registry_(registry) {}

  win::DWORD GetProfileStringA(const char* app, const char* key, const char* defaultText, char* out,
                               win::DWORD size) override;
  win::BOOL WriteProfileStringA(const char* app, const char* key, const char* value) override;

 private:
  win::Registry& registry_;
};

}  // namespace emu
