#include "platform/emulated/emulated_membership.h"

#include <cstring>
#include <vector>

#include "platform/code_page.h"

namespace emu {

using namespace win;

namespace {
constexpr const char* kEmulationKey = "SYSTEM\\Emulation";
}  // namespace

DWORD EmulatedMembership::NetGetJoinInformation(const char16_t* server, std::u16string* name,
                                                DWORD* status) {
  if (!name || !status) return DWORD(ERROR_INVALID_PARAMETER);
  if (server && *server) return ERROR_BAD_NETPATH;

  std::string joinName;
  DWORD joinStatus = NetSetupUnknownStatus;
  HKEY key = nullptr;
  if (registry_.RegOpenKeyExA(HKEY_LOCAL_MACHINE, kEmulationKey, 0, KEY_READ, &key) ==
      ERROR_SUCCESS) {
    DWORD size = 0;
    if (registry_.RegQueryValueExA(key, "JoinName", nullptr, nullptr, nullptr, &size) ==
        ERROR_SUCCESS) {
      std::vector<BYTE> data(std::size_t(size) + 1);
      if (registry_.RegQueryValueExA(key, "JoinName", nullptr, nullptr, data.data(), &size) ==
          ERROR_SUCCESS) {
        const char* text = reinterpret_cast<const char*>(data.data());
        joinName.assign(text, strnlen(text, size));
      }
    }
    DWORD value = 0;
    size = sizeof value;
    DWORD type = 0;
    if (registry_.RegQueryValueExA(key, "JoinStatus", nullptr, &type,
                                   reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS &&
        type == REG_DWORD && size == sizeof value)
      joinStatus = value;
    registry_.RegCloseKey(key);
  }
  *name = ansiToWide(joinName);
  *status = joinStatus;
  return NERR_Success;
}

}  // namespace emu
