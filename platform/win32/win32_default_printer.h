// The default printer on Windows: GetDefaultPrinterW, answered in code page
// 932 with the A function's size rules.
#pragma once

#include "platform/win_types.h"

namespace win32 {

[[nodiscard]] win::BOOL GetDefaultPrinterAnsi(char* buffer, win::DWORD* size);

}  // namespace win32
