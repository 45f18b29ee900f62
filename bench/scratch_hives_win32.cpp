// Only <windows.h> here: the platform layer's headers name the same
// constants, so the two are kept in separate files.
#include "bench/scratch_hives.h"

#include <windows.h>

#include <initializer_list>

namespace bench {

namespace {

// Kept open while a hive points at them.
HKEY machineScratch = nullptr;
HKEY userScratch = nullptr;

HKEY scratchKey(const wchar_t* path) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return nullptr;
  return key;
}

}  // namespace

bool RedirectHivesToScratch() {
  // Both keys are opened before either hive is redirected: the HKLM
  // stand-in lives below the real HKEY_CURRENT_USER.
  machineScratch = scratchKey(L"Software\\Verantu-bench\\HKLM");
  userScratch = scratchKey(L"Software\\Verantu-bench\\HKCU");
  bool redirected = machineScratch && userScratch &&
                    RegOverridePredefKey(HKEY_LOCAL_MACHINE, machineScratch) == ERROR_SUCCESS &&
                    RegOverridePredefKey(HKEY_CURRENT_USER, userScratch) == ERROR_SUCCESS;
  if (!redirected) RestoreHives();
  return redirected;
}

void RestoreHives() {
  RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
  RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  for (HKEY* key : {&machineScratch, &userScratch}) {
    if (*key) RegCloseKey(*key);
    *key = nullptr;
  }
}

}  // namespace bench
