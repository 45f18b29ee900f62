#include "platform/win32/win32_membership.h"

namespace win32 {

DWORD Win32Membership::NetGetJoinInformation(const char16_t* server, std::u16string* name,
                                             DWORD* status) {
  if (!name || !status) return ERROR_INVALID_PARAMETER;
  LPWSTR buffer = nullptr;
  NETSETUP_JOIN_STATUS joinStatus = NetSetupUnknownStatus;
  NET_API_STATUS rc =
      ::NetGetJoinInformation(reinterpret_cast<LPCWSTR>(server), &buffer, &joinStatus);
  if (rc == NERR_Success) {
    *name = buffer ? std::u16string(reinterpret_cast<const char16_t*>(buffer)) : std::u16string();
    *status = DWORD(joinStatus);
  }
  if (buffer) ::NetApiBufferFree(buffer);
  return rc;
}

DWORD Win32Membership::NetJoinDomain(const char16_t* server, const char16_t* domain,
                                     const char16_t* accountOU, const char16_t* account,
                                     const char16_t* password, DWORD options) {
  return ::NetJoinDomain(reinterpret_cast<LPCWSTR>(server), reinterpret_cast<LPCWSTR>(domain),
                         reinterpret_cast<LPCWSTR>(accountOU), reinterpret_cast<LPCWSTR>(account),
                         reinterpret_cast<LPCWSTR>(password), options);
}

}  // namespace win32
