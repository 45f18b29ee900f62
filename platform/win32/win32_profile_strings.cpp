#include "platform/win32/win32_profile_strings.h"

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/profile_text.h"
#include "platform/win32/win32_text.h"

namespace win32 {

// An argument or an answer that cannot be converted reads as nothing, with
// the reason in GetLastError, as the A function answers an error.
DWORD Win32ProfileStrings::GetProfileStringA(const char* app, const char* key,
                                             const char* defaultText, char* out, DWORD size) {
  if (!out || size == 0) return 0;
  out[0] = '\0';
  if (size > 1 && (!app || !key)) out[1] = '\0';
  WideArg wideApp(app);
  WideArg wideKey(key);
  WideArg wideDefault(defaultText ? defaultText : "");
  if (!wideApp.ok() || !wideKey.ok() || !wideDefault.ok()) {
    ::SetLastError(kUnconvertible);
    return 0;
  }
  const bool list = !app || !key;
  // Read the whole answer, then cut it as the A function would.
  std::vector<wchar_t> buffer(1024);
  DWORD length = 0;
  for (;;) {
    length = ::GetProfileStringW(wideApp.get(), wideKey.get(), wideDefault.get(), buffer.data(),
                                 DWORD(buffer.size()));
    if (length + (list ? 2 : 1) < buffer.size() || buffer.size() >= (1u << 24)) break;
    buffer.resize(buffer.size() * 2);
  }
  std::optional<std::string> text = toAnsi(std::wstring_view(buffer.data(), length));
  if (!text) {
    ::SetLastError(kUnconvertible);
    return 0;
  }
  if (!list) return win::copyProfileText(*text, out, size);
  std::vector<std::string> names;
  for (std::size_t start = 0; start < text->size();) {
    std::size_t end = text->find('\0', start);
    if (end == std::string::npos) end = text->size();
    names.push_back(text->substr(start, end - start));
    start = end + 1;
  }
  return win::copyProfileList(names, out, size);
}

BOOL Win32ProfileStrings::WriteProfileStringA(const char* app, const char* key, const char* value) {
  WideArg wideApp(app);
  WideArg wideKey(key);
  WideArg wideValue(value);
  if (!wideApp.ok() || !wideKey.ok() || !wideValue.ok()) {
    ::SetLastError(kUnconvertible);
    return FALSE;
  }
  return ::WriteProfileStringW(wideApp.get(), wideKey.get(), wideValue.get());
}

// Level 4 only, laid out as EnumPrintersA lays it out: the records first,
// then the names they point to.
BOOL Win32ProfileStrings::EnumPrintersA(DWORD flags, char* name, DWORD level, BYTE* buffer,
                                        DWORD bufferSize, DWORD* needed, DWORD* returned) {
  if (!needed || !returned) return FALSE;
  *returned = 0;
  if (level != 4) {
    ::SetLastError(ERROR_INVALID_LEVEL);
    return FALSE;
  }
  WideArg server(name);
  if (!server.ok()) {
    ::SetLastError(kUnconvertible);
    return FALSE;
  }
  DWORD wideNeeded = 0;
  DWORD count = 0;
  std::vector<BYTE> wide;
  while (!::EnumPrintersW(flags, const_cast<wchar_t*>(server.get()), 4, wide.data(),
                          DWORD(wide.size()), &wideNeeded, &count)) {
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || wideNeeded <= wide.size()) return FALSE;
    wide.resize(wideNeeded);
  }
  struct Printer {
    std::string name;
    std::optional<std::string> server;
    DWORD attributes;
  };
  std::vector<Printer> printers;
  std::size_t size = 0;
  auto* records = reinterpret_cast<const PRINTER_INFO_4W*>(wide.data());
  for (DWORD i = 0; i < count; ++i) {
    std::optional<std::string> printerName =
        records[i].pPrinterName ? toAnsi(records[i].pPrinterName) : std::string();
    std::optional<std::string> serverName;
    if (records[i].pServerName) {
      serverName = toAnsi(records[i].pServerName);
      if (!serverName) printerName.reset();
    }
    if (!printerName) {
      ::SetLastError(kUnconvertible);
      return FALSE;
    }
    Printer printer{*printerName, serverName, records[i].Attributes};
    size += sizeof(PRINTER_INFO_4A) + printer.name.size() + 1 +
            (printer.server ? printer.server->size() + 1 : 0);
    printers.push_back(std::move(printer));
  }
  *needed = DWORD(size);
  if (!buffer || bufferSize < size) {
    if (printers.empty()) return TRUE;
    ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  auto* out = reinterpret_cast<PRINTER_INFO_4A*>(buffer);
  char* text = reinterpret_cast<char*>(buffer + printers.size() * sizeof(PRINTER_INFO_4A));
  auto place = [&text](const std::string& value) {
    char* at = text;
    std::memcpy(at, value.c_str(), value.size() + 1);
    text += value.size() + 1;
    return at;
  };
  for (std::size_t i = 0; i < printers.size(); ++i) {
    out[i].pPrinterName = place(printers[i].name);
    out[i].pServerName = printers[i].server ? place(*printers[i].server) : nullptr;
    out[i].Attributes = printers[i].attributes;
  }
  *returned = DWORD(printers.size());
  return TRUE;
}

// WM_SETTINGCHANGE carries the name of the changed section as text.
LRESULT Win32ProfileStrings::SendMessageTimeoutA(HWND window, UINT message, WPARAM wParam,
                                                 LPARAM lParam, UINT flags, UINT timeout,
                                                 DWORD_PTR* result) {
  std::wstring section;
  if (message == WM_SETTINGCHANGE && lParam) {
    std::optional<std::wstring> wide = toWide(reinterpret_cast<const char*>(lParam));
    if (!wide) {
      ::SetLastError(kUnconvertible);
      return 0;
    }
    section = *wide;
    lParam = reinterpret_cast<LPARAM>(section.c_str());
  }
  return ::SendMessageTimeoutW(window, message, wParam, lParam, flags, timeout, result);
}

}  // namespace win32
