// Counters of what the machine's programs announced to programs that the
// emulated machine does not run (setting-change broadcasts, WinINet's
// notifications): REG_DWORD values of HKEY_LOCAL_MACHINE "SYSTEM\Emulation",
// so that what was announced can be seen from outside.
#pragma once

#include "platform/emulated/emulated_registry.h"

namespace emu {

// Adds one to the counter `name`, creating it at 1. The count is the
// machine's own bookkeeping, kept whatever the rights of the process that
// caused it. False when it cannot be written.
[[nodiscard]] bool CountEmulationEvent(EmulatedRegistry& registry, const char* name);
// The counter `name`; 0 when it is missing or not a DWORD.
win::DWORD EmulationCount(win::Registry& registry, const char* name);

}  // namespace emu
