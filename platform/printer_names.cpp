#include <vector>

#include "platform/profile_strings.h"

namespace win {

std::vector<std::string> EnumPrinterNames(ProfileStrings& printers) {
  DWORD needed = 0;
  DWORD returned = 0;
  // Only asks for the size: without a buffer the call fails by design.
  (void)printers.EnumPrintersA(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, nullptr,
                               0, &needed, &returned);
  std::vector<std::string> names;
  if (needed == 0) return names;
  // The records hold pointers: the buffer is aligned for them.
  std::vector<PRINTER_INFO_4A> storage((needed + sizeof(PRINTER_INFO_4A) - 1) /
                                       sizeof(PRINTER_INFO_4A));
  BYTE* buffer = reinterpret_cast<BYTE*>(storage.data());
  if (!printers.EnumPrintersA(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, buffer,
                              DWORD(storage.size() * sizeof(PRINTER_INFO_4A)), &needed, &returned))
    return names;
  for (DWORD i = 0; i < returned; ++i)
    if (storage[i].pPrinterName) names.emplace_back(storage[i].pPrinterName);
  return names;
}

}  // namespace win
