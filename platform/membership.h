// The machine's domain or workgroup membership (the network management calls).
#pragma once

#include <string>

#include "platform/win_types.h"

#ifndef _WIN32
namespace win {

inline constexpr DWORD NERR_Success = 0;
inline constexpr DWORD ERROR_BAD_NETPATH = 53;
inline constexpr DWORD ERROR_NO_SUCH_DOMAIN = 1355;
inline constexpr DWORD NERR_SetupAlreadyJoined = 2691;
inline constexpr DWORD NERR_InvalidWorkgroupName = 2695;

// NETSETUP_JOIN_STATUS.
inline constexpr DWORD NetSetupUnknownStatus = 0;
inline constexpr DWORD NetSetupUnjoined = 1;
inline constexpr DWORD NetSetupWorkgroupName = 2;
inline constexpr DWORD NetSetupDomainName = 3;

// NetJoinDomain's options.
inline constexpr DWORD NETSETUP_JOIN_DOMAIN = 0x00000001;
inline constexpr DWORD NETSETUP_JOIN_UNSECURE = 0x00000040;

}  // namespace win
#endif

namespace win {

class Membership {
 public:
  virtual ~Membership() = default;
  // `server` null or empty for this computer. On NERR_Success `name` holds
  // the workgroup or domain name and `status` one of the NetSetup values.
  [[nodiscard]] virtual DWORD NetGetJoinInformation(const char16_t* server, std::u16string* name,
                                                    DWORD* status) = 0;
  // Joins the domain `domain` (NETSETUP_JOIN_DOMAIN in `options`) or, without
  // that option, the workgroup of that name. `server` null for this
  // computer; the account arguments may be null. NERR_Success or an error
  // code such as ERROR_NO_SUCH_DOMAIN, NERR_SetupAlreadyJoined or
  // NERR_InvalidWorkgroupName.
  [[nodiscard]] virtual DWORD NetJoinDomain(const char16_t* server, const char16_t* domain,
                                            const char16_t* accountOU, const char16_t* account,
                                            const char16_t* password, DWORD options) = 0;
};

}  // namespace win

#ifndef _WIN32
// The constants keep their Win32 names and are visible unqualified, as
// windows.h makes them, so that code reads the same on both builds.
using win::ERROR_BAD_NETPATH;
using win::ERROR_NO_SUCH_DOMAIN;
using win::NERR_InvalidWorkgroupName;
using win::NERR_SetupAlreadyJoined;
using win::NERR_Success;
using win::NETSETUP_JOIN_DOMAIN;
using win::NETSETUP_JOIN_UNSECURE;
using win::NetSetupDomainName;
using win::NetSetupUnjoined;
using win::NetSetupUnknownStatus;
using win::NetSetupWorkgroupName;
#endif
