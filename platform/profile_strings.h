// WIN.INI through GetProfileStringA and WriteProfileStringA, the installed
// printers (EnumPrintersA) and the broadcast that tells running programs
// that WIN.INI settings changed. On Windows NT the sections the program uses
// ("windows", "Devices", "PrinterPorts") live in the current user's
// registry, and these calls read and write them there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win_types.h"

namespace win {

#ifdef _WIN32
using ::DWORD_PTR;
using ::LPARAM;
using ::LRESULT;
using ::PRINTER_INFO_4A;
using ::WPARAM;
#else
// EnumPrintersA at level 4: one record per printer, the names stored in the
// same buffer after the records.
struct PRINTER_INFO_4A {
  char* pPrinterName = nullptr;
  char* pServerName = nullptr;  // null for a printer of this computer
  DWORD Attributes = 0;
};
inline constexpr DWORD PRINTER_ENUM_LOCAL = 0x00000002;
inline constexpr DWORD PRINTER_ENUM_CONNECTIONS = 0x00000004;
inline constexpr DWORD PRINTER_ATTRIBUTE_NETWORK = 0x00000010;
inline constexpr DWORD PRINTER_ATTRIBUTE_LOCAL = 0x00000040;

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using DWORD_PTR = std::uintptr_t;
inline const HWND HWND_BROADCAST = reinterpret_cast<HWND>(std::uintptr_t(0xFFFF));
inline constexpr UINT WM_SETTINGCHANGE = 0x001A;  // also WM_WININICHANGE
inline constexpr UINT SMTO_NORMAL = 0x0000;
#endif

class ProfileStrings {
 public:
  virtual ~ProfileStrings() = default;
  // Copies the entry's text, or `defaultText` (trailing blanks removed) when
  // the entry is missing, into `out` of `size` characters and returns the
  // number of characters copied without the NUL; a text that does not fit is
  // cut and size-1 is returned. A null `key` lists the section's entry names,
  // a null `app` the section names, each NUL-terminated with a final NUL; a
  // list that does not fit is cut and size-2 is returned.
  [[nodiscard]] virtual DWORD GetProfileStringA(const char* app, const char* key,
                                                const char* defaultText, char* out, DWORD size) = 0;
  // Writes the entry; a null `value` deletes it, a null `key` deletes every
  // entry of the section. FALSE when it cannot be written.
  [[nodiscard]] virtual BOOL WriteProfileStringA(const char* app, const char* key,
                                                 const char* value) = 0;

  // Fills `buffer` with `*returned` records of `level` (4 is the level the
  // program uses) for the printers that `flags` selects. When the buffer is
  // too small, FALSE with `*needed` set to the size that fits them all.
  [[nodiscard]] virtual BOOL EnumPrintersA(DWORD flags, char* name, DWORD level, BYTE* buffer,
                                           DWORD bufferSize, DWORD* needed, DWORD* returned) = 0;
  // The default printer's name with its NUL into `buffer` of `*size`
  // characters. When it does not fit (or `buffer` is null), FALSE with
  // `*size` set to the size needed; FALSE with `*size` 0 when there is no
  // default printer.
  [[nodiscard]] virtual BOOL GetDefaultPrinterA(char* buffer, DWORD* size) = 0;
  // Sends the message to the window, or to every top-level window for
  // HWND_BROADCAST, waiting at most `timeout` milliseconds for each; 0 when
  // it could not be delivered or timed out.
  [[nodiscard]] virtual LRESULT SendMessageTimeoutA(HWND window, UINT message, WPARAM wParam,
                                                    LPARAM lParam, UINT flags, UINT timeout,
                                                    DWORD_PTR* result) = 0;
};

// The names of this computer's printers and its printer connections, in the
// order EnumPrintersA lists them; empty when none can be listed.
std::vector<std::string> EnumPrinterNames(ProfileStrings& printers);

}  // namespace win

#ifndef _WIN32
// The constants keep their Win32 names and are visible unqualified, as
// windows.h makes them, so that code reads the same on both builds.
using win::HWND_BROADCAST;
using win::PRINTER_ATTRIBUTE_LOCAL;
using win::PRINTER_ATTRIBUTE_NETWORK;
using win::PRINTER_ENUM_CONNECTIONS;
using win::PRINTER_ENUM_LOCAL;
using win::SMTO_NORMAL;
using win::WM_SETTINGCHANGE;
#endif
