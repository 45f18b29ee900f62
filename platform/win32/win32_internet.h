// WinINet's process-wide options on Windows.
#pragma once

#include <memory>

#include "platform/internet.h"

namespace win32 {

std::unique_ptr<win::Internet> newWin32Internet();

}  // namespace win32
