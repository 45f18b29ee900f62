#include "platform/emulated/emulation_counter.h"

namespace emu {

using namespace win;

namespace {

constexpr const char* kEmulationKey = "SYSTEM\\Emulation";

DWORD readCount(Registry& registry, HKEY key, const char* name) {
  DWORD count = 0;
  DWORD size = sizeof count;
  DWORD type = 0;
  if (registry.RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&count),
                                &size) != ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof count)
    return 0;
  return count;
}

}  // namespace

bool CountEmulationEvent(EmulatedRegistry& registry, const char* name) {
  // A standard user's program announces as well as an administrator's; the
  // count is written on the machine's behalf.
  const bool standardUser = registry.standardUser();
  registry.setStandardUser(false);
  HKEY key = nullptr;
  bool counted = false;
  if (registry.RegCreateKeyExA(HKEY_LOCAL_MACHINE, kEmulationKey, 0, "", REG_OPTION_NON_VOLATILE,
                               KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS) {
    const DWORD count = readCount(registry, key, name) + 1;
    counted =
        registry.RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count),
                                sizeof count) == ERROR_SUCCESS;
    (void)registry.RegCloseKey(key);
  }
  registry.setStandardUser(standardUser);
  return counted;
}

DWORD EmulationCount(Registry& registry, const char* name) {
  HKEY key = nullptr;
  if (registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, kEmulationKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return 0;
  const DWORD count = readCount(registry, key, name);
  (void)registry.RegCloseKey(key);
  return count;
}

}  // namespace emu
