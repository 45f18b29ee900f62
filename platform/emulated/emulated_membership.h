// Domain or workgroup membership of the emulated machine, kept where real
// Windows keeps nothing in the registry: HKEY_LOCAL_MACHINE "SYSTEM\Emulation"
// values JoinName (REG_SZ) and JoinStatus (REG_DWORD).
#pragma once

#include "platform/membership.h"
#include "platform/registry.h"

namespace emu {

class EmulatedMembership : public win::Membership {
 public:
  explicit EmulatedMembership(win::Registry& registry) : registry_(registry) {}

  // Without JoinStatus the status is NetSetupUnknownStatus; without JoinName
  // the name is empty. Another computer than this one is not reachable.
  win::DWORD NetGetJoinInformation(const char16_t* server, std::u16string* name,
                                   win::DWORD* status) override;

 private:
  win::Registry& registry_;
};

}  // namespace emu
