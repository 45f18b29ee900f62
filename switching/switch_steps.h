// The three switch steps that do not go through the switch script: the
// default printer, the Internet Explorer proxy settings of the current user,
// and the domain or workgroup membership. Each reads the profile in slot
// `slot` (1-based) and changes the live machine.
#pragma once

#include <optional>
#include <string>

#include "store/context.h"

namespace switching {

// Makes `ansiPrinter` the default printer: its "Devices" entry of WIN.INI
// (driver and port) joined to the name becomes "windows"/"device", and
// running programs are told. False, and nothing shown, when the printer is
// not installed here or the change cannot be written or announced.
bool SetDefaultPrinter(const store::Context& ctx, const std::string& ansiPrinter);
// The printer's WIN.INI "Devices" entry (driver and port); empty when the
// printer is not installed here.
std::string PrinterDevicesEntry(const store::Context& ctx, const std::string& ansiPrinter);

// Copies ProxyServer, ProxyOverride and ProxyEnable from the profile to the
// live Internet Settings where the profile holds them, then replaces the
// live AutoConfigURL by the profile's (or removes it when the profile has
// none). A missing live key is left missing. Then announces the values
// (AnnounceProxySettings). Reports nothing. The writes
// are one registry batch that is kept only when the live values read back
// as the profile's, so a failed write leaves the old values rather than a
// mix (where the registry has batches: Windows commits each write by
// itself). True when the live values hold the profile's.
bool ApplyProxySettings(const store::Context& ctx, int slot);
// True when the live proxy values are the ones the proxy step writes for
// the profile: each value the profile holds, and no AutoConfigURL when the
// profile has none.
bool ProxyHoldsProfile(const store::Context& ctx, int slot);

// The live Internet Settings as WinINet's per-connection options carry
// them: the flags from ProxyEnable and AutoConfigURL, and each text the key
// holds (a missing value stays missing). Nothing when the key is missing.
struct ConnectionProxy {
  win::DWORD flags = 0;  // PROXY_TYPE_DIRECT, with _PROXY and _AUTO_PROXY_URL as set
  std::optional<std::string> server;
  std::optional<std::string> bypass;
  std::optional<std::string> autoConfigUrl;
};
std::optional<ConnectionProxy> ReadConnectionProxy(const store::Context& ctx);

// Makes the live Internet Settings reach running programs, as WinINet
// documents it: the values set for the LAN connection through
// INTERNET_OPTION_PER_CONNECTION_OPTION (which keeps WinINet's own copy in
// step), then INTERNET_OPTION_SETTINGS_CHANGED and INTERNET_OPTION_REFRESH.
void AnnounceProxySettings(const store::Context& ctx);

// Joins the profile's domain (DomainType nonzero) or workgroup of
// DomainName. A failure is shown with its detail text; the switch goes on
// either way. Returns NetJoinDomain's result.
win::DWORD ChangeMembership(const store::Context& ctx, int slot);

// The refusal shown when the membership cannot be changed, for a
// NetJoinDomain result (ANSI).
std::string MembershipFailureMessage(win::DWORD code);
// Its detail text alone (ANSI).
std::string MembershipFailureDetail(win::DWORD code);

}  // namespace switching
