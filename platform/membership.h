// The machine's domain or workgroup membership (the network management calls).
#pragma once

#include <string>

#include "platform/win_types.h"

namespace win {

inline constexpr DWORD NERR_Success = 0;
inline constexpr DWORD ERROR_BAD_NETPATH = 53;

// NETSETUP_JOIN_STATUS.
inline constexpr DWORD NetSetupUnknownStatus = 0;
inline constexpr DWORD NetSetupUnjoined = 1;
inline constexpr DWORD NetSetupWorkgroupName = 2;
inline constexpr DWORD NetSetupDomainName = 3;

class Membership {
 public:
  virtual ~Membership() = default;
  // `server` null or empty for this computer. On NERR_Success `name` holds
  // the workgroup or domain name and `status` one of the NetSetup values.
  virtual DWORD NetGetJoinInformation(const char16_t* server, std::u16string* name,
                                      DWORD* status) = 0;
};

}  // namespace win
