// The live TCP/IP settings of the machine's network interfaces, as stored
// in the registry where Windows keeps them. The live view shows them and the
// switch reads them back to see what its script changed, so both read them
// the same way. Text is ANSI (code page 932).
#pragma once

#include <string>
#include <vector>

#include "store/context.h"
#include "store/multi_string.h"
#include "store/profile_interfaces.h"

namespace store {

// At most this many interfaces, out of at most this many adapter keys, per
// read; adapter identifiers longer than a profile's interface list holds are
// left out.
inline constexpr std::size_t kMaxLiveInterfaces = 256;
inline constexpr std::size_t kMaxLiveAdapterKeys = 1024;
inline constexpr std::size_t kMaxAdapterNameLength = kMaxAdapterIdLength;

// One interface's values. Lists hold the strings of a REG_MULTI_SZ value up
// to its first empty one (a plain string counts as a list of one; an empty
// or missing value is an empty list).
struct LiveTcpip {
  std::string adapterId;               // "{…}"
  std::string name;                    // connection name
  bool dhcp = false;                   // EnableDHCP nonzero
  std::vector<std::string> addresses;  // IPAddress
  std::vector<std::string> masks;      // SubnetMask
  std::vector<std::string> gateways;   // DefaultGateway, configured (on DHCP as well)
  std::vector<std::string> metrics;    // DefaultGatewayMetric
  std::string leaseAddress;            // DhcpIPAddress, "0.0.0.0" when it cannot be read
  std::string leaseMask;               // DhcpSubnetMask, likewise
  std::string nameServer;              // NameServer as stored
  win::DWORD interfaceMetric = 0;      // InterfaceMetric, 0 (automatic) when missing
};

// Every adapter key whose name begins with "{" and whose connection name can
// be read, in adapter enumeration order. Reads only.
std::vector<LiveTcpip> ReadLiveTcpip(const Context& ctx);

// Item `index` of a list paired with another, the last one standing in when
// the list is shorter; empty when the list is.
const std::string& PairedItem(const std::vector<std::string>& list, std::size_t index);

}  // namespace store
