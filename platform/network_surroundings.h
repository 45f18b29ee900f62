// What the machine can see of the network it is attached to, without
// changing anything: the wireless network an adapter is connected to, the
// DNS suffix the network hands out, and the hardware address of a neighbour
// such as the default gateway. On Windows these come from the WLAN API and
// IP Helper; the calls take an adapter by its identifier ("{GUID}", the
// name of its subkey under Tcpip\Parameters\Adapters). Text is ANSI.
#pragma once

#include <memory>
#include <string>

#include "platform/machine.h"
#include "platform/win_types.h"

#ifndef _WIN32
namespace win {
inline constexpr DWORD ERROR_NOT_FOUND = 1168;
}  // namespace win
using win::ERROR_NOT_FOUND;
#endif

namespace win {

class NetworkSurroundings {
 public:
  virtual ~NetworkSurroundings() = default;
  // The SSID of the wireless network the adapter is connected to.
  // ERROR_NOT_FOUND when it is not a wireless adapter or not connected;
  // another code when the wireless service cannot be asked (none running).
  [[nodiscard]] virtual DWORD QueryConnectedSsid(const std::string& adapterId,
                                                 std::string* ssid) = 0;
  // The connection-specific DNS suffix of the adapter. ERROR_NOT_FOUND when
  // the network gives none.
  [[nodiscard]] virtual DWORD QueryDnsSuffix(const std::string& adapterId, std::string* suffix) = 0;
  // The hardware address of the IPv4 neighbour `address` as the neighbour
  // table holds it, "00-11-22-33-44-55" in capitals. Nothing is sent to
  // find it: ERROR_NOT_FOUND when the table has no usable entry.
  [[nodiscard]] virtual DWORD QueryNeighborMac(const std::string& address, std::string* mac) = 0;
};

// What `machine` sees of its network: on Windows the system's own calls, on
// the emulated machine what its registry says the notebook sees. Each call
// asks afresh, so one object serves as long as the machine lives.
std::unique_ptr<NetworkSurroundings> OpenSurroundings(Machine& machine);

}  // namespace win
