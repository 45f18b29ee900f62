// The platform layer on Windows: the Win32 calls themselves.
#pragma once

#include <memory>

#include "platform/machine.h"

namespace win32 {

std::unique_ptr<win::Machine> openWin32Machine();

}  // namespace win32
