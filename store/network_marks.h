// A network's marks: what Windows can tell about the network an interface
// is on without changing any setting — the SSID of the wireless network it
// is connected to, the DNS suffix the network gives, and the hardware
// address of its default gateway. A profile keeps the marks seen when it
// was captured, so that the program can recognise the place again.
//
// They are stored beside the captured settings in the slot's Data key, so a
// deletion's slot moves carry them, and readers of the settings never look
// at them:
//   MarkSsid, MarkDnsSuffix, MarkGatewayMac   REG_MULTI_SZ, one
//       "connection name=value" entry per mark (MAC as 00-11-22-33-44-55)
//   MarkAction                                REG_DWORD, what a match does:
//       0 or absent: offer the profile; 1: switch at once, after the
//       confirmation; 2: switch at once without it
// Text is ANSI (code page 932).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "store/context.h"

namespace store {

enum class MarkKind { Ssid, DnsSuffix, GatewayMac };
inline constexpr MarkKind kMarkKinds[] = {MarkKind::Ssid, MarkKind::DnsSuffix,
                                          MarkKind::GatewayMac};

struct NetworkMark {
  MarkKind kind = MarkKind::Ssid;
  std::string connection;  // the interface's connection name
  std::string value;
  bool operator==(const NetworkMark&) const = default;
};
using NetworkMarks = std::vector<NetworkMark>;

enum class MatchAction : win::DWORD {
  Offer = 0,
  SwitchAfterConfirmation = 1,
  SwitchWithoutConfirmation = 2,
};

struct ProfileMarks {
  NetworkMarks marks;
  MatchAction action = MatchAction::Offer;
};

// The Data value that holds marks of this kind.
const char* MarkValueName(MarkKind kind);

// The marks of the network the machine is on now, interface by interface in
// adapter order: what it cannot see is simply not there.
NetworkMarks ReadLiveMarks(const Context& ctx);

// The marks stored in slot `slot` (1-based); malformed entries are skipped
// and an unknown MarkAction reads as an offer.
ProfileMarks ReadProfileMarks(const Context& ctx, int slot);

// The capture's part: the live marks replace those stored in the slot,
// through ctx (the capture's own command); the slot's MarkAction stays.
void CaptureNetworkMarks(const Context& ctx, int slot);

// Puts a mark typed by the user into its stored form (a MAC address with
// ":" or in small letters becomes 00-11-22-33-44-55). An error text (UTF-8)
// when it cannot be stored: no connection name or value, a "=" in the
// connection name, a line break, an SSID over 32 bytes, a MAC address of
// another form.
std::optional<std::string> NormaliseMark(NetworkMark& mark);

// Changes the marks of the profile titled `title` as one store command:
// `change` gets the stored marks and edits them; the result is written if it
// differs. "何も登録されていません。" or "この登録名では登録されていません。"
// when there is no such profile. True when the profile's marks are now as
// `change` left them.
bool UpdateProfileMarks(const Context& ctx, const std::string& title,
                        const std::function<void(ProfileMarks&)>& change);

}  // namespace store
