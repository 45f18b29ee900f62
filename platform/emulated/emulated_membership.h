// Domain or workgroup membership of the emulated machine, kept where real
// Windows keeps nothing in the registry: HKEY_LOCAL_MACHINE "SYSTEM\Emulation"
// values JoinName (REG_SZ) and JoinStatus (REG_DWORD), and Domains
// (REG_MULTI_SZ), the domains that accept this computer.
#pragma once

#include "platform/membership.h"
#include "platform/registry.h"

namespace emu {

class EmulatedMembership : public win::Membership {
 public:
  explicit EmulatedMembership(win::Registry& registry) : registry_(registry) {}

  // Without JoinStatus the status is NetSetupUnknownStatus; without JoinName
  // the name is empty. Another computer than this one is not reachable.
  [[nodiscard]] win::DWORD NetGetJoinInformation(const char16_t* server, std::u16string* name,
                                                 win::DWORD* status) override;
  // A domain joins when Domains lists it (in any letter case) and the
  // computer is not in a domain already; a workgroup joins when its name is
  // a valid NetBIOS name (1 to 15 bytes, none of "\/[]:|<>+=;,?*) and the
  // computer is not in a domain. Credentials are not checked.
  [[nodiscard]] win::DWORD NetJoinDomain(const char16_t* server, const char16_t* domain,
                                         const char16_t* accountOU, const char16_t* account,
                                         const char16_t* password, win::DWORD options) override;

 private:
  win::Registry& registry_;
};

}  // namespace emu
