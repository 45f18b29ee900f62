// WIN.INI, the installed printers and the setting-change broadcast on Windows.
#pragma once

#include "platform/profile_strings.h"
#include "platform/win32/win32_default_printer.h"

namespace win32 {

class Win32ProfileStrings : public win::ProfileStrings {
 public:
  [[nodiscard]] DWORD GetProfileStringA(const char* app, const char* key, const char* defaultText,
                                        char* out, DWORD size) override;
  [[nodiscard]] BOOL GetDefaultPrinterA(char* buffer, DWORD* size) override {
    return GetDefaultPrinterAnsi(buffer, size);
  }
  [[nodiscard]] BOOL WriteProfileStringA(const char* app, const char* key,
                                         const char* value) override;
  [[nodiscard]] BOOL EnumPrintersA(DWORD flags, char* name, DWORD level, BYTE* buffer,
                                   DWORD bufferSize, DWORD* needed, DWORD* returned) override;
  [[nodiscard]] LRESULT SendMessageTimeoutA(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT flags, UINT timeout, DWORD_PTR* result) override;
};

}  // namespace win32
