#include "platform/win32/win32_default_printer.h"

#include <winspool.h>
#include <optional>

#include <cstring>
#include <string>
#include <vector>

#include "platform/code_page.h"

namespace win32 {

win::BOOL GetDefaultPrinterAnsi(char* buffer, win::DWORD* size) {
  if (!size) return FALSE;
  DWORD wideSize = 0;
  ::GetDefaultPrinterW(nullptr, &wideSize);
  if (wideSize == 0) {
    *size = 0;
    return FALSE;
  }
  std::vector<wchar_t> wide(wideSize);
  if (!::GetDefaultPrinterW(wide.data(), &wideSize)) {
    *size = 0;
    return FALSE;
  }
  // The name is converted by the program's code page, whatever the
  // system's ANSI code page is, and measured in its bytes.
  const std::u16string name(wide.data(), wide.data() + std::wcslen(wide.data()));
  const std::optional<std::string> converted = win::wideToAnsi(name);
  if (!converted) {
    *size = 0;
    ::SetLastError(ERROR_NO_UNICODE_TRANSLATION);
    return FALSE;
  }
  const std::string& ansi = *converted;
  const DWORD needed = DWORD(ansi.size() + 1);
  if (!buffer || *size < needed) {
    *size = needed;
    ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(buffer, ansi.c_str(), needed);
  *size = needed;
  return TRUE;
}

}  // namespace win32
